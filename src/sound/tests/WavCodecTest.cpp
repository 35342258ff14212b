// WAV headers the program did not write: chunk orders, pad bytes, format
// tags, damaged files, and header rewrites that must not harm foreign files.

#include "CSoundFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

using tavril::CSoundFile;
using tavril::test::Int16Bytes;
using tavril::test::Put16LE;
using tavril::test::Put32LE;
using tavril::test::ReadAll;
using tavril::test::RiffBuilder;
using tavril::test::TempDir;
using tavril::test::WriteAll;

namespace {

const std::vector<int16_t> kSamples = {0, 1, -1, 32767, -32768, 1234, -4321, 77, 5, 6};

std::vector<int16_t> ReadAllInt16(CSoundFile& f)
{
    std::vector<int16_t> v(size_t(f.GetFrameCount()) * f.GetChannels());
    f.Seek(0);
    f.ReadFrames(v.data(), f.GetFrameCount(), 16);
    return v;
}

std::vector<unsigned char> ListChunk(size_t bytes)
{
    std::vector<unsigned char> v = {'I', 'N', 'F', 'O'};
    for (size_t i = 4; i < bytes; ++i) v.push_back(static_cast<unsigned char>('a' + i % 26));
    return v;
}

// Writes bytes as a file and opens it; returns whether Open succeeded.
int OpenBytes(const TempDir& dir, const std::string& name, const std::vector<unsigned char>& bytes, CSoundFile& f)
{
    WriteAll(dir.File(name), bytes);
    return f.Open(dir.File(name));
}

} // namespace

TEST(WavCodecLayouts, SixteenByteFormatChunkGivesDataOffset44)
{
    TempDir dir;
    CSoundFile f;
    auto bytes = RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(1, 1, 22050, 16)).Chunk("data", Int16Bytes(kSamples)).Bytes();
    ASSERT_EQ(OpenBytes(dir, "a.wav", bytes, f), 1);
    EXPECT_EQ(f.GetDataOffset(), 44u);
    EXPECT_EQ(f.GetFrameCount(), kSamples.size());
    EXPECT_EQ(ReadAllInt16(f), kSamples);
}

TEST(WavCodecLayouts, ChunksAroundTheDataAreSkipped)
{
    TempDir dir;
    {
        CSoundFile f;
        auto bytes = RiffBuilder()
                         .Chunk("fmt ", RiffBuilder::Fmt(1, 2, 8000, 16, true))
                         .Chunk("LIST", ListChunk(31))  // odd: padded
                         .Chunk("data", Int16Bytes(kSamples))
                         .Bytes();
        ASSERT_EQ(OpenBytes(dir, "list.wav", bytes, f), 1);
        EXPECT_EQ(f.GetFrameCount(), 5u);
        EXPECT_EQ(ReadAllInt16(f), kSamples);
    }
    {
        CSoundFile f;
        auto bytes = RiffBuilder()
                         .Chunk("data", Int16Bytes(kSamples))
                         .Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16))
                         .Bytes();
        ASSERT_EQ(OpenBytes(dir, "datafirst.wav", bytes, f), 1) << "data before fmt";
        EXPECT_EQ(f.GetDataOffset(), 20u);
        EXPECT_EQ(ReadAllInt16(f), kSamples);
    }
    {
        CSoundFile f;
        auto bytes = RiffBuilder()
                         .Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16))
                         .Chunk("JUNK", ListChunk(31), false)  // writer left out the pad byte
                         .Chunk("data", Int16Bytes(kSamples))
                         .Bytes();
        ASSERT_EQ(OpenBytes(dir, "nopad.wav", bytes, f), 1);
        EXPECT_EQ(ReadAllInt16(f), kSamples);
    }
    {
        // Trailing chunks after the samples are not read as sound.
        CSoundFile f;
        auto bytes = RiffBuilder()
                         .Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16))
                         .Chunk("data", Int16Bytes(kSamples))
                         .Chunk("LIST", ListChunk(40))
                         .Bytes();
        ASSERT_EQ(OpenBytes(dir, "trail.wav", bytes, f), 1);
        std::vector<int16_t> v(20, -7);
        f.ReadFrames(v.data(), 20);
        for (size_t i = 10; i < 20; ++i) EXPECT_EQ(v[i], 0) << i;
    }
}

TEST(WavCodecLayouts, UnfinishedDataSizeTakesTheRestOfTheFile)
{
    TempDir dir;
    CSoundFile f;
    auto bytes = RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16)).RawChunk("data", 0, Int16Bytes(kSamples)).Bytes();
    ASSERT_EQ(OpenBytes(dir, "zero.wav", bytes, f), 1);
    EXPECT_EQ(f.GetFrameCount(), kSamples.size());
}

TEST(WavCodecLayouts, FloatAndExtensibleAreConverted)
{
    TempDir dir;
    std::vector<unsigned char> floats;
    const float values[4] = {0.0f, 0.5f, -1.0f, 1.5f};  // 1.5 is clipped, not wrapped
    for (float v : values) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        Put32LE(floats, u);
    }
    {
        CSoundFile f;
        auto bytes = RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(3, 1, 44100, 32, true)).Chunk("data", floats).Bytes();
        ASSERT_EQ(OpenBytes(dir, "float.wav", bytes, f), 1);
        EXPECT_EQ(f.GetBitsPerSample(), 32u);
        EXPECT_EQ(ReadAllInt16(f), (std::vector<int16_t>{0, 16384, -32768, 32767}));
    }
    {
        CSoundFile f;
        auto bytes = RiffBuilder().Chunk("fmt ", RiffBuilder::FmtExtensible(3, 1, 44100, 32, 32)).Chunk("data", floats).Bytes();
        ASSERT_EQ(OpenBytes(dir, "extfloat.wav", bytes, f), 1);
        EXPECT_EQ(ReadAllInt16(f), (std::vector<int16_t>{0, 16384, -32768, 32767}));
    }
    {
        // 24 valid bits in 32-bit containers.
        std::vector<unsigned char> d;
        for (int32_t v : {0x12345600, -0x10000, 0x7fffff00}) Put32LE(d, static_cast<uint32_t>(v));
        CSoundFile f;
        auto bytes = RiffBuilder().Chunk("fmt ", RiffBuilder::FmtExtensible(1, 1, 48000, 32, 24)).Chunk("data", d).Bytes();
        ASSERT_EQ(OpenBytes(dir, "ext24.wav", bytes, f), 1);
        EXPECT_EQ(f.GetBitsPerSample(), 32u);
        EXPECT_EQ(ReadAllInt16(f), (std::vector<int16_t>{0x1234, -1, 0x7fff}));
    }
}

TEST(WavCodecLayouts, CompressedCodingsAreRefused)
{
    TempDir dir;
    for (uint16_t tag : {2, 6, 7, 0x11, 0x55}) {  // ADPCM, A-law, mu-law, IMA ADPCM, MP3
        CSoundFile f;
        auto bytes = RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(tag, 1, 8000, 8, true)).Chunk("data", {1, 2, 3, 4}).Bytes();
        EXPECT_EQ(OpenBytes(dir, "c.wav", bytes, f), 0) << "tag " << tag;
    }
    CSoundFile f;
    auto bytes = RiffBuilder().Chunk("fmt ", RiffBuilder::FmtExtensible(7, 1, 8000, 8, 8)).Chunk("data", {1, 2}).Bytes();
    EXPECT_EQ(OpenBytes(dir, "extulaw.wav", bytes, f), 0);
}

TEST(WavCodecLayouts, DamagedFilesFailToOpen)
{
    TempDir dir;
    const auto good = RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16)).Chunk("data", Int16Bytes(kSamples)).Bytes();
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
    };
    std::vector<Case> cases;
    for (size_t n : {0, 4, 11, 12, 20, 35, 43}) cases.push_back({"truncated", {good.begin(), good.begin() + n}});
    cases.push_back({"no fmt", RiffBuilder().Chunk("data", Int16Bytes(kSamples)).Bytes()});
    cases.push_back({"no data", RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16)).Bytes()});
    cases.push_back({"zero channels", RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(1, 0, 8000, 16, false, 2)).Chunk("data", {1, 2}).Bytes()});
    cases.push_back({"zero rate", RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(1, 1, 0, 16)).Chunk("data", {1, 2}).Bytes()});
    cases.push_back({"zero bits", RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 0, false, 2)).Chunk("data", {1, 2}).Bytes()});
    cases.push_back({"absurd channels", RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(1, 60000, 8000, 16, false, 2)).Chunk("data", {1, 2}).Bytes()});
    cases.push_back({"short fmt", RiffBuilder().Chunk("fmt ", {1, 0, 1, 0}).Chunk("data", {1, 2}).Bytes()});
    cases.push_back({"chunk past the end", RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16)).RawChunk("LIST", 0x7ffffff0, {1, 2, 3, 4}).Chunk("data", {1, 2}).Bytes()});
    cases.push_back({"not RIFF", RiffBuilder("WAVE", "RIFZ").Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16)).Chunk("data", {1, 2}).Bytes()});
    cases.push_back({"not WAVE", RiffBuilder("AVI ").Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16)).Chunk("data", {1, 2}).Bytes()});
    cases.push_back({"5-byte samples", RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 40)).Chunk("data", {1, 2, 3, 4, 5}).Bytes()});
    // A long run of empty chunks must end, not loop.
    RiffBuilder many;
    many.Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16));
    for (int i = 0; i < 20000; ++i) many.Chunk("JUNK", {});
    cases.push_back({"no data after many chunks", many.Bytes()});
    for (const auto& c : cases) {
        CSoundFile f;
        EXPECT_EQ(OpenBytes(dir, "bad.wav", c.bytes, f), 0) << c.what;
        EXPECT_FALSE(f.IsOpen()) << c.what;
    }
}

TEST(WavCodecLayouts, CutShortRecordingsOpenWithTheWholeFramesPresent)
{
    TempDir dir;
    // Stereo 16-bit, 5 frames promised; the copy stops inside frame 3.
    const auto whole = RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(1, 2, 8000, 16)).Chunk("data", Int16Bytes(kSamples)).Bytes();
    CSoundFile f;
    ASSERT_EQ(OpenBytes(dir, "cut.wav", {whole.begin(), whole.end() - 6}, f), 1);
    EXPECT_TRUE(f.HasTruncation());
    EXPECT_EQ(f.GetFrameCount(), 3u);
    std::vector<int16_t> got(6);
    f.ReadFrames(got.data(), 3);
    EXPECT_EQ(got, std::vector<int16_t>(kSamples.begin(), kSamples.begin() + 6));
    // A size far beyond the file, and a complete file, for contrast.
    CSoundFile g;
    ASSERT_EQ(OpenBytes(dir, "huge.wav", RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16)).RawChunk("data", 0xfffffff0, {1, 2, 3, 4, 5}).Bytes(), g), 1);
    EXPECT_EQ(g.GetFrameCount(), 2u);
    EXPECT_TRUE(g.HasTruncation());
    CSoundFile h;
    ASSERT_EQ(OpenBytes(dir, "whole.wav", whole, h), 1);
    EXPECT_FALSE(h.HasTruncation());
}

TEST(WavCodecRewrite, ForeignFileKeepsItsSamplesAndChunks)
{
    TempDir dir;
    const std::string path = dir.File("foreign.wav");
    const auto list = ListChunk(24);
    WriteAll(path, RiffBuilder()
                       .Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16))
                       .Chunk("LIST", list)
                       .Chunk("data", Int16Bytes(kSamples))
                       .Bytes());
    {
        CSoundFile f;
        ASSERT_EQ(f.Open(path), 1);
        ASSERT_EQ(f.GetDataOffset(), 76u);
        f.Seek(f.GetFrameCount());
        const int16_t more[3] = {11, 12, 13};
        ASSERT_EQ(f.WriteFrames(more, 3), 3u);
    }
    const auto b = ReadAll(path);
    EXPECT_EQ(std::memcmp(b.data() + 44, list.data(), list.size()), 0) << "LIST chunk untouched";
    CSoundFile g;
    ASSERT_EQ(g.Open(path), 1);
    EXPECT_EQ(g.GetDataOffset(), 76u);
    auto expected = kSamples;
    expected.insert(expected.end(), {11, 12, 13});
    EXPECT_EQ(ReadAllInt16(g), expected);
    EXPECT_EQ(b.size(), 76u + expected.size() * 2);
}

TEST(WavCodecRewrite, GrowingOverTrailingChunksKeepsTheFileValid)
{
    TempDir dir;
    const std::string path = dir.File("tail.wav");
    WriteAll(path, RiffBuilder()
                       .Chunk("data", Int16Bytes(kSamples))
                       .Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16))
                       .Chunk("LIST", ListChunk(20))
                       .Bytes());
    {
        // Writing inside the data keeps the chunks after it.
        CSoundFile f;
        ASSERT_EQ(f.Open(path), 1);
        f.Seek(2);
        const int16_t v = 999;
        f.WriteFrames(&v, 1);
    }
    EXPECT_EQ(ReadAll(path).size(), 8u + 4 + 8 + 20 + 8 + 16 + 8 + 20);
    {
        CSoundFile f;
        ASSERT_EQ(f.Open(path), 1);
        f.Seek(f.GetFrameCount());
        std::vector<int16_t> more(40, 3);
        f.WriteFrames(more.data(), 40);
    }
    CSoundFile g;
    ASSERT_EQ(g.Open(path), 1) << "the format chunk is written again after the grown data";
    EXPECT_EQ(g.GetFrameCount(), 50u);
    auto got = ReadAllInt16(g);
    EXPECT_EQ(got[2], 999);
    EXPECT_EQ(got[1], 1);
    EXPECT_EQ(got[49], 3);
    EXPECT_DOUBLE_EQ(g.GetSampleRate(), 8000.0);
}

TEST(WavCodecRewrite, FloatFileStaysFloatWhenWritten)
{
    TempDir dir;
    const std::string path = dir.File("f.wav");
    std::vector<unsigned char> floats;
    for (float v : {0.25f, -0.25f}) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        Put32LE(floats, u);
    }
    WriteAll(path, RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(3, 1, 44100, 32, true)).Chunk("fact", {2, 0, 0, 0}).Chunk("data", floats).Bytes());
    {
        CSoundFile f;
        ASSERT_EQ(f.Open(path), 1);
        f.Seek(2);
        const int16_t v = -16384;
        f.WriteFrames(&v, 1, 16);
    }
    const auto b = ReadAll(path);
    EXPECT_EQ(b[20], 3) << "format tag kept";
    float last;
    std::memcpy(&last, b.data() + b.size() - 4, 4);
    EXPECT_FLOAT_EQ(last, -0.5f);
    CSoundFile g;
    ASSERT_EQ(g.Open(path), 1);
    EXPECT_EQ(ReadAllInt16(g), (std::vector<int16_t>{8192, -8192, -16384}));
}

namespace {

std::vector<unsigned char> Be(std::initializer_list<std::pair<uint32_t, int>> fields)
{
    std::vector<unsigned char> v;
    for (auto [value, bytes] : fields)
        for (int i = bytes; i-- > 0;) v.push_back(static_cast<unsigned char>(value >> (8 * i)));
    return v;
}

bool SoxReads(const std::string& path, long& frames)
{
    FILE* p = popen(("soxi -s '" + path + "' 2>/dev/null").c_str(), "r");
    if (!p) return false;
    char buf[64] = {};
    const bool got = std::fgets(buf, sizeof buf, p) != nullptr;
    const int status = pclose(p);
    frames = std::atol(buf);
    return got && status == 0;
}

} // namespace

// Appending in place (what a recorder's append mode does) must leave every
// field other than the sizes as the file had it.
TEST(WavCodecRewrite, AppendingKeepsExtensibleRifxAndRf64Readable)
{
    TempDir dir;
    const auto samples = Int16Bytes({100, -100, 200, -200});
    // 24 valid bits in 32-bit containers, 2 frames of stereo.
    std::vector<unsigned char> s24 = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    std::vector<unsigned char> ds64(28, 0);
    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
        uint64_t fmtBody;  // where the format chunk's body starts
        uint32_t fmtSize;
    };
    const std::vector<Case> cases = {
        {"ext.wav", RiffBuilder().Chunk("fmt ", RiffBuilder::FmtExtensible(1, 2, 48000, 32, 24)).Chunk("data", s24).Bytes(), 20, 40},
        {"rifx.wav",
         [&] {
             std::vector<unsigned char> f = Be({{1, 2}, {1, 2}, {8000, 4}, {16000, 4}, {2, 2}, {16, 2}});
             std::vector<unsigned char> d = Be({{100, 2}, {0xFF9C, 2}, {200, 2}, {0xFF38, 2}});
             std::vector<unsigned char> b = {'R', 'I', 'F', 'X'};
             auto size = Be({{4 + 8 + 16 + 8 + 8, 4}});
             b.insert(b.end(), size.begin(), size.end());
             for (const char* t : {"WAVE", "fmt "}) b.insert(b.end(), t, t + 4);
             auto fs = Be({{16, 4}});
             b.insert(b.end(), fs.begin(), fs.end());
             b.insert(b.end(), f.begin(), f.end());
             b.insert(b.end(), {'d', 'a', 't', 'a'});
             auto ds = Be({{8, 4}});
             b.insert(b.end(), ds.begin(), ds.end());
             b.insert(b.end(), d.begin(), d.end());
             return b;
         }(),
         20, 16},
        {"rf64.wav",
         [&] {
             std::vector<unsigned char> d = ds64;
             d[8] = 8;  // data size 8 bytes
             return RiffBuilder("WAVE", "RF64").Chunk("ds64", d).Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16)).RawChunk("data", 0xFFFFFFFFu, samples).Bytes();
         }(),
         56, 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File(c.name);
        WriteAll(path, c.bytes);
        uint32_t before = 0;
        std::vector<int16_t> first;
        {
            CSoundFile f;
            ASSERT_EQ(f.Open(path), 1);
            before = f.GetFrameCount();
            first = ReadAllInt16(f);
            f.Seek(before);
            std::vector<int16_t> more(size_t(3) * f.GetChannels(), 7);
            ASSERT_EQ(f.WriteFrames(more.data(), 3, 16), 3u);
        }
        const auto after = ReadAll(path);
        // Only the sizes may change; the format chunk is as it was.
        EXPECT_TRUE(std::equal(c.bytes.begin() + c.fmtBody, c.bytes.begin() + c.fmtBody + c.fmtSize, after.begin() + c.fmtBody));
        CSoundFile g;
        ASSERT_EQ(g.Open(path), 1);
        EXPECT_EQ(g.GetFrameCount(), before + 3);
        auto again = ReadAllInt16(g);
        again.resize(first.size());
        EXPECT_EQ(again, first);
        long soxFrames = 0;
        if (SoxReads(path, soxFrames)) {
            EXPECT_EQ(soxFrames, long(before + 3)) << "sox reads the rewritten file";
        }
    }
}

TEST(WavCodecLayouts, FirstBytesDecideTheReaderWhateverTheName)
{
    TempDir dir;
    const auto wav = RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(1, 1, 8000, 16)).Chunk("data", Int16Bytes(kSamples)).Bytes();
    // A minimal AIFF: COMM (1 channel, 2 frames, 16 bits, 8000 Hz) and SSND.
    std::vector<unsigned char> aiff = Be({{'F' << 24 | 'O' << 16 | 'R' << 8 | 'M', 4}, {4 + 26 + 8 + 12, 4}});
    for (const char* t : {"AIFF", "COMM"}) aiff.insert(aiff.end(), t, t + 4);
    const auto comm = Be({{18, 4}, {1, 2}, {2, 4}, {16, 2}, {0x400B, 2}, {0xFA000000, 4}, {0, 4}});
    aiff.insert(aiff.end(), comm.begin(), comm.end());
    aiff.insert(aiff.end(), {'S', 'S', 'N', 'D'});
    const auto ssnd = Be({{12, 4}, {0, 4}, {0, 4}, {0x1234, 2}, {0xFEDC, 2}});
    aiff.insert(aiff.end(), ssnd.begin(), ssnd.end());
    struct Case {
        const char* name;
        const std::vector<unsigned char>* bytes;
        uint32_t frames;
        double rate;
    };
    for (const Case& c : {Case{"aiff-named.wav", &aiff, 2, 8000}, Case{"aiff.aifc", &aiff, 2, 8000},
                          Case{"wav-named.aif", &wav, 10, 8000}, Case{"no-extension", &wav, 10, 8000}}) {
        CSoundFile f;
        ASSERT_EQ(OpenBytes(dir, c.name, *c.bytes, f), 1) << c.name;
        EXPECT_EQ(f.GetFrameCount(), c.frames) << c.name;
        EXPECT_DOUBLE_EQ(f.GetSampleRate(), c.rate) << c.name;
        if (c.bytes == &aiff) {
            std::vector<int16_t> v(2);
            f.ReadFrames(v.data(), 2);
            EXPECT_EQ(v, (std::vector<int16_t>{0x1234, int16_t(0xFEDC)})) << "read as big-endian " << c.name;
        }
    }
    // The name still decides what a new file is.
    EXPECT_EQ(CSoundFile::FormatFromName("x.aifc"), tavril::kFormatAiff);
}
