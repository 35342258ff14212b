#pragma once
// IAudioInputListener: what a recorder implements to receive sound from a
// CAudioInputDevice it attached to.
//
// Threading: called on the capture thread, once per filled buffer, in attach
// order. It must not allocate, lock, do file I/O, or call Attach/Detach.

#include <cstdint>

namespace tavril {

class CAudioInputDevice;

class IAudioInputListener {
public:
    virtual ~IAudioInputListener() = default;
    // `data` holds `frames` interleaved frames in the device's format
    // (CAudioInputDevice::CopyFormat). The listener may rewrite them in place
    // (decimation) but must not keep the pointer after it returns. Each
    // listener receives the samples as captured, whatever an earlier listener
    // did to its copy.
    virtual void OnInputBuffer(uint32_t frames, void* data, CAudioInputDevice& device) = 0;
};

} // namespace tavril
