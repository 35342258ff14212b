// tavril-cli detect and record, run as a user would; the detector, naming and
// store rules themselves are tested in the record library.

#include "CliTestUtil.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

using tavril::test::ReadSamples;
using tavril::test::ReadText;
using tavril::test::RunCli;
using tavril::test::ScratchSettings;
using tavril::test::TempDir;
using tavril::test::WriteWav;

namespace {

// Mono 22050 Hz: quiet noise with 250 ms calls at 3 kHz at the given seconds.
std::vector<int16_t> Calls(double seconds, const std::vector<double>& at)
{
    std::vector<int16_t> s(size_t(seconds * 22050));
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = i / 22050.0;
        double v = 50 * std::sin(i * 1.1);
        for (double c : at)
            if (t >= c && t < c + 0.25) v += 8000 * std::sin(2 * M_PI * 3000 * t);
        s[i] = int16_t(v);
    }
    return s;
}

std::string DetectorIni(const TempDir& dir)
{
    const std::string ini = dir.File("det.ini");
    std::ofstream(ini) << "[Sound Detector Details for file detector]\nbuffer before=100\nbuffer after=100\n"
                          "max trigger drop time=300\nmin sound duration=100\nfreq min=1000\nfreq max=-1\n"
                          "trigger thresh=0.5\nfft size=3\n"
                          "[Sound Detector Details Virtual Recorder 0]\nbuffer before=100\nbuffer after=100\n"
                          "max trigger drop time=300\nmin sound duration=100\nfreq min=1000\nfreq max=-1\n"
                          "trigger thresh=0.5\n";
    return ini;
}

TEST(CliDetect, ThreadsGiveTheSameResultsAndOneRavenTable)
{
    ScratchSettings scratch;
    TempDir dir;
    std::vector<std::string> files;
    for (int i = 0; i < 4; ++i)
        files.push_back(WriteWav(dir.File("f" + std::to_string(i) + ".wav"), 22050, 1, Calls(4, {0.5 + i * 0.5, 3.0})));
    std::vector<std::string> one = {"detect", "--settings", DetectorIni(dir), "--raven", dir.File("one.txt"),
                                    "--jobs", "1"};
    one.insert(one.end(), files.begin(), files.end());
    std::vector<std::string> three = one;
    three[4] = dir.File("three.txt");
    three[6] = "3";
    const auto a = RunCli(one);
    const auto b = RunCli(three);
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(ReadText(dir.File("one.txt")), ReadText(dir.File("three.txt")));
    EXPECT_NE(a.out.find(files[2] + "\nch#1 #detections = 2\n"), std::string::npos) << a.out;

    std::istringstream table(ReadText(dir.File("one.txt")));
    std::string line;
    std::getline(table, line);
    EXPECT_EQ(line, "Selection\tView\tChannel\tBegin File\tBegin Time (s)\tEnd Time (s)\tLow Freq (Hz)\t"
                    "High Freq (Hz)");
    int rows = 0;
    while (std::getline(table, line)) ++rows;
    EXPECT_EQ(rows, 8);

    EXPECT_EQ(RunCli({"detect", files[0], "--jobs", "0"}).status, 2);
    EXPECT_EQ(RunCli({"detect", dir.File("missing.wav")}).status, 1);
}

TEST(CliDetect, AnnotationOptionsReachTheLinkedAnnotationFile)
{
    ScratchSettings scratch;
    TempDir dir;
    const std::string wav = WriteWav(dir.File("pond.wav"), 22050, 1, Calls(4, {0.5, 3.0}));
    std::ofstream(dir.File("pond metafile.txt")) << "annotationfile=pond.log\r\npond.wav\r\n";
    const std::string log = dir.File("pond.log");
    std::ofstream(log) << "an:\tpond.wav\t1\t0.1\t0.2\t900\t800\tby hand\t\n";
    auto count = [](const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    };

    auto r = RunCli({"detect", wav, "--settings", DetectorIni(dir), "--annotations", "--comment", "frog"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string text = ReadText(log);
    EXPECT_EQ(count(text, "\tby hand\t"), 1u) << text;
    EXPECT_EQ(count(text, "\tfrog\t"), 2u) << text;

    r = RunCli({"detect", wav, "--settings", DetectorIni(dir), "--replace-annotations", "--comment", "frog"});
    ASSERT_EQ(r.status, 0) << r.err;
    text = ReadText(log);
    EXPECT_EQ(count(text, "\tby hand\t"), 0u) << text;
    EXPECT_EQ(count(text, "\tfrog\t"), 2u) << text;

    r = RunCli({"detect", WriteWav(dir.File("unlinked.wav"), 22050, 1, Calls(1, {})), "--annotations"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("annotation link"), std::string::npos) << r.err;
}

TEST(CliRecord, ReplayedFileStoresDetectedCallsOrTheWholeSound)
{
    ScratchSettings scratch;
    TempDir dir;
    const auto sound = Calls(3, {0.7, 2.0});
    const std::string in = WriteWav(dir.File("in.wav"), 22050, 1, sound);
    auto r = RunCli({"record", "--input-file", in, "--settings", DetectorIni(dir), "--detect", "--series-path",
                     dir.File("out"), "--series-name", "call%n"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("****** SOUND DETECTED: duration "), 0u) << r.out;
    EXPECT_NE(r.out.find(dir.File("out/call   1.wav")), std::string::npos) << r.out;
    EXPECT_TRUE(std::filesystem::exists(dir.File("out/call   0.wav")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("out/call   2.wav")));

    // Without the detector: a buffer's worth each time it fills, then the
    // rest; together exactly the input.
    r = RunCli({"record", "--input-file", in, "--buffer-s", "1", "--series-path", dir.File("all"),
                "--series-name", "part%n"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<int16_t> joined;
    for (int i = 0; i < 3; ++i) {
        const auto part = ReadSamples(dir.File("all/part   " + std::to_string(i) + ".wav"));
        joined.insert(joined.end(), part.begin(), part.end());
    }
    EXPECT_EQ(joined, sound);
    EXPECT_EQ(RunCli({"record", "--input-file", in, "--bits", "12"}).status, 2);
}

} // namespace

namespace {

// The sound card path: PortAudio over an ALSA capture device that reads a
// raw file (no card needed). Skipped where PortAudio cannot use it.
TEST(CliRecord, SoundCardPathStoresTheCapturedSamples)
{
    ScratchSettings scratch;
    TempDir dir;
    std::vector<int16_t> raw(8000);  // 1 s at 8000 Hz mono, every sample distinct
    for (size_t i = 0; i < raw.size(); ++i) raw[i] = int16_t(i * 5 - 20000);
    tavril::test::WriteAll(dir.File("input.raw"), tavril::test::Int16Bytes(raw));
    std::ofstream(dir.File("asound.conf"))
        << "pcm.!default { type plug slave.pcm \"null\" }\npcm.null { type null }\n"
        << "pcm.capture { type file slave.pcm \"null\" infile \"" << dir.File("input.raw")
        << "\" file \"/dev/null\" format \"raw\" }\npcm.broken { type hw card 99 }\nctl.!default { type hw card 99 }\n";
    setenv("ALSA_CONFIG_PATH", dir.File("asound.conf").c_str(), 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
    // The file device is not paced: it delivers as fast as it can. A ring of
    // an hour keeps everything that arrives in the 20 ms before the first
    // store, so nothing is overwritten.
    const auto r = RunCli({"record", "--device", "capture", "--rate", "8000", "--duration-s", "0.01", "--buffer-s",
                           "3600", "--series-path", dir.File("out"), "--series-name", "cap%n"});
    unsetenv("ALSA_CONFIG_PATH");
    if (r.status != 0 && (r.err.find("Sound I/O Error") != std::string::npos ||
                          r.err.find("no input device named") != std::string::npos))
        GTEST_SKIP() << "PortAudio cannot use the ALSA file device here: " << r.err;
    ASSERT_EQ(r.status, 0) << r.err;
    const auto stored = ReadSamples(dir.File("out/cap   0.wav"));
    ASSERT_GE(stored.size(), raw.size());
    EXPECT_EQ(std::vector<int16_t>(stored.begin(), stored.begin() + long(raw.size())), raw);
}

} // namespace
