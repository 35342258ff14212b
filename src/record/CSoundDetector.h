#pragma once
// CSoundDetector: finds sound events in the newest frames of a circular
// buffer. A spectral stage turns new frames into spectrum lines, a trigger
// stage finds single events where the band level (the line relative to the
// recent background) rises above the threshold, and a sound stage joins
// events separated by short gaps into one sound and decides when it is
// complete. The result is padded with the "buffer before" and "buffer after"
// times, ready to be stored.
//
// Ownership: owns its line history and work arrays; reads the ring it is
// given. Threading: one thread at a time (the recorder's housekeeping or a
// file worker); the ring may be written concurrently by its capture thread.

#include "CCircularBuffer.h"
#include "DetectorSettings.h"

#include <cstdint>
#include <vector>

namespace tavril {

struct DetectorParams {
    double sampleRate = 22050.0;  // after any decimation
    int bufferSecs = 20;          // length of the ring the detector reads
    int fftSizeCode = 3;          // lines per spectrum = 32 << code
    // Time per display line of the owning recorder. Line times of a live
    // recorder lag the sound by about one display line, so results are moved
    // back by it; a file worker knows exact times and passes 0.
    float msPerLine = 20.0f;
    int channel = 0;  // the channel of the ring that is analysed
};

struct DetectorResult {
    int64_t startMs = 0;
    int64_t durationMs = 0;
};

class CSoundDetector {
public:
    // Copies the parameters and resets every stage; 0 when the FFT size code
    // or the rate cannot be used (the detector then stays disabled).
    int Start(const DetectorSettings& settings, const DetectorParams& params);
    void Stop() { m_enabled = false; }
    void Suspend()
    {
        m_suspended = true;
        m_enabled = false;
    }
    void Resume()
    {
        if (!m_suspended) return;
        m_suspended = false;
        m_enabled = true;
    }
    bool Enabled() const { return m_enabled; }
    bool Suspended() const { return m_suspended; }

    // Analyses the frames written since the previous run; `nowMs` is the
    // time of the newest frames. True when a sound is complete (it stays so
    // until Reset).
    bool Run(const CCircularBuffer& ring, int64_t nowMs);
    bool Detected() const { return m_complete; }
    DetectorResult Result() const { return m_result; }
    // Current band level relative to the threshold's scale (0..1 shown).
    double Level() const { return m_level; }
    // Clears the trigger and sound stages for the next sound. The spectral
    // position and the background history are kept, so sound arriving right
    // after a store is analysed too.
    void Reset();

    int Bins() const { return m_bins; }
    double LineMs() const { return m_lineMs; }

private:
    void ResetTrigger() { m_triggered = m_triggerDone = false; }
    void ResetSound() { m_hasSound = m_qualified = false; }
    void StepTrigger(int64_t t);
    void StepSound(int64_t t);
    void Complete();
    double BandLevel();
    void AddLine();
    int HzToBin(double hz) const;
    void ToSamples(const unsigned char* raw, uint32_t frames, uint32_t frameBytes, uint32_t bytesPerSample);

    DetectorSettings m_settings;
    DetectorParams m_params;
    bool m_enabled = false;
    bool m_suspended = false;
    int m_bins = 0;
    double m_lineMs = 0.0;
    int m_lowBin = 0, m_highBin = 0;

    // spectral stage
    bool m_firstRun = true;
    uint64_t m_prevCount = 0;
    // The line history: magnitudes bin-major (bin b's lines side by side, a
    // ring of m_capacity), and, while every line is sampled for the
    // background (fewer than 50 lines), each bin's values kept sorted.
    int m_capacity = 0;
    int m_count = 0;
    int m_oldest = 0;
    std::vector<float> m_lines;
    std::vector<float> m_sorted;
    std::vector<unsigned char> m_raw;
    std::vector<int16_t> m_samples;
    std::vector<float> m_re, m_im;
    std::vector<float> m_column;

    // trigger stage
    bool m_triggered = false;
    bool m_triggerDone = false;
    int64_t m_triggerStart = 0;
    int64_t m_lastAbove = 0;
    double m_level = 0.0;

    // sound stage
    bool m_hasSound = false;
    bool m_qualified = false;
    int64_t m_soundStart = 0;
    int64_t m_soundEnd = 0;
    bool m_complete = false;
    DetectorResult m_result;
};

} // namespace tavril
