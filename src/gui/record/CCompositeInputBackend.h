#pragma once
// CCompositeInputBackend: several input backends shown as one device list,
// so that a WAV file given with --input-file ("File: NAME") sits beside the
// sound cards and the user can choose it like any card. Devices are listed
// backend by backend in the order the backends were added.
//
// Ownership: refers to the backends, which outlive it and every stream it
// opened. Threading: as IAudioInputBackend (one controlling thread).

#include "IAudioInputBackend.h"

#include <vector>

namespace tavril {

class CCompositeInputBackend final : public IAudioInputBackend {
public:
    void Add(IAudioInputBackend& backend) { m_backends.push_back(&backend); }

    std::vector<AudioDeviceInfo> EnumerateDevices() override;
    bool IsFormatSupported(const PcmFormat& format) override;
    std::unique_ptr<IAudioInputStream> Open(uint32_t deviceIndex, const PcmFormat& format, uint32_t framesPerBuffer,
                                            uint32_t bufferCount, IAudioCaptureSink& sink,
                                            std::string& errorText) override;

private:
    std::vector<IAudioInputBackend*> m_backends;
    // Devices each backend reported at the last enumeration; Open maps a
    // list index through them.
    std::vector<size_t> m_counts;
};

} // namespace tavril
