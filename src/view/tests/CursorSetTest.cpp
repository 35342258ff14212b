// Cursor arithmetic, keyboard moves and the exact readout texts.
#include "CursorSet.h"

#include <gtest/gtest.h>

using namespace tavril;

namespace {

// A 400 x 201 plot at (10, 5) over one second of 22050 Hz sound, stretched.
PaneGeometry Pane() {
    PaneGeometry g;
    g.left = 10;
    g.top = 5;
    g.right = 409;
    g.bottom = 205;
    g.samples = 22050;
    g.fs = 22050.0;
    g.spp = 22050.0 / 400.0;
    g.lowHz = 0.0;
    g.highHz = 11025.0;
    return g;
}

} // namespace

TEST(CursorSetPixels, DragGivesTimesAndFrequencies) {
    PaneGeometry g = Pane();
    CursorSet c;
    // Dragged from bottom right to top left: the box is normalised.
    c.SetFromPixels({110, 105, 10, 5}, g, true, true);
    EXPECT_EQ(c.box, (PixelBox{10, 5, 110, 105}));
    EXPECT_EQ(c.leftTime, 0u);
    EXPECT_EQ(c.rightTime, 5512u);  // trunc(100 * 55.125)
    EXPECT_DOUBLE_EQ(c.upper, 11025.0);
    EXPECT_DOUBLE_EQ(c.lower, 11025.0 * 100.0 / 200.0);
}

TEST(CursorSetPixels, DragBeyondTheEndClampsToLastSample) {
    PaneGeometry g = Pane();
    CursorSet c;
    c.SetFromPixels({300, 50, 900, 60}, g, true, true);
    EXPECT_EQ(c.rightTime, 22049u);
    c.SetFromPixels({-50, 50, 20, 400}, g, true, true);
    EXPECT_EQ(c.leftTime, 0u);
    EXPECT_EQ(c.lower, 0.0);  // below the plot is negative, kept at 0
}

TEST(CursorSetPixels, ToPixelsAddsOneColumnOnlyInStretchMode) {
    PaneGeometry g = Pane();
    CursorSet c;
    c.SetTimeCursors(5512, 11025);
    c.SetVerticalCursors(11025.0, 0.0);
    PixelBox p = c.ToPixels(g);
    EXPECT_EQ(p.left, 10 + 1 + 99);
    EXPECT_EQ(p.right, 10 + 1 + 200);
    EXPECT_EQ(p.top, 5);
    EXPECT_EQ(p.bottom, 205);
    g.fixedScale = true;
    EXPECT_EQ(c.ToPixels(g).left, 10 + 99);
}

TEST(CursorSetPixels, OnlyTheKindsAskedForChange) {
    PaneGeometry g = Pane();
    CursorSet c;
    c.SetVerticalCursors(3000.0, 1000.0);
    c.SetFromPixels({10, 5, 50, 205}, g, true, false);
    EXPECT_EQ(c.upper, 3000.0);
    EXPECT_EQ(c.lower, 1000.0);
    EXPECT_GT(c.rightTime, 0u);
    c.SetTimeCursors(-5, 7);
    EXPECT_EQ(c.leftTime, 0u);
    EXPECT_EQ(c.rightTime, 7u);
    c.SetVerticalCursors(-1.0, -2.0);
    EXPECT_EQ(c.upper, 0.0);
    EXPECT_EQ(c.lower, 0.0);
}

TEST(CursorSetKeys, HomeEndPageUpPageDown) {
    CursorSet c;
    c.SetTimeCursors(1000, 2000);
    c.SetVerticalCursors(4000.0, 2000.0);
    c.Home();
    EXPECT_EQ(c.leftTime, 0u);
    EXPECT_EQ(c.rightTime, 2000u);
    c.End(22050);
    EXPECT_EQ(c.leftTime, 0u);
    EXPECT_EQ(c.rightTime, 22050u);
    c.TopFrequency(22050.0);
    EXPECT_EQ(c.upper, 11025.0);
    EXPECT_EQ(c.lower, 2000.0);
    c.BottomFrequency();
    EXPECT_EQ(c.lower, 0.0);
    EXPECT_EQ(c.upper, 11025.0);
}

TEST(CursorSetKeys, ShiftArrowsStepTheChosenCursor) {
    PaneGeometry g = Pane();
    g.fixedScale = true;
    g.spp = 100.0;
    CursorSet c;
    c.SetTimeCursors(1000, 5000);
    c.StepTime(+1, g);  // +2 pixels in fixed mode: two columns on
    EXPECT_EQ(c.leftTime, 1200u);
    EXPECT_EQ(c.rightTime, 5000u);
    c.StepTime(-1, g);
    EXPECT_EQ(c.leftTime, 1100u);
    c.stepSecond = true;  // F2
    c.StepTime(-1, g);
    EXPECT_EQ(c.leftTime, 1100u);
    EXPECT_EQ(c.rightTime, 4900u);

    c.stepSecond = false;
    c.SetVerticalCursors(5512.5, 0.0);
    c.StepVertical(+1, g);  // two rows up
    EXPECT_NEAR(c.upper, 5512.5 + 2 * 11025.0 / 200.0, 1e-9);
    EXPECT_EQ(c.lower, 0.0);
}

TEST(CursorSetClamp, BeforeDrawing) {
    CursorSet c;
    c.SetTimeCursors(10, 99999);
    c.SetVerticalCursors(20000.0, 5.0);
    c.Clamp(22050.0, 100);
    EXPECT_EQ(c.rightTime, 99u);
    EXPECT_EQ(c.upper, 11025.0);
}

TEST(CursorReadout, SpectrogramSelection) {
    CursorSet c;
    c.SetTimeCursors(22050, 33075);
    c.SetVerticalCursors(5000.0, 2000.0);
    ReadoutOptions o;
    EXPECT_EQ(c.Readout(o, 22050.0),
              "Freq(KHz): Upper=5.00000  Lower=2.00000  DifF=3.00000"
              "Time(sec): Left=1.0000  Right=1.5000  DifT=0.5000");
    o.freqCursorUnits = 1;
    EXPECT_EQ(c.Readout(o, 22050.0),
              "Freq(Hz): Upper=5000.00  Lower=2000.00  DifF=3000.00"
              "Time(sec): Left=1.0000  Right=1.5000  DifT=0.5000");
}

TEST(CursorReadout, SingleValueForms) {
    CursorSet c;
    c.SetTimeCursors(500, 500);
    c.SetVerticalCursors(1234.5, 1234.5);
    ReadoutOptions o;
    EXPECT_EQ(c.Readout(o, 1000.0), "Freq(KHz): 1.23450Time(sec): 0.5000");
    c.SetTimeCursors(600, 500);  // left after right also reads as one time
    EXPECT_EQ(c.Readout(o, 1000.0), "Freq(KHz): 1.23450Time(sec): 0.6000");
}

TEST(CursorReadout, WaveformAmplitudes) {
    CursorSet c;
    c.SetTimeCursors(0, 0);
    ReadoutOptions o;
    o.waveform = true;
    o.timeShown = false;
    c.SetVerticalCursors(11025.0 * 0.75, 11025.0 * 0.25);  // +0.5 and -0.5 of full scale
    EXPECT_EQ(c.Readout(o, 22050.0), "Amplitude: Upper=0.500  Lower=-0.500  DifA=1.000");
    c.SetVerticalCursors(11025.0, 11025.0);
    EXPECT_EQ(c.Readout(o, 22050.0), "Amplitude: 1.000");
}

TEST(CursorReadout, HoursMinutesSecondsWithOffset) {
    CursorSet c;
    c.SetTimeCursors(5500, 3725500);  // 5.5 s and 3725.5 s at 1 kHz
    ReadoutOptions o;
    o.verticalShown = false;
    o.timeCursorUnits = 1;
    EXPECT_EQ(c.Readout(o, 1000.0), "Time(H:M:S): Left=00:00:5.500  Right=01:02:5.500  DifT=01:02:0.000");
    o.timeOffsetSec = ParseTimeOffset("01:00:00");
    // The offset moves both cursors but not their difference.
    EXPECT_EQ(c.Readout(o, 1000.0), "Time(H:M:S): Left=01:00:5.500  Right=02:02:5.500  DifT=01:02:0.000");
}

TEST(CursorReadout, NothingShownGivesEmptyText) {
    CursorSet c;
    ReadoutOptions o;
    o.timeShown = false;
    o.verticalShown = false;
    EXPECT_EQ(c.Readout(o, 22050.0), "");
}

TEST(CursorReadout, TimeOffsetParsing) {
    EXPECT_DOUBLE_EQ(ParseTimeOffset("01:02:03"), 3723.0);
    EXPECT_DOUBLE_EQ(ParseTimeOffset("2"), 7200.0);
    EXPECT_DOUBLE_EQ(ParseTimeOffset(""), 0.0);
    EXPECT_DOUBLE_EQ(ParseTimeOffset("abc"), 0.0);
}
