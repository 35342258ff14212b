#pragma once
// The settings of the editing dialogs: one plain record per dialog, named
// after its controls, each with its section of the settings file and a
// Save/Load pair that writes its keys in a fixed order. Loading leaves a
// member unchanged when its key is missing. The dialogs themselves belong to
// the GUI; these records are what they edit and what the tools read.
//
// Ownership: one record per dialog, owned by the application object.
// Threading: UI thread (settings are read and written there only).

#include <string>

namespace tavril {

struct InsertNoiseSettings {
    static constexpr const char* kSection = "Insert Noise Dialog";
    double noiseAmplitudePct = 0.0;

    int Save(const std::string& file) const;
    void Load(const std::string& file);
};

struct InsertToneSettings {
    static constexpr const char* kSection = "Insert Tone Dialog";
    double toneAmplitudePct = 0.0;
    double toneDurationMs = 0.0;
    double toneFrequencyHz = 0.0;
    int fmWaveformType = 0;  // 0 none, 1 sine, 2 square, 3 triangle
    double fmFreqRangeHz = 0.0;
    double fmModulationFreqHz = 0.0;
    int amWaveformType = 0;
    double amAmplitudeRangePct = 0.0;
    double amModulationFreqHz = 0.0;

    int Save(const std::string& file) const;
    void Load(const std::string& file);
};

struct RampSettings {
    static constexpr const char* kSection = "Ramp Begin/End Details";
    int beginMs = 0;
    int endMs = 0;

    int Save(const std::string& file) const;
    void Load(const std::string& file);
};

struct AmplitudeEnvelopeSettings {
    static constexpr const char* kSection = "Amplitude Envelope Details";
    std::string filename;
    int resolutionMs = 1;
    int useExactEnvelope = 1;  // radio index: 0 exact, 1 calculate from the waveform

    // The resolution the tool gets: 0 for an exact envelope.
    double EffectiveResolutionMs() const { return useExactEnvelope == 0 ? 0.0 : resolutionMs; }
    int Save(const std::string& file) const;
    void Load(const std::string& file);
};

struct FilterSettings {
    static constexpr const char* kSection = "Filter Details";
    double ampReductionPct = 0.0;  // "% Of original amplitude:" left in the stop band
    double hipassFreqHz = 0.0;
    double lopassFreqHz = 0.0;
    double freqRampHz = 0.0;
    double timeRampMs = 0.0;

    int Save(const std::string& file) const;
    void Load(const std::string& file);
};

struct MultiToolSettings {
    static constexpr const char* kSection = "Multi Tool Dialog";
    int appendOrWriteOver = 0;     // stored only
    int exitRtsAfterAcquisition = 0;  // stored only
    int filterOn = 0;
    int maximizeOn = 0;
    int rampOn = 0;
    int beginRampMs = 0;
    int endRampMs = 0;
    float highPassCornerHz = 0.0f;
    float lowPassCornerHz = 0.0f;
    int namingSelection = 0;       // stored only
    int noiseFilterOn = 0;

    int Save(const std::string& file) const;
    void Load(const std::string& file);
};

struct KlipNSaveSettings {
    static constexpr const char* kSection = "Klip n Save Settings";
    int autofillOn = 0;
    int insertFileDate = 0;
    int insertFileTime = 0;
    std::string filenameTemplate;
    int openClipInWindow = 0;

    int Save(const std::string& file) const;
    void Load(const std::string& file);
};

} // namespace tavril
