#pragma once
// SettingsStore: typed reads and writes of single values in a sectioned
// key=value text file (the default settings file, ".set" and ".dsp" files).
//
// Stateless: every call reads or rewrites the file it names. The empty path
// means the default settings file, $XDG_CONFIG_HOME/tavril/tavril.ini (or
// ~/.config/tavril/tavril.ini), whose folder the first write creates. Section
// and key names compare without regard to case; lines the store does not own
// (comments, other sections) are kept byte for byte. Every write replaces the
// file atomically (write beside, flush, rename) and a failed write returns 0
// with the old file untouched. Writers of one folder are serialised with a
// lock on that folder, so two instances saving at once lose no key. Calls may
// come from any thread.
//
// Reads: a missing file, section or key gives the default; values are cut to
// 999 bytes (never inside a UTF-8 character). Writes: 1 on success, 0 when the
// file could not be replaced or when a name or value would not read back as
// written (line breaks, a key holding '=').

#include <cstddef>
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

    // The text a float is stored as: "%f" of the value widened to double
    // (six decimals, never an exponent), whatever the process locale.
    static std::string FormatFloat(float value);

    // Files larger than this are not settings files: reads treat them as
    // missing and writes refuse to replace them.
    static constexpr std::size_t kMaxFileBytes = std::size_t(16) << 20;
};

} // namespace tavril
