// tavril-cli info and the program's own help, run as a user would.

#include "CliTestUtil.h"
#include "CSoundFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using tavril::test::RunCli;
using tavril::test::TempDir;

namespace {

std::string MakeSound(const TempDir& dir, const std::string& name, double rate, uint32_t ch, uint32_t bits,
                      uint32_t frames)
{
    const std::string path = dir.File(name);
    tavril::CSoundFile f;
    f.Create(path, rate, ch, bits, frames);
    return path;
}

} // namespace

TEST(CliInfo, PrintsOneBlockPerFile)
{
    TempDir dir;
    const std::string a = MakeSound(dir, "a.wav", 22050, 1, 16, 22050 * 2 + 11);
    const std::string b = MakeSound(dir, "b.wav", 96000, 2, 24, 48000);
    const auto r = RunCli({"info", a, b});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "file: " + a + "\nformat: 0 WAV\nsample_rate: 22050\nchannels: 1\nbits_per_sample: 16\n"
                     "frames: 44111\ndata_offset: 46\nduration_s: 2.000\n\n"
                     "file: " + b + "\nformat: 0 WAV\nsample_rate: 96000\nchannels: 2\nbits_per_sample: 24\n"
                     "frames: 48000\ndata_offset: 46\nduration_s: 0.500\n");
    EXPECT_EQ(r.err, "");
}

TEST(CliInfo, JsonHasTheSameKeys)
{
    TempDir dir;
    const auto r = RunCli({"info", "--json", MakeSound(dir, "quote\"d.wav", 8000, 1, 8, 4000)});
    EXPECT_EQ(r.status, 0);
    const std::string escaped = dir.File("quote\\\"d.wav");
    EXPECT_EQ(r.out, "{\"file\": \"" + escaped + "\", \"format\": \"0 WAV\", \"sample_rate\": 8000, \"channels\": 1, "
                     "\"bits_per_sample\": 8, \"frames\": 4000, \"data_offset\": 46, \"duration_s\": 0.500}\n");
}

TEST(CliInfo, FailuresAreReportedAndCounted)
{
    TempDir dir;
    const std::string good = MakeSound(dir, "g.wav", 8000, 1, 16, 10);
    tavril::test::WriteAll(dir.File("junk.wav"), {'n', 'o', 't', ' ', 'a', ' ', 's', 'o', 'u', 'n', 'd', '!', '!'});
    const auto r = RunCli({"info", dir.File("missing.wav"), good, dir.File("junk.wav")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error opening soundfile " + dir.File("missing.wav") + ". The file may be corrupt\n"
                     "Error opening soundfile " + dir.File("junk.wav") + ". The file may be corrupt\n");
    EXPECT_NE(r.out.find("file: " + good), std::string::npos) << "the good file is still described";
}

TEST(CliInfo, UsageErrorsAndHelp)
{
    for (const auto& args : {std::vector<std::string>{"info"}, {"info", "--bogus", "x.wav"}, {"frobnicate"}})
        EXPECT_EQ(RunCli(args).status, 2) << args.back();
    const auto help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("info"), std::string::npos);
    const auto infoHelp = RunCli({"help", "info"});
    EXPECT_EQ(infoHelp.status, 0);
    EXPECT_NE(infoHelp.out.find("Usage: tavril-cli info"), std::string::npos);
    EXPECT_EQ(RunCli({"info", "--help"}).out, infoHelp.out);
}

TEST(CliInfo, DemoRecording)
{
    const auto r = RunCli({"info", std::string(TAVRIL_SOURCE_DIR) + "/data/demo/spinetail.wav"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("sample_rate: 44100\nchannels: 1\nbits_per_sample: 16\nframes: 861799\ndata_offset: 44\n"
                         "duration_s: 19.542\n"),
              std::string::npos)
        << r.out;
}
