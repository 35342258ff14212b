#include "CSoundDetector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

namespace tavril {
namespace {

constexpr double kRate = 44100.0;

// Quiet noise with 3 kHz tone bursts at the given (start ms, length ms).
std::vector<int16_t> Scene(double totalMs, const std::vector<std::pair<double, double>>& tones)
{
    std::vector<int16_t> s(size_t(totalMs * kRate / 1000.0));
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> noise(-100, 100);
    for (size_t i = 0; i < s.size(); ++i) {
        double v = noise(rng);
        const double ms = i * 1000.0 / kRate;
        for (auto [at, len] : tones)
            if (ms >= at && ms < at + len) v += 8000.0 * std::sin(2 * M_PI * 3000.0 * i / kRate);
        s[i] = int16_t(v);
    }
    return s;
}

// Runs the detector over the sound the way a file worker does (blocks of
// 1024 frames, "now" = end of the block) and returns every result.
std::vector<DetectorResult> Detect(const std::vector<int16_t>& sound, DetectorSettings settings)
{
    CCircularBuffer ring;
    EXPECT_EQ(ring.Allocate(uint32_t(kRate * 22), 1, 2), 1);
    CSoundDetector detector;
    DetectorParams params;
    params.sampleRate = kRate;
    params.fftSizeCode = 2;  // 128 lines, 256 frames = 5.8 ms per line
    params.msPerLine = 0.0f;
    EXPECT_EQ(detector.Start(settings, params), 1);
    std::vector<DetectorResult> found;
    detector.Run(ring, 0);
    for (size_t at = 0; at < sound.size(); at += 1024) {
        const uint32_t n = uint32_t(std::min<size_t>(1024, sound.size() - at));
        ring.Write(sound.data() + at, n);
        if (detector.Run(ring, int64_t((at + n) * 1000.0 / kRate))) {
            found.push_back(detector.Result());
            detector.Reset();
        }
    }
    return found;
}

DetectorSettings Base()
{
    DetectorSettings s;
    s.bufferBeforeMs = 0;
    s.bufferAfterMs = 200;
    s.maxTriggerDropMs = 150;
    s.minTriggerEventMs = 20;
    s.minSoundMs = 50;
    s.freqMinHz = 1000;
    s.freqMaxHz = -1;
    s.triggerThresh = 0.5f;
    return s;
}

// One line (5.8 ms) of slack either side of a span.
constexpr double kSlackMs = 12.0;

TEST(CSoundDetectorTest, ShortEventsAndShortSoundsAreDropped)
{
    DetectorSettings s = Base();
    s.minTriggerEventMs = 50;
    // A 30 ms tone gives no event; a 100 ms one does.
    auto found = Detect(Scene(3000, {{1000, 30}, {2000, 100}}), s);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NEAR(found[0].startMs, 2000, kSlackMs);

    s = Base();
    s.minSoundMs = 100;
    found = Detect(Scene(3000, {{1000, 80}, {2000, 150}}), s);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NEAR(found[0].startMs, 2000, kSlackMs);
    EXPECT_NEAR(found[0].durationMs, 150 + 200, 2 * kSlackMs);
}

TEST(CSoundDetectorTest, CallsJoinAcrossGapsShorterThanTheDropTime)
{
    DetectorSettings s = Base();
    s.maxTriggerDropMs = 500;
    s.bufferAfterMs = 500;
    s.bufferBeforeMs = 100;
    s.minSoundMs = 90;  // 900 ms of background: two calls stay below its quarter
    auto found = Detect(Scene(4000, {{1000, 100}, {1400, 100}}), s);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NEAR(found[0].startMs, 900, kSlackMs);
    EXPECT_NEAR(found[0].durationMs, 500 + 100 + 500, 2 * kSlackMs);

    found = Detect(Scene(4000, {{1000, 100}, {1800, 100}}), s);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_NEAR(found[0].startMs, 900, kSlackMs);
    EXPECT_NEAR(found[1].startMs, 1700, kSlackMs);
    EXPECT_NEAR(found[0].durationMs, 100 + 100 + 500, 2 * kSlackMs);
}

TEST(CSoundDetectorTest, LongSoundIsCutAtTheMaximum)
{
    DetectorSettings s = Base();
    s.maxSoundMs = 2000;
    s.minSoundMs = 3000;  // a 30 s background history, so the tone stays above it
    // 4.5 s of tone after 16 s of quiet (it stays under a quarter of the
    // history): two 2 s pieces; the last half second is shorter than the
    // minimum and is dropped.
    auto found = Detect(Scene(22000, {{16000, 4500}}), s);
    ASSERT_EQ(found.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_NEAR(found[i].startMs, 16000 + 2000 * double(i), (i + 1) * kSlackMs) << i;
        EXPECT_NEAR(found[i].durationMs, 2000 + 200, 2 * kSlackMs) << i;
    }
}

TEST(CSoundDetectorTest, ThresholdOfOneOrMoreIsAPercentage)
{
    DetectorSettings s;
    s.triggerThresh = 25.0f;
    EXPECT_DOUBLE_EQ(s.Threshold(), 0.25);
    s.triggerThresh = 0.25f;
    EXPECT_DOUBLE_EQ(s.Threshold(), 0.25);
}

} // namespace
} // namespace tavril
