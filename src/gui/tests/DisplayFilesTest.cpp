// Display files, settings files, text lists and the first start's settings file.
#include "frame/CChildFrame.h"
#include "view/CTavrilView.h"
#include "GuiTestSupport.h"
#include "SettingsStore.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace tavril;
using namespace tavril::test;
namespace fs = std::filesystem;

namespace {

class DisplayFiles : public FrameTest {
protected:
    std::string Sound(const std::string& name, const fs::path& folder) {
        std::string p = (folder / name).string();
        EXPECT_TRUE(WriteWav(p, Tone(4000, 1500.0)));
        return p;
    }
};

} // namespace

TEST_F(DisplayFiles, TwoWindowsOnOneSoundRoundTrip) {
    std::string wav = Sound("song.wav", m_dir.Path());
    CChildFrame* first = m_frame->OpenSoundFile(wav);
    first->setGeometry(10, 20, 300, 150);
    WindowDisplaySettings s = first->View()->Settings();
    s.m_displayType = 0;
    s.m_msecPerLine = 3.5f;
    first->View()->SetSettings(s);
    m_frame->Dispatch(Cmd::WindowNew);
    auto windows = m_frame->Windows();
    ASSERT_EQ(windows.size(), 2u);
    windows[1]->setGeometry(320, 20, 200, 100);
    std::string dsp = m_dir.File("layout.dsp");
    ASSERT_TRUE(m_frame->SaveDisplay(dsp, false));

    using S = SettingsStore;
    EXPECT_EQ(S::ReadSettingInt(dsp, "Display info", "num windows", -1), 2);
    EXPECT_EQ(S::ReadSettingInt(dsp, "Display info", "display file version", -1), 4);
    EXPECT_EQ(S::ReadSettingString(dsp, "Settings for Window 0", "Sound file name", "?"), wav);
    EXPECT_EQ(S::ReadSettingString(dsp, "Settings for Window 1", "Sound file name", "?"), "");
    EXPECT_EQ(S::ReadSettingInt(dsp, "Settings for Window 1", "linked to window with ID", -5),
              S::ReadSettingInt(dsp, "Settings for Window 0", "Window ID", -6));
    EXPECT_EQ(S::ReadSettingLong(dsp, "Settings for Window 0", "window rect right", 0), 310);
    EXPECT_EQ(S::ReadSettingLong(dsp, "Settings for Window 0", "Display bitmap file position", 0), -1);

    m_frame->Dispatch(Cmd::FileCloseAll);
    Settle();
    ASSERT_TRUE(m_frame->Windows().empty());
    ASSERT_TRUE(m_frame->OpenAnyFile(dsp));
    windows = m_frame->Windows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0]->View()->Document(), windows[1]->View()->Document());
    EXPECT_EQ(windows[0]->View()->Doc().Path(), wav);
    EXPECT_EQ(windows[0]->geometry(), QRect(10, 20, 300, 150));
    EXPECT_EQ(windows[1]->geometry(), QRect(320, 20, 200, 100));
    EXPECT_EQ(windows[0]->View()->Settings().m_displayType, 0);
    EXPECT_FLOAT_EQ(windows[0]->View()->Settings().m_msecPerLine, 3.5f);
    EXPECT_TRUE(m_prompt.questions.empty());
}

TEST_F(DisplayFiles, MovedWithItsSoundsReopensWithoutAsking) {
    fs::path a = m_dir.Path() / "trip";
    fs::create_directories(a / "day1");
    Sound("x.wav", a / "day1");
    Sound("y.wav", a);
    m_frame->OpenSoundFile((a / "day1" / "x.wav").string());
    m_frame->OpenSoundFile((a / "y.wav").string());
    ASSERT_TRUE(m_frame->SaveDisplay((a / "trip.dsp").string(), false));
    m_frame->Dispatch(Cmd::FileCloseAll);
    Settle();
    fs::path b = m_dir.Path() / "archive";
    fs::rename(a, b);
    ASSERT_TRUE(m_frame->LoadDisplay((b / "trip.dsp").string(), true));
    auto windows = m_frame->Windows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0]->View()->Doc().Path(), (b / "day1" / "x.wav").string());
    EXPECT_EQ(windows[1]->View()->Doc().Path(), (b / "y.wav").string());
    EXPECT_TRUE(m_prompt.questions.empty());
}

TEST_F(DisplayFiles, MissingSoundAsksAndCancelStops) {
    std::string wav = Sound("gone.wav", m_dir.Path());
    std::string other = Sound("kept.wav", m_dir.Path());
    m_frame->OpenSoundFile(wav);
    m_frame->OpenSoundFile(other);
    std::string dsp = m_dir.File("d.dsp");
    ASSERT_TRUE(m_frame->SaveDisplay(dsp, false));
    m_frame->Dispatch(Cmd::FileCloseAll);
    Settle();
    fs::remove(wav);
    m_prompt.replies = {IPrompt::Reply::No};
    ASSERT_TRUE(m_frame->LoadDisplay(dsp, true));
    ASSERT_EQ(m_prompt.questions.size(), 1u);
    EXPECT_EQ(m_prompt.questions[0], "Couldn't find sound file " + wav +
                                         "\n\nIt may have been deleted or moved to a different directory.\nIf its "
                                         "been moved, re-save the display to store the new location.\n\nBrowse to "
                                         "find this file?");
    ASSERT_EQ(m_frame->Windows().size(), 1u);  // No skips that window only
    m_frame->Dispatch(Cmd::FileCloseAll);
    Settle();
    // A window linked to a skipped one is not left empty.
    m_frame->OpenSoundFile(other);
    CChildFrame* first = m_frame->Windows().front();
    m_frame->ActivateWindow(first);
    m_frame->Dispatch(Cmd::WindowNew);
    ASSERT_EQ(m_frame->Windows().size(), 2u);
    std::string linkedDsp = m_dir.File("linked.dsp");
    ASSERT_TRUE(m_frame->SaveDisplay(linkedDsp, false));
    m_frame->Dispatch(Cmd::FileCloseAll);
    Settle();
    fs::remove(other);
    m_prompt.replies = {IPrompt::Reply::No};
    m_frame->LoadDisplay(linkedDsp, true);
    Settle();
    EXPECT_TRUE(m_frame->Windows().empty());
    ASSERT_TRUE(WriteWav(other, Tone(4000, 1500.0)));
    m_prompt.replies = {IPrompt::Reply::Cancel};
    m_frame->LoadDisplay(dsp, true);
    EXPECT_TRUE(m_frame->Windows().empty());  // Cancel ends the loading
}

TEST_F(DisplayFiles, EmptyDisplayAndMissingVersion) {
    std::string dsp = m_dir.File("empty.dsp");
    ASSERT_TRUE(m_frame->SaveDisplay(dsp, false));
    EXPECT_EQ(SettingsStore::ReadSettingInt(dsp, "Display info", "num windows", -1), 0);
    EXPECT_TRUE(m_frame->LoadDisplay(dsp, true));
    EXPECT_TRUE(m_frame->Windows().empty());

    std::string wav = Sound("a.wav", m_dir.Path());
    std::string old = m_dir.File("old.dsp");
    SettingsStore::WriteSettingString(old, "Settings for Window 0", "Sound file name", wav);
    SettingsStore::WriteSettingLong(old, "Settings for Window 0", "window rect left", 0);
    m_frame->LoadDisplay(old, true);
    EXPECT_TRUE(m_frame->Windows().empty());  // no version: no windows
}

TEST_F(DisplayFiles, ExportCopiesSoundsBesideTheDisplayWithoutOverwriting) {
    fs::create_directories(m_dir.Path() / "src");
    fs::create_directories(m_dir.Path() / "out");
    std::string wav = Sound("a.wav", m_dir.Path() / "src");
    // A different file of the same name already waits at the target.
    ASSERT_TRUE(WriteWav((m_dir.Path() / "out" / "a.wav").string(), Tone(100, 300.0)));
    m_frame->OpenSoundFile(wav);
    std::string dsp = (m_dir.Path() / "out" / "e.dsp").string();
    ASSERT_TRUE(m_frame->SaveDisplay(dsp, true));
    std::string stored = SettingsStore::ReadSettingString(dsp, "Settings for Window 0", "Sound file name", "");
    EXPECT_EQ(stored, (m_dir.Path() / "out" / "a (2).wav").string());
    EXPECT_EQ(ReadAll(stored), ReadAll(wav));
    EXPECT_NE(ReadAll((m_dir.Path() / "out" / "a.wav").string()), ReadAll(wav));
}

TEST_F(DisplayFiles, SettingsFileCarriesTheDisplay) {
    std::string wav = Sound("a.wav", m_dir.Path());
    m_frame->OpenSoundFile(wav);
    std::string set = m_dir.File("all.set");
    ASSERT_TRUE(m_frame->SaveSettingsFile(set, {kSettingsDisplayBox, "General main menu settings"}));
    m_frame->Dispatch(Cmd::FileCloseAll);
    Settle();
    m_frame->LoadSettingsFile(set);
    ASSERT_EQ(m_frame->Windows().size(), 1u);
    EXPECT_EQ(m_frame->Windows()[0]->View()->Doc().Path(), wav);
}

TEST_F(DisplayFiles, TextListExportAndImport) {
    std::string a = Sound("a.wav", m_dir.Path());
    std::string b = Sound("b.wav", m_dir.Path());
    m_frame->OpenSoundFile(a);
    m_frame->OpenSoundFile(b);
    m_frame->Dispatch(Cmd::WindowNew);  // a linked window adds no line
    std::string list = m_dir.File("list.txt");
    ASSERT_TRUE(m_frame->ExportFileList(list));
    auto bytes = ReadAll(list);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), a + "\r\n" + b + "\r\n");
    m_frame->Dispatch(Cmd::FileCloseAll);
    Settle();
    const std::string extra = "b.wav\n\nnot-there.wav\n";
    bytes.insert(bytes.end(), extra.begin(), extra.end());
    WriteAll(list, bytes);
    EXPECT_EQ(m_frame->ImportFileList(list), 3);  // a, b, and b again by its bare name
    EXPECT_EQ(m_prompt.messages.size(), 1u);       // the missing one is reported
}

TEST_F(DisplayFiles, FirstStartCreatesTheDefaultSettingsFile) {
    ASSERT_FALSE(SettingsStore::Exists(""));
    // A group another part registers is created and read with the frame's own.
    int filterOrder = 3, loads = 0;
    m_frame->SetSettingsFileGroup(
        "Fixed frequency filter",
        {[&](const std::string& f) { SettingsStore::WriteSettingInt(f, "Filter Details", "order", filterOrder); },
         [&](const std::string& f) {
             ++loads;
             filterOrder = SettingsStore::ReadSettingInt(f, "Filter Details", "order", filterOrder);
         }});
    m_frame->LoadStartupSettings();
    ASSERT_TRUE(SettingsStore::Exists(""));
    EXPECT_EQ(SettingsStore::ReadSettingInt("", "Filter Details", "order", -1), 3);
    EXPECT_EQ(loads, 1);
    using S = SettingsStore;
    EXPECT_EQ(S::ReadSettingInt("", "General Details", "open file filter index", -1), 1);
    EXPECT_EQ(S::ReadSettingInt("", "Grid Options Details", "Horizontal grid num rows", -1), 200);
    EXPECT_EQ(S::ReadSettingInt("", "Priority Level Details", "Priority Level", -1), 0);
    EXPECT_EQ(S::ReadSettingInt("", "Display Details", "display type", -1), 1);
    EXPECT_EQ(S::ReadSettingInt("", "display menu list", "hide display path in menu list", -1), 0);
    // Reading it back changed nothing.
    EXPECT_EQ(m_frame->Grid().horizontalPixels, 200);
    EXPECT_EQ(m_frame->DefaultDisplay().m_displayType, 1);

    // A later start reads what is there.
    S::WriteSettingInt("", "Grid Options Details", "Vertical grid num cols", 77);
    S::WriteSettingInt("", "General Details", "Hide all cursors", 1);
    CMainFrame second(m_prompt);
    second.LoadStartupSettings();
    EXPECT_EQ(second.Grid().verticalPixels, 77);
    EXPECT_TRUE(second.Flags().hideAllCursors);
    EXPECT_FALSE(second.SnapOn());
}

TEST_F(DisplayFiles, UserMenuListRoundTripAndCap) {
    FileList l = FileList::UserMenu();
    for (int i = 0; i < 3; ++i)
        l.files.push_back("/data/f" + std::to_string(i) + ".dsp");
    l.hidePath = 1;
    std::string f = m_dir.File("m.set");
    l.Save(f);
    FileList r = FileList::UserMenu();
    r.Load(f);
    EXPECT_EQ(r.files, l.files);
    EXPECT_EQ(r.hidePath, 1);
    SettingsStore::WriteSettingInt(f, "display menu list", "number of displays in list", 100000);
    r.Load(f);
    EXPECT_EQ(r.files.size(), 3u);  // a damaged count reads no more than the entries there are
    FileList empty = FileList::UserMenu();
    empty.Save(f);  // an empty list writes only its first key
    EXPECT_EQ(SettingsStore::ReadSettingInt(f, "display menu list", "number of displays in list", -1), 100000);
}

// A settings file with only one group checked changes only that group, built-in or registered.
TEST_F(DisplayFiles, SettingsFileWithOneGroupChangesOnlyThatGroup) {
    int loopDelay = 250;
    m_frame->SetSettingsFileGroup(
        "Loop mode playback",
        {[&](const std::string& f) { SettingsStore::WriteSettingInt(f, "Loop Playback Settings", "delay", loopDelay); },
         [&](const std::string& f) {
             loopDelay = SettingsStore::ReadSettingInt(f, "Loop Playback Settings", "delay", loopDelay);
         }});
    EXPECT_TRUE(m_frame->HasSettingsFileGroup("Loop mode playback"));
    m_frame->Grid().horizontalPixels = 321;
    m_frame->Grid().horizontalUseGrid = 1;
    const std::string loop = m_dir.File("loop.set"), sizing = m_dir.File("sizing.set");
    ASSERT_TRUE(m_frame->SaveSettingsFile(loop, {"Loop mode playback"}));
    ASSERT_TRUE(m_frame->SaveSettingsFile(sizing, {"Default new window sizing"}));
    EXPECT_FALSE(m_frame->SaveSettingsFile(m_dir.File("wrong.txt"), {"Default new window sizing"}));

    loopDelay = 999;
    m_frame->Grid().horizontalPixels = 50;
    m_frame->Grid().horizontalUseGrid = 0;
    m_frame->General().openFileFilterIndex = 7;
    m_frame->DefaultDisplay().m_displayType = 0;
    m_frame->DefaultDisplay().m_msecPerLine = 42.0f;
    m_frame->LoadSettingsFile(loop);
    EXPECT_EQ(loopDelay, 250);
    EXPECT_EQ(m_frame->Grid().horizontalPixels, 50);
    EXPECT_EQ(m_frame->DefaultDisplay().m_displayType, 0);
    loopDelay = 999;
    ASSERT_TRUE(m_frame->OpenAnyFile(sizing));
    EXPECT_EQ(m_frame->Grid().horizontalPixels, 321);
    EXPECT_EQ(m_frame->Grid().horizontalUseGrid, 1);
    EXPECT_EQ(loopDelay, 999);
    EXPECT_EQ(m_frame->General().openFileFilterIndex, 7);
    EXPECT_FLOAT_EQ(m_frame->DefaultDisplay().m_msecPerLine, 42.0f);
    EXPECT_TRUE(m_frame->Windows().empty());
}

TEST_F(DisplayFiles, SavingReplacesTheOldFileWhole) {
    std::string wav = Sound("a.wav", m_dir.Path());
    m_frame->OpenSoundFile(wav);
    m_frame->OpenSoundFile(wav);
    std::string dsp = m_dir.File("d.dsp");
    ASSERT_TRUE(m_frame->SaveDisplay(dsp, false));
    EXPECT_FALSE(fs::exists(dsp + ".saving"));
    m_frame->Windows().back()->close();
    Settle();
    ASSERT_TRUE(m_frame->SaveDisplay(dsp, false));  // one window now: no section of the second survives
    EXPECT_EQ(SettingsStore::ReadSettingLong(dsp, "Settings for Window 1", "window rect left", -7), -7);
    EXPECT_EQ(SettingsStore::ReadSettingString(dsp, "Display info", "display file path", ""),
              fs::absolute(dsp).string());
    // A folder that cannot be written to is reported and leaves nothing behind.
    std::string bad = m_dir.File("no-such-folder/x.dsp");
    EXPECT_FALSE(m_frame->SaveDisplay(bad, false));
    EXPECT_EQ(m_prompt.messages.size(), 1u);
}

TEST_F(DisplayFiles, ExitWritesTheGeneralDetailsAndRecentFiles) {
    std::string wav = Sound("a.wav", m_dir.Path());
    m_frame->OpenSoundFile(wav);
    m_frame->Dispatch(Cmd::HideCursors);
    m_frame->SetSettingsFileGroup(
        "Ramp Begin/End Details",
        {[](const std::string& f) { SettingsStore::WriteSettingInt(f, "Ramp Begin/End Details", "ms", 40); }, nullptr});
    m_frame->close();
    EXPECT_EQ(SettingsStore::ReadSettingInt("", "Ramp Begin/End Details", "ms", -1), 40);
    Settle();
    EXPECT_EQ(SettingsStore::ReadSettingInt("", "General Details", "Hide all cursors", -1), 1);
    EXPECT_EQ(SettingsStore::ReadSettingString("", "Recent File List", "File1", ""), wav);
    EXPECT_FALSE(SettingsStore::ReadSettingString("", "Tool Bar State", "State", "").empty());
    CMainFrame next(m_prompt);
    next.LoadStartupSettings();
    ASSERT_FALSE(next.Recent().files.empty());
    EXPECT_EQ(next.Recent().files.front(), wav);
    EXPECT_TRUE(next.Flags().hideAllCursors);
}
