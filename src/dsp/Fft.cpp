#include "Fft.h"
#include "SimdClones.h"

#include <array>
#include <cmath>

namespace tavril {

namespace {

constexpr int kSizeCount = 6;  // 64 ... 2048
constexpr int kWindowTypeCount = 3;

int SizeIndex(int n)
{
    for (int i = 0; i < kSizeCount; ++i)
        if (n == (kFftMinSize << i)) return i;
    return -1;
}

TwiddleTable MakeTwiddles(int n)
{
    TwiddleTable t;
    t.size = n;
    while ((1 << t.stages) < n) ++t.stages;
    t.cosD.resize(n);
    t.sinD.resize(n);
    t.cosF.resize(n);
    t.sinF.resize(n);
    const double step = 2.0 * M_PI / n;
    for (int k = 0; k < n; ++k) {
        double c = std::cos(k * step);
        double s = std::sin(k * step);
        // Quarter turns are exact, so the last two stages can be done without
        // multiplications and still agree with the general butterfly.
        if (std::fabs(c) < 1e-12) c = 0.0;
        if (std::fabs(s) < 1e-12) s = 0.0;
        t.cosD[k] = c;
        t.sinD[k] = s;
        t.cosF[k] = static_cast<float>(c);
        t.sinF[k] = static_cast<float>(s);
    }
    for (int le = n; le >= 8; le >>= 1) {
        t.stageOffset.push_back(static_cast<int>(t.stageCos.size()));
        const int stride = n / le;
        for (int j = 0; j < le / 2; ++j) {
            t.stageCos.push_back(t.cosF[j * stride]);
            t.stageSin.push_back(t.sinF[j * stride]);
        }
    }
    // Bit reversal as a list of swaps, in the order the classic loop makes them.
    int j = 0;
    for (int i = 0; i < n - 1; ++i) {
        if (i < j) {
            t.swapPairs.push_back(static_cast<uint16_t>(i));
            t.swapPairs.push_back(static_cast<uint16_t>(j));
        }
        int k = n / 2;
        while (k <= j) {
            j -= k;
            k /= 2;
        }
        j += k;
    }
    return t;
}

float WindowValue(int type, int i, float d)
{
    double w;
    switch (type) {
    case kWindowHamming:
        w = 0.54 - 0.46 * std::cos(6.2831854 * i / d);
        break;
    case kWindowHanning:
        w = 0.5 * (1.0 - std::cos(6.2831854 * (i / d)));
        break;
    default:
        w = 0.42 - 0.5 * std::cos(6.2831854 * i / d) + 0.08 * std::cos(12.5663708 * i / d);
        break;
    }
    float f = static_cast<float>(w);
    // No entry may be zero: RemoveWindow divides by it.
    if (type == kWindowHamming) {
        if (f <= 1e-5f) f = 1e-5f;
    } else if (f <= 0.0f) {
        f = 1e-5f;
    }
    if (f > 1.0f) f = 1.0f;
    return f;
}

WindowTable MakeWindow(int n, int type)
{
    WindowTable t;
    t.size = n;
    t.type = static_cast<FftWindowType>(type);
    t.w.resize(n);
    t.wD.resize(n);
    t.wInt.resize(n);
    const float d = static_cast<float>(n - 1);
    for (int i = 0; i < n; ++i) {
        const float f = WindowValue(type, i, d);
        t.w[i] = f;
        t.wD[i] = f;
        int32_t v = static_cast<int32_t>(static_cast<double>(f) * 32767.0);
        t.wInt[i] = v == 0 ? 1 : v;
        (i % 2 == 0 ? t.wEven : t.wOdd).push_back(f);
    }
    return t;
}

// Built once, by whichever thread asks first (a function-local static is
// initialised exactly once even under contention), and never changed again.
struct Tables {
    std::array<TwiddleTable, kSizeCount> twiddles;
    std::array<std::array<WindowTable, kWindowTypeCount>, kSizeCount> windows;
    Tables()
    {
        for (int s = 0; s < kSizeCount; ++s) {
            twiddles[s] = MakeTwiddles(kFftMinSize << s);
            for (int w = 0; w < kWindowTypeCount; ++w) windows[s][w] = MakeWindow(kFftMinSize << s, w);
        }
    }
};

const Tables& SharedTables()
{
    static const Tables tables;
    return tables;
}

// Multiplies (tr, ti) by the twiddle (c, -s), or by (c, s) for the inverse.
template <bool Inverse>
[[gnu::always_inline]] inline void Rotate(float c, float s, float tr, float ti, float& outR, float& outI)
{
    if constexpr (Inverse) {
        outR = c * tr - s * ti;
        outI = c * ti + s * tr;
    } else {
        outR = c * tr + s * ti;
        outI = c * ti - s * tr;
    }
}

// One stage of span 2*half over one block; r0/i0 is the upper half, r1/i1
// the lower. The inverse turns the other way (the sine's sign flips). Plain
// loops over consecutive memory so the compiler vectorises.
template <bool Inverse>
[[gnu::always_inline]] inline void Butterflies(float* __restrict r0, float* __restrict i0, float* __restrict r1, float* __restrict i1,
                        const float* __restrict c, const float* __restrict s, int half)
{
    for (int j = 0; j < half; ++j) {
        const float tr = r0[j] - r1[j];
        const float ti = i0[j] - i1[j];
        r0[j] = r0[j] + r1[j];
        i0[j] = i0[j] + i1[j];
        Rotate<Inverse>(c[j], s[j], tr, ti, r1[j], i1[j]);
    }
}

[[gnu::always_inline]] inline void BitReverse(float* re, float* im, const TwiddleTable& t)
{
    const uint16_t* p = t.swapPairs.data();
    const size_t count = t.swapPairs.size();
    for (size_t k = 0; k < count; k += 2) {
        const int a = p[k], b = p[k + 1];
        const float xr = re[a], xi = im[a];
        re[a] = re[b];
        im[a] = im[b];
        re[b] = xr;
        im[b] = xi;
    }
}

// Two consecutive stages (spans 4q and 2q) in one pass over memory: the
// butterflies are exactly those of the two stages done one after the other,
// in the same order per element, so the result is bit for bit that of the
// plain radix-2 loop while the data is loaded and stored half as often.
template <bool Inverse>
[[gnu::always_inline]] inline void StagePair(float* __restrict r0, float* __restrict i0, float* __restrict r1,
                                             float* __restrict i1, float* __restrict r2, float* __restrict i2,
                                             float* __restrict r3, float* __restrict i3, const float* __restrict c1,
                                             const float* __restrict s1, const float* __restrict c2,
                                             const float* __restrict s2, int q)
{
    for (int j = 0; j < q; ++j) {
        // span 4q: pairs (0, 2) with twiddle j and (1, 3) with twiddle j+q
        float a0r = r0[j] + r2[j], a0i = i0[j] + i2[j];
        float tr = r0[j] - r2[j], ti = i0[j] - i2[j];
        float a2r, a2i;
        Rotate<Inverse>(c1[j], s1[j], tr, ti, a2r, a2i);
        float a1r = r1[j] + r3[j], a1i = i1[j] + i3[j];
        tr = r1[j] - r3[j];
        ti = i1[j] - i3[j];
        float a3r, a3i;
        Rotate<Inverse>(c1[j + q], s1[j + q], tr, ti, a3r, a3i);
        // span 2q: pairs (0, 1) and (2, 3), both with twiddle j
        r0[j] = a0r + a1r;
        i0[j] = a0i + a1i;
        tr = a0r - a1r;
        ti = a0i - a1i;
        Rotate<Inverse>(c2[j], s2[j], tr, ti, r1[j], i1[j]);
        r2[j] = a2r + a3r;
        i2[j] = a2i + a3i;
        tr = a2r - a3r;
        ti = a2i - a3i;
        Rotate<Inverse>(c2[j], s2[j], tr, ti, r3[j], i3[j]);
    }
}

template <bool Inverse>
[[gnu::always_inline]] inline void TransformBody(float* re, float* im, const TwiddleTable& t)
{
    const int n = t.size;
    int stage = 0;
    int le = n;
    for (; le >= 16; le >>= 2, stage += 2) {
        const int q = le / 4;
        const float* c1 = t.stageCos.data() + t.stageOffset[stage];
        const float* s1 = t.stageSin.data() + t.stageOffset[stage];
        const float* c2 = t.stageCos.data() + t.stageOffset[stage + 1];
        const float* s2 = t.stageSin.data() + t.stageOffset[stage + 1];
        for (int b = 0; b < n; b += le)
            StagePair<Inverse>(re + b, im + b, re + b + q, im + b + q, re + b + 2 * q, im + b + 2 * q,
                               re + b + 3 * q, im + b + 3 * q, c1, s1, c2, s2, q);
    }
    if (le == 8) {
        const float* c = t.stageCos.data() + t.stageOffset[stage];
        const float* s = t.stageSin.data() + t.stageOffset[stage];
        for (int b = 0; b < n; b += 8) Butterflies<Inverse>(re + b, im + b, re + b + 4, im + b + 4, c, s, 4);
    }
    // Spans 4 and 2 together: the twiddles are 1 and -i (forward) or +i
    // (inverse), so the rotation is an exchange and a sign.
    for (int b = 0; b < n; b += 4) {
        float* x = re + b;
        float* y = im + b;
        float tr = x[0] - x[2], ti = y[0] - y[2];
        const float x0 = x[0] + x[2], y0 = y[0] + y[2];
        const float x2 = tr, y2 = ti;
        tr = x[1] - x[3];
        ti = y[1] - y[3];
        const float x1 = x[1] + x[3], y1 = y[1] + y[3];
        const float x3 = Inverse ? -ti : ti;
        const float y3 = Inverse ? tr : -tr;
        x[0] = x0 + x1;
        y[0] = y0 + y1;
        x[1] = x0 - x1;
        y[1] = y0 - y1;
        x[2] = x2 + x3;
        y[2] = y2 + y3;
        x[3] = x2 - x3;
        y[3] = y2 - y3;
    }
    BitReverse(re, im, t);
}

TAVRIL_SIMD_CLONES void TransformForward(float* re, float* im, const TwiddleTable& t)
{
    TransformBody<false>(re, im, t);
}

TAVRIL_SIMD_CLONES void TransformInverse(float* re, float* im, const TwiddleTable& t)
{
    TransformBody<true>(re, im, t);
}

} // namespace

bool IsFftSize(int n)
{
    return SizeIndex(n) >= 0;
}

FftWindowType WindowTypeFromCode(int code)
{
    return code >= 0 && code < kWindowTypeCount ? static_cast<FftWindowType>(code) : kWindowBlackman;
}

const TwiddleTable* BuildTwiddleTables(int n)
{
    const int s = SizeIndex(n);
    return s < 0 ? nullptr : &SharedTables().twiddles[s];
}

const WindowTable* BuildWindow(int n, int type)
{
    const int s = SizeIndex(n);
    return s < 0 ? nullptr : &SharedTables().windows[s][WindowTypeFromCode(type)];
}

int ApplyWindow(float* x, int n, int type)
{
    const WindowTable* t = BuildWindow(n, type);
    if (!t) return 0;
    const float* w = t->w.data();
    for (int i = 0; i < n; ++i) x[i] *= w[i];
    return 1;
}

int RemoveWindow(float* x, int n, int type)
{
    const WindowTable* t = BuildWindow(n, type);
    if (!t) return 0;
    const float* w = t->w.data();
    for (int i = 0; i < n; ++i) x[i] /= w[i];
    return 1;
}

int FFTForward(float* re, float* im, int n)
{
    const TwiddleTable* t = BuildTwiddleTables(n);
    if (!t) return 0;
    TransformForward(re, im, *t);
    return 1;
}

int FFTInverse(float* re, float* im, int n)
{
    const TwiddleTable* t = BuildTwiddleTables(n);
    if (!t) return 0;
    TransformInverse(re, im, *t);
    const float scale = 1.0f / static_cast<float>(n);  // exact: n is a power of two
    for (int i = 0; i < n; ++i) {
        re[i] *= scale;
        im[i] *= scale;
    }
    return 1;
}

int FFTForwardPolar(float* re, float* im, int n)
{
    if (!FFTForward(re, im, n)) return 0;
    for (int i = 0; i < n; ++i) {
        double r = re[i];
        if (r == 0.0) r = 1e-8;
        const double y = im[i];
        re[i] = static_cast<float>(std::sqrt(r * r + y * y));
        im[i] = static_cast<float>(std::atan2(y, r));
    }
    return 1;
}

int FFTInversePolar(float* mag, float* phase, int n)
{
    if (!IsFftSize(n)) return 0;
    for (int i = 0; i < n; ++i) {
        const double m = mag[i], p = phase[i];
        mag[i] = static_cast<float>(m * std::cos(p));
        phase[i] = static_cast<float>(m * std::sin(p));
    }
    return FFTInverse(mag, phase, n);
}

int WindowedFFTPolar(float* re, float* im, int n, int type)
{
    if (!ApplyWindow(re, n, type)) return 0;
    return FFTForwardPolar(re, im, n);
}

} // namespace tavril
