#include "SpectrogramPicture.h"

#include "CReplacingFile.h"
#include "CSoundFile.h"
#include "SpectrogramColumns.h"
#include "SpectrumColumn.h"
#include "WindowDisplaySettings.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>

namespace tavril {

int PaintSpectrogramRange(CSoundFile& sound, const WindowDisplaySettings& settings, int channel, uint32_t firstFrame,
                          double framesPerColumn, int firstColumn, int columnCount, uint32_t* image,
                          std::ptrdiff_t rowStride, int height)
{
    const SpectrogramDisplay display = settings.SpectrogramDisplayFor(sound.GetSampleRate());
    return PaintSpectrogramColumns(sound, display, channel, firstFrame, framesPerColumn, firstColumn, columnCount,
                                   image, rowStride, height);
}

int RenderSpectrogramPicture(CSoundFile& sound, const WindowDisplaySettings& settings, int channel, int width,
                             int height, std::vector<uint32_t>& pixels)
{
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) return -1;
    pixels.assign(size_t(width) * height, kWhite);
    const uint32_t frames = sound.GetFrameCount();
    if (frames == 0) return 0;
    return PaintSpectrogramRange(sound, settings, channel, 0, double(frames) / width, 0, width, pixels.data(), width,
                                 height);
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
