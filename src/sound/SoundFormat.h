#pragma once
// Format codes of sound files, chosen from the file name's extension.

#include <cstdint>

namespace tavril {

enum SoundFormat : int32_t {
    kFormatUnknown = -1,
    kFormatWav = 0,   // WAV, TMP
    kFormatSig = 1,   // SIG (converted, never opened directly)
    kFormatSnd = 2,   // ATL, SND (converted)
    kFormatMsl = 3,   // MSL (no codec)
    kFormatAiff = 4,  // AIF, AIFF
    kFormatMeta = 5,  // TXT, SER metafiles
};

const char* SoundFormatName(int32_t format);

} // namespace tavril
