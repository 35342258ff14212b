#include "CEditEngine.h"
#include "CSoundTools.h"
#include "EditTestUtil.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavril {
namespace {

using test::MakeWav;
using test::ReadWav;
using test::TempDir;

class ToolsTest : public ::testing::TestWithParam<size_t> {
protected:
    void SetUp() override { engine.SetBlockBytes(GetParam()); }
    // Runs `op(source, destination)` on a fresh destination shaped like src.
    template <class Op>
    std::vector<int32_t> Run(const std::vector<int32_t>& values, uint32_t channels, Op op, uint32_t bits = 16,
                             double rate = 22050)
    {
        EXPECT_TRUE(MakeWav(src, rate, channels, bits, values));
        EXPECT_TRUE(engine.CreateLike(dst, src));
        EXPECT_TRUE(op(src, dst)) << engine.LastError();
        return ReadWav(dst);
    }
    TempDir dir;
    std::string src = dir.File("prev.wav"), dst = dir.File("work.wav");
    CEditEngine engine;
    CSoundTools tools{engine};
};

INSTANTIATE_TEST_SUITE_P(BlockSizes, ToolsTest, ::testing::Values(size_t(64), size_t(90), CEditEngine::kDefaultBlockBytes));

TEST_P(ToolsTest, AmplifyTruncatesTowardZeroLimitsAndKeepsWidthAndChannel)
{
    auto amp = [&](double f) {
        return Run({-3, 3, 5, -32768, 20000, 0}, 1, [&](auto& s, auto& d) { return tools.Amplify(s, d, f, 0); });
    };
    EXPECT_EQ(amp(0.5), std::vector<int32_t>({-1, 1, 2, -16384, 10000, 0}));
    EXPECT_EQ(amp(1.0), std::vector<int32_t>({-3, 3, 5, -32768, 20000, 0}));
    // Beyond the 16-bit range the values stop at the limits instead of wrapping.
    EXPECT_EQ(amp(2.0), std::vector<int32_t>({-6, 6, 10, -32768, 32767, 0}));
    const auto half = [&](auto& s, auto& d) { return tools.Amplify(s, d, 0.5, 0); };
    // 24-bit 0x123456 halved keeps its low bits; 8-bit gives the 16-bit results around 128 = silence.
    EXPECT_EQ(Run({0x123456, -0x123456}, 1, half, 24), std::vector<int32_t>({0x091A2B, -0x091A2B}));
    EXPECT_EQ(Run({128, 228, 28}, 1, half, 8), std::vector<int32_t>({128, 178, 78}));
    const auto out = Run({10, 11, 20, 21}, 2, [&](auto& s, auto& d) { return tools.Amplify(s, d, 0.5, 1); });
    EXPECT_EQ(out, std::vector<int32_t>({10, 5, 20, 10}));
}

TEST_P(ToolsTest, MaximizeSkipsDropoutMarkersAndLeavesSilence)
{
    const auto silent = Run({0, 0, 0}, 1, [&](auto& s, auto& d) { return tools.Maximize(s, d, 0); });
    EXPECT_EQ(silent, std::vector<int32_t>({0, 0, 0}));
    EXPECT_FLOAT_EQ(static_cast<float>(tools.MaximizeFactor(src, 0)), 327.67f);

    // -17747 (0xBAAD) is not the smallest value: the peak is 2000.
    const auto out = Run({1000, -2000, -17747, 3}, 1, [&](auto& s, auto& d) { return tools.Maximize(s, d, 0); });
    const float f = 32767.0f / 2100.0f;
    EXPECT_EQ(out, std::vector<int32_t>({static_cast<int32_t>(1000 * double(f)), static_cast<int32_t>(-2000 * double(f)),
                                         -32768, static_cast<int32_t>(3 * double(f))}));

    // A peak within 100 of full scale is lowered: peak 32768, factor
    // 32767 / 32868 = 0.99693; 32767 * f = 32666.3, -32768 * f = -32667.3, 100 * f = 99.7.
    const auto loud = Run({32767, -32768, 100}, 1, [&](auto& s, auto& d) { return tools.Maximize(s, d, 0); });
    EXPECT_EQ(loud, std::vector<int32_t>({32666, -32667, 99}));
}

TEST_P(ToolsTest, RampFadesBothEnds)
{
    // 10 frames at 1000 Hz: begin 4 ms = 4 frames, end 3 ms = 3 frames.
    const auto out = Run(std::vector<int32_t>(10, 1000), 1,
                         [&](auto& s, auto& d) { return tools.Ramp(s, d, 4, 3, 0); }, 16, 1000);
    EXPECT_EQ(out, std::vector<int32_t>({0, 250, 500, 750, 1000, 1000, 1000, 666, 333, 0}));
    // Longer than the sound: each side gets half.
    const auto half = Run(std::vector<int32_t>(6, -900), 1,
                          [&](auto& s, auto& d) { return tools.Ramp(s, d, 60000, 60000, 0); }, 16, 1000);
    EXPECT_EQ(half, std::vector<int32_t>({0, -300, -600, -600, -300, 0}));
}

TEST_P(ToolsTest, ReverseRangeOfOneChannel)
{
    std::vector<int32_t> v;
    for (int i = 0; i < 9; ++i) { v.push_back(i); v.push_back(100 + i); }
    const auto out = Run(v, 2, [&](auto& s, auto& d) { return tools.Reverse(s, d, 2, 5, 1); });
    std::vector<int32_t> want = v;
    for (int i = 0; i < 5; ++i) want[2 * (2 + i) + 1] = 100 + (6 - i);
    EXPECT_EQ(out, want);
    const auto whole = Run(v, 2, [&](auto& s, auto& d) { return tools.Reverse(s, d, 0, -1, 0); });
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(whole[2 * i], 8 - i);
        EXPECT_EQ(whole[2 * i + 1], 100 + i);
    }
    // A start beyond the end changes nothing.
    EXPECT_EQ(Run(v, 2, [&](auto& s, auto& d) { return tools.Reverse(s, d, 50, -1, 0); }), v);
}

TEST_P(ToolsTest, InsertSilenceGoesAfterTheCursorFrame)
{
    // 5 frames at 1000 Hz, 2 ms of silence = 2 frames.
    const std::vector<int32_t> v = {1, 2, 3, 4, 5};
    auto at = [&](int64_t p) {
        return Run(v, 1, [&](auto& s, auto& d) { return tools.InsertSilence(s, d, p, 2, 0); }, 16, 1000);
    };
    EXPECT_EQ(at(0), std::vector<int32_t>({0, 0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(at(1), std::vector<int32_t>({1, 2, 0, 0, 3, 4, 5}));
    EXPECT_EQ(at(4), std::vector<int32_t>({1, 2, 3, 4, 5, 0, 0}));
    EXPECT_EQ(at(-1), std::vector<int32_t>({1, 2, 3, 4, 5, 0, 0}));
}

TEST_P(ToolsTest, InsertedToneMatchesTheSineFormulaInTheChosenChannel)
{
    ToneParams t{.freqHz = 1000, .amplitude = 0.5, .durationMs = 100};
    const auto out = Run({}, 1, [&](auto& s, auto& d) { return tools.InsertTone(s, d, 0, t, 0); });
    ASSERT_EQ(out.size(), 2205u);
    for (size_t k = 0; k < out.size(); ++k)
        ASSERT_EQ(out[k], static_cast<int32_t>(std::trunc(std::sin(2 * M_PI * 1000 * k / 22050) * 0.5 * 32768))) << k;

    // Full amplitude peaks at 32767 instead of wrapping to -32768.
    t.amplitude = 1.0;
    t.freqHz = 22050 / 4.0;
    const auto full = Run({}, 1, [&](auto& s, auto& d) { return tools.InsertTone(s, d, -1, t, 0); });
    EXPECT_EQ(full[1], 32767);
    EXPECT_EQ(full[3], -32768);

    // Into channel 2 of a stereo sound: channel 1 gets silence.
    t = ToneParams{.freqHz = 100, .amplitude = 0.5, .durationMs = 10};
    const auto st = Run({9, 9}, 2, [&](auto& s, auto& d) { return tools.InsertTone(s, d, -1, t, 1); }, 16, 8000);
    ASSERT_EQ(st.size(), 2u * 81);
    for (size_t k = 1; k < 81; ++k) EXPECT_EQ(st[2 * k], 0);
    EXPECT_NE(st[2 * 5 + 1], 0);
}

TEST_P(ToolsTest, FrequencyModulationSwingsPeakToPeakAroundTheTone)
{
    // Square FM, 1 Hz, range 200 Hz around 1000 Hz at 8000 Hz: frame 0 runs
    // at 900 Hz (the square starts low), then 1100 Hz for half a second.
    ToneParams t{.freqHz = 1000, .amplitude = 0.5, .durationMs = 400, .fmType = kModSquare, .fmRateHz = 1,
                 .fmRangeHz = 200};
    const auto out = Run({}, 1, [&](auto& s, auto& d) { return tools.InsertTone(s, d, 0, t, 0); }, 16, 8000);
    ASSERT_EQ(out.size(), 3200u);
    for (size_t k = 1; k < out.size(); ++k) {
        const double phase = 2 * M_PI * 900 / 8000 + (k - 1) * 2 * M_PI * 1100 / 8000;
        ASSERT_NEAR(out[k], std::sin(phase) * 16384, 2.0) << k;
    }
    // Triangle FM is available: at a quarter period the tone runs at f0 + range/2.
    t.fmType = kModTriangle;
    t.fmRateHz = 10;
    t.durationMs = 30;
    CToneGenerator gen(t, 8000);
    std::vector<int32_t> v(240);
    const SampleDomain dom;
    gen.Generate(v.data(), 240, 0, dom);
    int crossings = 0;
    for (size_t k = 180; k < 220; ++k) crossings += (v[k] < 0) != (v[k + 1] < 0);
    // Around frame 200 the frequency is near 1100 Hz: 40 frames hold 11 half periods.
    EXPECT_NEAR(crossings, 11, 1);
}

TEST_P(ToolsTest, AmplitudeModulationTriangleAndSquare)
{
    ToneParams t{.freqHz = 1000, .amplitude = 0.5, .amType = kModTriangle, .amRateHz = 100, .amRange = 0.4};
    CToneGenerator tri(t, 8000);  // P = 80, q = 20
    EXPECT_DOUBLE_EQ(tri.AmplitudeAt(0), 0.5);
    EXPECT_DOUBLE_EQ(tri.AmplitudeAt(10), 0.5 + 0.2 * 10 / 20);
    EXPECT_DOUBLE_EQ(tri.AmplitudeAt(30), 0.5 + 0.2 * (1 - 10.0 / 20));
    EXPECT_DOUBLE_EQ(tri.AmplitudeAt(50), 0.5 - 0.2 * 10 / 20);
    EXPECT_DOUBLE_EQ(tri.AmplitudeAt(70), 0.5 + 0.2 * (10.0 / 20 - 1));
    t.amType = kModSquare;
    t.amplitude = 0.9;
    CToneGenerator sq(t, 8000);
    EXPECT_DOUBLE_EQ(sq.AmplitudeAt(10), 1.0);  // 1.1 limited to 1
    EXPECT_DOUBLE_EQ(sq.AmplitudeAt(50), 0.7);
    // A modulation too fast for a triangle keeps the plain amplitude.
    t.amType = kModTriangle;
    t.amRateHz = 3000;
    CToneGenerator fast(t, 8000);
    EXPECT_DOUBLE_EQ(fast.AmplitudeAt(1), 0.9);
}

TEST_P(ToolsTest, NoiseIsTheSameOnEveryRunAndBounded)
{
    auto noise = [&](double a) {
        CSoundTools fresh(engine);
        return Run({}, 1, [&](auto& s, auto& d) { return fresh.InsertNoise(s, d, 0, 100, a, 0); });
    };
    const auto a = noise(1.0);
    const auto b = noise(1.0);
    ASSERT_EQ(a.size(), 2205u);
    EXPECT_EQ(a, b);
    int distinct = 0;
    for (size_t i = 1; i < a.size(); ++i) distinct += a[i] != a[i - 1];
    EXPECT_GT(distinct, 2000);
    const auto half = noise(0.5);
    for (int32_t x : half) EXPECT_LE(std::abs(x), 16384);
    for (int32_t x : noise(0.0)) EXPECT_EQ(x, 0);
    // The sequence goes on within one program run.
    const auto c = Run({}, 1, [&](auto& s, auto& d) { return tools.InsertNoise(s, d, 0, 10, 1.0, 0); });
    const auto d = Run({}, 1, [&](auto& s, auto& d2) { return tools.InsertNoise(s, d2, 0, 10, 1.0, 0); });
    EXPECT_NE(c, d);
}

TEST_P(ToolsTest, AmplitudeEnvelopeExactAndCalculated)
{
    const std::string env = dir.File("env.wav");
    ASSERT_TRUE(MakeWav(env, 1000, 1, 16, {32767, -32768, 0, 16383}));
    // Exact: env = |32767 - e| / 65536; frames beyond the envelope unchanged.
    const auto exact = Run({1000, 1000, 1000, 1000, 1000}, 1,
                           [&](auto& s, auto& d) { return tools.AmplitudeEnvelope(s, d, env, 0, 0); }, 16, 1000);
    EXPECT_EQ(exact, std::vector<int32_t>({0, static_cast<int32_t>(1000 * 65535 / 65536.0),
                                           static_cast<int32_t>(1000 * 32767 / 65536.0),
                                           static_cast<int32_t>(1000 * 16384 / 65536.0), 1000}));
    // Calculated over 2 ms windows: (max positive - min negative) / 65536.
    const auto calc = Run({1000, 1000, 1000, 1000}, 1,
                          [&](auto& s, auto& d) { return tools.AmplitudeEnvelope(s, d, env, 2, 0); }, 16, 1000);
    const int32_t w0 = static_cast<int32_t>(1000 * 65535 / 65536.0), w1 = static_cast<int32_t>(1000 * 16383 / 65536.0);
    EXPECT_EQ(calc, std::vector<int32_t>({w0, w0, w1, w1}));
}

} // namespace
} // namespace tavril
