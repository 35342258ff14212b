#pragma once
// Whole-file text writes and bounded reads for the annotation library. A
// write goes to a file beside the target and is renamed over it, so a crash
// leaves either the old or the new file, never a half-written one. Free
// functions, any thread.

#include <cstddef>
#include <string>
#include <vector>

namespace tavril {

// Text files this library reads are smaller than this; larger ones are refused.
inline constexpr std::size_t kMaxTextFileBytes = std::size_t(256) << 20;

// Returns true and the bytes of the file, or false with the system's message.
bool ReadTextFileBytes(const std::string& path, std::string& bytes, std::string& error);
// Replaces (or creates) `path` with `bytes`; returns false with a message.
bool WriteTextFileAtomically(const std::string& path, const std::string& bytes, std::string& error);
// Splits at LF, CR LF or lone CR; a final line without a terminator counts,
// an empty last piece after a final terminator does not.
void SplitLines(const std::string& text, std::vector<std::string>& lines);

} // namespace tavril
