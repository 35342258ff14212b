#pragma once
// ISoundPlayer: plays a WAV file from disk, whole or a range of it, at a
// chosen speed, asynchronously (returns at once) or synchronously (returns
// when it has played), and can be stopped. Every playback plays a file on
// disk; the player streams it in blocks, so a long file starts at once.
// Implementations: CPortAudioPlayer (the default output device) and
// CNullSoundPlayer (plays nothing, records what it was asked to play).
//
// Ownership: the player reads the file while it plays; callers give it a file
// that stays unchanged until the playback ends or Stop returns.
// Threading: every method is called from one controlling thread except
// IsPlaying and PlayPositionFrames, which any thread may call.

#include "PcmFormat.h"

#include <cstdint>
#include <string>

namespace tavril {

struct PlayRequest {
    std::string path;
    uint32_t startFrame = 0;            // first frame played
    uint32_t endFrame = UINT32_MAX;     // one past the last frame; clipped to the file's end
    double speed = 1.0;                 // 0.5 plays at half the rate: twice as long, an octave lower
};

class ISoundPlayer {
public:
    virtual ~ISoundPlayer() = default;
    // Stops whatever plays, then starts `request`. Return 1 when playback
    // started, 0 on failure (ErrorText tells why).
    virtual int PlayAsync(const PlayRequest& request) = 0;
    // As PlayAsync, then waits until the playback ended or Stop was called
    // (from another thread or a signal handler's helper).
    virtual int PlaySync(const PlayRequest& request) = 0;
    // Stops any playback; returns when the file is no longer read.
    virtual void Stop() = 0;
    virtual bool IsPlaying() const = 0;
    // The frame of the file now sounding, or -1 when nothing plays.
    virtual int64_t PlayPositionFrames() const = 0;
    // Whether the default output accepts `format`; opens nothing (the
    // start-up probe).
    virtual bool IsFormatSupported(const PcmFormat& format) = 0;
    virtual std::string ErrorText() const = 0;
};

} // namespace tavril
