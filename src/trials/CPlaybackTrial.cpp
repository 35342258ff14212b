#include "CPlaybackTrial.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace tavril {

namespace {

std::string TwoDigits(int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); }

std::string Clock(int64_t secs) {
    secs = std::max<int64_t>(0, secs);
    return TwoDigits(secs / 3600) + ":" + TwoDigits(secs / 60 % 60) + ":" + TwoDigits(secs % 60);
}

// Date and time codes ("%Y", "%H" ...) for the local time `when`.
std::string Expand(const std::string& text, int64_t when) {
    if (text.empty())
        return {};
    std::time_t t = static_cast<std::time_t>(when);
    std::tm local{};
    localtime_r(&t, &local);
    char out[1024];
    const size_t n = std::strftime(out, sizeof out, text.c_str(), &local);
    return n == 0 ? text : std::string(out, n);
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    std::string f = folder;
    std::replace(f.begin(), f.end(), '\\', '/');
    return (std::filesystem::path(f) / name).string();
}

} // namespace

CPlaybackTrial::CPlaybackTrial(PlaybackTrialSettings& settings, ITrialHost& host) : m_s(settings), m_host(host) {}

std::string CPlaybackTrial::StatusText(int64_t trialSecs, int64_t sinceLastSecs, int playbacks, bool ended) {
    return "Trial Time: " + Clock(trialSecs) + "    Time Since Last Playback: " + Clock(sinceLastSecs) +
           "  #Playbacks: " + std::to_string(playbacks) + (ended ? "  ***END OF TRIAL***" : "");
}

std::string CPlaybackTrial::TimerText(int64_t trialSecs, int64_t sinceLastSecs, int playbacks, bool ended) {
    return "Trial:" + Clock(trialSecs) + "  PB:" + Clock(sinceLastSecs) + "  #Playbacks: " +
           std::to_string(playbacks) + (ended ? "\n**END OF TRIAL**" : "");
}

std::string CPlaybackTrial::LogPathFor(int64_t when) const {
    return Join(Expand(m_s.logfileFolder, when), Expand(m_s.logfileName, when) + ".txt");
}

std::string CPlaybackTrial::SoundPathFor(int64_t when) const {
    return Join(Expand(m_s.soundfileFolder, when), Expand(m_s.soundfileName, when) + ".wav");
}

int CPlaybackTrial::FullBufferSecs() const {
    return std::max(0, m_s.timeoutSecs) + std::max(0, m_s.soundbufBeforeSecs) + std::max(0, m_s.soundbufAfterSecs);
}

void CPlaybackTrial::Post(std::function<void()> f) {
    m_waiting.push_back(std::move(f));
    if (m_busy)
        return;  // runs when the action in progress is done
    m_busy = true;
    Drain();
    m_busy = false;
}

void CPlaybackTrial::Drain() {
    while (!m_waiting.empty()) {
        auto f = std::move(m_waiting.front());
        m_waiting.pop_front();
        f();
    }
}

// ------------------------------------------------------------------ events

void CPlaybackTrial::PlaybackHappened(bool startsTrial) {
    const int64_t now = m_host.NowSeconds();
    Post([this, startsTrial, now] {
        if (m_running) {
            m_lastPlayback = now;
            ++m_playbacks;
            return;
        }
        if (!startsTrial || !m_s.beginOnPlayback)
            return;
        if (m_s.useTrialTrigger && !m_trigger)
            return;
        Begin();
    });
}

void CPlaybackTrial::KeyBegin() {
    Post([this] {
        if (!m_s.beginOnKeypress || m_running)
            return;
        if (m_s.useTrialTrigger && !m_trigger)
            return;
        Begin();
    });
}

void CPlaybackTrial::KeyEnd() {
    Post([this] {
        if (m_s.endOnKeypress && m_running)
            End();
    });
}

bool CPlaybackTrial::TypedCharacter(char c) {
    if (!m_s.beginKey.empty() && c == m_s.beginKey[0]) {
        KeyBegin();
        return true;
    }
    if (!m_s.endKey.empty() && c == m_s.endKey[0]) {
        KeyEnd();
        return true;
    }
    return false;
}

void CPlaybackTrial::StartStop() {
    Post([this] {
        if (m_running)
            End();
        else
            Begin();
    });
}

void CPlaybackTrial::ToggleTrigger() { m_trigger = !m_trigger; }

void CPlaybackTrial::TrialRecording() {
    Post([this] {
        if (!m_host.TrialRecorderRunning()) {
            m_host.SetTrialRecorderBuffer(FullBufferSecs());
            m_host.StartTrialRecorder();
            return;
        }
        if (m_postTrial && m_host.AskYesNo("The trial audio recorder is still running. Save the buffer?")) {
            m_host.KillTimer(kPostTrialTimer);
            m_host.KillTimer(kPostTrialStatusTimer);
            m_postTrial = false;
            SaveTrialAudio();
        }
        m_host.StopTrialRecorder();
    });
}

void CPlaybackTrial::SaveBufferNow() {
    Post([this] {
        m_host.KillTimer(kPostTrialTimer);
        m_host.KillTimer(kPostTrialStatusTimer);
        m_postTrial = false;
        SaveTrialAudio();
    });
}

void CPlaybackTrial::OnTimer(int id) {
    Post([this, id] {
        if (id == kClockTimer) {
            Tick();
        } else if (id == kPostTrialStatusTimer) {
            if (m_postTrial)
                ShowInfo();
        } else if (id == kPostTrialTimer) {
            m_host.KillTimer(kPostTrialTimer);
            m_host.KillTimer(kPostTrialStatusTimer);
            if (m_host.TrialRecorderRunning())
                SaveTrialAudio();
            m_postTrial = false;
            const int64_t now = m_host.NowSeconds();
            const std::string trial = StatusText(m_end - m_start, now - m_lastPlayback, m_playbacks, true);
            m_host.ShowStatus(trial + "  [post-trial recording SAVED]");
        }
    });
}

// --------------------------------------------------------------- the trial

void CPlaybackTrial::Begin() {
    const int64_t now = m_host.NowSeconds();
    m_loopStopped = false;
    m_playbacks = 0;
    m_trialAudio = false;
    m_postTrial = false;
    m_ended = false;
    m_start = m_lastPlayback = now;
    m_lastLoggedTime = 0;
    if (m_s.displayLocation == 1)
        m_host.ShowTimerWindow(true);
    m_trigger = false;
    if (m_s.storeTrialAudio && m_s.endOnTimeout && m_s.timeoutSecs > 0 && !m_host.TrialRecorderRunning()) {
        m_host.SetTrialRecorderBuffer(m_s.timeoutSecs + std::max(0, m_s.soundbufAfterSecs));
        m_host.StartTrialRecorder();
        m_trialAudio = true;
    }
    if (m_s.playStartSound && !m_s.startSound.empty())
        m_host.PlayCue(m_s.startSound, true);
    const std::string logPath = LogPathFor(now);
    m_soundPath = SoundPathFor(now);
    std::error_code ec;
    for (const std::string& p : {logPath, m_soundPath}) {
        const auto parent = std::filesystem::path(p).parent_path();
        if (!parent.empty())
            std::filesystem::create_directories(parent, ec);
    }
    if (m_s.storeEventsToLogfile) {
        m_host.OpenLog(logPath);
        m_host.Log("*** Trial Begin: ***");
        m_host.Log("Display: " + m_host.CurrentDisplayFile());
        if (m_trialAudio)
            m_host.Log("Audio record: " + m_soundPath);
    }
    const bool recordTaken = !m_host.IsRecording() && m_s.recordOnAtStart;
    if (recordTaken)
        m_host.StartRecording();
    m_host.ArmTimer(kClockTimer, 250);
    m_clockRunning = true;
    m_running = true;
    const bool detectTaken = m_host.IsRecording() && m_s.detectOnAtStart;
    if (detectTaken)
        m_host.SetDetectorsOn(true);
    if (m_s.loopOnAtStart)
        m_host.StartLoopPlayback();
    m_stopTime = 0;
    if (m_s.endOnTimeout) {
        m_stopTime = m_s.timeoutSecs;
        if (recordTaken)
            m_stopTime = std::max<int64_t>(m_stopTime, m_s.recordTimeoutSecs);
        if (detectTaken)
            m_stopTime = std::max<int64_t>(m_stopTime, m_s.detectorTimeoutSecs);
        if (m_s.loopOnAtStart)
            m_stopTime = std::max<int64_t>(m_stopTime, m_s.loopTimeoutSecs);
    }
    ShowInfo();
}

void CPlaybackTrial::End() {
    if (m_s.storeEventsToLogfile)
        m_host.Log("*** Trial End: ***");
    m_end = m_host.NowSeconds();
    m_running = false;
    m_ended = true;
    if (m_stopTime == 0) {
        m_host.KillTimer(kClockTimer);
        m_clockRunning = false;
    }
    if (m_s.loopOffAtEnd && m_host.IsLoopPlaying()) {
        m_host.StopLoopPlayback();
        m_loopStopped = true;
    }
    if (m_s.playEndSound && !m_s.endSound.empty())
        m_host.PlayCue(m_s.endSound, false);
    if (m_trialAudio) {
        if (m_s.soundbufAfterSecs >= 1) {
            m_host.ArmTimer(kPostTrialTimer, m_s.soundbufAfterSecs * 1000);
            m_host.ArmTimer(kPostTrialStatusTimer, 1000);
            m_postTrial = true;
        } else {
            SaveTrialAudio();
        }
    }
    ShowInfo();
}

void CPlaybackTrial::Tick() {
    const int64_t now = m_host.NowSeconds();
    if (m_s.endOnTimeout && m_running && now - m_lastPlayback > m_s.timeoutSecs)
        End();
    ShowInfo();
    const int64_t t = now - m_start;
    if (m_s.storeEventsToLogfile && m_s.logTimeChecked && m_s.logTimeSecs > 0 && t != m_lastLoggedTime &&
        t % m_s.logTimeSecs == 0) {
        m_host.Log("Trial Time (sec):\t" + std::to_string(t));
        m_lastLoggedTime = t;
    }
    if (m_s.recordOffAtTimeout && m_host.IsRecording() && t > m_s.recordTimeoutSecs)
        m_host.StopRecording();
    if (m_s.detectOffAtEnd && m_host.IsRecording() && t > m_s.detectorTimeoutSecs)
        m_host.SetDetectorsOn(false);
    if (m_s.loopOffAtEnd && !m_loopStopped && !m_host.IsSinglePlaybackSounding() && t > m_s.loopTimeoutSecs) {
        m_host.StopLoopPlayback();
        m_loopStopped = true;
    }
    if (!m_clockRunning)
        return;  // the trial ended without a stop time: the clock stopped with it
    // The stop time counts only once the trial is over: while playbacks keep
    // a trial going, its clock must go on to reach the timeout.
    if (!m_running && m_stopTime > 0 && t > m_stopTime) {
        m_host.KillTimer(kClockTimer);
        m_clockRunning = false;
    } else {
        m_host.ArmTimer(kClockTimer, 250);
    }
}

void CPlaybackTrial::ShowInfo() {
    if (!m_running && !m_ended)
        return;
    const int64_t now = m_host.NowSeconds();
    const int64_t trial = (m_running ? now : m_end) - m_start;
    const int64_t since = (m_running ? now : m_end) - m_lastPlayback;
    if (m_s.displayLocation == 0) {
        std::string text = StatusText(trial, since, m_playbacks, m_ended);
        if (m_postTrial)
            text += "  [recording post-trial audio]";
        m_host.ShowStatus(text);
    } else if (m_host.HasTimerWindow()) {
        std::string text = TimerText(trial, since, m_playbacks, m_ended);
        if (m_postTrial)
            text += "\n[recording post-trial audio]";
        m_host.ShowTimerText(text);
    }
}

void CPlaybackTrial::SaveTrialAudio() {
    const std::string target = m_soundPath.empty() ? SoundPathFor(m_host.NowSeconds()) : m_soundPath;
    if (m_host.TrialRecorderHasFrames())
        m_host.StoreTrialAudio(target);
    if (m_host.TrialRecorderBufferSecs() != FullBufferSecs())
        m_host.SetTrialRecorderBuffer(FullBufferSecs());
    m_soundPath.clear();
}

} // namespace tavril
