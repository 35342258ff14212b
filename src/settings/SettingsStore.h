#pragma once
// SettingsStore: typed reads and writes of single values in a sectioned
// key=value text file (the default settings file, ".set" and ".dsp" files).
//
// Stateless: every call reads or rewrites the file it names. The empty path
// means the default settings file, $XDG_CONFIG_HOME/tavril/tavril.ini (or
// ~/.config/tavril/tavril.ini). Section and key names compare without regard
// to case. Every write replaces the file atomically (write beside, rename).
// Calls may come from any thread, but two writers of one file at once are the
// caller's problem (the program writes settings from the UI thread only).

#include <string>

namespace tavril {

class SettingsStore {
public:
    static int WriteSettingString(const std::string& file, const std::string& section, const std::string& key,
                                  const std::string& value);
    static int WriteSettingInt(const std::string& file, const std::string& section, const std::string& key,
                               int value);
    static int WriteSettingLong(const std::string& file, const std::string& section, const std::string& key,
                                long value);
    static int WriteSettingFloat(const std::string& file, const std::string& section, const std::string& key,
                                 float value);

    static std::string ReadSettingString(const std::string& file, const std::string& section,
                                         const std::string& key, const std::string& defaultValue);
    static int ReadSettingInt(const std::string& file, const std::string& section, const std::string& key,
                              int defaultValue);
    static long ReadSettingLong(const std::string& file, const std::string& section, const std::string& key,
                                long defaultValue);
    static float ReadSettingFloat(const std::string& file, const std::string& section, const std::string& key,
                                  float defaultValue);

    // Full path of the default settings file (not created by this call).
    static std::string DefaultSettingsPath();
    // Whether the file the path names (empty: the default one) exists.
    static bool Exists(const std::string& file);
};

} // namespace tavril
