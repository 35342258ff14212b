#pragma once
// The one user-visible text of the audio layer: a sound-system failure as the
// user sees it, "Sound I/O Error: " and the system's text (at most 200
// characters of it).

#include <string>

namespace tavril {

std::string SoundIoErrorMessage(const std::string& systemText);

} // namespace tavril
