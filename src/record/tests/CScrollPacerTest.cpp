#include "CScrollPacer.h"

#include <gtest/gtest.h>

namespace tavril {
namespace {

// 22050 Hz with 256 lines: a column reads 512 frames, 23.2 ms, so nothing
// is drawn until 23 ms have passed even at 20 ms per line.
TEST(CScrollPacerTest, LinesDueStepsAndSpeedFactor)
{
    CScrollPacer pacer;
    pacer.Reset(0);
    CScrollPacer::Plan p = pacer.Begin(10, 256, 22050, 20.0);
    EXPECT_DOUBLE_EQ(p.linesDue, 0.5);
    EXPECT_FALSE(p.draw);
    EXPECT_EQ(pacer.End(p, false, 10), 2);

    p = pacer.Begin(100, 256, 22050, 20.0);  // 90 ms since the first tick
    EXPECT_DOUBLE_EQ(p.linesDue, 4.5);
    ASSERT_TRUE(p.draw);
    EXPECT_EQ(p.lines, 5);
    EXPECT_EQ(p.steps, 5);
    EXPECT_EQ(pacer.End(p, true, 109), 2);
    EXPECT_DOUBLE_EQ(pacer.CostPerLineMs(), 2.0);  // 9 ms over 4.5 lines
    EXPECT_EQ(pacer.LinesDrawn(), 5);

    // 6.5 lines due at 120 ms, 5 drawn: 0.5 is not enough to draw.
    p = pacer.Begin(120, 256, 22050, 20.0);
    EXPECT_FALSE(p.draw);
    // At 410 ms: 20 lines due minus 5 drawn = 15 columns; at 2 ms a line
    // 15 x 20 / 2 = 150 steps would fit, so all 15.
    p = pacer.Begin(410, 256, 22050, 20.0);
    ASSERT_TRUE(p.draw);
    EXPECT_EQ(p.lines, 15);
    EXPECT_EQ(p.steps, 15);
    // Too little sound: factor 0.99, the next tick waits trunc(10 / 0.991) ms.
    EXPECT_EQ(pacer.End(p, false, 1010), 10);
    EXPECT_DOUBLE_EQ(pacer.SpeedFactor(), 0.99);
    EXPECT_EQ(pacer.LinesDrawn(), 5);
    // That tick cost 600 ms / 15 lines = 40 ms a line, twice the line time:
    // 51 lines due get trunc(51 x 20 / 40) = 25 steps, x 0.99 rounds to 25.
    p = pacer.Begin(1130, 256, 22050, 20.0);
    ASSERT_TRUE(p.draw);
    EXPECT_EQ(p.lines, 51);
    EXPECT_EQ(p.steps, 25);
    pacer.End(p, true, 1131);
    EXPECT_NEAR(pacer.SpeedFactor(), 1.0, 1e-9);
}

} // namespace
} // namespace tavril
