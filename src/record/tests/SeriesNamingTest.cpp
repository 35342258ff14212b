#include "SeriesNaming.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tavril {
namespace {

// 2026-05-02 04:00:00 local time.
std::time_t Morning()
{
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 4;
    t.tm_mday = 2;
    t.tm_hour = 4;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

TEST(SeriesNamingTest, NamesFromPatterns)
{
    test::TempDir dir;
    SeriesSettings s;
    s.seriesPath = dir.Path().string();
    CSeriesNamer namer(s);
    namer.RecordingStarted(1000, Morning());

    s.seriesName = "site%n";
    s.seriesNumber = 7;
    SeriesName n = namer.Next(1000, 0, false);
    EXPECT_EQ(n.fileName, "site   7.wav");
    EXPECT_EQ(n.fullPath, dir.File("site   7.wav"));
    EXPECT_TRUE(n.cont);

    s.seriesName = "a";
    s.seriesNumber = 12;
    EXPECT_EQ(namer.Next(1000, 0, false).fileName, "a   12.wav");

    // Elapsed 12345 ms: milliseconds 345, clock 04:00:12; channel 0 is "1".
    s.seriesName = "%H%M%S-%F-ch%c";
    EXPECT_EQ(namer.Next(13345, 0, false).fileName, "040012-345-ch1.wav");

    s.seriesName = "%Y%m%d";
    EXPECT_EQ(namer.Next(2000, 0, false).fileName, "20260502.wav");
    EXPECT_EQ(namer.Next(3000, 0, false).fileName, "20260502    2.wav");

    s.setStartTime = true;
    s.startHours = 6;
    s.startMinutes = 30;
    s.seriesName = "%H%M%S";
    EXPECT_EQ(namer.Next(61000, 0, false).fileName, "063100.wav");

    s.seriesName = "x%n";
    s.seriesNumber = 5;
    EXPECT_EQ(namer.Next(1000, 0, true).fileName, "x   0.wav");  // restart
}

TEST(SeriesNamingTest, StopNumberFolderPerDayAndFileList)
{
    test::TempDir dir;
    SeriesSettings s;
    s.seriesName = "n%n";
    s.seriesPath = dir.File("%Y-%m-%d");
    s.seriesNumber = 10;
    s.stopNumber = 10;
    s.checkStopNumber = true;
    s.saveFileList = true;
    s.fileListName = "list";
    CSeriesNamer namer(s);
    namer.RecordingStarted(0, Morning());
    SeriesName n = namer.Next(0, 0, false);
    EXPECT_FALSE(n.cont);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("2026-05-02")));
    EXPECT_EQ(n.fullPath, dir.File("2026-05-02/n  10.wav"));

    s.seriesNumber = 9;
    n = namer.Next(0, 0, false);
    EXPECT_TRUE(n.cont);
    namer.CountStoredFile();
    EXPECT_EQ(s.seriesNumber, 10);
    EXPECT_EQ(namer.SavedCount(), 1);

    // A day later the folder pattern names a new folder.
    n = namer.Next(86400000, 0, false);
    EXPECT_EQ(n.fullPath, dir.File("2026-05-03/n  10.wav"));

    ASSERT_EQ(namer.RecordInFileList("one.wav", 0), 1);
    ASSERT_EQ(namer.RecordInFileList("two.wav", 86400000), 1);
    EXPECT_EQ(namer.ListPath(), dir.File("2026-05-02/list.txt"));
    const auto bytes = test::ReadAll(dir.File("2026-05-02/list.txt"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "one.wav\ntwo.wav\n");
}

} // namespace
} // namespace tavril
