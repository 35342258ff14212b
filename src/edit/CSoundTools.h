#pragma once
// CSoundTools: the amplitude and generation tools (Maximize, Amplify, Ramp,
// Reverse, Insert Silence/Noise/Tone, Amplitude Envelope) as file-to-file
// operations: each reads the previous version and writes the new version
// into `destination`, an empty file in the previous version's format.
//
// One channel is processed; the others pass through unchanged. Files up to 16
// bits are processed as 16-bit values, wider files at 32 bits, and results are
// limited to the value range instead of wrapping. Everything streams in the
// engine's blocks. Operations return 1/0; the reason of a failure is in the
// engine's LastError().
//
// Ownership: one object for the program (it carries the noise sequence); it
// uses, but does not own, the engine. Threading: one thread at a time.

#include "CR250Generator.h"
#include "CToneGenerator.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tavril {

class CEditEngine;

class CSoundTools {
public:
    explicit CSoundTools(CEditEngine& engine);

    int Maximize(const std::string& source, const std::string& destination, uint32_t channel);
    int Amplify(const std::string& source, const std::string& destination, double factor, uint32_t channel);
    int Ramp(const std::string& source, const std::string& destination, double beginMs, double endMs,
             uint32_t channel);
    // count < 0: to the end.
    int Reverse(const std::string& source, const std::string& destination, uint32_t start, int64_t count,
                uint32_t channel);
    // Generated sound goes after frame `position` (at the start when 0, at the
    // end when negative or at the last frame).
    int InsertSilence(const std::string& source, const std::string& destination, int64_t position,
                      double durationMs, uint32_t channel);
    int InsertNoise(const std::string& source, const std::string& destination, int64_t position,
                    double durationMs, double amplitude, uint32_t channel);
    int InsertTone(const std::string& source, const std::string& destination, int64_t position,
                   const ToneParams& tone, uint32_t channel);
    // resolutionMs < 1: the envelope file is the envelope itself.
    int AmplitudeEnvelope(const std::string& source, const std::string& destination,
                          const std::string& envelopeFile, double resolutionMs, uint32_t channel);

    // The factor Maximize would apply to `channel` of `file` (for its 16-bit
    // or 32-bit values); 0 when the file cannot be read.
    double MaximizeFactor(const std::string& file, uint32_t channel);

    CEditEngine& Engine() { return m_engine; }

private:
    int InsertGenerated(const std::string& source, const std::string& destination, int64_t position,
                        double durationMs, uint32_t channel,
                        const std::function<void(int32_t*, uint32_t, uint64_t)>& fill);

    CEditEngine& m_engine;
    CR250Generator m_noise;
};

} // namespace tavril
