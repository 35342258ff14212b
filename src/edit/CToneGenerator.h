#pragma once
// CToneGenerator: the samples of "Insert Tone": a sine tone with optional
// frequency modulation (sine, square, triangle) and amplitude modulation.
//
// Without frequency modulation the phase of frame k is omega * k. With it the
// phase is accumulated frame by frame from the instantaneous frequency, so the
// tone stays continuous and "Frequency Range (Hz)" is the peak-to-peak swing
// around the tone frequency whatever the modulation rate.
//
// Ownership: a value object made per insertion. Threading: one thread.

#include <cstdint>

namespace tavril {

struct SampleDomain;

enum ModulationWave : int { kModNone = 0, kModSine = 1, kModSquare = 2, kModTriangle = 3 };

struct ToneParams {
    double freqHz = 0.0;
    double amplitude = 0.0;   // 0 ... 1
    double durationMs = 0.0;
    int fmType = kModNone;
    double fmRateHz = 0.0;
    double fmRangeHz = 0.0;   // peak to peak
    int amType = kModNone;
    double amRateHz = 0.0;
    double amRange = 0.0;     // 0 ... 1, peak to peak
};

class CToneGenerator {
public:
    CToneGenerator(const ToneParams& params, double sampleRate);
    // Values of frames [first, first + frames); calls must follow each other
    // without gaps (the FM phase is carried over).
    void Generate(int32_t* values, uint32_t frames, uint64_t first, const SampleDomain& domain);
    // The amplitude factor of frame k (0 ... 1).
    double AmplitudeAt(uint64_t k) const;

private:
    double FrequencyAt(uint64_t k) const;

    ToneParams m_p;
    double m_rate;
    bool m_fm = false;
    bool m_am = false;
    double m_phase = 0.0;
    uint64_t m_next = 0;
    // Amplitude-modulation triangle: period and quarter period in frames.
    int64_t m_amPeriod = 0;
    int64_t m_amQuarter = 0;
};

} // namespace tavril
