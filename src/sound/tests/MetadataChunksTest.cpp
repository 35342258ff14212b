// Carrying metadata chunks from a sound to its new version: between WAVs
// wherever they stood, into AIFF only what has a meaning there, never into
// a target that has no samples for them to follow.

#include "CSoundFile.h"
#include "MetadataChunks.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

using tavril::CSoundFile;
using tavril::test::Int16Bytes;
using tavril::test::ReadAll;
using tavril::test::RiffBuilder;
using tavril::test::TempDir;
using tavril::test::WriteAll;

namespace {

std::vector<unsigned char> Text(const std::string& s) { return {s.begin(), s.end()}; }

bool Contains(const std::vector<unsigned char>& hay, const std::vector<unsigned char>& needle)
{
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

std::string MakeSound(const std::string& path, const std::vector<int16_t>& samples)
{
    CSoundFile f;
    if (!f.Create(path, 8000, 1, 16)) return {};
    f.WriteFrames(samples.data(), static_cast<uint32_t>(samples.size()));
    f.Close();
    return path;
}

} // namespace

TEST(MetadataChunks, WavChunksBeforeAndAfterTheSamplesCarryOver)
{
    TempDir dir;
    const std::string source = dir.File("recorder.wav");
    // An odd-sized LIST before the samples (padded), bext and guan after.
    const auto list = Text("INFOINAM\x05\0\0\0wren\0");
    const auto guan = Text("GUANO|Version: 1.0\nSpecies: Troglodytes\n");
    WriteAll(source, RiffBuilder()
                         .Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16))
                         .Chunk("LIST", list)
                         .Chunk("data", Int16Bytes({5, 6, 7}))
                         .Chunk("bext", std::vector<unsigned char>(602, 'b'))
                         .Chunk("guan", guan)
                         .Bytes());
    const std::string target = MakeSound(dir.File("edited.wav"), {1, 2, 3, 4});
    std::vector<std::string> dropped;
    std::string error;
    ASSERT_EQ(tavril::CarryMetadataChunks(source, target, dropped, error), 1) << error;
    EXPECT_TRUE(dropped.empty());
    const auto bytes = ReadAll(target);
    EXPECT_TRUE(Contains(bytes, list));
    EXPECT_TRUE(Contains(bytes, guan));
    EXPECT_EQ(bytes.size() % 2, 0u);
    // RIFF size = file size - 8, and the samples are still exactly the four.
    EXPECT_EQ(bytes[4] | (bytes[5] << 8) | (bytes[6] << 16) | (bytes[7] << 24), int(bytes.size() - 8));
    CSoundFile f;
    ASSERT_EQ(f.Open(target), 1);
    EXPECT_EQ(f.GetFrameCount(), 4u);
    const auto ids = tavril::ListMetadataChunks(target);
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids[0].id + ids[1].id + ids[2].id, "LISTbextguan");

    // Carrying again adds nothing: the target has them already.
    ASSERT_EQ(tavril::CarryMetadataChunks(source, target, dropped, error), 1);
    EXPECT_EQ(ReadAll(target).size(), bytes.size());

    FILE* p = popen(("soxi -s '" + target + "' 2>/dev/null").c_str(), "r");
    char buf[32] = {};
    if (p && std::fgets(buf, sizeof buf, p)) {
        EXPECT_STREQ(buf, "4\n") << "sox reads the samples only";
    }
    if (p) pclose(p);
}

TEST(MetadataChunks, BetweenFormatsOnlyTagsCarryAndTheRestIsNamed)
{
    TempDir dir;
    const std::string source = dir.File("tagged.wav");
    const auto id3 = Text("ID3\x03\0\0\0\0\0\x0a" "0123456789");
    WriteAll(source, RiffBuilder()
                         .Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16))
                         .Chunk("data", Int16Bytes({5, 6}))
                         .Chunk("LIST", Text("INFOICMT\x02\0\0\0x\0"))
                         .Chunk("id3 ", id3)
                         .Bytes());
    const std::string aiff = MakeSound(dir.File("out.aif"), {1, 2});
    std::vector<std::string> dropped;
    std::string error;
    ASSERT_EQ(tavril::CarryMetadataChunks(source, aiff, dropped, error), 1) << error;
    EXPECT_EQ(dropped, std::vector<std::string>{"LIST"});
    const auto ids = tavril::ListMetadataChunks(aiff);
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(ids[0].id, "ID3 ");
    CSoundFile f;
    ASSERT_EQ(f.Open(aiff), 1);
    EXPECT_EQ(f.GetFrameCount(), 2u);

    // A target without samples would read the chunks as samples: none go,
    // and the caller learns which.
    const std::string empty = MakeSound(dir.File("empty.wav"), {});
    const auto before = ReadAll(empty);
    dropped.clear();
    ASSERT_EQ(tavril::CarryMetadataChunks(source, empty, dropped, error), 1);
    EXPECT_EQ(ReadAll(empty), before);
    EXPECT_EQ(dropped, (std::vector<std::string>{"LIST", "id3 "}));
}

TEST(MetadataChunks, FractionalAiffRateComesBackAndWavRefusesIt)
{
    TempDir dir;
    const std::string source = dir.File("bat.aif");
    {
        CSoundFile f;
        ASSERT_EQ(f.Create(source, 5298.25, 1, 16), 1);
        const int16_t v[2] = {1, 2};
        f.WriteFrames(v, 2);
    }
    // What a WAV working copy leaves: the rate in whole hertz.
    const std::string target = dir.File("saved.aif");
    {
        CSoundFile f;
        ASSERT_EQ(f.Create(target, 5298, 1, 16), 1);
        const int16_t v[2] = {1, 2};
        f.WriteFrames(v, 2);
    }
    ASSERT_EQ(tavril::CarryExactRate(source, target), 1);
    CSoundFile f;
    ASSERT_EQ(f.Open(target), 1);
    EXPECT_DOUBLE_EQ(f.GetSampleRate(), 5298.25);
    std::string why;
    EXPECT_FALSE(tavril::FormatHoldsRate(tavril::kFormatWav, 5298.25, why));
    EXPECT_NE(why.find("5298.25"), std::string::npos) << why;
    EXPECT_TRUE(tavril::FormatHoldsRate(tavril::kFormatAiff, 5298.25, why));
    EXPECT_TRUE(tavril::FormatHoldsRate(tavril::kFormatWav, 44100, why));
}
