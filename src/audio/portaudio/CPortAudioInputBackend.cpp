#include "CPortAudioInputBackend.h"

#include <portaudio.h>

#include <algorithm>

namespace tavril {

unsigned long PortAudioSampleFormat(uint32_t bits)
{
    switch (bits) {
    case 8: return paUInt8;
    case 16: return paInt16;
    case 24: return paInt24;
    case 32: return paInt32;
    default: return 0;
    }
}

namespace {

class PortAudioInputStream final : public IAudioInputStream {
public:
    explicit PortAudioInputStream(IAudioCaptureSink& sink) : m_sink(sink) {}
    ~PortAudioInputStream() override { Close(); }

    static int Callback(const void* input, void*, unsigned long frames, const PaStreamCallbackTimeInfo*,
                        PaStreamCallbackFlags, void* user)
    {
        auto* self = static_cast<PortAudioInputStream*>(user);
        if (input)
            self->m_sink.OnCapture(input, static_cast<uint32_t>(frames));
        return paContinue;
    }

    int Start() override { return Check(Pa_StartStream(m_stream)); }
    int Stop() override
    {
        if (!m_stream || Pa_IsStreamStopped(m_stream) == 1)
            return 1;
        return Check(Pa_StopStream(m_stream));  // waits for a running callback
    }
    int Close() override
    {
        if (!m_stream)
            return 1;
        Stop();
        CQuietStderr quiet;
        const PaError err = Pa_CloseStream(m_stream);
        m_stream = nullptr;
        return Check(err);
    }
    std::string ErrorText() const override { return m_error; }

    PaStream* m_stream = nullptr;

private:
    int Check(PaError err)
    {
        if (err == paNoError)
            return 1;
        m_error = CPortAudioSystem::ErrorText(err);
        return 0;
    }

    IAudioCaptureSink& m_sink;
    std::string m_error;
};

} // namespace

CPortAudioInputBackend::CPortAudioInputBackend(CPortAudioSystem& system) : m_system(system) {}

std::vector<AudioDeviceInfo> CPortAudioInputBackend::EnumerateDevices()
{
    std::vector<AudioDeviceInfo> devices;
    m_indices.clear();
    if (!m_system.IsReady())
        return devices;
    const int count = Pa_GetDeviceCount();
    for (int i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (!info || info->maxInputChannels <= 0)
            continue;
        devices.push_back({info->name ? info->name : "", static_cast<uint32_t>(info->maxInputChannels)});
        m_indices.push_back(i);
    }
    return devices;
}

bool CPortAudioInputBackend::IsFormatSupported(const PcmFormat& format)
{
    return m_system.DefaultDeviceTakes(true, format);
}

std::unique_ptr<IAudioInputStream> CPortAudioInputBackend::Open(uint32_t deviceIndex, const PcmFormat& format,
                                                                uint32_t framesPerBuffer, uint32_t bufferCount,
                                                                IAudioCaptureSink& sink, std::string& errorText)
{
    if (!m_system.IsReady()) {
        errorText = m_system.InitError();
        return nullptr;
    }
    if (m_indices.empty() || deviceIndex >= m_indices.size())
        EnumerateDevices();
    if (deviceIndex >= m_indices.size()) {
        errorText = CPortAudioSystem::ErrorText(paInvalidDevice);
        return nullptr;
    }
    const PaDeviceIndex device = m_indices[deviceIndex];
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    PaStreamParameters in{};
    in.device = device;
    in.channelCount = format.channels;
    in.sampleFormat = PortAudioSampleFormat(format.bitsPerSample);
    if (in.sampleFormat == 0) {
        errorText = CPortAudioSystem::ErrorText(paSampleFormatNotSupported);
        return nullptr;
    }
    // The buffers queued with the driver become the stream's latency.
    const double queued = format.samplesPerSec ? double(framesPerBuffer) * bufferCount / format.samplesPerSec : 0.5;
    in.suggestedLatency = std::max(queued, info ? info->defaultLowInputLatency : 0.0);
    auto stream = std::make_unique<PortAudioInputStream>(sink);
    CQuietStderr quiet;
    const PaError err = Pa_OpenStream(&stream->m_stream, &in, nullptr, format.samplesPerSec, framesPerBuffer,
                                      paClipOff, &PortAudioInputStream::Callback, stream.get());
    if (err != paNoError) {
        stream->m_stream = nullptr;
        errorText = CPortAudioSystem::ErrorText(err);
        return nullptr;
    }
    return stream;
}

std::string CPortAudioInputBackend::DefaultOutputName() const
{
    return m_system.DefaultOutputName();
}

} // namespace tavril
