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

// Axis numbers: "0"; fractions with up to four decimals and no leading zero
// (".25", "-.5"); whole values without decimals.
std::string FormatAxisNumber(double v);

} // namespace tavril
