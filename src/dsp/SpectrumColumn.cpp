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

// Lines 0 ... n/2-1 of the windowed frame's transform, by the usual trick
// for real input: the even samples as real part and the odd ones as
// imaginary part of one transform of half the length, then separated. Half
// the work of a complex transform of the whole frame, same result within
// single-precision rounding.
void RealSpectrum(const int16_t* samples, int n, int windowType, float* re, float* im)
{
    const int m = n / 2;
    const float* w = BuildWindow(n, windowType)->w.data();
    for (int j = 0; j < m; ++j) {
        re[j] = static_cast<float>(samples[2 * j]) * w[2 * j];
        im[j] = static_cast<float>(samples[2 * j + 1]) * w[2 * j + 1];
    }
    FFTForward(re, im, m);
    const TwiddleTable* t = BuildTwiddleTables(n);
    const float* cs = t->cosF.data();
    const float* sn = t->sinF.data();
    // Z[m-k] mirrored into the free upper halves so the separation below runs
    // over consecutive memory.
    float* mirRe = re + m;
    float* mirIm = im + m;
    mirRe[0] = re[0];
    mirIm[0] = im[0];
    for (int k = 1; k < m; ++k) {
        mirRe[k] = re[m - k];
        mirIm[k] = im[m - k];
    }
    for (int k = 0; k < m; ++k) {
        const float ar = re[k], ai = im[k], br = mirRe[k], bi = -mirIm[k];
        const float er = 0.5f * (ar + br), ei = 0.5f * (ai + bi);
        const float orr = 0.5f * (ai - bi), oi = -0.5f * (ar - br);
        re[k] = er + (orr * cs[k] + oi * sn[k]);
        im[k] = ei + (oi * cs[k] - orr * sn[k]);
    }
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
        smallest = std::min<int>(smallest, samples[i]);
        largest = std::max<int>(largest, samples[i]);
    }
    if (smallest == 0 && largest == 0) {
        std::fill(levels, levels + bins, 0);
        return 1;
    }
    if (n >= 2 * kFftMinSize) {
        RealSpectrum(samples, n, windowType, re, im);
    } else {
        for (int i = 0; i < n; ++i) {
            re[i] = static_cast<float>(samples[i]);
            im[i] = 0.0f;
        }
        ApplyWindow(re, n, windowType);
        FFTForward(re, im, n);
    }

    const int shift = 16 - SignificantBits(levelCount - 1);
    const int64_t top = levelCount - 1;
    const int64_t threshold = std::clamp<int64_t>(whiteThreshold, 0, top);
    // 64-bit arithmetic: a full-scale tone in a 2048-point frame reaches about
    // 2^25, and a gain in the hundreds would overflow 32 bits.
    // A windowed 16-bit frame of at most 2048 samples has magnitudes below
    // 32768 * 2048 = 2^26, so the truncated magnitude fits 32 bits (and
    // converts in vector registers); the gain is applied in 64 bits.
    alignas(64) int32_t magnitude[kFftMaxSize / 2];
    for (int k = 0; k < bins; ++k) {
        const double r = re[k], i = im[k];
        magnitude[k] = static_cast<int32_t>(std::sqrt(r * r + i * i));
    }
    if (gain > 1) {
        for (int k = 0; k < bins; ++k) {
            const int64_t m = (int64_t(magnitude[k]) * gain) >> shift;
            levels[bins - 1 - k] = static_cast<int32_t>(m < threshold ? 0 : std::min(m, top));
        }
    } else if (gain < 0) {
        const int64_t divisor = -static_cast<int64_t>(gain);
        for (int k = 0; k < bins; ++k) {
            const int64_t m = (magnitude[k] / divisor) >> shift;
            levels[bins - 1 - k] = static_cast<int32_t>(m < threshold ? 0 : std::min(m, top));
        }
    } else {
        const int32_t t32 = static_cast<int32_t>(threshold), top32 = static_cast<int32_t>(top);
        for (int k = 0; k < bins; ++k) {
            const int32_t m = magnitude[k] >> shift;
            levels[bins - 1 - k] = m < t32 ? 0 : std::min(m, top32);
        }
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
