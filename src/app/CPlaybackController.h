#pragma once
// CPlaybackController: every play command of the sound windows: a single
// playback of a window (its selection, else its selected annotation, else
// the whole sound, one channel of a sound of three or more), the copied
// clipboard, loop playback with its delay, count limit and window rule, the
// end-of-playback time and Stop. Every playback plays a file on disk: the
// document's own, the cursor-play file holding a selected range of one
// channel (rewritten only when the range, channel or sound changed), or a
// temporary single-channel copy.
//
// Timers run on the injected clock: the owner calls Tick() often (the GUI
// from a timer, tests after moving a manual clock).
//
// Ownership: does not own the player, clock, temporary-file service, settings
// or windows; a window that closes must be passed to ForgetWindow. Threading:
// UI thread only.

#include "CEditEngine.h"
#include "CTempFiles.h"
#include "IClock.h"
#include "ISoundPlayer.h"
#include "LoopPlaybackSettings.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tavril {

// What playback needs to know about a sound window at the moment it plays.
struct PlaybackSource {
    std::string soundPath;     // the file holding the window's sound now
    bool unsaved = false;      // a new sound that has no file of its own yet
    uint32_t frames = 0;
    double sampleRate = 0;
    uint32_t channels = 1;
    uint32_t channel = 0;      // the window's current channel, from 0
    bool preventPlayback = false;
    bool hasSelection = false; // a range between the time cursors
    uint32_t selStart = 0, selFrames = 0;
    bool hasAnnotation = false;  // a selected annotation shown in the window
    uint32_t annStart = 0, annFrames = 0;
    bool startsTrial = false;  // the window's "playback starts trial" setting
};

class IPlaybackWindow {
public:
    virtual ~IPlaybackWindow() = default;
    virtual PlaybackSource DescribeForPlayback() = 0;
};

// What other parts of the program learn about, or decide for, playback. The
// defaults fit a program with no recorder, logfile or trial running.
class IPlaybackHooks {
public:
    virtual ~IPlaybackHooks() = default;
    virtual bool RecorderRunning() { return false; }
    virtual bool DetectorOffDuringPlayback() { return false; }
    virtual bool FullDuplex() { return true; }  // playback may sound while recording goes on
    virtual void SuspendDetection() {}
    virtual void ResumeDetection() {}
    virtual void FreezeRecorderDisplay() {}
    virtual void ResumeRecorderDisplay() {}
    // A file started playing: the window's sound, from `startFrame`, `frames` long.
    virtual void LogPlayback(const std::string& soundPath, uint32_t startFrame, uint32_t frames)
    {
        (void)soundPath, (void)startFrame, (void)frames;
    }
    virtual void PlaybackHappened(bool startsTrial) { (void)startsTrial; }
};

class CPlaybackController {
public:
    CPlaybackController(ISoundPlayer& player, IClock& clock, CTempFiles& temps, std::string cursorPlayPath,
                        LoopPlaybackSettings& settings);
    ~CPlaybackController();

    void SetHooks(IPlaybackHooks* hooks) { m_hooks = hooks ? hooks : &m_noHooks; }
    // The window loop playback plays when it follows the active window.
    void SetActiveWindowProvider(std::function<IPlaybackWindow*()> provider) { m_activeWindow = std::move(provider); }

    // "&Play Entire Soundfile\tP": loop playback when forced, else one playback.
    void PlayEntire(IPlaybackWindow* active);
    // "&Loop Playback\tShift+L": stops a running loop, else starts one.
    void ToggleLoop(IPlaybackWindow* active);
    // "Play Copied &Clipboard\tShift+C": the clip file, the window's channel
    // of it when it has three or more.
    void PlayClipboard(IPlaybackWindow* window, const std::string& clipPath);
    // One playback of a window; returns 1 when something started to play.
    int SinglePlayback(IPlaybackWindow* window);
    void Stop();
    // Runs the end-of-playback and loop timers that are due.
    void Tick();
    // The window's sound is about to change on disk: playback of its file stops.
    void SoundChanging(IPlaybackWindow* window);
    void ForgetWindow(IPlaybackWindow* window);

    bool IsPlaying() const { return m_playing; }
    bool IsLooping() const { return m_looping; }
    int LoopCount() const { return m_loopCount; }
    IPlaybackWindow* LastWindowPlayed() const { return m_lastWindow; }
    // The frame of the window's sound now sounding, or -1 (nothing of that
    // window plays, or it plays from the clipboard).
    int64_t PositionInWindow(const IPlaybackWindow* window) const;
    const std::string& LastError() const { return m_lastError; }
    void ClearError() { m_lastError.clear(); }
    // How often the cursor-play file was written (tests and logs).
    int CursorPlayWrites() const { return m_cursorPlayWrites; }

private:
    struct CacheKey {
        std::string sourcePath;
        int64_t sourceStamp = 0;  // modification time in ns ^ size: a rewritten sound never matches
        uint32_t start = 0, frames = 0, channel = 0;
        bool operator==(const CacheKey&) const = default;
    };
    int Single(IPlaybackWindow* window, uint32_t& playedMs);
    void LoopStart(IPlaybackWindow* window);
    int WindowPlay(IPlaybackWindow* window, const PlaybackSource& src, uint32_t& playedFrames);
    int RangePlay(const PlaybackSource& src, uint32_t start, uint32_t frames);
    int SnapshotPlay(const std::string& path, int channel);
    int FilePlay(const PlayRequest& request, const std::string& logPath, uint32_t logStart, uint32_t logFrames);
    void ArmLoopTimer(uint32_t playedMs);
    uint32_t DurationMs(uint32_t frames, double rate) const;
    static int64_t Stamp(const std::string& path);

    ISoundPlayer& m_player;
    IClock& m_clock;
    CTempFiles& m_temps;
    std::string m_cursorPlayPath;
    LoopPlaybackSettings& m_settings;
    CEditEngine m_engine;
    IPlaybackHooks m_noHooks;
    IPlaybackHooks* m_hooks = &m_noHooks;
    std::function<IPlaybackWindow*()> m_activeWindow;

    bool m_playing = false;
    bool m_looping = false;
    bool m_detectionSuspended = false;
    int m_loopCount = 0;
    IPlaybackWindow* m_fixedWindow = nullptr;
    IPlaybackWindow* m_lastWindow = nullptr;
    IPlaybackWindow* m_soundingWindow = nullptr;  // whose sound the player plays
    int64_t m_soundingOffset = 0;                  // window frame of the played file's frame 0
    bool m_soundingIsSnapshot = false;             // the player plays a copy, not the window's file
    uint32_t m_endArmedAt = 0, m_endPeriodMs = 0;
    bool m_endArmed = false;
    uint32_t m_loopArmedAt = 0, m_loopPeriodMs = 0;

    bool m_cacheValid = false;
    CacheKey m_cache;
    int m_cursorPlayWrites = 0;
    std::string m_lastError;
};

} // namespace tavril
