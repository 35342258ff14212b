#pragma once
// SoundComparison: how different the spectrogram of one channel is from the
// delayed spectrogram of another, for each delay step from 0 up to a maximum,
// within a frequency band ("Correlate With Another Soundfile"). Also the
// program-wide settings record of the "Compare sounds" dialog.
//
// Stateless functions; each run owns its two frame stores. Any thread.

#include <string>
#include <vector>

namespace tavril {

struct SpectralFrame;

// Settings of the "Compare sounds" dialog, kept in the section
// "Compare sound files settings".
struct CompareSettings {
    static constexpr const char* kSection = "Compare sound files settings";

    int m_fftSizeIndex = 0;  // lines per spectrum 32 << index
    float m_differenceThreshold = 0.5f;
    float m_overlapMs = 10.0f;  // period between spectra
    float m_silenceThreshold = 0.1f;  // percent of full signal
    int m_numAverages = 5;
    std::string m_compareFile;
    int m_freqRangeMax = 20000;
    int m_freqRangeMin = 0;
    int m_channel1 = 0;
    int m_channel2 = 0;  // -1: all other channels
    float m_maxCompareDelayMs = 0.0f;

    int Bins() const;  // 32 << index, index clamped to 0..5
    // Empty file name: the default settings file. A missing key leaves its
    // member unchanged.
    int Save(const std::string& file) const;
    void Load(const std::string& file);
};

struct CompareRequest {
    int bins = 32;
    float periodMs = 10.0f;
    float differenceThreshold = 0.5f;  // carried along; not used by the measure
    float silencePercent = 0.1f;
    int averages = 5;
    double bandLowHz = 0.0;
    double bandHighHz = 0.0;
    double startMs = 0.0;
    double lengthMs = 0.0;
    double maxDelayMs = 0.0;
    int channel1 = 0;
    int channel2 = 0;  // -1: the mean of every channel except channel1
};

// Mean spectral difference of two frames over lines lo ... hi-1 (lo raised to
// 0, hi capped at the frame's lines; hi < lo means all lines). Values below
// `silence` count as 0. -1 when no line was compared.
float FrameDifference(const SpectralFrame& a, const SpectralFrame& b, int lo, int hi, float silence);

// One value per delay step of periodMs (delay d*periodMs): the mean
// FrameDifference of channel1's frames against channel2's frames d steps
// later, both stores first mapped onto 0 ... 1. Empty when the maximum delay
// is shorter than one period or nothing could be analysed; `error` then says
// why when the file or request was at fault.
std::vector<float> CompareChannels(const std::string& path, const CompareRequest& request, std::string* error = nullptr);

} // namespace tavril
