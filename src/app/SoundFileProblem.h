#pragma once
// SoundFileProblem: after the sound library has refused a file, a look at
// its first chunks that tells the user in one sentence what is wrong with
// it. Reads a bounded number of chunk headers; never the samples. Any thread.

#include <string>

namespace tavril {

// "It has no fmt chunk.", "Its data ends before its stated size ...",
// "Its sample format is unknown ...", "It is not a sound file at all." or,
// when none of these is found, an empty string.
std::string DescribeSoundFileProblem(const std::string& path);

} // namespace tavril
