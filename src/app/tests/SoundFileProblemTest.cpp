// What the user is told about a sound file the library refused. The files are
// built byte by byte here from the RIFF and AIFF chunk layouts.
#include "SoundFileProblem.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace tavril;
using namespace tavril::test;

namespace {

void Tag(std::vector<unsigned char>& v, const char* t) { v.insert(v.end(), t, t + 4); }

// RIFF/WAVE with an optional fmt chunk (format tag, bits) and a data chunk
// that states `stated` bytes but holds `held`.
std::vector<unsigned char> Wav(bool withFmt, uint16_t tag, uint16_t bits, uint32_t stated, uint32_t held) {
    std::vector<unsigned char> v;
    Tag(v, "RIFF");
    Put32LE(v, 4 + (withFmt ? 24 : 0) + 8 + held);
    Tag(v, "WAVE");
    if (withFmt) {
        Tag(v, "fmt ");
        Put32LE(v, 16);
        Put16LE(v, tag);
        Put16LE(v, 1);        // channels
        Put32LE(v, 22050);    // rate
        Put32LE(v, 22050 * bits / 8);
        Put16LE(v, static_cast<uint16_t>(bits / 8));
        Put16LE(v, bits);
    }
    Tag(v, "data");
    Put32LE(v, stated);
    v.insert(v.end(), held, 0);
    return v;
}

} // namespace

TEST(SoundFileProblem, NamesWhatIsWrong) {
    TempDir dir;
    const std::string f = dir.File("x.wav");
    WriteAll(f, Wav(true, 1, 16, 100, 100));
    EXPECT_EQ(DescribeSoundFileProblem(f), "");  // nothing wrong that a look at the chunks finds
    WriteAll(f, Wav(false, 1, 16, 100, 100));
    EXPECT_EQ(DescribeSoundFileProblem(f), "It has no fmt chunk.");
    WriteAll(f, Wav(true, 1, 16, 1000, 100));
    EXPECT_EQ(DescribeSoundFileProblem(f), "Its data ends before its stated size (100 of 1000 bytes).");
    WriteAll(f, Wav(true, 0x55, 16, 100, 100));  // an MP3 inside a WAV
    EXPECT_EQ(DescribeSoundFileProblem(f), "Its sample format is unknown (format tag 85, 16 bits).");
    WriteAll(f, {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '\n'});
    EXPECT_EQ(DescribeSoundFileProblem(f), "It is not a sound file at all.");
    // A chunk whose size points back at itself cannot make the look run for ever.
    std::vector<unsigned char> loop;
    Tag(loop, "RIFF");
    Put32LE(loop, 0xFFFFFFF0u);
    Tag(loop, "WAVE");
    Tag(loop, "junk");
    Put32LE(loop, 0xFFFFFFF0u);
    WriteAll(f, loop);
    EXPECT_EQ(DescribeSoundFileProblem(f), "It has no fmt chunk.");
}
