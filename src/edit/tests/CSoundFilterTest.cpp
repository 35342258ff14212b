#include "CEditEngine.h"
#include "CR250Generator.h"
#include "CSoundFilter.h"
#include "EditTestUtil.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavril {
namespace {

using test::MakeWav;
using test::ReadWav;
using test::TempDir;

std::vector<int32_t> Tone(size_t n, double hz, double amp, double rate = 22050)
{
    std::vector<int32_t> v(n);
    for (size_t k = 0; k < n; ++k) v[k] = static_cast<int32_t>(amp * std::sin(2 * M_PI * hz * k / rate));
    return v;
}

double Rms(const std::vector<int32_t>& v, size_t from, size_t to)
{
    double s = 0;
    for (size_t i = from; i < to; ++i) s += double(v[i]) * v[i];
    return std::sqrt(s / double(to - from));
}

TEST(GainCurveTest, BandPassBandStopAndLimits)
{
    std::vector<float> c;
    CSoundFilter::BuildGainCurve(c, 256, 22050, 3000, 1000, 0, 0);
    // kH = trunc(128 * 1000 / 11025) = 11, kL = trunc(128 * 3000 / 11025) = 34.
    for (int k = 0; k <= 128; ++k) {
        const float want = (k > 11 && k < 34) ? 1.0f : 0.0f;
        EXPECT_EQ(c[k], want) << k;
        if (k > 0) {
            EXPECT_EQ(c[256 - k], c[k]) << k;
        }
    }
    CSoundFilter::BuildGainCurve(c, 256, 22050, 1000, 3000, 0, 0);
    for (int k = 0; k <= 128; ++k) EXPECT_EQ(c[k], (k >= 11 && k <= 34) ? 0.0f : 1.0f) << k;

    std::vector<float> above, at;
    CSoundFilter::BuildGainCurve(above, 256, 22050, 20000, 500, 0, 0.1);
    CSoundFilter::BuildGainCurve(at, 256, 22050, 11025, 500, 0, 0.1);
    EXPECT_EQ(above, at);

    CSoundFilter::BuildGainCurve(c, 256, 22050, 0, 0, 300, 0);
    EXPECT_EQ(c, std::vector<float>(256, 1.0f));

    // A 344.5 Hz ramp is 4 bins: the lowpass edge falls 1 - 0.2 per bin to 0.2.
    CSoundFilter::BuildGainCurve(c, 256, 22050, 3000, 0, 344.53125, 0.2);
    EXPECT_FLOAT_EQ(c[33], 1.0f);
    EXPECT_FLOAT_EQ(c[34], 0.8f);
    EXPECT_FLOAT_EQ(c[35], 0.6f);
    EXPECT_FLOAT_EQ(c[37], 0.2f);
    EXPECT_FLOAT_EQ(c[60], 0.2f);
    for (float g : c) EXPECT_GE(g, 0.2f - 1e-6f);
}

class FilterTest : public ::testing::Test {
protected:
    std::vector<int32_t> Band(const std::vector<int32_t>& in, BandFilterParams p, uint32_t start = 0,
                              int64_t count = -1, uint32_t channels = 1, uint32_t channel = 0, uint32_t bits = 16)
    {
        EXPECT_TRUE(MakeWav(src, 22050, channels, bits, in));
        EXPECT_TRUE(engine.CreateLike(dst, src));
        EXPECT_TRUE(filter.BandFilter(src, dst, start, count, p, channel)) << engine.LastError();
        return ReadWav(dst);
    }
    TempDir dir;
    std::string src = dir.File("p.wav"), dst = dir.File("w.wav");
    CEditEngine engine;
    CSoundFilter filter{engine};
};

TEST_F(FilterTest, BandFilterRemovesOutsideAndKeepsInside)
{
    const BandFilterParams p{.lowpassHz = 3000, .highpassHz = 1000};
    const size_t n = 22050;
    const auto low = Band(Tone(n, 500, 10000), p);
    const auto high = Band(Tone(n, 6000, 10000), p);
    const auto in = Band(Tone(n, 2000, 10000), p);
    ASSERT_EQ(low.size(), n);
    const double ref = Rms(Tone(n, 2000, 10000), 1000, n - 1000);
    EXPECT_LT(20 * std::log10(Rms(low, 1000, n - 1000) / ref), -40.0);
    EXPECT_LT(20 * std::log10(Rms(high, 1000, n - 1000) / ref), -40.0);
    EXPECT_NEAR(20 * std::log10(Rms(in, 1000, n - 1000) / ref), 0.0, 1.0);
}

TEST_F(FilterTest, NoBandIsOnlyTheWindowRoundTripAndLoudSelectionIsScaledFirst)
{
    for (const auto& [amp, scale] : {std::pair{12000.0, 1.0}, std::pair{30000.0, 0.75}}) {
        const auto tone = Tone(5000, 440, amp);
        const auto out = Band(tone, BandFilterParams{});
        ASSERT_EQ(out.size(), tone.size());
        for (size_t i = 0; i < tone.size(); ++i) ASSERT_NEAR(out[i], std::trunc(tone[i] * scale), 1) << amp << " " << i;
    }
}

TEST_F(FilterTest, RangeAndOtherChannelStayUntouched)
{
    std::vector<int32_t> st;
    const auto a = Tone(6000, 500, 8000), b = Tone(6000, 700, 9000);
    for (size_t i = 0; i < a.size(); ++i) { st.push_back(a[i]); st.push_back(b[i]); }
    const BandFilterParams p{.highpassHz = 2000, .timeRampMs = 20};
    const auto out = Band(st, p, 1000, 3000, 2, 1);
    ASSERT_EQ(out.size(), st.size());
    for (size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(out[2 * i], a[i]) << i;
        if (i < 1000 || i >= 4000) {
            ASSERT_EQ(out[2 * i + 1], b[i]) << i;
        }
    }
    // The middle of the range (beyond the time ramps) is filtered away.
    double s = 0;
    for (size_t i = 2000; i < 3000; ++i) s = std::max(s, std::fabs(double(out[2 * i + 1])));
    EXPECT_LT(s, 90.0);
    // The ramp fades in: the first frames of the range keep most of the tone.
    double early = 0;
    for (size_t i = 1000; i < 1064; ++i) early = std::max(early, std::fabs(double(out[2 * i + 1])));
    EXPECT_GT(early, 4000.0);
}

TEST_F(FilterTest, SmallBlocksGiveTheSameResult)
{
    const BandFilterParams p{.stopGain = 0.1, .lowpassHz = 4000, .highpassHz = 800, .freqRampHz = 300};
    std::vector<int32_t> mix = Tone(7000, 300, 5000);
    const auto hi = Tone(7000, 2500, 5000);
    for (size_t i = 0; i < mix.size(); ++i) mix[i] += hi[i];
    const auto big = Band(mix, p, 100, 5000);
    engine.SetBlockBytes(100);
    EXPECT_EQ(Band(mix, p, 100, 5000), big);
}

TEST_F(FilterTest, WideFilesKeepPrecision)
{
    std::vector<int32_t> t = Tone(4000, 440, 1000);
    std::vector<int32_t> wide(t.size());
    for (size_t i = 0; i < t.size(); ++i) wide[i] = t[i] * 256 + 77;  // 24-bit with low bits set
    const auto out = Band(wide, BandFilterParams{}, 0, -1, 1, 0, 24);
    int lowBitsKept = 0;
    for (size_t i = 0; i < wide.size(); ++i) {
        ASSERT_NEAR(out[i], wide[i], 3) << i;
        lowBitsKept += (out[i] & 0xFF) != 0;
    }
    EXPECT_GT(lowBitsKept, 3000);
}

// Background noise all through, a loud tone in the middle.
std::vector<int32_t> NoisyTone(size_t n)
{
    CR250Generator g;
    std::vector<int32_t> v(n);
    const auto tone = Tone(n, 2000, 12000);
    for (size_t i = 0; i < n; ++i) {
        v[i] = static_cast<int32_t>(g.Next() % 601) - 300;
        if (i > 2 * n / 5 && i < 3 * n / 5) v[i] += tone[i];
    }
    return v;
}

TEST_F(FilterTest, NoiseFilterRemovesTheFloorAndKeepsTheSignal)
{
    const size_t n = 44100;
    const auto in = NoisyTone(n);
    ASSERT_TRUE(MakeWav(src, 22050, 1, 16, in));
    ASSERT_TRUE(engine.CreateLike(dst, src));
    ASSERT_TRUE(filter.NoiseFilter(src, dst, 0, -1, 0)) << engine.LastError();
    const auto out = ReadWav(dst);
    ASSERT_EQ(out.size(), n);
    // Only the lines that rise above the floor survive: the noise loses
    // about two thirds of its energy, the tone nearly nothing.
    EXPECT_LT(Rms(out, 1000, n / 3), Rms(in, 1000, n / 3) * 0.6);
    const double kept = Rms(out, n / 2 - 2000, n / 2 + 2000) / Rms(in, n / 2 - 2000, n / 2 + 2000);
    EXPECT_GT(kept, 0.9);
}

TEST_F(FilterTest, ThresholdsAreTheSameInMemoryAndCounted)
{
    ASSERT_TRUE(MakeWav(src, 22050, 1, 16, NoisyTone(30000)));
    std::vector<float> a, b;
    ASSERT_TRUE(filter.NoiseThresholds(src, 0, a));
    filter.SetInMemoryLimit(0);
    ASSERT_TRUE(filter.NoiseThresholds(src, 0, b));
    EXPECT_EQ(a, b);
    int positive = 0;
    for (float x : a) positive += x > 0;
    EXPECT_GT(positive, 200);
}

TEST_F(FilterTest, NoiseFilterKeepsAnEightBitFileEightBit)
{
    std::vector<int32_t> in = NoisyTone(8000);
    for (int32_t& v : in) v = std::clamp(128 + v / 256, 0, 255);
    ASSERT_TRUE(MakeWav(src, 22050, 1, 8, in));
    ASSERT_TRUE(engine.CreateLike(dst, src));
    ASSERT_TRUE(filter.NoiseFilter(src, dst, 0, -1, 0));
    uint32_t bits = 0;
    const auto out = ReadWav(dst, nullptr, nullptr, &bits);
    EXPECT_EQ(bits, 8u);
    EXPECT_EQ(out.size(), in.size());
    // Too short to analyse: left as it is.
    ASSERT_TRUE(MakeWav(src, 22050, 1, 16, {1, 2, 3}));
    ASSERT_TRUE(engine.CreateLike(dst, src));
    ASSERT_TRUE(filter.NoiseFilter(src, dst, 0, -1, 0));
    EXPECT_EQ(ReadWav(dst), std::vector<int32_t>({1, 2, 3}));
}

} // namespace
} // namespace tavril
