#include "PlaybackTrialSettings.h"

#include "SettingsSection.h"

namespace tavril {

namespace {
using P = PlaybackTrialSettings;
const SettingsSection<P>& Keys() {
    static const SettingsSection<P> keys{
        {"use trial trigger", &P::useTrialTrigger},
        {"begin trial on keypress", &P::beginOnKeypress},
        {"begin trial on playback", &P::beginOnPlayback},
        {"end trial on keypress", &P::endOnKeypress},
        {"end trial on timeout", &P::endOnTimeout},
        {"timeout time", &P::timeoutSecs},
        {"logfile folder", &P::logfileFolder},
        {"logfile name", &P::logfileName},
        {"soundbuf after", &P::soundbufAfterSecs},
        {"soundbuf before", &P::soundbufBeforeSecs},
        {"soundfile folder", &P::soundfileFolder},
        {"soundfile name", &P::soundfileName},
        {"store events to logfile", &P::storeEventsToLogfile},
        {"store trial audio to soundfile", &P::storeTrialAudio},
        {"timer win left", &P::timerWinLeft},
        {"timer win top", &P::timerWinTop},
        {"timer win right", &P::timerWinRight},
        {"timer win bottom", &P::timerWinBottom},
        {"log time seconds", &P::logTimeSecs},
        {"log time checked", &P::logTimeChecked},
        {"detect on at start", &P::detectOnAtStart},
        {"detect off at end", &P::detectOffAtEnd},
        {"loop playback off at end", &P::loopOffAtEnd},
        {"detector timeout", &P::detectorTimeoutSecs},
        {"loop playback timeout", &P::loopTimeoutSecs},
        {"loop playback on at start", &P::loopOnAtStart},
        {"record off at timeout", &P::recordOffAtTimeout},
        {"record on at start", &P::recordOnAtStart},
        {"record timeout", &P::recordTimeoutSecs},
        {"trial information display location", &P::displayLocation},
        {"key that begins a playback trial", &P::beginKey},
        {"key that ends a playback trial", &P::endKey},
        {"sound played at end of trial", &P::endSound},
        {"sound played at start of trial", &P::startSound},
        {"play sound at end of playback trial", &P::playEndSound},
        {"play sound at start of playback trial", &P::playStartSound},
    };
    return keys;
}
} // namespace

int PlaybackTrialSettings::Save(const std::string& file) const { return Keys().Save(file, kSection, *this); }
void PlaybackTrialSettings::Load(const std::string& file) { Keys().Load(file, kSection, *this); }

} // namespace tavril
