#pragma once
// CNullSoundPlayer: a player without a sound card. It opens and reads the file
// as the real player does (so a missing or unreadable file fails the same
// way, and the first block is read before PlayAsync returns), records every
// request, and lets playback last the sound's duration at the requested speed
// by the injected clock. Tests and the command line use it where no output
// device exists. Threading: as ISoundPlayer.

#include "IClock.h"
#include "ISoundPlayer.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace tavril {

class CNullSoundPlayer final : public ISoundPlayer {
public:
    struct Played {
        PlayRequest request;
        uint32_t startMs = 0;        // clock time the playback started
        uint32_t frames = 0;         // frames the range holds
        double sampleRate = 0;       // the file's rate
        uint32_t firstBlockFrames = 0;  // frames read for the first block
        bool synchronous = false;
    };

    explicit CNullSoundPlayer(IClock& clock);

    int PlayAsync(const PlayRequest& request) override;
    int PlaySync(const PlayRequest& request) override;
    void Stop() override;
    bool IsPlaying() const override;
    int64_t PlayPositionFrames() const override;
    bool IsFormatSupported(const PcmFormat& format) override;
    std::string ErrorText() const override;

    std::vector<Played> History() const;
    // Number of Stop calls that stopped a sounding playback.
    int StopsWhilePlaying() const;
    // The playback's duration in ms at its speed.
    static uint32_t DurationMs(const Played& played);

private:
    int Start(const PlayRequest& request, bool synchronous);

    IClock& m_clock;
    mutable std::mutex m_mutex;
    std::vector<Played> m_history;
    bool m_active = false;
    int m_stopsWhilePlaying = 0;
    std::string m_error;
};

} // namespace tavril
