#pragma once
// SoundFileList: the open windows as a text list of sound files, one path a
// line ending in CR LF, and the reading of such a list. Stateless functions;
// any thread.

#include <string>
#include <vector>

namespace tavril {

// Writes the list whole or leaves an existing file untouched; false when it
// cannot be written.
bool WriteSoundFileList(const std::string& path, const std::vector<std::string>& sounds);

// The names of a list, blank lines skipped and surrounding blanks trimmed;
// names without a folder are taken beside the list. Reads at most 100000
// lines, so a huge file that is no list ends quickly.
std::vector<std::string> ReadSoundFileList(const std::string& path);

} // namespace tavril
