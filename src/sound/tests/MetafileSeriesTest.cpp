#include "CSoundFile.h"
#include "MetafileSeries.h"

#include "TestSupport.h"

#include <ctime>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

using namespace tavril;

namespace {

void MakeWav(const std::string& path, const std::vector<int16_t>& samples, double rate = 1000)
{
    CSoundFile f;
    ASSERT_TRUE(f.Create(path, rate, 1, 16));
    f.WriteFrames(samples.data(), uint32_t(samples.size()));
    f.Close();
}

std::vector<int16_t> ReadAll(CSoundFile& s, uint32_t from, uint32_t frames)
{
    std::vector<int16_t> v(frames);
    s.Seek(from);
    s.ReadFrames(v.data(), frames, 16);
    return v;
}

} // namespace

TEST(MetafileSeries, AContinuousSeriesReadsAsOneSound)
{
    test::TempDir dir;
    MakeWav(dir.File("a.wav"), {1, 2, 3});
    MakeWav(dir.File("b.wav"), {4, 5});
    std::ofstream(dir.File("night.txt")) << "recordingtype=list,cont\nannotationfile=night.log\na.wav\nb.wav\n";
    CSoundFile s;
    ASSERT_TRUE(s.Open(dir.File("night.txt"))) << s.SeriesError();
    EXPECT_EQ(s.GetFrameCount(), 5u);
    EXPECT_EQ(s.GetSampleRate(), 1000.0);
    // A read across the member boundary continues into the next file; past
    // the end is silence.
    EXPECT_EQ(ReadAll(s, 1, 6), (std::vector<int16_t>{2, 3, 4, 5, 0, 0}));
    s.Close();
    EXPECT_EQ(ReadAll(s, 3, 1), (std::vector<int16_t>{4}));
    EXPECT_EQ(s.WriteFrames("\0\0", 1), 0u);
}

TEST(MetafileSeries, ClipsSitAtTheirRecordingStart)
{
    test::TempDir dir;
    // Names carry the recording start: the second clip begins 2 s after the first.
    MakeWav(dir.File("20210502_040000.wav"), {7, 7});
    MakeWav(dir.File("20210502_040002.wav"), {9, 9, 9});
    std::ofstream(dir.File("clips.txt")) << "recordingtype=list,clip\nstartdate=2021-05-02\nstarttime=4:00:00\n"
                                            "20210502_040002.wav\n20210502_040000.wav\n";
    CSoundFile s;
    ASSERT_TRUE(s.Open(dir.File("clips.txt"))) << s.SeriesError();
    // 1000 frames a second: the second clip spans 2000 ... 2003.
    EXPECT_EQ(s.GetFrameCount(), 2003u);
    EXPECT_EQ(ReadAll(s, 0, 3), (std::vector<int16_t>{7, 7, 0}));
    EXPECT_EQ(ReadAll(s, 1999, 4), (std::vector<int16_t>{0, 9, 9, 9}));
    ASSERT_NE(s.Series(), nullptr);
    EXPECT_EQ(s.Series()->MemberAt(2001), 1);
    EXPECT_EQ(s.Series()->MemberAt(500), -1);
}

TEST(MetafileSeries, MismatchedOrMissingMembersAreRefused)
{
    test::TempDir dir;
    MakeWav(dir.File("a.wav"), {1}, 1000);
    MakeWav(dir.File("b.wav"), {1}, 2000);
    std::ofstream(dir.File("mixed.txt")) << "a.wav\nb.wav\n";
    std::ofstream(dir.File("gone.txt")) << "a.wav\nnot there.wav\n";
    std::ofstream(dir.File("empty.txt")) << "recordingtype=cont\n";
    for (const char* name : {"mixed.txt", "gone.txt", "empty.txt"}) {
        CSoundFile s;
        EXPECT_FALSE(s.Open(dir.File(name))) << name;
        EXPECT_FALSE(s.SeriesError().empty()) << name;
    }
}

TEST(MetafileSeries, OverlappingClipsLetTheLaterOneSpeak)
{
    test::TempDir dir;
    MakeWav(dir.File("20210502_040000.wav"), std::vector<int16_t>(1500, 1));
    MakeWav(dir.File("20210502_040001.wav"), {2, 2});
    // No start date: the earliest clip starts the series.
    std::ofstream(dir.File("clips.txt")) << "recordingtype=clip\n20210502_040000.wav\n20210502_040001.wav\n";
    CSoundFile s;
    ASSERT_TRUE(s.Open(dir.File("clips.txt"))) << s.SeriesError();
    EXPECT_EQ(s.GetFrameCount(), 1500u);
    EXPECT_EQ(ReadAll(s, 999, 4), (std::vector<int16_t>{1, 2, 2, 1}));
}
