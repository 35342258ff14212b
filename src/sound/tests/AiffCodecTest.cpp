// AIFF and AIFF-C: header layout written, chunk search (pad bytes present and
// missing), the 80-bit rate, sample layouts, malformed headers, in-place
// header updates, libsndfile as an outside reader, and the corpus files.

#include "AiffCodec.h"
#include "CSoundFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifdef TAVRIL_HAVE_SNDFILE
#include <sndfile.h>
#endif

namespace tavril {
namespace {

using test::ReadAll;
using test::TempDir;
using test::WriteAll;

void Be16(std::vector<unsigned char>& v, uint16_t x)
{
    v.push_back(uint8_t(x >> 8));
    v.push_back(uint8_t(x));
}

void Be32(std::vector<unsigned char>& v, uint32_t x)
{
    for (int i = 3; i >= 0; --i) v.push_back(uint8_t(x >> (8 * i)));
}

uint32_t GetBe32(const std::vector<unsigned char>& v, size_t at)
{
    return (uint32_t(v[at]) << 24) | (uint32_t(v[at + 1]) << 16) | (uint32_t(v[at + 2]) << 8) | v[at + 3];
}

// Hand-made FORM files, for layouts no writer of ours produces.
class AiffBuilder {
public:
    explicit AiffBuilder(const char* formType = "AIFF") : m_type(formType) {}
    AiffBuilder& Chunk(const char* id, const std::vector<unsigned char>& body, bool pad = true, int64_t size = -1)
    {
        m_body.insert(m_body.end(), id, id + 4);
        Be32(m_body, size < 0 ? uint32_t(body.size()) : uint32_t(size));
        m_body.insert(m_body.end(), body.begin(), body.end());
        if (pad && (body.size() & 1)) m_body.push_back(0);
        return *this;
    }
    std::vector<unsigned char> Bytes() const
    {
        std::vector<unsigned char> out = {'F', 'O', 'R', 'M'};
        Be32(out, uint32_t(m_body.size() + 4));
        out.insert(out.end(), m_type, m_type + 4);
        out.insert(out.end(), m_body.begin(), m_body.end());
        return out;
    }
    static std::vector<unsigned char> Comm(uint16_t channels, uint32_t frames, uint16_t bits, double rate,
                                           const char* compression = nullptr)
    {
        std::vector<unsigned char> c;
        Be16(c, channels);
        Be32(c, frames);
        Be16(c, bits);
        unsigned char ext[10];
        AiffCodec::DoubleToExtended(rate, ext);
        c.insert(c.end(), ext, ext + 10);
        if (compression) {
            c.insert(c.end(), compression, compression + 4);
            c.push_back(0);  // empty Pascal name, padded to even
            c.push_back(0);
        }
        return c;
    }
    static std::vector<unsigned char> Ssnd(const std::vector<unsigned char>& samples, uint32_t offset = 0)
    {
        std::vector<unsigned char> s;
        Be32(s, offset);
        Be32(s, 0);
        s.insert(s.end(), offset, 0xEE);
        s.insert(s.end(), samples.begin(), samples.end());
        return s;
    }

private:
    const char* m_type;
    std::vector<unsigned char> m_body;
};

std::vector<unsigned char> Be16Samples(const std::vector<int16_t>& v)
{
    std::vector<unsigned char> out;
    for (int16_t s : v) Be16(out, uint16_t(s));
    return out;
}

std::vector<int16_t> ReadAll16(CSoundFile& f)
{
    std::vector<int16_t> v(size_t(f.GetFrameCount()) * f.GetChannels());
    f.Seek(0);
    f.ReadFrames(v.data(), f.GetFrameCount(), 16);
    return v;
}

std::string HeaderMessage(const std::string& path, SoundHeader* out = nullptr)
{
    CFileHandle fh;
    if (!fh.OpenReadOnly(path)) return "cannot open";
    SoundHeader h;
    std::string msg;
    const int ok = AiffCodec().ReadHeader(fh, h, msg);
    if (out) *out = h;
    EXPECT_EQ(ok == 1, msg.empty());
    return msg;
}

TEST(AiffCodec, WrittenStereoFileHasTheFixedLayoutAndSizes)
{
    TempDir dir;
    const std::string path = dir.File("s.aif");
    std::vector<int16_t> frames(2000);
    for (size_t i = 0; i < frames.size(); ++i) frames[i] = int16_t(i * 37 - 30000);
    {
        CSoundFile f;
        ASSERT_EQ(f.Create(path, 22050, 2, 16), 1);
        ASSERT_EQ(f.WriteFrames(frames.data(), 1000), 1000u);
    }
    const auto bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), 4054u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "FORM");
    EXPECT_EQ(GetBe32(bytes, 4), 4046u);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "AIFFCOMM");
    EXPECT_EQ(GetBe32(bytes, 16), 18u);
    EXPECT_EQ(GetBe32(bytes, 22), 1000u);  // frames
    EXPECT_EQ(std::string(bytes.begin() + 38, bytes.begin() + 42), "SSND");
    EXPECT_EQ(GetBe32(bytes, 42), 4008u);
    EXPECT_EQ(GetBe32(bytes, 46), 0u);
    EXPECT_EQ(GetBe32(bytes, 50), 0u);
    // Samples are big-endian: the first is -30000 = 0x8AD0.
    EXPECT_EQ(bytes[54], 0x8A);
    EXPECT_EQ(bytes[55], 0xD0);

    CSoundFile r;
    ASSERT_EQ(r.Open(path), 1);
    EXPECT_EQ(r.GetDataOffset(), 54u);
    EXPECT_EQ(r.GetSampleRate(), 22050.0);
    EXPECT_EQ(ReadAll16(r), frames);
}

TEST(AiffCodec, ExtendedRateConvertsExactlyBothWays)
{
    unsigned char b[10];
    AiffCodec::DoubleToExtended(44100.0, b);
    const unsigned char expected44100[10] = {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(b, expected44100, 10), 0);
    for (double rate : {22050.0, 8000.0, 1.0, 0.01, 5298.25, 8912.75, 2900000.0, 384000.0, 44100.0 / 3}) {
        AiffCodec::DoubleToExtended(rate, b);
        EXPECT_EQ(AiffCodec::ExtendedToDouble(b), rate) << rate;
    }
    // Infinity and NaN are recognised, so that headers holding them are refused.
    const unsigned char inf[10] = {0x7F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0};
    const unsigned char nan[10] = {0x7F, 0xFF, 0xC0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(std::isinf(AiffCodec::ExtendedToDouble(inf)));
    EXPECT_TRUE(std::isnan(AiffCodec::ExtendedToDouble(nan)));
}

TEST(AiffCodec, ChunkSearchSkipsPadBytesAndCopesWithMissingOnes)
{
    TempDir dir;
    const std::vector<int16_t> samples = {1, -2, 300, -32768, 32767};
    const auto name = std::vector<unsigned char>{'s', 'o', 'n', 'g', '!'};  // odd size
    for (bool pad : {true, false}) {
        const std::string path = dir.File(pad ? "padded.aif" : "unpadded.aif");
        WriteAll(path, AiffBuilder()
                           .Chunk("NAME", name, pad)
                           .Chunk("COMM", AiffBuilder::Comm(1, 5, 16, 22050))
                           .Chunk("ANNO", name, pad)
                           .Chunk("SSND", AiffBuilder::Ssnd(Be16Samples(samples)))
                           .Bytes());
        CSoundFile f;
        ASSERT_EQ(f.Open(path), 1) << path << ": " << HeaderMessage(path);
        EXPECT_EQ(f.GetFrameCount(), 5u);
        EXPECT_EQ(ReadAll16(f), samples);
    }
}

TEST(AiffCodec, SsndOffsetMovesTheFirstSample)
{
    TempDir dir;
    const std::string path = dir.File("o.aiff");
    const std::vector<int16_t> samples = {100, 200, 300, 400};
    WriteAll(path, AiffBuilder()
                       .Chunk("COMM", AiffBuilder::Comm(2, 2, 16, 44100))
                       .Chunk("SSND", AiffBuilder::Ssnd(Be16Samples(samples), 12))
                       .Bytes());
    CSoundFile f;
    ASSERT_EQ(f.Open(path), 1);
    EXPECT_EQ(f.GetDataOffset(), 54u + 12u);
    EXPECT_EQ(f.GetFrameCount(), 2u);
    EXPECT_EQ(ReadAll16(f), samples);
}

TEST(AiffCodec, EightBitSamplesAreSignedOnDisk)
{
    TempDir dir;
    const std::string path = dir.File("e.aif");
    const std::vector<uint8_t> mem = {128, 0, 255, 129};  // memory model: unsigned, 128 silence
    {
        CSoundFile f;
        ASSERT_EQ(f.Create(path, 8000, 1, 8), 1);
        f.WriteFrames(mem.data(), 4);
    }
    const auto bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), 58u);
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 54, bytes.end()),
              (std::vector<unsigned char>{0x00, 0x80, 0x7F, 0x01}));
    CSoundFile r;
    ASSERT_EQ(r.Open(path), 1);
    std::vector<uint8_t> back(4);
    r.ReadFrames(back.data(), 4);
    EXPECT_EQ(back, mem);
}

TEST(AiffCodec, OddSampleDataGetsItsPadByte)
{
    TempDir dir;
    const std::string path = dir.File("odd.aif");
    const std::vector<uint8_t> mem = {1, 2, 3};
    {
        CSoundFile f;
        ASSERT_EQ(f.Create(path, 8000, 1, 8), 1);
        f.WriteFrames(mem.data(), 3);
    }
    const auto bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), 58u);           // 54 + 3 samples + pad
    EXPECT_EQ(GetBe32(bytes, 4), 50u);      // FORM counts the pad
    EXPECT_EQ(GetBe32(bytes, 42), 11u);     // SSND does not
    CSoundFile r;
    ASSERT_EQ(r.Open(path), 1);
    EXPECT_EQ(r.GetFrameCount(), 3u);
}

TEST(AiffCodec, WideIntegerSamplesReadAndWriteBigEndian)
{
    TempDir dir;
    // 24-bit memory samples are 3 little-endian bytes; 32-bit are int32.
    const std::vector<int32_t> values = {0, 1, -1, 8388607, -8388608, 123456};
    for (uint32_t bits : {24u, 32u}) {
        const std::string path = dir.File(std::to_string(bits) + "-wide.aiff");
        const uint32_t bytes = bits / 8;
        std::vector<unsigned char> mem;
        for (int32_t v : values) {
            const int64_t scaled = bits == 32 ? int64_t(v) * 256 : v;
            for (uint32_t i = 0; i < bytes; ++i) mem.push_back(uint8_t(uint64_t(scaled) >> (8 * i)));
        }
        {
            CSoundFile f;
            ASSERT_EQ(f.Create(path, 96000, 2, bits), 1);
            f.WriteFrames(mem.data(), 3);
        }
        const auto file = ReadAll(path);
        ASSERT_EQ(file.size(), 54u + mem.size());
        // The second sample (1 or 256) is stored most significant byte first.
        EXPECT_EQ(file[54 + 2 * bytes - 1], bits == 32 ? 0x00 : 0x01);
        EXPECT_EQ(file[54 + 2 * bytes - 2], bits == 32 ? 0x01 : 0x00);
        CSoundFile r;
        ASSERT_EQ(r.Open(path), 1);
        EXPECT_EQ(r.GetBitsPerSample(), bits);
        std::vector<unsigned char> back(mem.size());
        r.ReadFrames(back.data(), 3);
        EXPECT_EQ(back, mem);
    }
}

TEST(AiffCodec, AifcUncompressedTypesAreRead)
{
    TempDir dir;
    struct Case {
        const char* type;
        uint16_t bits;
        std::vector<unsigned char> data;  // two samples
        std::vector<int16_t> expected16;
    };
    const float f32[2] = {0.5f, -0.25f};
    std::vector<unsigned char> fl32, fl64;
    for (float x : f32) {
        uint32_t u;
        std::memcpy(&u, &x, 4);
        Be32(fl32, u);
        double d = x;
        uint64_t w;
        std::memcpy(&w, &d, 8);
        Be32(fl64, uint32_t(w >> 32));
        Be32(fl64, uint32_t(w));
    }
    const std::vector<Case> cases = {
        {"NONE", 16, {0x12, 0x34, 0xFF, 0xFE}, {0x1234, -2}},
        {"twos", 16, {0x12, 0x34, 0xFF, 0xFE}, {0x1234, -2}},
        {"sowt", 16, {0x34, 0x12, 0xFE, 0xFF}, {0x1234, -2}},
        {"twos", 8, {0x7F, 0x80}, {0x7F00, -32768}},
        {"sowt", 8, {0x7F, 0x80}, {0x7F00, -32768}},
        {"raw ", 8, {0xFF, 0x00}, {0x7F00, -32768}},
        {"in24", 24, {0x12, 0x34, 0x56, 0xFF, 0xFE, 0x00}, {0x1234, -2}},
        {"in32", 32, {0x12, 0x34, 0x56, 0x78, 0x80, 0, 0, 0}, {0x1234, -32768}},
        {"fl32", 32, fl32, {16384, -8192}},
        {"fl64", 64, fl64, {16384, -8192}},
    };
    for (const Case& c : cases) {
        std::string type(c.type, 4);
        for (char& ch : type)
            if (ch == ' ') ch = '_';
        const std::string path = dir.File("c-" + type + std::to_string(c.bits) + ".aif");
        WriteAll(path, AiffBuilder("AIFC")
                           .Chunk("FVER", {0xA2, 0x80, 0x51, 0x40})
                           .Chunk("COMM", AiffBuilder::Comm(1, 2, c.bits, 48000, c.type))
                           .Chunk("SSND", AiffBuilder::Ssnd(c.data))
                           .Bytes());
        CSoundFile f;
        ASSERT_EQ(f.Open(path), 1) << c.type << c.bits << ": " << HeaderMessage(path);
        EXPECT_EQ(f.GetFrameCount(), 2u) << c.type;
        EXPECT_EQ(ReadAll16(f), c.expected16) << c.type << c.bits;
    }
}

TEST(AiffCodec, CompressedAndMalformedHeadersFailWithAReason)
{
    TempDir dir;
    const auto samples = Be16Samples({1, 2, 3, 4});
    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
        const char* message;
    };
    std::vector<unsigned char> hugeChunk =
        AiffBuilder().Chunk("JUNK", {1, 2}, true, 0xFFFFFFF0).Chunk("COMM", AiffBuilder::Comm(1, 4, 16, 8000)).Bytes();
    std::vector<unsigned char> truncatedComm = AiffBuilder().Chunk("COMM", AiffBuilder::Comm(1, 4, 16, 8000)).Bytes();
    truncatedComm.resize(30);
    const std::vector<Case> cases = {
        {"empty", {}, AiffCodec::kMsgNotAiff},
        {"riff", {'R', 'I', 'F', 'F', 0, 0, 0, 4, 'W', 'A', 'V', 'E'}, AiffCodec::kMsgNotAiff},
        {"other form", AiffBuilder("8SVX").Chunk("COMM", AiffBuilder::Comm(1, 4, 16, 8000)).Bytes(),
         AiffCodec::kMsgNotAiff},
        {"no comm", AiffBuilder().Chunk("SSND", AiffBuilder::Ssnd(samples)).Bytes(), AiffCodec::kMsgCommSeekFailed},
        {"chunk past end", hugeChunk, AiffCodec::kMsgCommSeekFailed},
        {"truncated comm", truncatedComm, AiffCodec::kMsgCommReadFailed},
        {"short comm", AiffBuilder().Chunk("COMM", {0, 1, 0, 0}).Bytes(), AiffCodec::kMsgCommReadFailed},
        {"no channels",
         AiffBuilder().Chunk("COMM", AiffBuilder::Comm(0, 4, 16, 8000)).Chunk("SSND", AiffBuilder::Ssnd(samples)).Bytes(),
         AiffCodec::kMsgBadFormat},
        {"rate 0",
         AiffBuilder().Chunk("COMM", AiffBuilder::Comm(1, 4, 16, 0)).Chunk("SSND", AiffBuilder::Ssnd(samples)).Bytes(),
         AiffCodec::kMsgBadFormat},
        {"rate inf",
         AiffBuilder().Chunk("COMM", AiffBuilder::Comm(1, 4, 16, HUGE_VAL)).Chunk("SSND", AiffBuilder::Ssnd(samples)).Bytes(),
         AiffCodec::kMsgBadFormat},
        {"33 bits",
         AiffBuilder().Chunk("COMM", AiffBuilder::Comm(1, 4, 33, 8000)).Chunk("SSND", AiffBuilder::Ssnd(samples)).Bytes(),
         AiffCodec::kMsgReadSampleSize},
        {"ulaw",
         AiffBuilder("AIFC").Chunk("COMM", AiffBuilder::Comm(1, 4, 16, 8000, "ulaw")).Chunk("SSND", AiffBuilder::Ssnd(samples)).Bytes(),
         AiffCodec::kMsgCompressed},
        {"ima4 without a sample size",
         AiffBuilder("AIFC").Chunk("COMM", AiffBuilder::Comm(1, 4, 0, 8000, "ima4")).Chunk("SSND", AiffBuilder::Ssnd(samples)).Bytes(),
         AiffCodec::kMsgCompressed},
        {"aifc comm without type",
         AiffBuilder("AIFC").Chunk("COMM", AiffBuilder::Comm(1, 4, 16, 8000)).Chunk("SSND", AiffBuilder::Ssnd(samples)).Bytes(),
         AiffCodec::kMsgCommReadFailed},
        {"frames but no ssnd", AiffBuilder().Chunk("COMM", AiffBuilder::Comm(1, 4, 16, 8000)).Bytes(),
         AiffCodec::kMsgSsndSeekFailed},
        {"ssnd offset past end",
         AiffBuilder().Chunk("COMM", AiffBuilder::Comm(1, 4, 16, 8000)).Chunk("SSND", {0, 0x10, 0, 0, 0, 0, 0, 0}).Bytes(),
         AiffCodec::kMsgSamplesSeekFailed},
    };
    for (const Case& c : cases) {
        const std::string path = dir.File(std::string(c.name) + ".aif");
        WriteAll(path, c.bytes);
        EXPECT_EQ(HeaderMessage(path), c.message) << c.name;
        CSoundFile f;
        EXPECT_EQ(f.Open(path), 0) << c.name;
    }
}

TEST(AiffCodec, ChunkSearchReportsWhereItStopped)
{
    TempDir dir;
    const std::string path = dir.File("c.aif");
    WriteAll(path, AiffBuilder().Chunk("COMM", AiffBuilder::Comm(1, 0, 16, 8000)).Bytes());
    CFileHandle fh;
    ASSERT_TRUE(fh.OpenReadOnly(path));
    std::string msg;
    EXPECT_FALSE(AiffCodec::FindChunk(fh, "SSND", msg));
    EXPECT_EQ(msg, AiffCodec::kMsgChunkReadFailed);  // ran into the end of the file
    auto comm = AiffCodec::FindChunk(fh, "COMM", msg);
    ASSERT_TRUE(comm);
    EXPECT_EQ(comm->bodyOffset, 20u);
    fh.Close();
    // A chunk whose size points past the end of the file.
    WriteAll(path, AiffBuilder().Chunk("JUNK", {}, true, 1000).Bytes());
    ASSERT_TRUE(fh.OpenReadOnly(path));
    EXPECT_FALSE(AiffCodec::FindChunk(fh, "COMM", msg));
    EXPECT_EQ(msg, AiffCodec::kMsgChunkSeekFailed);
}

TEST(AiffCodec, SoundWithoutSsndIsEmptyAndCanGrow)
{
    TempDir dir;
    const std::string path = dir.File("e.aif");
    WriteAll(path, AiffBuilder().Chunk("COMM", AiffBuilder::Comm(1, 0, 16, 8000)).Chunk("NAME", {'x'}).Bytes());
    const std::vector<int16_t> samples = {5, -5, 7};
    const auto before = ReadAll(path);
    {
        CSoundFile f;
        ASSERT_EQ(f.Open(path), 1);
        EXPECT_EQ(f.GetFrameCount(), 0u);
        f.SetSampleRate(16000);  // a header update alone adds nothing to the file
    }
    EXPECT_EQ(ReadAll(path).size(), before.size());
    {
        CSoundFile f;
        ASSERT_EQ(f.Open(path), 1);
        EXPECT_EQ(f.GetSampleRate(), 16000.0);
        f.WriteFrames(samples.data(), 3);
    }
    CSoundFile r;
    ASSERT_EQ(r.Open(path), 1) << HeaderMessage(path);
    EXPECT_EQ(r.GetFrameCount(), 3u);
    EXPECT_EQ(ReadAll16(r), samples);
    const auto bytes = ReadAll(path);
    EXPECT_EQ(GetBe32(bytes, 4) + 8, bytes.size());

    // Without SSND, a chunk that runs past the end of the file would swallow
    // an SSND appended later: such a file is refused rather than damaged.
    const std::string broken = dir.File("b.aif");
    WriteAll(broken, AiffBuilder().Chunk("COMM", AiffBuilder::Comm(8, 0, 8, 8000)).Chunk("NAME", {'x', 'y'}, true, 48).Bytes());
    CSoundFile b;
    EXPECT_EQ(b.Open(broken), 0);
}

TEST(AiffCodec, FramesFollowTheSoundDataTheFileReallyHolds)
{
    TempDir dir;
    const auto six = Be16Samples({1, 2, 3, 4, 5, 6});
    // COMM says 2 frames, SSND holds 6: the SSND size decides.
    const std::string more = dir.File("more.aif");
    WriteAll(more, AiffBuilder().Chunk("COMM", AiffBuilder::Comm(1, 2, 16, 8000)).Chunk("SSND", AiffBuilder::Ssnd(six)).Bytes());
    CSoundFile a;
    ASSERT_EQ(a.Open(more), 1);
    EXPECT_EQ(a.GetFrameCount(), 6u);
    // SSND claims far more than the file holds (cut-off recording): what is
    // there is read, never more than COMM announces.
    const std::string cut = dir.File("cut.aif");
    WriteAll(cut, AiffBuilder().Chunk("COMM", AiffBuilder::Comm(1, 100, 16, 8000)).Chunk("SSND", AiffBuilder::Ssnd(six), true, 0xFFFF).Bytes());
    CSoundFile b;
    ASSERT_EQ(b.Open(cut), 1);
    EXPECT_EQ(b.GetFrameCount(), 6u);
    EXPECT_TRUE(b.HasTruncation());
    EXPECT_FALSE(a.HasTruncation());
    EXPECT_EQ(ReadAll16(b), (std::vector<int16_t>{1, 2, 3, 4, 5, 6}));
    // Sizes never filled in by a writer that was cut off: the data are kept.
    for (uint32_t ssndSize : {0u, 0xFFFFFFFFu}) {
        WriteAll(cut, AiffBuilder().Chunk("COMM", AiffBuilder::Comm(1, 0, 16, 8000)).Chunk("SSND", AiffBuilder::Ssnd(six), true, ssndSize).Bytes());
        CSoundFile c;
        ASSERT_EQ(c.Open(cut), 1);
        EXPECT_EQ(c.GetFrameCount(), 6u) << ssndSize;
        EXPECT_FALSE(c.HasTruncation()) << "nothing promised, nothing missing";
    }
}

TEST(AiffCodec, SamplesNeverGrowIntoACommChunkBehindThem)
{
    TempDir dir;
    const std::string path = dir.File("commlast.aif");
    const std::vector<int16_t> samples = {1, 2, 3, 4};
    WriteAll(path, AiffBuilder().Chunk("SSND", AiffBuilder::Ssnd(Be16Samples(samples))).Chunk("COMM", AiffBuilder::Comm(1, 4, 16, 8000)).Bytes());
    const auto before = ReadAll(path);
    {
        CSoundFile f;
        ASSERT_EQ(f.Open(path), 1);
        EXPECT_EQ(f.GetFrameCount(), 4u);
        f.Seek(1);
        const int16_t inside[2] = {-7, -8};
        EXPECT_EQ(f.WriteFrames(inside, 2), 2u) << "rewriting samples in place is fine";
        const int16_t more[2] = {9, 10};
        EXPECT_EQ(f.WriteFrames(more, 2), 0u) << "growing would overwrite COMM";
        EXPECT_TRUE(f.HasWriteError());
    }
    CSoundFile g;
    ASSERT_EQ(g.Open(path), 1) << HeaderMessage(path);
    EXPECT_EQ(g.GetFrameCount(), 4u);
    EXPECT_EQ(ReadAll16(g), (std::vector<int16_t>{1, -7, -8, 4}));
    EXPECT_EQ(ReadAll(path).size(), before.size());
}

TEST(AiffCodec, ForeignHeaderIsPatchedInPlaceKeepingOtherChunks)
{
    TempDir dir;
    const std::string path = dir.File("f.aiff");
    const std::vector<unsigned char> mark = {0, 1, 0, 1, 0, 0, 0, 9, 3, 'a', 'b', 'c'};
    WriteAll(path, AiffBuilder()
                       .Chunk("NAME", {'o', 'd', 'd'})
                       .Chunk("COMM", AiffBuilder::Comm(1, 4, 16, 44100))
                       .Chunk("SSND", AiffBuilder::Ssnd(Be16Samples({10, 20, 30, 40})))
                       .Chunk("MARK", mark)
                       .Bytes());
    const auto before = ReadAll(path);
    {
        CSoundFile f;
        ASSERT_EQ(f.Open(path), 1);
        f.SetSampleRate(22050);
    }
    auto after = ReadAll(path);
    ASSERT_EQ(after.size(), before.size());
    CSoundFile r;
    ASSERT_EQ(r.Open(path), 1);
    EXPECT_EQ(r.GetSampleRate(), 22050.0);
    // Only the rate bytes changed; the MARK chunk after the samples is intact.
    size_t changed = 0;
    for (size_t i = 0; i < before.size(); ++i) changed += before[i] != after[i];
    EXPECT_GT(changed, 0u);
    EXPECT_LE(changed, 10u);
    r.Close();

    // Growing the sound: the samples run over what followed them, so the file
    // ends with the sound data and every size agrees.
    {
        CSoundFile f;
        ASSERT_EQ(f.Open(path), 1);
        const std::vector<int16_t> extra = {50, 60, 70};
        f.Seek(4);
        f.WriteFrames(extra.data(), 3);
    }
    after = ReadAll(path);
    CSoundFile g;
    ASSERT_EQ(g.Open(path), 1);
    EXPECT_EQ(g.GetFrameCount(), 7u);
    EXPECT_EQ(ReadAll16(g), (std::vector<int16_t>{10, 20, 30, 40, 50, 60, 70}));
    EXPECT_EQ(GetBe32(after, 4) + 8, after.size());
}

TEST(AiffCodec, WidthChangeOfFloatAifcRelabelsTheCompressionType)
{
    TempDir dir;
    const std::string path = dir.File("f.aifc.aif");
    std::vector<unsigned char> data;
    for (float x : {0.5f, -0.5f, 0.25f}) {
        uint32_t u;
        std::memcpy(&u, &x, 4);
        Be32(data, u);
    }
    WriteAll(path, AiffBuilder("AIFC")
                       .Chunk("FVER", {0xA2, 0x80, 0x51, 0x40})
                       .Chunk("COMM", AiffBuilder::Comm(1, 3, 32, 48000, "fl32"))
                       .Chunk("SSND", AiffBuilder::Ssnd(data))
                       .Bytes());
    {
        CSoundFile f;
        ASSERT_EQ(f.Open(path), 1);
        ASSERT_EQ(f.SetBitsPerSample(16), 1);
    }
    SoundHeader h;
    EXPECT_EQ(HeaderMessage(path, &h), "");
    EXPECT_EQ(h.encoding, SampleEncoding::PcmBE);
    EXPECT_EQ(h.bitsPerSample, 16u);
    CSoundFile r;
    ASSERT_EQ(r.Open(path), 1);
    EXPECT_EQ(ReadAll16(r), (std::vector<int16_t>{16384, -16384, 8192}));
}

TEST(AiffCodec, SampleHelpersReportWidthAndShortReads)
{
    TempDir dir;
    const std::string path = dir.File("h.aif");
    CFileHandle fh;
    ASSERT_TRUE(fh.Create(path));
    SoundHeader h = AiffCodec().NewHeader(8000, 1, 16);
    std::string msg;
    ASSERT_EQ(AiffCodec().WriteHeader(fh, h, msg), 1);
    ASSERT_TRUE(fh.SeekTo(54));
    const std::vector<int16_t> v = {1, -1, 256};
    EXPECT_EQ(AiffCodec::WriteSamples(fh, h, 3, v.data()), "");
    ASSERT_TRUE(fh.SeekTo(54));
    std::vector<int16_t> back(4, 99);
    EXPECT_EQ(AiffCodec::ReadSamples(fh, h, 4, back.data()), AiffCodec::kMsgSamplesReadFailed);
    EXPECT_EQ(back, (std::vector<int16_t>{1, -1, 256, 0}));
    SoundHeader wide = AiffCodec().NewHeader(8000, 1, 64);
    EXPECT_EQ(AiffCodec::ReadSamples(fh, wide, 1, back.data()), AiffCodec::kMsgReadSampleSize);
    EXPECT_EQ(AiffCodec::WriteSamples(fh, wide, 1, back.data()), AiffCodec::kMsgWriteSampleSize);
    EXPECT_EQ(AiffCodec().WriteHeader(fh, wide, msg), 0);
    EXPECT_EQ(msg, AiffCodec::kMsgWriteSampleSize);
    fh.Close();
    CSoundFile f;
    EXPECT_EQ(f.Create(dir.File("x.aif"), 8000, 1, 64), 0);
}

TEST(AiffCodec, TwelveBitFilesCountTwoBytesPerSample)
{
    TempDir dir;
    const std::string path = dir.File("t.aif");
    const std::vector<int16_t> v = {0x7FF0, -0x8000, 0x0010};
    {
        CSoundFile f;
        ASSERT_EQ(f.Create(path, 8000, 1, 12), 1);
        f.WriteFrames(v.data(), 3);
    }
    const auto bytes = ReadAll(path);
    EXPECT_EQ(bytes.size(), 54u + 6u);
    EXPECT_EQ(GetBe32(bytes, 42), 14u);
    CSoundFile r;
    ASSERT_EQ(r.Open(path), 1);
    EXPECT_EQ(r.GetBitsPerSample(), 12u);
    EXPECT_EQ(r.GetFrameCount(), 3u);
    EXPECT_EQ(ReadAll16(r), v);
}

TEST(AiffCodec, DamagedHeadersNeverReadOutsideTheFile)
{
    TempDir dir;
    const std::string path = dir.File("d.aif");
    const auto good = AiffBuilder("AIFC")
                          .Chunk("FVER", {0xA2, 0x80, 0x51, 0x40})
                          .Chunk("NAME", {'a', 'b', 'c'})
                          .Chunk("COMM", AiffBuilder::Comm(2, 8, 16, 44100, "sowt"))
                          .Chunk("SSND", AiffBuilder::Ssnd(Be16Samples(std::vector<int16_t>(16, 7)), 4))
                          .Chunk("MARK", {0, 0})
                          .Bytes();
    uint32_t seed = 99;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    int opened = 0;
    for (int round = 0; round < 3000; ++round) {
        auto bytes = good;
        const int flips = 1 + int(next() % 4);
        for (int i = 0; i < flips; ++i) bytes[12 + next() % (bytes.size() - 12)] = uint8_t(next());
        if (round % 7 == 0) bytes.resize(12 + next() % (bytes.size() - 12));
        WriteAll(path, bytes);
        CSoundFile f;
        if (!f.Open(path)) continue;
        ++opened;
        // Whatever was accepted describes data inside the file.
        const uint64_t dataBytes = uint64_t(f.GetFrameCount()) * f.GetChannels() * f.GetHeader().diskBytesPerSample;
        ASSERT_LE(f.GetDataOffset() + dataBytes, bytes.size()) << round;
        std::vector<unsigned char> all(size_t(f.GetFrameCount()) * f.BytesPerFrame() + 1);
        f.ReadFrames(all.data(), f.GetFrameCount());
    }
    EXPECT_GT(opened, 100);  // most damage hits samples or other chunks
}

#ifdef TAVRIL_HAVE_SNDFILE
TEST(AiffCodec, LibsndfileReadsWhatWeWriteSampleForSample)
{
    TempDir dir;
    for (uint32_t bits : {8u, 16u, 24u, 32u}) {
        for (uint32_t channels : {1u, 2u}) {
            const std::string path = dir.File(std::to_string(bits) + "_" + std::to_string(channels) + "-sf.aif");
            const uint32_t frames = 501;  // odd, so 8-bit mono needs its pad byte
            const uint32_t bytes = bits / 8;
            std::vector<unsigned char> mem(size_t(frames) * channels * bytes);
            std::vector<int32_t> expected(size_t(frames) * channels);  // left-justified, as libsndfile gives
            uint32_t seed = 12345 + bits;
            for (size_t i = 0; i < expected.size(); ++i) {
                seed = seed * 1103515245u + 12345u;
                const uint32_t r = seed;
                if (bits == 8) {
                    mem[i] = uint8_t(r >> 24);
                    expected[i] = int32_t(uint32_t(int32_t(mem[i]) - 128) << 24);
                } else {
                    for (uint32_t b = 0; b < bytes; ++b) mem[i * bytes + b] = uint8_t(r >> (8 * (4 - bytes + b)));
                    expected[i] = int32_t(r & ~((uint64_t(1) << (32 - bits)) - 1));
                }
            }
            {
                CSoundFile f;
                ASSERT_EQ(f.Create(path, 44100, channels, bits), 1);
                ASSERT_EQ(f.WriteFrames(mem.data(), frames), frames);
            }
            SF_INFO info{};
            SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
            ASSERT_NE(sf, nullptr) << path << ": " << sf_strerror(nullptr);
            EXPECT_EQ(info.frames, frames);
            EXPECT_EQ(info.channels, int(channels));
            EXPECT_EQ(info.samplerate, 44100);
            EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_AIFF);
            std::vector<int32_t> got(expected.size());
            EXPECT_EQ(sf_readf_int(sf, got.data(), frames), frames);
            sf_close(sf);
            EXPECT_EQ(got, expected) << bits << " bits, " << channels << " channels";
        }
    }
}
#endif

// ---- corpus ---------------------------------------------------------------

// Just enough JSON for the expected-results files: numbers, strings, arrays
// and objects, with "nan"/"inf" written as strings.
struct JsonValue {
    enum Kind { Null, Number, String, Array, Object } kind = Null;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;
    const JsonValue* Get(const std::string& key) const
    {
        for (const auto& m : members)
            if (m.first == key) return &m.second;
        return nullptr;
    }
    double AsSample() const
    {
        if (kind == Number) return number;
        if (text == "nan") return std::nan("");
        if (text == "inf") return HUGE_VAL;
        if (text == "-inf") return -HUGE_VAL;
        return 0;
    }
};

class JsonParser {
public:
    explicit JsonParser(const std::string& s) : m_s(s) {}
    JsonValue Parse()
    {
        Skip();
        JsonValue v;
        if (m_i >= m_s.size()) return v;
        const char c = m_s[m_i];
        if (c == '{') {
            v.kind = JsonValue::Object;
            ++m_i;
            for (Skip(); m_i < m_s.size() && m_s[m_i] != '}'; Skip()) {
                if (m_s[m_i] == ',') { ++m_i; continue; }
                std::string key = Parse().text;
                Skip();
                if (m_i < m_s.size() && m_s[m_i] == ':') ++m_i;
                v.members.emplace_back(key, Parse());
            }
            ++m_i;
        } else if (c == '[') {
            v.kind = JsonValue::Array;
            ++m_i;
            for (Skip(); m_i < m_s.size() && m_s[m_i] != ']'; Skip()) {
                if (m_s[m_i] == ',') { ++m_i; continue; }
                v.items.push_back(Parse());
            }
            ++m_i;
        } else if (c == '"') {
            v.kind = JsonValue::String;
            for (++m_i; m_i < m_s.size() && m_s[m_i] != '"'; ++m_i) {
                if (m_s[m_i] == '\\') ++m_i;
                if (m_i < m_s.size()) v.text += m_s[m_i];
            }
            ++m_i;
        } else {
            size_t end = m_i;
            while (end < m_s.size() && std::strchr("+-0123456789.eE", m_s[end])) ++end;
            if (end == m_i) end = m_s.find_first_of(",]}", m_i);  // true/false/null
            else { v.kind = JsonValue::Number; v.number = std::strtod(m_s.substr(m_i, end - m_i).c_str(), nullptr); }
            m_i = end;
        }
        return v;
    }

private:
    void Skip()
    {
        while (m_i < m_s.size() && std::isspace(static_cast<unsigned char>(m_s[m_i]))) ++m_i;
    }
    const std::string& m_s;
    size_t m_i = 0;
};

JsonValue LoadJson(const std::filesystem::path& p)
{
    std::ifstream in(p);
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string text = ss.str();
    return JsonParser(text).Parse();
}

// A memory-model sample as the value the expected-results files give:
// signed integers in their container, floats as fractions of full scale.
double MemSample(const std::vector<unsigned char>& mem, size_t index, uint32_t bytes)
{
    const unsigned char* p = mem.data() + index * bytes;
    if (bytes == 1) return int(p[0]) - 128;
    int64_t v = 0;
    for (uint32_t i = bytes; i-- > 0;) v = (v << 8) | p[i];
    if (v & (int64_t(1) << (8 * bytes - 1))) v -= int64_t(1) << (8 * bytes);
    return double(v);
}

// Checks one corpus file against its expected results; returns false when
// the file is of a kind the reader does not support (and must refuse).
void CheckAgainstJson(const std::filesystem::path& sound, const JsonValue& json)
{
    SCOPED_TRACE(sound.string());
    const std::string codec = json.Get("codec") ? json.Get("codec")->text : "";
    const bool ignore = json.Get("result") && json.Get("result")->text == "ignore";
    const bool supported = codec == "pcm_bei" || codec == "pcm_lei" || codec == "pcm_bef" || codec == "pcm_beu";
    // The reader takes names ending in .aif/.aiff; link the file under one.
    static TempDir dir;
    const std::string link = dir.File(sound.filename().string() + ".aif");
    std::filesystem::remove(link);
    std::filesystem::create_symlink(std::filesystem::absolute(sound), link);
    CSoundFile f;
    const int opened = f.Open(link);
    if (ignore) {
        // Files that break the standard: refusing them is fine, reading
        // them must stay within the file.
        if (opened) {
            std::vector<unsigned char> all(size_t(f.GetFrameCount()) * f.BytesPerFrame());
            f.ReadFrames(all.data(), f.GetFrameCount());
        }
        return;
    }
    if (!supported) {
        EXPECT_EQ(opened, 0) << "compressed type " << codec << " must be refused";
        return;
    }
    ASSERT_EQ(opened, 1) << HeaderMessage(link);
    const uint32_t channels = uint32_t(json.Get("channels")->number);
    const uint32_t frames = uint32_t(json.Get("samplesPerChannel")->number);
    EXPECT_EQ(f.GetChannels(), channels);
    EXPECT_EQ(f.GetFrameCount(), frames);
    EXPECT_DOUBLE_EQ(f.GetSampleRate(), json.Get("sampleRate")->number);
    const bool isFloat = codec == "pcm_bef";
    if (!isFloat) {
        const uint32_t size = uint32_t(json.Get("sampleSize")->number);
        EXPECT_EQ(f.BytesPerSample(), (size + 7) / 8);
    }
    std::vector<unsigned char> mem(size_t(frames) * f.BytesPerFrame());
    f.ReadFrames(mem.data(), frames);
    const uint32_t bytes = f.BytesPerSample();
    const JsonValue* starts = json.Get("startSamples");
    const JsonValue* ends = json.Get("endSamples");
    ASSERT_TRUE(starts && ends);
    for (uint32_t c = 0; c < channels && c < starts->items.size(); ++c) {
        const auto& first = starts->items[c].items;
        const auto& last = ends->items[c].items;
        auto check = [&](size_t frame, const JsonValue& want) {
            const double got = MemSample(mem, size_t(frame) * channels + c, bytes);
            if (isFloat) {
                double x = want.AsSample();
                if (std::isnan(x)) x = 0;
                x = std::clamp(x, -1.0, 1.0 - 1.0 / 2147483648.0);
                EXPECT_NEAR(got / 2147483648.0, x, 2e-6) << "frame " << frame << " channel " << c;
            } else if (codec == "pcm_beu") {
                EXPECT_EQ(got + 128, want.number) << "frame " << frame << " channel " << c;
            } else {
                EXPECT_EQ(got, want.number) << "frame " << frame << " channel " << c;
            }
        };
        for (size_t i = 0; i < first.size() && i < frames; ++i) check(i, first[i]);
        for (size_t i = 0; i < last.size() && i < frames; ++i) check(frames - last.size() + i, last[i]);
    }
}

TEST(AiffCodecCorpus, ToistoSuiteMatchesExpectedResults)
{
    const auto corpus = test::CorpusDir();
    if (!corpus || !std::filesystem::is_directory(*corpus / "toisto-aiff"))
        GTEST_SKIP() << "corpus folder toisto-aiff not present";
    int checked = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(*corpus / "toisto-aiff")) {
        if (entry.path().extension() != ".json") continue;
        std::filesystem::path sound = entry.path();
        sound.replace_extension(".aiff");
        if (!std::filesystem::exists(sound)) sound.replace_extension(".aifc");
        if (!std::filesystem::exists(sound)) continue;
        CheckAgainstJson(sound, LoadJson(entry.path()));
        ++checked;
    }
    EXPECT_GT(checked, 100);
}

TEST(AiffCodecCorpus, GoAudioFixtures)
{
    const auto corpus = test::CorpusDir();
    if (!corpus || !std::filesystem::is_directory(*corpus / "go-audio-aiff"))
        GTEST_SKIP() << "corpus folder go-audio-aiff not present";
    const auto dir = *corpus / "go-audio-aiff";
    struct Expect {
        const char* file;
        double rate;
        uint32_t channels, bits, frames;
    };
    const Expect ok[] = {
        {"bloop.aif", 44100, 2, 16, 7629},     {"delivery.aiff", 22050, 1, 16, 17199},
        {"kick.aif", 22050, 1, 16, 4484},      {"kick32b.aiff", 22050, 1, 32, 4484},
        {"kick8b.aiff", 22050, 1, 8, 4484},    {"padded24b.aif", 48000, 1, 24, 22913},
        {"ring.aif", 44100, 2, 16, 88064},     {"sowt.aif", 44100, 2, 16, 4064},
        {"sowt2.aif", 44100, 2, 16, 166677},   {"zipper24b.aiff", 48000, 2, 24, 105936},
    };
    for (const Expect& e : ok) {
        SCOPED_TRACE(e.file);
        const std::string path = (dir / e.file).string();
        if (!std::filesystem::exists(path)) continue;
        CSoundFile f;
        ASSERT_EQ(f.Open(path), 1) << HeaderMessage(path);
        EXPECT_EQ(f.GetSampleRate(), e.rate);
        EXPECT_EQ(f.GetChannels(), e.channels);
        EXPECT_EQ(f.GetBitsPerSample(), e.bits);
        EXPECT_EQ(f.GetFrameCount(), e.frames);
    }
    // The two 16-bit encodings of one kick agree with its 8- and 32-bit
    // versions up to the coarser width.
    CSoundFile k16, k8, k32;
    if (k16.Open((dir / "kick.aif").string()) && k8.Open((dir / "kick8b.aiff").string()) &&
        k32.Open((dir / "kick32b.aiff").string())) {
        const auto a = ReadAll16(k16), b = ReadAll16(k8), c = ReadAll16(k32);
        ASSERT_EQ(a.size(), b.size());
        ASSERT_EQ(a.size(), c.size());
        for (size_t i = 0; i < a.size(); ++i) {
            EXPECT_NEAR(a[i], b[i], 300) << i;  // the 8-bit file was rounded, not truncated
            EXPECT_NEAR(a[i], c[i], 1) << i;
        }
    }
    const std::string able = (dir / "ableton.aif").string();
    if (std::filesystem::exists(able)) {
        EXPECT_EQ(HeaderMessage(able), AiffCodec::kMsgCompressed);
    }
}

} // namespace
} // namespace tavril
