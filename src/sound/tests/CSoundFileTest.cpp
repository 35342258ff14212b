// The sound file object over files it creates itself: round trips of every
// width and channel count, positioning, partial reads, channel access, width
// and rate changes, and the recording time taken from a file name.

#include "CSoundFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using tavril::CSoundFile;
using tavril::test::ReadAll;
using tavril::test::TempDir;

namespace {

uint32_t Le32(const std::vector<unsigned char>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

// A sample pattern that differs per channel and frame and uses the full
// range of the width, so byte-order or channel mix-ups show.
std::vector<unsigned char> Pattern(uint32_t frames, uint32_t channels, uint32_t bits)
{
    const uint32_t bytes = (bits + 7) / 8;
    std::vector<unsigned char> v(size_t(frames) * channels * bytes);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<unsigned char>((i * 37 + i / 7) & 0xff);
    return v;
}

// Creates a 16-bit sound holding `samples` (interleaved) and closes it.
bool WriteSound(const std::string& path, double rate, uint32_t channels, const std::vector<int16_t>& samples)
{
    CSoundFile f;
    if (!f.Create(path, rate, channels, 16)) return false;
    const uint32_t frames = static_cast<uint32_t>(samples.size() / channels);
    return f.WriteFrames(samples.data(), frames) == frames && (f.Close(), !f.HasWriteError());
}

} // namespace

TEST(CSoundFileFormatFromName, ExtensionsDecideTheFormat)
{
    EXPECT_EQ(CSoundFile::FormatFromName("a.wav"), tavril::kFormatWav);
    EXPECT_EQ(CSoundFile::FormatFromName("/tmp/TVL1234.TMP"), tavril::kFormatWav);
    EXPECT_EQ(CSoundFile::FormatFromName("x.aiff"), tavril::kFormatAiff);
    EXPECT_EQ(CSoundFile::FormatFromName("x.AIF"), tavril::kFormatAiff);
    EXPECT_EQ(CSoundFile::FormatFromName("x.sig"), tavril::kFormatSig);
    EXPECT_EQ(CSoundFile::FormatFromName("x.atl"), tavril::kFormatSnd);
    EXPECT_EQ(CSoundFile::FormatFromName("x.SND"), tavril::kFormatSnd);
    EXPECT_EQ(CSoundFile::FormatFromName("x.msl"), tavril::kFormatMsl);
    EXPECT_EQ(CSoundFile::FormatFromName("x.txt"), tavril::kFormatMeta);
    EXPECT_EQ(CSoundFile::FormatFromName("x.ser"), tavril::kFormatMeta);
    EXPECT_EQ(CSoundFile::FormatFromName("x.au"), tavril::kFormatUnknown);
    EXPECT_EQ(CSoundFile::FormatFromName("wav"), tavril::kFormatUnknown);
    EXPECT_EQ(CSoundFile::FormatFromName(""), tavril::kFormatWav);
}

class RoundTrip : public ::testing::TestWithParam<std::tuple<uint32_t, uint32_t>> {};

TEST_P(RoundTrip, WrittenFramesReadBackBitForBit)
{
    const auto [bits, channels] = GetParam();
    TempDir dir;
    const std::string path = dir.File("22050-" + std::to_string(channels) + "-" + std::to_string(bits) + ".wav");
    const uint32_t frames = 1001;  // odd, so 8-bit mono needs a pad byte
    const auto data = Pattern(frames, channels, bits);
    {
        CSoundFile f;
        ASSERT_EQ(f.Create(path, 22050, channels, bits), 1);
        ASSERT_EQ(f.WriteFrames(data.data(), 600), 600u);
        ASSERT_EQ(f.WriteFrames(data.data() + 600 * f.BytesPerFrame(), frames - 600), frames - 600);
        f.Close();
    }
    const uint32_t bytes = (bits + 7) / 8;
    const auto file = ReadAll(path);
    const uint32_t dataBytes = frames * channels * bytes;
    ASSERT_GE(file.size(), 46u + dataBytes);
    EXPECT_EQ(file.size(), 46u + dataBytes + (dataBytes & 1));
    EXPECT_EQ(Le32(file, 4), file.size() - 8);
    EXPECT_EQ(Le32(file, 42), dataBytes);
    EXPECT_EQ(file[32] | (file[33] << 8), channels * bytes) << "block align follows the sample size";
    EXPECT_EQ(Le32(file, 28), 22050 * channels * bytes) << "bytes per second follow the sample size";

    CSoundFile g;
    ASSERT_EQ(g.Open(path), 1);
    EXPECT_EQ(g.GetChannels(), channels);
    EXPECT_EQ(g.GetBitsPerSample(), bits);
    EXPECT_EQ(g.GetFrameCount(), frames);
    EXPECT_EQ(g.GetDataOffset(), 46u);
    EXPECT_DOUBLE_EQ(g.GetSampleRate(), 22050.0);
    std::vector<unsigned char> back(data.size());
    ASSERT_EQ(g.ReadFrames(back.data(), frames), frames);
    EXPECT_EQ(back, data);
}

INSTANTIATE_TEST_SUITE_P(WidthsAndChannels, RoundTrip,
                         ::testing::Combine(::testing::Values(8u, 16u, 24u, 32u), ::testing::Values(1u, 2u, 5u)));

TEST(CSoundFile, StereoThousandFramesHasTheDocumentedSizes)
{
    TempDir dir;
    const std::string path = dir.File("s.wav");
    CSoundFile f;
    ASSERT_EQ(f.Create(path, 44100, 2, 16), 1);
    std::vector<int16_t> s(2000, 7);
    f.WriteFrames(s.data(), 1000);
    f.Close();
    const auto b = ReadAll(path);
    EXPECT_EQ(b.size(), 4046u);
    EXPECT_EQ(Le32(b, 4), 4038u);
    EXPECT_EQ(Le32(b, 42), 4000u);
    EXPECT_EQ(Le32(b, 16), 18u);
}

TEST(CSoundFile, ClosedNamedObjectReopensForItsFormat)
{
    TempDir dir;
    const std::string path = dir.File("c.wav");
    ASSERT_TRUE(WriteSound(path, 8000, 2, std::vector<int16_t>(20, 1)));
    CSoundFile g;
    ASSERT_EQ(g.Open(path), 1);
    g.Close();
    g.Reset();
    EXPECT_EQ(g.GetChannels(), 0u) << "a reset object has no name to reopen";
    ASSERT_EQ(g.Open(path), 1);
    g.Close();
    EXPECT_FALSE(g.IsOpen());
    EXPECT_EQ(g.GetFrameCount(), 10u);
    std::vector<int16_t> s(20);
    EXPECT_EQ(g.ReadFrames(s.data(), 10), 10u);
    EXPECT_TRUE(g.IsOpen()) << "reading reopens the file by its name";
}

TEST(CSoundFile, OpenOfTheOpenNameDoesNotRereadTheHeader)
{
    TempDir dir;
    const std::string path = dir.File("o.wav");
    ASSERT_TRUE(WriteSound(path, 8000, 1, std::vector<int16_t>(10, 1)));
    CSoundFile g;
    ASSERT_EQ(g.Open(path), 1);
    // Change the channel count on disk behind the object's back.
    auto b = ReadAll(path);
    b[22] = 2;
    tavril::test::WriteAll(path, b);
    EXPECT_EQ(g.Open(path), 1);
    EXPECT_EQ(g.GetChannels(), 1u);
}

TEST(CSoundFile, FailedOpenKeepsTheNameAndCreatesNothing)
{
    TempDir dir;
    const std::string path = dir.File("missing.wav");
    CSoundFile f;
    EXPECT_EQ(f.Open(path), 0);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.GetFileName(), path);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(f.GetChannels(), 0u);
    EXPECT_EQ(f.Open(dir.File("x.au")), 0) << "unknown formats have no reader";
}

TEST(CSoundFile, SeekBeyondTheEndStopsAtTheLastFrame)
{
    TempDir dir;
    const std::string path = dir.File("seek.wav");
    CSoundFile f;
    ASSERT_EQ(f.Create(path, 8000, 2, 16), 1);
    std::vector<int16_t> s(200, 3);
    f.WriteFrames(s.data(), 100);
    f.Close();
    EXPECT_EQ(f.Seek(5000), 100u);
    EXPECT_EQ(f.GetPosition(), 100u);
    EXPECT_EQ(f.Seek(40), 40u);
    int16_t frame[2];
    f.ReadFrames(frame, 1);
    EXPECT_EQ(f.GetPosition(), 41u);
}

TEST(CSoundFile, ReadPastTheEndFillsWithZeros)
{
    TempDir dir;
    const std::string path = dir.File("end.wav");
    CSoundFile f;
    ASSERT_EQ(f.Create(path, 8000, 1, 16), 1);
    std::vector<int16_t> s(50);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>(100 + i);
    f.WriteFrames(s.data(), 50);
    f.Close();
    std::vector<int16_t> back(100, -1);
    f.Seek(40);
    EXPECT_EQ(f.ReadFrames(back.data(), 100), 100u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(back[i], 140 + i);
    for (int i = 10; i < 100; ++i) ASSERT_EQ(back[i], 0) << i;
    EXPECT_EQ(f.GetPosition(), 140u);

    // 8-bit samples are unsigned: their silence is 128, which is 0 at 16 bits.
    const std::string path8 = dir.File("end8.wav");
    CSoundFile g;
    ASSERT_EQ(g.Create(path8, 8000, 1, 8), 1);
    const unsigned char one = 200;
    g.WriteFrames(&one, 1);
    g.Close();
    unsigned char raw[3] = {};
    g.Seek(0);
    g.ReadFrames(raw, 3);
    EXPECT_EQ(raw[0], 200);
    EXPECT_EQ(raw[1], 128);
    EXPECT_EQ(raw[2], 128);
    int16_t wide[2] = {-1, -1};
    g.Seek(1);
    g.ReadFrames(wide, 2, 16);
    EXPECT_EQ(wide[0], 0);
    EXPECT_EQ(wide[1], 0);
}

TEST(CSoundFile, SamplesMissingFromTheDataAreAnErrorNotSilence)
{
    TempDir dir;
    const std::string path = dir.File("shrink.wav");
    CSoundFile f;
    ASSERT_EQ(f.Create(path, 8000, 1, 16), 1);
    std::vector<int16_t> s(1000, 5);
    f.WriteFrames(s.data(), 1000);
    f.Close();
    ASSERT_EQ(f.Open(path), 1);
    // Another program cuts the file short while it is open here.
    ASSERT_EQ(truncate(path.c_str(), 46 + 600 * 2), 0);
    std::vector<int16_t> back(1000, -1);
    EXPECT_EQ(f.ReadFrames(back.data(), 500), 500u);
    EXPECT_FALSE(f.HasReadError());
    EXPECT_EQ(f.ReadFrames(back.data(), 500), 0u);
    EXPECT_TRUE(f.HasReadError());
    EXPECT_EQ(back[99], 5);
    EXPECT_EQ(back[100], 0);
    f.Seek(0);
    std::vector<uint8_t> eight(1000);
    EXPECT_EQ(f.ReadFrames(eight.data(), 1000, 8), 0u) << "converted reads report it too";
}

TEST(CSoundFile, SixteenBitReadAsEightBitIsUnsignedAroundHalfScale)
{
    TempDir dir;
    const std::string path = dir.File("w.wav");
    CSoundFile f;
    ASSERT_EQ(f.Create(path, 8000, 1, 16), 1);
    const int16_t s[5] = {-32768, 0, 32767, -1, 256};
    f.WriteFrames(s, 5);
    f.Seek(0);
    unsigned char b[5];
    ASSERT_EQ(f.ReadFrames(b, 5, 8), 5u);
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(b[1], 128);
    EXPECT_EQ(b[2], 255);
    EXPECT_EQ(b[3], 127);  // -1/32768 truncates toward zero from 127.996
    EXPECT_EQ(b[4], 129);
}

TEST(CSoundFile, WritingPastTheEndGrowsTheHeaderAtClose)
{
    TempDir dir;
    const std::string path = dir.File("grow.wav");
    ASSERT_TRUE(WriteSound(path, 8000, 1, std::vector<int16_t>(10, 1)));
    {
        CSoundFile f;
        ASSERT_EQ(f.Open(path), 1);
        f.Seek(10);
        std::vector<int16_t> s(25, 2);
        EXPECT_EQ(f.WriteFrames(s.data(), 25), 25u);
        EXPECT_EQ(f.GetFrameCount(), 35u);
        EXPECT_TRUE(f.IsHeaderDirty());
    }
    CSoundFile g;
    ASSERT_EQ(g.Open(path), 1);
    EXPECT_EQ(g.GetFrameCount(), 35u);
    EXPECT_EQ(Le32(ReadAll(path), 42), 70u);
}

TEST(CSoundFile, ChannelAccess)
{
    TempDir dir;
    const std::string mono = dir.File("m.wav");
    {
        CSoundFile f;
        ASSERT_EQ(f.Create(mono, 8000, 1, 16), 1);
        const int16_t s[4] = {1, 2, 3, 4};
        f.WriteFrames(s, 4);
        f.Seek(0);
        int16_t b[4] = {};
        EXPECT_EQ(f.ReadChannel(b, 4, 1), 4u) << "with one channel the channel number is not looked at";
        EXPECT_EQ(b[3], 4);
    }
    const std::string three = dir.File("t.wav");
    CSoundFile f;
    ASSERT_EQ(f.Create(three, 8000, 3, 16), 1);
    std::vector<int16_t> s;
    for (int i = 0; i < 5; ++i)
        for (int c = 0; c < 3; ++c) s.push_back(static_cast<int16_t>(c * 1000 + i));
    f.WriteFrames(s.data(), 5);
    f.Seek(0);
    std::vector<int16_t> buf(15);
    EXPECT_EQ(f.ReadChannel(buf.data(), 5, 3), 0u) << "channel out of range";
    f.Seek(0);
    ASSERT_EQ(f.ReadChannel(buf.data(), 5, 2), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(buf[i], 2000 + i);

    // Writing one channel leaves the others as they were, bit for bit, even
    // when the new samples come at another width.
    const unsigned char eight[5] = {0, 64, 128, 192, 255};
    f.Seek(1);
    ASSERT_EQ(f.WriteChannel(eight, 4, 1, 8), 4u);
    f.Seek(0);
    std::vector<int16_t> all(15);
    f.ReadFrames(all.data(), 5);
    const int16_t expected1[5] = {1000, -32768, -16384, 0, 16384};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(all[i * 3 + 0], i);
        EXPECT_EQ(all[i * 3 + 1], expected1[i]) << i;
        EXPECT_EQ(all[i * 3 + 2], 2000 + i);
    }
}

TEST(CSoundFile, CreateWithPreSizeWritesSilence)
{
    TempDir dir;
    for (uint32_t bits : {8u, 16u}) {
        const std::string path = dir.File("pre" + std::to_string(bits) + ".wav");
        CSoundFile f;
        ASSERT_EQ(f.Create(path, 8000, 2, bits, 3000), 1);
        f.Close();
        CSoundFile g;
        ASSERT_EQ(g.Open(path), 1);
        EXPECT_EQ(g.GetFrameCount(), 3000u);
        std::vector<int16_t> s(6000, 99);
        g.ReadFrames(s.data(), 3000, 16);
        for (int16_t v : s) ASSERT_EQ(v, 0);
    }
}

TEST(CSoundFile, CreateRefusesFormatsItCouldNotReadBack)
{
    TempDir dir;
    CSoundFile f;
    EXPECT_EQ(f.Create(dir.File("a.wav"), 8000, 0, 16), 0);
    EXPECT_EQ(f.Create(dir.File("b.wav"), 8000, 1, 40), 0);
    EXPECT_EQ(f.Create(dir.File("c.wav"), 0, 1, 16), 0);
    EXPECT_EQ(f.Create(dir.File("nodir/d.wav"), 8000, 1, 16), 0);
    EXPECT_EQ(f.Create(dir.File("e.aif"), 8000, 1, 64), 0) << "AIFF holds at most 32-bit integers";
}

TEST(CSoundFile, SampleRateChangeRewritesTheHeader)
{
    TempDir dir;
    const std::string path = dir.File("r.wav");
    {
        CSoundFile f;
        ASSERT_EQ(f.Create(path, 22050, 1, 16), 1);
        std::vector<int16_t> s(100, 5);
        f.WriteFrames(s.data(), 100);
        f.Close();
        f.SetSampleRate(48000);
        EXPECT_FALSE(f.IsOpen());
    }
    CSoundFile g;
    ASSERT_EQ(g.Open(path), 1);
    EXPECT_DOUBLE_EQ(g.GetSampleRate(), 48000.0);
    EXPECT_EQ(g.GetFrameCount(), 100u);
}

TEST(CSoundFile, WidthChangesKeepTheSound)
{
    TempDir dir;
    const std::string path = dir.File("bits.wav");
    std::vector<int16_t> s;
    for (int i = 0; i < 70000; ++i) s.push_back(static_cast<int16_t>((i * 7919) % 65536 - 32768));
    {
        CSoundFile f;
        ASSERT_EQ(f.Create(path, 8000, 2, 16), 1);
        f.WriteFrames(s.data(), 35000);
        f.Close();
        ASSERT_EQ(f.SetBitsPerSample(24), 1);  // wider: converted back to front
    }
    {
        CSoundFile g;
        ASSERT_EQ(g.Open(path), 1);
        EXPECT_EQ(g.GetBitsPerSample(), 24u);
        EXPECT_EQ(g.GetFrameCount(), 35000u);
        EXPECT_EQ(std::filesystem::file_size(path), 46u + 35000u * 2 * 3);
        std::vector<int16_t> back(s.size());
        g.ReadFrames(back.data(), 35000, 16);
        EXPECT_EQ(back, s);
        ASSERT_EQ(g.SetBitsPerSample(16), 1);  // narrower: front to back
    }
    CSoundFile h;
    ASSERT_EQ(h.Open(path), 1);
    EXPECT_EQ(h.GetBitsPerSample(), 16u);
    std::vector<int16_t> back(s.size());
    h.ReadFrames(back.data(), 35000);
    EXPECT_EQ(back, s);
    EXPECT_EQ(std::filesystem::file_size(path), 46u + 35000u * 4);
}

TEST(CSoundFile, WidthChangeThatCannotCompleteLeavesTheFileAlone)
{
    TempDir dir;
    const std::string path = dir.File("full.wav");
    ASSERT_TRUE(WriteSound(path, 8000, 1, std::vector<int16_t>(20000, 1234)));
    const auto before = ReadAll(path);
    // A file-size limit stands in for a full disk: the 24-bit version does
    // not fit. Run in a child so the limit does not outlive the case.
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit lim{50000, 50000};
        setrlimit(RLIMIT_FSIZE, &lim);
        CSoundFile f;
        _exit(f.Open(path) == 1 && f.SetBitsPerSample(24) == 0 ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the change must report failure";
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1) << "no temporary file left";
}

TEST(CSoundFile, UnsupportedWidthChangeLeavesTheFileAlone)
{
    TempDir dir;
    const std::string path = dir.File("w.aif");
    ASSERT_TRUE(WriteSound(path, 8000, 1, {1, -2, 3}));
    const auto before = ReadAll(path);
    CSoundFile f;
    ASSERT_EQ(f.Open(path), 1);
    EXPECT_EQ(f.SetBitsPerSample(64), 0);
    f.Close();
    EXPECT_EQ(ReadAll(path), before);
}

TEST(CSoundFile, ReadOnlyFilesOpenForViewingAndReportFailedWrites)
{
    if (geteuid() == 0) GTEST_SKIP() << "root may write to read-only files";
    TempDir dir;
    const std::string path = dir.File("ro.wav");
    ASSERT_TRUE(WriteSound(path, 8000, 1, std::vector<int16_t>(10, 1)));
    chmod(path.c_str(), 0444);
    CSoundFile g;
    ASSERT_EQ(g.Open(path), 1);
    EXPECT_TRUE(g.IsReadOnly());
    int16_t v = 5;
    EXPECT_EQ(g.WriteFrames(&v, 1), 0u);
    EXPECT_TRUE(g.HasWriteError());
}

TEST(CSoundFile, ReadOnlyOpenNeverWrites)
{
    TempDir dir;
    const std::string path = dir.File("view.wav");
    ASSERT_TRUE(WriteSound(path, 8000, 1, std::vector<int16_t>(10, 1)));
    const auto before = ReadAll(path);
    CSoundFile f;
    ASSERT_EQ(f.OpenReadOnly(path), 1);
    f.Close();
    ASSERT_EQ(f.EnsureOpen(), 1);  // reopens read-only too
    EXPECT_TRUE(f.IsReadOnly());
    int16_t v = 5;
    f.Seek(10);
    EXPECT_EQ(f.WriteFrames(&v, 1), 0u);
    f.Close();
    EXPECT_EQ(ReadAll(path), before);
}

TEST(CSoundFileRecordingTime, DigitsInTheNameGiveDateAndTime)
{
    std::tm tm{};
    ASSERT_TRUE(CSoundFile::ParseTimeFromName("20210502_040000.WAV", tm));
    EXPECT_EQ(tm.tm_year, 121);
    EXPECT_EQ(tm.tm_mon, 4);
    EXPECT_EQ(tm.tm_mday, 2);
    EXPECT_EQ(tm.tm_hour, 4);
    EXPECT_EQ(tm.tm_min, 0);
    ASSERT_TRUE(CSoundFile::ParseTimeFromName("S4A03895_20190522_063015.wav", tm));
    EXPECT_EQ(tm.tm_year, 119);
    EXPECT_EQ(tm.tm_hour, 6);
    EXPECT_EQ(tm.tm_min, 30);
    EXPECT_EQ(tm.tm_sec, 15);
    ASSERT_TRUE(CSoundFile::ParseTimeFromName("site3-20200101T235959.wav", tm));
    EXPECT_EQ(tm.tm_mday, 1);
    EXPECT_FALSE(CSoundFile::ParseTimeFromName("20211302_040000.wav", tm)) << "month 13";
    EXPECT_FALSE(CSoundFile::ParseTimeFromName("spinetail.wav", tm));
    EXPECT_FALSE(CSoundFile::ParseTimeFromName("120210502_040000.wav", tm)) << "part of a longer number";
}

TEST(CSoundFileRecordingTime, WithoutDigitsTheModificationTimeIsUsed)
{
    TempDir dir;
    const std::string path = dir.File("song.wav");
    CSoundFile f;
    ASSERT_EQ(f.Create(path, 8000, 1, 16), 1);
    f.Close();
    const auto r = f.GetRecordingStartTime();
    EXPECT_EQ(r.source, tavril::RecordingTime::Source::ModificationTime);
    EXPECT_GE(r.time.tm_year, 120);
    CSoundFile g;
    g.Open(dir.File("20210502_040000.wav"));  // missing file: the name still tells
    EXPECT_EQ(g.GetRecordingStartTime().source, tavril::RecordingTime::Source::FileName);
}
