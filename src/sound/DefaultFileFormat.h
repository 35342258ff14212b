#pragma once
// The "Default File Format" setting: the format assumed for files whose name
// has no known extension, both when a document makes its working copy and
// when it saves. Stored in section "Default File Format", key "format type",
// as the radio index of its dialog (0 WAV, 1 AIFF, 2 SIG). Stateless free
// functions over SettingsStore; "" names the default settings file.

#include <cstdint>
#include <string>

namespace tavril {

inline constexpr const char* kDefaultFileFormatSection = "Default File Format";
inline constexpr const char* kDefaultFileFormatKey = "format type";

// Radio index to SoundFormat: 0 -> WAV (0), 1 -> AIFF (4), 2 -> SIG (1);
// any other index gives -1. And back (-1 for formats without a button).
int32_t SoundFormatFromDefaultIndex(int index);
int DefaultIndexFromSoundFormat(int32_t format);

// The stored radio index (0 when missing).
int DefaultFileFormatIndex(const std::string& settingsFile = "");
// The stored choice as a SoundFormat. An index no dialog could have written
// (a hand-edited file) counts as missing, so the answer is always a format
// a file can be written in.
int32_t DefaultFileFormat(const std::string& settingsFile = "");

// Stores a choice; returns 1, or 0 for a format without a button or a
// failed write.
int SetDefaultFileFormat(int32_t format, const std::string& settingsFile = "");

} // namespace tavril
