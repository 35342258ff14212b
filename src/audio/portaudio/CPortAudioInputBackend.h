#pragma once
// CPortAudioInputBackend: the system's capture devices through PortAudio.
// Each device with input channels is listed under PortAudio's name; a stream
// delivers fixed-size buffers in the requested integer format on PortAudio's
// callback thread.
//
// Ownership: the PortAudio system outlives the backend, the backend its
// streams. Threading: as IAudioInputBackend.

#include "CPortAudioSystem.h"
#include "IAudioInputBackend.h"

namespace tavril {

class CPortAudioInputBackend final : public IAudioInputBackend {
public:
    explicit CPortAudioInputBackend(CPortAudioSystem& system);

    std::vector<AudioDeviceInfo> EnumerateDevices() override;
    bool IsFormatSupported(const PcmFormat& format) override;
    std::unique_ptr<IAudioInputStream> Open(uint32_t deviceIndex, const PcmFormat& format,
                                            uint32_t framesPerBuffer, uint32_t bufferCount,
                                            IAudioCaptureSink& sink, std::string& errorText) override;

    // The default output device's name, or "" without one.
    std::string DefaultOutputName() const;

private:
    CPortAudioSystem& m_system;
    std::vector<int> m_indices;  // PortAudio device index of each listed device
};

// PortAudio's sample format for integer samples of `bits` bits (0 when none).
unsigned long PortAudioSampleFormat(uint32_t bits);

} // namespace tavril
