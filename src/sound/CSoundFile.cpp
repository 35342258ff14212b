#include "CSoundFile.h"

#include "FileSafety.h"

#include "MetafileSeries.h"

#include "ISoundCodec.h"
#include "SampleCoding.h"
#include "SoundCodecs.h"
#include "AiffCodec.h"
#include "WavCodec.h"

#include <cerrno>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tavril {

namespace {

bool SupportedMemBytes(uint32_t b) { return b == 1 || b == 2 || b == 3 || b == 4 || b == 8; }

// Work blocks for streaming conversions stay near this size.
constexpr size_t kBlockBytes = 1u << 20;

} // namespace

CSoundFile::CSoundFile() = default;

CSoundFile::~CSoundFile() { Close(); }

const ISoundCodec* CSoundFile::CodecFor(int32_t format) const { return CodecForFormat(format); }

SoundFormat CSoundFile::FormatFromName(const std::string& name)
{
    if (name.empty()) return kFormatWav;
    auto upperTail = [&](size_t n) {
        std::string t = name.size() >= n ? name.substr(name.size() - n) : std::string();
        for (char& c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return t;
    };
    if (upperTail(5) == ".AIFF" || upperTail(5) == ".AIFC") return kFormatAiff;
    const std::string ext = upperTail(4);
    if (ext == ".WAV" || ext == ".TMP") return kFormatWav;
    if (ext == ".SIG") return kFormatSig;
    if (ext == ".ATL" || ext == ".SND") return kFormatSnd;
    if (ext == ".MSL") return kFormatMsl;
    if (ext == ".AIF") return kFormatAiff;
    if (ext == ".TXT" || ext == ".SER") return kFormatMeta;
    return kFormatUnknown;
}

int CSoundFile::ConvertSampleWidth(const void* src, uint32_t srcBits, void* dst, uint32_t dstBits, size_t samples)
{
    return tavril::ConvertSampleWidth(src, srcBits, dst, dstBits, samples);
}

SoundFormat CSoundFile::SniffFormat(const std::string& path)
{
    CFileHandle f;
    unsigned char b[12];
    if (!f.OpenReadOnly(path) || f.ReadAt(0, b, 12) != 12) return kFormatUnknown;
    const bool riff = std::memcmp(b, "RIFF", 4) == 0 || std::memcmp(b, "RIFX", 4) == 0 || std::memcmp(b, "RF64", 4) == 0;
    if (riff && std::memcmp(b + 8, "WAVE", 4) == 0) return kFormatWav;
    if (std::memcmp(b, "FORM", 4) == 0 && (std::memcmp(b + 8, "AIFF", 4) == 0 || std::memcmp(b + 8, "AIFC", 4) == 0))
        return kFormatAiff;
    return kFormatUnknown;
}

std::string CSoundFile::OpenFailureReason(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return std::strerror(EISDIR);
    CFileHandle f;
    if (!f.OpenReadOnly(path)) return std::strerror(f.LastError());
    const SoundFormat sniffed = SniffFormat(path);
    const SoundFormat named = FormatFromName(path);
    if (sniffed == kFormatUnknown) return named == kFormatWav || named == kFormatAiff || named == kFormatUnknown
                                              ? "not a sound file" : "the file may be corrupt";
    if (sniffed == kFormatAiff) {
        std::string message;
        SoundHeader h;
        AiffCodec().ReadHeader(f, h, message);
        if (message == AiffCodec::kMsgCompressed) return "unsupported sample format";
        return "the file may be corrupt";
    }
    // WAV: a coding other than integer or float PCM is not damage.
    unsigned char b[12];
    f.ReadAt(0, b, 12);
    const bool be = std::memcmp(b, "RIFX", 4) == 0;
    if (auto fmt = WavCodec::FindChunk(f, "fmt ", be)) {
        unsigned char t[28] = {};
        const size_t n = f.ReadAt(fmt->bodyOffset, t, std::min<uint32_t>(fmt->size, 28));
        auto get16 = [&](size_t at) { return be ? uint16_t((t[at] << 8) | t[at + 1]) : uint16_t(t[at] | (t[at + 1] << 8)); };
        uint16_t tag = n >= 2 ? get16(0) : 0;
        if (tag == 0xFFFE && n >= 26) tag = get16(24);
        if (n >= 2 && tag != 1 && tag != 3) return "unsupported sample format";
        const uint32_t bytes = n >= 16 ? (get16(14) + 7u) / 8u : 2u;
        if (bytes == 0 || (bytes > 4 && bytes != 8)) return "unsupported sample format";
    }
    return "the file may be corrupt";
}

bool CSoundFile::IsFloat() const
{
    return m_header.encoding == SampleEncoding::FloatLE || m_header.encoding == SampleEncoding::FloatBE;
}

int CSoundFile::OpenReadOnly(const std::string& name)
{
    if (m_open && (name != m_fileName || m_file.IsWritable())) Close();
    m_readOnly = true;
    return Open(name);
}

int CSoundFile::Open(const std::string& name)
{
    if (m_open) {
        if (name == m_fileName) return 1;
        Close();
    }
    if (!m_fileName.empty() && name != m_fileName) Reset();
    m_formatType = FormatFromName(name);
    m_fileName = name;
    m_headerDirty = false;
    m_writeError = false;
    m_readError = false;
    m_clipped = false;

    if (m_formatType == kFormatMeta) return OpenSeries(name);
    if (m_formatType == kFormatWav || m_formatType == kFormatAiff || m_formatType == kFormatUnknown) {
        const SoundFormat sniffed = SniffFormat(name);
        if (sniffed != kFormatUnknown) m_formatType = sniffed;
    }
    if (m_formatType == kFormatUnknown) return 0;
    if (m_readOnly ? !m_file.OpenReadOnly(name) : (!m_file.OpenReadWrite(name) && !m_file.OpenReadOnly(name)))
        return 0;

    if (const ISoundCodec* codec = CodecFor(m_formatType)) {
        SoundHeader h;
        if (!codec->ReadHeader(m_file, h) || !SupportedMemBytes((h.bitsPerSample + 7) / 8)) {
            m_file.Close();
            return 0;
        }
        m_header = h;
    }
    m_open = true;
    m_position = 0;
    return 1;
}

int CSoundFile::Create(const std::string& name, double sampleRate, uint32_t channels, uint32_t bits,
                       uint32_t preSizeFrames, bool floatSamples)
{
    m_headerDirty = false;
    if (m_open) Close();
    const int32_t format = FormatFromName(name);
    const ISoundCodec* codec = CodecFor(format);
    if (codec) {
        // A header the program could not read back is refused up front.
        if (channels == 0 || channels > 65535 || !codec->SupportsWidth(bits) || !SupportedMemBytes((bits + 7) / 8) || !(sampleRate > 0) ||
            sampleRate > 4294967295.0)
            return 0;
    }
    ::unlink(name.c_str());
    CFileHandle f;
    if (!f.Create(name)) return 0;
    if (codec) {
        SoundHeader h = codec->NewHeader(sampleRate, channels, bits);
        if (floatSamples && format == kFormatWav) {
            h.encoding = SampleEncoding::FloatLE;
            h.bitsPerSample = 32;
            h.diskBytesPerSample = 4;
        }
        h.frameCount = 0;  // the pre-size frames are written below, which sizes the header
        if (!codec->WriteHeader(f, h)) { f.Close(); ::unlink(name.c_str()); return 0; }
    }
    f.Close();
    Reset();
    if (!Open(name)) return 0;
    if (preSizeFrames > 0 && codec) {
        Seek(0);
        const uint32_t bpf = BytesPerFrame();
        const uint32_t blockFrames = static_cast<uint32_t>(std::max<size_t>(1, kBlockBytes / bpf));
        std::vector<unsigned char> zero(static_cast<size_t>(blockFrames) * bpf);
        if (BytesPerSample() == 1) std::fill(zero.begin(), zero.end(), 0x80);  // 8-bit silence
        for (uint32_t done = 0; done < preSizeFrames;) {
            const uint32_t n = std::min(blockFrames, preSizeFrames - done);
            WriteFrames(zero.data(), n);
            done += n;
        }
        if (m_writeError) return 0;
    }
    return 1;
}

bool CSoundFile::RewriteHeader()
{
    const ISoundCodec* codec = CodecFor(m_formatType);
    if (!codec || !m_file.IsWritable()) return false;
    return codec->RewriteHeader(m_file, m_header) == 1;
}

int CSoundFile::OpenSeries(const std::string& name)
{
    if (m_series && m_series->Metafile().Path() == name) {
        // Reopened after a Close: the members were read already.
        m_header = m_series->Header();
        m_open = true;
        m_position = 0;
        return 1;
    }
    auto series = std::make_unique<MetafileSeries>();
    m_seriesError.clear();
    if (!series->Open(name, m_seriesError)) return 0;
    m_header = series->Header();
    m_series = std::move(series);
    m_open = true;
    m_position = 0;
    return 1;
}

void CSoundFile::Close()
{
    if (m_series) m_series->Close();
    if (m_open && m_file.IsOpen() && m_formatType != kFormatMeta) {
        if (m_headerDirty) {
            if (RewriteHeader()) m_headerDirty = false;
            else m_writeError = true;
        }
        m_file.Close();
    }
    m_open = false;
}

void CSoundFile::Reset()
{
    m_headerDirty = false;
    m_header = SoundHeader{};
    m_position = 0;
    m_fileName.clear();
    m_seriesStartFrame = 0;
    m_readOnly = false;
    m_series.reset();
}

int CSoundFile::EnsureOpen()
{
    if (m_fileName.empty()) return 0;
    return Open(m_fileName);
}

int CSoundFile::ReadSamplesRaw(void* buffer, size_t samples, uint32_t memBytes)
{
    const uint32_t ch = m_header.channels;
    const uint32_t disk = m_header.diskBytesPerSample;
    auto* out = static_cast<unsigned char*>(buffer);
    // Silence in the memory model: 128 for 8-bit samples, 0 otherwise.
    const int silence = memBytes == 1 ? 0x80 : 0;
    if (ch == 0 || disk == 0) {
        std::memset(out, silence, samples * memBytes);
        return 1;
    }
    // Only the data region is read: bytes of chunks that follow the samples
    // are not sound, and a read past the end yields silence.
    const uint64_t firstSample = uint64_t(m_position) * ch;
    const uint64_t totalSamples = uint64_t(m_header.frameCount) * ch;
    const size_t inData = firstSample >= totalSamples ? 0 : static_cast<size_t>(std::min<uint64_t>(samples, totalSamples - firstSample));
    const uint64_t offset = m_header.dataOffset + firstSample * disk;
    size_t got = 0;
    if (inData > 0) {
        if (IsNativeLayout(m_header.encoding, disk, memBytes)) {
            got = m_file.ReadAt(offset, out, inData * disk) / disk;
        } else {
            m_scratch2.resize(inData * disk);
            got = m_file.ReadAt(offset, m_scratch2.data(), inData * disk) / disk;
            if (!m_clipped && (m_header.encoding == SampleEncoding::FloatLE || m_header.encoding == SampleEncoding::FloatBE))
                m_clipped = AnyBeyondFullScale(m_scratch2.data(), m_header.encoding, disk, got);
            if (!DecodeSamples(m_scratch2.data(), m_header.encoding, disk, out, memBytes, got)) got = 0;
        }
    }
    std::memset(out + got * memBytes, silence, (samples - got) * memBytes);
    // Past the end of the data is silence by design; missing bytes inside it
    // mean the file shrank or the disk failed, and must not pass as silence.
    if (got < inData) {
        m_readError = true;
        return 0;
    }
    return 1;
}

int CSoundFile::WriteSamplesRaw(const void* buffer, size_t samples, uint32_t memBytes)
{
    const uint32_t disk = m_header.diskBytesPerSample;
    const uint64_t offset = m_header.dataOffset + uint64_t(m_position) * m_header.channels * disk;
    size_t wrote;
    if (IsNativeLayout(m_header.encoding, disk, memBytes)) {
        wrote = m_file.WriteAt(offset, buffer, samples * disk);
    } else {
        m_scratch2.resize(samples * disk);
        if (!EncodeSamples(buffer, memBytes, m_scratch2.data(), m_header.encoding, disk, samples)) return 0;
        wrote = m_file.WriteAt(offset, m_scratch2.data(), samples * disk);
    }
    if (wrote != samples * disk) {
        m_writeError = true;
        return 0;
    }
    return 1;
}

uint32_t CSoundFile::ReadFrames(void* buffer, uint32_t frames, uint32_t wantedBits)
{
    if (!m_open && !EnsureOpen()) return 0;
    if (frames == 0) return 0;
    if (m_series) {
        const uint32_t bits = wantedBits ? wantedBits : m_header.bitsPerSample;
        if (!SupportedMemBytes((bits + 7) / 8)) return 0;
        const bool ok = m_series->Read(buffer, m_position, frames, bits);
        m_readError = m_readError || !ok;
        m_position += frames;
        return ok ? frames : 0;
    }
    const uint32_t fileBits = m_header.bitsPerSample;
    const size_t samples = size_t(frames) * m_header.channels;
    if (wantedBits != 0 && wantedBits != fileBits && (wantedBits + 7) / 8 != (fileBits + 7) / 8) {
        if (!SupportedMemBytes((wantedBits + 7) / 8)) return 0;
        m_scratch.resize(samples * BytesPerSample());
        const int ok = ReadSamplesRaw(m_scratch.data(), samples, BytesPerSample());
        if (!tavril::ConvertSampleWidth(m_scratch.data(), fileBits, buffer, wantedBits, samples)) return 0;
        m_position += frames;
        return ok ? frames : 0;
    }
    const int ok = ReadSamplesRaw(buffer, samples, BytesPerSample());
    m_position += frames;
    return ok ? frames : 0;
}

uint32_t CSoundFile::WriteFrames(const void* buffer, uint32_t frames, uint32_t sourceBits)
{
    if (!m_open && !EnsureOpen()) return 0;
    if (frames == 0 || !CodecFor(m_formatType)) return 0;
    const uint32_t fileBits = m_header.bitsPerSample;
    const size_t samples = size_t(frames) * m_header.channels;
    if (uint64_t(m_position) + frames > UINT32_MAX) return 0;
    if (m_header.dataGrowthLimit != 0 &&
        m_header.dataOffset + (uint64_t(m_position) + frames) * m_header.DiskBytesPerFrame() > m_header.dataGrowthLimit) {
        // Growing further would overwrite a header chunk behind the samples.
        m_writeError = true;
        return 0;
    }
    int ok;
    if (sourceBits != 0 && sourceBits != fileBits && (sourceBits + 7) / 8 != (fileBits + 7) / 8) {
        if (!SupportedMemBytes((sourceBits + 7) / 8)) return 0;
        std::vector<unsigned char> converted(samples * BytesPerSample());
        if (!tavril::ConvertSampleWidth(buffer, sourceBits, converted.data(), fileBits, samples)) return 0;
        ok = WriteSamplesRaw(converted.data(), samples, BytesPerSample());
    } else {
        ok = WriteSamplesRaw(buffer, samples, BytesPerSample());
    }
    m_position += frames;
    m_header.frameCount = std::max(m_header.frameCount, m_position);
    m_headerDirty = true;
    return ok ? frames : 0;
}

bool CSoundFile::SameDiskLayout(const CSoundFile& other) const
{
    return m_open && other.m_open && m_header.encoding == other.m_header.encoding &&
           m_header.diskBytesPerSample == other.m_header.diskBytesPerSample && m_header.channels == other.m_header.channels &&
           m_header.bitsPerSample == other.m_header.bitsPerSample;
}

uint32_t CSoundFile::ReadDiskFrames(void* buffer, uint32_t frames)
{
    if (!m_open && !EnsureOpen()) return 0;
    const uint64_t bpf = m_header.DiskBytesPerFrame();
    if (frames == 0 || bpf == 0) return 0;
    const uint32_t inData = m_position >= m_header.frameCount ? 0 : std::min(frames, m_header.frameCount - m_position);
    auto* out = static_cast<unsigned char*>(buffer);
    const size_t got = m_file.ReadAt(m_header.dataOffset + m_position * bpf, out, inData * bpf);
    std::memset(out + got, 0, frames * bpf - got);  // zero bytes: silence in every disk coding but 8-bit
    if (bpf / m_header.channels == 1 && m_header.encoding == SampleEncoding::PcmLE)
        std::memset(out + inData * bpf, 0x80, (frames - inData) * bpf);
    m_position += frames;
    if (got < inData * bpf) {
        m_readError = true;
        return 0;
    }
    return frames;
}

uint32_t CSoundFile::WriteDiskFrames(const void* buffer, uint32_t frames)
{
    if (!m_open && !EnsureOpen()) return 0;
    const uint64_t bpf = m_header.DiskBytesPerFrame();
    if (frames == 0 || bpf == 0 || !CodecFor(m_formatType)) return 0;
    if (uint64_t(m_position) + frames > UINT32_MAX) return 0;
    if (m_header.dataGrowthLimit != 0 && m_header.dataOffset + (uint64_t(m_position) + frames) * bpf > m_header.dataGrowthLimit) {
        m_writeError = true;
        return 0;
    }
    const size_t bytes = frames * bpf;
    const bool ok = m_file.WriteAt(m_header.dataOffset + m_position * bpf, buffer, bytes) == bytes;
    if (!ok) m_writeError = true;
    m_position += frames;
    m_header.frameCount = std::max(m_header.frameCount, m_position);
    m_headerDirty = true;
    return ok ? frames : 0;
}

uint32_t CSoundFile::ReadChannel(void* buffer, uint32_t frames, uint32_t channel, uint32_t wantedBits)
{
    if (!m_open && !EnsureOpen()) return 0;
    const uint32_t ch = m_header.channels;
    if (ch < 2) return ReadFrames(buffer, frames, wantedBits);
    if (channel >= ch) return 0;
    const uint32_t n = ReadFrames(buffer, frames, wantedBits);
    const uint32_t bits = wantedBits ? wantedBits : m_header.bitsPerSample;
    const uint32_t bytes = (bits + 7) / 8;
    Deinterleave(buffer, n, ch, bytes);
    if (channel > 0) {
        auto* p = static_cast<unsigned char*>(buffer);
        std::memmove(p, p + size_t(channel) * n * bytes, size_t(n) * bytes);
    }
    return n;
}

void CSoundFile::ReplaceChannel(void* frameBuffer, const void* channelSamples, uint32_t frames, uint32_t channel,
                                uint32_t bits)
{
    const uint32_t ch = m_header.channels;
    if (ch == 0) return;
    if (channel >= ch) channel = ch - 1;
    const uint32_t bytes = ((bits ? bits : m_header.bitsPerSample) + 7) / 8;
    if (ch < 2) {
        std::memcpy(frameBuffer, channelSamples, size_t(frames) * bytes);
        return;
    }
    Deinterleave(frameBuffer, frames, ch, bytes);
    std::memcpy(static_cast<unsigned char*>(frameBuffer) + size_t(channel) * frames * bytes, channelSamples,
                size_t(frames) * bytes);
    Interleave(frameBuffer, frames, ch, bytes);
}

uint32_t CSoundFile::WriteChannel(const void* samples, uint32_t frames, uint32_t channel, uint32_t bits)
{
    if (!m_open && !EnsureOpen()) return 0;
    const uint32_t ch = m_header.channels;
    if (ch < 2) return WriteFrames(samples, frames, bits);
    const uint32_t fileBits = m_header.bitsPerSample;
    // The other channels are read and written back at the file's own width so
    // they come back bit for bit; only the new channel is converted.
    const void* channelData = samples;
    std::vector<unsigned char> converted;
    if (bits != 0 && (bits + 7) / 8 != (fileBits + 7) / 8) {
        converted.resize(size_t(frames) * BytesPerSample());
        if (!tavril::ConvertSampleWidth(samples, bits, converted.data(), fileBits, frames)) return 0;
        channelData = converted.data();
    }
    const uint32_t start = m_position;
    std::vector<unsigned char> block(size_t(frames) * BytesPerFrame());
    ReadFrames(block.data(), frames);
    ReplaceChannel(block.data(), channelData, frames, channel, fileBits);
    Seek(start);
    return WriteFrames(block.data(), frames);
}

uint32_t CSoundFile::Seek(uint32_t frame)
{
    if (!m_open && !EnsureOpen()) return 0;
    if (frame == m_position) return m_position;
    if (m_series) return m_position = std::min(frame, m_header.frameCount);
    const uint32_t bpf = m_header.channels * m_header.diskBytesPerSample;
    if (bpf == 0) return 0;
    if (frame >= m_header.frameCount) {
        const uint64_t size = m_file.Size();
        const uint64_t inFile = size > m_header.dataOffset ? (size - m_header.dataOffset) / bpf : 0;
        m_position = static_cast<uint32_t>(std::min<uint64_t>(inFile, m_header.frameCount));
    } else {
        m_position = frame;
    }
    return m_position;
}

void CSoundFile::SetSampleRate(double sampleRate)
{
    if (sampleRate == m_header.sampleRate) return;
    if (!m_open && !EnsureOpen()) return;
    m_header.sampleRate = sampleRate;
    m_headerDirty = true;
    Close();
}

int CSoundFile::SetBitsPerSample(uint32_t bits)
{
    if (bits == m_header.bitsPerSample && m_header.bitsPerSample != 0) return 1;
    if (!EnsureOpen()) return 0;
    if (bits == m_header.bitsPerSample) return 1;
    const ISoundCodec* codec = CodecFor(m_formatType);
    // Refuse before touching a sample: a width the format cannot describe
    // would leave converted samples under the old header.
    if (!codec || !codec->SupportsWidth(bits) || !SupportedMemBytes((bits + 7) / 8) || !m_file.IsWritable()) return 0;

    // The new version is made beside the file (a copy converted in place, so
    // every other chunk stays) and replaces it only when complete: a full
    // disk leaves the file as it was.
    const std::string target = m_fileName;
    Close();
    const std::string temp = CreateTempBeside(target, "");
    if (temp.empty()) return 0;
    bool ok = false;
    {
        CFileHandle in, out;
        struct stat st {};
        ok = in.OpenReadOnly(target) && out.OpenReadWrite(temp) && ::stat(target.c_str(), &st) == 0;
        std::vector<unsigned char> block(kBlockBytes);
        for (uint64_t at = 0, size = in.Size(); ok && at < size;) {
            const size_t n = in.ReadAt(at, block.data(), static_cast<size_t>(std::min<uint64_t>(block.size(), size - at)));
            ok = n > 0 && out.WriteAt(at, block.data(), n) == n;
            at += n;
        }
        if (ok) ::fchmod(out.Descriptor(), st.st_mode & 07777);
    }
    if (ok) {
        CSoundFile work;
        ok = work.Open(temp) == 1 && work.ConvertWidthInPlace(bits) == 1;
        work.Close();
        ok = ok && !work.HasWriteError();
        if (ok) {
            CFileHandle sync;
            ok = sync.OpenReadOnly(temp) && sync.Flush();
        }
    }
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        m_writeError = true;
        return 0;
    }
    Reset();
    if (Open(target)) Close();
    return 1;
}

int CSoundFile::ConvertWidthInPlace(uint32_t bits)
{
    const ISoundCodec* codec = CodecFor(m_formatType);
    if (!codec) return 0;

    const SoundHeader oldHeader = m_header;
    SoundHeader newHeader = m_header;
    codec->AdoptWidth(newHeader, bits);
    const uint32_t ch = oldHeader.channels;
    const uint32_t frames = oldHeader.frameCount;
    const uint32_t oldMem = (oldHeader.bitsPerSample + 7) / 8;
    const uint32_t newMem = (bits + 7) / 8;
    const uint32_t widest = std::max({oldMem, newMem, oldHeader.diskBytesPerSample, newHeader.diskBytesPerSample});
    const uint32_t blockFrames = static_cast<uint32_t>(std::max<size_t>(1, kBlockBytes / (size_t(ch) * widest)));
    std::vector<unsigned char> in(size_t(blockFrames) * ch * oldMem);
    std::vector<unsigned char> out(size_t(blockFrames) * ch * newMem);

    // Converting in place: a narrower layout is written front to back, a wider
    // one back to front, so no block overwrites samples not yet read.
    const bool growing = newHeader.diskBytesPerSample > oldHeader.diskBytesPerSample;
    const uint32_t blocks = frames == 0 ? 0 : (frames + blockFrames - 1) / blockFrames;
    bool ok = true;
    for (uint32_t i = 0; i < blocks && ok; ++i) {
        const uint32_t b = growing ? blocks - 1 - i : i;
        const uint32_t start = b * blockFrames;
        const uint32_t n = std::min(blockFrames, frames - start);
        m_header = oldHeader;
        m_position = start;
        ReadSamplesRaw(in.data(), size_t(n) * ch, oldMem);
        if (!tavril::ConvertSampleWidth(in.data(), oldHeader.bitsPerSample, out.data(), bits, size_t(n) * ch)) {
            ok = false;
            break;
        }
        m_header = newHeader;
        m_position = start;
        ok = WriteSamplesRaw(out.data(), size_t(n) * ch, newMem) == 1;
    }
    m_header = newHeader;
    m_position = 0;
    m_headerDirty = true;
    Close();
    return ok ? 1 : 0;
}

void CSoundFile::SwapBytes16(void* block, uint32_t frames) const
{
    auto* p = static_cast<unsigned char*>(block);
    const size_t samples = size_t(frames) * m_header.channels;
    for (size_t i = 0; i < samples; ++i) std::swap(p[2 * i], p[2 * i + 1]);
}

double CSoundFile::GetSampleRate()
{
    if (m_header.sampleRate == 0) EnsureOpen();
    return m_header.sampleRate;
}

uint32_t CSoundFile::GetChannels()
{
    if (m_header.channels == 0) EnsureOpen();
    return m_header.channels;
}

uint32_t CSoundFile::GetBitsPerSample()
{
    if (m_header.bitsPerSample == 0) EnsureOpen();
    return m_header.bitsPerSample;
}

uint32_t CSoundFile::GetFrameCount()
{
    if (m_header.frameCount == 0) EnsureOpen();
    return m_header.frameCount;
}

double CSoundFile::DurationMs()
{
    const double rate = GetSampleRate();
    if (rate <= 0) return 0.0;
    return GetFrameCount() * 1000.0 / rate;
}

uint32_t CSoundFile::FramesToMs(uint32_t frames)
{
    const double rate = GetSampleRate();
    if (rate <= 0) return 0;
    return static_cast<uint32_t>(std::trunc(frames * 1000.0 / rate));
}

uint32_t CSoundFile::MsToFrames(double ms)
{
    const double v = std::trunc(GetSampleRate() * ms / 1000.0);
    if (!(v > 0)) return 0;
    return v >= 4294967295.0 ? UINT32_MAX : static_cast<uint32_t>(v);
}

std::string CSoundFile::GetFileTitle() const
{
    const size_t slash = m_fileName.find_last_of("/\\");
    return slash == std::string::npos ? m_fileName : m_fileName.substr(slash + 1);
}

bool CSoundFile::ParseTimeFromName(const std::string& title, std::tm& out)
{
    // Looks for YYYYMMDD, an optional separator, then HHMMSS, as recorders
    // such as AudioMoth and Song Meter name their files.
    auto digitsAt = [&](size_t pos, size_t n, int& value) {
        if (pos + n > title.size()) return false;
        value = 0;
        for (size_t i = 0; i < n; ++i) {
            const char c = title[pos + i];
            if (c < '0' || c > '9') return false;
            value = value * 10 + (c - '0');
        }
        return true;
    };
    for (size_t i = 0; i + 14 <= title.size(); ++i) {
        if (i > 0 && std::isdigit(static_cast<unsigned char>(title[i - 1]))) continue;
        int year, month, day, hour, minute, second;
        if (!digitsAt(i, 4, year) || !digitsAt(i + 4, 2, month) || !digitsAt(i + 6, 2, day)) continue;
        size_t t = i + 8;
        if (t < title.size() && (title[t] == '_' || title[t] == '-' || title[t] == 'T' || title[t] == ' ')) ++t;
        if (!digitsAt(t, 2, hour) || !digitsAt(t + 2, 2, minute) || !digitsAt(t + 4, 2, second)) continue;
        if (t + 6 < title.size() && std::isdigit(static_cast<unsigned char>(title[t + 6]))) continue;
        if (year < 1900 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
            second > 60)
            continue;
        std::tm tm{};
        tm.tm_year = year - 1900;
        tm.tm_mon = month - 1;
        tm.tm_mday = day;
        tm.tm_hour = hour;
        tm.tm_min = minute;
        tm.tm_sec = second;
        tm.tm_isdst = -1;
        out = tm;
        return true;
    }
    return false;
}

RecordingTime CSoundFile::GetRecordingStartTime() const
{
    RecordingTime r;
    if (m_series && m_series->Metafile().HasStartDate()) {
        const CivilTime& t = m_series->Metafile().Start();
        r.time.tm_year = t.year - 1900;
        r.time.tm_mon = t.month - 1;
        r.time.tm_mday = t.day;
        r.time.tm_hour = t.hour;
        r.time.tm_min = t.minute;
        r.time.tm_sec = t.second;
        r.time.tm_isdst = -1;
        r.source = RecordingTime::Source::Metafile;
        return r;
    }
    if (ParseTimeFromName(GetFileTitle(), r.time)) {
        r.source = RecordingTime::Source::FileName;
        return r;
    }
    struct stat st {};
    if (!m_fileName.empty() && ::stat(m_fileName.c_str(), &st) == 0) {
        const time_t t = st.st_mtime;
        localtime_r(&t, &r.time);
        r.source = RecordingTime::Source::ModificationTime;
    }
    return r;
}

} // namespace tavril
