#pragma once
// CAcquisitionSettings: everything one recorder is set up with: format,
// ring length, store rules, scrolling, and, embedded, the settings of
// post-acquisition processing, the recording spectrogram, the detector, file
// names and series naming. Each record is its own settings section; a
// recorder's sections carry the suffix " Virtual Recorder %d".
//
// Plain value record; any thread may copy it.

#include "DetectorSettings.h"
#include "SeriesNaming.h"

#include <string>

namespace tavril {

struct PostAcquisitionSettings {
    bool appendOrWriteOver = true;
    bool useAutoname = false;
    bool exitAfterAcquisition = false;
    bool filter = false;
    bool maximize = false;
    bool ramp = false;
    float beginRampMs = 10.0f;
    float endRampMs = 10.0f;
    bool noiseFilter = false;
    float highPassHz = 1000.0f;
    float lowPassHz = 10000.0f;

    static constexpr const char* kSection = "Post Acquisition Details";
    int Save(const std::string& file, const std::string& suffix) const;
    void Load(const std::string& file, const std::string& suffix);
};

struct RecordingSpectrogramSettings {
    int windowType = 0;
    int rtsFftSizeCode = 3;  // 32 << code lines per column
    int pauseFftSizeCode = 3;
    int grayscaleType = 0;
    float gain = 0.0f;
    int whiteThreshold = 10;
    bool showAmplitude = true;

    static constexpr const char* kSection = "RTS Spectagram Details";
    int Save(const std::string& file, const std::string& suffix) const;
    void Load(const std::string& file, const std::string& suffix);
};

struct CAcquisitionSettings {
    bool enableScrolling = true;
    int sampleSize = 1;  // 0 = 8-bit, 1 = 16-bit (2 = 24-bit, beyond the dialog)
    int sampleRate = 22050;
    bool postProcessing = false;
    int bufferSecs = 20;
    float msPerLine = 20.0f;
    bool openNewDisplay = false;
    bool fullDuplex = true;
    int channels = 1;
    std::string deviceName;
    bool writeOver = true;  // "append or write over": 1 = write over
    bool detectorOn = false;
    bool exitOnStore = true;
    int fileNameSettings = 0;  // 0 default name, 1 series template
    bool disableScreenSaver = true;
    int stopTimeMin = 0;
    bool checkStopTime = false;
    bool drawStoredSounds = true;
    bool exitOnRecordTimeout = false;
    bool showLevelWhenDetecting = true;
    bool disableDetectorDuringPlayback = false;
    bool storeBufferWhenFilled = false;
    bool decimate = false;
    int decimationFactor = 0;

    PostAcquisitionSettings post;
    RecordingSpectrogramSettings spectrogram;
    DetectorSettings detector;
    AutonameSettings autoname;
    SeriesSettings series;

    int BitsPerSample() const { return 8 * (sampleSize + 1); }
    int BytesPerSample() const { return sampleSize + 1; }
    // The rate frames reach the ring at (after decimation).
    double RingRate() const;

    // " Virtual Recorder %d"
    static std::string Suffix(int recorderNumber);
    static constexpr const char* kSection = "Acquisition Details";
    // Writes this record and every embedded one; 1 when all writes succeeded.
    int Save(const std::string& file, const std::string& suffix) const;
    void Load(const std::string& file, const std::string& suffix);
};

// The "Recognition Supervisor Details" record of each recorder: the
// detection switch and screen output, and the stored values of a recogniser
// that the program keeps but does not run.
struct RecognitionSupervisorSettings {
    bool soundDetectOn = false;
    int trainingEpochs = 1;
    int reportFrequency = 1;
    float errorExit = 1.0f;
    int elements = 1;
    bool outputToOutputFile = false;
    bool outputToLogFile = false;
    bool outputToScreen = false;
    std::string networkFile;
    std::string outputFile;
    std::string testingFile;
    std::string trainingFile;
    bool soundRecognizeOn = false;
    float learningRate = 0.0f;
    float momentum = 0.0f;
    float minElementsToTrigger = 0.0f;
    int currentTrainingTrials = 0;
    int hiddenLayers = 0;
    int outputLayers = 0;

    static constexpr const char* kSection = "Recognition Supervisor Details";
    int Save(const std::string& file, const std::string& suffix = {}) const;
    // Values outside the ranges the dialog accepts are brought back into them.
    void Load(const std::string& file, const std::string& suffix = {});
};

} // namespace tavril
