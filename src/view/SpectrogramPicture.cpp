#include "SpectrogramPicture.h"

#include "CFrameLevelCache.h"
#include "CReplacingFile.h"
#include "CWorkerPool.h"
#include "CSoundFile.h"
#include "SpectrogramColumns.h"
#include "SpectrumColumn.h"
#include "WindowDisplaySettings.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>

namespace tavril {

bool UsesEveryFrame(const WindowDisplaySettings& settings, double framesPerColumn)
{
    return settings.m_showEveryFrame && EveryFrameApplies(framesPerColumn, 32 << std::clamp(settings.m_fftSizeCode, 0, 5));
}

void PrepareEveryFrame(CFrameLevelCache& cache, const WindowDisplaySettings& settings, uint32_t soundFrames,
                       double framesPerColumn, int firstColumn, int columnCount, uint32_t& f0, uint32_t& f1)
{
    const SpectrogramDisplay d = settings.SpectrogramDisplayFor(0.0);
    cache.Configure({d.Bins(), d.windowType, d.gain}, soundFrames);
    uint64_t a = 0, b = 0, c = 0, e = 0;
    ColumnFrameRange(framesPerColumn, d.Bins(), std::max(firstColumn, 0), a, b);
    ColumnFrameRange(framesPerColumn, d.Bins(), int64_t(std::max(firstColumn, 0)) + std::max(columnCount, 0), c, e);
    f0 = static_cast<uint32_t>(std::min<uint64_t>(a, cache.FrameCount()));
    f1 = static_cast<uint32_t>(std::min<uint64_t>(c, cache.FrameCount()));
}

int PaintSpectrogramRange(CSoundFile& sound, const WindowDisplaySettings& settings, int channel, uint32_t firstFrame,
                          double framesPerColumn, int firstColumn, int columnCount, uint32_t* image,
                          std::ptrdiff_t rowStride, int height, CFrameLevelCache* cache, CWorkerPool* pool)
{
    const SpectrogramDisplay display = settings.SpectrogramDisplayFor(sound.GetSampleRate());
    if (cache && firstFrame == 0 && UsesEveryFrame(settings, framesPerColumn)) {
        uint32_t f0 = 0, f1 = 0;
        PrepareEveryFrame(*cache, settings, sound.GetFrameCount(), framesPerColumn, firstColumn, columnCount, f0, f1);
        const ChannelReader read = MakeChannelReader(sound, channel);
        cache->Fill(read, pool, f0, f1);
        return PaintEveryFrameColumns(*cache, read, display, framesPerColumn, firstColumn, columnCount, image,
                                      rowStride, height);
    }
    return PaintSpectrogramColumns(sound, display, channel, firstFrame, framesPerColumn, firstColumn, columnCount,
                                   image, rowStride, height);
}

int RenderSpectrogramPicture(CSoundFile& sound, const WindowDisplaySettings& settings, int channel, int width,
                             int height, std::vector<uint32_t>& pixels, int threads)
{
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) return -1;
    pixels.assign(size_t(width) * height, kWhite);
    const uint32_t frames = sound.GetFrameCount();
    if (frames == 0) return 0;
    const double spp = double(frames) / width;
    if (!UsesEveryFrame(settings, spp))
        return PaintSpectrogramRange(sound, settings, channel, 0, spp, 0, width, pixels.data(), width, height);
    CFrameLevelCache cache(CFrameLevelCache::kDefaultBudgetBytes, false);  // one picture: no edits to follow
    CWorkerPool pool(threads);
    return PaintSpectrogramRange(sound, settings, channel, 0, spp, 0, width, pixels.data(), width, height, &cache,
                                 &pool);
}

namespace {

struct PngWriteState {
    CReplacingFile* out = nullptr;
    std::string message;
};

void PngWrite(png_structp png, png_bytep data, png_size_t size)
{
    auto* st = static_cast<PngWriteState*>(png_get_io_ptr(png));
    st->out->Write(reinterpret_cast<const char*>(data), size);
}

void PngFlush(png_structp) {}

void PngError(png_structp png, png_const_charp message)
{
    auto* st = static_cast<PngWriteState*>(png_get_error_ptr(png));
    st->message = message ? message : "libpng error";
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// Kept apart from WritePng so that no object with a destructor lives in the
// frame that setjmp returns to.
bool EncodePng(PngWriteState& st, const uint32_t* pixels, int width, int height, std::vector<png_byte>& row)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &st, PngError, PngWarning);
    if (!png) {
        st.message = "out of memory";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        st.message = "out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &st, PngWrite, PngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Fast deflate: the default level took a fifth of the time of a one-hour
    // every-frame picture, for files less than a tenth smaller.
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    png_byte* r = row.data();
    for (int y = 0; y < height; ++y) {
        const uint32_t* src = pixels + size_t(y) * width;
        for (int x = 0; x < width; ++x) {
            r[3 * x] = static_cast<png_byte>(src[x] >> 16);
            r[3 * x + 1] = static_cast<png_byte>(src[x] >> 8);
            r[3 * x + 2] = static_cast<png_byte>(src[x]);
        }
        png_write_row(png, r);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

int WritePng(const std::string& path, const uint32_t* pixels, int width, int height, std::string* error)
{
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide || !pixels) {
        if (error) *error = "picture size out of range";
        return 0;
    }
    CReplacingFile out(path);
    if (!out.Ok()) {
        if (error) *error = "cannot create " + path + ": " + out.Error();
        return 0;
    }
    PngWriteState st;
    st.out = &out;
    std::vector<png_byte> row(size_t(width) * 3);
    if (!EncodePng(st, pixels, width, height, row)) {
        if (error) *error = "cannot encode " + path + ": " + st.message;
        return 0;
    }
    if (!out.Commit()) {
        if (error) *error = "cannot write " + path + ": " + out.Error();
        return 0;
    }
    return 1;
}

} // namespace tavril
