#pragma once
// LoopPlaybackSettings: how loop playback behaves and how fast sounds play,
// edited in the "Loop Playback Mode" dialog and kept in the settings file's
// "Loop Playback Settings" section.
//
// Ownership: one record, owned by the main frame. Threading: UI thread.

#include <string>

namespace tavril {

struct LoopPlaybackSettings {
    static constexpr const char* kSection = "Loop Playback Settings";

    int loopDelayMs = 0;             // between playbacks
    int numPlaybacks = 0;            // when limited
    bool limitNumberChecked = false; // stop after numPlaybacks playbacks
    int playbackBehavior = 1;        // 0 follows window selections, 1 fixed to the window loop play started in
    bool forceLoopPlaybackMode = false;  // the play command starts loop playback
    int delayStartPosition = 1;      // the delay counts from the sound's 0 start, 1 end
    double playbackSpeed = 1.0;      // 1, 0.5, 0.25 or 0.125: slower plays lower and longer

    int Save(const std::string& file) const;
    void Load(const std::string& file);
};

} // namespace tavril
