#include "CPortAudioSystem.h"

#include "CPortAudioInputBackend.h"

#include <alsa/asoundlib.h>
#include <portaudio.h>

#include <cstdarg>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tavril {

namespace {

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

} // namespace

CQuietStderr::CQuietStderr()
{
    std::fflush(stderr);
    m_saved = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (m_saved >= 0 && null >= 0)
        dup2(null, STDERR_FILENO);
    if (null >= 0)
        close(null);
}

CQuietStderr::~CQuietStderr()
{
    if (m_saved >= 0) {
        std::fflush(stderr);
        dup2(m_saved, STDERR_FILENO);
        close(m_saved);
    }
}

CPortAudioSystem::CPortAudioSystem()
{
    snd_lib_error_set_handler(IgnoreAlsaError);
    CQuietStderr quiet;
    const PaError err = Pa_Initialize();
    if (err == paNoError)
        m_ready = true;
    else
        m_error = ErrorText(err);
}

CPortAudioSystem::~CPortAudioSystem()
{
    if (m_ready) {
        CQuietStderr quiet;
        Pa_Terminate();
    }
}

std::string CPortAudioSystem::ErrorText(int paError)
{
    if (paError == paUnanticipatedHostError) {
        const PaHostErrorInfo* info = Pa_GetLastHostErrorInfo();
        if (info && info->errorText && *info->errorText)
            return info->errorText;
    }
    const char* text = Pa_GetErrorText(paError);
    return text ? text : "Unknown error";
}

std::string CPortAudioSystem::DefaultOutputName() const
{
    if (!m_ready)
        return {};
    const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
    const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
    return info && info->name ? info->name : "";
}

bool CPortAudioSystem::DefaultDeviceTakes(bool input, const PcmFormat& format) const
{
    if (!m_ready)
        return false;
    const PaDeviceIndex device = input ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
    if (device == paNoDevice)
        return false;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    PaStreamParameters params{};
    params.device = device;
    params.channelCount = format.channels;
    params.sampleFormat = PortAudioSampleFormat(format.bitsPerSample);
    params.suggestedLatency = input ? info->defaultHighInputLatency : info->defaultHighOutputLatency;
    CQuietStderr quiet;
    return Pa_IsFormatSupported(input ? &params : nullptr, input ? nullptr : &params, format.samplesPerSec) ==
           paFormatIsSupported;
}

} // namespace tavril
