// tavril-cli convert and import-raw, run as a user would.

#include "CliTestUtil.h"
#include "CSoundFile.h"
#include "DefaultFileFormat.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace tavril::test;

namespace {

using Samples = std::vector<int16_t>;

TEST(CliConvert, WavToAiffAndBack)
{
    ScratchSettings settings;
    TempDir dir;
    const Samples v = {1, -1, 300, -300, 32767, -32768};
    auto r = RunCli({"convert", WriteWav(dir.File("in.wav"), 22050, 2, v), dir.File("out.aiff")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "wrote " + dir.File("out.aiff") + ": AIFF, 22050 Hz, 2 channels, 16 bits, 3 frames\n");
    r = RunCli({"convert", dir.File("out.aiff"), dir.File("back.wav")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadSamples(dir.File("back.wav")), v);
}

TEST(CliConvert, UnknownExtensionUsesTheDefaultFormat)
{
    ScratchSettings settings;
    TempDir dir;
    const std::string wav = WriteWav(dir.File("in.wav"), 22050, 1, {5, 6, 7});
    // From the option...
    auto r = RunCli({"convert", wav, dir.File("out.data"), "--default-format", "aiff"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadText(dir.File("out.data")).substr(8, 4), "AIFF");
    // ...and from the settings when the option is not given.
    ASSERT_EQ(tavril::SetDefaultFileFormat(tavril::kFormatSig), 1);
    r = RunCli({"convert", wav, dir.File("out2.data")});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string sig = ReadText(dir.File("out2.data"));
    EXPECT_EQ(sig.size(), 1024u + 128u * 4u);
    EXPECT_EQ(sig.substr(0, 4), "EXT ");
    // An input with such a name is read in the default format too.
    r = RunCli({"convert", dir.File("out.data"), dir.File("again.wav"), "--default-format", "aiff"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadSamples(dir.File("again.wav")), (Samples{5, 6, 7}));
}

TEST(CliConvert, FailuresExitOneAndKeepTheOutput)
{
    ScratchSettings settings;
    TempDir dir;
    const std::string wav = WriteWav(dir.File("in.wav"), 22050, 1, {5, 6, 7});
    WriteAll(dir.File("keep.snd"), {'k', 'e', 'e', 'p'});
    WriteAll(dir.File("junk.aif"), {'n', 'o', 't', ' ', 'a', 'i', 'f', 'f', '.', '.', '.', '.'});
    WriteWav(dir.File("slow.wav"), 100, 1, {1, 2});  // 22050 Hz fits SND; 100 Hz does not
    const struct { std::vector<std::string> args; int status; const char* says; } rows[] = {
        {{"convert", dir.File("missing.wav"), dir.File("x.wav")}, 1, "does not exist"},
        {{"convert", dir.File("junk.aif"), dir.File("keep.snd")}, 1, "cannot read"},
        {{"convert", dir.File("slow.wav"), dir.File("keep.snd")}, 1, ""},
        {{"convert", wav}, 2, ""},
        {{"convert", wav, dir.File("locked.wav")}, 1, "locked.wav is read-only"},
        {{"convert", dir.File("frac.aif"), dir.File("frac.wav")}, 1, "5298.25 Hz cannot be stored in a WAV"},
        {{"convert", wav, dir.File("o.wav"), "--default-format", "mp3"}, 2, ""}};
    WriteAll(dir.File("locked.wav"), {'k', 'e', 'e', 'p'});
    chmod(dir.File("locked.wav").c_str(), 0444);
    {
        tavril::CSoundFile f;
        ASSERT_EQ(f.Create(dir.File("frac.aif"), 5298.25, 1, 16), 1);
        const int16_t v[2] = {1, 2};
        f.WriteFrames(v, 2);
    }
    for (const auto& row : rows) {
        const auto r = RunCli(row.args);
        EXPECT_EQ(r.status, row.status) << row.args[1];
        EXPECT_NE(r.err.find(row.says), std::string::npos) << r.err;
    }
    EXPECT_EQ(ReadText(dir.File("keep.snd")), "keep");
    EXPECT_EQ(ReadText(dir.File("locked.wav")), "keep");
    EXPECT_FALSE(std::filesystem::exists(dir.File("frac.wav")));

    // Chunks the target format has no place for are named, not dropped silently.
    const std::string tagged = dir.File("tagged.wav");
    WriteAll(tagged, RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16)).Chunk("data", Int16Bytes({1, 2})).Chunk("LIST", {'I', 'N', 'F', 'O'}).Bytes());
    const auto r = RunCli({"convert", tagged, dir.File("tagged.aif")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("chunks 'LIST' of " + tagged + " have no place in AIFF"), std::string::npos) << r.err;
}

TEST(CliImportRaw, NamesTheTargetAfterTheSource)
{
    TempDir dir;
    const std::string raw = dir.File("rec.bin");
    WriteAll(raw, Int16Bytes({10, 20, 30, 40}));
    auto r = RunCli({"import-raw", raw, "--rate", "8000", "--channels", "2", "--bits", "16"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "wrote " + raw + ".WAV: WAV, 8000 Hz, 2 channels, 16 bits, 2 frames\n");
    EXPECT_EQ(ReadSamples(raw + ".WAV"), (Samples{10, 20, 30, 40}));
    r = RunCli({"import-raw", raw, "--rate", "8000", "--channels", "1", "--bits", "16", "--offset", "2", "--type",
                "aiff"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadSamples(raw + ".AIF"), (Samples{20, 30, 40}));
    r = RunCli({"import-raw", raw, "--rate", "8000", "--channels", "1", "--bits", "8", "-o", dir.File("o.aiff")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("AIFF, 8000 Hz, 1 channel, 8 bits, 8 frames"), std::string::npos) << r.out;
}

TEST(CliImportRaw, BadArgumentsAndFailures)
{
    TempDir dir;
    const std::string raw = dir.File("rec.bin");
    WriteAll(raw, {1, 2, 3, 4});
    const std::vector<std::string> bad[] = {
        {"--rate", "8000", "--channels", "1"},  // no --bits
        {"--rate", "8000", "--channels", "1", "--bits", "20"},
        {"--rate", "-5", "--channels", "1", "--bits", "16"},
        {"--rate", "8000", "--channels", "0", "--bits", "16"},
        {"--rate", "8000", "--channels", "1", "--bits", "16", "-o", dir.File("x.raw")},
        {"--rate", "8000", "--channels", "1", "--bits", "16", "--type", "aiff", "-o", dir.File("x.wav")}};
    for (const auto& args : bad) {
        std::vector<std::string> all = {"import-raw", raw};
        all.insert(all.end(), args.begin(), args.end());
        EXPECT_EQ(RunCli(all).status, 2) << args[1] << " " << args[3];
    }
    const auto r = RunCli({"import-raw", dir.File("missing.bin"), "--rate", "8000", "--channels", "1", "--bits", "16"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot import"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing.bin.WAV")));
}

} // namespace
