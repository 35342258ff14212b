#pragma once
// WavCodec: header reading and writing of RIFF WAVE files (also RIFX and RF64
// for reading and in-place updates). Stateless; see ISoundCodec.
//
// Files the program creates get a fixed 46-byte header (18-byte fmt chunk,
// data at byte 46). Foreign files keep their own chunk layout: a header
// rewrite patches sizes and format fields where they stand.

#include "ISoundCodec.h"

#include <cstdint>
#include <optional>

namespace tavril {

class WavCodec final : public ISoundCodec {
public:
    static constexpr uint32_t kHeaderBytes = 46;

    int ReadHeader(CFileHandle& file, SoundHeader& header) const override;
    SoundHeader NewHeader(double sampleRate, uint32_t channels, uint32_t bits) const override;
    int WriteHeader(CFileHandle& file, SoundHeader& header) const override;
    int RewriteHeader(CFileHandle& file, SoundHeader& header) const override;
    void AdoptWidth(SoundHeader& header, uint32_t bits) const override;
    bool SupportsWidth(uint32_t bits) const override;

    // Locates a chunk by id among the chunks after the 12-byte RIFF header.
    // Returns the offset of its body and its size. Honours the pad byte after
    // odd-sized chunks, and walks once more without it for writers that left
    // it out. The walk is bounded by the file size.
    struct Chunk {
        uint64_t bodyOffset = 0;
        uint32_t size = 0;
    };
    static std::optional<Chunk> FindChunk(CFileHandle& file, const char id[4], bool bigEndian);

    // Limits that keep absurd headers from reaching allocation or arithmetic.
    static constexpr uint32_t kMaxChannels = 1024;
    static constexpr double kMaxSampleRate = 50'000'000.0;
};

} // namespace tavril
