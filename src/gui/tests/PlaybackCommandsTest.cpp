// Playback from the windows through the null player on a manual clock: the
// play key, the position line, Stop, half speed, a machine without sound,
// and the "Loop Playback Mode" dialog.

#include "CManualClock.h"
#include "CNullSoundPlayer.h"
#include "CPlaybackController.h"
#include "CSoundClipboard.h"
#include "CTempFiles.h"
#include "GuiTestSupport.h"
#include "frame/CChildFrame.h"
#include "frame/CCommandActions.h"
#include "playback/CPlayPositionLine.h"
#include "playback/CDlgLoopPlayback.h"
#include "playback/CPlaybackCommands.h"
#include "view/CTavrilView.h"

#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QLabel>
#include <QStatusBar>
#include <QTest>

namespace tavril::test {
namespace {

class Playback : public FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        ASSERT_TRUE(m_temps.Start());
        ASSERT_TRUE(m_clipboard.Prepare());
    }
    void TearDown() override
    {
        m_frame->SetCommandExtension({});
        m_commands.reset();
    }
    void Wire(bool output)
    {
        m_commands = std::make_unique<CPlaybackCommands>(*m_frame, m_controller, m_settings, m_clipboard, output);
        m_frame->SetCommandExtension(m_commands->Extend({}));
        m_frame->UpdateCommandStates();
    }
    // A 1 s tone at 22050 Hz in its own window, active and focused.
    CTavrilView* OpenTone()
    {
        CChildFrame* w = m_frame->OpenSoundFile(ToneFile("tone.wav", 22050));
        Settle();
        QApplication::setActiveWindow(m_frame.get());
        w->View()->setFocus();
        return w->View();
    }
    void Advance(uint32_t ms)
    {
        m_clock.AdvanceMs(ms);
        m_commands->Tick();
    }

    TempDir m_work;
    CTempFiles m_temps{m_work.Path()};
    CSoundClipboard m_clipboard{m_work.File("clip")};
    CManualClock m_clock{0};
    CNullSoundPlayer m_player{m_clock};
    LoopPlaybackSettings m_settings;
    CPlaybackController m_controller{m_player, m_clock, m_temps, m_clipboard.CursorPlayPath(), m_settings};
    std::unique_ptr<CPlaybackCommands> m_commands;
};

TEST_F(Playback, PlayKeyPlaysTheSelectionAndTheLineFollowsUntilStop)
{
    Wire(true);
    CTavrilView* v = OpenTone();
    v->Cursors().SetTimeCursors(11025, 22000);
    v->CursorsChanged();
    QTest::keyClick(v, Qt::Key_P);
    ASSERT_EQ(m_player.History().size(), 1u);
    EXPECT_EQ(m_player.History()[0].request.path, m_clipboard.CursorPlayPath());
    EXPECT_EQ(m_player.History()[0].frames, 22000u - 11025);

    CPlayPositionLine* line = m_commands->LineOf(v);
    Advance(100);  // 2205 frames into the selection
    EXPECT_EQ(line->Frame(), 11025 + 2205);
    ASSERT_FALSE(line->LineXs().empty());
    const int x0 = line->LineXs().front();
    Advance(200);
    ASSERT_FALSE(line->LineXs().empty());
    EXPECT_GT(line->LineXs().front(), x0);
    EXPECT_TRUE(line->isVisible());

    QTest::keyClick(v, Qt::Key_Escape);
    EXPECT_FALSE(m_player.IsPlaying());
    Advance(20);
    EXPECT_FALSE(line->isVisible());
}

TEST_F(Playback, HalfSpeedPlaysTwiceAsLong)
{
    Wire(true);
    CTavrilView* v = OpenTone();
    for (QAction* a : m_frame->Actions().MenuItems(Cmd::PlaySpeedHalf))
        a->trigger();
    m_frame->Dispatch(Cmd::PlayEntire);
    ASSERT_EQ(m_player.History().size(), 1u);
    EXPECT_EQ(m_player.History()[0].request.speed, 0.5);
    Advance(1990);
    EXPECT_TRUE(m_controller.IsPlaying());
    EXPECT_EQ(m_commands->LineOf(v)->Frame(), 22050 * 1990 / 2000);
    Advance(20);
    EXPECT_FALSE(m_controller.IsPlaying());
}

TEST_F(Playback, WithoutAnOutputDeviceThePlayCommandsSayWhyTheyAreOff)
{
    Wire(false);
    OpenTone();
    auto* note = m_frame->statusBar()->findChild<QLabel*>("noAudioDevice");
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->text().contains("No sound output device was found"));
    for (Cmd id : {Cmd::PlayEntire, Cmd::LoopPlayback, Cmd::PlayClipboard}) {
        EXPECT_FALSE(m_frame->IsEnabled(id));
        for (QAction* a : m_frame->Actions().MenuItems(id))
            EXPECT_TRUE(a->statusTip().contains("no audio device was found")) << a->text().toStdString();
    }
    m_frame->Dispatch(Cmd::PlayEntire);
    EXPECT_TRUE(m_player.History().empty());
}

} // namespace
} // namespace tavril::test

namespace tavril::test {
namespace {

template <class W>
W* Named(QWidget& dlg, const char* text)
{
    for (W* w : dlg.findChildren<W*>())
        if (w->text() == QString::fromLatin1(text))
            return w;
    ADD_FAILURE() << "no control " << text;
    return nullptr;
}

TEST(LoopPlaybackDialog, ControlsMapToTheirSettings)
{
    ConfigHome home;
    LoopPlaybackSettings s;  // fixed to the window, delay from the end
    CDlgLoopPlayback dlg(s);
    Named<QRadioButton>(dlg, "Playback follows window selections")->setChecked(true);
    Named<QRadioButton>(dlg, "start")->setChecked(true);
    Named<QCheckBox>(dlg, "Limit number of playbacks to ")->setChecked(true);
    Named<QCheckBox>(dlg, "Force loop-play mode for all playbacks using these settings")->setChecked(true);
    const QList<QSpinBox*> fields = dlg.findChildren<QSpinBox*>();
    ASSERT_EQ(fields.size(), 2);
    fields[0]->setValue(750);  // "Loop delay (ms):"
    fields[1]->setValue(3);
    const LoopPlaybackSettings r = dlg.Result();
    EXPECT_EQ(r.playbackBehavior, 0);
    EXPECT_EQ(r.delayStartPosition, 0);
    EXPECT_TRUE(r.limitNumberChecked);
    EXPECT_TRUE(r.forceLoopPlaybackMode);
    EXPECT_EQ(r.loopDelayMs, 750);
    EXPECT_EQ(r.numPlaybacks, 3);

    Named<QPushButton>(dlg, "Make default")->click();
    LoopPlaybackSettings stored;
    stored.Load("");
    EXPECT_EQ(stored.loopDelayMs, 750);
    EXPECT_EQ(stored.playbackBehavior, 0);
}

} // namespace
} // namespace tavril::test
