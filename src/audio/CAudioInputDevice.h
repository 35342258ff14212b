#pragma once
// CAudioInputDevice: one sound input device shared by the recorders that
// listen to it. The first Attach opens and starts it at the listener's format
// (later listeners share that format), every filled buffer goes to each
// listener on the capture thread, and the last Detach closes it. It also
// counts frames and buffers, tracks the input level and applies the priority
// level used while recording.
//
// Buffers: n frames each, n the smallest power of two from 128 holding at
// least 5 ms (at most 2048), and enough of them for about half a second (at
// least 5, at most 100). They are allocated once per opening and recycled;
// the capture path allocates nothing and takes no lock.
//
// Ownership: owned by CAudioInputDeviceList; it does not own its listeners,
// the backend, the clock or the priority control, which outlive it.
// Threading: Attach, Detach, SetPriorityLevel and the level enable/reset are
// called on one controlling thread (the user-interface thread); the getters
// may be called from any thread, including a listener on the capture thread.

#include "AudioErrors.h"
#include "IAudioInputBackend.h"
#include "IAudioInputListener.h"
#include "IClock.h"
#include "IPriorityControl.h"
#include "PcmFormat.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tavril {

class CAudioInputDevice : private IAudioCaptureSink {
public:
    static constexpr size_t kMaxListeners = 32;
    static constexpr int kMaxBuffers = 100;

    CAudioInputDevice(IAudioInputBackend& backend, IClock& clock, uint32_t deviceIndex,
                      const AudioDeviceInfo& info, IPriorityControl* priority = nullptr);
    ~CAudioInputDevice() override;
    CAudioInputDevice(const CAudioInputDevice&) = delete;
    CAudioInputDevice& operator=(const CAudioInputDevice&) = delete;

    // Buffer size and count for a rate in Hz (see the class comment).
    static void ChooseBufferSize(double sampleRate, uint32_t& framesPerBuffer, uint32_t& bufferCount);

    // On a running device `format` receives the device's format and the
    // listener is added; otherwise the device opens at `format` and starts.
    // Returns 0 (reporting any sound-system error) when it cannot open.
    int Attach(IAudioInputListener* listener, PcmFormat& format, const std::string& captureName);
    // Removes the listener; when it returns the listener is not called again.
    // The device closes with its last listener.
    int Detach(IAudioInputListener* listener);

    // Receives "Sound I/O Error: ..." messages (open, start and close
    // failures); without one they are only kept for LastError.
    void SetErrorReporter(std::function<void(const std::string&)> reporter);
    const std::string& LastError() const { return m_lastError; }

    const std::string& GetName() const { return m_info.name; }
    uint32_t GetChannelCount() const { return m_info.channels; }
    uint32_t GetDeviceIndex() const { return m_deviceIndex; }
    const std::string& GetCaptureName() const { return m_captureName; }

    // Estimated clock time (ms) of the first frame of the buffer being
    // delivered, or of the start right after Attach.
    uint32_t GetBufferStartTimeMs() const { return m_bufferStartMs.load(std::memory_order_acquire); }
    uint32_t GetSampleRate() const { return m_sampleRate.load(std::memory_order_acquire); }
    void CopyFormat(PcmFormat& out) const;
    uint32_t GetTotalFrames() const { return m_totalFrames.load(std::memory_order_acquire); }
    uint32_t GetCurrentBufferPosition() const { return m_bufferPosition.load(std::memory_order_acquire); }
    // Number the next filled buffer gets; starts at 1 and survives reopening.
    uint32_t GetSequenceCounter() const { return m_sequence.load(std::memory_order_acquire); }
    uint32_t GetBufferDurationMs() const { return m_bufferDurationMs.load(std::memory_order_acquire); }
    uint32_t GetFramesPerBuffer() const { return m_framesPerBuffer; }
    int GetAllocatedBuffers() const { return static_cast<int>(m_bufferCount); }
    bool IsOpen() const { return m_stream != nullptr; }
    bool IsRunning() const { return m_running.load(std::memory_order_acquire); }
    size_t GetListenerCount() const;

    // Level meter: minimum and maximum sample since the last reset, as
    // fractions of full scale; with no sample since then, the previous
    // period's values.
    void EnableLevel(bool enable);
    void ReadLevel(double& minimum, double& maximum) const;
    void ResetLevel();

    // Applies level 0..2 through the priority control unless it is the level
    // this device set last. Returns 0 with the reason in `whyNot` when the
    // system refused.
    int SetPriorityLevel(int level, std::string& whyNot);
    int GetPriorityLevel() const { return m_priorityLevel; }

private:
    void OnCapture(const void* data, uint32_t frames) override;
    int Open(const PcmFormat& format, const std::string& captureName, uint32_t framesPerBuffer,
             uint32_t bufferCount);
    int Close();
    void Report(const std::string& systemText);
    void WaitForCaptureToLeave();
    void TrackLevel(const unsigned char* data, uint32_t samples);

    IAudioInputBackend& m_backend;
    IClock& m_clock;
    IPriorityControl* m_priority;
    uint32_t m_deviceIndex;
    AudioDeviceInfo m_info;
    std::string m_captureName;
    std::string m_lastError;
    std::function<void(const std::string&)> m_reporter;
    int m_priorityLevel = 0;

    std::unique_ptr<IAudioInputStream> m_stream;
    PcmFormat m_format;
    uint32_t m_framesPerBuffer = 0;
    uint32_t m_bufferBytes = 0;
    uint32_t m_bufferCount = 0;
    // m_bufferCount buffers of m_bufferBytes, used in turn; each listener
    // gets the capture copied afresh into the current one.
    std::vector<unsigned char> m_ring;
    uint32_t m_ringSlot = 0;  // capture thread only

    std::array<std::atomic<IAudioInputListener*>, kMaxListeners> m_listeners{};
    std::atomic<uint32_t> m_captureEpoch{0};  // odd while the capture path runs
    std::atomic<bool> m_running{false};
    std::atomic<uint32_t> m_sampleRate{0};
    std::atomic<uint32_t> m_bufferDurationMs{0};
    std::atomic<uint32_t> m_bufferStartMs{0};
    std::atomic<uint32_t> m_totalFrames{0};
    std::atomic<uint32_t> m_bufferPosition{0};
    std::atomic<uint32_t> m_sequence{1};
    std::atomic<bool> m_levelEnabled{false};
    std::atomic<int32_t> m_levelMin{60000};
    std::atomic<int32_t> m_levelMax{-60000};
    std::atomic<int32_t> m_lastMin{0};
    std::atomic<int32_t> m_lastMax{0};
};

} // namespace tavril
