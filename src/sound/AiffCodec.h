#pragma once
// AiffCodec: header reading and writing of AIFF and AIFF-C files for
// CSoundFile (names ending in .aif/.aiff). Stateless and immutable, so one
// instance may serve every thread; all state lives in SoundHeader and the
// caller's CFileHandle.
//
// Files the program creates get a fixed 54-byte header (FORM, an 18-byte COMM
// chunk, SSND with offset and block size 0, samples at byte 54), big-endian
// signed integers of 8 to 32 bits. Reading also takes AIFF-C with the
// uncompressed types NONE, twos, sowt, in24, in32, 42ni, 23ni, raw, fl32 and
// fl64 (float is presented as 32-bit integers, as for WAV float). Foreign
// files keep their own chunk layout: a header rewrite patches COMM and the
// sizes where they stand.
//
// Every operation can say why it failed: the message texts below are the
// ones users and logs see; the sound layer itself shows none of them.

#include "ISoundCodec.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tavril {

class AiffCodec final : public ISoundCodec {
public:
    static constexpr uint32_t kHeaderBytes = 54;
    static constexpr uint32_t kMaxChannels = 1024;
    static constexpr double kMaxSampleRate = 50'000'000.0;
    static constexpr uint32_t kMaxBits = 32;

    // Message texts.
    static constexpr const char* kMsgPositionFailed = "Get of file position failed.";
    static constexpr const char* kMsgReadFailed = "File read failed.";
    static constexpr const char* kMsgNotAiff = "File is not AIFF file.";
    static constexpr const char* kMsgCommSeekFailed = "AIFF file common chunk seek failed.";
    static constexpr const char* kMsgCommReadFailed = "AIFF file common chunk read failed.";
    static constexpr const char* kMsgSsndSeekFailed = "AIFF file sound data chunk seek failed.";
    static constexpr const char* kMsgSamplesSeekFailed = "AIFF file samples seek failed.";
    static constexpr const char* kMsgAiffPositionFailed = "Get of AIFF file position failed.";
    static constexpr const char* kMsgChunkSeekFailed = "AIFF file seek failed.";
    static constexpr const char* kMsgChunkReadFailed = "AIFF file read failed.";
    static constexpr const char* kMsgCommWriteFailed = "AIFF file common chunk write failed.";
    static constexpr const char* kMsgSsndWriteFailed = "AIFF file sound data chunk write failed.";
    static constexpr const char* kMsgWriteFailed = "AIFF file write failed.";
    static constexpr const char* kMsgSamplesReadFailed = "AIFF samples read failed.";
    static constexpr const char* kMsgSamplesWriteFailed = "AIFF samples write failed.";
    static constexpr const char* kMsgReadSampleSize = "AIFF read sample size must be no more than 16 bits";
    static constexpr const char* kMsgWriteSampleSize = "AIFF write sample size must be no more than 16 bit";
    // Conditions the classic reader did not check.
    static constexpr const char* kMsgBadFormat = "AIFF file common chunk gives no channels or no valid sample rate.";
    static constexpr const char* kMsgCompressed = "AIFF-C file is compressed; only uncompressed AIFF-C can be read.";

    // ISoundCodec; the message-less forms drop the reason.
    int ReadHeader(CFileHandle& file, SoundHeader& header) const override;
    SoundHeader NewHeader(double sampleRate, uint32_t channels, uint32_t bits) const override;
    int WriteHeader(CFileHandle& file, SoundHeader& header) const override;
    int RewriteHeader(CFileHandle& file, SoundHeader& header) const override;
    void AdoptWidth(SoundHeader& header, uint32_t bits) const override;
    bool SupportsWidth(uint32_t bits) const override { return bits >= 1 && bits <= kMaxBits; }

    // The same, with the reason for a failure in `message` (left empty on
    // success). `header` is untouched when ReadHeader fails.
    int ReadHeader(CFileHandle& file, SoundHeader& header, std::string& message) const;
    int WriteHeader(CFileHandle& file, SoundHeader& header, std::string& message) const;
    int RewriteHeader(CFileHandle& file, SoundHeader& header, std::string& message) const;

    // Sample I/O at the file's current position in the header's disk layout,
    // converted to and from the memory model. CSoundFile moves samples itself;
    // these serve callers that work on a bare handle. Return "" or a message.
    static std::string ReadSamples(CFileHandle& file, const SoundHeader& header, size_t samples, void* buffer);
    static std::string WriteSamples(CFileHandle& file, const SoundHeader& header, size_t samples,
                                    const void* buffer);

    // Locates a chunk by id among the chunks after the 12-byte FORM header.
    // Odd-sized chunks are followed by a pad byte; for writers that left it
    // out, the unpadded offset is taken when only it starts a chunk. The walk
    // is bounded by the file size.
    struct Chunk {
        uint64_t headerOffset = 0;  // where the 8-byte chunk header starts
        uint64_t bodyOffset = 0;
        uint32_t size = 0;
    };
    static std::optional<Chunk> FindChunk(CFileHandle& file, const char id[4], std::string& message);

    // 80-bit IEEE 754 extended (big-endian: sign and 15-bit exponent biased by
    // 16383, 64-bit mantissa with explicit integer bit) to and from double.
    static double ExtendedToDouble(const unsigned char bytes[10]);
    static void DoubleToExtended(double value, unsigned char bytes[10]);
};

} // namespace tavril
