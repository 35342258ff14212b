#include "SoundComparison.h"

#include "DspTestUtil.h"
#include "SpectralFrameStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <vector>

using namespace tavril;

namespace {

// Bursts of varying pitch, so delays are recognisable.
int16_t Song(int64_t i, double rate)
{
    if (i < 0) return 0;
    const double t = i / rate;
    const int syllable = static_cast<int>(t / 0.04);
    if (syllable % 3 == 2) return 0;
    return static_cast<int16_t>(9000.0 * std::sin(2 * M_PI * (1500.0 + 400.0 * (syllable % 5)) * t));
}

// Stereo at 22050 Hz: left = song, right = song delayed by `delayFrames`.
std::string MakeStereo(const test::TempDir& dir, uint32_t frames, int64_t delayFrames)
{
    return test::WriteWav(dir.File("pair.wav"), 22050.0, 2, test::Frames(frames, 2, [&](uint32_t i, uint32_t c) {
                              return Song(int64_t(i) - (c ? delayFrames : 0), 22050.0);
                          }));
}

std::string SavedText(const CompareSettings& s, const test::ConfigHome& home)
{
    EXPECT_EQ(s.Save(home.File("compare.set")), 1);
    const auto bytes = test::ReadAll(home.File("compare.set"));
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST(SoundComparisonTest, IdenticalChannelsDifferByNothingAtDelayZero)
{
    test::TempDir dir;
    const std::string path = MakeStereo(dir, 22050, 0);
    CompareRequest r;
    r.bins = 128;
    r.lengthMs = 500;
    r.maxDelayMs = 50;
    r.bandHighHz = 11025;
    std::string error;
    const auto result = CompareChannels(path, r, &error);
    ASSERT_EQ(result.size(), 5u) << error;
    EXPECT_EQ(result[0], 0.0f);
    EXPECT_GT(result[2], 0.0f);
    r.channel2 = 0;  // channel 0 against itself
    EXPECT_EQ(CompareChannels(path, r)[0], 0.0f);
    // "All other channels" with two channels is channel 0.
    r.bins = 64;
    r.maxDelayMs = 20;
    r.channel1 = 1;
    r.channel2 = -1;
    const auto others = CompareChannels(path, r);
    ASSERT_EQ(others.size(), 2u);
    EXPECT_EQ(others[0], 0.0f);
}

TEST(SoundComparisonTest, ADelayedCopyIsClosestAtItsDelay)
{
    test::TempDir dir;
    const std::string path = MakeStereo(dir, 44100, static_cast<int64_t>(0.030 * 22050));  // 30 ms behind
    CompareRequest r;
    r.bins = 128;
    r.averages = 1;
    r.startMs = 100;
    r.lengthMs = 1000;
    r.maxDelayMs = 100;
    r.channel2 = 1;
    r.bandLowHz = 1000;
    r.bandHighHz = 5000;
    const auto result = CompareChannels(path, r);
    ASSERT_EQ(result.size(), 10u);
    EXPECT_EQ(std::min_element(result.begin(), result.end()) - result.begin(), 3);
    EXPECT_LT(result[3], result[0] / 4);
}

TEST(SoundComparisonTest, BadRequestsSayWhyAndNoStepsBelowOnePeriodIsNoError)
{
    test::TempDir dir;
    const std::string path = MakeStereo(dir, 22050, 0);
    CompareRequest r;
    r.lengthMs = 300;
    std::string error = "x";
    for (double maxDelayMs : {0.0, 9.9}) {
        r.maxDelayMs = maxDelayMs;
        EXPECT_TRUE(CompareChannels(path, r, &error).empty());
        EXPECT_TRUE(error.empty());
    }
    r.maxDelayMs = 50;
    EXPECT_TRUE(CompareChannels(dir.File("none.wav"), r, &error).empty());
    EXPECT_FALSE(error.empty());
    r.channel1 = 2;
    EXPECT_TRUE(CompareChannels(path, r, &error).empty());
    EXPECT_NE(error.find("channel 1"), std::string::npos);
    r.channel1 = 0;
    r.periodMs = 0;
    EXPECT_TRUE(CompareChannels(path, r, &error).empty());
    r.periodMs = 10;
    r.bins = 100;
    EXPECT_TRUE(CompareChannels(path, r, &error).empty());
}

TEST(SoundComparisonTest, FrameDifferenceBandSilenceAndEmptyRange)
{
    SpectralFrame a, b;
    a.bins = b.bins = 4;
    a.magnitudes = {0.5f, 1.0f, 0.2f, 0.0f};
    b.magnitudes = {0.5f, 0.5f, 0.6f, 0.05f};
    const float all = (0.5f * 1.0f + 0.4f * 0.6f + 0.05f * 0.05f) / 4;
    // An upper line below the lower one means all lines; out-of-range ends are clamped.
    for (auto [lo, hi] : {std::pair{0, 4}, {3, 1}, {-5, 99}}) EXPECT_NEAR(FrameDifference(a, b, lo, hi, 0.0f), all, 1e-6);
    EXPECT_NEAR(FrameDifference(a, b, 1, 3, 0.0f), (0.5f + 0.24f) / 2, 1e-6);
    // Below the silence level a value counts as 0: line 2's 0.2 becomes 0.
    EXPECT_NEAR(FrameDifference(a, b, 2, 3, 0.3f), 0.6f * 0.6f, 1e-6);
    EXPECT_EQ(FrameDifference(a, b, 2, 2, 0.0f), -1.0f);
}

TEST(SoundComparisonTest, SettingsRoundTripAndMissingKeysKeepValues)
{
    test::ConfigHome home;
    CompareSettings s;
    const std::string plain = SavedText(s, home);
    s.m_fftSizeIndex = 4;
    s.m_differenceThreshold = 0.75f;
    s.m_overlapMs = 12.5f;
    s.m_silenceThreshold = 2.0f;
    s.m_numAverages = 3;
    s.m_compareFile = "/data/other bird.wav";
    s.m_freqRangeMax = 9000;
    s.m_freqRangeMin = 500;
    s.m_channel1 = 1;
    s.m_channel2 = -1;
    s.m_maxCompareDelayMs = 250.0f;
    const std::string mine = SavedText(s, home);
    // Every saved line carries its own field's value.
    std::istringstream m(mine), p(plain);
    std::string x, y;
    std::getline(m, x);
    std::getline(p, y);
    while (std::getline(m, x) && std::getline(p, y)) EXPECT_NE(x, y);
    CompareSettings t;
    t.Load(home.File("compare.set"));
    EXPECT_EQ(SavedText(t, home), mine);
    EXPECT_EQ(t.Bins(), 512);
    CompareSettings u;
    u.m_numAverages = 9;
    u.Load(home.File("empty.set"));
    EXPECT_EQ(u.m_numAverages, 9);
}
