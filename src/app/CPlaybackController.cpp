#include "CPlaybackController.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace tavril {

namespace {
// A loop period of 0 would restart the sound on every tick.
constexpr uint32_t kMinLoopPeriodMs = 10;
} // namespace

CPlaybackController::CPlaybackController(ISoundPlayer& player, IClock& clock, CTempFiles& temps,
                                         std::string cursorPlayPath, LoopPlaybackSettings& settings)
    : m_player(player), m_clock(clock), m_temps(temps), m_cursorPlayPath(std::move(cursorPlayPath)),
      m_settings(settings)
{
}

CPlaybackController::~CPlaybackController()
{
    m_player.Stop();
}

int64_t CPlaybackController::Stamp(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    const int64_t ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return ns ^ (static_cast<int64_t>(st.st_size) << 20) ^ (static_cast<int64_t>(st.st_ino) << 40);
}

uint32_t CPlaybackController::DurationMs(uint32_t frames, double rate) const
{
    if (rate <= 0 || !(m_settings.playbackSpeed > 0))
        return 0;
    return static_cast<uint32_t>(std::trunc(frames * 1000.0 / rate / m_settings.playbackSpeed));
}

void CPlaybackController::PlayEntire(IPlaybackWindow* active)
{
    if (!active)
        return;
    if (m_settings.forceLoopPlaybackMode)
        LoopStart(active);
    else
        SinglePlayback(active);
}

void CPlaybackController::ToggleLoop(IPlaybackWindow* active)
{
    if (m_looping)
        Stop();
    else if (active)
        LoopStart(active);
}

int CPlaybackController::SinglePlayback(IPlaybackWindow* window)
{
    uint32_t ms = 0;
    return Single(window, ms);
}

int CPlaybackController::Single(IPlaybackWindow* window, uint32_t& playedMs)
{
    playedMs = 0;
    if (!window)
        return 0;
    const PlaybackSource src = window->DescribeForPlayback();
    uint32_t extraMs = 0;
    const bool suspend = m_hooks->RecorderRunning() && m_hooks->DetectorOffDuringPlayback();
    if (suspend) {
        if (!m_detectionSuspended)
            m_hooks->SuspendDetection();
        m_detectionSuspended = true;
        extraMs = 100;
    }
    uint32_t frames = 0;
    if (!WindowPlay(window, src, frames)) {
        if (m_detectionSuspended && !m_playing) {
            m_hooks->ResumeDetection();
            m_detectionSuspended = false;
        }
        return 0;
    }
    // The end comes after what was played, not after the whole sound.
    playedMs = DurationMs(frames, src.sampleRate);
    m_playing = true;
    m_endArmed = true;
    m_endArmedAt = m_clock.NowMs();
    m_endPeriodMs = playedMs + extraMs;
    if (m_looping)
        ArmLoopTimer(playedMs);
    m_hooks->PlaybackHappened(src.startsTrial);
    return 1;
}

int CPlaybackController::WindowPlay(IPlaybackWindow* window, const PlaybackSource& src, uint32_t& playedFrames)
{
    if (src.preventPlayback)
        return 0;
    const bool selection = src.hasSelection && src.selFrames >= 1;
    if (src.unsaved && !selection)
        return 0;
    m_lastWindow = window;
    int ok = 0;
    if (selection) {
        ok = RangePlay(src, src.selStart, src.selFrames);
        playedFrames = std::min(src.selFrames, src.frames - std::min(src.selStart, src.frames));
        m_soundingOffset = src.selStart;
        m_soundingIsSnapshot = true;
    } else if (src.hasAnnotation && src.annFrames >= 1) {
        ok = RangePlay(src, src.annStart, src.annFrames);
        playedFrames = std::min(src.annFrames, src.frames - std::min(src.annStart, src.frames));
        m_soundingOffset = src.annStart;
        m_soundingIsSnapshot = true;
    } else if (src.channels >= 3) {
        ok = SnapshotPlay(src.soundPath, static_cast<int>(src.channel));
        if (ok)
            m_hooks->LogPlayback(src.soundPath, 0, src.frames);
        playedFrames = src.frames;
        m_soundingOffset = 0;
        m_soundingIsSnapshot = true;
    } else {
        ok = FilePlay({src.soundPath, 0, UINT32_MAX, 1.0}, src.soundPath, 0, src.frames);
        playedFrames = src.frames;
        m_soundingOffset = 0;
        m_soundingIsSnapshot = false;
    }
    m_soundingWindow = ok ? window : nullptr;
    return ok;
}

int CPlaybackController::RangePlay(const PlaybackSource& src, uint32_t start, uint32_t frames)
{
    if (start >= src.frames)
        return 0;
    frames = std::min(frames, src.frames - start);
    m_player.Stop();
    const CacheKey key{src.soundPath, Stamp(src.soundPath), start, frames, src.channels > 1 ? src.channel : 0};
    if (!m_cacheValid || !(key == m_cache)) {
        m_engine.ClearError();
        // The writer replaces the file first: whatever it held is gone even
        // when the write fails, so the cache no longer describes it.
        m_cacheValid = false;
        if (!m_engine.CopyChannelToNewFile(m_cursorPlayPath, src.soundPath, start, frames, key.channel)) {
            m_lastError = m_engine.LastError();
            return 0;
        }
        ++m_cursorPlayWrites;
        m_cache = key;
        m_cacheValid = true;
    }
    return FilePlay({m_cursorPlayPath, 0, UINT32_MAX, 1.0}, src.soundPath, start, frames);
}

int CPlaybackController::SnapshotPlay(const std::string& path, int channel)
{
    const std::string temp = m_temps.NewName();
    if (temp.empty()) {
        m_lastError = "Cannot create a temporary file";
        return 0;
    }
    m_engine.ClearError();
    const int written = channel < 0 ? m_engine.CopyToNewFile(temp, path, 0, -1)
                                    : m_engine.CopyChannelToNewFile(temp, path, 0, -1, static_cast<uint32_t>(channel));
    int ok = 0;
    if (written)
        ok = FilePlay({temp, 0, UINT32_MAX, 1.0}, "", 0, 0);
    else
        m_lastError = m_engine.LastError();
    // The player holds the file open: its name can go now.
    ::unlink(temp.c_str());
    return ok;
}

int CPlaybackController::FilePlay(const PlayRequest& request, const std::string& logPath, uint32_t logStart,
                                  uint32_t logFrames)
{
    PlayRequest r = request;
    r.speed = m_settings.playbackSpeed > 0 ? m_settings.playbackSpeed : 1.0;
    int ok;
    if (m_hooks->RecorderRunning() && !m_hooks->FullDuplex()) {
        // The card cannot record and play at once: the recorder's display
        // waits while the sound plays (its input keeps filling the buffer).
        m_hooks->FreezeRecorderDisplay();
        ok = m_player.PlaySync(r);
        m_hooks->ResumeRecorderDisplay();
    } else {
        ok = m_player.PlayAsync(r);
    }
    if (!ok) {
        m_lastError = m_player.ErrorText();
        return 0;
    }
    if (!logPath.empty())
        m_hooks->LogPlayback(logPath, logStart, logFrames);
    return 1;
}

void CPlaybackController::PlayClipboard(IPlaybackWindow* window, const std::string& clipPath)
{
    if (!window)
        return;
    const PlaybackSource src = window->DescribeForPlayback();
    if (src.preventPlayback)
        return;
    CEditEngine::Info info;
    if (!m_engine.GetInfo(clipPath, info) || info.frames == 0)
        return;
    m_player.Stop();
    // A copy of the clip plays, so a new copy made meanwhile cannot tear it.
    const int channel = info.channels >= 3 ? static_cast<int>(std::min(src.channel, info.channels - 1)) : -1;
    if (SnapshotPlay(clipPath, channel))
        m_soundingWindow = nullptr;
}

void CPlaybackController::LoopStart(IPlaybackWindow* window)
{
    uint32_t durationMs = 0;
    if (m_playing) {
        const PlaybackSource src = window->DescribeForPlayback();
        const bool selection = src.hasSelection && src.selFrames >= 1;
        durationMs = DurationMs(selection ? src.selFrames : src.frames, src.sampleRate);
    } else {
        if (m_settings.playbackBehavior != 0)
            m_fixedWindow = window;
        Single(window, durationMs);
    }
    m_loopCount = 1;
    m_looping = !(m_settings.limitNumberChecked && m_loopCount >= m_settings.numPlaybacks);
    if (m_looping)
        ArmLoopTimer(durationMs);
}

void CPlaybackController::ArmLoopTimer(uint32_t playedMs)
{
    const uint32_t delay = static_cast<uint32_t>(std::max(0, m_settings.loopDelayMs));
    m_loopPeriodMs = std::max(kMinLoopPeriodMs, delay + (m_settings.delayStartPosition == 1 ? playedMs : 0));
    m_loopArmedAt = m_clock.NowMs();
}

void CPlaybackController::Tick()
{
    const uint32_t now = m_clock.NowMs();
    if (m_endArmed && now - m_endArmedAt >= m_endPeriodMs) {
        m_endArmed = false;
        m_playing = false;
        if (m_detectionSuspended) {
            m_hooks->ResumeDetection();
            m_detectionSuspended = false;
        }
    }
    if (m_looping && now - m_loopArmedAt >= m_loopPeriodMs) {
        m_loopArmedAt += m_loopPeriodMs;  // periodic; a playback re-arms it from its start
        IPlaybackWindow* target = m_settings.playbackBehavior == 1 ? m_fixedWindow
                                  : m_activeWindow                  ? m_activeWindow()
                                                                    : nullptr;
        if (target)
            SinglePlayback(target);
        ++m_loopCount;
        if (m_settings.limitNumberChecked && m_loopCount >= m_settings.numPlaybacks)
            m_looping = false;  // the playback now sounding plays to its end
    }
}

void CPlaybackController::Stop()
{
    m_endArmed = false;
    m_looping = false;
    m_playing = false;
    m_player.Stop();
    m_soundingWindow = nullptr;
    if (m_detectionSuspended) {
        m_hooks->ResumeDetection();
        m_detectionSuspended = false;
    }
}

void CPlaybackController::SoundChanging(IPlaybackWindow* window)
{
    if (m_soundingWindow == window && !m_soundingIsSnapshot) {
        m_player.Stop();
        m_soundingWindow = nullptr;
    }
}

void CPlaybackController::ForgetWindow(IPlaybackWindow* window)
{
    if (m_soundingWindow == window) {
        m_player.Stop();
        m_soundingWindow = nullptr;
    }
    if (m_fixedWindow == window)
        m_fixedWindow = nullptr;
    if (m_lastWindow == window)
        m_lastWindow = nullptr;
}

int64_t CPlaybackController::PositionInWindow(const IPlaybackWindow* window) const
{
    if (!window || window != m_soundingWindow)
        return -1;
    const int64_t pos = m_player.PlayPositionFrames();
    return pos < 0 ? -1 : m_soundingOffset + pos;
}

} // namespace tavril
