#pragma once
// DetectorSettings: the keys of the sound event detector, stored in the
// section "Sound Detector Details" followed by the owner's suffix.
//
// Plain value record; any thread may copy it.

#include <string>

namespace tavril {

struct DetectorSettings {
    int bufferAfterMs = 300;
    int bufferBeforeMs = 300;
    int maxTriggerDropMs = 200;
    int minTriggerEventMs = 20;
    float maxSoundMs = 0.0f;
    int minSoundMs = 50;
    int freqMinHz = 1000;
    int freqMaxHz = -1;
    int averageMs = 100;
    float triggerThresh = 0.5f;
    bool storeOnlyDetected = true;
    bool applyPopFilter = false;
    int fftSizeCode = 3;

    // The threshold as a fraction: 1 or more is a percentage.
    double Threshold() const { return triggerThresh >= 1.0f ? triggerThresh / 100.0 : triggerThresh; }

    static constexpr const char* kSection = "Sound Detector Details";
    int Save(const std::string& file, const std::string& suffix) const;
    void Load(const std::string& file, const std::string& suffix);
};

} // namespace tavril
