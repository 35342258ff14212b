// libsndfile as an independent reference: what Tavril writes, libsndfile
// reads with the same samples, and what libsndfile writes, Tavril reads with
// the same samples and format.

#include "CSoundFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#ifdef TAVRIL_HAVE_SNDFILE
#include <sndfile.h>
#endif

using tavril::CSoundFile;
using tavril::test::TempDir;

#ifdef TAVRIL_HAVE_SNDFILE

namespace {

// Full-scale 32-bit values that every width can hold exactly once cut down:
// the low bits below the file's width are zero.
std::vector<int32_t> Signal(uint32_t frames, uint32_t channels, uint32_t bits)
{
    std::vector<int32_t> v(size_t(frames) * channels);
    const int shift = 32 - static_cast<int>(bits);
    for (size_t i = 0; i < v.size(); ++i) {
        const int64_t raw = static_cast<int64_t>((i * 2654435761u) & 0xffffffffu) - 2147483648LL;
        v[i] = static_cast<int32_t>((raw >> shift) * (int64_t(1) << shift));
    }
    return v;
}

std::vector<int32_t> SndfileReadInt(const std::string& path, SF_INFO& info)
{
    info = {};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    if (!sf) return {};
    std::vector<int32_t> v(size_t(info.frames) * info.channels);
    sf_readf_int(sf, v.data(), info.frames);
    sf_close(sf);
    return v;
}

} // namespace

class TavrilWritesSndfileReads : public ::testing::TestWithParam<std::tuple<uint32_t, uint32_t>> {};

TEST_P(TavrilWritesSndfileReads, SamplesAgree)
{
    const auto [bits, channels] = GetParam();
    TempDir dir;
    const std::string path = dir.File("t.wav");
    const auto signal = Signal(777, channels, bits);
    {
        CSoundFile f;
        ASSERT_EQ(f.Create(path, 32000, channels, bits), 1);
        ASSERT_EQ(f.WriteFrames(signal.data(), 777, 32), 777u);
    }
    SF_INFO info;
    const auto back = SndfileReadInt(path, info);
    ASSERT_EQ(info.frames, 777);
    EXPECT_EQ(info.channels, static_cast<int>(channels));
    EXPECT_EQ(info.samplerate, 32000);
    const int sub = info.format & SF_FORMAT_SUBMASK;
    const int expectedSub = bits == 8 ? SF_FORMAT_PCM_U8 : bits == 16 ? SF_FORMAT_PCM_16 : bits == 24 ? SF_FORMAT_PCM_24 : SF_FORMAT_PCM_32;
    EXPECT_EQ(sub, expectedSub);
    EXPECT_EQ(back, signal);
}

INSTANTIATE_TEST_SUITE_P(WidthsAndChannels, TavrilWritesSndfileReads,
                         ::testing::Combine(::testing::Values(8u, 16u, 24u, 32u), ::testing::Values(1u, 2u, 5u)));

TEST(SndfileWritesTavrilReads, EveryPcmAndFloatLayout)
{
    TempDir dir;
    struct Case {
        int format;
        uint32_t bits;
    };
    const Case cases[] = {
        {SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8},    {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 16},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_24, 24},   {SF_FORMAT_WAV | SF_FORMAT_PCM_32, 32},
        {SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 16}, {SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 24},
        {SF_FORMAT_WAV | SF_FORMAT_FLOAT, 32},    {SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 32},
        {SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 32},
    };
    for (const Case& c : cases) {
        for (int channels : {1, 2, 3}) {
            const std::string path = dir.File("s.wav");
            const auto signal = Signal(500, channels, c.bits == 32 ? 24 : c.bits);  // floats hold 24 bits exactly
            SF_INFO info{};
            info.samplerate = 48000;
            info.channels = channels;
            info.format = c.format;
            SNDFILE* sf = sf_open(path.c_str(), SFM_WRITE, &info);
            ASSERT_NE(sf, nullptr) << sf_strerror(nullptr);
            const int sub = c.format & SF_FORMAT_SUBMASK;
            if (sub == SF_FORMAT_FLOAT || sub == SF_FORMAT_DOUBLE) {
                std::vector<double> d(signal.size());
                for (size_t i = 0; i < d.size(); ++i) d[i] = signal[i] / 2147483648.0;
                sf_writef_double(sf, d.data(), 500);
            } else {
                sf_writef_int(sf, signal.data(), 500);
            }
            sf_close(sf);

            CSoundFile f;
            ASSERT_EQ(f.Open(path), 1) << std::hex << c.format << " ch " << channels;
            EXPECT_EQ(f.GetChannels(), static_cast<uint32_t>(channels));
            EXPECT_EQ(f.GetBitsPerSample(), c.bits);
            EXPECT_EQ(f.GetFrameCount(), 500u);
            EXPECT_DOUBLE_EQ(f.GetSampleRate(), 48000.0);
            std::vector<int32_t> back(signal.size());
            f.ReadFrames(back.data(), 500, 32);
            EXPECT_EQ(back, signal) << std::hex << c.format << " ch " << channels;
        }
    }
}

#else

TEST(SndfileInterop, Skipped)
{
    GTEST_SKIP() << "libsndfile is not installed; the interoperability checks did not run";
}

#endif
