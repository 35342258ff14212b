// The "Window Display Settings" dialog and what its buttons do to the windows.
#include "frame/CChildFrame.h"
#include "frame/Dialogs.h"
#include "GuiTestSupport.h"
#include "SettingsStore.h"

#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace tavril;
using namespace tavril::test;

namespace {

class WindowSettingsDialog : public FrameTest {
protected:
    CTavrilView* Open(const std::string& name) { return m_frame->OpenSoundFile(ToneFile(name, 3000, 700.0))->View(); }
};

} // namespace

TEST_F(WindowSettingsDialog, ResultKeepsEveryValueItWasGiven) {
    WindowDisplaySettings s;
    s.m_displayType = 0;
    s.m_fftSizeCode = 5;
    s.m_fftWindowType = 2;
    s.m_specGain = 500.0f;  // above the label's range, still accepted
    s.m_specWhiteThreshold = 17;
    s.m_whiteOnBlack = true;
    s.m_grayscaleType = 1;
    s.m_timeCursorUnits = 1;
    s.m_freqAmpCursorUnits = 1;
    s.m_timeTicksOn = true;
    s.m_timeTickValue = 0.25f;
    s.m_stretchOrAbsolute = 1;
    s.m_msecPerLine = 3.2f;
    s.m_timeOffset = "05:30:00";
    s.m_freqAmpTickValuesOn = true;
    s.m_lowFreqLimitOn = true;
    s.m_lowFreqLimit = 1500.0f;
    s.m_displayRowsCode = 3;
    s.m_channelList = "1-3, 5";
    s.ParseChannelList();
    s.m_usePlayKey = true;
    s.m_playKeyValue = "k";
    s.m_playbackStartsTrial = false;
    s.m_showAnnotationText = false;
    CDlgWindowDisplaySettings dlg(s, {"a.wav"}, nullptr);
    WindowDisplaySettings r = dlg.Result();
    TempDir t;
    s.Save(t.File("a.dsp"), 0);
    r.Save(t.File("b.dsp"), 0);
    auto a = ReadAll(t.File("a.dsp")), b = ReadAll(t.File("b.dsp"));
    EXPECT_EQ(std::string(a.begin(), a.end()), std::string(b.begin(), b.end()));
    EXPECT_EQ(r.ChannelCount(), 4);
    EXPECT_FALSE(dlg.ApplyToAll());
}

TEST_F(WindowSettingsDialog, ChangingUnitsRewritesTheTitles) {
    WindowDisplaySettings s;
    CDlgWindowDisplaySettings dlg(s, {}, nullptr);
    // The axis unit lists come after the cursor ones, so the last match is the axis list.
    QComboBox *timeUnits = nullptr, *freqUnits = nullptr;
    for (QComboBox* c : dlg.findChildren<QComboBox*>()) {
        if (c->itemText(0) == "Seconds")
            timeUnits = c;
        if (c->itemText(0) == "KHz")
            freqUnits = c;
    }
    ASSERT_NE(timeUnits, nullptr);
    ASSERT_NE(freqUnits, nullptr);
    timeUnits->setCurrentIndex(1);
    freqUnits->setCurrentIndex(1);
    WindowDisplaySettings r = dlg.Result();
    EXPECT_EQ(r.m_timeTitle, "Time (HH:MM:SS)");
    EXPECT_EQ(r.m_freqAmpTitle, "Freq Hz");
    freqUnits->setCurrentIndex(0);
    EXPECT_EQ(dlg.Result().m_freqAmpTitle, "Freq KHz");
}

TEST_F(WindowSettingsDialog, ApplyToAllSparesLockedWindows) {
    CTavrilView* a = Open("a.wav");
    CTavrilView* b = Open("b.wav");
    CTavrilView* c = Open("c.wav");
    WindowDisplaySettings locked = c->Settings();
    locked.m_lockWindowSettings = true;
    c->SetSettings(locked);
    WindowDisplaySettings edited = a->Settings();
    edited.m_displayType = 0;
    edited.m_msecPerLine = 2.5f;
    m_frame->ApplyWindowSettings(a, edited, true);
    EXPECT_EQ(a->Settings().m_displayType, 0);
    EXPECT_EQ(b->Settings().m_displayType, 0);
    EXPECT_FLOAT_EQ(b->Settings().m_msecPerLine, 2.5f);
    EXPECT_EQ(c->Settings().m_displayType, 1);  // locked
    EXPECT_TRUE(c->Settings().m_lockWindowSettings);
    // Copying never changes another window's own lock flag.
    edited.m_lockWindowSettings = true;
    m_frame->ApplyWindowSettings(a, edited, true);
    EXPECT_FALSE(b->Settings().m_lockWindowSettings);
    EXPECT_TRUE(a->Settings().m_lockWindowSettings);
}

TEST_F(WindowSettingsDialog, LinkedCursorsFollow) {
    CTavrilView* a = Open("a.wav");
    CTavrilView* b = Open("b.wav");
    WindowDisplaySettings s = a->Settings();
    s.m_linkWindows = true;
    s.m_linkedWindow = 1;
    m_frame->ApplyWindowSettings(a, s, false);
    ASSERT_EQ(a->LinkTarget(), b);
    a->Cursors().SetTimeCursors(100, 900);
    a->CursorsChanged();
    EXPECT_EQ(b->Cursors().leftTime, 100u);
    EXPECT_EQ(b->Cursors().rightTime, 900u);
}

TEST_F(WindowSettingsDialog, DefaultTemplateAndCopyBitmap) {
    CTavrilView* a = Open("a.wav");
    WindowDisplaySettings s = a->Settings();
    s.m_msecPerLine = 7.0f;
    a->SetSettings(s);
    m_frame->Dispatch(Cmd::DefaultTemplate);
    EXPECT_FLOAT_EQ(m_frame->DefaultDisplay().m_msecPerLine, 7.0f);
    EXPECT_FLOAT_EQ(SettingsStore::ReadSettingFloat("", "Display Details", "msec per line", 0.0f), 7.0f);
    m_frame->Dispatch(Cmd::CopyBitmap);
    QImage copied = QApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), a->size());
}
