#pragma once
// The input side of a sound system, as the device layer sees it: a list of
// capture devices, and streams opened on one of them that call a sink for
// every filled buffer. Implementations: PortAudio (real cards) and
// CFileInputBackend (a WAV file delivered as a live device).
//
// Ownership: the backend outlives every stream it opened; a stream is closed
// at the latest by its destructor. Threading: enumeration, Open, Start, Stop
// and Close are called from one controlling thread; the sink is called on the
// backend's capture thread.

#include "PcmFormat.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavril {

struct AudioDeviceInfo {
    std::string name;       // as the sound system names it; "" for an unusable entry
    uint32_t channels = 0;  // most input channels the device offers
};

// Receives the captured sound. Called on the capture thread, one buffer at a
// time (never concurrently with itself); `data` holds `frames` interleaved
// frames in the opened format and is valid only during the call. The sink must
// not allocate, lock or do file I/O.
class IAudioCaptureSink {
public:
    virtual ~IAudioCaptureSink() = default;
    virtual void OnCapture(const void* data, uint32_t frames) = 0;
};

// One open capture. Calls return 1 for success and 0 for failure; ErrorText
// then holds the sound system's text for the failure.
class IAudioInputStream {
public:
    virtual ~IAudioInputStream() = default;
    virtual int Start() = 0;
    // When Stop returns, no call of the sink is running or will start.
    virtual int Stop() = 0;
    virtual int Close() = 0;
    virtual std::string ErrorText() const = 0;
};

class IAudioInputBackend {
public:
    virtual ~IAudioInputBackend() = default;
    // Capture devices in the sound system's order; the position is the index
    // Open takes.
    virtual std::vector<AudioDeviceInfo> EnumerateDevices() = 0;
    // Whether the default input device accepts `format`; opens nothing (the
    // start-up probe).
    virtual bool IsFormatSupported(const PcmFormat& format) = 0;
    // Opens device `deviceIndex` at `format`, delivering `framesPerBuffer`
    // frames per call, with about `bufferCount` buffers of latency. Returns
    // null on failure with the sound system's text in `errorText`.
    virtual std::unique_ptr<IAudioInputStream> Open(uint32_t deviceIndex, const PcmFormat& format,
                                                    uint32_t framesPerBuffer, uint32_t bufferCount,
                                                    IAudioCaptureSink& sink, std::string& errorText) = 0;
};

} // namespace tavril
