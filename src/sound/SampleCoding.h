#pragma once
// Conversions between the in-memory sample model and the layouts files use,
// and between sample widths. Stateless free functions, safe from any thread.

#include "SoundHeader.h"

#include <cstddef>
#include <cstdint>

namespace tavril {

// Decodes `samples` samples stored as `encoding` with `diskBytes` bytes each
// into the memory model at `memBytes` bytes per sample. Integer samples in a
// wider container keep their top bytes; float samples are scaled by 2^(8*memBytes-1)
// and clamped. Returns false for a combination it cannot do.
bool DecodeSamples(const void* disk, SampleEncoding encoding, uint32_t diskBytes,
                   void* mem, uint32_t memBytes, size_t samples);

// The inverse of DecodeSamples.
bool EncodeSamples(const void* mem, uint32_t memBytes, void* disk,
                   SampleEncoding encoding, uint32_t diskBytes, size_t samples);

// Whether any of `samples` float samples lies beyond full scale (|x| > 1);
// false for integer encodings.
bool AnyBeyondFullScale(const void* disk, SampleEncoding encoding, uint32_t diskBytes, size_t samples);

// True when the disk layout equals the memory model byte for byte.
bool IsNativeLayout(SampleEncoding encoding, uint32_t diskBytes, uint32_t memBytes);

// Width conversion through a double in [-1, 1), truncated toward zero, without
// clipping. 24-bit results are the top three bytes of the truncated 32-bit
// value, so a negative value between two 24-bit steps goes to the lower one. Widths are in bits; samples of ceil(bits / 8) bytes of 1, 2, 3, 4
// or 8. Returns 1 on success, 0 for an unsupported width. src and dst must
// not overlap unless the widths are equal.
int ConvertSampleWidth(const void* src, uint32_t srcBits, void* dst, uint32_t dstBits, size_t samples);

// Rearranges n interleaved frames into channel blocks (channel 0 first) and back.
void Deinterleave(void* frames, uint32_t n, uint32_t channels, uint32_t bytesPerSample);
void Interleave(void* blocks, uint32_t n, uint32_t channels, uint32_t bytesPerSample);

} // namespace tavril
