// Zoom steps, samples per column, tick placement and axis number texts.
#include "TimeScale.h"

#include <gtest/gtest.h>

using namespace tavril;

TEST(TimeScaleZoom, StepsTruncateAboveFiveAndNeverReachZero) {
    // In: 10 -> 8 -> 6 -> trunc(4.8) -> 3.2 (exact below 5); out: 4.8 -> 6 -> trunc(7.5) -> trunc(8.75).
    const struct { bool in; float from, to; } rows[] = {
        {true, 10, 8},   {true, 8, 6},     {true, 6, 4},     {true, 4, 3.2f},  {false, 4.8f, 6}, {false, 6, 7},
        {false, 7, 8},   {true, 0, 0.01f}, {true, -3, 0.01f}, {false, -3, 0.01f}};
    for (const auto& r : rows)
        EXPECT_FLOAT_EQ(r.in ? ZoomInMsPerLine(r.from) : ZoomOutMsPerLine(r.from), r.to) << r.in << " " << r.from;
    EXPECT_GT(ZoomInMsPerLine(0.01f), 0.0f);
}

TEST(TimeScaleSpp, StretchAndFixed) {
    EXPECT_DOUBLE_EQ(StretchSamplesPerPixel(100, 400, 1), 0.25);
    EXPECT_DOUBLE_EQ(StretchSamplesPerPixel(22050, 100, 2), 110.25);
    EXPECT_EQ(StretchSamplesPerPixel(100, 0, 1), 0.0);
    EXPECT_DOUBLE_EQ(FixedSamplesPerPixel(22050, 10.0), 220.5);
    EXPECT_DOUBLE_EQ(FixedSamplesPerPixel(22050, 10.0, 2.0), 110.25);
}

TEST(TimeScaleTicks, FirstTickAfterLeftEdge) {
    EXPECT_NEAR(FirstTimeTickOffset(1.0, 2.3), 0.7, 1e-12);
    EXPECT_NEAR(FirstTimeTickOffset(0.5, 0.1), 0.4, 1e-12);
    EXPECT_EQ(FirstTimeTickOffset(0.0, 2.3), 0.0);
}

TEST(AxisNumbers, Texts) {
    // No leading zero, no trailing zeros; rounds away at four decimals.
    const std::pair<double, const char*> rows[] = {{0.0, "0"},      {0.25, ".25"}, {-0.5, "-.5"},
                                                   {2.0, "2"},      {-1.0, "-1"},  {1.5, "1.5"},
                                                   {12.125, "12.125"}, {0.00001, "0"}};
    for (auto [v, text] : rows) EXPECT_EQ(FormatAxisNumber(v), text) << v;
}

TEST(TimeScaleTicks, VerticalTickLayout) {
    // 2 kHz per tick over 0..11025 Hz in 201 rows: 36.47 pixels apart, 6 ticks.
    TickLayout t = VerticalTicks(201, 2.0, true, 0.0, 11025.0);
    EXPECT_EQ(t.count, 6);
    EXPECT_NEAR(t.spacingPx, 2.0 * 201 * 1000.0 / 11025.0, 1e-9);
    // Waveform: 0.5 per tick over -1..+1.
    t = VerticalTicks(200, 0.5, false, 0.0, 0.0);
    EXPECT_EQ(t.count, 5);
    EXPECT_DOUBLE_EQ(t.spacingPx, 50.0);
    // A spacing so small that there would be a tick per pixel: none.
    EXPECT_EQ(VerticalTicks(200, 0.001, true, 0.0, 11025.0).count, 0);
    EXPECT_EQ(VerticalTicks(200, 0.0, true, 0.0, 11025.0).count, 0);
    EXPECT_EQ(VerticalTicks(200, 1.0, true, 5000.0, 5000.0).count, 0);
}

TEST(TimeScaleTicks, TimeTickLayout) {
    // 1 s per tick at 100 samples per column of 1000 Hz: 10 columns apart.
    TickLayout t = TimeTicks(95, 1.0, 1000.0, 100.0, 2.3);
    EXPECT_EQ(t.count, 10);
    EXPECT_DOUBLE_EQ(t.spacingPx, 10.0);
    EXPECT_NEAR(t.offsetPx, 7.0, 1e-9);  // the first tick is 3.0 s, 0.7 s from the edge
    EXPECT_EQ(TimeTicks(100, 0.0001, 1000.0, 100.0, 0.0).count, 0);
    EXPECT_EQ(TimeTicks(100, 1.0, 1000.0, 0.0, 0.0).count, 0);
}

TEST(TimeScaleTicks, CrowdedMarksStepThroughOneTwoFive) {
    EXPECT_EQ(TickMultiple(50.0, 40.0), 1);
    EXPECT_EQ(TickMultiple(30.0, 40.0), 2);   // 60 px
    EXPECT_EQ(TickMultiple(10.0, 40.0), 5);   // 50 px
    EXPECT_EQ(TickMultiple(7.0, 40.0), 10);   // 35 px at 5 is too close
    // One second ticks on an hour in 800 columns: 0.222 px apart; 200 s apart
    // is 44 px, 100 s only 22.
    EXPECT_EQ(TickMultiple(800.0 / 3600.0, 40.0), 200);
    EXPECT_EQ(TickMultiple(0.0, 40.0), 1);
}
