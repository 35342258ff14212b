#pragma once
// CFileInputBackend: WAV files delivered as live capture devices, for tests,
// demonstrations and replaying a recording as if it were live. Each device
// added plays one file; an open stream delivers its frames in the requested
// format (the file's rate; channels taken from the first ones or repeated;
// sample width converted) and, at the end, silence or the file again.
//
// Pacing:
//  - Manual: nothing runs by itself; Pump() delivers, on the caller's thread,
//    every buffer whose time has come by the injected clock. Tests use it.
//  - Clock: a capture thread delivers each buffer when its time has come by
//    the injected clock (polling it every millisecond).
//  - AsFastAsPossible: a capture thread delivers the file back to back, then
//    stops delivering.
//
// Ownership: the backend outlives its streams. Threading: AddDevice, Open and
// Pump on one controlling thread; the sink is called on the capture thread
// (the controlling thread for Manual).

#include "IAudioInputBackend.h"
#include "IClock.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tavril {

class CFileInputBackend final : public IAudioInputBackend {
public:
    enum class Pacing { Manual, Clock, AsFastAsPossible };
    enum class AtEnd { Silence, Repeat };

    CFileInputBackend(IClock& clock, Pacing pacing);
    ~CFileInputBackend() override;

    // A device named `name` that plays `wavPath`; returns its index.
    size_t AddDevice(const std::string& name, const std::string& wavPath, AtEnd atEnd = AtEnd::Silence);
    // Makes the next Open of any device fail with `errorText` (once).
    void FailNextOpen(const std::string& errorText);

    // Manual pacing: delivers every buffer due by the clock on every started
    // stream; returns the number of buffers delivered.
    uint32_t Pump();
    // Frames of the file still to be delivered by the last stream opened
    // (0 once the whole file went out).
    uint32_t RemainingFileFrames() const;

    std::vector<AudioDeviceInfo> EnumerateDevices() override;
    bool IsFormatSupported(const PcmFormat& format) override;
    std::unique_ptr<IAudioInputStream> Open(uint32_t deviceIndex, const PcmFormat& format,
                                            uint32_t framesPerBuffer, uint32_t bufferCount,
                                            IAudioCaptureSink& sink, std::string& errorText) override;

    class Stream;

private:
    friend class Stream;
    struct Device {
        std::string name;
        std::string path;
        AtEnd atEnd;
        uint32_t channels;
    };
    void Forget(Stream* stream);

    IClock& m_clock;
    Pacing m_pacing;
    std::vector<Device> m_devices;
    std::string m_failNextOpen;
    mutable std::mutex m_streamsMutex;  // controlling thread only, never the capture path
    std::vector<Stream*> m_streams;
};

} // namespace tavril
