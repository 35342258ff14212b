#pragma once
// WaveformColumns: what a waveform pane draws for one channel: a vertical
// line per pixel column from the column's highest to lowest sample, or, when
// zoomed in past one sample per column, a polyline through the samples.
//
// Pure computation over a sample reader, so the drawing can be checked without
// a screen. Any thread; the reader is called from the calling thread.

#include <cstdint>
#include <functional>
#include <vector>

namespace tavril {

struct WaveformSegment {
    int x;
    int yHigh;
    int yLow;
};

struct WaveformPoint {
    int x;
    int y;
};

struct WaveformDrawing {
    bool polyline = false;
    std::vector<WaveformSegment> segments;  // normal case
    std::vector<WaveformPoint> points;      // zoomed-in case
};

// Reads `count` 16-bit samples of the drawn channel starting at frame `first`
// into `out`; returns how many it read.
using SampleReader = std::function<uint32_t(uint32_t first, uint32_t count, int16_t* out)>;

// Plot rectangle left/top and its width/height in pixels; `s0` first sample,
// `spp` samples per column, `samples` length of the sound.
WaveformDrawing ComputeWaveform(const SampleReader& read, uint32_t samples, double s0, double spp, int left,
                                int top, int width, int height);

} // namespace tavril
