#pragma once
// SpectralFrameStore: averaged magnitude spectra of a sound taken at a fixed
// period, with per-frame band statistics and statistics over the whole store.
// The spectrogram text export and the channel comparison fill one over a
// stretch of a sound file; the detector and the noise filter feed frames one
// at a time into a ring of fixed capacity (the oldest frame is overwritten).
//
// Ownership: the store owns its frames and work arrays. Threading: one store
// belongs to one user on one thread; different stores may work in parallel
// (the transforms share only immutable tables).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavril {

// One averaged spectrum.
struct SpectralFrame {
    int bins = 0;
    std::vector<float> magnitudes;  // lines 0 ... bins-1
    float nyquist = 0.0f;
    float bandLow = 0.0f;
    float bandHigh = 0.0f;
    // Over the lines of the band (see SpectralFrameStore::SetBand).
    float mean = 0.0f;
    float min = 0.0f;
    float max = 0.0f;
    uint32_t timeMs = 0;      // start of the frame from the start of the sound
    double durationMs = 1.0;  // samples analysed for this frame, in ms
};

// Statistics over the frames held, oldest first.
struct SpectralStoreStatistics {
    double largestMax = 0.0;
    double smallestMin = 0.0;
    double meanOfMeans = 0.0;
    double meanOfMaxima = 0.0;
    // Mean of the frame maxima that follow a local peak of the maxima and
    // stand above the mean of maxima; 32768 when fewer than two qualify.
    double peakMean = 32768.0;
};

class SpectralFrameStore {
public:
    // Frames * bins may not exceed this many values (256 MiB of floats): a
    // tiny period over a long sound is refused rather than exhausting memory.
    // (AnalyseEach keeps one frame and has no such limit.)
    static constexpr int64_t kMaxValues = int64_t(1) << 26;

    // Empties the store and sizes it for `capacity` frames of `bins` lines.
    // Returns 0 (store left empty) for bins outside 32 ... 1024 or too large
    // a capacity.
    int Prepare(int capacity, int bins, double sampleRate, float periodMs);

    // Fills the store from `count` samples of a sound file starting at sample
    // `start` (a negative or too large start means 0, a negative count all
    // samples, a count beyond the end what remains), one frame every
    // `periodMs` of `averages` consecutive transforms of 2*bins samples.
    // `channel` -1 reads the mean of all channels except `otherThan`.
    // Returns 1, or 0 with an empty store when the file cannot be opened or
    // the request cannot be met (bad channel, period or size).
    int Analyse(const std::string& fileName, int bins, float periodMs, int averages, int64_t start, int64_t count,
                int channel, int otherThan = -1);

    // The same analysis without keeping the frames: `begin` receives the
    // number of frames that will follow (return false to stop), then `each`
    // receives every frame in order (return false to stop); the store holds
    // only the newest. Memory stays bounded however long the sound, which a
    // text export of an hour-long recording needs. Returns 1 when the file
    // could be analysed (even with zero frames), else 0 without calling back.
    int AnalyseEach(const std::string& fileName, int bins, float periodMs, int averages, int64_t start, int64_t count,
                    int channel, const std::function<bool(int64_t frames)>& begin,
                    const std::function<bool(const SpectralFrame&)>& each);

    // Frames the analysis of `count` samples at `periodMs` produces.
    static int64_t FramesFor(int64_t count, float periodMs, double sampleRate);

    // Adds one frame from averages * 2 * bins samples. Returns 0 when the
    // store was never prepared.
    int AddFrame(const int16_t* samples, uint32_t timeMs, int averages);

    // Band for the per-frame statistics, in Hz (initially 0 ... nyquist).
    void SetBand(float lowHz, float highHz);
    // When on, each new frame is scaled by 1 / its 75th-percentile magnitude.
    void SetNormalise(bool on) { m_normalise = on; }
    // Maps every magnitude onto 0 ... 1 between the store's smallest frame
    // minimum and largest frame maximum, then recomputes the statistics.
    void NormaliseToUnitRange();

    int FrameCount() const { return m_count; }
    int Capacity() const { return static_cast<int>(m_frames.size()); }
    // Frame i, 0 = oldest, -1 = newest; nullptr when out of range.
    const SpectralFrame* Frame(int i) const;
    const float* Magnitudes(int i) const;
    // Line of a frequency: negative Hz means the Nyquist frequency;
    // trunc(bins * hz / nyquist + 0.5), capped at bins - 1.
    int HzToBin(double hz) const;

    const SpectralStoreStatistics& Statistics() const;
    int Bins() const { return m_bins; }
    float PeriodMs() const { return m_periodMs; }
    float Nyquist() const { return m_nyquist; }
    double SampleRate() const { return m_sampleRate; }
    const std::string& FileName() const { return m_fileName; }
    // Length in samples of the analysed sound (0 when none could be read).
    uint32_t SoundFrames() const { return m_soundFrames; }

private:
    int Run(const std::string& fileName, int bins, float periodMs, int averages, int64_t start, int64_t count,
            int channel, int otherThan, bool keepAll, const std::function<bool(int64_t)>& begin,
            const std::function<bool(const SpectralFrame&)>& each);
    SpectralFrame& Slot(int i);
    void BandStatistics(SpectralFrame& f) const;
    void RecomputeStatistics();
    void AddToStatistics(const SpectralFrame& f);

    std::string m_fileName;
    uint32_t m_soundFrames = 0;
    std::vector<SpectralFrame> m_frames;
    int m_count = 0;
    int m_newest = -1;
    int m_oldest = 0;
    int m_bins = 0;
    float m_periodMs = 0.0f;
    double m_sampleRate = 0.0;
    float m_nyquist = 0.0f;
    float m_bandLow = 0.0f;
    float m_bandHigh = 0.0f;
    bool m_normalise = false;

    // Running sums, exact while the ring has not wrapped.
    double m_sumMeans = 0.0;
    double m_sumMaxima = 0.0;
    double m_largestMax = 0.0;
    double m_smallestMin = 1e6;
    // Mean of maxima before the latest frame: the peak-mean threshold.
    double m_peakThreshold = 0.0;
    mutable bool m_statsValid = false;
    mutable SpectralStoreStatistics m_stats;

    std::vector<float> m_re, m_im, m_sorted;
    std::vector<double> m_accumulator;
};

} // namespace tavril
