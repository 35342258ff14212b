// Cursor arithmetic, keyboard moves and the exact readout texts.
#include "CursorSet.h"

#include <gtest/gtest.h>

using namespace tavril;

namespace {

// A 400 x 201 plot at (10, 5) over one second of 22050 Hz sound, stretched.
PaneGeometry Pane() {
    return {.left = 10, .top = 5, .right = 409, .bottom = 205, .spp = 22050.0 / 400.0, .samples = 22050};
}

// A cursor set whose time cursors are [l, r] and vertical cursors [u, lo].
CursorSet Cursors(int64_t l, int64_t r, double u, double lo)
{
    CursorSet c;
    c.SetTimeCursors(l, r);
    c.SetVerticalCursors(u, lo);
    return c;
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
    // Beyond the end: the last sample; below the plot is negative, kept at 0.
    c.SetFromPixels({300, 50, 900, 60}, g, true, true);
    EXPECT_EQ(c.rightTime, 22049u);
    c.SetFromPixels({-50, 50, 20, 400}, g, true, true);
    EXPECT_EQ(c.leftTime, 0u);
    EXPECT_EQ(c.lower, 0.0);
}

TEST(CursorSetPixels, ToPixelsAddsOneColumnOnlyInStretchMode) {
    PaneGeometry g = Pane();
    CursorSet c = Cursors(5512, 11025, 11025.0, 0.0);
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

TEST(CursorSetKeys, HomeEndPageUpPageDownAndClamp) {
    CursorSet c = Cursors(1000, 2000, 4000.0, 2000.0);
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
    // Before drawing, cursors are clamped to the sound.
    c = Cursors(10, 99999, 20000.0, 5.0);
    c.Clamp(22050.0, 100);
    EXPECT_EQ(c.rightTime, 99u);
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

TEST(CursorReadout, ExactTexts) {
    ReadoutOptions plain, hz, wave, hms, hmsOffset, none;
    hz.freqCursorUnits = 1;
    wave.waveform = true;
    wave.timeShown = false;
    hms.verticalShown = false;
    hms.timeCursorUnits = 1;
    hmsOffset = hms;
    hmsOffset.timeOffsetSec = ParseTimeOffset("01:00:00");  // moves both cursors, not their difference
    none.timeShown = none.verticalShown = false;
    const struct { CursorSet c; ReadoutOptions o; double fs; const char* text; } rows[] = {
        {Cursors(22050, 33075, 5000, 2000), plain, 22050,
         "Freq(KHz): Upper=5.00000  Lower=2.00000  DifF=3.00000Time(sec): Left=1.0000  Right=1.5000  DifT=0.5000"},
        {Cursors(22050, 33075, 5000, 2000), hz, 22050,
         "Freq(Hz): Upper=5000.00  Lower=2000.00  DifF=3000.00Time(sec): Left=1.0000  Right=1.5000  DifT=0.5000"},
        {Cursors(500, 500, 1234.5, 1234.5), plain, 1000, "Freq(KHz): 1.23450Time(sec): 0.5000"},
        // Left after right also reads as one time.
        {Cursors(600, 500, 1234.5, 1234.5), plain, 1000, "Freq(KHz): 1.23450Time(sec): 0.6000"},
        // +0.5 and -0.5 of full scale.
        {Cursors(0, 0, 11025.0 * 0.75, 11025.0 * 0.25), wave, 22050, "Amplitude: Upper=0.500  Lower=-0.500  DifA=1.000"},
        {Cursors(0, 0, 11025.0, 11025.0), wave, 22050, "Amplitude: 1.000"},
        {Cursors(5500, 3725500, 0, 0), hms, 1000,
         "Time(H:M:S): Left=00:00:5.500  Right=01:02:5.500  DifT=01:02:0.000"},
        {Cursors(5500, 3725500, 0, 0), hmsOffset, 1000,
         "Time(H:M:S): Left=01:00:5.500  Right=02:02:5.500  DifT=01:02:0.000"},
        {CursorSet(), none, 22050, ""}};
    for (const auto& r : rows) EXPECT_EQ(r.c.Readout(r.o, r.fs), r.text);
}

TEST(CursorReadout, TimeOffsetParsing) {
    const std::pair<const char*, double> rows[] = {{"01:02:03", 3723.0}, {"2", 7200.0}, {"", 0.0}, {"abc", 0.0}};
    for (auto [text, sec] : rows) EXPECT_DOUBLE_EQ(ParseTimeOffset(text), sec) << text;
}
