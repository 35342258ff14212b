#include "CEditEngine.h"

#include "AtomicFile.h"
#include "CSoundFile.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <unistd.h>
#include <vector>

namespace tavril {

SampleDomain SampleDomain::ForFileBits(uint32_t fileBits)
{
    SampleDomain d;
    if (fileBits > 16) {
        d.bits = 32;
        d.fullScale = 2147483648.0;
        d.minValue = -2147483648.0;
        d.maxValue = 2147483647.0;
    }
    return d;
}

int32_t SampleDomain::Clip(double v) const
{
    v = std::trunc(v);
    if (!(v >= minValue)) return static_cast<int32_t>(std::isnan(v) ? 0.0 : minValue);
    if (v > maxValue) return static_cast<int32_t>(maxValue);
    return static_cast<int32_t>(v);
}

namespace {

// Values of one channel of an interleaved block at 16 or 32 bits.
void ExtractChannel(const std::vector<unsigned char>& block, uint32_t frames, uint32_t channels,
                    uint32_t channel, uint32_t bits, int32_t* out)
{
    if (bits == 16) {
        const auto* p = reinterpret_cast<const int16_t*>(block.data());
        for (uint32_t i = 0; i < frames; ++i) out[i] = p[size_t(i) * channels + channel];
    } else {
        const auto* p = reinterpret_cast<const int32_t*>(block.data());
        for (uint32_t i = 0; i < frames; ++i) out[i] = p[size_t(i) * channels + channel];
    }
}

void InsertChannel(std::vector<unsigned char>& block, uint32_t frames, uint32_t channels, uint32_t channel,
                   uint32_t bits, const int32_t* in)
{
    if (bits == 16) {
        auto* p = reinterpret_cast<int16_t*>(block.data());
        for (uint32_t i = 0; i < frames; ++i)
            p[size_t(i) * channels + channel] = static_cast<int16_t>(std::clamp(in[i], -32768, 32767));
    } else {
        auto* p = reinterpret_cast<int32_t*>(block.data());
        for (uint32_t i = 0; i < frames; ++i) p[size_t(i) * channels + channel] = in[i];
    }
}

uint32_t ClampCount(uint32_t frameCount, uint32_t start, int64_t count)
{
    if (start >= frameCount) return 0;
    const uint32_t avail = frameCount - start;
    if (count < 0) return avail;
    return static_cast<uint32_t>(std::min<int64_t>(count, avail));
}

std::string TempBeside(const std::string& path, const char* tag)
{
    namespace fs = std::filesystem;
    const fs::path p(path);
    return CreateUniqueFile((p.parent_path() / (std::string(".") + tag + "-XXXXXX.wav")).string(), 4);
}

} // namespace

CEditEngine::CEditEngine(size_t blockBytes) : m_blockBytes(blockBytes < 64 ? 64 : blockBytes) {}

uint32_t CEditEngine::BlockFrames(uint32_t bytesPerFrame) const
{
    if (bytesPerFrame == 0) bytesPerFrame = 1;
    return static_cast<uint32_t>(std::max<size_t>(1, m_blockBytes / bytesPerFrame));
}

int CEditEngine::Fail(const std::string& reason)
{
    m_lastError = reason;
    return 0;
}

bool CEditEngine::Progress(double fraction)
{
    if (!m_progress || m_progress(std::clamp(fraction, 0.0, 1.0))) return true;
    m_cancelled = true;
    m_lastError = "Cancelled";
    return false;
}

int CEditEngine::FailOpen(const std::string& file) { return Fail("Cannot open the sound file " + file); }

int CEditEngine::FailWrite(const std::string& file)
{
    return Fail("Cannot write to " + file + " (the disk may be full or the folder read-only)");
}

int CEditEngine::ReadChannelAt(CSoundFile& file, uint32_t start, uint32_t frames, uint32_t channel, uint32_t bits,
                               std::vector<unsigned char>& scratch, int32_t* out)
{
    const uint32_t ch = file.GetChannels();
    if (ch == 0 || channel >= ch) return 0;
    scratch.resize(size_t(frames) * ch * (bits / 8));
    file.Seek(start);
    if (file.GetPosition() != start && frames > 0) {
        // Beyond the end: silence.
        std::fill(out, out + frames, 0);
        return 1;
    }
    if (file.ReadFrames(scratch.data(), frames, bits) != frames) return 0;
    ExtractChannel(scratch, frames, ch, channel, bits, out);
    return 1;
}

int CEditEngine::GetInfo(const std::string& file, Info& info)
{
    CSoundFile f;
    if (!f.Open(file)) return FailOpen(file);
    info.rate = f.GetSampleRate();
    info.channels = f.GetChannels();
    info.bits = f.GetBitsPerSample();
    info.frames = f.GetFrameCount();
    return 1;
}

int CEditEngine::CreateLike(const std::string& destination, const std::string& like)
{
    CSoundFile src;
    if (!src.Open(like)) return FailOpen(like);
    const double rate = src.GetSampleRate();
    const uint32_t ch = src.GetChannels();
    const uint32_t bits = src.GetBitsPerSample();
    const bool isFloat = src.IsFloat();
    src.Close();
    CSoundFile dst;
    if (!dst.Create(destination, rate, ch, bits, 0, isFloat)) return FailWrite(destination);
    dst.Close();
    if (dst.HasWriteError()) return FailWrite(destination);
    return 1;
}

int CEditEngine::CopyFrames(const std::string& destination, const std::string& source, uint32_t sourceStart,
                            int64_t destStart, int64_t count)
{
    if (count == 0) return 1;
    CSoundFile src;
    if (!src.Open(source)) return FailOpen(source);
    const uint32_t n = ClampCount(src.GetFrameCount(), sourceStart, count);
    CSoundFile dst;
    if (!dst.Open(destination)) return FailOpen(destination);
    if (n == 0) return 1;
    const uint32_t srcCh = src.GetChannels();
    const uint32_t dstCh = dst.GetChannels();
    const uint32_t srcBits = src.GetBitsPerSample();
    const uint32_t bytes = (srcBits + 7) / 8;
    const uint32_t blockFrames = BlockFrames(std::max(srcCh, dstCh) * std::max<uint32_t>(bytes, 4));
    std::vector<unsigned char> in(size_t(blockFrames) * srcCh * bytes);
    std::vector<unsigned char> mapped;
    if (srcCh != dstCh) mapped.resize(size_t(blockFrames) * dstCh * bytes);

    dst.Seek(destStart < 0 ? UINT32_MAX : static_cast<uint32_t>(std::min<int64_t>(destStart, UINT32_MAX)));
    src.Seek(sourceStart);
    if (src.IsFloat() && src.SameDiskLayout(dst)) {
        // Float samples are copied as stored: values beyond full scale
        // would not survive the integer memory model.
        std::vector<unsigned char> raw(size_t(blockFrames) * dst.GetHeader().DiskBytesPerFrame());
        for (uint32_t done = 0; done < n;) {
            const uint32_t k = std::min(blockFrames, n - done);
            if (src.ReadDiskFrames(raw.data(), k) != k) return Fail("Cannot read the sound file " + source);
            if (dst.WriteDiskFrames(raw.data(), k) != k) return FailWrite(destination);
            done += k;
            if (!Progress(double(done) / n)) return 0;
        }
        dst.Close();
        return dst.HasWriteError() ? FailWrite(destination) : 1;
    }
    for (uint32_t done = 0; done < n;) {
        const uint32_t k = std::min(blockFrames, n - done);
        if (src.ReadFrames(in.data(), k) != k) return Fail("Cannot read the sound file " + source);
        const unsigned char* out = in.data();
        if (srcCh != dstCh) {
            // A mono source feeds every channel; otherwise channel c takes
            // source channel c and channels the source lacks stay silent.
            std::fill(mapped.begin(), mapped.end(), bytes == 1 ? 0x80 : 0);
            for (uint32_t f = 0; f < k; ++f)
                for (uint32_t c = 0; c < dstCh; ++c) {
                    const uint32_t sc = srcCh == 1 ? 0 : c;
                    if (sc >= srcCh) continue;
                    std::memcpy(&mapped[(size_t(f) * dstCh + c) * bytes], &in[(size_t(f) * srcCh + sc) * bytes],
                                bytes);
                }
            out = mapped.data();
        }
        if (dst.WriteFrames(out, k, srcBits) != k || dst.HasWriteError()) return FailWrite(destination);
        done += k;
        if (!Progress(double(done) / n)) return 0;
    }
    if (src.HasClipped()) m_clipped = true;
    src.Close();
    dst.Close();
    if (dst.HasWriteError()) return FailWrite(destination);
    return 1;
}

int CEditEngine::CopyWhole(const std::string& destination, const std::string& source)
{
    return CopyFrames(destination, source, 0, -1, -1);
}

int CEditEngine::Resample(const std::string& destination, const std::string& source, uint32_t start,
                          int64_t count, double rate)
{
    CSoundFile src;
    if (!src.Open(source)) return FailOpen(source);
    const double srcRate = src.GetSampleRate();
    const uint32_t ch = src.GetChannels();
    const uint32_t bits = src.GetBitsPerSample();
    const uint32_t n = ClampCount(src.GetFrameCount(), start, count);
    if (!(srcRate > 0) || !(rate > 0) || ch == 0) return Fail("Cannot resample " + source);
    CSoundFile dst;
    if (!dst.Create(destination, rate, ch, bits)) return FailWrite(destination);

    const SampleDomain dom = SampleDomain::ForFileBits(bits);
    const uint32_t memBytes = dom.bits / 8;
    const double ratio = rate / srcRate;
    int err = 0;
    SRC_STATE* state = src_new(SRC_SINC_MEDIUM_QUALITY, static_cast<int>(ch), &err);
    if (!state) return Fail(std::string("Cannot resample: ") + src_strerror(err));
    const uint32_t blockFrames = BlockFrames(ch * (memBytes + 8 + static_cast<uint32_t>(std::ceil(ratio)) * 8));
    const uint32_t outFrames = static_cast<uint32_t>(std::ceil(blockFrames * ratio)) + 64;
    std::vector<unsigned char> raw(size_t(blockFrames) * ch * memBytes);
    std::vector<float> fin(size_t(blockFrames) * ch);
    std::vector<float> fout(size_t(outFrames) * ch);
    std::vector<unsigned char> rawOut(size_t(outFrames) * ch * memBytes);
    src.Seek(start);
    uint32_t done = 0;
    bool ok = true;
    size_t pendingIn = 0;  // frames of fin not yet consumed
    while (ok) {
        if (pendingIn == 0) {
            const uint32_t k = std::min(blockFrames, n - done);
            if (k > 0) {
                src.ReadFrames(raw.data(), k, dom.bits);
                const size_t samples = size_t(k) * ch;
                if (dom.bits == 16)
                    src_short_to_float_array(reinterpret_cast<const short*>(raw.data()), fin.data(),
                                             static_cast<int>(samples));
                else
                    src_int_to_float_array(reinterpret_cast<const int*>(raw.data()), fin.data(),
                                           static_cast<int>(samples));
                done += k;
                pendingIn = k;
            }
        }
        const bool last = done >= n;
        SRC_DATA data{};
        data.data_in = fin.data();
        data.input_frames = static_cast<long>(pendingIn);
        data.data_out = fout.data();
        data.output_frames = static_cast<long>(outFrames);
        data.src_ratio = ratio;
        data.end_of_input = last ? 1 : 0;
        if (src_process(state, &data) != 0) {
            ok = false;
            break;
        }
        if (data.input_frames_used > 0 && static_cast<size_t>(data.input_frames_used) < pendingIn)
            std::memmove(fin.data(), fin.data() + size_t(data.input_frames_used) * ch,
                         (pendingIn - data.input_frames_used) * ch * sizeof(float));
        pendingIn -= static_cast<size_t>(data.input_frames_used);
        const long gen = data.output_frames_gen;
        if (gen > 0) {
            const size_t samples = size_t(gen) * ch;
            if (dom.bits == 16) {
                auto* o = reinterpret_cast<int16_t*>(rawOut.data());
                for (size_t i = 0; i < samples; ++i)
                    o[i] = static_cast<int16_t>(dom.Clip(std::lrint(double(fout[i]) * dom.fullScale)));
            } else {
                auto* o = reinterpret_cast<int32_t*>(rawOut.data());
                for (size_t i = 0; i < samples; ++i) o[i] = dom.Clip(std::nearbyint(double(fout[i]) * dom.fullScale));
            }
            if (dst.WriteFrames(rawOut.data(), static_cast<uint32_t>(gen), dom.bits) != static_cast<uint32_t>(gen)) {
                ok = false;
                break;
            }
        }
        if (last && pendingIn == 0 && gen == 0) break;
    }
    src_delete(state);
    dst.Close();
    if (!ok || dst.HasWriteError()) return FailWrite(destination);
    return 1;
}

int CEditEngine::Insert(const std::string& source, const std::string& destination, const std::string& clip,
                        uint32_t clipStart, uint32_t position, int64_t clipCount, int mode)
{
    CSoundFile s;
    if (!s.Open(source)) return FailOpen(source);
    const double srcRate = s.GetSampleRate();
    const uint32_t srcCh = s.GetChannels();
    const uint32_t srcBits = s.GetBitsPerSample();
    const uint32_t srcFrames = s.GetFrameCount();
    s.Close();

    if (mode == kClipOnly) {
        CSoundFile d;
        if (!d.Create(destination, srcRate, srcCh, srcBits, 0, s.IsFloat())) return FailWrite(destination);
        d.Close();
        return CopyFrames(destination, clip, clipStart, -1, clipCount);
    }

    // A clip of another rate would change pitch and duration; bring it to
    // the sound's rate first.
    std::string clipPath = clip;
    std::string resampled;
    uint32_t cStart = clipStart;
    int64_t cCount = clipCount;
    {
        CSoundFile c;
        if (!c.Open(clip)) return FailOpen(clip);
        const double clipRate = c.GetSampleRate();
        c.Close();
        if (clipRate > 0 && srcRate > 0 && std::fabs(clipRate - srcRate) > 1e-6) {
            resampled = TempBeside(destination, "clip-resampled");
            if (resampled.empty()) return FailWrite(destination);
            if (!Resample(resampled, clip, clipStart, clipCount, srcRate)) {
                ::unlink(resampled.c_str());
                return 0;
            }
            clipPath = resampled;
            cStart = 0;
            cCount = -1;
        }
    }
    uint32_t clipFrames = 0;
    {
        CSoundFile c;
        if (!c.Open(clipPath)) return FailOpen(clipPath);
        clipFrames = ClampCount(c.GetFrameCount(), cStart, cCount);
    }
    const uint32_t pos = std::min(position, srcFrames);
    int ok = CopyFrames(destination, source, 0, -1, pos) && CopyFrames(destination, clipPath, cStart, -1, clipFrames);
    if (ok) {
        const uint64_t rest = mode == kOverwrite ? uint64_t(pos) + clipFrames : pos;
        if (rest < srcFrames) ok = CopyFrames(destination, source, static_cast<uint32_t>(rest), -1, -1);
    }
    if (!resampled.empty()) ::unlink(resampled.c_str());
    return ok;
}

int CEditEngine::CopyToNewFile(const std::string& newFile, const std::string& source, uint32_t start, int64_t count)
{
    ::unlink(newFile.c_str());
    if (!CreateLike(newFile, source)) return 0;
    return CopyFrames(newFile, source, start, 0, count);
}

int CEditEngine::CopyChannelToNewFile(const std::string& newFile, const std::string& source, uint32_t start,
                                      int64_t count, uint32_t channel)
{
    CSoundFile src;
    if (!src.Open(source)) return FailOpen(source);
    const uint32_t ch = src.GetChannels();
    const uint32_t bits = src.GetBitsPerSample();
    if (channel >= ch) return Fail("The sound has no channel " + std::to_string(channel + 1));
    const uint32_t n = ClampCount(src.GetFrameCount(), start, count);
    ::unlink(newFile.c_str());
    CSoundFile dst;
    if (!dst.Create(newFile, src.GetSampleRate(), 1, bits, 0, src.IsFloat())) return FailWrite(newFile);
    const uint32_t bytes = (bits + 7) / 8;
    const uint32_t blockFrames = BlockFrames(ch * bytes);
    std::vector<unsigned char> buf(size_t(blockFrames) * ch * bytes);
    src.Seek(start);
    for (uint32_t done = 0; done < n;) {
        const uint32_t k = std::min(blockFrames, n - done);
        if (src.ReadChannel(buf.data(), k, channel) != k) return Fail("Cannot read the sound file " + source);
        if (dst.WriteFrames(buf.data(), k) != k) return FailWrite(newFile);
        done += k;
    }
    dst.Close();
    if (dst.HasWriteError()) return FailWrite(newFile);
    return 1;
}

int CEditEngine::DeleteRange(const std::string& previous, const std::string& working, uint32_t start, int64_t count)
{
    CSoundFile p;
    if (!p.Open(previous)) return FailOpen(previous);
    const uint32_t frames = p.GetFrameCount();
    p.Close();
    const uint32_t n = ClampCount(frames, start, count);
    if (!CopyFrames(working, previous, 0, -1, std::min(start, frames))) return 0;
    const uint64_t rest = uint64_t(start) + n;
    if (rest < frames) return CopyFrames(working, previous, static_cast<uint32_t>(rest), -1, -1);
    return 1;
}

int CEditEngine::Trim(const std::string& previous, const std::string& working, uint32_t start, int64_t count)
{
    return CopyFrames(working, previous, start, -1, count);
}

int CEditEngine::Cut(const std::string& clip, const std::string& previous, const std::string& working,
                     uint32_t start, int64_t count)
{
    if (!Insert(previous, clip, previous, start, 0, count, kClipOnly)) return 0;
    return DeleteRange(previous, working, start, count);
}

int CEditEngine::StreamChannel(const std::string& destination, const std::string& source, uint32_t start,
                               uint32_t count, uint32_t channel, const ChannelFn& fn)
{
    if (count == 0) return 1;
    CSoundFile src;
    if (!src.Open(source)) return FailOpen(source);
    CSoundFile dst;
    if (!dst.Open(destination)) return FailOpen(destination);
    const uint32_t ch = src.GetChannels();
    if (ch == 0 || dst.GetChannels() != ch) return Fail("The files " + source + " and " + destination + " differ in channels");
    if (channel >= ch) return Fail("The sound has no channel " + std::to_string(channel + 1));
    const SampleDomain dom = SampleDomain::ForFileBits(src.GetBitsPerSample());
    const uint32_t memBytes = dom.bits / 8;
    const uint32_t blockFrames = BlockFrames(ch * memBytes + 4);
    std::vector<unsigned char> block(size_t(blockFrames) * ch * memBytes);
    std::vector<int32_t> values(blockFrames);
    src.Seek(start);
    dst.Seek(UINT32_MAX);
    for (uint32_t done = 0; done < count;) {
        const uint32_t k = std::min(blockFrames, count - done);
        if (src.ReadFrames(block.data(), k, dom.bits) != k) return Fail("Cannot read the sound file " + source);
        ExtractChannel(block, k, ch, channel, dom.bits, values.data());
        if (!fn(values.data(), k, done)) return 0;
        InsertChannel(block, k, ch, channel, dom.bits, values.data());
        if (dst.WriteFrames(block.data(), k, dom.bits) != k) return FailWrite(destination);
        done += k;
        if (!Progress(double(done) / count)) return 0;
    }
    if (src.HasClipped()) m_clipped = true;
    dst.Close();
    if (dst.HasWriteError()) return FailWrite(destination);
    return 1;
}

int CEditEngine::ReadChannelBlocks(const std::string& source, uint32_t start, uint32_t count, uint32_t channel,
                                   uint32_t domainBits, const ReadFn& fn)
{
    CSoundFile src;
    if (!src.Open(source)) return FailOpen(source);
    const uint32_t ch = src.GetChannels();
    if (ch == 0) return 1;
    if (channel >= ch) return Fail("The sound has no channel " + std::to_string(channel + 1));
    const uint32_t memBytes = domainBits / 8;
    const uint32_t blockFrames = BlockFrames(ch * memBytes + 4);
    std::vector<unsigned char> block(size_t(blockFrames) * ch * memBytes);
    std::vector<int32_t> values(blockFrames);
    src.Seek(start);
    for (uint32_t done = 0; done < count;) {
        const uint32_t k = std::min(blockFrames, count - done);
        if (src.ReadFrames(block.data(), k, domainBits) != k) return Fail("Cannot read the sound file " + source);
        ExtractChannel(block, k, ch, channel, domainBits, values.data());
        if (!fn(values.data(), k, done)) return 0;
        done += k;
    }
    if (src.HasClipped()) m_clipped = true;
    return 1;
}

int CEditEngine::AppendGenerated(const std::string& destination, uint64_t frames, uint32_t channel,
                                 const FillFn& fill)
{
    if (frames == 0) return 1;
    CSoundFile dst;
    if (!dst.Open(destination)) return FailOpen(destination);
    const uint32_t ch = dst.GetChannels();
    if (ch == 0) return Fail("The sound file " + destination + " has no channels");
    if (channel >= ch) return Fail("The sound has no channel " + std::to_string(channel + 1));
    if (uint64_t(dst.GetFrameCount()) + frames > UINT32_MAX)
        return Fail("The sound would become longer than a WAV file can hold");
    const SampleDomain dom = SampleDomain::ForFileBits(dst.GetBitsPerSample());
    const uint32_t memBytes = dom.bits / 8;
    const uint32_t blockFrames = BlockFrames(ch * memBytes + 4);
    std::vector<unsigned char> block(size_t(blockFrames) * ch * memBytes);
    std::vector<int32_t> values(blockFrames);
    dst.Seek(UINT32_MAX);
    for (uint64_t done = 0; done < frames;) {
        const uint32_t k = static_cast<uint32_t>(std::min<uint64_t>(blockFrames, frames - done));
        std::fill(block.begin(), block.end(), 0);
        fill(values.data(), k, done);
        InsertChannel(block, k, ch, channel, dom.bits, values.data());
        if (dst.WriteFrames(block.data(), k, dom.bits) != k) return FailWrite(destination);
        done += k;
    }
    dst.Close();
    if (dst.HasWriteError()) return FailWrite(destination);
    return 1;
}

} // namespace tavril
