#pragma once
// CTrialCommands: the "&Playback" menu of playback trials and the trial's
// host in the desktop program: the frame's timers 9, 10 and 11, the status
// bar or the trial timer window, cue sounds through the sound player, loop
// playback through the play commands, recording, detection and the trial
// recorder through the recording side, and the data logfile. Playbacks reach
// the trial as the playback controller's hooks; typed characters through the
// frame's handlers.
//
// Owned by main() beside the frame, which must outlive it. UI thread only.

#include "CPlaybackController.h"
#include "CPlaybackTrial.h"
#include "CommandTable.h"
#include "IPrompt.h"

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

class QDialog;


namespace tavril {

class CMainFrame;
class CTavrilView;
class CVirtualRecorder;
class ISoundPlayer;
struct CommandExtension;

// What the recording side offers the trial; parts left empty are not available.
struct TrialRecordingLink {
    std::function<bool()> isRecording;
    std::function<void()> startRecording;
    std::function<void()> stopRecording;
    std::function<void(bool)> setDetectorsOn;
    CVirtualRecorder* trialRecorder = nullptr;  // the recorder list's "Playback Trial Recorder"
};

// What the data logfile offers: logging on with a file, and a line.
struct TrialLogLink {
    std::function<void(const std::string& path)> open;
    std::function<void(const std::string& line)> log;
};

class CTrialCommands : public QObject, public ITrialHost, public IPlaybackHooks {
    Q_OBJECT
public:
    CTrialCommands(CMainFrame& frame, IPrompt& prompt, ISoundPlayer* cuePlayer, CPlaybackController* playback,
                   QObject* parent = nullptr);
    ~CTrialCommands() override;

    static bool Handles(Cmd id);
    CommandExtension Extension();
    void SetRecordingLink(TrialRecordingLink link) { m_recording = std::move(link); }
    void SetLogLink(TrialLogLink link) { m_log = std::move(link); }
    void SetDialogDriver(std::function<int(QDialog&)> driver) { m_driver = std::move(driver); }
    // Who writes "sound played" lines to the data logfile.
    void SetPlaybackLogger(std::function<void(const std::string& soundPath)> f) { m_logPlayback = std::move(f); }
    // Start-up and exit: the trial settings and the trigger ("General Details").
    void LoadSettings();
    void SaveSettings() const;

    // A typed character: true when it was a trial key.
    bool TypedCharacter(char c) { return m_trial.TypedCharacter(c); }
    CPlaybackTrial& Trial() { return m_trial; }
    PlaybackTrialSettings& Settings() { return m_settings; }
    QLabel* TimerWindow() const { return m_timerWindow; }

    // ITrialHost
    int64_t NowSeconds() const override;
    void ArmTimer(int id, int ms) override;
    void KillTimer(int id) override;
    bool IsRecording() const override;
    void StartRecording() override;
    void StopRecording() override;
    void SetDetectorsOn(bool on) override;
    bool IsLoopPlaying() const override;
    void StartLoopPlayback() override;
    void StopLoopPlayback() override;
    bool IsSinglePlaybackSounding() const override;
    void PlayCue(const std::string& path, bool wait) override;
    bool TrialRecorderRunning() const override;
    void StartTrialRecorder() override;
    void StopTrialRecorder() override;
    int TrialRecorderBufferSecs() const override;
    void SetTrialRecorderBuffer(int seconds) override;
    bool TrialRecorderHasFrames() const override;
    void StoreTrialAudio(const std::string& path) override;
    void OpenLog(const std::string& path) override;
    void Log(const std::string& line) override;
    std::string CurrentDisplayFile() const override;
    void ShowStatus(const std::string& text) override;
    void ShowTimerWindow(bool create) override;
    bool HasTimerWindow() const override { return m_timerWindow != nullptr; }
    void ShowTimerText(const std::string& text) override;
    bool AskYesNo(const std::string& question) override;

    // IPlaybackHooks
    void PlaybackHappened(bool startsTrial) override { m_trial.PlaybackHappened(startsTrial); }
    void LogPlayback(const std::string& soundPath, uint32_t, uint32_t) override {
        if (m_logPlayback)
            m_logPlayback(soundPath);
    }

private:
    bool IsEnabled(Cmd id) const;
    QString Text(Cmd id) const;
    void Run(Cmd id);
    void CmdSettings();
    void ToggleTimerWindow();
    void KeepTimerWindowPlace();

    CMainFrame& m_frame;
    IPrompt& m_prompt;
    ISoundPlayer* m_cuePlayer;
    CPlaybackController* m_playback;
    PlaybackTrialSettings m_settings;
    CPlaybackTrial m_trial;
    std::map<int, QTimer*> m_timers;
    QPointer<QLabel> m_timerWindow;
    TrialRecordingLink m_recording;
    TrialLogLink m_log;
    std::function<int(QDialog&)> m_driver;
    std::function<void(const std::string&)> m_logPlayback;
};

} // namespace tavril
