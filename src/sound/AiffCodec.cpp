#include "AiffCodec.h"

#include "SampleCoding.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace tavril {

namespace {

uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

uint32_t Get32(const unsigned char* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

void Put16(unsigned char* p, uint16_t v)
{
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}

void Put32(unsigned char* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

bool IsFloat(SampleEncoding e) { return e == SampleEncoding::FloatBE || e == SampleEncoding::FloatLE; }

// How an AIFF-C compression type lays out its samples. `bits` is the COMM
// sample size; the result fills encoding, disk bytes and the width callers
// see. False for compressed (or unknown) types.
bool LayoutForType(const unsigned char type[4], uint32_t bits, SoundHeader& h)
{
    auto is = [&](const char* t) { return std::memcmp(type, t, 4) == 0; };
    const uint32_t bytes = (bits + 7) / 8;
    if (is("NONE") || is("none") || is("twos")) {
        h.encoding = SampleEncoding::PcmBE;
        h.diskBytesPerSample = bytes;
        h.bitsPerSample = bits;
    } else if (is("sowt")) {
        h.encoding = bytes == 1 ? SampleEncoding::Pcm8Signed : SampleEncoding::PcmLE;
        h.diskBytesPerSample = bytes;
        h.bitsPerSample = bits;
    } else if (is("in24") || is("42ni")) {
        h.encoding = is("in24") ? SampleEncoding::PcmBE : SampleEncoding::PcmLE;
        h.diskBytesPerSample = 3;
        h.bitsPerSample = 24;
    } else if (is("in32") || is("23ni")) {
        h.encoding = is("in32") ? SampleEncoding::PcmBE : SampleEncoding::PcmLE;
        h.diskBytesPerSample = 4;
        h.bitsPerSample = 32;
    } else if (is("raw ")) {
        if (bytes != 1) return false;  // only 8-bit offset-binary exists
        h.encoding = SampleEncoding::PcmLE;  // unsigned bytes, as the memory model
        h.diskBytesPerSample = 1;
        h.bitsPerSample = bits;
    } else if (is("fl32") || is("FL32")) {
        h.encoding = SampleEncoding::FloatBE;
        h.diskBytesPerSample = 4;
        h.bitsPerSample = 32;
    } else if (is("fl64") || is("FL64")) {
        h.encoding = SampleEncoding::FloatBE;
        h.diskBytesPerSample = 8;
        h.bitsPerSample = 32;
    } else {
        return false;
    }
    return true;
}

// The compression type that names a layout, for patching AIFF-C headers whose
// sample layout was changed (a width change turns every file big-endian PCM).
const char* TypeForLayout(const SoundHeader& h)
{
    switch (h.encoding) {
    case SampleEncoding::FloatBE:
    case SampleEncoding::FloatLE: return h.diskBytesPerSample == 8 ? "fl64" : "fl32";
    case SampleEncoding::Pcm8Signed: return "sowt";
    case SampleEncoding::PcmLE: return h.diskBytesPerSample == 1 ? "raw " : "sowt";
    case SampleEncoding::PcmBE: return "NONE";
    }
    return "NONE";
}

bool SameLayout(const SoundHeader& a, const SoundHeader& b)
{
    return a.encoding == b.encoding && a.diskBytesPerSample == b.diskBytesPerSample;
}

} // namespace

double AiffCodec::ExtendedToDouble(const unsigned char b[10])
{
    const bool negative = (b[0] & 0x80) != 0;
    const int exponent = ((b[0] & 0x7f) << 8) | b[1];
    uint64_t mantissa = 0;
    for (int i = 2; i < 10; ++i) mantissa = (mantissa << 8) | b[i];
    if (exponent == 0x7fff) return mantissa == 0 || mantissa == (uint64_t(1) << 63) ? (negative ? -HUGE_VAL : HUGE_VAL)
                                                                                   : std::nan("");
    if (exponent == 0 && mantissa == 0) return negative ? -0.0 : 0.0;
    const double v = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
    return negative ? -v : v;
}

void AiffCodec::DoubleToExtended(double value, unsigned char b[10])
{
    std::memset(b, 0, 10);
    if (value == 0.0 || std::isnan(value)) return;
    if (value < 0) {
        b[0] = 0x80;
        value = -value;
    }
    if (std::isinf(value)) {
        b[0] |= 0x7f;
        b[1] = 0xff;
        b[2] = 0x80;
        return;
    }
    int exp2 = 0;
    const double fraction = std::frexp(value, &exp2);  // value = fraction * 2^exp2, fraction in [0.5, 1)
    int exponent = exp2 - 1 + 16383;
    // A double's 53 significant bits fit the 64-bit mantissa exactly.
    uint64_t mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53)) << 11;
    if (exponent <= 0) {  // below the extended range: only for absurd inputs
        mantissa >>= (1 - exponent);
        exponent = 0;
    }
    b[0] |= uint8_t((exponent >> 8) & 0x7f);
    b[1] = uint8_t(exponent);
    for (int i = 9; i >= 2; --i) {
        b[i] = uint8_t(mantissa);
        mantissa >>= 8;
    }
}

std::optional<AiffCodec::Chunk> AiffCodec::FindChunk(CFileHandle& file, const char id[4], std::string& message)
{
    const uint64_t fileSize = file.Size();
    // Walk with the pad byte after odd-sized chunks first, then once more
    // without it for writers that leave it out. Every step moves forward by
    // at least 8 bytes, so a walk ends at the file's end; the count only caps
    // a pathological number of tiny chunks. The message tells where the
    // padded walk stopped.
    std::string firstMessage;
    for (int padded = 1; padded >= 0; --padded) {
        uint64_t pos = 12;
        std::string stop = kMsgChunkSeekFailed;
        for (int guard = 0; guard < 1'000'000; ++guard) {
            if (pos > fileSize) {
                stop = kMsgChunkSeekFailed;
                break;
            }
            unsigned char h[8];
            if (pos + 8 > fileSize || file.ReadAt(pos, h, 8) != 8) {
                stop = kMsgChunkReadFailed;
                break;
            }
            const uint32_t size = Get32(h + 4);
            if (std::memcmp(h, id, 4) == 0) return Chunk{pos, pos + 8, size};
            pos += 8 + uint64_t(size) + (padded ? (size & 1u) : 0u);
        }
        if (padded) firstMessage = stop;
    }
    message = firstMessage;
    return std::nullopt;
}

namespace {

// Whether a walk over the chunks (with pad bytes, or else without) ends at
// the place where an SSND chunk appended to the file would start.
bool ChunksEndInsideFile(CFileHandle& file)
{
    const uint64_t fileSize = file.Size();
    for (int padded = 1; padded >= 0; --padded) {
        uint64_t pos = 12;
        bool fits = true;
        for (int guard = 0; guard < 1'000'000 && pos + 8 <= fileSize; ++guard) {
            unsigned char h[8];
            if (file.ReadAt(pos, h, 8) != 8) { fits = false; break; }
            const uint32_t size = (uint32_t(h[4]) << 24) | (uint32_t(h[5]) << 16) | (uint32_t(h[6]) << 8) | h[7];
            const uint64_t end = pos + 8 + uint64_t(size);
            if (end > fileSize) { fits = false; break; }
            pos = end + (padded ? (size & 1u) : 0u);
        }
        // The appended SSND goes at the next even offset: the walk must land
        // exactly there, with no stray bytes in between.
        const uint64_t ssndAt = (fileSize + 1) & ~uint64_t(1);
        if (fits && pos == ssndAt) return true;
    }
    return false;
}

} // namespace

int AiffCodec::ReadHeader(CFileHandle& file, SoundHeader& header) const
{
    std::string message;
    return ReadHeader(file, header, message);
}

int AiffCodec::ReadHeader(CFileHandle& file, SoundHeader& out, std::string& message) const
{
    message.clear();
    auto fail = [&](const char* text) {
        message = text;
        return 0;
    };
    if (!file.IsOpen()) return fail(kMsgPositionFailed);
    const uint64_t fileSize = file.Size();
    unsigned char form[12];
    if (fileSize < 12) return fail(kMsgNotAiff);
    if (file.ReadAt(0, form, 12) != 12) return fail(kMsgReadFailed);
    if (std::memcmp(form, "FORM", 4) != 0) return fail(kMsgNotAiff);
    SoundHeader h;
    h.bigEndianHeader = true;
    if (std::memcmp(form + 8, "AIFC", 4) == 0) h.aifc = true;
    else if (std::memcmp(form + 8, "AIFF", 4) != 0) return fail(kMsgNotAiff);

    std::string searchMessage;
    auto comm = FindChunk(file, "COMM", searchMessage);
    if (!comm) return fail(kMsgCommSeekFailed);
    const uint32_t commNeeded = h.aifc ? 22 : 18;
    if (comm->size < commNeeded || comm->bodyOffset + commNeeded > fileSize) return fail(kMsgCommReadFailed);
    unsigned char c[22] = {};
    if (file.ReadAt(comm->bodyOffset, c, commNeeded) != commNeeded) return fail(kMsgCommReadFailed);
    const uint32_t channels = Get16(c);
    const uint32_t commFrames = Get32(c + 2);
    const uint32_t bits = Get16(c + 6);
    const double rate = ExtendedToDouble(c + 8);
    // A compressed coding says so first: its COMM often gives no sample size.
    SoundHeader probe;
    if (h.aifc && !LayoutForType(c + 18, bits == 0 ? 8 : bits, probe)) return fail(kMsgCompressed);
    if (channels == 0 || channels > kMaxChannels || !std::isfinite(rate) || !(rate > 0) || rate > kMaxSampleRate)
        return fail(kMsgBadFormat);
    if (bits > kMaxBits && !h.aifc) return fail(kMsgReadSampleSize);
    if (bits == 0) return fail(kMsgBadFormat);
    if (h.aifc) {
        if (!LayoutForType(c + 18, bits, h)) return fail(kMsgCompressed);
        if (!IsFloat(h.encoding) && bits > kMaxBits) return fail(kMsgReadSampleSize);
    } else {
        h.encoding = SampleEncoding::PcmBE;  // 8-bit AIFF is signed, like every other width
        h.diskBytesPerSample = (bits + 7) / 8;
        h.bitsPerSample = bits;
    }
    h.channels = channels;
    h.sampleRate = rate;
    h.fmtOffset = comm->bodyOffset;
    h.fmtSize = comm->size;
    h.dataGrowthLimit = 0;

    const uint64_t frameBytes = uint64_t(channels) * h.diskBytesPerSample;
    auto ssnd = FindChunk(file, "SSND", searchMessage);
    if (!ssnd) {
        // A sound with no frames may leave out SSND altogether; samples
        // written later go after a fresh SSND header at the file's end.
        if (commFrames != 0) return fail(kMsgSsndSeekFailed);
        // Samples written later get an SSND chunk at the file's end, which a
        // later reader only finds if every chunk before it ends inside the file.
        if (!ChunksEndInsideFile(file)) return fail(kMsgChunkSeekFailed);
        const uint64_t start = ((fileSize + 1) & ~uint64_t(1)) + 16;
        if (start > UINT32_MAX) return fail(kMsgAiffPositionFailed);
        h.dataOffset = static_cast<uint32_t>(start);
        h.dataSizeOffset = 0;
        h.frameCount = 0;
        h.dataEndOriginal = start;
        h.canonical = false;
        out = h;
        return 1;
    }
    unsigned char s[8];
    if (ssnd->bodyOffset + 8 > fileSize || file.ReadAt(ssnd->bodyOffset, s, 8) != 8) return fail(kMsgSsndSeekFailed);
    const uint32_t dataSkip = Get32(s);
    const uint64_t dataStart = ssnd->bodyOffset + 8 + uint64_t(dataSkip);
    if (dataStart > fileSize) return fail(kMsgSamplesSeekFailed);
    if (dataStart > UINT32_MAX) return fail(kMsgAiffPositionFailed);
    h.dataOffset = static_cast<uint32_t>(dataStart);
    h.dataSizeOffset = ssnd->bodyOffset - 4;

    // The SSND size says how much sound there is. When it claims more than
    // the file holds, or was never filled in (0 or all ones, as streaming
    // writers leave it until they finish), the recording stopped early: the
    // frames that really are there are read, never more than COMM announces.
    const uint64_t inFile = fileSize - dataStart;
    const bool sizeUnknown = ssnd->size < 8 || ssnd->size == 0xFFFFFFFFu;
    const uint64_t declared = ssnd->size >= 8 + uint64_t(dataSkip) ? ssnd->size - 8 - uint64_t(dataSkip) : 0;
    uint64_t frames;
    uint64_t dataBytes;
    // A complete SSND decides over COMM's count, as sox reads such files.
    if (declared <= inFile && !sizeUnknown) {
        frames = declared / frameBytes;
        dataBytes = declared;
    } else {
        frames = inFile / frameBytes;
        if (commFrames != 0 && commFrames < frames) frames = commFrames;
        dataBytes = frames * frameBytes;
        // Cut short: SSND or COMM promised more than the file holds.
        h.truncated = !sizeUnknown || uint64_t(commFrames) > frames;
    }
    if (comm->headerOffset >= dataStart) {
        // COMM after the samples: they end where it starts, and may not grow
        // into it (the header cannot be moved the way a WAV fmt chunk can).
        const uint64_t room = (comm->headerOffset - dataStart) / frameBytes;
        if (frames > room) {
            frames = room;
            dataBytes = frames * frameBytes;
        }
        h.dataGrowthLimit = comm->headerOffset;
    }
    if (frames > UINT32_MAX) return fail(kMsgBadFormat);
    h.frameCount = static_cast<uint32_t>(frames);
    h.dataEndOriginal = dataStart + dataBytes;

    h.canonical = !h.aifc && h.fmtOffset == 20 && h.fmtSize == 18 && h.dataSizeOffset == 42 &&
                  h.dataOffset == kHeaderBytes && dataBytes == frames * frameBytes;
    out = h;
    return 1;
}

SoundHeader AiffCodec::NewHeader(double sampleRate, uint32_t channels, uint32_t bits) const
{
    SoundHeader h;
    h.sampleRate = sampleRate;
    h.channels = channels;
    h.bitsPerSample = bits;
    h.encoding = SampleEncoding::PcmBE;
    h.diskBytesPerSample = (bits + 7) / 8;
    h.canonical = true;
    h.bigEndianHeader = true;
    h.fmtOffset = 20;
    h.fmtSize = 18;
    h.dataOffset = kHeaderBytes;
    h.dataSizeOffset = 42;
    h.dataEndOriginal = kHeaderBytes;
    return h;
}

int AiffCodec::WriteHeader(CFileHandle& file, SoundHeader& header) const
{
    std::string message;
    return WriteHeader(file, header, message);
}

int AiffCodec::WriteHeader(CFileHandle& file, SoundHeader& h, std::string& message) const
{
    message.clear();
    if (h.bitsPerSample == 0 || h.bitsPerSample > kMaxBits) {
        message = kMsgWriteSampleSize;
        return 0;
    }
    if (h.channels == 0 || h.channels > 65535 || !(h.sampleRate > 0) || !std::isfinite(h.sampleRate)) {
        message = kMsgCommWriteFailed;
        return 0;
    }
    // Samples of 9 to 15 bits take two bytes on disk, so the sizes count
    // whole bytes per sample; every width the program writes reads back.
    const uint32_t bytes = (h.bitsPerSample + 7) / 8;
    const uint64_t dataBytes = uint64_t(h.frameCount) * h.channels * bytes;
    if (dataBytes + 46 + 1 > UINT32_MAX) {
        message = kMsgWriteFailed;
        return 0;
    }
    unsigned char form[12];
    std::memcpy(form, "FORM", 4);
    Put32(form + 4, static_cast<uint32_t>(dataBytes + 46 + (dataBytes & 1u)));
    std::memcpy(form + 8, "AIFF", 4);
    if (file.WriteAt(0, form, 12) != 12) {
        message = kMsgWriteFailed;
        return 0;
    }
    unsigned char comm[26];
    std::memcpy(comm, "COMM", 4);
    Put32(comm + 4, 18);
    Put16(comm + 8, static_cast<uint16_t>(h.channels));
    Put32(comm + 10, h.frameCount);
    Put16(comm + 14, static_cast<uint16_t>(h.bitsPerSample));
    DoubleToExtended(h.sampleRate, comm + 16);
    if (file.WriteAt(12, comm, 26) != 26) {
        message = kMsgCommWriteFailed;
        return 0;
    }
    unsigned char ssnd[16];
    std::memcpy(ssnd, "SSND", 4);
    Put32(ssnd + 4, static_cast<uint32_t>(dataBytes + 8));
    Put32(ssnd + 8, 0);
    Put32(ssnd + 12, 0);
    if (file.WriteAt(38, ssnd, 16) != 16) {
        message = kMsgSsndWriteFailed;
        return 0;
    }
    h.encoding = SampleEncoding::PcmBE;
    h.diskBytesPerSample = bytes;
    h.bigEndianHeader = true;
    h.aifc = false;
    h.fmtOffset = 20;
    h.fmtSize = 18;
    h.dataOffset = kHeaderBytes;
    h.dataSizeOffset = 42;
    h.canonical = true;
    return 1;
}

void AiffCodec::AdoptWidth(SoundHeader& h, uint32_t bits) const
{
    h.bitsPerSample = bits;
    h.diskBytesPerSample = (bits + 7) / 8;
    h.encoding = SampleEncoding::PcmBE;
}

int AiffCodec::RewriteHeader(CFileHandle& file, SoundHeader& header) const
{
    std::string message;
    return RewriteHeader(file, header, message);
}

int AiffCodec::RewriteHeader(CFileHandle& file, SoundHeader& h, std::string& message) const
{
    message.clear();
    auto fail = [&](const char* text) {
        message = text;
        return 0;
    };
    const bool floatLayout = IsFloat(h.encoding);
    if (!floatLayout && (h.bitsPerSample == 0 || h.bitsPerSample > kMaxBits)) return fail(kMsgWriteSampleSize);
    const uint64_t dataBytes = uint64_t(h.frameCount) * h.channels * h.diskBytesPerSample;
    const uint64_t newDataEnd = uint64_t(h.dataOffset) + dataBytes;
    const bool canonicalLayout = h.canonical && h.encoding == SampleEncoding::PcmBE &&
                                 h.diskBytesPerSample == (h.bitsPerSample + 7) / 8;
    if (canonicalLayout) {
        if (!WriteHeader(file, h, message)) return 0;
    } else {
        // A COMM chunk behind the samples is overwritten as soon as they
        // grow into it; patching it then would damage samples.
        if (h.fmtOffset > h.dataOffset && newDataEnd > h.fmtOffset - 8) return fail(kMsgCommWriteFailed);
        unsigned char c[18];
        Put16(c, static_cast<uint16_t>(h.channels));
        Put32(c + 2, h.frameCount);
        Put16(c + 6, static_cast<uint16_t>(floatLayout ? h.diskBytesPerSample * 8 : h.bitsPerSample));
        DoubleToExtended(h.sampleRate, c + 8);
        if (file.WriteAt(h.fmtOffset, c, 18) != 18) return fail(kMsgCommWriteFailed);
        if (h.aifc && h.fmtSize >= 22) {
            unsigned char type[4] = {};
            if (file.ReadAt(h.fmtOffset + 18, type, 4) != 4) return fail(kMsgCommWriteFailed);
            SoundHeader described;
            if (!LayoutForType(type, h.bitsPerSample, described) || !SameLayout(described, h)) {
                if (file.WriteAt(h.fmtOffset + 18, TypeForLayout(h), 4) != 4) return fail(kMsgCommWriteFailed);
            }
        }
        if (h.dataSizeOffset == 0) {
            // The file had no SSND chunk: its header goes just before the samples.
            if (dataBytes > 0) {
                unsigned char s[16];
                std::memcpy(s, "SSND", 4);
                Put32(s + 4, 0);
                Put32(s + 8, 0);
                Put32(s + 12, 0);
                if (file.WriteAt(uint64_t(h.dataOffset) - 16, s, 16) != 16) return fail(kMsgSsndWriteFailed);
                h.dataSizeOffset = uint64_t(h.dataOffset) - 12;
            }
        }
        if (h.dataSizeOffset != 0) {
            const uint64_t ssndSize = uint64_t(h.dataOffset) - (h.dataSizeOffset + 4) + dataBytes;
            if (ssndSize > UINT32_MAX) return fail(kMsgSsndWriteFailed);
            unsigned char sz[4];
            Put32(sz, static_cast<uint32_t>(ssndSize));
            if (file.WriteAt(h.dataSizeOffset, sz, 4) != 4) return fail(kMsgSsndWriteFailed);
        }
    }

    // When the sample data changed length, whatever followed it has been
    // overwritten or now sits in the wrong place: the file ends with the data
    // and its pad byte. Otherwise later chunks (markers, comments) stay.
    uint64_t fileSize = file.Size();
    const bool noSamples = h.dataSizeOffset == 0;  // still no SSND chunk: nothing to trim or pad
    if (!noSamples && (newDataEnd != h.dataEndOriginal || fileSize < newDataEnd)) {
        uint64_t end = newDataEnd;
        if (!file.Truncate(end)) return fail(kMsgWriteFailed);
        if ((newDataEnd - (h.dataSizeOffset + 4)) & 1u) {
            const unsigned char pad = 0;
            if (file.WriteAt(end, &pad, 1) != 1) return fail(kMsgWriteFailed);
            end += 1;
        }
        fileSize = end;
        h.dataEndOriginal = newDataEnd;
    }
    if (fileSize - 8 > UINT32_MAX) return fail(kMsgWriteFailed);
    unsigned char fs[4];
    Put32(fs, static_cast<uint32_t>(fileSize - 8));
    if (file.WriteAt(4, fs, 4) != 4) return fail(kMsgWriteFailed);
    return 1;
}

std::string AiffCodec::ReadSamples(CFileHandle& file, const SoundHeader& h, size_t samples, void* buffer)
{
    if (!IsFloat(h.encoding) && (h.bitsPerSample == 0 || h.bitsPerSample > kMaxBits)) return kMsgReadSampleSize;
    const uint32_t disk = h.diskBytesPerSample;
    const uint32_t mem = (h.bitsPerSample + 7) / 8;
    std::vector<unsigned char> raw(samples * disk);
    const size_t got = file.Read(raw.data(), raw.size()) / disk;
    auto* out = static_cast<unsigned char*>(buffer);
    if (!DecodeSamples(raw.data(), h.encoding, disk, out, mem, got)) return kMsgSamplesReadFailed;
    if (got < samples) {
        std::memset(out + got * mem, mem == 1 ? 0x80 : 0, (samples - got) * mem);
        return kMsgSamplesReadFailed;
    }
    return {};
}

std::string AiffCodec::WriteSamples(CFileHandle& file, const SoundHeader& h, size_t samples, const void* buffer)
{
    if (!IsFloat(h.encoding) && (h.bitsPerSample == 0 || h.bitsPerSample > kMaxBits)) return kMsgWriteSampleSize;
    const uint32_t disk = h.diskBytesPerSample;
    const uint32_t mem = (h.bitsPerSample + 7) / 8;
    std::vector<unsigned char> raw(samples * disk);
    if (!EncodeSamples(buffer, mem, raw.data(), h.encoding, disk, samples)) return kMsgSamplesWriteFailed;
    if (file.Write(raw.data(), raw.size()) != raw.size()) return kMsgSamplesWriteFailed;
    return {};
}

} // namespace tavril
