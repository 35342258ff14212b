#include "CPortAudioPlayer.h"

#include "CPortAudioInputBackend.h"

#include <portaudio.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

namespace tavril {

namespace {
constexpr unsigned long kFramesPerCallback = 1024;
}

CPortAudioPlayer::CPortAudioPlayer(CPortAudioSystem& system) : m_system(system) {}

CPortAudioPlayer::~CPortAudioPlayer()
{
    Stop();
}

int CPortAudioPlayer::Callback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                               unsigned long, void* user)
{
    auto* self = static_cast<CPortAudioPlayer*>(user);
    const PcmFormat& f = self->m_streamer.Format();
    const uint32_t got = self->m_streamer.Pull(output, static_cast<uint32_t>(frames));
    if (got < frames) {
        // An underrun (the disk fell behind) or the end: silence for the rest.
        auto* rest = static_cast<unsigned char*>(output) + static_cast<size_t>(got) * f.blockAlign;
        std::memset(rest, f.bitsPerSample == 8 ? 128 : 0, static_cast<size_t>(frames - got) * f.blockAlign);
    }
    if (self->m_streamer.Finished()) {
        self->m_drained.store(true);
        return paComplete;
    }
    return paContinue;
}

void CPortAudioPlayer::Finished(void* user)
{
    static_cast<CPortAudioPlayer*>(user)->m_playing.store(false);
}

int CPortAudioPlayer::PlayAsync(const PlayRequest& request)
{
    std::lock_guard<std::mutex> lock(m_control);
    StopLocked();
    m_error.clear();
    if (!m_system.IsReady()) {
        m_error = m_system.InitError();
        return 0;
    }
    if (!m_streamer.Open(request, m_error))
        return 0;
    const PcmFormat& f = m_streamer.Format();
    const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
    if (device == paNoDevice) {
        m_error = CPortAudioSystem::ErrorText(paInvalidDevice);
        return 0;
    }
    PaStreamParameters out{};
    out.device = device;
    out.channelCount = f.channels;
    out.sampleFormat = PortAudioSampleFormat(f.bitsPerSample);
    out.suggestedLatency = Pa_GetDeviceInfo(device)->defaultHighOutputLatency;
    const double rate = m_streamer.FileSampleRate() * request.speed;
    PaStream* stream = nullptr;
    PaError err;
    {
        CQuietStderr quiet;
        err = Pa_OpenStream(&stream, nullptr, &out, std::round(rate), kFramesPerCallback,
                            paClipOff,
                            &CPortAudioPlayer::Callback, this);
    }
    if (err != paNoError) {
        m_error = CPortAudioSystem::ErrorText(err);
        return 0;
    }
    m_stream = stream;
    const PaStreamInfo* info = Pa_GetStreamInfo(stream);
    m_latencyFrames.store(info ? static_cast<uint32_t>(info->outputLatency * rate) : 0);
    Pa_SetStreamFinishedCallback(stream, &CPortAudioPlayer::Finished);
    m_drained.store(false);
    m_playing.store(true);
    m_streamer.StartFeeding();
    err = Pa_StartStream(stream);
    if (err != paNoError) {
        m_error = CPortAudioSystem::ErrorText(err);
        StopLocked();
        return 0;
    }
    return 1;
}

int CPortAudioPlayer::PlaySync(const PlayRequest& request)
{
    if (!PlayAsync(request))
        return 0;
    while (IsPlaying())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return 1;
}

void CPortAudioPlayer::Stop()
{
    std::lock_guard<std::mutex> lock(m_control);
    StopLocked();
}

void CPortAudioPlayer::StopLocked()
{
    if (m_stream) {
        auto* stream = static_cast<PaStream*>(m_stream);
        CQuietStderr quiet;
        if (Pa_IsStreamStopped(stream) == 0)
            Pa_AbortStream(stream);
        Pa_CloseStream(stream);
        m_stream = nullptr;
    }
    m_streamer.StopFeeding();
    m_playing.store(false);
}

bool CPortAudioPlayer::IsPlaying() const
{
    return m_playing.load();
}

int64_t CPortAudioPlayer::PlayPositionFrames() const
{
    if (!m_playing.load())
        return -1;
    const uint64_t pulled = m_streamer.FramesPulled();
    const uint64_t latency = m_latencyFrames.load();
    const uint64_t heard = pulled > latency ? pulled - latency : 0;
    const uint64_t last = m_streamer.FrameCount() ? m_streamer.FrameCount() - 1 : 0;
    return static_cast<int64_t>(m_streamer.StartFrame() + std::min(heard, last));
}

bool CPortAudioPlayer::IsFormatSupported(const PcmFormat& format)
{
    return m_system.DefaultDeviceTakes(false, format);
}

std::string CPortAudioPlayer::ErrorText() const
{
    std::lock_guard<std::mutex> lock(m_control);
    return m_error;
}

std::string CPortAudioPlayer::DefaultOutputName() const
{
    return m_system.DefaultOutputName();
}

} // namespace tavril
