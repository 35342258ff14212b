#pragma once
// CVirtualRecorder: one recorder. It listens to an input device, keeps the
// newest sound in its circular buffer, runs its detector, and stores sound
// to WAV files by the rules of its acquisition settings (write over or
// append, default names or a series template, post-acquisition processing).
//
// A store writes beside its target and renames, so no half-written file is
// ever left under the target's name; a store that fails says so in Status(),
// keeps the ring (the recorder pauses so that it stays as it was) and
// leaves the "since the last store" mark where it was, so that storing again
// retries the same sound.
//
// Ownership: owns its ring, detector, decimator and settings; refers to the
// device list and clock given at construction, which outlive it. Threading:
// OnInputBuffer runs on the capture thread and only writes the ring and a
// few atomics; everything else (Start, Stop, Store, Housekeeping, ...) runs
// on one controlling thread at a time, guarded against re-entry.

#include "CAcquisitionSettings.h"
#include "CAudioInputDeviceList.h"
#include "CCircularBuffer.h"
#include "CDecimator.h"
#include "CSoundDetector.h"
#include "IAudioInputListener.h"
#include "IClock.h"
#include "SeriesNaming.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace tavril {

// What a store did, as the recording window learns of it.
struct StoreResult {
    int64_t startMs = 0;
    int64_t durationMs = 0;
    bool redraw = false;
    bool stored = false;
    bool cont = true;
    bool exit = false;
    std::string fileName;  // the file written (the series name when one was taken)
    std::string error;     // why nothing was stored, when it failed
};

class CVirtualRecorder final : public IAudioInputListener {
public:
    CVirtualRecorder(CAudioInputDeviceList* devices, IClock& clock);
    ~CVirtualRecorder() override;
    CVirtualRecorder(const CVirtualRecorder&) = delete;
    CVirtualRecorder& operator=(const CVirtualRecorder&) = delete;

    // Duplicate: description, command flags and every setting; not the
    // sound or the run state.
    void CopyFrom(const CVirtualRecorder& other);

    std::string description;
    bool pauseOnSpace = false;
    bool recordOnCommand = false;
    bool recordOnPlayback = false;
    bool stopOnCommand = false;
    bool stopOnPlayback = false;
    CAcquisitionSettings settings;
    RecognitionSupervisorSettings supervisor;

    // The device of "recording device name", or the first device (whose
    // name is then written into the settings); null without devices.
    CAudioInputDevice* ResolveDevice();

    int Start();
    void Stop();
    void Pause();
    int Resume();
    bool IsRunning() const { return m_running; }
    bool IsPaused() const { return m_paused; }

    // The window's document: stores in write-over mode go there (and are
    // then copied to the series name). Empty: series stores write the series
    // file directly, default-name stores go to a working file made by the
    // factory (the program's temporary files), else a "TVL" file of its own.
    void SetDocumentFile(const std::string& path) { m_documentFile = path; }
    void SetWorkingFileFactory(std::function<std::string()> factory) { m_newWorkingFile = std::move(factory); }
    const std::string& WorkingFile() const;
    // Called after every store (the window's notification).
    void SetStoreHandler(std::function<void(const StoreResult&)> handler) { m_onStore = std::move(handler); }
    // Receives status texts ("****** SOUND DETECTED: duration %lu ms", store failures).
    void SetStatusHandler(std::function<void(const std::string&)> handler) { m_onStatus = std::move(handler); }
    const std::string& Status() const { return m_status; }

    // tMs 0: the newest durationMs (0 with durationMs 0: everything since the
    // last store). readUnread: the frames not yet stored in that mode.
    StoreResult Store(int64_t tMs, int64_t durationMs, bool readUnread = false);
    // 'S': the detected sound when "store only detected sound" applies,
    // else everything since the last store.
    StoreResult StoreKey();
    // Detection and store-when-filled; call every scrolling tick or 50 ms.
    void Housekeeping();

    // Playback started or ended: detection pauses meanwhile when
    // "disable detector during playback" is on.
    void PlaybackStarted();
    void PlaybackEnded();
    void SetDetectorOn(bool on);

    // Display side: the newest n frames and the device level since the
    // last fetch (fractions of full scale).
    uint32_t FetchNewest(uint32_t n, void* out, double& levelMin, double& levelMax);
    uint32_t FramesAvailable() const { return m_ring.Available(); }
    double SampleRate() const { return m_ringRate; }
    uint32_t Channels() const { return m_format.channels; }
    const PcmFormat& Format() const { return m_format; }
    const CCircularBuffer& Ring() const { return m_ring; }
    const CSoundDetector& Detector() const { return m_detector; }
    CSeriesNamer& Namer() { return m_namer; }
    // Blocks handed over by the device since Start, and how many frames
    // they held; with the device's own count they prove nothing was lost.
    uint64_t BlocksReceived() const { return m_blocks.load(std::memory_order_acquire); }
    uint64_t FramesReceived() const { return m_framesIn.load(std::memory_order_acquire); }
    int64_t LastDetectionStartMs() const { return m_lastDetectionStart; }

    void OnInputBuffer(uint32_t frames, void* data, CAudioInputDevice& device) override;

private:
    int Attach();
    uint64_t FrameAt(int64_t clockMs) const;
    int WriteFrames(const std::string& target, bool append, const std::vector<unsigned char>& frames,
                    uint32_t count, std::string& error);
    void PostProcess(const std::string& file);
    void SetStatus(const std::string& text);
    void DropWorkingFile();

    CAudioInputDeviceList* m_devices;
    IClock& m_clock;
    CAudioInputDevice* m_device = nullptr;
    CCircularBuffer m_ring;
    CDecimator m_decimator;
    CSoundDetector m_detector;
    CSeriesNamer m_namer{settings.series};
    PcmFormat m_format;
    double m_ringRate = 0.0;
    uint64_t m_nominalFrames = 0;
    bool m_running = false;
    bool m_paused = false;
    bool m_storing = false;
    bool m_housekeeping = false;
    bool m_playing = false;

    // Written by the capture thread: clock ms of the newest block's first
    // frame (high half) and that frame's ring index (low half).
    std::atomic<uint64_t> m_blockStamp{0};
    std::atomic<uint64_t> m_blocks{0};
    std::atomic<uint64_t> m_framesIn{0};

    uint64_t m_framesAtLastStore = 0;
    uint64_t m_framesAtLastDetect = 0;
    int64_t m_lastDetectionStart = 0;
    std::string m_currentFile;
    std::string m_documentFile;
    mutable std::string m_workingFile;
    std::string m_status;
    std::function<std::string()> m_newWorkingFile;
    std::function<void(const StoreResult&)> m_onStore;
    std::function<void(const std::string&)> m_onStatus;
};

} // namespace tavril
