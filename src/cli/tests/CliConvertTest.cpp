// tavril-cli convert and import-raw, run as a user would.

#include "CliTestUtil.h"
#include "CSoundFile.h"
#include "DefaultFileFormat.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using tavril::test::ReadAll;
using tavril::test::RunCli;
using tavril::test::TempDir;
using tavril::test::WriteAll;

namespace {

// Points the default settings file at a scratch folder for one test.
class ScratchSettings {
public:
    ScratchSettings()
    {
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) m_old = old;
        setenv("XDG_CONFIG_HOME", m_dir.Path().c_str(), 1);
    }
    ~ScratchSettings()
    {
        if (m_old.empty()) unsetenv("XDG_CONFIG_HOME");
        else setenv("XDG_CONFIG_HOME", m_old.c_str(), 1);
    }

private:
    TempDir m_dir;
    std::string m_old;
};

std::string MakeWav(const TempDir& dir, const std::string& name, uint32_t channels, const std::vector<int16_t>& v)
{
    const std::string path = dir.File(name);
    tavril::CSoundFile f;
    f.Create(path, 22050, channels, 16);
    f.WriteFrames(v.data(), uint32_t(v.size() / channels));
    return path;
}

std::vector<int16_t> Samples(const std::string& path)
{
    tavril::CSoundFile f;
    if (!f.Open(path)) return {};
    std::vector<int16_t> v(size_t(f.GetFrameCount()) * f.GetChannels());
    f.ReadFrames(v.data(), f.GetFrameCount(), 16);
    return v;
}

TEST(CliConvert, WavToAiffAndBack)
{
    ScratchSettings settings;
    TempDir dir;
    const std::vector<int16_t> v = {1, -1, 300, -300, 32767, -32768};
    const std::string wav = MakeWav(dir, "in.wav", 2, v);
    auto r = RunCli({"convert", wav, dir.File("out.aiff")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "wrote " + dir.File("out.aiff") + ": AIFF, 22050 Hz, 2 channels, 16 bits, 3 frames\n");
    r = RunCli({"convert", dir.File("out.aiff"), dir.File("back.wav")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Samples(dir.File("back.wav")), v);
}

TEST(CliConvert, UnknownExtensionUsesTheDefaultFormat)
{
    ScratchSettings settings;
    TempDir dir;
    const std::string wav = MakeWav(dir, "in.wav", 1, {5, 6, 7});
    // From the option...
    auto r = RunCli({"convert", wav, dir.File("out.data"), "--default-format", "aiff"});
    EXPECT_EQ(r.status, 0) << r.err;
    auto bytes = ReadAll(dir.File("out.data"));
    ASSERT_GE(bytes.size(), 12u);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 12), "AIFF");
    // ...and from the settings when the option is not given.
    ASSERT_EQ(tavril::SetDefaultFileFormat(tavril::kFormatSig), 1);
    r = RunCli({"convert", wav, dir.File("out2.data")});
    EXPECT_EQ(r.status, 0) << r.err;
    bytes = ReadAll(dir.File("out2.data"));
    ASSERT_EQ(bytes.size(), 1024u + 128u * 4u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "EXT ");
    // An input with such a name is read in the default format too.
    r = RunCli({"convert", dir.File("out.data"), dir.File("again.wav"), "--default-format", "aiff"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Samples(dir.File("again.wav")), (std::vector<int16_t>{5, 6, 7}));
}

TEST(CliConvert, FailuresExitOneAndKeepTheOutput)
{
    ScratchSettings settings;
    TempDir dir;
    const std::string wav = MakeWav(dir, "in.wav", 1, {5, 6, 7});
    WriteAll(dir.File("keep.snd"), {'k', 'e', 'e', 'p'});
    WriteAll(dir.File("junk.aif"), {'n', 'o', 't', ' ', 'a', 'i', 'f', 'f', '.', '.', '.', '.'});

    auto r = RunCli({"convert", dir.File("missing.wav"), dir.File("x.wav")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("does not exist"), std::string::npos) << r.err;
    r = RunCli({"convert", dir.File("junk.aif"), dir.File("keep.snd")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot read"), std::string::npos) << r.err;
    // 22050 Hz fits SND; a 100 Hz sound does not.
    {
        tavril::CSoundFile f;
        f.Create(dir.File("slow.wav"), 100, 1, 16);
        const int16_t s[2] = {1, 2};
        f.WriteFrames(s, 2);
    }
    r = RunCli({"convert", dir.File("slow.wav"), dir.File("keep.snd")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadAll(dir.File("keep.snd")), (std::vector<unsigned char>{'k', 'e', 'e', 'p'}));
    r = RunCli({"convert", wav});
    EXPECT_EQ(r.status, 2);
    r = RunCli({"convert", wav, dir.File("o.wav"), "--default-format", "mp3"});
    EXPECT_EQ(r.status, 2);
}

TEST(CliImportRaw, NamesTheTargetAfterTheSource)
{
    TempDir dir;
    const std::string raw = dir.File("rec.bin");
    WriteAll(raw, tavril::test::Int16Bytes({10, 20, 30, 40}));
    auto r = RunCli({"import-raw", raw, "--rate", "8000", "--channels", "2", "--bits", "16"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "wrote " + raw + ".WAV: WAV, 8000 Hz, 2 channels, 16 bits, 2 frames\n");
    EXPECT_EQ(Samples(raw + ".WAV"), (std::vector<int16_t>{10, 20, 30, 40}));
    r = RunCli({"import-raw", raw, "--rate", "8000", "--channels", "1", "--bits", "16", "--offset", "2", "--type",
                "aiff"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Samples(raw + ".AIF"), (std::vector<int16_t>{20, 30, 40}));
    r = RunCli({"import-raw", raw, "--rate", "8000", "--channels", "1", "--bits", "8", "-o", dir.File("o.aiff")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("AIFF, 8000 Hz, 1 channel, 8 bits, 8 frames"), std::string::npos) << r.out;
}

TEST(CliImportRaw, BadArgumentsAndFailures)
{
    TempDir dir;
    const std::string raw = dir.File("rec.bin");
    WriteAll(raw, {1, 2, 3, 4});
    EXPECT_EQ(RunCli({"import-raw", raw, "--rate", "8000", "--channels", "1"}).status, 2);  // no --bits
    EXPECT_EQ(RunCli({"import-raw", raw, "--rate", "8000", "--channels", "1", "--bits", "20"}).status, 2);
    EXPECT_EQ(RunCli({"import-raw", raw, "--rate", "-5", "--channels", "1", "--bits", "16"}).status, 2);
    EXPECT_EQ(RunCli({"import-raw", raw, "--rate", "8000", "--channels", "0", "--bits", "16"}).status, 2);
    EXPECT_EQ(RunCli({"import-raw", raw, "--rate", "8000", "--channels", "1", "--bits", "16", "-o", dir.File("x.raw")})
                  .status,
              2);
    EXPECT_EQ(RunCli({"import-raw", raw, "--rate", "8000", "--channels", "1", "--bits", "16", "--type", "aiff", "-o",
                      dir.File("x.wav")})
                  .status,
              2);
    const auto r = RunCli({"import-raw", dir.File("missing.bin"), "--rate", "8000", "--channels", "1", "--bits", "16"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot import"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing.bin.WAV")));
}

} // namespace
