#pragma once
// CPlaybackTrial: one playback trial after another. A trial begins on the
// begin key, on a playback in a window that starts trials, or by command;
// it ends on the end key, by command, or when no playback came for the
// timeout. It counts playbacks, runs the trial clock, writes its events to
// the logfile, switches recording, detection and loop playback on at the
// start and off at timeouts, plays cue sounds, and records the trial through
// the trial recorder, keeping "soundbuf after" seconds after the end.
//
// Everything it switches goes through ITrialHost, and time comes from the
// host's calendar clock (whole seconds), so the trial runs the same under a
// test's hand as under the frame's timers.
//
// A host action may run the event loop (a store shows progress): events
// that arrive meanwhile wait and run, in order, after the action, so the
// trial's logfile lines keep their time order.
//
// Owned by the main frame's side; refers to the settings and host given at
// construction, which outlive it. UI thread only.

#include "PlaybackTrialSettings.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

namespace tavril {

class ITrialHost {
public:
    virtual ~ITrialHost() = default;
    // Calendar time, whole seconds.
    virtual int64_t NowSeconds() const = 0;

    // The frame's timers: 9 the trial clock, 10 the end of post-trial
    // recording (one shot), 11 the post-trial status refresh. Arming a
    // running timer restarts it; the host calls CPlaybackTrial::OnTimer.
    virtual void ArmTimer(int id, int ms) = 0;
    virtual void KillTimer(int id) = 0;

    // Recording in the recording window and the detectors of all recorders.
    virtual bool IsRecording() const = 0;
    virtual void StartRecording() = 0;
    virtual void StopRecording() = 0;
    virtual void SetDetectorsOn(bool on) = 0;

    // Loop playback of the active window; whether a single playback sounds.
    virtual bool IsLoopPlaying() const = 0;
    virtual void StartLoopPlayback() = 0;
    virtual void StopLoopPlayback() = 0;
    virtual bool IsSinglePlaybackSounding() const = 0;
    // A cue file; `wait` plays it to the end first. One that cannot play is skipped.
    virtual void PlayCue(const std::string& path, bool wait) = 0;

    // The trial recorder.
    virtual bool TrialRecorderRunning() const = 0;
    virtual void StartTrialRecorder() = 0;
    virtual void StopTrialRecorder() = 0;
    virtual int TrialRecorderBufferSecs() const = 0;
    virtual void SetTrialRecorderBuffer(int seconds) = 0;
    virtual bool TrialRecorderHasFrames() const = 0;
    // Writes the frames since the last store over `path`.
    virtual void StoreTrialAudio(const std::string& path) = 0;

    // The data logfile: logging on with the file at `path`, then lines.
    virtual void OpenLog(const std::string& path) = 0;
    virtual void Log(const std::string& line) = 0;
    virtual std::string CurrentDisplayFile() const = 0;

    // Where the trial information goes: the status bar or the timer window.
    virtual void ShowStatus(const std::string& text) = 0;
    virtual void ShowTimerWindow(bool create) = 0;  // create it when it does not exist
    virtual bool HasTimerWindow() const = 0;
    virtual void ShowTimerText(const std::string& text) = 0;
    // "The trial audio recorder is still running. Save the buffer?"
    virtual bool AskYesNo(const std::string& question) = 0;
};

class CPlaybackTrial {
public:
    static constexpr int kClockTimer = 9;
    static constexpr int kPostTrialTimer = 10;
    static constexpr int kPostTrialStatusTimer = 11;

    CPlaybackTrial(PlaybackTrialSettings& settings, ITrialHost& host);

    // Events.
    void PlaybackHappened(bool startsTrial);
    void KeyBegin();
    void KeyEnd();
    // A typed character: the begin key's first character runs KeyBegin,
    // else the end key's runs KeyEnd. True when it was one of them.
    bool TypedCharacter(char c);
    void OnTimer(int id);

    // Commands.
    void StartStop();          // "START playback trial" / "STOP playback trial"
    void ToggleTrigger();      // "Set trial start trigger"
    void TrialRecording();     // "Turn trial recording ON" / "... OFF"
    void SaveBufferNow();      // "Save trial recording buffer"

    bool IsRunning() const { return m_running; }
    bool TriggerArmed() const { return m_trigger; }
    void SetTriggerArmed(bool on) { m_trigger = on; }
    int Playbacks() const { return m_playbacks; }
    bool PostTrialRecording() const { return m_postTrial; }
    bool ClockRunning() const { return m_clockRunning; }
    const std::string& TrialSoundPath() const { return m_soundPath; }
    // The trial's logfile and sound file for a trial starting at `when`:
    // folder + name (date and time codes expanded) + ".txt" / ".wav".
    std::string LogPathFor(int64_t when) const;
    std::string SoundPathFor(int64_t when) const;

    // The texts shown while a trial runs and after it ended.
    static std::string StatusText(int64_t trialSecs, int64_t sinceLastSecs, int playbacks, bool ended);
    static std::string TimerText(int64_t trialSecs, int64_t sinceLastSecs, int playbacks, bool ended);

private:
    void Begin();
    void End();
    void Tick();
    void SaveTrialAudio();
    void ShowInfo();
    int FullBufferSecs() const;
    // Runs `f` now, or after the host action in progress.
    void Post(std::function<void()> f);
    void Drain();

    PlaybackTrialSettings& m_s;
    ITrialHost& m_host;
    bool m_running = false;
    bool m_ended = false;
    bool m_trigger = false;
    int64_t m_start = 0, m_lastPlayback = 0, m_end = 0;
    int m_playbacks = 0;
    bool m_trialAudio = false;
    bool m_postTrial = false;
    int64_t m_stopTime = 0;
    int64_t m_lastLoggedTime = 0;
    bool m_loopStopped = false;
    bool m_clockRunning = false;
    std::string m_soundPath;
    bool m_busy = false;
    std::deque<std::function<void()>> m_waiting;
};

} // namespace tavril
