// Width conversions through the unit interval, as the sample model defines
// them, and the decoding of foreign disk layouts.

#include "SampleCoding.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tavril;

TEST(ConvertSampleWidth, TableValues)
{
    const int16_t s16[4] = {-32768, 0, 16384, 32767};
    unsigned char b8[4];
    ASSERT_EQ(ConvertSampleWidth(s16, 16, b8, 8, 4), 1);
    EXPECT_EQ(b8[0], 0);
    EXPECT_EQ(b8[1], 128);
    EXPECT_EQ(b8[2], 192);
    EXPECT_EQ(b8[3], 255);

    unsigned char b24[12];
    ASSERT_EQ(ConvertSampleWidth(s16, 16, b24, 24, 4), 1);
    // 16384 / 32768 = 0.5 -> 2^30 in 32 bits; the top three bytes stored LSB first.
    EXPECT_EQ(b24[6], 0x00);
    EXPECT_EQ(b24[7], 0x00);
    EXPECT_EQ(b24[8], 0x40);
    EXPECT_EQ(b24[0], 0x00);
    EXPECT_EQ(b24[2], 0x80);  // -32768 -> 0x800000

    int16_t back[4];
    ASSERT_EQ(ConvertSampleWidth(b24, 24, back, 16, 4), 1);
    EXPECT_EQ(std::memcmp(back, s16, sizeof s16), 0);

    int32_t s32[2];
    ASSERT_EQ(ConvertSampleWidth(s16, 16, s32, 32, 2), 1);
    EXPECT_EQ(s32[0], INT32_MIN);
    EXPECT_EQ(s32[1], 0);

    int64_t s64[4];
    ASSERT_EQ(ConvertSampleWidth(s16, 16, s64, 64, 4), 1);
    EXPECT_EQ(s64[0], INT64_MIN);
    EXPECT_EQ(s64[2], int64_t(1) << 62);

    // Truncation toward zero: a small negative 32-bit value becomes 0 in 16 bits.
    const int32_t tiny[1] = {-5};
    int16_t t16[1] = {99};
    ConvertSampleWidth(tiny, 32, t16, 16, 1);
    EXPECT_EQ(t16[0], 0);

    unsigned char unused[8];
    EXPECT_EQ(ConvertSampleWidth(s16, 16, unused, 40, 1), 0) << "5-byte samples are not a width";
}

TEST(DecodeSamples, ForeignLayoutsBecomeTheMemoryModel)
{
    // Big-endian 16-bit.
    const unsigned char be16[4] = {0x12, 0x34, 0xff, 0xfe};
    int16_t out[2];
    ASSERT_TRUE(DecodeSamples(be16, SampleEncoding::PcmBE, 2, out, 2, 2));
    EXPECT_EQ(out[0], 0x1234);
    EXPECT_EQ(out[1], -2);

    // Signed 8-bit (AIFF) becomes unsigned with 128 as silence.
    const unsigned char s8[3] = {0x00, 0x80, 0x7f};
    unsigned char u8[3];
    ASSERT_TRUE(DecodeSamples(s8, SampleEncoding::PcmBE, 1, u8, 1, 3));
    EXPECT_EQ(u8[0], 128);
    EXPECT_EQ(u8[1], 0);
    EXPECT_EQ(u8[2], 255);

    // And back again.
    unsigned char again[3];
    ASSERT_TRUE(EncodeSamples(u8, 1, again, SampleEncoding::PcmBE, 1, 3));
    EXPECT_EQ(std::memcmp(again, s8, 3), 0);

    // 64-bit float little-endian into 32-bit integers, clamped at full scale.
    double d[3] = {0.5, -1.0, 2.0};
    int32_t i32[3];
    ASSERT_TRUE(DecodeSamples(d, SampleEncoding::FloatLE, 8, i32, 4, 3));
    EXPECT_EQ(i32[0], 1 << 30);
    EXPECT_EQ(i32[1], INT32_MIN);
    EXPECT_EQ(i32[2], INT32_MAX);

    EXPECT_FALSE(DecodeSamples(d, SampleEncoding::FloatLE, 3, i32, 4, 1)) << "3-byte floats do not exist";
}

TEST(Interleave, ChannelBlocksRoundTrip)
{
    uint32_t v[12];
    for (uint32_t i = 0; i < 12; ++i) v[i] = i;  // 4 frames x 3 channels of 4-byte samples
    Deinterleave(v, 4, 3, 4);
    const uint32_t blocks[12] = {0, 3, 6, 9, 1, 4, 7, 10, 2, 5, 8, 11};
    EXPECT_EQ(std::memcmp(v, blocks, sizeof v), 0);
    Interleave(v, 4, 3, 4);
    for (uint32_t i = 0; i < 12; ++i) EXPECT_EQ(v[i], i);

    unsigned char b[6] = {1, 2, 3, 4, 5, 6};  // 24-bit stereo, one frame
    Deinterleave(b, 1, 2, 3);
    const unsigned char same[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(std::memcmp(b, same, 6), 0);
}
