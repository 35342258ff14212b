#include "Fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <random>
#include <thread>
#include <vector>

using namespace tavril;

namespace {

const int kSizes[] = {64, 128, 256, 512, 1024, 2048};

std::vector<std::complex<double>> DirectDft(const std::vector<float>& re, const std::vector<float>& im, int sign)
{
    const int n = static_cast<int>(re.size());
    std::vector<std::complex<double>> out(n);
    for (int k = 0; k < n; ++k) {
        std::complex<double> sum = 0.0;
        for (int t = 0; t < n; ++t) {
            // Reduce the index product first so the angle stays exact.
            const double angle = sign * 2.0 * M_PI * static_cast<double>((int64_t(t) * k) % n) / n;
            sum += std::complex<double>(re[t], im[t]) * std::polar(1.0, angle);
        }
        out[k] = sum;
    }
    return out;
}

void ExpectMatchesDft(const std::vector<float>& re0, const std::vector<float>& im0, double peak)
{
    const int n = static_cast<int>(re0.size());
    std::vector<float> re = re0, im = im0;
    ASSERT_EQ(FFTForward(re.data(), im.data(), n), 1);
    const auto ref = DirectDft(re0, im0, -1);
    // Single-precision radix-2 error grows like log2(n); bound it relative to
    // the largest possible magnitude.
    const double tol = peak * n * 2e-6;
    for (int k = 0; k < n; ++k) {
        ASSERT_NEAR(re[k], ref[k].real(), tol) << "n=" << n << " k=" << k;
        ASSERT_NEAR(im[k], ref[k].imag(), tol) << "n=" << n << " k=" << k;
    }
}

} // namespace

TEST(FftTest, ForwardMatchesDirectDftForRandomComplexInputAtEverySize)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> dist(-32768.0f, 32767.0f);
    for (int n : kSizes) {
        std::vector<float> re(n), im(n);
        for (int i = 0; i < n; ++i) {
            re[i] = dist(rng);
            im[i] = dist(rng);
        }
        ExpectMatchesDft(re, im, 32768.0);
    }
}

TEST(FftTest, PureToneLandsInItsLineAndItsMirrorOnly)
{
    for (int n : kSizes) {
        const int line = n / 8 + 3;
        std::vector<float> re(n), im(n, 0.0f);
        for (int i = 0; i < n; ++i) re[i] = static_cast<float>(10000.0 * std::cos(2.0 * M_PI * line * i / n));
        ExpectMatchesDft(re, im, 10000.0);
        std::vector<float> r = re, m = im;
        FFTForward(r.data(), m.data(), n);
        EXPECT_NEAR(std::hypot(r[line], m[line]), 10000.0 * n / 2, n * 0.05);
        EXPECT_NEAR(std::hypot(r[n - line], m[n - line]), 10000.0 * n / 2, n * 0.05);
        EXPECT_LT(std::hypot(r[line + 1], m[line + 1]), n * 0.05);
        EXPECT_LT(std::hypot(r[0], m[0]), n * 0.05);
    }
}

TEST(FftTest, InverseUndoesForwardWithinSinglePrecision)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    for (int n : kSizes) {
        std::vector<float> re(n), im(n);
        for (int i = 0; i < n; ++i) {
            re[i] = dist(rng);
            im[i] = dist(rng);
        }
        std::vector<float> r = re, m = im;
        ASSERT_EQ(FFTForward(r.data(), m.data(), n), 1);
        ASSERT_EQ(FFTInverse(r.data(), m.data(), n), 1);
        for (int i = 0; i < n; ++i) {
            ASSERT_NEAR(r[i], re[i], 1e-5) << n;
            ASSERT_NEAR(m[i], im[i], 1e-5) << n;
        }
    }
}

TEST(FftTest, InverseMatchesDirectDftWithPositiveExponentDividedByN)
{
    const int n = 256;
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> dist(-100.0f, 100.0f);
    std::vector<float> re(n), im(n);
    for (int i = 0; i < n; ++i) {
        re[i] = dist(rng);
        im[i] = dist(rng);
    }
    const auto ref = DirectDft(re, im, +1);
    FFTInverse(re.data(), im.data(), n);
    for (int k = 0; k < n; ++k) {
        EXPECT_NEAR(re[k], ref[k].real() / n, 1e-3);
        EXPECT_NEAR(im[k], ref[k].imag() / n, 1e-3);
    }
}

TEST(FftTest, PolarRoundTripThroughWindowRestoresTheSignal)
{
    // The filters' path: window, transform, polar, back, unwindow.
    for (int type = 0; type < 3; ++type) {
        const int n = 512;
        std::vector<float> x(n), re(n), im(n, 0.0f);
        for (int i = 0; i < n; ++i) x[i] = static_cast<float>(1000.0 * std::sin(0.05 * i) + 300.0 * std::cos(0.31 * i));
        re = x;
        ASSERT_EQ(WindowedFFTPolar(re.data(), im.data(), n, type), 1);
        ASSERT_EQ(FFTInversePolar(re.data(), im.data(), n), 1);
        ASSERT_EQ(RemoveWindow(re.data(), n, type), 1);
        // Away from the ends, where the window is tiny and division magnifies
        // rounding, the signal comes back.
        for (int i = n / 8; i < n - n / 8; ++i) EXPECT_NEAR(re[i], x[i], 0.05) << "type " << type << " i " << i;
    }
}

TEST(FftTest, PolarOfSilenceIsTinyMagnitudeAndZeroPhase)
{
    const int n = 128;
    std::vector<float> re(n, 0.0f), im(n, 0.0f);
    ASSERT_EQ(FFTForwardPolar(re.data(), im.data(), n), 1);
    for (int i = 0; i < n; ++i) {
        EXPECT_FLOAT_EQ(re[i], 1e-8f);
        EXPECT_EQ(im[i], 0.0f);
    }
}

TEST(FftTest, UnsupportedSizesAreRefusedAndLeaveDataAlone)
{
    std::vector<float> re(4096, 1.0f), im(4096, 0.0f);
    for (int n : {0, 32, 100, 4096, -64}) {
        EXPECT_EQ(FFTForward(re.data(), im.data(), n), 0) << n;
        EXPECT_EQ(FFTInverse(re.data(), im.data(), n), 0) << n;
        EXPECT_EQ(ApplyWindow(re.data(), n, 0), 0) << n;
        EXPECT_EQ(BuildWindow(n, 0), nullptr);
    }
    for (float v : re) ASSERT_EQ(v, 1.0f);
}

TEST(FftTest, HammingIsTheTextbookWindow)
{
    for (int n : kSizes) {
        const WindowTable* t = BuildWindow(n, kWindowHamming);
        ASSERT_NE(t, nullptr);
        for (int i = 0; i < n; ++i)
            ASSERT_NEAR(t->w[i], 0.54 - 0.46 * std::cos(2.0 * M_PI * i / (n - 1)), 2e-6) << n << " " << i;
        EXPECT_NEAR(t->w[0], 0.08, 1e-6);
        EXPECT_NEAR(t->w[n - 1], 0.08, 1e-6);
        // Symmetric, peak 1.0 in the middle for odd spans.
        for (int i = 0; i < n / 2; ++i) ASSERT_NEAR(t->w[i], t->w[n - 1 - i], 1e-6);
    }
    const WindowTable* t = BuildWindow(64, kWindowHamming);
    EXPECT_EQ(t->wInt[0], static_cast<int32_t>(double(t->w[0]) * 32767.0));
}

TEST(FftTest, BlackmanAndHanningEndsAreRaisedButNeverZero)
{
    for (int n : kSizes) {
        const WindowTable* b = BuildWindow(n, kWindowBlackman);
        const WindowTable* h = BuildWindow(n, kWindowHanning);
        // The computed first entries are <= 0 and must be raised.
        EXPECT_EQ(b->w[0], 1e-5f);
        EXPECT_EQ(h->w[0], 1e-5f);
        EXPECT_EQ(b->wInt[0], 1);  // trunc(1e-5 * 32767) = 0 becomes 1
        for (int i = 0; i < n; ++i) {
            ASSERT_GT(b->w[i], 0.0f);
            ASSERT_GT(h->w[i], 0.0f);
            ASSERT_LE(b->w[i], 1.0f);
            ASSERT_LE(h->w[i], 1.0f);
            ASSERT_GE(b->wInt[i], 1);
        }
        // Interior values follow the formulas.
        const int m = n / 3;
        EXPECT_NEAR(b->w[m], 0.42 - 0.5 * std::cos(2 * M_PI * m / (n - 1)) + 0.08 * std::cos(4 * M_PI * m / (n - 1)),
                    1e-6);
        EXPECT_NEAR(h->w[m], 0.5 * (1 - std::cos(2 * M_PI * m / (n - 1))), 1e-6);
    }
    // The last Blackman/Hanning entries come out a hair above zero (short 2pi)
    // and stay: they are not equal to the clamped first entry.
    EXPECT_NE(BuildWindow(512, kWindowBlackman)->w[511], 1e-5f);
    EXPECT_NE(BuildWindow(512, kWindowHanning)->w[511], 1e-5f);
}

TEST(FftTest, WindowTypeAndSizeChangesTakeEffectImmediately)
{
    std::vector<float> a(256, 1.0f), b(256, 1.0f), c(2048, 1.0f);
    ApplyWindow(a.data(), 256, kWindowBlackman);
    ApplyWindow(b.data(), 256, kWindowHanning);
    ApplyWindow(c.data(), 2048, kWindowHanning);
    EXPECT_NE(a[50], b[50]);
    EXPECT_FLOAT_EQ(b[50], BuildWindow(256, kWindowHanning)->w[50]);
    EXPECT_FLOAT_EQ(c[50], BuildWindow(2048, kWindowHanning)->w[50]);
    // An unknown stored code falls back to Blackman rather than reading past
    // the tables.
    std::vector<float> d(256, 1.0f);
    ApplyWindow(d.data(), 256, 9);
    EXPECT_EQ(d, a);
}

TEST(FftTest, ConcurrentTransformsOfDifferentSizesAgreeWithSerialOnes)
{
    // Sound windows and recorders transform on different threads with
    // different sizes; none may disturb another.
    auto work = [](int n, std::vector<float>& out) {
        std::vector<float> re(n), im(n);
        for (int rep = 0; rep < 200; ++rep) {
            for (int i = 0; i < n; ++i) {
                re[i] = static_cast<float>(std::sin(0.1 * i * (1 + n / 64)));
                im[i] = 0.0f;
            }
            ApplyWindow(re.data(), n, rep % 3);
            FFTForward(re.data(), im.data(), n);
        }
        out = re;
    };
    std::vector<float> serial64, serial2048, par64, par2048;
    work(64, serial64);
    work(2048, serial2048);
    std::thread t1(work, 64, std::ref(par64));
    std::thread t2(work, 2048, std::ref(par2048));
    t1.join();
    t2.join();
    EXPECT_EQ(par64, serial64);
    EXPECT_EQ(par2048, serial2048);
}
