#include "CNullSoundPlayer.h"

#include "CBlockStreamer.h"

#include <algorithm>
#include <cmath>

namespace tavril {

namespace {
constexpr uint32_t kFirstBlockFrames = 4096;
}

CNullSoundPlayer::CNullSoundPlayer(IClock& clock) : m_clock(clock) {}

uint32_t CNullSoundPlayer::DurationMs(const Played& played)
{
    if (played.sampleRate <= 0 || played.request.speed <= 0)
        return 0;
    return static_cast<uint32_t>(std::llround(played.frames * 1000.0 / (played.sampleRate * played.request.speed)));
}

int CNullSoundPlayer::Start(const PlayRequest& request, bool synchronous)
{
    Stop();
    std::string error;
    Played played;
    played.request = request;
    played.synchronous = synchronous;
    // The same path as a real playback up to the first block handed over.
    CBlockStreamer streamer;
    if (streamer.Open(request, error)) {
        played.sampleRate = streamer.FileSampleRate();
        played.frames = streamer.FrameCount();
        std::vector<unsigned char> block(static_cast<size_t>(kFirstBlockFrames) * streamer.Format().blockAlign);
        played.firstBlockFrames = streamer.Pull(block.data(), kFirstBlockFrames);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_error = error;
    if (!error.empty())
        return 0;
    played.startMs = m_clock.NowMs();
    m_history.push_back(played);
    // Nothing sounds, so a synchronous playback has ended when it returns.
    m_active = !synchronous;
    return 1;
}

int CNullSoundPlayer::PlayAsync(const PlayRequest& request)
{
    return Start(request, false);
}

int CNullSoundPlayer::PlaySync(const PlayRequest& request)
{
    return Start(request, true);
}

void CNullSoundPlayer::Stop()
{
    const bool playing = IsPlaying();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (playing)
        ++m_stopsWhilePlaying;
    m_active = false;
}

bool CNullSoundPlayer::IsPlaying() const
{
    return PlayPositionFrames() >= 0;
}

int64_t CNullSoundPlayer::PlayPositionFrames() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_active || m_history.empty())
        return -1;
    const Played& p = m_history.back();
    const uint32_t elapsedMs = m_clock.NowMs() - p.startMs;
    if (elapsedMs >= DurationMs(p))
        return -1;
    const double frames = std::floor(elapsedMs * p.sampleRate * p.request.speed / 1000.0);
    return static_cast<int64_t>(p.request.startFrame) + std::min<int64_t>(static_cast<int64_t>(frames), p.frames - 1);
}

bool CNullSoundPlayer::IsFormatSupported(const PcmFormat&)
{
    return true;
}

std::string CNullSoundPlayer::ErrorText() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error;
}

std::vector<CNullSoundPlayer::Played> CNullSoundPlayer::History() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_history;
}

int CNullSoundPlayer::StopsWhilePlaying() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopsWhilePlaying;
}

} // namespace tavril
