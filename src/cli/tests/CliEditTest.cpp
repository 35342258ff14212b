// tavril-cli edit and multitool, run as a user would.

#include "CliTestUtil.h"
#include "FileSafety.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

using namespace tavril::test;
using Samples = std::vector<int16_t>;

namespace {

std::string Wav(const TempDir& dir, const std::string& name, const std::vector<int16_t>& v, double rate = 22050)
{
    return WriteWav(dir.File(name), rate, 1, v);
}

std::vector<int16_t> Counting(int n)
{
    std::vector<int16_t> v(n);
    for (int i = 0; i < n; ++i) v[i] = static_cast<int16_t>(i - n / 2);
    return v;
}

TEST(CliEditTest, DeleteRangeGivesExactFramesAndLeavesTheInput)
{
    TempDir dir;
    const auto in = Counting(1000);
    const std::string a = Wav(dir, "a.wav", in, 1000);
    const auto before = ReadAll(a);
    const auto r = RunCli({"edit", a, "-o", dir.File("b.wav"), "--from-s", "0.1", "--to-s", "0.3", "--delete"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<int16_t> want(in.begin(), in.begin() + 100);
    want.insert(want.end(), in.begin() + 300, in.end());
    EXPECT_EQ(ReadSamples(dir.File("b.wav")), want);
    EXPECT_EQ(ReadAll(a), before);
}

TEST(CliEditTest, ToolsMatchTheirFormulas)
{
    TempDir dir;
    const std::string a = Wav(dir, "a.wav", {-3, 3, 5, 20000});
    auto r = RunCli({"edit", a, "-o", dir.File("amp.wav"), "--amplify", "50"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadSamples(dir.File("amp.wav")), Samples({-1, 1, 2, 10000}));

    const std::string empty = Wav(dir, "e.wav", {});
    r = RunCli({"edit", empty, "-o", dir.File("tone.wav"), "--insert-tone", "100", "1000", "50"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto tone = ReadSamples(dir.File("tone.wav"));
    ASSERT_EQ(tone.size(), 2205u);
    for (size_t k = 0; k < tone.size(); ++k)
        ASSERT_EQ(tone[k], static_cast<int16_t>(std::trunc(std::sin(2 * M_PI * 1000 * k / 22050) * 0.5 * 32768)));

    // Insertions go after the frame at --from-s.
    const std::string c = Wav(dir, "c.wav", {1, 2, 3, 4}, 1000);
    r = RunCli({"edit", c, "-o", dir.File("s.wav"), "--from-s", "0.001", "--insert-silence", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadSamples(dir.File("s.wav")), Samples({1, 2, 0, 0, 3, 4}));
}

TEST(CliEditTest, NoiseIsTheSameOnEveryRun)
{
    TempDir dir;
    const std::string a = Wav(dir, "a.wav", {});
    ASSERT_EQ(RunCli({"edit", a, "-o", dir.File("n1.wav"), "--insert-noise", "50", "80"}).status, 0);
    ASSERT_EQ(RunCli({"edit", a, "-o", dir.File("n2.wav"), "--insert-noise", "50", "80"}).status, 0);
    const auto n1 = ReadSamples(dir.File("n1.wav"));
    EXPECT_EQ(n1.size(), 1102u);
    EXPECT_EQ(n1, ReadSamples(dir.File("n2.wav")));
    int nonzero = 0;
    for (int16_t x : n1) nonzero += x != 0;
    EXPECT_GT(nonzero, 1000);
}

TEST(CliEditTest, BadRequestsFailClearly)
{
    TempDir dir;
    const std::string a = Wav(dir, "a.wav", Counting(100)), b = dir.File("b.wav");
    const struct { std::vector<std::string> args; int status; const char* says; } rows[] = {
        {{"edit", a, "-o", b, "--delete"}, 2, "need a range"},
        {{"edit", a, "-o", b, "--maximize", "--channel", "1"}, 2, "no channel 1"},
        {{"edit", a, "-o", b, "--amplify", "50", "--from-s", "0.001"}, 2, "whole channel"},
        {{"edit", a, "-o", b, "--insert-silence", "1e12"}, 2, "longer than a WAV file can hold"},
        {{"edit", a, "-o", b, "--maximize", "--reverse"}, 2, ""},
        {{"edit", a, "-o", dir.File("missing/b.wav"), "--maximize"}, 1, "could not be saved"},
        {{"edit", dir.File("none.wav"), "-o", b, "--maximize"}, 1, ""}};
    for (const auto& row : rows) {
        const auto r = RunCli(row.args);
        EXPECT_EQ(r.status, row.status) << row.args[4];
        EXPECT_NE(r.err.find(row.says), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(b));

    // Another Tavril changing the file: this edit stops and writes nothing.
    tavril::CFileLock other;
    ASSERT_TRUE(other.TryLock(a));
    const auto before = ReadAll(a);
    const auto r = RunCli({"edit", a, "-o", a, "--reverse"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(a + " is being changed by another Tavril"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(a), before);
}

TEST(CliMultitoolTest, InPlaceKeepsTheMetadataChunks)
{
    TempDir dir;
    const std::vector<unsigned char> info = {'I', 'N', 'F', 'O', 'I', 'C', 'M', 'T', 4, 0, 0, 0, 'd', 'a', 'w', 'n'};
    const std::string a = dir.File("a.wav");
    WriteAll(a, RiffBuilder().Chunk("LIST", info).Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16)).Chunk("data", Int16Bytes({100, -200, 50})).Bytes());
    ASSERT_EQ(RunCli({"multitool", a, "--maximize", "--in-place"}).status, 0);
    const auto bytes = ReadAll(a);
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), info.begin(), info.end()), bytes.end());
}

TEST(CliMultitoolTest, InPlaceAndIntoAFolder)
{
    TempDir dir;
    const std::string a = Wav(dir, "a.wav", {100, -200, 50});
    std::filesystem::create_directory(dir.Path() / "out");
    auto r = RunCli({"multitool", a, "--maximize", "-o", dir.File("out")});
    ASSERT_EQ(r.status, 0) << r.err;
    const float f = 32767.0f / 300.0f;
    const std::vector<int16_t> want = {static_cast<int16_t>(100 * double(f)), static_cast<int16_t>(-200 * double(f)),
                                       static_cast<int16_t>(50 * double(f))};
    EXPECT_EQ(ReadSamples(dir.File("out/a.wav")), want);
    EXPECT_EQ(ReadSamples(a), Samples({100, -200, 50}));
    r = RunCli({"multitool", a, "--maximize", "--in-place"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadSamples(a), want);
    r = RunCli({"multitool", a, dir.File("none.wav"), "--maximize", "--in-place"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("none.wav"), std::string::npos);
    EXPECT_EQ(RunCli({"multitool", a, "--maximize"}).status, 2);
    r = RunCli({"multitool", a, "--maximize", "--channel", "3", "--in-place"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no channel 3"), std::string::npos) << "the number the user typed: " << r.err;
}

} // namespace
