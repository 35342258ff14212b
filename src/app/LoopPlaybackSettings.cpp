#include "LoopPlaybackSettings.h"

#include "SettingsSection.h"

namespace tavril {

namespace {

const SettingsSection<LoopPlaybackSettings>& Keys()
{
    static const SettingsSection<LoopPlaybackSettings> keys{
        {"Loop delay", &LoopPlaybackSettings::loopDelayMs},
        {"num playbacks", &LoopPlaybackSettings::numPlaybacks},
        {"limit number checked", &LoopPlaybackSettings::limitNumberChecked},
        {"playback behavior", &LoopPlaybackSettings::playbackBehavior},
        {"force loop playback mode", &LoopPlaybackSettings::forceLoopPlaybackMode},
        {"delay start position (0-start, 1-end)", &LoopPlaybackSettings::delayStartPosition},
        {"playback speed", &LoopPlaybackSettings::playbackSpeed},
    };
    return keys;
}

} // namespace

int LoopPlaybackSettings::Save(const std::string& file) const
{
    return Keys().Save(file, kSection, *this);
}

void LoopPlaybackSettings::Load(const std::string& file)
{
    Keys().Load(file, kSection, *this);
    // An edited file must not make playback silent or endless.
    if (!(playbackSpeed == 1.0 || playbackSpeed == 0.5 || playbackSpeed == 0.25 || playbackSpeed == 0.125))
        playbackSpeed = 1.0;
    if (loopDelayMs < 0)
        loopDelayMs = 0;
    if (numPlaybacks < 0)
        numPlaybacks = 0;
}

} // namespace tavril
