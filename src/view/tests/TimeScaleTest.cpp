// Zoom steps, samples per column, tick placement and axis number texts.
#include "TimeScale.h"

#include <gtest/gtest.h>

using namespace tavril;

TEST(TimeScaleZoom, InFromTenMilliseconds) {
    float ms = 10.0f;
    ms = ZoomInMsPerLine(ms);
    EXPECT_FLOAT_EQ(ms, 8.0f);
    ms = ZoomInMsPerLine(ms);
    EXPECT_FLOAT_EQ(ms, 6.0f);
    ms = ZoomInMsPerLine(ms);
    EXPECT_FLOAT_EQ(ms, 4.0f);  // trunc(4.8)
    ms = ZoomInMsPerLine(ms);
    EXPECT_FLOAT_EQ(ms, 3.2f);  // exact below 5
}

TEST(TimeScaleZoom, OutFromFourPointEight) {
    float ms = 4.8f;
    ms = ZoomOutMsPerLine(ms);
    EXPECT_FLOAT_EQ(ms, 6.0f);
    ms = ZoomOutMsPerLine(ms);
    EXPECT_FLOAT_EQ(ms, 7.0f);  // trunc(7.5)
    ms = ZoomOutMsPerLine(ms);
    EXPECT_FLOAT_EQ(ms, 8.0f);  // trunc(8.75)
}

TEST(TimeScaleZoom, NeverReachesZero) {
    EXPECT_FLOAT_EQ(ZoomInMsPerLine(0.0f), 0.01f);
    EXPECT_FLOAT_EQ(ZoomInMsPerLine(-3.0f), 0.01f);
    EXPECT_FLOAT_EQ(ZoomOutMsPerLine(-3.0f), 0.01f);
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
    EXPECT_EQ(FormatAxisNumber(0.0), "0");
    EXPECT_EQ(FormatAxisNumber(0.25), ".25");
    EXPECT_EQ(FormatAxisNumber(-0.5), "-.5");
    EXPECT_EQ(FormatAxisNumber(2.0), "2");
    EXPECT_EQ(FormatAxisNumber(-1.0), "-1");
    EXPECT_EQ(FormatAxisNumber(1.5), "1.5");
    EXPECT_EQ(FormatAxisNumber(12.125), "12.125");
    EXPECT_EQ(FormatAxisNumber(0.00001), "0");  // rounds away at four decimals
}
