// tavril-cli devices and play through PortAudio over ALSA file devices (the
// played sound lands in a raw file, which each playback rewrites). Skips
// where PortAudio cannot use them.

#include "CliTestUtil.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using tavril::test::RunCli;
using tavril::test::TempDir;

namespace {

class CliPlay : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::ofstream(m_dir.File("asound.conf"))
            << "pcm.!default { type plug slave.pcm \"out\" }\n"
            << "pcm.out { type file slave.pcm \"null\" file \"" << Played() << "\" format \"raw\" }\n"
            << "pcm.null { type null }\n"
            << "pcm.capture { type file slave.pcm \"null\" infile \"/dev/zero\" file \"/dev/null\" format \"raw\" }\n"
            << "pcm.broken { type hw card 99 }\n"
            << "ctl.!default { type hw card 99 }\n";
        setenv("ALSA_CONFIG_PATH", m_dir.File("asound.conf").c_str(), 1);
        setenv("JACK_NO_START_SERVER", "1", 1);
        const auto r = RunCli({"devices"});
        if (r.status != 0 || r.out.find("capture (") == std::string::npos)
            GTEST_SKIP() << "PortAudio does not reach the ALSA file devices here: " << r.out << r.err;
    }
    void TearDown() override { unsetenv("ALSA_CONFIG_PATH"); }

    std::string Played() const { return m_dir.File("played.raw"); }
    // The played samples with the device's silent padding left out.
    std::vector<int16_t> PlayedSound() const
    {
        const std::vector<unsigned char> bytes = tavril::test::ReadAll(Played());
        std::vector<int16_t> s;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const auto v = static_cast<int16_t>(bytes[i] | (bytes[i + 1] << 8));
            if (v != 0)
                s.push_back(v);
        }
        return s;
    }

    TempDir m_dir;
};

TEST_F(CliPlay, ListsDevicesAndTheDefaultOutput)
{
    const auto r = RunCli({"devices"});
    EXPECT_NE(r.out.find("input devices:\n"), std::string::npos);
    EXPECT_NE(r.out.find("default output device: default\n"), std::string::npos);
}

TEST_F(CliPlay, PlaysTheRangeOfOneChannel)
{
    // 1 s of stereo at 8000 Hz; no sample is 0, so padding is told apart.
    std::vector<int16_t> v;
    for (int i = 0; i < 8000; ++i) {
        v.push_back(static_cast<int16_t>(-1 - i));
        v.push_back(static_cast<int16_t>(1 + i));
    }
    const std::string wav = tavril::test::WriteWav(m_dir.File("s.wav"), 8000, 2, v);
    const auto r = RunCli({"play", wav, "--from-s", "0.25", "--to-s", "0.5", "--channel", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    // Frames 2000 .. 3999 of the right channel hold 2001 .. 4000.
    std::vector<int16_t> expected;
    for (int i = 2001; i <= 4000; ++i)
        expected.push_back(static_cast<int16_t>(i));
    EXPECT_EQ(PlayedSound(), expected);
}

TEST_F(CliPlay, CtrlCStopsBetweenLoops)
{
    const std::string wav = tavril::test::WriteWav(m_dir.File("s.wav"), 8000, 1, std::vector<int16_t>(800, 7));
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        execl(TAVRIL_CLI_PATH, TAVRIL_CLI_PATH, "play", wav.c_str(), "--loop", "3", "--delay-ms", "60000",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    // The first playback goes straight into the file; then it waits a minute.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (PlayedSound().size() < 800 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_EQ(PlayedSound(), std::vector<int16_t>(800, 7));
}

TEST_F(CliPlay, RefusesWrongCommandLines)
{
    const std::string wav = tavril::test::WriteWav(m_dir.File("s.wav"), 8000, 1, std::vector<int16_t>(800, 7));
    const std::vector<std::vector<std::string>> wrong = {
        {"play"},
        {"play", wav, "--speed", "0"},
        {"play", wav, "--loop", "0"},
        {"play", wav, "--channel", "x"},
        {"play", wav, "--from-s", "0.05", "--to-s", "0.01"},
        {"play", wav, "--bogus", "1"},
    };
    for (const auto& args : wrong)
        EXPECT_EQ(RunCli(args).status, 2) << args.back();
    EXPECT_EQ(RunCli({"play", wav, "--channel", "2"}).status, 1);
    EXPECT_EQ(RunCli({"play", m_dir.File("none.wav")}).status, 1);
    EXPECT_FALSE(std::filesystem::exists(Played()));
}

} // namespace
