#include "SoundComparison.h"

#include "CSoundFile.h"
#include "SpectralFrameStore.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

using namespace tavril;

namespace {

// Bursts of varying pitch: a signal whose spectrogram changes every few
// tens of milliseconds, so delays are recognisable.
int16_t Song(int64_t i, double rate)
{
    if (i < 0) return 0;
    const double t = i / rate;
    const int syllable = static_cast<int>(t / 0.04);
    if (syllable % 3 == 2) return 0;
    const double f = 1500.0 + 400.0 * (syllable % 5);
    return static_cast<int16_t>(9000.0 * std::sin(2 * M_PI * f * t));
}

// Stereo: left = song, right = song delayed by `delayFrames`.
std::string MakeStereo(const test::TempDir& dir, const std::string& name, uint32_t frames, int64_t delayFrames,
                       double rate = 22050.0)
{
    const std::string path = dir.File(name);
    CSoundFile s;
    EXPECT_EQ(s.Create(path, rate, 2, 16), 1);
    std::vector<int16_t> block(size_t(frames) * 2);
    for (uint32_t i = 0; i < frames; ++i) {
        block[2 * i] = Song(i, rate);
        block[2 * i + 1] = Song(int64_t(i) - delayFrames, rate);
    }
    s.WriteFrames(block.data(), frames, 16);
    s.Close();
    return path;
}

class SettingsDir {
public:
    SettingsDir()
    {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        if (old) m_old = old;
        m_had = old != nullptr;
        setenv("XDG_CONFIG_HOME", m_dir.Path().c_str(), 1);
    }
    ~SettingsDir()
    {
        if (m_had) setenv("XDG_CONFIG_HOME", m_old.c_str(), 1);
        else unsetenv("XDG_CONFIG_HOME");
    }
    const test::TempDir& Dir() const { return m_dir; }

private:
    test::TempDir m_dir;
    std::string m_old;
    bool m_had = false;
};

} // namespace

TEST(SoundComparisonTest, IdenticalChannelsDifferByNothingAtDelayZero)
{
    test::TempDir dir;
    const std::string path = MakeStereo(dir, "same.wav", 22050, 0);
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
    // Channel 0 against itself as well.
    r.channel2 = 0;
    EXPECT_EQ(CompareChannels(path, r)[0], 0.0f);
}

TEST(SoundComparisonTest, ADelayedCopyIsClosestAtItsDelay)
{
    test::TempDir dir;
    // Right channel 30 ms behind the left.
    const std::string path = MakeStereo(dir, "delayed.wav", 44100, static_cast<int64_t>(0.030 * 22050));
    CompareRequest r;
    r.bins = 128;
    r.averages = 1;
    r.startMs = 100;
    r.lengthMs = 1000;
    r.maxDelayMs = 100;
    r.channel1 = 0;
    r.channel2 = 1;
    r.bandLowHz = 1000;
    r.bandHighHz = 5000;
    const auto result = CompareChannels(path, r);
    ASSERT_EQ(result.size(), 10u);
    const auto best = std::min_element(result.begin(), result.end()) - result.begin();
    EXPECT_EQ(best, 3);
    EXPECT_LT(result[3], result[0] / 4);
}

TEST(SoundComparisonTest, NoDelayStepsForAMaximumBelowOnePeriod)
{
    test::TempDir dir;
    const std::string path = MakeStereo(dir, "a.wav", 22050, 0);
    CompareRequest r;
    r.lengthMs = 300;
    r.maxDelayMs = 0;
    std::string error = "x";
    EXPECT_TRUE(CompareChannels(path, r, &error).empty());
    EXPECT_TRUE(error.empty());
    r.maxDelayMs = 9.9;
    EXPECT_TRUE(CompareChannels(path, r).empty());
}

TEST(SoundComparisonTest, BadRequestsSayWhy)
{
    test::TempDir dir;
    const std::string path = MakeStereo(dir, "a.wav", 22050, 0);
    CompareRequest r;
    r.lengthMs = 300;
    r.maxDelayMs = 50;
    std::string error;
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

TEST(SoundComparisonTest, AllOtherChannelsIsTheMeanOfTheRest)
{
    test::TempDir dir;
    const std::string path = MakeStereo(dir, "same.wav", 22050, 0);
    CompareRequest r;
    r.bins = 64;
    r.lengthMs = 400;
    r.maxDelayMs = 20;
    r.channel1 = 1;
    r.channel2 = -1;  // with two channels: channel 0
    r.bandHighHz = 11025;
    const auto result = CompareChannels(path, r);
    ASSERT_EQ(result.size(), 2u);
    EXPECT_EQ(result[0], 0.0f);
}

TEST(SoundComparisonTest, FrameDifferenceBandSilenceAndEmptyRange)
{
    SpectralFrame a, b;
    a.bins = b.bins = 4;
    a.magnitudes = {0.5f, 1.0f, 0.2f, 0.0f};
    b.magnitudes = {0.5f, 0.5f, 0.6f, 0.05f};
    // All lines: (0 + 0.5*1 + 0.4*0.6 + 0.05*0.05) / 4
    const float all = (0.5f * 1.0f + 0.4f * 0.6f + 0.05f * 0.05f) / 4;
    EXPECT_NEAR(FrameDifference(a, b, 0, 4, 0.0f), all, 1e-6);
    // An upper line below the lower one means all lines.
    EXPECT_NEAR(FrameDifference(a, b, 3, 1, 0.0f), all, 1e-6);
    // Out-of-range ends are clamped.
    EXPECT_NEAR(FrameDifference(a, b, -5, 99, 0.0f), all, 1e-6);
    // Lines 1..2 only.
    EXPECT_NEAR(FrameDifference(a, b, 1, 3, 0.0f), (0.5f + 0.24f) / 2, 1e-6);
    // Below the silence level a value counts as 0: line 2's 0.2 becomes 0.
    EXPECT_NEAR(FrameDifference(a, b, 2, 3, 0.3f), 0.6f * 0.6f, 1e-6);
    EXPECT_EQ(FrameDifference(a, b, 2, 2, 0.0f), -1.0f);
}

TEST(SoundComparisonTest, SettingsRoundTripAndMissingKeysKeepValues)
{
    SettingsDir env;
    CompareSettings s;
    EXPECT_EQ(s.Bins(), 32);
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
    const std::string file = env.Dir().File("compare.set");
    ASSERT_EQ(s.Save(file), 1);
    CompareSettings t;
    t.Load(file);
    EXPECT_EQ(t.m_fftSizeIndex, 4);
    EXPECT_EQ(t.Bins(), 512);
    EXPECT_FLOAT_EQ(t.m_differenceThreshold, 0.75f);
    EXPECT_FLOAT_EQ(t.m_overlapMs, 12.5f);
    EXPECT_FLOAT_EQ(t.m_silenceThreshold, 2.0f);
    EXPECT_EQ(t.m_numAverages, 3);
    EXPECT_EQ(t.m_compareFile, "/data/other bird.wav");
    EXPECT_EQ(t.m_freqRangeMax, 9000);
    EXPECT_EQ(t.m_freqRangeMin, 500);
    EXPECT_EQ(t.m_channel1, 1);
    EXPECT_EQ(t.m_channel2, -1);
    EXPECT_FLOAT_EQ(t.m_maxCompareDelayMs, 250.0f);
    CompareSettings u;
    u.m_numAverages = 9;
    u.Load(env.Dir().File("empty.set"));
    EXPECT_EQ(u.m_numAverages, 9);
}
