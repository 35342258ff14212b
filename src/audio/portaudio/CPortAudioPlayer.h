#pragma once
// CPortAudioPlayer: plays a WAV file through the default output device. The
// file is streamed from disk (CBlockStreamer) at its own sample format, so
// the samples reach the device unchanged; a speed other than 1 opens the
// device at the file's rate times the speed.
//
// Ownership: the PortAudio system outlives the player. Threading: as
// ISoundPlayer; PortAudio's callback only copies from the streamer's ring.

#include "CBlockStreamer.h"
#include "CPortAudioSystem.h"
#include "ISoundPlayer.h"

#include <atomic>
#include <memory>
#include <mutex>

struct PaStreamCallbackTimeInfo;

namespace tavril {

class CPortAudioPlayer final : public ISoundPlayer {
public:
    explicit CPortAudioPlayer(CPortAudioSystem& system);
    ~CPortAudioPlayer() override;

    int PlayAsync(const PlayRequest& request) override;
    int PlaySync(const PlayRequest& request) override;
    void Stop() override;
    bool IsPlaying() const override;
    int64_t PlayPositionFrames() const override;
    bool IsFormatSupported(const PcmFormat& format) override;
    std::string ErrorText() const override;

    // The default output device's name, or "" without one.
    std::string DefaultOutputName() const;

private:
    static int Callback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                        unsigned long, void* user);
    static void Finished(void* user);
    void StopLocked();

    CPortAudioSystem& m_system;
    mutable std::mutex m_control;  // Play and Stop; never taken by the callback
    void* m_stream = nullptr;
    CBlockStreamer m_streamer;
    std::atomic<bool> m_playing{false};
    std::atomic<bool> m_drained{false};
    std::atomic<uint32_t> m_latencyFrames{0};  // between a pulled frame and the ear
    std::string m_error;
};

} // namespace tavril
