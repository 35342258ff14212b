#include "WavCodec.h"

#include <cmath>
#include <cstring>

namespace tavril {

namespace {

uint16_t Get16(const unsigned char* p, bool be)
{
    return be ? static_cast<uint16_t>((p[0] << 8) | p[1]) : static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Get32(const unsigned char* p, bool be)
{
    if (be)
        return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

uint64_t Get64LE(const unsigned char* p)
{
    return uint64_t(Get32(p, false)) | (uint64_t(Get32(p + 4, false)) << 32);
}

void Put16(unsigned char* p, uint16_t v, bool be)
{
    if (be) { p[0] = uint8_t(v >> 8); p[1] = uint8_t(v); }
    else { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
}

void Put32(unsigned char* p, uint32_t v, bool be)
{
    if (be) { p[0] = uint8_t(v >> 24); p[1] = uint8_t(v >> 16); p[2] = uint8_t(v >> 8); p[3] = uint8_t(v); }
    else { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); p[3] = uint8_t(v >> 24); }
}

void Put64LE(unsigned char* p, uint64_t v)
{
    Put32(p, uint32_t(v), false);
    Put32(p + 4, uint32_t(v >> 32), false);
}

// The tail shared by every WAVE_FORMAT_EXTENSIBLE sub-format GUID.
const unsigned char kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                     0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagExtensible = 0xFFFE;

} // namespace

std::optional<WavCodec::Chunk> WavCodec::FindChunk(CFileHandle& file, const char id[4], bool bigEndian)
{
    const uint64_t fileSize = file.Size();
    // The standard wants a pad byte after an odd-sized chunk; some writers
    // leave it out. Walk with the pad first, then once more without it.
    for (int padded = 1; padded >= 0; --padded) {
        uint64_t pos = 12;
        // Every step moves forward by at least 8 bytes, so the walk ends; the
        // count only guards against a pathological number of tiny chunks.
        for (int guard = 0; guard < 1'000'000 && pos + 8 <= fileSize; ++guard) {
            unsigned char h[8];
            if (file.ReadAt(pos, h, 8) != 8) break;
            const uint32_t size = Get32(h + 4, bigEndian);
            if (std::memcmp(h, id, 4) == 0) return Chunk{pos + 8, size};
            pos += 8 + uint64_t(size) + (padded ? (size & 1u) : 0u);
        }
    }
    return std::nullopt;
}

namespace {

// Whether every chunk lies inside the file, walking with or without pad
// bytes. A data chunk of size 0 or 0xFFFFFFFF (a recording whose header was
// never finished, or RF64) runs to the end of the file, and so does one that
// claims more than the file holds: the recording was cut short, and the
// frames that are there are still the user's. Any other chunk running past
// the end is damage.
bool ChunksFit(CFileHandle& file, bool bigEndian, bool padded)
{
    const uint64_t fileSize = file.Size();
    uint64_t pos = 12;
    for (int guard = 0; guard < 1'000'000 && pos + 8 <= fileSize; ++guard) {
        unsigned char h[8];
        if (file.ReadAt(pos, h, 8) != 8) return false;
        const uint32_t size = Get32(h + 4, bigEndian);
        if (std::memcmp(h, "data", 4) == 0 && (size == 0 || size == 0xFFFFFFFFu)) return true;
        const uint64_t end = pos + 8 + uint64_t(size);
        if (end > fileSize) return std::memcmp(h, "data", 4) == 0;
        pos = end + (padded ? (size & 1u) : 0u);
    }
    return true;
}

} // namespace

int WavCodec::ReadHeader(CFileHandle& file, SoundHeader& out) const
{
    const uint64_t fileSize = file.Size();
    unsigned char riff[12];
    if (fileSize < 12 || file.ReadAt(0, riff, 12) != 12) return 0;
    if (std::memcmp(riff + 8, "WAVE", 4) != 0) return 0;
    SoundHeader h;
    if (std::memcmp(riff, "RIFF", 4) == 0) h.bigEndianHeader = false;
    else if (std::memcmp(riff, "RIFX", 4) == 0) h.bigEndianHeader = true;
    else if (std::memcmp(riff, "RF64", 4) == 0) h.rf64 = true;
    else return 0;
    const bool be = h.bigEndianHeader;

    // A chunk other than the samples that claims more bytes than the file
    // has means damage; refuse it rather than guess where the samples are.
    if (!ChunksFit(file, be, true) && !ChunksFit(file, be, false)) return 0;

    auto fmt = FindChunk(file, "fmt ", be);
    if (!fmt || fmt->size < 16) return 0;
    unsigned char f[40] = {};
    const uint32_t want = fmt->size < 40 ? fmt->size : 40;
    if (fmt->bodyOffset + want > fileSize) return 0;
    if (file.ReadAt(fmt->bodyOffset, f, want) != want) return 0;

    uint16_t tag = Get16(f, be);
    const uint32_t channels = Get16(f + 2, be);
    const uint32_t rate = Get32(f + 4, be);
    const uint32_t blockAlign = Get16(f + 12, be);
    const uint32_t bits = Get16(f + 14, be);
    h.formatTag = tag;
    h.fmtOffset = fmt->bodyOffset;
    h.fmtSize = fmt->size;

    // Formats other than plain PCM announce their extension's length; one
    // that does not fit its chunk is a damaged header.
    if (tag != kTagPcm && fmt->size == 17) return 0;
    if (tag != kTagPcm && fmt->size >= 18 && 18u + Get16(f + 16, be) > fmt->size) return 0;

    if (tag == kTagExtensible) {
        // cbSize 22: valid bits, channel mask, sub-format GUID.
        if (fmt->size < 40) return 0;
        if (Get16(f + 16, be) < 22) return 0;
        if (std::memcmp(f + 26, kGuidTail, 14) != 0 && !be) return 0;
        // The sub-format GUID starts with the format tag as a 32-bit field.
        const uint32_t sub = Get32(f + 24, be);
        if (sub > 0xFFFF) return 0;
        tag = static_cast<uint16_t>(sub);
        h.extensible = true;
    }
    if (tag != kTagPcm && tag != kTagFloat) return 0;  // compressed codings are not read as PCM
    if (channels == 0 || channels > kMaxChannels) return 0;
    if (rate == 0 || rate > kMaxSampleRate) return 0;
    if (bits == 0 || bits > 64) return 0;

    uint32_t bytes = (bits + 7) / 8;
    // Samples may sit in wider containers (24 bits in 4 bytes); the block
    // align says so when it is consistent with the channel count.
    if (blockAlign != 0 && blockAlign % channels == 0 && blockAlign / channels > bytes && blockAlign / channels <= 8)
        bytes = blockAlign / channels;

    uint32_t memBits = bits;
    if (tag == kTagFloat) {
        if (bytes != 4 && bytes != 8) return 0;
        h.encoding = be ? SampleEncoding::FloatBE : SampleEncoding::FloatLE;
        memBits = 32;
    } else {
        if (bytes > 4 && bytes != 8) return 0;
        h.encoding = be ? SampleEncoding::PcmBE : SampleEncoding::PcmLE;
        if ((bits + 7) / 8 != bytes) memBits = bytes * 8;
        if (bytes == 1 && be) h.encoding = SampleEncoding::PcmLE;  // 8-bit stays unsigned in RIFX too
    }
    h.channels = channels;
    h.sampleRate = static_cast<double>(rate);
    h.bitsPerSample = memBits;
    h.diskBytesPerSample = bytes;

    uint64_t rf64DataSize = 0;
    if (h.rf64) {
        auto ds64 = FindChunk(file, "ds64", false);
        if (!ds64 || ds64->size < 24) return 0;
        unsigned char d[24];
        if (file.ReadAt(ds64->bodyOffset, d, 24) != 24) return 0;
        h.ds64Offset = ds64->bodyOffset;
        rf64DataSize = Get64LE(d + 8);
    }

    auto data = FindChunk(file, "data", be);
    if (!data) return 0;
    if (data->bodyOffset > UINT32_MAX || data->bodyOffset > fileSize) return 0;
    h.dataOffset = static_cast<uint32_t>(data->bodyOffset);
    h.dataSizeOffset = data->bodyOffset - 4;

    const uint64_t available = fileSize - data->bodyOffset;
    uint64_t dataSize = data->size;
    if (h.rf64 && data->size == 0xFFFFFFFFu) dataSize = rf64DataSize;
    else if (data->size == 0 || data->size == 0xFFFFFFFFu) dataSize = available;  // header never completed
    if (dataSize > available) {
        dataSize = available;
        h.truncated = true;
    }

    const uint64_t frameBytes = uint64_t(channels) * bytes;
    const uint64_t frames = dataSize / frameBytes;
    if (frames > UINT32_MAX) return 0;
    h.frameCount = static_cast<uint32_t>(frames);
    h.dataEndOriginal = h.dataOffset + dataSize;

    // The whole format body is kept: a rewrite patches only the fields that
    // change and must write the others (valid bits, sub-format) back as read.
    h.fmtCopySize = want;
    std::memcpy(h.fmtCopy, f, want);
    h.fmtAfterData = h.fmtOffset > h.dataOffset;

    h.canonical = !h.bigEndianHeader && !h.rf64 && !h.extensible && h.formatTag == kTagPcm &&
                  h.fmtOffset == 20 && h.fmtSize == 18 && h.dataOffset == kHeaderBytes &&
                  bytes == (bits + 7) / 8;
    out = h;
    return 1;
}

SoundHeader WavCodec::NewHeader(double sampleRate, uint32_t channels, uint32_t bits) const
{
    SoundHeader h;
    h.sampleRate = sampleRate;
    h.channels = channels;
    h.bitsPerSample = bits;
    h.encoding = SampleEncoding::PcmLE;
    h.diskBytesPerSample = (bits + 7) / 8;
    h.canonical = true;
    h.fmtOffset = 20;
    h.fmtSize = 18;
    h.formatTag = kTagPcm;
    h.dataOffset = kHeaderBytes;
    h.dataSizeOffset = kHeaderBytes - 4;
    h.dataEndOriginal = kHeaderBytes;
    return h;
}

int WavCodec::WriteHeader(CFileHandle& file, SoundHeader& h) const
{
    const uint32_t b = h.diskBytesPerSample ? h.diskBytesPerSample : (h.bitsPerSample + 7) / 8;
    const uint64_t dataBytes = uint64_t(h.frameCount) * h.channels * b;
    if (dataBytes + kHeaderBytes - 8 > UINT32_MAX) return 0;
    const uint32_t rate = static_cast<uint32_t>(h.sampleRate);
    const bool isFloat = h.encoding == SampleEncoding::FloatLE;
    const uint16_t tag = isFloat ? kTagFloat : kTagPcm;
    unsigned char out[kHeaderBytes];
    std::memcpy(out, "RIFF", 4);
    Put32(out + 4, static_cast<uint32_t>(38 + dataBytes), false);
    std::memcpy(out + 8, "WAVEfmt ", 8);
    Put32(out + 16, 18, false);
    Put16(out + 20, tag, false);
    Put16(out + 22, static_cast<uint16_t>(h.channels), false);
    Put32(out + 24, rate, false);
    Put32(out + 28, rate * b * h.channels, false);
    Put16(out + 32, static_cast<uint16_t>(h.channels * b), false);
    Put16(out + 34, static_cast<uint16_t>(isFloat ? b * 8 : h.bitsPerSample), false);
    Put16(out + 36, 0, false);
    std::memcpy(out + 38, "data", 4);
    Put32(out + 42, static_cast<uint32_t>(dataBytes), false);
    if (file.WriteAt(0, out, kHeaderBytes) != kHeaderBytes) return 0;
    h.dataOffset = kHeaderBytes;
    h.dataSizeOffset = kHeaderBytes - 4;
    h.fmtOffset = 20;
    h.fmtSize = 18;
    h.formatTag = tag;
    h.canonical = true;
    std::memcpy(h.fmtCopy, out + 20, 18);
    h.fmtCopySize = 18;
    return 1;
}

bool WavCodec::SupportsWidth(uint32_t bits) const
{
    const uint32_t bytes = (bits + 7) / 8;
    return bits >= 1 && (bytes <= 4 || bytes == 8);
}

void WavCodec::AdoptWidth(SoundHeader& h, uint32_t bits) const
{
    h.bitsPerSample = bits;
    h.diskBytesPerSample = (bits + 7) / 8;
    h.encoding = (h.bigEndianHeader && bits > 8) ? SampleEncoding::PcmBE : SampleEncoding::PcmLE;
    if (!h.extensible) h.formatTag = kTagPcm;
    if (h.fmtCopySize >= 16) Put16(h.fmtCopy + 14, static_cast<uint16_t>(bits), h.bigEndianHeader);
    if (h.extensible && h.fmtCopySize >= 20) Put16(h.fmtCopy + 18, static_cast<uint16_t>(bits), h.bigEndianHeader);
}

int WavCodec::RewriteHeader(CFileHandle& file, SoundHeader& h) const
{
    const uint64_t dataBytes = uint64_t(h.frameCount) * h.channels * h.diskBytesPerSample;
    const uint64_t newDataEnd = uint64_t(h.dataOffset) + dataBytes;
    if (h.canonical) {
        if (!WriteHeader(file, h)) return 0;
    } else {
        const bool be = h.bigEndianHeader;
        const uint32_t rate = static_cast<uint32_t>(h.sampleRate);
        unsigned char f[16];
        const bool isFloat = h.encoding == SampleEncoding::FloatLE || h.encoding == SampleEncoding::FloatBE;
        Put16(f, h.extensible ? kTagExtensible : (isFloat ? kTagFloat : kTagPcm), be);
        Put16(f + 2, static_cast<uint16_t>(h.channels), be);
        Put32(f + 4, rate, be);
        Put32(f + 8, rate * h.channels * h.diskBytesPerSample, be);
        Put16(f + 12, static_cast<uint16_t>(h.channels * h.diskBytesPerSample), be);
        // The bits field keeps what the file said (24 in a 4-byte container,
        // the real width of a float file presented as 32-bit integers) while
        // it still describes the container.
        uint32_t declared = h.fmtCopySize >= 16 ? Get16(h.fmtCopy + 14, be) : 0;
        if (declared == 0 || (declared + 7) / 8 > h.diskBytesPerSample)
            declared = isFloat ? h.diskBytesPerSample * 8 : h.bitsPerSample;
        Put16(f + 14, static_cast<uint16_t>(declared), be);
        unsigned char* body = h.fmtCopy;
        std::memcpy(body, f, 16);
        if (h.extensible && h.fmtCopySize >= 40) {
            // Valid bits stay as the file had them (24 in a 32-bit container)
            // unless they no longer fit the container.
            const uint16_t container = static_cast<uint16_t>(h.diskBytesPerSample * 8);
            const uint16_t valid = Get16(body + 18, be);
            if (valid == 0 || valid > container) Put16(body + 18, container, be);
            Put32(body + 24, isFloat ? kTagFloat : kTagPcm, be);
        }
        if (!h.fmtAfterData || newDataEnd == h.dataEndOriginal) {
            if (file.WriteAt(h.fmtOffset, f, 16) != 16) return 0;
            if (h.extensible && h.fmtSize >= 40) {
                if (file.WriteAt(h.fmtOffset + 18, body + 18, 2) != 2) return 0;
                if (file.WriteAt(h.fmtOffset + 24, body + 24, 4) != 4) return 0;
            }
        }
        unsigned char sz[4];
        if (h.rf64) {
            Put32(sz, 0xFFFFFFFFu, false);
        } else {
            if (dataBytes > UINT32_MAX) return 0;
            Put32(sz, static_cast<uint32_t>(dataBytes), be);
        }
        if (file.WriteAt(h.dataSizeOffset, sz, 4) != 4) return 0;
    }

    // When the sample data changed length, whatever followed it (chunks such
    // as LIST after the data) has been overwritten or is now misplaced; the
    // file ends with the data and its pad byte. Otherwise later chunks stay.
    uint64_t fileSize = file.Size();
    if (newDataEnd != h.dataEndOriginal || fileSize < newDataEnd) {
        uint64_t end = newDataEnd;
        if (!file.Truncate(end)) return 0;
        if (dataBytes & 1u) {
            const unsigned char pad = 0;
            if (file.WriteAt(end, &pad, 1) != 1) return 0;
            end += 1;
        }
        if (h.fmtAfterData) {
            // The format chunk stood after the samples and is gone with the
            // old tail: write it again behind the data.
            unsigned char ch[8];
            std::memcpy(ch, "fmt ", 4);
            Put32(ch + 4, h.fmtCopySize, h.bigEndianHeader);
            if (file.WriteAt(end, ch, 8) != 8) return 0;
            if (file.WriteAt(end + 8, h.fmtCopy, h.fmtCopySize) != h.fmtCopySize) return 0;
            h.fmtOffset = end + 8;
            h.fmtSize = h.fmtCopySize;
            end += 8 + h.fmtCopySize;
            if (h.fmtCopySize & 1u) {
                const unsigned char pad = 0;
                if (file.WriteAt(end, &pad, 1) != 1) return 0;
                end += 1;
            }
        }
        fileSize = end;
        h.dataEndOriginal = newDataEnd;
    }
    unsigned char rs[4];
    if (h.rf64) {
        Put32(rs, 0xFFFFFFFFu, false);
        unsigned char d[16];
        Put64LE(d, fileSize - 8);
        Put64LE(d + 8, dataBytes);
        if (file.WriteAt(h.ds64Offset, d, 16) != 16) return 0;
    } else {
        if (fileSize - 8 > UINT32_MAX) return 0;
        Put32(rs, static_cast<uint32_t>(fileSize - 8), h.bigEndianHeader);
    }
    if (file.WriteAt(4, rs, 4) != 4) return 0;
    return 1;
}

} // namespace tavril
