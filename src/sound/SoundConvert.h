#pragma once
// The edit engine's conversions between sound file formats (WAV, AIFF, SIG,
// SND), used when a document makes its WAV working copy of a file and when it
// saves the working copy back. Stateless free functions; each call works on
// the files it names and may run on any thread (two calls must not write the
// same target at once).
//
// Every conversion writes a temporary file beside the target and renames it
// over the target only when the whole conversion succeeded, so a failure
// never leaves a half-written file where a good one was; a cancelled one
// leaves the target as it was, or absent when there was none.

#include <cstdint>
#include <functional>
#include <string>

namespace tavril {

// Converts `source` (of format `sourceFormat`) into `target` as `targetFormat`
// (SoundFormat codes). Equal formats copy the file (nothing to do when the
// names are equal); SIG, SND and AIFF convert to WAV and WAV to each of them;
// every other pair fails. After a conversion the target must open as a sound.
// Returns 1 on success, 0 on failure.
int ConvertFile(const std::string& source, const std::string& target, int32_t sourceFormat, int32_t targetFormat);

// The same, saying why a conversion failed in `message`. On success it is
// empty, or kConvertClipped when float samples beyond full scale had to be
// limited to full scale (the target holds integers).
int ConvertFile(const std::string& source, const std::string& target, int32_t sourceFormat, int32_t targetFormat,
                std::string& message);

// Told the fraction of a conversion done (0 ... 1); false cancels it.
using ConvertProgress = std::function<bool(double fraction)>;

// The message of a conversion stopped by its progress hook.
constexpr const char* kConvertCancelled = "the conversion was cancelled";
constexpr const char* kConvertClipped = "samples beyond full scale were limited to full scale";

// The same, telling `progress` (when set) after every block how far it got:
// strictly increasing fractions that end at 1 when it succeeds. When the hook
// returns false the conversion stops, its temporary file is removed, nothing
// is renamed over the target, and the call returns 0 with kConvertCancelled.
int ConvertFile(const std::string& source, const std::string& target, int32_t sourceFormat, int32_t targetFormat,
                std::string& message, const ConvertProgress& progress);

// The engine's format of a file name: the SoundFormat of its extension, with
// metafile names (TXT, SER) and unknown extensions giving -1 so that the
// caller falls back to the default file format.
int32_t EngineFormatFromName(const std::string& name);
// The format an existing file is read as: WAV or AIFF when its first bytes
// say so, else as EngineFormatFromName. Names decide only what is written.
int32_t SourceFormat(const std::string& path);

} // namespace tavril
