#pragma once
// CursorSet: the two time cursors and the two frequency/amplitude cursors of
// one sound window, their conversion to and from the pixels of a pane, the
// keyboard moves, and the readout text shown in the status bar.
//
// Time cursors are sample frames; vertical cursors are always kept in Hz on
// the scale 0..fs/2, also on a waveform (where the amplitude shown is
// 2*v/(fs/2) - 1). Drawing is the window's business; this class only keeps
// values and does the arithmetic. Owned by the sound window and shared by its
// panes; used from the UI thread only.

#include <cstdint>
#include <string>

namespace tavril {

struct PixelBox {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const PixelBox&) const = default;
};

// What a pane shows: its plot rectangle and the mapping to samples and Hz.
struct PaneGeometry {
    int left = 0, top = 0, right = 0, bottom = 0;  // plot rectangle, inclusive
    double s0 = 0.0;          // first sample shown in the pane
    double spp = 1.0;         // samples per pixel column
    uint32_t samples = 0;     // length of the sound in frames
    double fs = 22050.0;      // sample rate
    double lowHz = 0.0;       // displayed frequency range
    double highHz = 11025.0;
    bool fixedScale = false;  // fixed ms per column (scrolling) rather than stretched
};

// How the readout is written.
struct ReadoutOptions {
    bool timeShown = true;       // time cursors on
    bool verticalShown = true;   // freq/amp cursors on
    int timeCursorUnits = 0;     // 0 seconds, 1 H:M:S
    int freqCursorUnits = 0;     // 0 kHz, 1 Hz
    bool waveform = false;       // vertical values are amplitudes
    double timeOffsetSec = 0.0;  // added to times in H:M:S units
};

class CursorSet {
public:
    uint32_t leftTime = 0;
    uint32_t rightTime = 0;
    double upper = 0.0;
    double lower = 0.0;
    PixelBox box;
    bool shown = false;
    bool boxShown = false;
    bool movingTimeOnly = false;
    bool movingVerticalOnly = false;
    // F2: false moves the left/upper cursors with Shift+arrows, true the right/lower ones.
    bool stepSecond = false;

    // Negative values become 0.
    void SetTimeCursors(int64_t left, int64_t right);
    void SetVerticalCursors(double upperHz, double lowerHz);

    // Sets the cursors from a pixel rectangle of the pane (normalised first).
    // `timeOn`/`verticalOn` say which kinds are recomputed.
    void SetFromPixels(PixelBox b, const PaneGeometry& g, bool timeOn, bool verticalOn);
    PixelBox ToPixels(const PaneGeometry& g) const;
    // The sample and the vertical value one pixel column or row stands for,
    // as SetFromPixels converts them.
    static uint32_t TimeAtPixel(int x, const PaneGeometry& g);
    static double ValueAtPixel(int y, const PaneGeometry& g);

    // Clamp before drawing: vertical to 0..fs/2, time to 0..samples-1.
    void Clamp(double fs, uint32_t samples);

    // Keyboard moves.
    void Home() { leftTime = 0; }
    void End(uint32_t samples) { rightTime = samples; }
    void TopFrequency(double fs) { upper = fs / 2.0; }
    void BottomFrequency() { lower = 0.0; }
    // One pixel column earlier (-1) or later (+1) for the cursor chosen by F2.
    void StepTime(int direction, const PaneGeometry& g);
    // One pixel row up (+1) or down (-1) for the cursor chosen by F2.
    void StepVertical(int direction, const PaneGeometry& g);

    std::string Readout(const ReadoutOptions& o, double fs) const;
};

// Readout pieces, exposed for the window title line and tests.
std::string FormatReadoutTime(double seconds, int units);
// "HH:MM:SS" (or fewer fields) as seconds; empty or unreadable text gives 0.
double ParseTimeOffset(const std::string& text);

} // namespace tavril
