#include "TextEncoding.h"

#include <gtest/gtest.h>

using namespace tavril;

TEST(TextEncoding, FilesDecodeToUtf8WithoutLosingABytesMeaning)
{
    const struct {
        std::string bytes;
        std::string utf8;
    } cases[] = {
        {"plain", "plain"},
        {"\xEF\xBB\xBF" "caf\xC3\xA9", "caf\xC3\xA9"},                 // UTF-8 with a BOM
        {"caf\xE9", "caf\xC3\xA9"},                                     // Latin-1
        {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                               // overlong UTF-8 is not UTF-8
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},                   // an encoded surrogate neither
        {"\xE2\x82", "\xC3\xA2\xC2\x82"},                               // cut short at the end
        {std::string("\xFE\xFF\x00" "A\xD8\x3D\xDE\x00", 8), "A\xF0\x9F\x98\x80"},  // UTF-16BE, a pair
        {std::string("\xFF\xFE" "A\x00\x00\xD8", 6), "A\xEF\xBF\xBD"},  // UTF-16LE, a lone surrogate
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeTextFile(c.bytes), c.utf8) << c.bytes;
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
}
