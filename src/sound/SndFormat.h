#pragma once
// SndFormat: the SND (also .ATL) sample format, an 828-byte header followed
// by 16-bit little-endian words holding 12-bit offset-binary samples of one
// channel. Never opened as a sound: SND files are converted to and from WAV
// files. Stateless; every call works on the files it names.

#include <cstdint>
#include <functional>
#include <string>

namespace tavril {

class SndFormat {
public:
    // Told the fraction done (0 ... 1) after every block; false stops the
    // conversion, which then returns 0 leaving what it wrote half-done.
    using Progress = std::function<bool(double fraction)>;

    static constexpr uint32_t kHeaderBytes = 828;
    static constexpr uint32_t kIntervalAt = 738;  // sampling interval, 1/4 MHz units
    static constexpr uint32_t kCountAt = 742;
    static constexpr double kClockHz = 4000000.0;

    // 16-bit sample to the stored 12-bit offset-binary word, and back (the
    // lowest 4 bits are lost).
    static uint16_t Encode(int16_t value) { return static_cast<uint16_t>((value >> 4) + 0x800); }
    static int16_t Decode(uint16_t stored);

    // The interval written for a rate: trunc(4 MHz / rate), or 0 when that
    // does not fit the signed 16-bit field readers take (rates above 4 MHz
    // or below about 122 Hz).
    static uint32_t IntervalForRate(double rate);

    // Writes channel 0 of the WAV sound `wavPath` as SND file `sndPath`.
    // Returns 1 or 0 (0 also for a rate the interval cannot express).
    static int WriteFromWav(const std::string& wavPath, const std::string& sndPath, const Progress& progress = {});

    // Writes the SND file `sndPath` as a mono 16-bit WAV file `wavPath` at
    // the rate trunc(4 MHz / interval). Returns 1 or 0 (an interval of 0 or
    // below is refused).
    static int ReadToWav(const std::string& sndPath, const std::string& wavPath, const Progress& progress = {});
};

} // namespace tavril
