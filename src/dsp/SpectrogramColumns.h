#pragma once
// SpectrogramColumns: the display path over a sound file. Places one analysis
// frame per pixel column (centred on the column's first sample), computes its
// levels and paints it into a caller's 32-bit 0x00RRGGBB buffer. A sound
// window calls it while painting with the pixel range it needs; the
// command-line picture export calls it for the whole width. The every-frame
// variant paints, per column, the strongest level of all the frames in it,
// from a CFrameLevelCache the caller keeps.
//
// No state of its own; the sound file object is used (seeked and read) by the
// call, so one thread at a time per CSoundFile, but any number of threads on
// different files.

#include <cstddef>
#include <cstdint>

#include "CFrameLevelCache.h"

namespace tavril {

class CSoundFile;

// What the display path needs from a window's display settings, already
// resolved for one sound.
struct SpectrogramDisplay {
    int fftSizeCode = 3;  // frame length 64 << code, lines 32 << code
    int windowType = 0;   // FftWindowType
    int gain = 0;         // integer spectral gain (SpectralGainFromSetting)
    int whiteThreshold = 0;
    bool whiteOnBlack = false;
    int lowBin = 0;    // line lowBin closes the range and is not drawn
    int highBin = -1;  // -1 (or out of range): the top line

    int Bins() const;  // 32 << code, with the code clamped to 0..5
    // lowBin/highBin from the frequency limits ("on" flags and Hz values).
    void SetFrequencyRange(double sampleRate, bool lowOn, double lowHz, bool highOn, double highHz);
};

// Paints pixel columns firstColumn ... firstColumn+columnCount-1 of a pane
// that starts at sound frame `firstFrame` with `framesPerColumn` frames per
// pixel column. Column c goes to image[(c - firstColumn)], rows `rowStride`
// pixels apart, `height` rows. Columns whose frame would run past the end of
// the sound are not computed (and not touched): the spectrogram stops at the
// last whole frame. `channel` is capped at the sound's last channel.
// Returns the number of columns painted.
int PaintSpectrogramColumns(CSoundFile& sound, const SpectrogramDisplay& display, int channel, uint32_t firstFrame,
                            double framesPerColumn, int firstColumn, int columnCount, uint32_t* image,
                            std::ptrdiff_t rowStride, int height);

// Every-frame picture. Frames are 2*bins samples long and start every bins
// samples (half a frame apart); frame f is centred on sample (f + 1) * bins
// and falls into pixel column c when c * framesPerColumn <= its centre <
// (c + 1) * framesPerColumn, counting columns from the start of the sound.
// Only when a column holds more than one frame does the picture differ from
// the one-frame-per-column one.
bool EveryFrameApplies(double framesPerColumn, int bins);
// Frames [f0, f1) of column c (f1 not capped at the sound's frame count).
void ColumnFrameRange(double framesPerColumn, int bins, int64_t column, uint64_t& f0, uint64_t& f1);

// Paints columns firstColumn ... firstColumn+columnCount-1 (counted from the
// start of the sound; image layout as PaintSpectrogramColumns), each with the
// strongest level per line of the frames that fall into it, from `cache`
// (configured for the display's bins, window and gain). Columns past the last
// whole frame, or whose frames the cache does not hold yet, are not touched;
// `incomplete` (optional) tells whether there were any of the latter.
// Returns the number of columns painted.
int PaintEveryFrameColumns(const CFrameLevelCache& cache, const ChannelReader& read, const SpectrogramDisplay& display,
                           double framesPerColumn, int firstColumn, int columnCount, uint32_t* image,
                           std::ptrdiff_t rowStride, int height, bool* incomplete = nullptr);

// A reader of one channel of `sound` as 16-bit samples (seeks and reads).
ChannelReader MakeChannelReader(CSoundFile& sound, int channel);

} // namespace tavril
