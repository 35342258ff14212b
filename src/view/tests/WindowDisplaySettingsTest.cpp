#include "WindowDisplaySettings.h"

#include "SettingsStore.h"
#include "ViewTestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

using namespace tavril;

namespace {

std::vector<int> Entries(const std::string& list)
{
    WindowDisplaySettings s;
    s.m_channelList = list;
    s.ParseChannelList();
    return std::vector<int>(s.m_channelEntries.begin(), s.m_channelEntries.begin() + s.ChannelCount());
}

WindowDisplaySettings NonDefault()
{
    // Every stored field away from its default.
    WindowDisplaySettings s;
    s.m_displayType = 0; s.m_fftWindowType = 2; s.m_fftSizeCode = 5; s.m_grayscaleType = 1;
    s.m_specGain = 500.0f; s.m_specWhiteThreshold = 200; s.m_whiteOnBlack = true;
    s.m_freqAmpCursorOn = false; s.m_freqAmpCursorUnits = 1; s.m_freqAmpGridOn = true;
    s.m_freqAmpTicksOn = true; s.m_freqAmpTickUnits = 1; s.m_freqAmpTickValue = 0.5f;
    s.m_freqAmpTickValuesOn = true; s.m_freqAmpTitleOn = true; s.m_freqAmpTitle = "Frequency Hz";
    s.m_highFreqLimit = 9000.0f; s.m_lowFreqLimit = 1500.0f; s.m_lowFreqLimitOn = true;
    s.m_highFreqLimitOn = true; s.m_timeCursorOn = false; s.m_timeGridOn = true;
    s.m_timeTicksOn = true; s.m_timeTickValue = 0.25f; s.m_timeValuesOn = true;
    s.m_timeTickValuesOn = true; s.m_timeTitleOn = true; s.m_timeTitle = "Time (HH:MM:SS)";
    s.m_timeUnits = 1; s.m_timeCursorUnits = 1; s.m_timeOffset = "05:30:00";
    s.m_stretchOrAbsolute = 1; s.m_msecPerLine = 2.5f; s.m_preventRecording = true;
    s.m_preventPlayback = true; s.m_lockWindowSettings = true; s.m_usePlayKey = true;
    s.m_playKeyValue = std::string(1, 'p'); s.m_playbackStartsTrial = false;
    s.m_displayRowsCode = 3; s.m_channelList = "2-3, 7"; s.ParseChannelList();
    s.m_showAnnotationBox = false; s.m_showAnnotationText = false; s.m_showEveryFrame = false;
    return s;
}

// Every stored field as the saved section holds it.
std::string Stored(const WindowDisplaySettings& s)
{
    test::TempDir dir;
    EXPECT_EQ(s.Save(dir.File("s.dsp"), 0), 1);
    return test::ReadText(dir.File("s.dsp"));
}

void ExpectStoredFieldsEqual(const WindowDisplaySettings& a, const WindowDisplaySettings& b)
{
    EXPECT_EQ(Stored(a), Stored(b));
    EXPECT_EQ(a.m_channelEntries, b.m_channelEntries);
    EXPECT_EQ(a.ChannelCount(), b.ChannelCount());
}

} // namespace

TEST(WindowDisplaySettingsTest, DefaultsShowChannelOneAsA512PointSpectrogram)
{
    WindowDisplaySettings s;
    EXPECT_EQ(s.ChannelCount(), 1);
    EXPECT_EQ(s.Channel(0), 0);
    EXPECT_EQ(s.SpectrogramDisplayFor(22050.0).Bins(), 256);
}

TEST(WindowDisplaySettingsTest, ChannelListsParseIntoZeroBasedEntries)
{
    EXPECT_EQ(Entries("1,5,2"), (std::vector<int>{0, 4, 1}));
    EXPECT_EQ(Entries("1-3, 5, 7-16"), (std::vector<int>{0, 1, 2, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    // The hyphen with spaces is its own token: "- 3" reads as 1 up to 3.
    EXPECT_EQ(Entries("1 - 3"), (std::vector<int>{0, 0, 1, 2}));
    EXPECT_EQ(Entries("5-3"), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(Entries("-4"), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(Entries("4-"), (std::vector<int>{3}));
    EXPECT_EQ(Entries("0"), (std::vector<int>{0}));
    EXPECT_EQ(Entries("ch 2;3"), (std::vector<int>{1}));
    // Empty or digit-free lists leave the single empty entry.
    EXPECT_EQ(Entries(""), (std::vector<int>{-1}));
    EXPECT_EQ(Entries("none, -"), (std::vector<int>{-1}));
    // At most 50 entries, however large the range.
    const auto many = Entries("1-100");
    ASSERT_EQ(many.size(), 50u);
    EXPECT_EQ(many.front(), 0);
    EXPECT_EQ(many.back(), 49);
    EXPECT_EQ(Entries("1-99999999999999999999").size(), 50u);
    EXPECT_EQ(Entries("3,1-60").size(), 50u);
    EXPECT_EQ(Entries("3,1-60").back(), 48);
}

TEST(WindowDisplaySettingsTest, ChannelWrapsAroundTheUsedEntries)
{
    WindowDisplaySettings s;
    s.m_channelList = "1,5,2";
    s.ParseChannelList();
    EXPECT_EQ(s.Channel(0), 0);
    EXPECT_EQ(s.Channel(1), 4);
    EXPECT_EQ(s.Channel(4), 4);
    EXPECT_EQ(s.Channel(-1), 1);
    s.SelectChannel(6);
    EXPECT_EQ(s.m_channelList, "7");
    EXPECT_EQ(s.m_singleChannelChoice, 6);
    EXPECT_EQ(s.ChannelCount(), 1);
    EXPECT_EQ(s.Channel(3), 6);
}

TEST(WindowDisplaySettingsTest, CopyKeepsTheWindowsOwnLockAndLink)
{
    WindowDisplaySettings target;
    target.m_lockWindowSettings = false;
    target.m_linkedWindow = 4;
    WindowDisplaySettings source = NonDefault();
    source.m_linkWindows = true;
    source.m_linkedWindow = 9;
    target.CopyFrom(source);
    EXPECT_FALSE(target.m_lockWindowSettings);
    EXPECT_EQ(target.m_linkedWindow, 4);
    EXPECT_TRUE(target.m_linkWindows);
    EXPECT_EQ(target.m_fftSizeCode, 5);
    EXPECT_EQ(target.Channel(2), 6);
}

TEST(WindowDisplaySettingsTest, SaveAndLoadRoundTripEveryStoredField)
{
    test::ConfigHome home;
    WindowDisplaySettings a = NonDefault();
    a.m_linkWindows = true;  // the link settings are not stored
    a.m_linkedWindow = 3;
    // Each saved line must carry its field's value, not a constant.
    std::istringstream mine(Stored(a)), plain(Stored(WindowDisplaySettings()));
    std::string x, y;
    std::getline(mine, x);
    std::getline(plain, y);
    while (std::getline(mine, x) && std::getline(plain, y)) EXPECT_NE(x, y);
    ASSERT_EQ(a.Save("", -1), 1);
    ASSERT_EQ(a.Save(home.File("layout.dsp"), 2), 1);
    WindowDisplaySettings b, c;
    b.Load("", -1);
    c.Load(home.File("layout.dsp"), 2);
    ExpectStoredFieldsEqual(a, b);
    ExpectStoredFieldsEqual(a, c);
    EXPECT_FALSE(c.m_linkWindows);
    EXPECT_EQ(c.m_linkedWindow, -1);
}

TEST(WindowDisplaySettingsTest, SectionNamesAndKeyOrder)
{
    test::ConfigHome home;
    EXPECT_EQ(WindowDisplaySettings::SectionName(-1), "Display Details");
    EXPECT_EQ(WindowDisplaySettings::SectionName(3), "Display Details for window 3");
    const std::string file = home.File("order.dsp");
    WindowDisplaySettings().Save(file, 3);
    const std::string text = test::ReadText(file);
    ASSERT_NE(text.find("[Display Details for window 3]"), std::string::npos);
    const char* keys[] = {"display type", "FFT window type", "FFT size", "grayscale type", "spec gain",
                          "spec white threshold", "white-on-black?", "freq/amp cursor on", "freq/amp cursor units",
                          "freq/amp grid on", "freq/amp ticks on", "freq/amp tick units", "freq/amp tickval",
                          "freq/amp tick vals on", "freq/amp title on", "freq/amp titlestring",
                          "display high freq limit", "display low freq limit", "display low freq limit on",
                          "display high freq limit on", "time cursor on", "time grid on", "time ticks on",
                          "time tick values", "time values on", "time tick values on", "time title on",
                          "time title string", "time units", "time cursor units", "time offset",
                          "stretch or absolute", "msec per line", "prevent recording", "prevent playback",
                          "lock window settings", "use play key", "play key value", "playback starts trial",
                          "number of display rows", "channel list to view", "show annotation box",
                          "show annotation text", "show every frame"};
    size_t last = 0;
    for (const char* k : keys) {
        std::string line = "\n";
        line.append(k).push_back('=');
        const size_t at = text.find(line);
        ASSERT_NE(at, std::string::npos) << k;
        EXPECT_GT(at, last) << k;
        last = at;
    }
}

TEST(WindowDisplaySettingsTest, OlderChannelKeysBuildTheList)
{
    test::ConfigHome home;
    const std::string file = home.File("old.dsp");
    // Each row adds keys to the file; loading rebuilds the list from them.
    const struct { std::vector<std::pair<const char*, const char*>> keys; const char* list; int first, count; } rows[] = {
        {{{"FFT size", "2"}}, "1", 0, 1},  // neither the list nor the older keys: channel 1
        {{{"channel number to view", "2"}}, "3", 2, 1},
        {{{"number of channels displayed", "2"}, {"number of display rows", "3"}}, "1-4", 0, 4},
        {{{"channel list to view", ""}}, "1-4", 0, 4},  // an empty list counts as missing
        {{{"channel list to view", "2,1"}}, "2,1", 1, 2}};
    for (const auto& r : rows) {
        for (auto [key, value] : r.keys)
            SettingsStore::WriteSettingString(file, "Display Details for window 0", key, value);
        WindowDisplaySettings s;
        s.SelectChannel(3);  // list "4": must be rebuilt, not kept
        s.Load(file, 0);
        EXPECT_EQ(s.m_fftSizeCode, 2);
        EXPECT_EQ(s.m_channelList, r.list);
        EXPECT_EQ(s.Channel(0), r.first) << r.list;
        EXPECT_EQ(s.ChannelCount(), r.count) << r.list;
    }
}

TEST(WindowDisplaySettingsTest, MissingKeysLeaveFieldsAlone)
{
    test::ConfigHome home;
    WindowDisplaySettings s = NonDefault();
    s.Load(home.File("nothing-here.dsp"), 5);
    WindowDisplaySettings expected = NonDefault();
    expected.m_channelList = std::string(1, '1');  // the list alone is rebuilt
    expected.ParseChannelList();
    ExpectStoredFieldsEqual(expected, s);
}

TEST(WindowDisplaySettingsTest, EveryFrameIsOnForNewWindowsAndOffForOlderDisplayFiles)
{
    test::ConfigHome home;
    EXPECT_TRUE(WindowDisplaySettings().m_showEveryFrame);
    const std::string file = home.File("old.dsp");
    SettingsStore::WriteSettingString(file, "Display Details for window 0", "FFT size", "2");
    SettingsStore::WriteSettingString(file, "Display Details", "FFT size", "2");
    WindowDisplaySettings window, defaults;
    window.Load(file, 0);
    defaults.Load(file, -1);
    EXPECT_FALSE(window.m_showEveryFrame);  // saved before the option: today's picture
    EXPECT_TRUE(defaults.m_showEveryFrame);  // program defaults keep their own value
    SettingsStore::WriteSettingString(file, "Display Details for window 0", "show every frame", "1");
    window.Load(file, 0);
    EXPECT_TRUE(window.m_showEveryFrame);
}

TEST(WindowDisplaySettingsTest, UnitChangesRewriteAxisTitles)
{
    using W = WindowDisplaySettings;
    // The user's own text is never taken for the unit ("xxx sec").
    const struct { bool freq; const char* title; int units; const char* want; } rows[] = {
        {true, "Freq kHz", 1, "Freq Hz"},         {true, "Freq Hz", 0, "Freq KHz"},
        {true, "khz and HZ", 1, "Hz and Hz"},     {false, "Time (sec)", 1, "Time (HH:MM:SS)"},
        {false, "Time (HH:MM:SS)", 0, "Time (sec)"}, {false, "Seconds since dawn", 1, "HH:MM:SS since dawn"},
        {false, "hr:min:sec", 0, "sec"},          {false, "Elapsed", 1, "Elapsed"},
        {false, "xxx sec", 1, "xxx HH:MM:SS"}};
    for (const auto& r : rows)
        EXPECT_EQ(r.freq ? W::RewriteFreqTitle(r.title, r.units) : W::RewriteTimeTitle(r.title, r.units), r.want);
}

TEST(WindowDisplaySettingsTest, SpectrogramParametersForASound)
{
    WindowDisplaySettings s;
    s.m_fftSizeCode = 2;
    s.m_fftWindowType = 1;
    s.m_specGain = -3.7f;
    s.m_specWhiteThreshold = 12;
    s.m_whiteOnBlack = true;
    s.m_lowFreqLimitOn = true;
    s.m_lowFreqLimit = 2000.0f;
    s.m_highFreqLimitOn = true;
    s.m_highFreqLimit = 8000.0f;
    const SpectrogramDisplay d = s.SpectrogramDisplayFor(32000.0);
    EXPECT_EQ(d.Bins(), 128);
    EXPECT_EQ(d.windowType, 1);
    EXPECT_EQ(d.gain, -3);
    EXPECT_EQ(d.whiteThreshold, 12);
    EXPECT_TRUE(d.whiteOnBlack);
    EXPECT_EQ(d.lowBin, 16);
    EXPECT_EQ(d.highBin, 64);
    s.m_fftSizeCode = 17;  // a damaged settings file
    EXPECT_EQ(s.SpectrogramDisplayFor(32000.0).Bins(), 1024);
    s.m_displayRowsCode = 40;
    EXPECT_EQ(s.DisplayRows(), 16);
}

TEST(WindowDisplaySettingsTest, KeepsOnlyChannelsTheSoundHas)
{
    WindowDisplaySettings s;
    s.m_channelList = "1,2";
    s.ParseChannelList();
    s.KeepChannelsOf(1);  // a mono sound from a stereo window's settings
    EXPECT_EQ(s.m_channelList, "1");
    EXPECT_EQ(s.ChannelCount(), 1);

    s.m_channelList = "3, 1-2, 5";
    s.ParseChannelList();
    s.KeepChannelsOf(2);
    EXPECT_EQ(s.m_channelList, "1,2");
    EXPECT_EQ(s.ChannelCount(), 2);

    s.m_channelList = "4";
    s.ParseChannelList();
    s.KeepChannelsOf(2);
    EXPECT_EQ(s.m_channelList, "1");

    s.m_channelList = "2 , 1";  // nothing to drop: the user's spelling stays
    s.ParseChannelList();
    s.KeepChannelsOf(2);
    EXPECT_EQ(s.m_channelList, "2 , 1");
}

TEST(WindowDisplaySettingsTest, WaveformsAreTitledByAmplitude)
{
    WindowDisplaySettings s;
    s.m_displayType = 0;
    for (const char* builtIn : {"Freq kHz", "Freq Hz", "Freq KHz"}) {
        s.m_freqAmpTitle = builtIn;
        EXPECT_EQ(s.VerticalTitle(), "Amplitude") << builtIn;
    }
    s.m_freqAmpTitle = "Pressure (Pa)";
    EXPECT_EQ(s.VerticalTitle(), "Pressure (Pa)");
    s.m_displayType = 1;
    s.m_freqAmpTitle = "Freq kHz";
    EXPECT_EQ(s.VerticalTitle(), "Freq kHz");
}
