#include "DetectorSettings.h"

#include "SettingsSection.h"

namespace tavril {

namespace {

const SettingsSection<DetectorSettings>& Keys()
{
    using S = DetectorSettings;
    static const SettingsSection<S> keys = {
        {"buffer after", &S::bufferAfterMs},
        {"buffer before", &S::bufferBeforeMs},
        {"max trigger drop time", &S::maxTriggerDropMs},
        {"min trigger event duration", &S::minTriggerEventMs},
        {"max sound duration", &S::maxSoundMs},
        {"min sound duration", &S::minSoundMs},
        {"freq min", &S::freqMinHz},
        {"freq max", &S::freqMaxHz},
        {"average duration", &S::averageMs},
        {"trigger thresh", &S::triggerThresh},
        {"store only detected sound", &S::storeOnlyDetected},
        {"apply pop filter", &S::applyPopFilter},
        {"fft size", &S::fftSizeCode},
    };
    return keys;
}

} // namespace

int DetectorSettings::Save(const std::string& file, const std::string& suffix) const
{
    return Keys().Save(file, kSection + suffix, *this);
}

void DetectorSettings::Load(const std::string& file, const std::string& suffix)
{
    Keys().Load(file, kSection + suffix, *this);
}

} // namespace tavril
