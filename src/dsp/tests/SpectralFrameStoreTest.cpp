#include "SpectralFrameStore.h"

#include "DspTestUtil.h"
#include "Fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace tavril;

namespace {

std::vector<int16_t> ToneFrame(int bins, int line, double amplitude, int averages = 1)
{
    const int n = 2 * bins;
    std::vector<int16_t> s(size_t(n) * averages);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * line * double(i % n) / n)));
    return s;
}

// A tone centred on a line: Blackman window sum * amplitude / 2.
double ToneMagnitude(int bins, double amplitude)
{
    const WindowTable* w = BuildWindow(2 * bins, kWindowBlackman);
    double sum = 0;
    for (float v : w->w) sum += v;
    return amplitude * sum / 2;
}

} // namespace

TEST(SpectralFrameStoreTest, HzToBinRoundsAndCaps)
{
    SpectralFrameStore st;
    ASSERT_EQ(st.Prepare(4, 256, 22050.0, 10.0f), 1);
    // 1000 Hz is line 23.22 + 0.5; Nyquist, negative and huge go to the top line.
    const std::pair<double, int> rows[] = {{11025, 255}, {-1, 255}, {0, 0}, {1000, 23}, {2000, 46}, {1e9, 255}};
    for (auto [hz, bin] : rows) EXPECT_EQ(st.HzToBin(hz), bin) << hz;
}

TEST(SpectralFrameStoreTest, PrepareRefusesBadSizesAndHugeRequests)
{
    SpectralFrameStore st;
    EXPECT_EQ(st.Prepare(10, 16, 22050.0, 10.0f), 0);
    EXPECT_EQ(st.Prepare(10, 2048, 22050.0, 10.0f), 0);
    EXPECT_EQ(st.Prepare(2000000000, 1024, 22050.0, 10.0f), 0);
    EXPECT_EQ(st.FrameCount(), 0);
    std::vector<int16_t> s(64, 1);
    EXPECT_EQ(st.AddFrame(s.data(), 0, 1), 0);
}

TEST(SpectralFrameStoreTest, ToneFrameBandStatisticsAndSilence)
{
    SpectralFrameStore st;
    ASSERT_EQ(st.Prepare(8, 64, 8000.0, 10.0f), 1);
    const auto tone = ToneFrame(64, 10, 1000.0);
    ASSERT_EQ(st.AddFrame(tone.data(), 0, 1), 1);
    const SpectralFrame* f = st.Frame(0);
    ASSERT_NE(f, nullptr);
    EXPECT_NEAR(f->magnitudes[10], ToneMagnitude(64, 1000.0), ToneMagnitude(64, 1000.0) * 2e-4);
    EXPECT_FLOAT_EQ(f->max, f->magnitudes[10]);
    EXPECT_LT(f->min, 1.0f);
    // Band 0 ... nyquist covers lines 0 ... 62; the mean is over those lines.
    double sum = 0;
    for (int k = 0; k < 63; ++k) sum += f->magnitudes[k];
    EXPECT_NEAR(f->mean, sum / 63, 1e-3);
    EXPECT_DOUBLE_EQ(f->durationMs, 64 * 1000.0 / 4000.0);

    std::vector<int16_t> silence(128, 0);
    st.AddFrame(silence.data(), 10, 1);
    EXPECT_EQ(st.Frame(-1)->max, 0.0f);
    EXPECT_EQ(st.Frame(-1)->mean, 0.0f);
    EXPECT_EQ(st.Frame(-1)->timeMs, 10u);

    // A band that excludes the tone line.
    st.SetBand(2000.0f, 4000.0f);
    st.AddFrame(tone.data(), 20, 1);
    EXPECT_LT(st.Frame(-1)->max, ToneMagnitude(64, 1000.0) / 100);
}

TEST(SpectralFrameStoreTest, AveragesAreTheMeanOfConsecutiveSubFrames)
{
    SpectralFrameStore st;
    ASSERT_EQ(st.Prepare(2, 32, 8000.0, 10.0f), 1);
    auto three = ToneFrame(32, 5, 900.0, 3);
    std::fill(three.begin() + 64, three.end(), int16_t(0));  // sub-frames 2 and 3 silent
    st.AddFrame(three.data(), 0, 3);
    EXPECT_NEAR(st.Frame(0)->magnitudes[5], ToneMagnitude(32, 900.0) / 3, ToneMagnitude(32, 900.0) * 2e-4);
    EXPECT_DOUBLE_EQ(st.Frame(0)->durationMs, 32 * 3 * 1000.0 / 4000.0);
}

TEST(SpectralFrameStoreTest, StoreStatisticsAndPeakMean)
{
    // Frame maxima proportional to 1, 10, 9, 10, 9, 1: the frames right
    // after the two local peaks (9 and 9) stand above the mean of maxima
    // before the last frame (39/5 = 7.8); the last 1 follows a fall.
    const double amps[] = {100, 1000, 900, 1000, 900, 100};
    SpectralFrameStore st;
    ASSERT_EQ(st.Prepare(10, 64, 8000.0, 10.0f), 1);
    for (double a : amps) {
        const auto f = ToneFrame(64, 12, a);
        st.AddFrame(f.data(), 0, 1);
    }
    const double k = ToneMagnitude(64, 1.0);
    const auto& s = st.Statistics();
    EXPECT_NEAR(s.largestMax, 1000 * k, 1000 * k * 5e-4);
    EXPECT_NEAR(s.meanOfMaxima, 4000 * k / 6, 1000 * k * 5e-4);
    EXPECT_NEAR(s.peakMean, 900 * k, 1000 * k * 5e-4);
    double means = 0, smallest = 1e9;
    for (int i = 0; i < 6; ++i) {
        means += st.Frame(i)->mean;
        smallest = std::min<double>(smallest, st.Frame(i)->min);
    }
    EXPECT_NEAR(s.meanOfMeans, means / 6, 1e-3);
    EXPECT_DOUBLE_EQ(s.smallestMin, smallest);

    // Fewer than two qualifying maxima: the fixed value.
    SpectralFrameStore flat;
    flat.Prepare(4, 64, 8000.0, 10.0f);
    for (int i = 0; i < 3; ++i) {
        const auto f = ToneFrame(64, 12, 500.0 + 100 * i);
        flat.AddFrame(f.data(), 0, 1);
    }
    EXPECT_EQ(flat.Statistics().peakMean, 32768.0);
}

TEST(SpectralFrameStoreTest, RingKeepsTheNewestFramesAndTheirStatistics)
{
    SpectralFrameStore st;
    ASSERT_EQ(st.Prepare(3, 32, 8000.0, 10.0f), 1);
    for (int i = 0; i < 5; ++i) {
        const auto f = ToneFrame(32, 4, 100.0 * (i + 1));
        st.AddFrame(f.data(), 10u * i, 1);
    }
    ASSERT_EQ(st.FrameCount(), 3);
    EXPECT_EQ(st.Frame(0)->timeMs, 20u);
    EXPECT_EQ(st.Frame(-1)->timeMs, 40u);
    EXPECT_EQ(st.Frame(3), nullptr);
    EXPECT_EQ(st.Frame(-2), nullptr);
    const double k = ToneMagnitude(32, 1.0);
    EXPECT_NEAR(st.Statistics().largestMax, 500 * k, 500 * k * 2e-4);
    EXPECT_NEAR(st.Statistics().meanOfMaxima, 400 * k, 500 * k * 2e-4);  // (300 + 400 + 500) / 3
}

TEST(SpectralFrameStoreTest, NormalisationPutsThe75thPercentileAtOne)
{
    SpectralFrameStore st;
    ASSERT_EQ(st.Prepare(2, 64, 8000.0, 10.0f), 1);
    st.SetNormalise(true);
    std::vector<int16_t> s(128);
    for (int i = 0; i < 128; ++i) s[i] = static_cast<int16_t>(((i * 7919) % 4001) - 2000);  // broadband
    st.AddFrame(s.data(), 0, 1);
    std::vector<float> m(st.Magnitudes(0), st.Magnitudes(0) + 64);
    std::sort(m.begin(), m.end());
    EXPECT_FLOAT_EQ(m[static_cast<int>(63 * 0.75)], 1.0f);
    // Silence cannot be scaled by 1/0.
    std::vector<int16_t> zero(128, 0);
    st.AddFrame(zero.data(), 10, 1);
    for (int k = 0; k < 64; ++k) ASSERT_EQ(st.Magnitudes(1)[k], 0.0f);
}

TEST(SpectralFrameStoreTest, AnalyseCountsFramesFromTheExactPeriod)
{
    test::TempDir dir;
    std::vector<int16_t> samples(22050);  // one second
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(3000 * std::sin(0.2 * i));
    const std::string path = test::WriteWav(dir.File("one.wav"), 22050.0, 1, samples);

    SpectralFrameStore st;
    ASSERT_EQ(st.Analyse(path, 128, 10.0f, 1, 0, -1, 0), 1);
    EXPECT_EQ(st.FrameCount(), 100);
    EXPECT_EQ(st.SoundFrames(), 22050u);
    EXPECT_EQ(st.FileName(), path);
    EXPECT_EQ(st.Frame(1)->timeMs, 10u);
    EXPECT_EQ(st.Frame(99)->timeMs, 990u);

    // 10.5 ms: trunc(1000 / 10.5) = 95 frames spread over the whole second.
    ASSERT_EQ(st.Analyse(path, 128, 10.5f, 1, 0, -1, 0), 1);
    EXPECT_EQ(st.FrameCount(), 95);
    EXPECT_EQ(st.Frame(94)->timeMs, 987u);

    // Half a millisecond: frames move through the sound, not pile up at its start.
    ASSERT_EQ(st.Analyse(path, 32, 0.5f, 1, 0, 2205, 0), 1);
    EXPECT_EQ(st.FrameCount(), 200);
    EXPECT_NE(st.Frame(0)->magnitudes, st.Frame(3)->magnitudes);

    // A start beyond the end means 0; a count beyond the end what remains.
    ASSERT_EQ(st.Analyse(path, 128, 10.0f, 1, 99999999, 99999999, 0), 1);
    EXPECT_EQ(st.FrameCount(), 100);
    ASSERT_EQ(st.Analyse(path, 128, 10.0f, 1, 11025, -1, 0), 1);
    EXPECT_EQ(st.FrameCount(), 50);
    EXPECT_EQ(st.Frame(0)->timeMs, 500u);
}

TEST(SpectralFrameStoreTest, AnalyseRefusesWhatItCannotDo)
{
    test::TempDir dir;
    const std::string path = test::WriteWav(dir.File("s.wav"), 8000.0, 1, std::vector<int16_t>(4000, 5));
    SpectralFrameStore st;
    EXPECT_EQ(st.Analyse(dir.File("missing.wav"), 128, 10.0f, 1, 0, -1, 0), 0);
    EXPECT_EQ(st.FrameCount(), 0);
    EXPECT_EQ(st.FileName(), dir.File("missing.wav"));
    EXPECT_EQ(st.Analyse(path, 128, 0.0f, 1, 0, -1, 0), 0);
    EXPECT_EQ(st.Analyse(path, 128, -3.0f, 1, 0, -1, 0), 0);
    EXPECT_EQ(st.Analyse(path, 128, 10.0f, 1, 0, -1, 1), 0);  // mono: no channel 1
    EXPECT_EQ(st.Analyse(path, 100, 10.0f, 1, 0, -1, 0), 0);
    // A period so small the store would not fit in memory.
    EXPECT_EQ(st.Analyse(path, 1024, 0.0001f, 1, 0, -1, 0), 0);
    EXPECT_EQ(st.FrameCount(), 0);
    // Shorter than one period: no frames, but a valid (empty) result.
    const std::string tiny = test::WriteWav(dir.File("t.wav"), 8000.0, 1, std::vector<int16_t>(40, 5));
    EXPECT_EQ(st.Analyse(tiny, 32, 10.0f, 1, 0, -1, 0), 1);
    EXPECT_EQ(st.FrameCount(), 0);
}
