#include "SpectrumColumn.h"

#include "Fft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace tavril;

namespace {

// A tone centred on line `line` of a frame of 2*bins samples.
std::vector<int16_t> Tone(int bins, int line, double amplitude, double dc = 0.0)
{
    const int n = 2 * bins;
    std::vector<int16_t> s(n);
    for (int i = 0; i < n; ++i) s[i] = static_cast<int16_t>(std::lround(dc + amplitude * std::sin(2 * M_PI * line * i / n)));
    return s;
}

std::vector<int32_t> Levels(const std::vector<int16_t>& s, int gain, int threshold = 0, int type = 0)
{
    const int bins = static_cast<int>(s.size() / 2);
    std::vector<int32_t> out(bins, -7);
    EXPECT_EQ(SpectrumLevels(s.data(), bins, out.data(), kDisplayLevels, gain, threshold, type), 1);
    return out;
}

std::vector<uint32_t> Paint(const std::vector<int32_t>& levels, int height, bool whiteOnBlack = false, int lowBin = 0,
                            int highBin = -1, float ampMin = 1.0f, float ampMax = -1.0f, int channels = 1)
{
    std::vector<uint32_t> column(height, 0xDEADBEEF);
    const int bins = static_cast<int>(levels.size()) / channels;
    PaintSpectrumColumn(levels.data(), bins, kDisplayLevels, whiteOnBlack, false, ampMin, ampMax, lowBin, highBin,
                        channels, column.data(), 1, height);
    return column;
}

} // namespace

TEST(SpectrumColumnTest, SilenceIsAllWhiteWhateverTheGain)
{
    std::vector<int16_t> silence(512, 0);
    for (int gain : {-50, 0, 1, 7, 1000}) {
        const auto levels = Levels(silence, gain);
        for (int32_t v : levels) ASSERT_EQ(v, 0);
        for (uint32_t p : Paint(levels, 300)) ASSERT_EQ(p, kWhite) << gain;
    }
}

TEST(SpectrumColumnTest, LevelsAgreeWithADoublePrecisionDftAtEverySize)
{
    for (int bins = 32; bins <= 1024; bins *= 2) {
        const int n = 2 * bins;
        std::vector<int16_t> s(n);
        uint32_t seed = 99u + bins;
        for (int i = 0; i < n; ++i) {
            seed = seed * 1664525u + 1013904223u;
            s[i] = static_cast<int16_t>(6000.0 * std::sin(2 * M_PI * (bins / 3 + 0.37) * i / n) +
                                        static_cast<int16_t>(seed >> 16) / 16);
        }
        for (int gain : {0, 3, -10}) {  // a negative gain divides
            const auto levels = Levels(s, gain, 0, kWindowHanning);
            const float* w = BuildWindow(n, kWindowHanning)->w.data();
            for (int k = 0; k < bins; ++k) {
                double re = 0, im = 0;
                for (int t = 0; t < n; ++t) {
                    const double a = 2 * M_PI * double((int64_t(t) * k) % n) / n;
                    re += s[t] * double(w[t]) * std::cos(a);
                    im -= s[t] * double(w[t]) * std::sin(a);
                }
                const int64_t h = static_cast<int64_t>(std::hypot(re, im));
                const int64_t m = gain < 0 ? h / -gain : h * std::max(gain, 1);
                const int expected = static_cast<int>(std::min<int64_t>(m >> 10, 63));
                ASSERT_NEAR(levels[bins - 1 - k], expected, 1) << "bins " << bins << " line " << k << " gain " << gain;
            }
        }
    }
}

TEST(SpectrumColumnTest, GainMinusOneZeroAndOneAreTheSamePicture)
{
    const auto tone = Tone(256, 17, 3000.0, 200.0);
    const auto a = Levels(tone, -1), b = Levels(tone, 0), c = Levels(tone, 1);
    EXPECT_EQ(a, b);
    EXPECT_EQ(b, c);
    EXPECT_EQ(Paint(a, 257), Paint(c, 257));
}

TEST(SpectrumColumnTest, HugeGainsSaturateInsteadOfWrapping)
{
    // Full scale in the largest frame: ~2^24, times 1000 no longer fits 32 bits.
    const int bins = 1024;
    const auto levels = Levels(Tone(bins, 100, 32767.0), 1000);
    EXPECT_EQ(levels[bins - 1 - 100], kDisplayLevels - 1);
    for (int32_t v : levels) {
        ASSERT_GE(v, 0);
        ASSERT_LE(v, kDisplayLevels - 1);
    }
    EXPECT_EQ(SpectralGainFromSetting(1e30f), 1000000);
    EXPECT_EQ(SpectralGainFromSetting(-2.9f), -2);
    EXPECT_EQ(SpectralGainFromSetting(std::nanf("")), 0);
}

TEST(SpectrumColumnTest, WhiteThresholdAboveTheTopLevelActsAsTheTopLevel)
{
    std::vector<int16_t> s = Tone(256, 30, 20000.0);
    for (int i = 0; i < 512; ++i) s[i] = static_cast<int16_t>(s[i] / 2 + ((i * 7919) % 2001) - 1000);
    const auto t200 = Levels(s, 1, 200), t63 = Levels(s, 1, 63), t0 = Levels(s, 1, 0), t20 = Levels(s, 1, 20);
    EXPECT_EQ(t200, t63);
    for (int32_t v : t63) ASSERT_TRUE(v == 0 || v == 63);
    int below = 0;
    for (size_t k = 0; k < t0.size(); ++k) {
        if (t0[k] < 20) {
            EXPECT_EQ(t20[k], 0);
            ++below;
        } else {
            EXPECT_EQ(t20[k], t0[k]);
        }
    }
    EXPECT_GT(below, 0);
    EXPECT_EQ(Levels(s, 1, -5), t0);  // negative threshold clamps to 0
}

TEST(SpectrumColumnTest, UnsupportedSizeIsRefused)
{
    std::vector<int16_t> s(4096, 1);
    std::vector<int32_t> out(2048, -3);
    EXPECT_EQ(SpectrumLevels(s.data(), 2048, out.data(), 64, 0, 0, 0), 0);
    EXPECT_EQ(SpectrumLevels(s.data(), 16, out.data(), 64, 0, 0, 0), 0);
    EXPECT_EQ(out[0], -3);
}

TEST(SpectrumColumnTest, LineZeroIsNeverPaintedAndBottomRowsStayWhite)
{
    const int bins = 256, height = 257;
    std::vector<int32_t> levels(bins, 63);
    const auto col = Paint(levels, height);
    EXPECT_EQ(col[0], 0x030303u);  // level 63 is grey 3 on white
    // Lines 255 ... 1 take positions 0 ... 254; row round(254 * 257/256) = 255
    // is the last one painted.
    EXPECT_EQ(col[255], 0x030303u);
    EXPECT_EQ(col[256], kWhite);
    // Only line 0 dark: nothing dark at all.
    std::vector<int32_t> onlyZero(bins, 0);
    onlyZero[bins - 1] = 63;
    for (uint32_t p : Paint(onlyZero, height)) ASSERT_EQ(p, kWhite);
}

TEST(SpectrumColumnTest, RunLengthPaintingMatchesLineByLineRows)
{
    const int bins = 64;
    std::vector<int32_t> levels(bins);
    for (int e = 0; e < bins; ++e) levels[e] = (e / 5) % 2 ? 40 : (e % 7) * 9;
    for (int height : {37, 64, 200, 500}) {
        const auto col = Paint(levels, height);
        const float r = static_cast<float>(height) / bins;
        // Independent model: row y belongs to the first position p (line
        // 63 - p) whose end row round(p * r) reaches y.
        for (int y = 0; y < height; ++y) {
            int p = 0;
            while (p < bins - 1 && static_cast<int>(p * r + 0.5f) < y) ++p;
            const uint32_t expected =
                p < bins - 1 && static_cast<int>(p * r + 0.5f) >= y ? uint32_t(255 - 4 * levels[p]) * 0x010101u : kWhite;
            ASSERT_EQ(col[y], expected) << "height " << height << " row " << y;
        }
    }
}

TEST(SpectrumColumnTest, WhiteOnBlackFrequencyLimitsAndTwoChannels)
{
    std::vector<int32_t> levels(32, 0);
    levels[0] = 63;
    auto col = Paint(levels, 32, true);
    EXPECT_EQ(col[0], 252u * 0x010101u);  // white on black inverts the greys
    EXPECT_EQ(col[5], 0u);                // level 0 is black
    EXPECT_EQ(col[31], kWhite);           // below the last painted row
    // Lines 10..20 shown: line 20 at the top (row 0 only at R = 11); line 25 never drawn.
    levels.assign(32, 0);
    levels[31 - 20] = 63;
    levels[31 - 25] = 50;
    col = Paint(levels, 110, false, 10, 20);
    EXPECT_EQ(col[0], 0x030303u);
    for (int y = 1; y < 110; ++y) ASSERT_NE(col[y], 0x030303u);
    for (uint32_t p : col) ASSERT_NE(p, uint32_t(255 - 200) * 0x010101u);
    // A top line out of range falls back to the full range; a bottom line above the top to 0.
    EXPECT_EQ(Paint(levels, 64, false, 40, 99), Paint(levels, 64, false, 0, 31));
    // Two channels share the column top to bottom: channel 0 dark, channel 1 blank.
    levels.assign(64, 0);
    std::fill(levels.begin(), levels.begin() + 32, 63);
    col = Paint(levels, 128, false, 0, -1, 1.0f, -1.0f, 2);
    for (int y : {0, 60}) EXPECT_EQ(col[y], 0x030303u);
    for (int y : {70, 127}) EXPECT_EQ(col[y], kWhite);
}

TEST(SpectrumColumnTest, AmplitudeStripUsesTheBottomFifth)
{
    std::vector<int32_t> levels(32, 63);
    const int height = 100;
    auto col = Paint(levels, height, false, 0, -1, -0.5f, 0.5f);
    // The spectrum fills at most 80 rows; the strip follows it.
    int firstStrip = -1;
    for (int y = 0; y < height; ++y)
        if (col[y] == kMarkerBlue) {
            firstStrip = y;
            break;
        }
    ASSERT_GE(firstStrip, 70);
    ASSERT_LE(firstStrip, 80);
    EXPECT_EQ(col[firstStrip + 1], kMarkerBlue);
    int green = 0;
    for (int y = firstStrip + 2; y < height; ++y) green += col[y] == kStripGreen;
    EXPECT_GT(green, 5);
    // Clipping turns the bar red.
    col = Paint(levels, height, false, 0, -1, -1.0f, 1.0f);
    int red = 0;
    for (uint32_t p : col) red += p == kStripRed;
    EXPECT_GT(red, 5);
}
