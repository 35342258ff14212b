#pragma once
// TimeScale: the arithmetic of a sound window's horizontal scale and axes:
// samples per pixel column in stretch and fixed mode, the zoom steps, the
// placement of time ticks and the way axis numbers are written.
//
// Free functions without state; any thread.

#include <string>

namespace tavril {

// Stretch mode: the whole sound (or annotation box) fits `rows` rows of `width` columns.
double StretchSamplesPerPixel(double samples, int width, int rows);
// Fixed mode: `msPerLine` milliseconds per column; `xScale` is 1 on screen.
double FixedSamplesPerPixel(double fs, double msPerLine, double xScale = 1.0);

// One zoom step of "msec per line": exact below 5 ms, whole milliseconds above.
float ZoomInMsPerLine(float ms);
float ZoomOutMsPerLine(float ms);

// Time ticks: the first tick's distance from the left edge in seconds, for a
// tick spacing `tickSec` and the time `t0` at the left edge.
double FirstTimeTickOffset(double tickSec, double t0);

// Where the ticks of an axis go: `count` ticks `spacingPx` apart, the first
// `offsetPx` from the plot's edge. A spacing so small that there would be as
// many ticks as pixels gives none.
struct TickLayout {
    int count = 0;
    double spacingPx = 0.0;
    double offsetPx = 0.0;
};
// Vertical axis of a plot `h` pixels high: kHz per tick over lowHz..highHz on
// a spectrogram, amplitude per tick over -1..+1 on a waveform.
TickLayout VerticalTicks(int h, double tickValue, bool spectrogram, double lowHz, double highHz);
// Time axis of a plot `width` columns wide, `spp` samples per column, whose
// left edge is at `t0` seconds.
TickLayout TimeTicks(int width, double tickSec, double fs, double spp, double t0);

// The smallest step of the 1, 2, 5, 10, 20, 50 ... sequence that spreads
// marks `spacingPx` apart to at least `minPx` apart: where a set tick
// spacing would crowd the labels (or the ticks themselves), every k-th is
// drawn. 1 when the spacing is wide enough or not positive.
long long TickMultiple(double spacingPx, double minPx);

// Axis numbers: "0"; fractions with up to four decimals and no leading zero
// (".25", "-.5"); whole values without decimals.
std::string FormatAxisNumber(double v);

} // namespace tavril
