#pragma once
// CSoundFilter: the short-time Fourier filters: the band filter (band-pass or
// band-stop with frequency ramps and a time ramp at the edges of the range)
// and the background-noise filter, which silences every spectral line that
// does not rise above the sound's own noise floor.
//
// Both read the previous version and write the new one into `destination`,
// an empty file in the previous version's format: the frames before and after
// the range are copied, the range is filtered in the chosen channel, and the
// other channels pass unchanged. Everything streams in blocks; the noise
// floor is found with a bounded amount of memory however long the sound.
// Files up to 16 bits give 16-bit results; wider files keep their precision.
//
// Ownership: uses, but does not own, the engine. Threading: one thread at a
// time per object (the transforms themselves may run in parallel).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavril {

class CEditEngine;

struct BandFilterParams {
    double stopGain = 0.0;   // fraction of the magnitude left in the stop band
    double lowpassHz = 0.0;
    double highpassHz = 0.0;
    double freqRampHz = 0.0;
    double timeRampMs = 0.0;
    int frameSize = 256;
};

class CSoundFilter {
public:
    explicit CSoundFilter(CEditEngine& engine);

    // count < 0: to the end.
    int BandFilter(const std::string& source, const std::string& destination, uint32_t start, int64_t count,
                   const BandFilterParams& params, uint32_t channel);
    int NoiseFilter(const std::string& source, const std::string& destination, uint32_t start, int64_t count,
                    uint32_t channel);

    // The gain per FFT bin of an n-point frame (bins k and n - k equal).
    static void BuildGainCurve(std::vector<float>& curve, int n, double rate, double lowpassHz, double highpassHz,
                               double freqRampHz, double stopGain);
    // The noise threshold per line (256 lines over 0 ... rate/2) of `channel`
    // of `file`: the 80th percentile over 10 ms frames of 3 averaged spectra.
    // Frames in [scaleStart, scaleStart + scaleCount) are taken at 3/4 of
    // their value (the filter's headroom). Returns 0 when unreadable.
    int NoiseThresholds(const std::string& file, uint32_t channel, std::vector<float>& thresholds,
                        uint32_t scaleStart = 0, uint32_t scaleCount = 0);

    // Spectra up to this many bytes are sorted in memory; longer sounds are
    // searched in three counting passes instead.
    void SetInMemoryLimit(size_t bytes) { m_inMemoryLimit = bytes; }

private:
    using FrameFn = std::function<void(int64_t frameIndex, float* magnitudes)>;
    int ShortTimeFilter(const std::string& source, const std::string& destination, uint32_t start, uint32_t count,
                        uint32_t channel, int n, int hop, bool headroom, const FrameFn& change);
    bool NeedsHeadroom(const std::string& file, uint32_t start, uint32_t count, uint32_t channel, bool& needed);

    CEditEngine& m_engine;
    size_t m_inMemoryLimit = 16u << 20;
};

} // namespace tavril
