#pragma once
// CFileDetector: runs the sound detector over a recording on disk, one
// detector and ring per analysed channel, over a chosen time range. Each
// detected sound can be written as a WAV clip named by a series template and
// handed to an annotation sink. Run works on the calling thread; Start runs
// it on a worker thread that the caller can stop and watch.
//
// The dialog's settings are stored in the section "Recording file detector",
// with its own detector and clip-name sections ("... for file detector").
//
// Ownership: owns its worker thread; the sink outlives the run. Threading:
// Start, RequestStop, Wait and the getters from one controlling thread; the
// progress getters are atomic. Separate objects may run in parallel.

#include "DetectorSettings.h"
#include "IDetectionSink.h"
#include "SeriesNaming.h"

#include <atomic>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace tavril {

struct FileDetectorSettings {
    bool saveAsClips = false;
    bool saveAsAnnotation = false;
    bool deletePrevAnnotations = false;
    std::string startTime = "0";
    std::string stopTime;  // empty: to the end
    bool useChannelList = false;
    std::string channelList;
    DetectorSettings detector;
    SeriesSettings series;

    static constexpr const char* kSection = "Recording file detector";
    static constexpr const char* kSuffix = " for file detector";
    int Save(const std::string& file) const;
    void Load(const std::string& file);
};

// Channels (counted from 1) of a list such as "1,3-4"; empty when the text
// is not such a list or names no channel in 1..channels.
std::vector<int> ParseChannelList(const std::string& text, int channels);

struct FileDetection {
    int channel = 1;  // counted from 1
    double startSec = 0.0;
    double durationSec = 0.0;
    std::string clipFile;
};

struct FileDetectionReport {
    bool opened = false;
    std::string error;
    double sampleRate = 0.0;
    std::vector<int> channels;  // analysed, counted from 1
    std::vector<int> counts;    // detections per analysed channel
    std::vector<FileDetection> detections;  // in the order found
};

class CFileDetector {
public:
    CFileDetector() = default;
    ~CFileDetector();
    CFileDetector(const CFileDetector&) = delete;
    CFileDetector& operator=(const CFileDetector&) = delete;

    // Time the recording started (clip names' date codes count from it).
    void SetRecordingStart(std::time_t t) { m_recordingStart = t; }
    void SetComment(const std::string& comment) { m_comment = comment; }
    void SetSink(IDetectionSink* sink) { m_sink = sink; }

    FileDetectionReport Run(const std::string& recording, FileDetectorSettings settings);

    // Worker thread: a running worker is stopped first.
    void Start(const std::string& recording, const FileDetectorSettings& settings);
    void RequestStop() { m_stop = true; }
    void Wait();
    bool IsRunning() const { return m_running; }
    bool IsFinished() const { return m_finished; }
    double CurrentSeconds() const { return m_seconds; }
    // Valid once finished.
    const FileDetectionReport& Report() const { return m_report; }

private:
    std::time_t m_recordingStart = 0;
    std::string m_comment;
    IDetectionSink* m_sink = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_finished{false};
    std::atomic<double> m_seconds{0.0};
    FileDetectionReport m_report;
};

} // namespace tavril
