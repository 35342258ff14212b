#include "AnnotationDetectionSink.h"
#include "AnnotationFile.h"
#include "AnnotationMetafile.h"
#include "CSoundFile.h"

#include "TestSupport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace tavril;

namespace {

void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// A linked WAV whose annotation file already holds a note line and one record.
std::string LinkedRecording(const test::TempDir& dir, std::string& annotationPath)
{
    const std::string sound = dir.File("marsh.wav");
    CSoundFile wav;
    EXPECT_TRUE(wav.Create(sound, 8000, 2, 16, 80));
    wav.Close();
    const AnnotationLinkResult link = AddAnnotationLink(sound, "marsh", "");
    EXPECT_TRUE(link.ok) << link.message;
    annotationPath = link.annotationPath;
    Put(annotationPath, "observer K. Lind\nan:\tmarsh.wav\t1\t0.5\t1\t9000\t3000\told song\t\n");
    return sound;
}

void ExpectBox(const AnnotationRecord& r, double l, double rt, double lo, double hi, int ch, const std::string& c)
{
    EXPECT_DOUBLE_EQ(r.LeftSec(), l);
    EXPECT_DOUBLE_EQ(r.RightSec(), rt);
    EXPECT_DOUBLE_EQ(r.BottomHz(), lo);
    EXPECT_DOUBLE_EQ(r.TopHz(), hi);
    EXPECT_EQ(r.Channel(), ch);
    EXPECT_EQ(r.Comment(), c);
}

} // namespace

TEST(AnnotationDetectionSink, AddKeepsEarlierRecordsAndReplaceDropsThem)
{
    test::TempDir dir;
    std::string path;
    const std::string sound = LinkedRecording(dir, path);
    AnnotationDetectionSink sink(dir.File("settings.ini"));
    std::string error;

    sink.Begin(sound, false);
    sink.Add(sound, {2.25, 3.5, 1500, 6000, 2, "auto"});
    sink.Add(sound, {7, 7.125, 1500, 6000, 1, "auto"});
    ASSERT_TRUE(sink.Finish(sound, error)) << error;
    AnnotationFile added;
    ASSERT_EQ(added.Load(path), 3);
    ExpectBox(*added.At(0), 0.5, 1, 3000, 9000, 1, "old song");
    ExpectBox(*added.At(1), 2.25, 3.5, 1500, 6000, 2, "auto");
    ExpectBox(*added.At(2), 7, 7.125, 1500, 6000, 1, "auto");
    EXPECT_EQ(added.At(1)->SoundFile(), "marsh.wav");

    sink.Begin(sound, true);
    sink.Add(sound, {10, 10.5, 200, 4000, 1, "rerun"});
    ASSERT_TRUE(sink.Finish(sound, error)) << error;
    AnnotationFile replaced;
    ASSERT_EQ(replaced.Load(path), 1);
    ExpectBox(*replaced.At(0), 10, 10.5, 200, 4000, 1, "rerun");
    // Replacing concerns records only: what else a user wrote stays.
    EXPECT_EQ(replaced.KeptLines(), std::vector<std::string>{"observer K. Lind"});
}

TEST(AnnotationDetectionSink, ARecordingWithoutALinkIsReportedAndNothingIsWritten)
{
    test::TempDir dir;
    const std::string sound = dir.File("unlinked.wav");
    AnnotationDetectionSink sink(dir.File("settings.ini"));
    sink.Begin(sound, true);
    sink.Add(sound, {1, 2, 100, 200, 1, "x"});
    std::string error;
    EXPECT_FALSE(sink.Finish(sound, error));
    EXPECT_NE(error.find("annotation link"), std::string::npos) << error;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 0);
}
