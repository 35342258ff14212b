// Playback trials in the desktop program: the trial keys typed into the
// frame, the menu texts that follow the trial, the status bar clock, and the
// settings dialog.
#include "GuiTestSupport.h"

#include "frame/CCommandActions.h"
#include "trials/CTrialCommands.h"

#include "CAudioInputDeviceList.h"
#include "CFileInputBackend.h"
#include "CManualClock.h"
#include "CVirtualRecorder.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QStatusBar>

namespace tavril::test {
namespace {

class Trials : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        m_trials = std::make_unique<CTrialCommands>(*m_frame, m_prompt, nullptr, nullptr);
        m_frame->AddCommandExtension(m_trials->Extension());
        m_frame->SetTypedCharacterHandlers({[this](char c) { return m_trials->TypedCharacter(c); }, {}, {}});
        m_trials->SetLogLink({[this](const std::string& p) { m_log.push_back("open " + p); },
                              [this](const std::string& l) { m_log.push_back(l); }});
    }
    void TearDown() override { m_frame->SetCommandExtension({}); }
    QString ItemText(Cmd id) {
        m_frame->UpdateCommandStates();
        return m_frame->Actions().MenuItems(id).front()->text();
    }
    std::unique_ptr<CTrialCommands> m_trials;
    std::vector<std::string> m_log;
};

TEST_F(Trials, TypedKeysStartAndEndATrialWhoseClockShowsInTheStatusBar) {
    ASSERT_NE(m_frame->OpenSoundFile(ToneFile("a.wav")), nullptr);
    EXPECT_EQ(ItemText(Cmd::TrialStartTimer), "START playback trial");
    EXPECT_TRUE(m_frame->OfferTypedCharacter('b'));
    EXPECT_TRUE(m_trials->Trial().IsRunning());
    EXPECT_EQ(ItemText(Cmd::TrialStartTimer), "STOP playback trial");
    EXPECT_TRUE(m_frame->statusBar()->currentMessage().startsWith("Trial Time: 00:00:00    Time Since Last Playback: 00:00:00  #Playbacks: 0"));
    ASSERT_GE(m_log.size(), 2u);
    EXPECT_EQ(m_log[1], "*** Trial Begin: ***");
    EXPECT_FALSE(m_frame->OfferTypedCharacter('z'));
    EXPECT_TRUE(m_frame->OfferTypedCharacter('e'));
    EXPECT_FALSE(m_trials->Trial().IsRunning());
    EXPECT_EQ(m_log.back(), "*** Trial End: ***");
    EXPECT_TRUE(m_frame->statusBar()->currentMessage().endsWith("***END OF TRIAL***"));
    // The menu command does the same, and the timer window follows its item.
    m_frame->Dispatch(Cmd::TrialStartTimer);
    EXPECT_TRUE(m_trials->Trial().IsRunning());
    m_frame->Dispatch(Cmd::TrialStartTimer);
    EXPECT_FALSE(m_trials->Trial().IsRunning());
    EXPECT_EQ(ItemText(Cmd::TrialShowTimer), "Show timer window");
    m_frame->Dispatch(Cmd::TrialShowTimer);
    ASSERT_NE(m_trials->TimerWindow(), nullptr);
    EXPECT_TRUE(m_trials->TimerWindow()->isVisible());
    EXPECT_EQ(ItemText(Cmd::TrialShowTimer), "Hide timer window");
    m_frame->Dispatch(Cmd::TrialShowTimer);
    EXPECT_FALSE(m_trials->TimerWindow()->isVisible());
}

TEST_F(Trials, SettingsDialogKeepsWhatOkConfirms) {
    m_trials->SetDialogDriver([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Playback Trial Settings");
        for (QCheckBox* c : d.findChildren<QCheckBox*>())
            if (c->text() == "End trial on timeout (s):")
                c->setChecked(true);
        return int(QDialog::Accepted);
    });
    m_frame->Dispatch(Cmd::TrialSettings);
    EXPECT_EQ(m_trials->Settings().endOnTimeout, 1);
    PlaybackTrialSettings stored;
    stored.Load("");
    EXPECT_EQ(stored.endOnTimeout, 1) << "kept in the default settings file";
    // Without a trial recorder its two commands are off.
    EXPECT_FALSE(m_frame->IsEnabled(Cmd::TrialRecording));
    EXPECT_FALSE(m_frame->IsEnabled(Cmd::TrialSaveBuffer));
}

TEST_F(Trials, TheTrialRecorderStoresExactlyTheTrialsSpan) {
    // A ramp, so that where every stored sample came from can be told.
    std::vector<int16_t> ramp(22050 * 3);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<int16_t>(i % 30000);
    const std::string source = m_dir.File("ramp.wav");
    ASSERT_TRUE(WriteWav(source, ramp));
    CManualClock clock{1000};
    CFileInputBackend backend(clock, CFileInputBackend::Pacing::Manual);
    CAudioInputDeviceList devices(backend, clock);
    backend.AddDevice("mic", source);
    devices.Fill();
    CVirtualRecorder recorder(&devices, clock);
    recorder.settings.deviceName = "mic";
    recorder.settings.exitOnStore = false;
    m_trials->SetRecordingLink({{}, {}, {}, {}, &recorder});
    PlaybackTrialSettings& s = m_trials->Settings();
    s.storeTrialAudio = s.endOnTimeout = 1;
    s.timeoutSecs = 30;
    s.soundbufAfterSecs = 0;
    s.soundfileFolder = m_dir.File("trials");
    s.soundfileName = "span";
    s.storeEventsToLogfile = 0;
    EXPECT_TRUE(m_frame->IsEnabled(Cmd::TrialRecording));

    m_frame->OfferTypedCharacter('b');
    ASSERT_TRUE(recorder.IsRunning()) << "the trial starts its recorder";
    for (int i = 0; i < 100; ++i) {  // one second of sound
        clock.AdvanceMs(10);
        backend.Pump();
    }
    m_frame->OfferTypedCharacter('e');
    const auto stored = ReadSamples(m_dir.File("trials") + "/span.wav");
    const uint64_t received = recorder.FramesReceived();
    EXPECT_NEAR(double(received), 22050.0, 512.0);
    ASSERT_EQ(stored.size(), received) << "every frame between start and end, and nothing else";
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), ramp.begin()));
    recorder.Stop();
}

} // namespace
} // namespace tavril::test
