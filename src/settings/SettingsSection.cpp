#include "SettingsSection.h"

#include "SettingsStore.h"

namespace tavril::settings_detail {

using S = SettingsStore;

int WriteKey(const std::string& file, const std::string& section, const char* key, int value)
{
    return S::WriteSettingInt(file, section, key, value);
}

int WriteKey(const std::string& file, const std::string& section, const char* key, long value)
{
    return S::WriteSettingLong(file, section, key, value);
}

int WriteKey(const std::string& file, const std::string& section, const char* key, bool value)
{
    return S::WriteSettingInt(file, section, key, value ? 1 : 0);
}

int WriteKey(const std::string& file, const std::string& section, const char* key, float value)
{
    return S::WriteSettingFloat(file, section, key, value);
}

int WriteKey(const std::string& file, const std::string& section, const char* key, double value)
{
    // The store has one real type; doubles keep what a float holds.
    return S::WriteSettingFloat(file, section, key, static_cast<float>(value));
}

int WriteKey(const std::string& file, const std::string& section, const char* key, const std::string& value)
{
    return S::WriteSettingString(file, section, key, value);
}

void ReadKey(const std::string& file, const std::string& section, const char* key, int& value)
{
    value = S::ReadSettingInt(file, section, key, value);
}

void ReadKey(const std::string& file, const std::string& section, const char* key, long& value)
{
    value = S::ReadSettingLong(file, section, key, value);
}

void ReadKey(const std::string& file, const std::string& section, const char* key, bool& value)
{
    value = S::ReadSettingInt(file, section, key, value ? 1 : 0) != 0;
}

void ReadKey(const std::string& file, const std::string& section, const char* key, float& value)
{
    value = S::ReadSettingFloat(file, section, key, value);
}

void ReadKey(const std::string& file, const std::string& section, const char* key, double& value)
{
    value = S::ReadSettingFloat(file, section, key, static_cast<float>(value));
}

void ReadKey(const std::string& file, const std::string& section, const char* key, std::string& value)
{
    value = S::ReadSettingString(file, section, key, value);
}

} // namespace tavril::settings_detail
