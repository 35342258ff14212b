#include "DefaultFileFormat.h"

#include "SettingsStore.h"
#include "SoundFormat.h"

namespace tavril {

int32_t SoundFormatFromDefaultIndex(int index)
{
    switch (index) {
    case 0: return kFormatWav;
    case 1: return kFormatAiff;
    case 2: return kFormatSig;
    default: return kFormatUnknown;
    }
}

int DefaultIndexFromSoundFormat(int32_t format)
{
    switch (format) {
    case kFormatWav: return 0;
    case kFormatAiff: return 1;
    case kFormatSig: return 2;
    default: return -1;
    }
}

int DefaultFileFormatIndex(const std::string& settingsFile)
{
    return SettingsStore::ReadSettingInt(settingsFile, kDefaultFileFormatSection, kDefaultFileFormatKey, 0);
}

int32_t DefaultFileFormat(const std::string& settingsFile)
{
    const int32_t format = SoundFormatFromDefaultIndex(DefaultFileFormatIndex(settingsFile));
    return format == kFormatUnknown ? kFormatWav : format;
}

int SetDefaultFileFormat(int32_t format, const std::string& settingsFile)
{
    const int index = DefaultIndexFromSoundFormat(format);
    if (index < 0) return 0;
    return SettingsStore::WriteSettingInt(settingsFile, kDefaultFileFormatSection, kDefaultFileFormatKey, index) ? 1
                                                                                                                 : 0;
}

} // namespace tavril
