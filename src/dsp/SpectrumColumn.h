#pragma once
// SpectrumColumn: one spectrogram column for display. SpectrumLevels turns a
// frame of 16-bit samples into grey levels (0 = nothing, levelCount-1 =
// saturated); PaintSpectrumColumn draws a level column as one column of
// pixels in a 32-bit 0x00RRGGBB image (what a QImage::Format_RGB32 holds).
//
// Stateless functions; work arrays live on the caller's stack, so any thread
// may paint at any time. The caller owns every buffer passed in.

#include <cstddef>
#include <cstdint>

namespace tavril {

constexpr int kDisplayLevels = 64;

// Spectral gain from the stored float setting: truncated toward zero and
// bounded, so absurd values from a hand-edited settings file cannot overflow.
int SpectralGainFromSetting(float gain);

// `samples` holds 2*bins values; `levels` receives `bins` entries, highest
// frequency first (levels[0] is line bins-1). bins must be 32 ... 1024 (a
// transform of 64 ... 2048). gain: >1 multiplies, <0 divides by -gain,
// 0 and 1 leave the magnitude alone. whiteThreshold is clamped to
// 0..levelCount-1; levels below it become 0. Returns 1, or 0 for a bad size.
int SpectrumLevels(const int16_t* samples, int bins, int32_t* levels, int levelCount, int gain, int whiteThreshold,
                   int windowType);

// Greys and colours of a painted column.
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kStripRed = 0xFF0000;
constexpr uint32_t kStripGreen = 0x00FF00;
constexpr uint32_t kMarkerBlue = 0x0000FF;

// Paints one pixel column of `height` rows, top row first, at `column`;
// rows are `rowStride` pixels apart. `levels` holds `channels` level columns
// of `bins` entries one after another. Lines lowBin+1 ... highBin are drawn
// (line lowBin closes the range and is not itself painted). The amplitude
// strip (bottom fifth, used by the live recorder) is drawn when
// ampMin <= ampMax; a sound window passes (1, -1) to switch it off.
void PaintSpectrumColumn(const int32_t* levels, int bins, int levelCount, bool whiteOnBlack, bool marker, float ampMin,
                         float ampMax, int lowBin, int highBin, int channels, uint32_t* column, std::ptrdiff_t rowStride,
                         int height);

} // namespace tavril
