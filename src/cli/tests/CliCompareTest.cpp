// tavril-cli compare, run as a user would.

#include "CliTestUtil.h"
#include "CSoundFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

using tavril::test::RunCli;
using tavril::test::TempDir;

namespace {

int16_t Song(int64_t i, double rate)
{
    if (i < 0) return 0;
    const double t = i / rate;
    const int syllable = static_cast<int>(t / 0.04);
    if (syllable % 3 == 2) return 0;
    return static_cast<int16_t>(9000.0 * std::sin(2 * M_PI * (1500.0 + 400.0 * (syllable % 5)) * t));
}

// Left: the song; right: the song `delayMs` later.
std::string MakeStereo(const TempDir& dir, double delayMs)
{
    const double rate = 22050;
    const std::string path = dir.File("pair.wav");
    tavril::CSoundFile f;
    f.Create(path, rate, 2, 16);
    const uint32_t frames = 44100;
    const int64_t delay = static_cast<int64_t>(delayMs * rate / 1000);
    std::vector<int16_t> s(size_t(frames) * 2);
    for (uint32_t i = 0; i < frames; ++i) {
        s[2 * i] = Song(i, rate);
        s[2 * i + 1] = Song(int64_t(i) - delay, rate);
    }
    f.WriteFrames(s.data(), frames, 16);
    f.Close();
    return path;
}

} // namespace

TEST(CliCompare, OneLinePerDelayWithTheBestAtTheTrueDelay)
{
    TempDir dir;
    const std::string sound = MakeStereo(dir, 40);
    const auto r = RunCli({"compare", sound, "--start-ms", "100", "--length-ms", "1000", "--max-delay-ms", "80",
                           "--band", "1000", "5000", "--lines", "128", "--averages", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream in(r.out);
    std::string line;
    int n = 0, best = -1;
    double bestValue = 1e9;
    while (std::getline(in, line)) {
        const size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        EXPECT_EQ(line.substr(0, tab), std::to_string(n * 10));
        const double v = std::stod(line.substr(tab + 1));
        if (v < bestValue) {
            bestValue = v;
            best = n;
        }
        ++n;
    }
    EXPECT_EQ(n, 8);
    EXPECT_EQ(best, 4);
}

TEST(CliCompare, SameChannelIsZeroAtNoDelayAndNoStepsWithoutDelay)
{
    TempDir dir;
    const std::string sound = MakeStereo(dir, 0);
    auto r = RunCli({"compare", sound, "--start-ms", "0", "--length-ms", "500", "--max-delay-ms", "20"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 11), "0\t0.000000\n");
    r = RunCli({"compare", sound, "--start-ms", "0", "--length-ms", "500", "--max-delay-ms", "0"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

TEST(CliCompare, MistakesAreExplained)
{
    TempDir dir;
    const std::string sound = MakeStereo(dir, 0);
    EXPECT_EQ(RunCli({"compare", sound}).status, 2);
    EXPECT_EQ(RunCli({"compare", sound, "--start-ms", "0", "--length-ms", "0", "--max-delay-ms", "10"}).status, 2);
    EXPECT_EQ(RunCli({"compare", sound, "--start-ms", "-5", "--length-ms", "100", "--max-delay-ms", "10"}).status, 2);
    EXPECT_EQ(
        RunCli({"compare", sound, "--start-ms", "0", "--length-ms", "100", "--max-delay-ms", "10", "--lines", "48"})
            .status,
        2);
    const auto ch = RunCli({"compare", sound, "--start-ms", "0", "--length-ms", "100", "--max-delay-ms", "10",
                            "--ch2", "5"});
    EXPECT_EQ(ch.status, 1);
    EXPECT_NE(ch.err.find("channel 2"), std::string::npos);
    EXPECT_EQ(RunCli({"compare", dir.File("none.wav"), "--start-ms", "0", "--length-ms", "100", "--max-delay-ms",
                      "10"})
                  .status,
              1);
}
