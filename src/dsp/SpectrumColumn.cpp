#include "SpectrumColumn.h"

#include "Fft.h"
#include "SimdClones.h"

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

// Windows a real frame and splits it for a transform of half the length:
// even samples into re, odd ones into im. Returns false for an all-zero frame.
TAVRIL_SIMD_CLONES bool SplitWindowed(const int16_t* __restrict samples, int m, const float* __restrict wEven,
                                      const float* __restrict wOdd, float* __restrict re, float* __restrict im)
{
    int any = 0;
    for (int j = 0; j < m; ++j) {
        const int16_t e = samples[2 * j], o = samples[2 * j + 1];
        any |= e | o;
        re[j] = static_cast<float>(e) * wEven[j];
        im[j] = static_cast<float>(o) * wOdd[j];
    }
    return any != 0;
}

// Separates the half-length transform Z of a split frame into lines
// 0 ... m-1 of the full frame's transform (the usual trick for real input),
// in place. cs/sn: cos and sin of 2*pi*k/(2m).
TAVRIL_SIMD_CLONES void SeparateRealSpectrum(float* __restrict re, float* __restrict im, int m,
                                             const float* __restrict cs, const float* __restrict sn)
{
    // Z[m-k] mirrored into the free upper halves so the loop below runs over
    // consecutive memory.
    float* __restrict mirRe = re + m;
    float* __restrict mirIm = im + m;
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

// The level of a line without gain (or with a dividing one) is
// floor(sqrt(re^2 + im^2) / scale) with the square root taken in double
// precision. Single precision gets within a few parts in ten million of it,
// which settles every line not lying right at a level boundary; those get -1
// and are redone in double precision by the caller.
TAVRIL_SIMD_CLONES void QuickLevels(const float* __restrict re, const float* __restrict im, int bins, float invScale,
                                    int32_t* __restrict out)
{
    for (int k = 0; k < bins; ++k) {
        const float a = std::sqrt(re[k] * re[k] + im[k] * im[k]) * invScale;
        const int32_t whole = static_cast<int32_t>(a);
        const float frac = a - static_cast<float>(whole);
        const float tolerance = a * 1.0e-6f;
        const int32_t settled = (frac >= tolerance) & (1.0f - frac > tolerance);  // & keeps it branch-free
        out[k] = settled ? whole : -1;
    }
}

int32_t ExactMagnitude(float re, float im)
{
    const double r = re, i = im;
    return static_cast<int32_t>(std::sqrt(r * r + i * i));
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
    if (n >= 2 * kFftMinSize) {
        // Half the work of a complex transform of the whole frame: the even
        // and odd samples as one complex frame of half the length.
        const WindowTable* w = BuildWindow(n, windowType);
        if (!SplitWindowed(samples, bins, w->wEven.data(), w->wOdd.data(), re, im)) {
            std::fill(levels, levels + bins, 0);
            return 1;
        }
        FFTForward(re, im, bins);
        const TwiddleTable* t = BuildTwiddleTables(n);
        SeparateRealSpectrum(re, im, bins, t->cosF.data(), t->sinF.data());
    } else {
        int any = 0;
        for (int i = 0; i < n; ++i) {
            any |= samples[i];
            re[i] = static_cast<float>(samples[i]);
            im[i] = 0.0f;
        }
        if (any == 0) {
            std::fill(levels, levels + bins, 0);
            return 1;
        }
        ApplyWindow(re, n, windowType);
        FFTForward(re, im, n);
    }

    const int shift = 16 - SignificantBits(levelCount - 1);
    const int64_t top = levelCount - 1;
    const int64_t threshold = std::clamp<int64_t>(whiteThreshold, 0, top);
    // Magnitudes are truncated to integers before the gain: a windowed 16-bit
    // frame of at most 2048 samples stays below 32768 * 2048 = 2^26, so they
    // fit 32 bits; the gain is applied in 64 bits, where the largest gains
    // cannot overflow.
    alignas(64) int32_t raw[kFftMaxSize / 2];
    if (gain > 1) {
        for (int k = 0; k < bins; ++k)
            raw[k] = static_cast<int32_t>(std::min((int64_t(ExactMagnitude(re[k], im[k])) * gain) >> shift, top));
    } else {
        // floor(floor(m / d) / 2^shift) == floor(m / (d * 2^shift)): one scale.
        const int64_t divisor = gain < 0 ? -static_cast<int64_t>(gain) : 1;
        QuickLevels(re, im, bins, static_cast<float>(1.0 / (double(divisor) * double(int64_t(1) << shift))), raw);
        int32_t unsettled = 0;  // sign bit set when any line is
        for (int k = 0; k < bins; ++k) unsettled |= raw[k];
        if (unsettled < 0)
            for (int k = 0; k < bins; ++k)
                if (raw[k] < 0) raw[k] = static_cast<int32_t>((ExactMagnitude(re[k], im[k]) / divisor) >> shift);
    }
    const int32_t t32 = static_cast<int32_t>(threshold), top32 = static_cast<int32_t>(top);
    for (int k = 0; k < bins; ++k) {
        const int32_t m = raw[k];
        levels[bins - 1 - k] = m < t32 ? 0 : std::min(m, top32);
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
