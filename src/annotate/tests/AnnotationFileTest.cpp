#include "AnnotationFile.h"

#include "TestSupport.h"

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

const std::string kHeader = "fieldkey:\tsoundfile\tchannel\tlefttimesec\trighttimesec\ttopfreqhz\tbottomfreqhz"
                            "\tcomment\tnotes";

} // namespace

TEST(AnnotationFile, OlderLayoutIsReadAndRewrittenWithAHeader)
{
    test::TempDir dir;
    const std::string path = dir.File("old.log");
    Put(path, "an:\tbird.wav\t1\t1.5\t2.25\t8000\t2000\tsong\t\r\nan:\t\t2\t3\t4\t6000\t1000\tcall\tx\r\n");
    AnnotationFile f;
    EXPECT_EQ(f.Load(path), 2);
    EXPECT_EQ(Slurp(path), kHeader + "\r\n"
                                     "an:\tbird.wav\t1\t1.500000\t2.250000\t8000.000000\t2000.000000\tsong\t\r\n"
                                     "an:\tbird.wav\t2\t3.000000\t4.000000\t6000.000000\t1000.000000\tcall\tx\r\n");
    // The second line's empty sound file took the name carried from the first.
    EXPECT_EQ(f.At(1)->SoundFile(), "bird.wav");
    EXPECT_EQ(f.At(1)->BottomHz(), 1000.0);
    EXPECT_TRUE(f.At(0)->IsModified());
}

TEST(AnnotationFile, ExtraColumnsAndKeptLinesSurviveARoundTrip)
{
    test::TempDir dir;
    const std::string path = dir.File("species.log");
    // A Latin-1 note line (not a record) must come back byte for byte; the
    // record whose left is not before its right stays a line too.
    const std::string kept1 = "recorded by J. M\xfcller";
    const std::string kept2 = "an:\tx.wav\t1\t5\t5\t100\t50\tzero length\t";
    Put(path, kept1 + "\n" + kHeader + "\tspecies\n" + kept2 + "\n" +
                  "an:\tx.wav\t1\t0.5\t1\t9000\t3000\tsong\tn\tWOTH\n"
                  "an:\tx.wav\t1\t2\t3\t9000\t3000\tcall\t\tBCCH\n");
    AnnotationFile f;
    ASSERT_EQ(f.Load(path), 2);
    ASSERT_NE(f.At(1)->FindField("species"), nullptr);
    EXPECT_EQ(f.At(1)->FindField("species")->Text(), "BCCH");
    EXPECT_FALSE(f.At(0)->IsModified());
    ASSERT_TRUE(f.Save(path, false, false, CivilTime{}));
    EXPECT_EQ(Slurp(path), kept1 + "\r\n" + kept2 + "\r\n" + kHeader + "\tspecies\r\n" +
                               "an:\tx.wav\t1\t0.500000\t1.000000\t9000.000000\t3000.000000\tsong\tn\tWOTH\r\n"
                               "an:\tx.wav\t1\t2.000000\t3.000000\t9000.000000\t3000.000000\tcall\t\tBCCH\r\n");
}

TEST(AnnotationFile, SingleByteTextInARecordIsReadAsLatin1)
{
    test::TempDir dir;
    const std::string path = dir.File("latin.log");
    Put(path, kHeader + "\nan:\tx.wav\t1\t0\t1\t10\t5\tM\xfc\x64\xe9\t\n");
    AnnotationFile f;
    ASSERT_EQ(f.Load(path), 1);
    EXPECT_EQ(f.At(0)->Comment(), "M\xc3\xbc\x64\xc3\xa9");
}

TEST(AnnotationFile, AppendingWritesTheHeaderFirstThenOneLinePerRecord)
{
    test::TempDir dir;
    const std::string path = dir.File("new.log");
    AnnotationFile f;
    CivilTime start;
    start.year = 2005;
    start.month = 10;
    start.day = 31;
    start.hour = 10;
    // 65.9 s after 10:00:00 is stamped with the whole second 10:01:05.
    AnnotationRecord* r = f.Add(65.9, 66.5, 2000, 8000, 1, "/data/night/bird.wav", "song", "two\nwords", true, true,
                                start, true, path);
    ASSERT_NE(r, nullptr);
    EXPECT_FALSE(r->IsModified());
    EXPECT_EQ(r->Notes(), "two@words");
    EXPECT_EQ(r->NotesForDisplay(), "two\r\nwords");
    f.Add(70, 71, 100, 200, 2, "bird.wav", "", "", true, true, start, true, path);
    const std::string header = "fieldkey:\tsoundfile\tchannel\tlefttimesec\trighttimesec\ttopfreqhz\tbottomfreqhz"
                               "\tstarttime\tstartdate\tcomment\tnotes\r\n";
    EXPECT_EQ(Slurp(path), header +
                               "an:\tbird.wav\t1\t65.900000\t66.500000\t8000.000000\t2000.000000\t10:01:05\t2005-10-31"
                               "\tsong\ttwo@words\r\n"
                               "an:\tbird.wav\t2\t70.000000\t71.000000\t200.000000\t100.000000\t10:01:10\t2005-10-31"
                               "\t\t\r\n");
    // Reading it back drops the derived start columns instead of adding them as fields.
    AnnotationFile back;
    ASSERT_EQ(back.Load(path), 2);
    EXPECT_TRUE(back.At(0)->ExtraFields().empty());
    EXPECT_EQ(back.At(0)->NotesForDisplay(), "two\r\nwords");
}

TEST(AnnotationFile, AnAppendThatCannotOpenTheFileKeepsTheRecord)
{
    test::TempDir dir;
    AnnotationFile f;
    std::string error;
    f.Add(1, 2, 0, 0, 1, "a.wav", "", "", false, false, {}, true, dir.File("no/such/folder/a.log"), &error);
    EXPECT_EQ(f.Count(), 1u);
    EXPECT_TRUE(f.At(0)->IsModified());
    EXPECT_FALSE(error.empty());
}

TEST(AnnotationFile, LogfileSelectionLinesAreReadAsRecords)
{
    test::TempDir dir;
    const std::string path = dir.File("log.txt");
    Put(path, kHeader + "\nselected:\tbird.wav\tchannel:\t2\ttopfreq:\t8.5\tbottomfreq:\t2.5\tlefttime_abs:\t1.25"
                        "\trighttime_abs:\t2.5\tcomment:\tnote @ 5\tquality:\tgood\n");
    AnnotationFile f;
    ASSERT_EQ(f.Load(path), 1);
    const AnnotationRecord& r = *f.At(0);
    EXPECT_EQ(r.SoundFile(), "bird.wav");
    EXPECT_EQ(r.Channel(), 2);
    EXPECT_EQ(r.LeftSec(), 1.25);
    EXPECT_EQ(r.RightSec(), 2.5);
    EXPECT_EQ(r.TopHz(), 8.5);
    EXPECT_EQ(r.BottomHz(), 2.5);
    EXPECT_EQ(r.Comment(), "note @ 5");
    ASSERT_NE(r.FindField("quality"), nullptr);
    EXPECT_EQ(r.FindField("quality")->Text(), "good");
}

TEST(AnnotationFile, SearchesFollowStartTimesAndChannels)
{
    AnnotationFile f;
    const CivilTime t0;
    AnnotationRecord* a = f.Add(5, 9, 0, 0, 1, "s.wav", "a", "", false, false, t0, false, "");
    AnnotationRecord* b = f.Add(2, 3, 0, 0, 1, "s.wav", "b", "", false, false, t0, false, "");
    AnnotationRecord* c = f.Add(2, 4, 0, 0, 1, "s.wav", "c", "", false, false, t0, false, "");
    AnnotationRecord* d = f.Add(0, 20, 0, 0, 2, "s.wav", "d", "", false, false, t0, false, "");
    // b and c start equally far before a: the first in the file wins.
    EXPECT_EQ(f.Previous(a), b);
    EXPECT_EQ(f.Next(b), a);
    EXPECT_EQ(f.Next(a), nullptr);
    EXPECT_EQ(f.Next(a, -1), nullptr);
    EXPECT_EQ(f.PreviousBefore(1.5, -1), d);
    EXPECT_EQ(f.PreviousBefore(2.5, 1), b);
    EXPECT_EQ(f.First(1), b);
    EXPECT_EQ(f.Last(-1), a);
    std::vector<AnnotationRecord*> hits;
    EXPECT_EQ(f.Containing(3, 1, hits), 2);
    EXPECT_EQ(hits, (std::vector<AnnotationRecord*>{b, c}));
    // A box wider than the span shown still overlaps it.
    EXPECT_EQ(f.Overlapping(6, 7, -1), (std::vector<AnnotationRecord*>{a, d}));
    f.Remove(c);
    EXPECT_EQ(f.Count(), 3u);
}

TEST(AnnotationField, TextAndNumberFollowTheLastSet)
{
    AnnotationField fld("score");
    fld.SetNumber(0.25);
    EXPECT_EQ(fld.Text(), "0.25000");
    fld.SetText("12.5e1");
    EXPECT_EQ(fld.Number(), 125.0);
    fld.SetText("NA");
    EXPECT_EQ(fld.Text(), "NA");
}

TEST(AnnotationFile, AppendingUnderAnotherHeaderRewritesTheFileInsteadOfShiftingColumns)
{
    test::TempDir dir;
    const std::string path = dir.File("species.log");
    Put(path, kHeader + "\tspecies\r\nan:\tx.wav\t1\t0\t1\t10\t5\tsong\t\tWOTH\r\n");
    AnnotationFile f;
    ASSERT_EQ(f.Load(path), 1);
    // Start times now asked for: a plain append would put them under "comment".
    f.Add(2, 3, 5, 10, 1, "x.wav", "call", "", true, false, CivilTime{}, true, path);
    AnnotationFile back;
    ASSERT_EQ(back.Load(path), 2);
    EXPECT_EQ(back.At(0)->FindField("species")->Text(), "WOTH");
    EXPECT_EQ(back.At(1)->Comment(), "call");
    EXPECT_EQ(back.At(1)->FindField("species")->Text(), "");
}

TEST(AnnotationFile, TabsAndLineBreaksNeverSplitARecord)
{
    test::TempDir dir;
    const std::string path = dir.File("a.log");
    AnnotationFile f;
    f.Add(0, 1, 0, 0, 1, "a.wav", "two\tparts\nand a line", "n1\r\nn2\tx", false, false, {}, true, path);
    AnnotationFile back;
    ASSERT_EQ(back.Load(path), 1);
    EXPECT_EQ(back.At(0)->Comment(), "two parts and a line");
    EXPECT_EQ(back.At(0)->NotesForDisplay(), "n1\r\nn2 x");
    EXPECT_TRUE(back.KeptLines().empty());
}

TEST(AnnotationFile, ImportedTimesKeepEveryDigit)
{
    test::TempDir dir;
    AnnotationFile f;
    f.AddRecord(AnnotationRecord(0.17809591100000002, 7.0579205589999985, 1326.3, 3266.5, 1, "", "", ""));
    ASSERT_TRUE(f.Save(dir.File("t.log"), false, false, {}));
    AnnotationFile back;
    ASSERT_EQ(back.Load(dir.File("t.log")), 1);
    EXPECT_EQ(back.At(0)->LeftSec(), 0.17809591100000002);
    EXPECT_EQ(back.At(0)->RightSec(), 7.0579205589999985);
    EXPECT_EQ(back.At(0)->BottomHz(), 1326.3);
}
