// tavril-cli compare, run as a user would.

#include "CliTestUtil.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

using namespace tavril::test;

namespace {

int16_t Song(int64_t i, double rate)
{
    if (i < 0) return 0;
    const double t = i / rate;
    const int syllable = static_cast<int>(t / 0.04);
    if (syllable % 3 == 2) return 0;
    return static_cast<int16_t>(9000.0 * std::sin(2 * M_PI * (1500.0 + 400.0 * (syllable % 5)) * t));
}

// Two seconds at 22050 Hz. Left: the song; right: the song `delayMs` later.
std::string MakeStereo(const TempDir& dir, double delayMs)
{
    const int64_t delay = static_cast<int64_t>(delayMs * 22050 / 1000);
    std::vector<int16_t> s(44100 * 2);
    for (int64_t i = 0; i < 44100; ++i) {
        s[2 * i] = Song(i, 22050);
        s[2 * i + 1] = Song(i - delay, 22050);
    }
    return WriteWav(dir.File("pair.wav"), 22050, 2, s);
}

} // namespace

TEST(CliCompare, OneLinePerDelayWithTheBestAtTheTrueDelay)
{
    TempDir dir;
    const auto r = RunCli({"compare", MakeStereo(dir, 40), "--start-ms", "100", "--length-ms", "1000",
                           "--max-delay-ms", "80", "--band", "1000", "5000", "--lines", "128", "--averages", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream in(r.out);
    std::string line;
    int n = 0, best = -1;
    double bestValue = 1e9;
    for (; std::getline(in, line); ++n) {
        const size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        EXPECT_EQ(line.substr(0, tab), std::to_string(n * 10));
        const double v = std::stod(line.substr(tab + 1));
        if (v < bestValue) bestValue = v, best = n;
    }
    EXPECT_EQ(n, 8);
    EXPECT_EQ(best, 4);
}

TEST(CliCompare, SameChannelIsZeroAtNoDelayAndMistakesAreExplained)
{
    TempDir dir;
    const std::string sound = MakeStereo(dir, 0);
    const auto run = [&](const std::string& file, std::vector<std::string> more) {
        std::vector<std::string> args = {"compare", file, "--start-ms", "0", "--length-ms", "500", "--max-delay-ms"};
        args.insert(args.end(), more.begin(), more.end());
        return RunCli(args);
    };
    auto r = run(sound, {"20"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 11), "0\t0.000000\n");
    r = run(sound, {"0"});  // no delay steps: no lines, no error
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(RunCli({"compare", sound}).status, 2);
    EXPECT_EQ(run(sound, {"10", "--length-ms", "0"}).status, 2);
    EXPECT_EQ(run(sound, {"10", "--start-ms", "-5"}).status, 2);
    EXPECT_EQ(run(sound, {"10", "--lines", "48"}).status, 2);
    r = run(sound, {"10", "--ch2", "5"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no channel 5"), std::string::npos) << "the number the user typed";
    r = run(sound, {"10", "--start-ms", "60000"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("past the end"), std::string::npos) << r.err;
    r = run(sound, {"10", "--band", "5000", "1000"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("low edge"), std::string::npos) << r.err;
    EXPECT_EQ(run(dir.File("none.wav"), {"10"}).status, 1);
}
