#pragma once
// The codec that does header I/O for a format code, or nullptr when the
// format has none (SIG, SND, MSL and unknown names are converted, not opened).
// The codecs are immutable singletons created on first use; safe from any thread.

#include "ISoundCodec.h"

#include <cstdint>

namespace tavril {

const ISoundCodec* CodecForFormat(int32_t format);

} // namespace tavril
