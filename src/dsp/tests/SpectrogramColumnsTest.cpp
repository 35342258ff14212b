#include "SpectrogramColumns.h"

#include "DspTestUtil.h"
#include "CWorkerPool.h"
#include "Fft.h"
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

namespace {

// One hour of faint noise at 4000 Hz with ten 0.3 s tones of 1000 Hz, each in
// the middle of a pixel column of a 1600-column picture, where no frame of the
// one-frame-per-column picture reaches.
constexpr double kHourRate = 4000.0;
constexpr uint32_t kHourFrames = 3600 * 4000;
constexpr int kHourColumns = 1600;
constexpr double kSpp = double(kHourFrames) / kHourColumns;  // 9000 samples
constexpr int kToneLine = 128;                                // 1000 Hz of 2000 Hz in 256 lines

int ToneColumn(int i) { return 100 + 150 * i; }

std::vector<int16_t> HourWithHiddenCalls()
{
    std::vector<int16_t> v(kHourFrames);
    uint32_t seed = 7;
    for (uint32_t i = 0; i < kHourFrames; ++i) {
        seed = seed * 1664525u + 1013904223u;
        v[i] = static_cast<int16_t>(int(seed >> 23) - 256);  // levels 1 to 5: the maxima depend on every frame
    }
    for (int t = 0; t < 10; ++t) {
        const uint32_t start = static_cast<uint32_t>(ToneColumn(t) * kSpp) + 3000;
        for (uint32_t i = 0; i < 1200; ++i)
            v[start + i] = static_cast<int16_t>(3000.0 * std::sin(2 * M_PI * 1000.0 * i / kHourRate));
    }
    return v;
}

// Levels 0 ... 63 of one frame by a plain double-precision DFT: magnitude
// truncated, divided by 1024, capped at 63.
std::vector<int> DftLevels(const int16_t* s, int bins)
{
    const int n = 2 * bins;
    const float* w = BuildWindow(n, kWindowBlackman)->w.data();
    std::vector<int> out(bins);
    for (int k = 0; k < bins; ++k) {
        double re = 0, im = 0;
        for (int t = 0; t < n; ++t) {
            const double a = 2 * M_PI * double((t * k) % n) / n;
            re += s[t] * double(w[t]) * std::cos(a);
            im -= s[t] * double(w[t]) * std::sin(a);
        }
        out[k] = static_cast<int>(std::min<int64_t>(static_cast<int64_t>(std::hypot(re, im)) >> 10, 63));
    }
    return out;
}

// Level of line `line` in pixel column x of a picture `bins` rows high (one
// row per line, highest line on row 0; black on white, 4 greys per level).
int PixelLevel(const std::vector<uint32_t>& img, int width, int bins, int x, int line)
{
    const uint32_t grey = img[size_t(bins - 1 - line) * width + x] & 0xFF;
    return (255 - static_cast<int>(grey)) / 4;
}

} // namespace

TEST_F(SpectrogramColumnsTest, EveryFramePictureShowsCallsBetweenColumnsAndKeepsTheStrongestFrame)
{
    const std::vector<int16_t> hour = HourWithHiddenCalls();
    ASSERT_EQ(s.Open(test::WriteWav(dir.File("hour.wav"), kHourRate, 1, hour)), 1);
    const int bins = d.Bins();
    ASSERT_EQ(bins, 256);
    std::vector<uint32_t> old(size_t(kHourColumns) * bins, 0), every(size_t(kHourColumns) * bins, 0);
    ASSERT_EQ(PaintSpectrogramColumns(s, d, 0, 0, kSpp, 0, kHourColumns, old.data(), kHourColumns, bins), kHourColumns);

    CFrameLevelCache cache;
    cache.Configure({bins, d.windowType, d.gain}, kHourFrames);
    CWorkerPool pool(2);
    const ChannelReader read = MakeChannelReader(s, 0);
    cache.Fill(read, &pool, 0, cache.FrameCount());
    bool incomplete = true;
    ASSERT_EQ(PaintEveryFrameColumns(cache, read, d, kSpp, 0, kHourColumns, every.data(), kHourColumns, bins,
                                     &incomplete),
              kHourColumns);
    EXPECT_FALSE(incomplete);

    int oldShown = 0, everyShown = 0;
    for (int t = 0; t < 10; ++t) {
        oldShown += PixelLevel(old, kHourColumns, bins, ToneColumn(t), kToneLine) > 32;
        everyShown += PixelLevel(every, kHourColumns, bins, ToneColumn(t), kToneLine) > 32;
    }
    EXPECT_EQ(everyShown, 10);
    EXPECT_LT(oldShown, everyShown);

    // Per line, the strongest of the frames centred in the column: tone
    // columns, their neighbours, and a quiet one, against a plain DFT.
    int compared = 0, exact = 0;
    for (int x : {ToneColumn(0), ToneColumn(0) + 1, ToneColumn(4) - 1, ToneColumn(4), ToneColumn(9), 1599, 0}) {
        std::vector<int> strongest(bins, 0);
        for (uint32_t f = 0; (f + 2) * uint64_t(bins) <= kHourFrames; ++f) {
            const double centre = double(f + 1) * bins;
            if (centre < x * kSpp) continue;
            if (centre >= (x + 1) * kSpp) break;
            const std::vector<int> lv = DftLevels(hour.data() + size_t(f) * bins, bins);
            for (int k = 0; k < bins; ++k) strongest[k] = std::max(strongest[k], lv[k]);
        }
        for (int k = 1; k < bins; ++k) {
            const int got = PixelLevel(every, kHourColumns, bins, x, k);
            ASSERT_NEAR(got, strongest[k], 1) << "column " << x << " line " << k;
            ++compared;
            exact += got == strongest[k];
        }
    }
    // Single precision may land a magnitude on the other side of a level
    // boundary now and then; a frame too many or too few changes far more.
    EXPECT_GT(exact, compared * 999 / 1000);
}

TEST_F(SpectrogramColumnsTest, EveryFrameIsTheSameFromOneThreadAndFromSeveralAndReadsItsChannel)
{
    Open(300000, 2, [](uint32_t i, uint32_t c) { return Chirp(i + 977 * c, c); });
    const double spp = 300000.0 / 333;
    std::vector<uint32_t> a(333 * 100), b(333 * 100);
    for (int threads : {1, 3}) {
        CFrameLevelCache cache;
        cache.Configure({d.Bins(), d.windowType, d.gain}, 300000);
        CWorkerPool pool(threads);
        const ChannelReader read = MakeChannelReader(s, 1);
        cache.Fill(read, &pool, 0, cache.FrameCount());
        EXPECT_EQ(PaintEveryFrameColumns(cache, read, d, spp, 0, 333, (threads == 1 ? a : b).data(), 333, 100), 333);
    }
    EXPECT_EQ(a, b);
    // The channel read from the stereo file is the one a mono file holds.
    CSoundFile mono;
    ASSERT_EQ(mono.Open(test::WriteWav(dir.File("mono.wav"), 22050.0, 1,
                                       test::Frames(300000, 1, [](uint32_t i, uint32_t) { return Chirp(i + 977, 1); }))),
              1);
    CFrameLevelCache cache;
    cache.Configure({d.Bins(), d.windowType, d.gain}, 300000);
    cache.Fill(MakeChannelReader(mono, 0), nullptr, 0, cache.FrameCount());
    PaintEveryFrameColumns(cache, MakeChannelReader(mono, 0), d, spp, 0, 333, b.data(), 333, 100);
    EXPECT_EQ(a, b);
}
