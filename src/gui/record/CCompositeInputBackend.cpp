#include "record/CCompositeInputBackend.h"

namespace tavril {

std::vector<AudioDeviceInfo> CCompositeInputBackend::EnumerateDevices()
{
    std::vector<AudioDeviceInfo> all;
    m_counts.clear();
    for (IAudioInputBackend* b : m_backends) {
        std::vector<AudioDeviceInfo> some = b->EnumerateDevices();
        m_counts.push_back(some.size());
        all.insert(all.end(), some.begin(), some.end());
    }
    return all;
}

bool CCompositeInputBackend::IsFormatSupported(const PcmFormat& format)
{
    for (IAudioInputBackend* b : m_backends)
        if (b->IsFormatSupported(format)) return true;
    return false;
}

std::unique_ptr<IAudioInputStream> CCompositeInputBackend::Open(uint32_t deviceIndex, const PcmFormat& format,
                                                                uint32_t framesPerBuffer, uint32_t bufferCount,
                                                                IAudioCaptureSink& sink, std::string& errorText)
{
    if (m_counts.size() != m_backends.size()) EnumerateDevices();
    size_t index = deviceIndex;
    for (size_t i = 0; i < m_backends.size(); ++i) {
        if (index < m_counts[i])
            return m_backends[i]->Open(uint32_t(index), format, framesPerBuffer, bufferCount, sink, errorText);
        index -= m_counts[i];
    }
    errorText = "no input device number " + std::to_string(deviceIndex);
    return nullptr;
}

} // namespace tavril
