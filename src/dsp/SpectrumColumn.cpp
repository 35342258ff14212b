#include "SpectrumColumn.h"

#include "Fft.h"

#include <algorithm>
#include <cmath>

namespace tavril {

namespace {

int SignificantBits(int v)
{
    int bits = 0;
    while (v > 0) {
        ++bits;
        v >>= 1;
    }
    return bits;
}

} // namespace

int SpectralGainFromSetting(float gain)
{
    if (!(gain == gain)) return 0;  // NaN
    // Far beyond anything useful (the dialog accepts -1000 .. 1000), and small
    // enough that magnitude * gain stays well inside 64 bits.
    constexpr float kLimit = 1.0e6f;
    return static_cast<int>(std::clamp(gain, -kLimit, kLimit));
}

int SpectrumLevels(const int16_t* samples, int bins, int32_t* levels, int levelCount, int gain, int whiteThreshold,
                   int windowType)
{
    const int n = 2 * bins;
    if (!IsFftSize(n)) return 0;
    levelCount = std::clamp(levelCount, 2, 65536);

    alignas(64) float re[kFftMaxSize];
    alignas(64) float im[kFftMaxSize];
    int smallest = 0, largest = 0;
    for (int i = 0; i < n; ++i) {
        const int v = samples[i];
        smallest = std::min(smallest, v);
        largest = std::max(largest, v);
        re[i] = static_cast<float>(v);
        im[i] = 0.0f;
    }
    if (smallest == 0 && largest == 0) {
        std::fill(levels, levels + bins, 0);
        return 1;
    }
    ApplyWindow(re, n, windowType);
    FFTForward(re, im, n);

    const int shift = 16 - SignificantBits(levelCount - 1);
    const int64_t top = levelCount - 1;
    const int64_t threshold = std::clamp<int64_t>(whiteThreshold, 0, top);
    // 64-bit arithmetic: a full-scale tone in a 2048-point frame reaches about
    // 2^25, and a gain in the hundreds would overflow 32 bits.
    for (int k = 0; k < bins; ++k) {
        const double r = re[k], i = im[k];
        int64_t m = static_cast<int64_t>(std::sqrt(r * r + i * i));
        if (gain > 1) m *= gain;
        else if (gain < 0) m /= -static_cast<int64_t>(gain);
        if (shift > 0) m >>= shift;
        levels[bins - 1 - k] = static_cast<int32_t>(m < threshold ? 0 : std::min(m, top));
    }
    return 1;
}

void PaintSpectrumColumn(const int32_t* levels, int bins, int levelCount, bool whiteOnBlack, bool marker, float ampMin,
                         float ampMax, int lowBin, int highBin, int channels, uint32_t* column, std::ptrdiff_t rowStride,
                         int height)
{
    if (height <= 0 || bins < 2) return;
    channels = std::max(channels, 1);
    levelCount = std::max(levelCount, 2);
    if (highBin < 1 || highBin > bins - 1) highBin = bins - 1;
    if (lowBin < 0 || lowBin > highBin) lowBin = 0;
    const int lines = highBin - lowBin + 1;
    const bool strip = ampMin <= ampMax;
    const int spectrumHeight = strip ? static_cast<int>(0.8 * height) : height;
    const float rowsPerLine = static_cast<float>(spectrumHeight) / static_cast<float>(lines * channels);
    const double greyStep = 256.0 / levelCount;

    auto pixel = [&](int row) -> uint32_t& { return column[row * rowStride]; };
    auto greyOf = [&](int32_t level) -> uint32_t {
        level = std::clamp<int32_t>(level, 0, levelCount - 1);
        const int g = whiteOnBlack ? static_cast<int>(level * greyStep) : static_cast<int>(255.0 - level * greyStep);
        return static_cast<uint32_t>(std::clamp(g, 0, 255)) * 0x010101u;
    };

    int row = 0;
    const int first = bins - 1 - highBin;  // element of line highBin
    const int end = bins - 1 - lowBin;     // element of line lowBin: excluded
    for (int ch = 0; ch < channels && row < spectrumHeight; ++ch) {
        const int32_t* col = levels + static_cast<std::ptrdiff_t>(ch) * bins;
        for (int e = first; e < end;) {
            int last = e;
            while (last + 1 < end && col[last + 1] == col[e]) ++last;
            const int position = (last - first) + ch * lines;
            int endRow = static_cast<int>(position * rowsPerLine + 0.5f);
            endRow = std::min(endRow, spectrumHeight - 1);
            const uint32_t g = greyOf(col[e]);
            for (; row <= endRow; ++row) pixel(row) = g;
            e = last + 1;
        }
    }
    if (strip) {
        for (int m = 0; m < 2 && row < height; ++m, ++row) pixel(row) = marker ? kStripRed : kMarkerBlue;
        const int rows = height - row;
        if (rows > 0) {
            const int centre = row + rows / 2;
            const int from = std::max(row, centre - static_cast<int>(rows * ampMax / 2));
            const int to = std::min(height - 1, centre - static_cast<int>(rows * ampMin / 2));
            const uint32_t colour = (ampMax > 0.99f || ampMin < -0.99f) ? kStripRed : kStripGreen;
            for (int y = row; y < height; ++y) pixel(y) = (y >= from && y <= to) ? colour : kWhite;
            row = height;
        }
    }
    for (; row < height; ++row) pixel(row) = kWhite;
}

} // namespace tavril
