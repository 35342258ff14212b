#pragma once
// SoundHeader: what a codec learned from (or will write to) a file header,
// plus how the samples are laid out on disk. Plain value type.
//
// The in-memory sample model is fixed for the whole program: ceil(bits / 8)
// bytes per sample, little-endian, signed except 8-bit which is unsigned with
// 128 as silence. `encoding` and `diskBytesPerSample` say how the file stores
// them, so that foreign layouts (big-endian, signed 8-bit, float, samples in a
// wider container) are converted on the fly and never reach callers raw.

#include <cstdint>

namespace tavril {

enum class SampleEncoding : uint8_t {
    PcmLE,       // integers, little-endian; 8-bit unsigned (WAV)
    PcmBE,       // integers, big-endian; 8-bit signed (AIFF)
    Pcm8Signed,  // 8-bit signed (AIFF-C "twos"/"sowt" with 8 bits)
    FloatLE,     // IEEE float, 4 or 8 bytes, little-endian
    FloatBE,     // IEEE float, 4 or 8 bytes, big-endian
};

struct SoundHeader {
    double sampleRate = 0.0;
    uint32_t channels = 0;
    uint32_t bitsPerSample = 0;      // width callers see (the in-memory model)
    uint32_t frameCount = 0;
    uint32_t dataOffset = 0;         // byte offset of the first sample
    SampleEncoding encoding = SampleEncoding::PcmLE;
    uint32_t diskBytesPerSample = 0; // bytes one sample occupies in the file

    // Where the header's fields live, so that a rewrite can update a foreign
    // file in place instead of replacing its chunk layout.
    bool canonical = true;           // the program's own fixed header layout
    uint64_t fmtOffset = 0;          // start of the format chunk body
    uint32_t fmtSize = 0;            // its declared size
    uint16_t formatTag = 1;          // WAV: 1 PCM, 3 float, 0xFFFE extensible
    bool extensible = false;         // WAV: fmt carries the extensible extension
    bool bigEndianHeader = false;    // header integers big-endian (RIFX, AIFF)
    bool rf64 = false;               // WAV: RF64 container, sizes in ds64
    uint64_t ds64Offset = 0;         // RF64: start of the ds64 chunk body
    bool aifc = false;               // AIFF: FORM type AIFC
    // WAV whose format chunk follows the samples: a copy of its body, so the
    // chunk can be written again after the data when the data grows over it.
    bool fmtAfterData = false;
    uint32_t fmtCopySize = 0;
    unsigned char fmtCopy[64] = {};
    // A chunk the format cannot move stands right after the samples (AIFF
    // COMM after SSND): the data may not grow past this offset. 0: no limit.
    uint64_t dataGrowthLimit = 0;
    uint64_t dataSizeOffset = 0;     // file offset of the data chunk's size field
    uint64_t dataEndOriginal = 0;    // end of the sample data as opened
    // The header promised more sample bytes than the file holds (a copy cut
    // short, a recorder that lost power): only the whole frames present count.
    bool truncated = false;

    uint32_t BytesPerSample() const { return (bitsPerSample + 7) / 8; }
    uint32_t BytesPerFrame() const { return channels * BytesPerSample(); }
    uint32_t DiskBytesPerFrame() const { return channels * diskBytesPerSample; }
};

} // namespace tavril
