#include "SoundCodecs.h"

#include "AiffCodec.h"
#include "SoundFormat.h"
#include "WavCodec.h"

namespace tavril {

const ISoundCodec* CodecForFormat(int32_t format)
{
    static const WavCodec wav;
    static const AiffCodec aiff;
    switch (format) {
    case kFormatWav: return &wav;
    case kFormatAiff: return &aiff;
    default: return nullptr;
    }
}

const char* SoundFormatName(int32_t format)
{
    switch (format) {
    case kFormatWav: return "WAV";
    case kFormatSig: return "SIG";
    case kFormatSnd: return "SND";
    case kFormatMsl: return "MSL";
    case kFormatAiff: return "AIFF";
    case kFormatMeta: return "metafile";
    default: return "unknown";
    }
}

} // namespace tavril
