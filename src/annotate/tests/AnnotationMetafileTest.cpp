#include "AnnotationMetafile.h"
#include "CSoundFile.h"

#include "TestSupport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace tavril;

namespace {

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

} // namespace

TEST(StartDate, EveryWrittenFormReadsAsTheSameDay)
{
    struct Case {
        const char* text;
        int year, month, day;
    } cases[] = {{"2005-10-31", 2005, 10, 31}, {"10/31/2005", 2005, 10, 31}, {"05.10.31", 2005, 10, 31},
                 {"49-1-2", 2049, 1, 2},       {"50-1-2", 1950, 1, 2}};
    for (const auto& c : cases) {
        CivilTime t;
        ASSERT_TRUE(ParseStartDate(c.text, t)) << c.text;
        EXPECT_EQ(t.year, c.year) << c.text;
        EXPECT_EQ(t.month, c.month) << c.text;
        EXPECT_EQ(t.day, c.day) << c.text;
    }
    CivilTime t;
    EXPECT_FALSE(ParseStartDate("20051031", t));
    EXPECT_FALSE(ParseStartTime("10:05", t));
    ASSERT_TRUE(ParseStartTime("7:5:3", t));
    EXPECT_EQ(t.TimeText(), "07:05:03");
}

TEST(CivilTime, SecondsCarryIntoDaysAndYears)
{
    CivilTime t;
    t.year = 2004;
    t.month = 12;
    t.day = 31;
    t.hour = 23;
    t.minute = 59;
    t.second = 30;
    const CivilTime u = t.Plus(45);
    EXPECT_EQ(u.DateText() + " " + u.TimeText(), "2005-01-01 00:00:15");
    t.year = 2004;
    t.month = 2;
    t.day = 28;
    EXPECT_EQ(t.Plus(3600).DateText(), "2004-02-29");
}

TEST(AnnotationMetafile, KeysAreReadAndSetOnce)
{
    test::TempDir dir;
    const std::string path = dir.File("night metafile.txt");
    Put(path, "recordingtype = fold, clip\nstartdate=05.10.31\nstarttime = 22:15:00\nA 01.wav\n");
    AnnotationMetafile m;
    ASSERT_TRUE(m.Load(path));
    EXPECT_TRUE(m.IsFolder());
    EXPECT_TRUE(m.IsClips());
    EXPECT_FALSE(m.IsContinuous());
    EXPECT_EQ(m.Start().DateText() + " " + m.Start().TimeText(), "2005-10-31 22:15:00");
    ASSERT_TRUE(m.SetAnnotationFile("first.log"));
    ASSERT_TRUE(m.SetAnnotationFile("night annotations.log"));
    EXPECT_EQ(Slurp(path), "annotationfile=night annotations.log\r\nrecordingtype = fold, clip\r\n"
                           "startdate=05.10.31\r\nstarttime = 22:15:00\r\nA 01.wav\r\n");
    EXPECT_EQ(m.AnnotationFilePath(), dir.File("night annotations.log"));
}

TEST(AnnotationMetafile, MembersAreJoinedToTheirFolder)
{
    test::TempDir dir;
    const std::string path = dir.File("series.txt");
    Put(path, "recordingtype=list,cont\npath=/rec/day one\nA.wav\n/abs/B.wav\n\nC.wav\n");
    AnnotationMetafile m;
    ASSERT_TRUE(m.Load(path));
    EXPECT_EQ(m.Members(), (std::vector<std::string>{"/rec/day one/A.wav", "/abs/B.wav", "/rec/day one/C.wav"}));
    EXPECT_TRUE(m.IsContinuous());
    EXPECT_TRUE(m.AnnotationFilePath().empty());
}

TEST(AnnotationLink, APlainSoundGetsAMetafileAndAnAnnotationFile)
{
    test::TempDir dir;
    const std::string sound = dir.File("dawn chorus.wav");
    CSoundFile wav;
    ASSERT_TRUE(wav.Create(sound, 8000, 1, 16, 80));
    wav.Close();
    AnnotationLinkResult r = AddAnnotationLink(sound, "dawn", "");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.metafilePath, dir.File("dawn chorus metafile.txt"));
    EXPECT_EQ(r.annotationPath, dir.File("dawn.log"));
    EXPECT_TRUE(std::filesystem::exists(r.annotationPath));
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_EQ(r.notes[0].rfind("NOTE: The sound file is not a metafile.", 0), 0u);
    AnnotationMetafile m;
    ASSERT_TRUE(m.Load(r.metafilePath));
    EXPECT_EQ(m.AnnotationFilePath(), r.annotationPath);
    EXPECT_EQ(m.Members(), (std::vector<std::string>{sound}));

    // A folder elsewhere gets a copy that still finds the recording.
    test::TempDir other;
    r = AddAnnotationLink(sound, "dawn.txt", other.Path().string());
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.annotationPath, other.File("dawn.txt"));
    ASSERT_TRUE(m.Load(r.metafilePath));
    EXPECT_EQ(m.Members(), (std::vector<std::string>{sound}));

    r = AddAnnotationLink(dir.File("missing.wav"), "x", "");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "ERROR: Sound file does not exist.\nAnnotation file link creation FAILED");
    Put(dir.File("broken.wav"), "RIFF");
    r = AddAnnotationLink(dir.File("broken.wav"), "x", "");
    EXPECT_EQ(r.message, "ERROR: Could not open sound file.\nAnnotation file link creation FAILED");
}

TEST(AnnotationMetafile, AKeySetAtTheEndKeepsEveryLine)
{
    test::TempDir dir;
    const std::string path = dir.File("m.txt");
    Put(path, "offset=12.5\na.wav\n");
    AnnotationMetafile m;
    ASSERT_TRUE(m.Load(path));
    ASSERT_TRUE(m.SetKey("offset", "3", true));
    EXPECT_EQ(Slurp(path), "offset=12.5\r\na.wav\r\noffset=3\r\n");
    EXPECT_EQ(m.ReadKey("OFFSET"), "12.5");
    ASSERT_TRUE(m.SetStartDate([] {
        CivilTime t;
        t.year = 2049;
        t.month = 1;
        t.day = 2;
        return t;
    }()));
    EXPECT_EQ(m.ReadKey("startdate"), "2049-01-02");
    EXPECT_FALSE(m.Load(dir.File("missing.txt")));
}
