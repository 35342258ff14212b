#include "CFileDetector.h"

#include "RecordTestUtil.h"
#include "SettingsStore.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace tavril {
namespace {

using test::ReadWav;
using test::WriteWav;

class RecordingSink final : public IDetectionSink {
public:
    void Begin(const std::string& recording, bool replace) override
    {
        begun = recording;
        replaced = replace;
    }
    void Add(const std::string&, const DetectionAnnotation& a) override { added.push_back(a); }
    int Finish(const std::string& recording, std::string&) override
    {
        finished = recording;
        return 1;
    }
    std::string begun, finished;
    bool replaced = false;
    std::vector<DetectionAnnotation> added;
};

// Stereo, 22050 Hz: quiet noise everywhere, 200 ms calls at 4 kHz on the
// second channel only, starting at the given seconds.
std::vector<int16_t> TwoChannels(double seconds, const std::vector<double>& calls)
{
    std::vector<int16_t> s(size_t(seconds * 22050) * 2);
    for (size_t i = 0; i < s.size() / 2; ++i) {
        const double t = i / 22050.0;
        s[2 * i] = int16_t(60 * std::sin(i * 0.9));
        double v = 60 * std::cos(i * 1.3);
        for (double c : calls)
            if (t >= c && t < c + 0.2) v += 9000 * std::sin(2 * M_PI * 4000 * t);
        s[2 * i + 1] = int16_t(v);
    }
    return s;
}

FileDetectorSettings Settings()
{
    FileDetectorSettings s;
    s.detector.bufferBeforeMs = 100;
    s.detector.bufferAfterMs = 100;
    s.detector.maxTriggerDropMs = 50;
    s.detector.minSoundMs = 100;
    s.detector.freqMinHz = 2000;
    s.detector.freqMaxHz = -1;
    return s;
}

TEST(CFileDetectorTest, SelectedChannelClipsAndAnnotations)
{
    test::TempDir dir;
    const auto sound = TwoChannels(6, {1.0, 3.0, 5.5});
    WriteWav(dir.File("rec.wav"), 22050, 2, sound);
    FileDetectorSettings s = Settings();
    s.useChannelList = true;
    s.channelList = "2";
    s.stopTime = "";  // to the end: the call at 5.5 s counts
    s.saveAsClips = true;
    s.saveAsAnnotation = true;
    s.deletePrevAnnotations = true;
    s.series.seriesName = "clip c%c n%n";
    s.series.seriesPath = dir.Path().string();
    RecordingSink sink;
    CFileDetector detector;
    detector.SetSink(&sink);
    detector.SetComment("auto");
    const FileDetectionReport r = detector.Run(dir.File("rec.wav"), s);
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.channels, std::vector<int>{2});
    EXPECT_EQ(r.counts, std::vector<int>{3});
    ASSERT_EQ(r.detections.size(), 3u);
    const double starts[] = {1.0, 3.0, 5.5};
    for (size_t i = 0; i < 3; ++i) {
        // 200 ms calls padded by 100 ms each side; the onset may show up to
        // two spectrum lines (2 x 23 ms) early: the line holding it and the
        // one the trigger steps back.
        EXPECT_NEAR(r.detections[i].startSec, starts[i] - 0.1, 0.05) << i;
        EXPECT_NEAR(r.detections[i].durationSec, 0.4, 0.06) << i;
        EXPECT_EQ(r.detections[i].channel, 2);
    }
    EXPECT_EQ(r.detections[1].clipFile, dir.File("clip c2 n   1.wav"));
    // The clip holds the second channel's frames from the detection start.
    const auto clip = ReadWav(r.detections[1].clipFile);
    const size_t from = size_t(r.detections[1].startSec * 22050 + 1e-6);
    ASSERT_GT(clip.size(), 2000u);
    for (size_t i = 0; i < clip.size(); i += 97) ASSERT_EQ(clip[i], sound[2 * (from + i) + 1]) << i;

    EXPECT_EQ(sink.begun, dir.File("rec.wav"));
    EXPECT_EQ(sink.finished, dir.File("rec.wav"));
    EXPECT_TRUE(sink.replaced);
    ASSERT_EQ(sink.added.size(), 3u);
    EXPECT_EQ(sink.added[0].channel, 2);
    EXPECT_EQ(sink.added[0].bottomHz, 2000.0);
    EXPECT_EQ(sink.added[0].topHz, 11025.0);
    EXPECT_EQ(sink.added[0].comment, "auto");
    EXPECT_DOUBLE_EQ(sink.added[2].leftSec, r.detections[2].startSec);
}

TEST(CFileDetectorTest, RangeLimitsAndTheRingStart)
{
    test::TempDir dir;
    const auto sound = TwoChannels(6, {1.0, 3.0, 5.5});
    WriteWav(dir.File("rec.wav"), 22050, 2, sound);
    FileDetectorSettings s = Settings();
    s.detector.bufferBeforeMs = 500;
    s.saveAsClips = true;
    s.series.seriesName = "c%n";
    s.series.seriesPath = dir.Path().string();
    // The range starts 100 ms before the second call and ends before the third.
    s.startTime = "2.9";
    s.stopTime = "5";
    CFileDetector detector;
    detector.Start(dir.File("rec.wav"), s);
    detector.Wait();
    ASSERT_TRUE(detector.IsFinished());
    const FileDetectionReport& r = detector.Report();
    EXPECT_EQ(r.channels, (std::vector<int>{1, 2}));
    EXPECT_EQ(r.counts, (std::vector<int>{0, 1}));
    ASSERT_EQ(r.detections.size(), 1u);
    // 500 ms before the call would be before the range: the clip starts at
    // the range's first frame.
    EXPECT_NEAR(r.detections[0].startSec, 2.9, 1e-9);
    const auto clip = ReadWav(r.detections[0].clipFile);
    ASSERT_FALSE(clip.empty());
    EXPECT_EQ(clip[0], sound[2 * size_t(2.9 * 22050) + 1]);
    EXPECT_NEAR(detector.CurrentSeconds(), 5.0, 0.001);
}

TEST(CFileDetectorTest, ChannelLists)
{
    EXPECT_EQ(ParseChannelList("1,3-4", 4), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(ParseChannelList(" 2 , 1 ", 2), (std::vector<int>{1, 2}));
    EXPECT_EQ(ParseChannelList("2-9", 3), (std::vector<int>{2, 3}));
    EXPECT_TRUE(ParseChannelList("3", 2).empty());
    EXPECT_TRUE(ParseChannelList("4-2", 4).empty());
    EXPECT_TRUE(ParseChannelList("one", 4).empty());
    EXPECT_TRUE(ParseChannelList("1;2", 4).empty());
}

TEST(CFileDetectorTest, SettingsLiveInTheirOwnSections)
{
    test::TempDir dir;
    const std::string file = dir.File("s.ini");
    FileDetectorSettings s;
    s.stopTime = "12.5";
    s.channelList = "2-3";
    s.detector.minSoundMs = 77;
    s.series.seriesName = "clip%n";
    ASSERT_EQ(s.Save(file), 1);
    EXPECT_EQ(SettingsStore::ReadSettingString(file, "Recording file detector", "detection stop time", ""), "12.5");
    EXPECT_EQ(SettingsStore::ReadSettingInt(file, "Sound Detector Details for file detector", "min sound duration", 0),
              77);
    EXPECT_EQ(SettingsStore::ReadSettingString(file, "Series File Settings for file detector", "Series Name", ""),
              "clip%n");
    FileDetectorSettings back;
    back.Load(file);
    EXPECT_EQ(back.channelList, "2-3");
    EXPECT_EQ(back.detector.minSoundMs, 77);
}

TEST(CFileDetectorTest, UnreadableRecordingEndsWithoutResults)
{
    test::TempDir dir;
    test::WriteAll(dir.File("bad.wav"), {'R', 'I', 'F', 'F'});
    CFileDetector detector;
    const FileDetectionReport r = detector.Run(dir.File("bad.wav"), Settings());
    EXPECT_FALSE(r.opened);
    EXPECT_FALSE(r.error.empty());
    EXPECT_TRUE(r.detections.empty());

    // A header claiming 0.01 Hz opens, but gives nothing to analyse.
    WriteWav(dir.File("slow.aiff"), 0.01, 1, std::vector<int16_t>(8, 100));
    const FileDetectionReport slow = detector.Run(dir.File("slow.aiff"), Settings());
    EXPECT_FALSE(slow.error.empty());
    EXPECT_EQ(slow.counts.size(), slow.channels.size());
}

} // namespace
} // namespace tavril
