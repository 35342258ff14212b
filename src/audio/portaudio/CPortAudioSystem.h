#pragma once
// CPortAudioSystem: PortAudio initialised for the life of the object, with
// ALSA's and JACK's diagnostics kept off stderr (they report every probe of
// an absent card, which users would read as errors). Create one in main()
// before any PortAudio backend and destroy it after them.
// Threading: construct and destroy on one thread.

#include "PcmFormat.h"

#include <string>

namespace tavril {

class CPortAudioSystem {
public:
    CPortAudioSystem();
    ~CPortAudioSystem();
    CPortAudioSystem(const CPortAudioSystem&) = delete;
    CPortAudioSystem& operator=(const CPortAudioSystem&) = delete;

    bool IsReady() const { return m_ready; }
    const std::string& InitError() const { return m_error; }

    // PortAudio's text for an error code, with the host's own text when
    // PortAudio only says the host failed.
    static std::string ErrorText(int paError);

    // Whether the default input (or output) device takes `format`; a query
    // that opens nothing, for the start-up probe.
    bool DefaultDeviceTakes(bool input, const PcmFormat& format) const;
    // The name of the default output device; "" when there is none.
    std::string DefaultOutputName() const;

private:
    bool m_ready = false;
    std::string m_error;
};

// Sends stderr to /dev/null while it lives: PortAudio's host probes print
// straight to the descriptor.
class CQuietStderr {
public:
    CQuietStderr();
    ~CQuietStderr();
    CQuietStderr(const CQuietStderr&) = delete;
    CQuietStderr& operator=(const CQuietStderr&) = delete;

private:
    int m_saved = -1;
};

} // namespace tavril
