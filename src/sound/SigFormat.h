#pragma once
// SigFormat: the SIG sample format, a 1024-byte header followed by 32-bit
// little-endian float samples of one channel. Never opened as a sound: SIG
// files are converted to and from WAV files. Stateless; every call works on
// the files it names and may run on any thread.

#include <cstdint>
#include <functional>
#include <string>

namespace tavril {

class SigFormat {
public:
    // Told the fraction done (0 ... 1) after every block; false stops the
    // conversion, which then returns 0 leaving what it wrote half-done.
    using Progress = std::function<bool(double fraction)>;

    static constexpr uint32_t kHeaderBytes = 1024;
    static constexpr uint32_t kBlockSamples = 128;  // sample counts are padded to this
    // Header fields the converters use (byte offsets).
    static constexpr uint32_t kVersionAt = 8;
    static constexpr uint32_t kBlocksAt = 12;
    static constexpr uint32_t kTypeAt = 20;
    static constexpr uint32_t kScaleAt = 24;
    static constexpr uint32_t kOffsetAt = 28;
    static constexpr uint32_t kCountAt = 80;
    static constexpr uint32_t kRateAt = 84;
    static constexpr uint32_t kDurationAt = 92;
    static constexpr uint32_t kDateAt = 148;

    // Writes channel 0 of the WAV sound `wavPath` as SIG file `sigPath`, the
    // 16-bit values unscaled as floats and the scale 10 / peak in the header
    // (a silent sound gets a finite scale). Returns 1 or 0.
    static int WriteFromWav(const std::string& wavPath, const std::string& sigPath, const Progress& progress = {});

    // Writes the SIG file `sigPath` as a mono 16-bit WAV file `wavPath`.
    // Returns 1 or 0; malformed headers (no rate, absurd counts) give 0.
    static int ReadToWav(const std::string& sigPath, const std::string& wavPath, const Progress& progress = {});

    // The header date field: month, day and two-digit year as "MM-DD-YY".
    static std::string DateField(int month, int day, int year);
};

} // namespace tavril
