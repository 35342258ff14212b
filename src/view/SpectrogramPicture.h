#pragma once
// SpectrogramPicture: the spectrogram of a whole sound as a window shows it at
// stretch scale (one analysis frame per pixel column, or the strongest of
// every frame in the column; 64 grey levels), drawn into a 32-bit 0x00RRGGBB
// buffer, and PNG output of such a buffer.
//
// Stateless functions; the caller owns the sound object (one thread at a
// time per object) and the pixels.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavril {

class CSoundFile;
class CFrameLevelCache;
class CWorkerPool;
class WindowDisplaySettings;

// What a sound window calls while painting a spectrogram pane: pixel columns
// firstColumn ... firstColumn+columnCount-1 of a pane starting at sound frame
// `firstFrame` with `framesPerColumn` frames per column, painted with the
// window's settings into `image` (column firstColumn at image[0], rows
// `rowStride` pixels apart, `height` rows; a QImage::Format_RGB32 buffer
// fits). Columns beyond the last whole frame are left as they were. Returns
// the number of columns painted.
//
// With "show every frame" on, a cache, a pane starting at the sound's first
// frame and more than one frame per column, each column shows the strongest
// of its frames: the frames the columns need are computed into the cache
// first (on `pool` when given) and kept there for the next paint.
int PaintSpectrogramRange(CSoundFile& sound, const WindowDisplaySettings& settings, int channel, uint32_t firstFrame,
                          double framesPerColumn, int firstColumn, int columnCount, uint32_t* image,
                          std::ptrdiff_t rowStride, int height, CFrameLevelCache* cache = nullptr,
                          CWorkerPool* pool = nullptr);

// True when the settings call for the every-frame picture at this scale.
bool UsesEveryFrame(const WindowDisplaySettings& settings, double framesPerColumn);
// Sets the cache up for this sound and these settings (transform, window,
// gain); returns the range of frames [f0, f1) that columns firstColumn ...
// firstColumn+columnCount-1 need.
void PrepareEveryFrame(CFrameLevelCache& cache, const WindowDisplaySettings& settings, uint32_t soundFrames,
                       double framesPerColumn, int firstColumn, int columnCount, uint32_t& f0, uint32_t& f1);

// Resizes `pixels` to width * height, fills it white, and paints the whole
// sound stretched over the width (frames / width samples per column) with the
// window settings' transform size, window, gain, threshold, grey mapping and
// frequency limits, every frame or one per column as the settings say.
// `channel` is capped at the last channel. `threads` spreads the every-frame
// transforms (0: every core). Returns the number of columns painted (0 for
// an empty sound or one shorter than a frame), or -1 for a size out of range.
int RenderSpectrogramPicture(CSoundFile& sound, const WindowDisplaySettings& settings, int channel, int width,
                             int height, std::vector<uint32_t>& pixels, int threads = 0);

// Largest picture side accepted, in pixels.
constexpr int kMaxPictureSide = 32768;

// Writes 0x00RRGGBB pixels (row after row, top first) as an 8-bit RGB PNG,
// replacing `path` only when the whole file was written. Returns 1, or 0 with
// `error` set.
int WritePng(const std::string& path, const uint32_t* pixels, int width, int height, std::string* error = nullptr);

} // namespace tavril
