#pragma once
// PcmFormat: the 16-byte integer PCM format record shared by devices, their
// listeners and the player: tag 1, channels, rate, bytes per second, bytes
// per frame and bits per sample. Samples follow the sound library's memory
// model (8-bit unsigned with 128 as silence, wider ones signed little-endian).

#include <cstdint>

namespace tavril {

struct PcmFormat {
    uint16_t formatTag = 1;  // integer PCM
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;

    // A complete record for `rate` Hz, `channels` channels of `bits` bits.
    static PcmFormat Make(uint32_t rate, uint16_t channels, uint16_t bits)
    {
        PcmFormat f;
        f.channels = channels;
        f.samplesPerSec = rate;
        f.bitsPerSample = bits;
        f.blockAlign = static_cast<uint16_t>(channels * ((bits + 7) / 8));
        f.avgBytesPerSec = rate * f.blockAlign;
        return f;
    }
    uint32_t BytesPerSample() const { return (bitsPerSample + 7u) / 8u; }
    bool operator==(const PcmFormat&) const = default;
};

} // namespace tavril
