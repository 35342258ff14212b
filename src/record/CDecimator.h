#pragma once
// CDecimator: keeps every k-th frame of a stream of interleaved PCM blocks,
// after a low-pass filter at the new Nyquist frequency, so that sound above
// it does not fold back into the recording. The phase (which input frame is
// kept next) and the filter's history carry from one block to the next.
//
// Prepare allocates; Process allocates nothing and takes no lock, so it may
// run in the capture callback. Threading: Prepare while not processing;
// Process from one thread at a time.

#include <cstdint>
#include <vector>

namespace tavril {

class CDecimator {
public:
    // factor < 2 passes everything through unchanged.
    void Prepare(int factor, uint32_t channels, uint32_t bytesPerSample);
    // Filters and thins `frames` frames in place; returns the frames kept,
    // which are at the front of `data`.
    uint32_t Process(void* data, uint32_t frames);
    int Factor() const { return m_factor; }
    // Index, relative to the next block, of the next frame to keep.
    uint32_t Phase() const { return m_phase; }

private:
    int m_factor = 1;
    uint32_t m_channels = 1;
    uint32_t m_bytes = 2;
    uint32_t m_phase = 0;
    std::vector<float> m_taps;
    std::vector<float> m_history;  // per channel, twice the taps (a mirrored ring)
    uint32_t m_pos = 0;
};

} // namespace tavril
