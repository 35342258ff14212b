// Waveform drawing: column lines, the zoomed-in polyline, clipping of full scale.
#include "WaveformColumns.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tavril;

namespace {

SampleReader Reader(const std::vector<int16_t>& s, int* calls = nullptr) {
    return [&s, calls](uint32_t first, uint32_t count, int16_t* out) -> uint32_t {
        if (calls)
            ++*calls;
        uint32_t n = 0;
        for (; n < count && first + n < s.size(); ++n)
            out[n] = s[first + n];
        return n;
    };
}

} // namespace

TEST(WaveformColumns, HundredSamplesInFourHundredColumnsIsAPolyline) {
    std::vector<int16_t> s(100);
    for (int i = 0; i < 100; ++i)
        s[i] = static_cast<int16_t>((i % 2) ? 16384 : -16384);
    WaveformDrawing d = ComputeWaveform(Reader(s), 100, 0.0, 100.0 / 400.0, 0, 0, 400, 101);
    ASSERT_TRUE(d.polyline);
    ASSERT_EQ(d.points.size(), 100u);
    EXPECT_EQ(d.points[0].x, 0);
    EXPECT_EQ(d.points[1].x, 4);
    EXPECT_EQ(d.points[99].x, 396);
    // k = 65535/101; 16384/k = 25.25 -> 25 pixels above and below the middle row 50.
    EXPECT_EQ(d.points[0].y, 50 + 25);
    EXPECT_EQ(d.points[1].y, 50 - 25);
}

TEST(WaveformColumns, ColumnsSpanHighToLow) {
    std::vector<int16_t> s(1000, 0);
    s[10] = 32767;
    s[15] = -32768;  // drawn as -32767
    WaveformDrawing d = ComputeWaveform(Reader(s), 1000, 0.0, 10.0, 5, 0, 100, 100);
    ASSERT_FALSE(d.polyline);
    ASSERT_EQ(d.segments.size(), 100u);
    EXPECT_EQ(d.segments[1].x, 6);
    EXPECT_EQ(d.segments[1].yHigh, 1);   // 50 - trunc(32767 / 655.35) = 50 - 49
    EXPECT_EQ(d.segments[1].yLow, 99);   // -32768 is taken as -32767: 50 + 49
    EXPECT_EQ(d.segments[0].yHigh, 50);   // silence is a one-pixel line in the middle
    EXPECT_EQ(d.segments[0].yLow, 50);
}

TEST(WaveformColumns, StopsAtTheEndOfTheSound) {
    std::vector<int16_t> s(105, 100);
    // Fixed scale scrolled to sample 50: columns run out before the width does.
    WaveformDrawing d = ComputeWaveform(Reader(s), 105, 50.0, 10.0, 0, 0, 100, 100);
    EXPECT_EQ(d.segments.size(), 5u);  // 50..99 fit; 100..109 would pass the end
}

TEST(WaveformColumns, ReadsAreCappedPerColumn) {
    std::vector<int16_t> s(200000, 1);
    int calls = 0;
    WaveformDrawing d = ComputeWaveform(Reader(s, &calls), 200000, 0.0, 100000.0, 0, 0, 2, 100);
    EXPECT_EQ(d.segments.size(), 2u);
    EXPECT_EQ(calls, 2);
}

TEST(WaveformColumns, NothingForEmptyOrBadScale) {
    std::vector<int16_t> s(10, 0);
    EXPECT_TRUE(ComputeWaveform(Reader(s), 0, 0.0, 1.0, 0, 0, 10, 10).segments.empty());
    EXPECT_TRUE(ComputeWaveform(Reader(s), 10, 0.0, 0.0, 0, 0, 10, 10).segments.empty());
    EXPECT_TRUE(ComputeWaveform(Reader(s), 10, 0.0, -2.0, 0, 0, 10, 10).points.empty());
}
