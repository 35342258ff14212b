#include "SpectrogramColumns.h"

#include "DspTestUtil.h"
#include "SpectrumColumn.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace tavril;

namespace {

int16_t Chirp(uint32_t i, uint32_t)
{
    return static_cast<int16_t>(8000.0 * std::sin(0.00002 * double(i) * i) + 500.0 * std::sin(0.3 * i));
}

// A 22050 Hz sound whose channel c holds f(i, c); `d` has 512-point frames.
class SpectrogramColumnsTest : public ::testing::Test {
protected:
    template <typename F>
    void Open(uint32_t frames, uint32_t channels, F f)
    {
        ASSERT_EQ(s.Open(test::WriteWav(dir.File("s.wav"), 22050.0, channels, test::Frames(frames, channels, f))), 1);
    }
    test::TempDir dir;
    CSoundFile s;
    SpectrogramDisplay d;
};

} // namespace

TEST_F(SpectrogramColumnsTest, SoundShorterThanOneFrameShowsNothing)
{
    Open(511, 1, Chirp);
    std::vector<uint32_t> image(50 * 40, 0x123456);
    EXPECT_EQ(PaintSpectrogramColumns(s, d, 0, 0, 511.0 / 50, 0, 50, image.data(), 50, 40), 0);
    for (uint32_t p : image) ASSERT_EQ(p, 0x123456u);
}

TEST_F(SpectrogramColumnsTest, StopsAtTheLastWholeFrame)
{
    Open(10000, 1, Chirp);
    const int width = 100, height = 64;
    std::vector<uint32_t> image(width * height, 0x123456);
    // Column c starts at trunc(c * 100 + 0.5 - 256); the last whole frame of
    // 512 ends at sample 10000, so columns 0 ... 97 are drawn.
    EXPECT_EQ(PaintSpectrogramColumns(s, d, 0, 0, 100.0, 0, width, image.data(), width, height), 98);
    EXPECT_NE(image[97], 0x123456u);
    EXPECT_EQ(image[98], 0x123456u);
    EXPECT_EQ(image[(height - 1) * width + 99], 0x123456u);
    // No more columns than there are samples for; none for a non-positive scale.
    EXPECT_EQ(PaintSpectrogramColumns(s, d, 0, 0, 1000.0, 0, width, image.data(), width, height), 10);
    EXPECT_EQ(PaintSpectrogramColumns(s, d, 0, 0, 0.0, 0, width, image.data(), width, height), 0);
    EXPECT_EQ(PaintSpectrogramColumns(s, d, 0, 0, -5.0, 0, width, image.data(), width, height), 0);
}

TEST_F(SpectrogramColumnsTest, EachFrameIsCentredOnItsColumn)
{
    // A click at 5000; frames start at trunc(c * 100 + 0.5 - 256): columns 48 ... 52 hold it.
    Open(10000, 1, [](uint32_t i, uint32_t) { return int16_t(i == 5000 ? 30000 : 0); });
    const int width = 100, height = 16;
    std::vector<uint32_t> image(width * height, 0);
    ASSERT_EQ(PaintSpectrogramColumns(s, d, 0, 0, 100.0, 0, width, image.data(), width, height), 98);
    const auto expectDark = [&](int columns, int first, int last) {
        for (int c = 0; c < columns; ++c) {
            bool dark = false;
            for (int y = 0; y < height; ++y) dark = dark || image[y * width + c] != kWhite;
            EXPECT_EQ(dark, c >= first && c <= last) << "column " << c;
        }
    };
    expectDark(98, 48, 52);
    // A pane that starts later shifts the frames by its first sample.
    std::fill(image.begin(), image.end(), 0u);
    PaintSpectrogramColumns(s, d, 0, 1000, 100.0, 0, 60, image.data(), width, height);
    expectDark(60, 38, 42);
}

TEST_F(SpectrogramColumnsTest, PartialRepaintMatchesTheWholePicture)
{
    Open(30000, 1, Chirp);
    d.fftSizeCode = 2;
    const int width = 120, height = 90;
    const double spp = 30000.0 / width;
    std::vector<uint32_t> whole(width * height, 0);
    ASSERT_EQ(PaintSpectrogramColumns(s, d, 0, 0, spp, 0, width, whole.data(), width, height), width);
    // Columns 40 ... 69 painted on their own into a 30-pixel-wide buffer.
    std::vector<uint32_t> part(30 * height, 0);
    ASSERT_EQ(PaintSpectrogramColumns(s, d, 0, 0, spp, 40, 30, part.data(), 30, height), 30);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 30; ++x) ASSERT_EQ(part[y * 30 + x], whole[y * width + 40 + x]) << x << "," << y;
    // The chirp is not a blank picture.
    int dark = 0;
    for (uint32_t p : whole) dark += p != kWhite;
    EXPECT_GT(dark, width * height / 20);
}

TEST_F(SpectrogramColumnsTest, ChannelIsCappedAndSelectsItsOwnSamples)
{
    Open(8192, 2, [](uint32_t i, uint32_t c) { return c ? Chirp(i, c) : int16_t(0); });  // channel 0 silent
    const int width = 10, height = 32;
    std::vector<uint32_t> left(width * height, 0), right(width * height, 0), beyond(width * height, 0);
    PaintSpectrogramColumns(s, d, 0, 0, 800.0, 0, width, left.data(), width, height);
    PaintSpectrogramColumns(s, d, 1, 0, 800.0, 0, width, right.data(), width, height);
    PaintSpectrogramColumns(s, d, 7, 0, 800.0, 0, width, beyond.data(), width, height);
    for (int y = 0; y < height; ++y) ASSERT_EQ(left[y * width], kWhite);
    EXPECT_NE(left, right);
    EXPECT_EQ(right, beyond);
}

TEST_F(SpectrogramColumnsTest, FrequencyRangeFromTheDisplayLimits)
{
    // 256 lines by default.
    d.SetFrequencyRange(22050.0, false, 0.0, false, 0.0);
    EXPECT_EQ(d.lowBin, 0);
    EXPECT_EQ(d.highBin, 256);  // repaired to 255 when painting
    d.SetFrequencyRange(22050.0, true, 1000.0, true, 5000.0);
    EXPECT_EQ(d.lowBin, static_cast<int>(256 * 1000.0 / 11025.0));
    EXPECT_EQ(d.highBin, static_cast<int>(256 * 5000.0 / 11025.0));
    // A high limit above Nyquist is Nyquist.
    d.SetFrequencyRange(22050.0, false, 0.0, true, 90000.0);
    EXPECT_EQ(d.highBin, 256);
    d.SetFrequencyRange(0.0, true, 100.0, true, 200.0);
    EXPECT_EQ(d.lowBin, 0);
    EXPECT_EQ(d.highBin, -1);
}
