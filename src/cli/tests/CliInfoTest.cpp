// tavril-cli info and the program's own help, run as a user would.

#include "CliTestUtil.h"
#include "CSoundFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

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

TEST(CliInfo, JsonHasTheSameKeysForEveryName)
{
    TempDir dir;
    // A quote, a byte that is not UTF-8, a valid 'ä', and a leading '-' that only "--" lets through.
    const std::string name = "-quote\"d\xff\xc3\xa4.wav";
    const std::string path = MakeSound(dir, name, 8000, 1, 8, 4000);
    const auto home = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    struct Back {
        std::filesystem::path to;
        ~Back() { std::filesystem::current_path(to); }
    } back{home};
    const auto r = RunCli({"info", "--json", "--", name});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\"file\": \"-quote\\\"d\\u00ff\xc3\xa4.wav\", \"format\": \"0 WAV\", \"sample_rate\": 8000, "
                     "\"channels\": 1, \"bits_per_sample\": 8, \"frames\": 4000, \"data_offset\": 46, "
                     "\"duration_s\": 0.500, \"truncated\": false}\n");
    EXPECT_EQ(RunCli({"info", name}).status, 2) << "without --, the name is an unknown option";

    // A copy cut short in its last frame: 3999 whole frames of 8 bits.
    ASSERT_EQ(truncate(path.c_str(), 46 + 3999), 0);
    const auto t = RunCli({"info", "--", name});
    EXPECT_EQ(t.status, 0);
    EXPECT_NE(t.out.find("frames: 3999\n"), std::string::npos) << t.out;
    EXPECT_NE(t.out.find("truncated: true\n"), std::string::npos) << t.out;
    EXPECT_NE(t.err.find("cut short"), std::string::npos) << t.err;
    EXPECT_NE(RunCli({"info", "--json", "--", name}).out.find("\"truncated\": true}"), std::string::npos);
}

TEST(CliInfo, FailuresAreReportedWithTheirCauseAndCounted)
{
    TempDir dir;
    const std::string good = MakeSound(dir, "g.wav", 8000, 1, 16, 10);
    tavril::test::WriteAll(dir.File("junk.wav"), {'n', 'o', 't', ' ', 'a', ' ', 's', 'o', 'u', 'n', 'd', '!', '!'});
    using tavril::test::RiffBuilder;
    tavril::test::WriteAll(dir.File("adpcm.wav"), RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(2, 1, 8000, 4, true)).Chunk("data", {1, 2}).Bytes());
    tavril::test::WriteAll(dir.File("damaged.wav"), RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16)).RawChunk("LIST", 9999, {1, 2}).Bytes());
    const auto r = RunCli({"info", dir.File("missing.wav"), good, dir.File("junk.wav"), dir.Path().string(),
                           dir.File("adpcm.wav"), dir.File("damaged.wav")});
    EXPECT_EQ(r.status, 1);
    const std::string e = "Error opening soundfile ";
    EXPECT_EQ(r.err, e + dir.File("missing.wav") + ". The file cannot be read: No such file or directory\n" +
                     e + dir.File("junk.wav") + ". The file cannot be read: not a sound file\n" +
                     e + dir.Path().string() + ". The file cannot be read: Is a directory\n" +
                     e + dir.File("adpcm.wav") + ". The file cannot be read: unsupported sample format\n" +
                     e + dir.File("damaged.wav") + ". The file may be corrupt\n");
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
