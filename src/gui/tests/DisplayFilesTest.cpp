// Display files, settings files, text lists and the first start's settings file.
#include "frame/CChildFrame.h"
#include "frame/CFrameFiles.h"
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
    ASSERT_TRUE(m_frame->Files().SaveDisplay(dsp, false));

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

TEST_F(DisplayFiles, MissingSoundAsksAndCancelStops) {
    std::string wav = Sound("gone.wav", m_dir.Path());
    std::string other = Sound("kept.wav", m_dir.Path());
    m_frame->OpenSoundFile(wav);
    m_frame->OpenSoundFile(other);
    std::string dsp = m_dir.File("d.dsp");
    ASSERT_TRUE(m_frame->Files().SaveDisplay(dsp, false));
    m_frame->Dispatch(Cmd::FileCloseAll);
    Settle();
    fs::remove(wav);
    m_prompt.replies = {IPrompt::Reply::No};
    ASSERT_TRUE(m_frame->Files().LoadDisplay(dsp, true));
    ASSERT_EQ(m_prompt.questions.size(), 1u);
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
    ASSERT_TRUE(m_frame->Files().SaveDisplay(linkedDsp, false));
    m_frame->Dispatch(Cmd::FileCloseAll);
    Settle();
    fs::remove(other);
    m_prompt.replies = {IPrompt::Reply::No};
    m_frame->Files().LoadDisplay(linkedDsp, true);
    Settle();
    EXPECT_TRUE(m_frame->Windows().empty());
    ASSERT_TRUE(WriteWav(other, Tone(4000, 1500.0)));
    m_prompt.replies = {IPrompt::Reply::Cancel};
    m_frame->Files().LoadDisplay(dsp, true);
    EXPECT_TRUE(m_frame->Windows().empty());  // Cancel ends the loading
}

TEST_F(DisplayFiles, EmptyDisplayAndMissingVersion) {
    std::string dsp = m_dir.File("empty.dsp");
    ASSERT_TRUE(m_frame->Files().SaveDisplay(dsp, false));
    EXPECT_TRUE(m_frame->Files().LoadDisplay(dsp, true));
    EXPECT_TRUE(m_frame->Windows().empty());

    std::string wav = Sound("a.wav", m_dir.Path());
    std::string old = m_dir.File("old.dsp");
    SettingsStore::WriteSettingString(old, "Settings for Window 0", "Sound file name", wav);
    SettingsStore::WriteSettingLong(old, "Settings for Window 0", "window rect left", 0);
    m_frame->Files().LoadDisplay(old, true);
    EXPECT_TRUE(m_frame->Windows().empty());  // no version: no windows
}

TEST_F(DisplayFiles, SettingsFileCarriesTheDisplay) {
    std::string wav = Sound("a.wav", m_dir.Path());
    m_frame->OpenSoundFile(wav);
    std::string set = m_dir.File("all.set");
    ASSERT_TRUE(m_frame->Files().SaveSettingsFile(set, {CSettingsFile::kDisplayBox, "General main menu settings"}));
    m_frame->Dispatch(Cmd::FileCloseAll);
    Settle();
    m_frame->Files().LoadSettingsFile(set);
    ASSERT_EQ(m_frame->Windows().size(), 1u);
    EXPECT_EQ(m_frame->Windows()[0]->View()->Doc().Path(), wav);
}

// Which windows the frame lists; the list format is the app library's.
TEST_F(DisplayFiles, TextListExportAndImport) {
    std::string a = Sound("a.wav", m_dir.Path());
    std::string b = Sound("b.wav", m_dir.Path());
    m_frame->OpenSoundFile(a);
    m_frame->OpenSoundFile(b);
    m_frame->Dispatch(Cmd::WindowNew);  // a linked window adds no line
    m_frame->Dispatch(Cmd::FileNew);    // nor does a sound without a file
    std::string list = m_dir.File("list.txt");
    ASSERT_TRUE(m_frame->Files().ExportFileList(list));
    auto bytes = ReadAll(list);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), a + "\r\n" + b + "\r\n");
    m_frame->Dispatch(Cmd::FileCloseAll);
    Settle();
    const std::string extra = "b.wav\n\nnot-there.wav\n";
    bytes.insert(bytes.end(), extra.begin(), extra.end());
    WriteAll(list, bytes);
    EXPECT_EQ(m_frame->Files().ImportFileList(list), 3);  // a, b, and b again by its bare name
    EXPECT_EQ(m_prompt.messages.size(), 1u);       // the missing one is reported
}

TEST_F(DisplayFiles, FirstStartCreatesTheDefaultSettingsFile) {
    ASSERT_FALSE(SettingsStore::Exists(""));
    // A group another part registers is created and read with the frame's own.
    int filterOrder = 3, loads = 0;
    m_frame->Files().Settings().SetGroup(
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

// A settings file with only one group checked changes only that group, built-in or registered.
TEST_F(DisplayFiles, SettingsFileWithOneGroupChangesOnlyThatGroup) {
    int loopDelay = 250;
    m_frame->Files().Settings().SetGroup(
        "Loop mode playback",
        {[&](const std::string& f) { SettingsStore::WriteSettingInt(f, "Loop Playback Settings", "delay", loopDelay); },
         [&](const std::string& f) {
             loopDelay = SettingsStore::ReadSettingInt(f, "Loop Playback Settings", "delay", loopDelay);
         }});
    EXPECT_TRUE(m_frame->Files().Settings().HasGroup("Loop mode playback"));
    m_frame->Grid().horizontalPixels = 321;
    m_frame->Grid().horizontalUseGrid = 1;
    const std::string loop = m_dir.File("loop.set"), sizing = m_dir.File("sizing.set");
    ASSERT_TRUE(m_frame->Files().SaveSettingsFile(loop, {"Loop mode playback"}));
    ASSERT_TRUE(m_frame->Files().SaveSettingsFile(sizing, {"Default new window sizing"}));
    EXPECT_FALSE(m_frame->Files().SaveSettingsFile(m_dir.File("wrong.txt"), {"Default new window sizing"}));

    loopDelay = 999;
    m_frame->Grid().horizontalPixels = 50;
    m_frame->Grid().horizontalUseGrid = 0;
    m_frame->General().openFileFilterIndex = 7;
    m_frame->DefaultDisplay().m_displayType = 0;
    m_frame->DefaultDisplay().m_msecPerLine = 42.0f;
    m_frame->Files().LoadSettingsFile(loop);
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

TEST_F(DisplayFiles, ExitWritesTheGeneralDetailsAndRecentFiles) {
    std::string wav = Sound("a.wav", m_dir.Path());
    m_frame->OpenSoundFile(wav);
    m_frame->Dispatch(Cmd::HideCursors);
    m_frame->Files().Settings().SetGroup(
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
