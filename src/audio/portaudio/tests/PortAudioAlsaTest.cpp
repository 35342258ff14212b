// PortAudio over ALSA file devices: what the player sends lands in a raw file
// byte for byte, and a capture device reading a raw file delivers its samples.
// The configuration replaces the system's one (ALSA_CONFIG_PATH) before
// PortAudio starts; one device is meant to fail to open, because PortAudio
// refuses a configuration in which every device opens.

#include "CAudioInputDeviceList.h"
#include "CPortAudioInputBackend.h"
#include "CPortAudioPlayer.h"
#include "CSteadyClock.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace tavril {
namespace {

class PortAudioAlsa : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::ofstream(m_dir.File("asound.conf"))
            << "pcm.!default { type plug slave.pcm \"out\" }\n"
            << "pcm.out { type file slave.pcm \"null\" file \"" << m_dir.File("played.raw") << "\" format \"raw\" }\n"
            << "pcm.null { type null }\n"
            << "pcm.capture { type file slave.pcm \"null\" infile \"" << m_dir.File("input.raw")
            << "\" file \"/dev/null\" format \"raw\" }\n"
            << "pcm.broken { type hw card 99 }\n"
            << "ctl.!default { type hw card 99 }\n";
        setenv("ALSA_CONFIG_PATH", m_dir.File("asound.conf").c_str(), 1);
        setenv("JACK_NO_START_SERVER", "1", 1);
        unsetenv("PULSE_SERVER");
    }

    // PortAudio starts after the configuration is in place.
    bool StartPortAudio()
    {
        m_system = std::make_unique<CPortAudioSystem>();
        return m_system->IsReady();
    }

    test::TempDir m_dir;
    std::unique_ptr<CPortAudioSystem> m_system;
};

TEST_F(PortAudioAlsa, PlayedSoundReachesTheDeviceUnchanged)
{
    // 0.3 s of 16-bit stereo at 22050 Hz, every sample distinct.
    std::vector<int16_t> s(2 * 6615);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<int16_t>((i * 7919) % 65536 - 32768);
    const std::string wav = m_dir.File("tone.wav");
    test::WriteAll(wav, test::RiffBuilder().Chunk("fmt ", test::RiffBuilder::Fmt(1, 2, 22050, 16))
                            .Chunk("data", test::Int16Bytes(s)).Bytes());
    if (!StartPortAudio())
        GTEST_SKIP() << "PortAudio does not start here: " << m_system->InitError();
    CPortAudioPlayer player(*m_system);
    if (!player.IsFormatSupported(PcmFormat::Make(22050, 2, 16)))
        GTEST_SKIP() << "the ALSA file device is not usable through PortAudio here";
    ASSERT_EQ(player.PlaySync({wav}), 1) << player.ErrorText();
    EXPECT_FALSE(player.IsPlaying());
    player.Stop();  // closes the stream, so the file device has written everything

    const std::vector<unsigned char> played = test::ReadAll(m_dir.File("played.raw"));
    const std::vector<unsigned char> expected = test::Int16Bytes(s);
    // The sound system pads with whole frames of silence before and after;
    // between them lies the sound, complete and unchanged.
    size_t lead = 0;
    while (lead < played.size() && played[lead] == 0)
        ++lead;
    lead -= lead % 4;
    ASSERT_GE(played.size(), lead + expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), played.begin() + static_cast<std::ptrdiff_t>(lead)));
    for (size_t i = lead + expected.size(); i < played.size(); ++i)
        ASSERT_EQ(played[i], 0) << i;
}

TEST_F(PortAudioAlsa, CaptureDeliversTheRawFile)
{
    std::vector<int16_t> s(8000);  // 1 s at 8000 Hz mono
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<int16_t>(i * 3 - 12000);
    test::WriteAll(m_dir.File("input.raw"), test::Int16Bytes(s));
    if (!StartPortAudio())
        GTEST_SKIP() << "PortAudio does not start here: " << m_system->InitError();

    CSteadyClock clock;
    CPortAudioInputBackend backend(*m_system);
    CAudioInputDeviceList list(backend, clock);
    list.Fill();
    const int at = list.FindByName("capture");
    if (at < 0)
        GTEST_SKIP() << "PortAudio lists no ALSA device named capture here";

    struct Keep : IAudioInputListener {
        std::vector<int16_t> got;  // reserved: the capture thread must not allocate
        std::atomic<size_t> count{0};
        void OnInputBuffer(uint32_t frames, void* data, CAudioInputDevice&) override
        {
            const auto* p = static_cast<const int16_t*>(data);
            const size_t n = std::min<size_t>(frames, got.size() - count.load());
            std::copy(p, p + n, got.begin() + static_cast<std::ptrdiff_t>(count.load()));
            count.fetch_add(n);
        }
    } keep;
    keep.got.resize(s.size());
    std::vector<std::string> errors;
    list.SetErrorReporter([&](const std::string& m) { errors.push_back(m); });
    PcmFormat f = PcmFormat::Make(8000, 1, 16);
    ASSERT_EQ(list.DeviceAt(at)->Attach(&keep, f, "test"), 1) << (errors.empty() ? "" : errors.front());
    // The file device is not paced in real time; allow generously for a busy machine.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (keep.count.load() < s.size() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    list.DeviceAt(at)->Detach(&keep);
    ASSERT_EQ(keep.count.load(), s.size());
    EXPECT_EQ(keep.got, s);
    EXPECT_TRUE(errors.empty());
}

} // namespace
} // namespace tavril
