#include "DataLogger.h"
#include "TextLineFile.h"

#include "SettingsStore.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace tavril;

namespace {

CivilTime At(int y, int mo, int d, int h, int mi, int s)
{
    CivilTime t;
    t.year = y;
    t.month = mo;
    t.day = d;
    t.hour = h;
    t.minute = mi;
    t.second = s;
    return t;
}

} // namespace

TEST(DataLogger, SelectionLinesWithTheDefaults)
{
    DataLogger log;
    LogSelection sel;
    sel.topHz = 8000;
    sel.bottomHz = 2500;
    sel.leftSec = 65.25;
    sel.rightSec = 70;
    EXPECT_EQ(log.SelectionLine(At(2026, 12, 6, 9, 5, 3), "/data/bird.wav", sel, nullptr),
              "selected:\tbird.wav\ttopfreq:\t8.00000\tbottomfreq:\t2.50000\tfreqdif:\t5.50000");

    LogfileSettings& s = log.Settings();
    s.labelEachField = false;
    s.freqUnits = 1;
    s.storeDate = s.storeTime = s.storeChannel = true;
    s.reportLeftTime = s.reportTimeDifference = true;
    s.reportFreqDifference = false;
    sel.channel = 2;
    const std::string comment = "alarm";
    EXPECT_EQ(log.SelectionLine(At(2026, 12, 6, 9, 5, 3), "bird.wav", sel, &comment),
              "12/6/2026\t9:5:3\tselected:\tbird.wav\t2\t8000.00\t2500.00\t00:01:5.250\t00:00:4.750\talarm");
    s.timeUnits = 0;
    s.useTimeOffset = true;
    sel.timeOffsetSec = 100;
    s.storeDate = s.storeTime = s.storeSoundFileName = false;
    EXPECT_EQ(log.SelectionLine({}, "bird.wav", sel, nullptr), "2\t8000.00\t2500.00\t165.2500\t4.7500");
}

TEST(DataLogger, CommentEventAndSoundLines)
{
    DataLogger log;
    const CivilTime now = At(2026, 1, 2, 13, 4, 0);
    EXPECT_EQ(log.CommentLine(now, "", "first\r\nsecond  \n"), "first\n\t\t\tsecond");
    EXPECT_EQ(DataLogger::EventLine(now, "start trial 3"), "1/2/2026\t13:4:0\t\tstart trial 3");
    EXPECT_EQ(log.SoundLine(now, "", "/songs/a b.wav", false), "played:\t/songs/a b.wav");
    EXPECT_EQ(FormatLogTime(3725.5, true), "01:02:5.500");
}

TEST(DataLogger, LinesGoToTheNamedFileOnlyWhileLoggingIsOn)
{
    test::TempDir dir;
    DataLogger log;
    log.Settings().logfilePath = dir.File("logs");
    log.Settings().logfileName = "session";
    EXPECT_EQ(log.LogfilePath(), dir.File("logs/session.txt"));
    EXPECT_FALSE(log.LogComment({}, "", "while off"));
    log.SetOn(true);
    log.Keys().Set(U'b', "bird flew off");
    EXPECT_TRUE(log.LogKey(At(2026, 1, 2, 3, 4, 5), U'b'));
    EXPECT_FALSE(log.LogKey({}, U'x'));
    log.Settings().reportSoundsSaved = false;
    EXPECT_FALSE(log.LogSaved({}, "", "a.wav"));
    TextLineFile f(log.LogfilePath());
    EXPECT_EQ(f.CountLines(), 1);
    std::string line;
    ASSERT_TRUE(f.ReadLine(0, line));
    EXPECT_EQ(line, "1/2/2026\t3:4:5\t\tbird flew off");
    log.Settings().logfileName = "session.log";
    EXPECT_EQ(log.LogfilePath(), dir.File("logs/session.log"));
}

TEST(LogKeyList, AnEmptyListLeavesTheStoredOneAndLkyFilesRoundTrip)
{
    test::TempDir dir;
    const std::string lky = dir.File("keys.lky");
    LogKeyList keys;
    keys.Set(U'a', "alarm call");
    keys.Set(U'\u00e9', "\u00e9cho");
    ASSERT_TRUE(keys.Save(lky));
    EXPECT_TRUE(LogKeyList().Save(lky));
    const LogKeyList back = LogKeyList::Load(lky);
    EXPECT_EQ(back.DisplayLines(), (std::vector<std::string>{"a: alarm call", "\u00e9: \u00e9cho"}));
    EXPECT_EQ(SettingsStore::ReadSettingInt(lky, "Logfile key list", "logfile key#0 value", 0), 97);
}

TEST(LogfileSettings, StoredValuesComeBack)
{
    test::TempDir dir;
    const std::string file = dir.File("log.set");
    LogfileSettings s = LogfileSettings::Load(file);
    EXPECT_TRUE(s.useAnnotationFile);
    EXPECT_FALSE(s.confirmEntries);
    s.logfileName = "run 1";
    s.confirmEntries = true;
    s.useAnnotationFile = false;
    s.timeUnits = 0;
    ASSERT_TRUE(s.Save(file));
    const LogfileSettings back = LogfileSettings::Load(file);
    EXPECT_EQ(back.logfileName, "run 1");
    EXPECT_TRUE(back.confirmEntries);
    EXPECT_FALSE(back.useAnnotationFile);
    EXPECT_EQ(back.timeUnits, 0);
    EXPECT_EQ(SettingsStore::ReadSettingInt(file, "Logfile Selection Settings", "confirm entries", 0), 1);
}

TEST(TextLineFile, TheViewerRunsWithoutAShell)
{
    TextLineFile f("/tmp/a b;$(rm -rf x).txt");
    EXPECT_EQ(f.ViewerCommand("", ""), (std::vector<std::string>{"xdg-open", "/tmp/a b;$(rm -rf x).txt"}));
    EXPECT_EQ(f.ViewerCommand("gedit", "--new-window  -s"),
              (std::vector<std::string>{"gedit", "/tmp/a b;$(rm -rf x).txt", "--new-window", "-s"}));
}

TEST(DataLogger, PointAndWaveformLines)
{
    DataLogger log;
    LogSelection sel;
    sel.waveform = true;
    sel.topHz = 0.5;
    sel.bottomHz = -0.25;
    const std::string comment = "perched";
    EXPECT_EQ(log.SelectionLine({}, "", sel, nullptr), "topfreq:\t0.5000\tbottomfreq:\t-0.2500\tfreqdif:\t0.7500");
    EXPECT_EQ(log.PointLine({}, "b.wav", &comment), "selected:\tb.wav\tperched");
    log.Settings().labelEachField = false;
    EXPECT_EQ(log.SoundLine({}, "", "/a.wav", true), "/a.wav");
}
