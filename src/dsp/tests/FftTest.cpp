#include "Fft.h"

#include <gtest/gtest.h>

#include <algorithm>
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

std::vector<float> Random(int n, std::mt19937& rng, float peak)
{
    std::uniform_real_distribution<float> dist(-peak, peak);
    std::vector<float> v(n);
    for (float& x : v) x = dist(rng);
    return v;
}

// Forward and inverse (/n) against the DFT, and the round trip; error bound relative to the peak.
void ExpectMatchesDft(const std::vector<float>& re0, const std::vector<float>& im0, double peak)
{
    const int n = static_cast<int>(re0.size());
    const double tol = peak * n * 2e-6;
    std::vector<float> re = re0, im = im0, ire = re0, iim = im0;
    ASSERT_EQ(FFTForward(re.data(), im.data(), n), 1);
    ASSERT_EQ(FFTInverse(ire.data(), iim.data(), n), 1);
    const auto fwd = DirectDft(re0, im0, -1), inv = DirectDft(re0, im0, +1);
    for (int k = 0; k < n; ++k) {
        ASSERT_NEAR(re[k], fwd[k].real(), tol) << "n=" << n << " k=" << k;
        ASSERT_NEAR(im[k], fwd[k].imag(), tol) << "n=" << n << " k=" << k;
        ASSERT_NEAR(ire[k], inv[k].real() / n, tol / n) << "n=" << n << " k=" << k;
        ASSERT_NEAR(iim[k], inv[k].imag() / n, tol / n) << "n=" << n << " k=" << k;
    }
    ASSERT_EQ(FFTInverse(re.data(), im.data(), n), 1);
    for (int i = 0; i < n; ++i) {
        ASSERT_NEAR(re[i], re0[i], peak * 1e-5) << n;
        ASSERT_NEAR(im[i], im0[i], peak * 1e-5) << n;
    }
}

} // namespace

TEST(FftTest, ForwardAndInverseMatchDirectDftForRandomComplexInputAtEverySize)
{
    std::mt19937 rng(7);
    for (int n : kSizes) ExpectMatchesDft(Random(n, rng, 32768.0f), Random(n, rng, 32768.0f), 32768.0);
}

TEST(FftTest, PureToneLandsInItsLineAndItsMirrorOnly)
{
    for (int n : kSizes) {
        const int line = n / 8 + 3;
        std::vector<float> re(n), im(n, 0.0f);
        for (int i = 0; i < n; ++i) re[i] = static_cast<float>(10000.0 * std::cos(2.0 * M_PI * line * i / n));
        ExpectMatchesDft(re, im, 10000.0);
        FFTForward(re.data(), im.data(), n);
        EXPECT_NEAR(std::hypot(re[line], im[line]), 10000.0 * n / 2, n * 0.05);
        EXPECT_NEAR(std::hypot(re[n - line], im[n - line]), 10000.0 * n / 2, n * 0.05);
        EXPECT_LT(std::hypot(re[line + 1], im[line + 1]), n * 0.05);
        EXPECT_LT(std::hypot(re[0], im[0]), n * 0.05);
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
        // Away from the ends, where dividing by a tiny window magnifies rounding.
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

TEST(FftTest, WindowsAreTheTextbookOnesWithRaisedFirstEntries)
{
    const auto cosine = [](double a0, double a1, double a2) {
        return [=](int i, int n) {
            return a0 - a1 * std::cos(2 * M_PI * i / (n - 1)) + a2 * std::cos(4 * M_PI * i / (n - 1));
        };
    };
    const std::pair<int, std::function<double(int, int)>> windows[] = {
        {kWindowHamming, cosine(0.54, 0.46, 0)}, {kWindowBlackman, cosine(0.42, 0.5, 0.08)},
        {kWindowHanning, cosine(0.5, 0.5, 0)}};
    for (int n : kSizes) {
        for (const auto& [type, formula] : windows) {
            const WindowTable* t = BuildWindow(n, type);
            ASSERT_NE(t, nullptr);
            // Blackman and Hanning compute a first entry <= 0: it is raised to
            // 1e-5. Their last entry is a hair above zero (short 2pi) and stays.
            EXPECT_EQ(t->w[0], type == kWindowHamming ? 0.08f : 1e-5f) << type;
            for (int i = 0; i < n; ++i) {
                if (i) {
                    ASSERT_NEAR(t->w[i], formula(i, n), 2e-6) << type << " " << n << " " << i;
                }
                ASSERT_GT(t->w[i], 0.0f);
                ASSERT_LE(t->w[i], 1.0f);
                ASSERT_EQ(t->wInt[i], std::max(1, static_cast<int32_t>(double(t->w[i]) * 32767.0))) << type << i;
            }
            EXPECT_NE(t->w[n - 1], 1e-5f);
        }
    }
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
    // An unknown stored code falls back to Blackman, not past the tables.
    std::vector<float> d(256, 1.0f);
    ApplyWindow(d.data(), 256, 9);
    EXPECT_EQ(d, a);
}

TEST(FftTest, ConcurrentTransformsOfDifferentSizesAgreeWithSerialOnes)
{
    // Windows and recorders transform on their own threads at their own sizes.
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
