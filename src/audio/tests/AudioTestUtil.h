#pragma once
// Helpers of the audio tests: WAV files built byte by byte, and a listener
// that keeps what it received.

#include "CAudioInputDevice.h"
#include "TestSupport.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace tavril::test {

inline std::string WriteWav16(const TempDir& dir, const std::string& name, uint32_t rate, uint16_t channels,
                              const std::vector<int16_t>& samples)
{
    const std::string path = dir.File(name);
    WriteAll(path, RiffBuilder().Chunk("fmt ", RiffBuilder::Fmt(1, channels, rate, 16)).Chunk("data", Int16Bytes(samples)).Bytes());
    return path;
}

// A ramp that never repeats within 32768 samples, so a shifted or dropped
// buffer shows.
inline std::vector<int16_t> Ramp(size_t count, int16_t step = 1)
{
    std::vector<int16_t> v(count);
    for (size_t i = 0; i < count; ++i)
        v[i] = static_cast<int16_t>(static_cast<int>(i % 32768) * step);
    return v;
}

class RecordingListener : public IAudioInputListener {
public:
    explicit RecordingListener(bool scribble = false) : m_scribble(scribble) {}
    void OnInputBuffer(uint32_t frames, void* data, CAudioInputDevice& device) override
    {
        PcmFormat f;
        device.CopyFormat(f);
        const size_t n = static_cast<size_t>(frames) * f.channels;
        const auto* s = static_cast<const int16_t*>(data);
        {
            std::lock_guard<std::mutex> lock(m_mutex);  // test-side only
            samples.insert(samples.end(), s, s + n);
            sequence.push_back(device.GetSequenceCounter());
        }
        if (m_scribble)
            std::memset(data, 0x55, n * sizeof(int16_t));
        buffers.fetch_add(1);
    }
    std::vector<int16_t> Samples()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return samples;
    }

    std::vector<int16_t> samples;
    std::vector<uint32_t> sequence;
    std::atomic<int> buffers{0};

private:
    bool m_scribble;
    std::mutex m_mutex;
};

} // namespace tavril::test
