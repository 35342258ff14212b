// tavril-cli spectrogram, run as a user would.

#include "CliTestUtil.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

using namespace tavril::test;

namespace {

std::string MakeTone(const TempDir& dir, double hz, uint32_t frames)
{
    std::vector<int16_t> s(frames);
    for (uint32_t i = 0; i < frames; ++i) s[i] = static_cast<int16_t>(10000 * std::sin(2 * M_PI * hz * i / 22050));
    return WriteWav(dir.File("tone.wav"), 22050, 1, s);
}

} // namespace

TEST(CliSpectrogram, TextExportBesideTheSoundByDefaultAndItsOptions)
{
    TempDir dir;
    const std::string sound = MakeTone(dir, 1000, 22050);
    auto r = RunCli({"spectrogram", sound});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadText(sound + ".txt").rfind("soundfile name\t" + sound + "\nnum samples\t22050\nnum FFTs\t100\n"
                         "frequency range (Hz)\t11025\nFFT period (ms)\t10.000\nnum frequency bins\t256\n"
                         "\nFFT data (cols = frequency bins from 0 to 11025Hz\n\n",
                         0),
              0u);
    // The options mirror the dialog.
    const std::string out = dir.File("o.txt");
    r = RunCli({"spectrogram", sound, "-o", out, "--lines", "64", "--period-samples", "2205", "--range", "500",
                     "1500", "--no-header"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string text = ReadText(out);
    // 10 rows of lines 3 ... 9 (hzToBin 500 = 3, hzToBin 1500 = 9).
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 10);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\t'), 70);
    EXPECT_EQ(text[0], '\n');

    // 100 % of 64 lines' worth of samples: 64 samples, 344 spectra in a second.
    r = RunCli({"spectrogram", sound, "-o", out, "--lines", "64", "--period-percent", "100"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(ReadText(out).find("num FFTs\t344\nfrequency range (Hz)\t11025\nFFT period (ms)\t2.902\n"),
              std::string::npos);
    r = RunCli({"spectrogram", sound, "-o", out, "--period-ms", "250"});
    EXPECT_NE(ReadText(out).find("num FFTs\t4\n"), std::string::npos);
}

TEST(CliSpectrogram, PngHasTheRequestedSize)
{
    TempDir dir;
    const std::string sound = MakeTone(dir, 5512.5, 44100);
    const std::string png = dir.File("t.png");
    const auto r = RunCli({"spectrogram", sound, "--png", png, "--width", "300", "--height", "129", "--fft-code", "2",
                           "--window", "hanning", "--gain", "2", "--white", "10"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto bytes = ReadAll(png);
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
    // IHDR: width and height, big-endian, at bytes 16 and 20.
    EXPECT_EQ((bytes[16] << 24) | (bytes[17] << 16) | (bytes[18] << 8) | bytes[19], 300);
    EXPECT_EQ((bytes[20] << 24) | (bytes[21] << 16) | (bytes[22] << 8) | bytes[23], 129);
}

TEST(CliSpectrogram, MistakesAreExplained)
{
    TempDir dir;
    const std::string sound = MakeTone(dir, 1000, 4000), png = dir.File("a.png");
    const std::vector<std::string> usage[] = {{"--lines", "100"},
                                              {"--lines", "2048"},
                                              {"--period-ms", "0"},
                                              {"--period-ms", "5", "--period-samples", "3"},
                                              {"--range", "2000", "1000"},
                                              {"--png", png, "--lines", "64"},
                                              {"--width", "10"},
                                              {"--png", png, "--window", "kaiser"},
                                              {"--png", png, "--white", "300"}};
    EXPECT_EQ(RunCli({"spectrogram"}).status, 2);
    for (const auto& more : usage) {
        std::vector<std::string> args = {"spectrogram", sound};
        args.insert(args.end(), more.begin(), more.end());
        EXPECT_EQ(RunCli(args).status, 2) << more[0] << " " << more[1];
    }
    const auto bad = RunCli({"spectrogram", sound, "--png", png, "--channel", "1"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("no channel 1"), std::string::npos);
    EXPECT_EQ(RunCli({"spectrogram", dir.File("none.wav")}).status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("none.wav.txt")));
    // A period so small there would be more spectra than samples.
    EXPECT_EQ(RunCli({"spectrogram", sound, "--period-ms", "0.000001"}).status, 1);
    EXPECT_FALSE(std::filesystem::exists(sound + ".txt"));
    EXPECT_EQ(RunCli({"spectrogram", sound, "--png", dir.File("no/dir/a.png")}).status, 1);
}

TEST(CliSpectrogram, DemoRecordingExportsAndDraws)
{
    const std::string demo = std::string(TAVRIL_SOURCE_DIR) + "/data/demo/spinetail.wav";
    if (!std::filesystem::exists(demo)) GTEST_SKIP() << "demo recording not in this tree";
    TempDir dir;
    const auto r = RunCli({"spectrogram", demo, "-o", dir.File("d.txt"), "--period-ms", "100"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(ReadText(dir.File("d.txt")).find("num samples\t861799\nnum FFTs\t195\nfrequency range (Hz)\t22050\n"),
              std::string::npos);
    ASSERT_EQ(RunCli({"spectrogram", demo, "--png", dir.File("d.png")}).status, 0);
    EXPECT_GT(ReadAll(dir.File("d.png")).size(), 1000u);
}
