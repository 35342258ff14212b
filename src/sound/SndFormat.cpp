#include "SndFormat.h"

#include "CFileHandle.h"
#include "CSoundFile.h"
#include "ConvertSupport.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tavril {

using namespace convert;

int16_t SndFormat::Decode(uint16_t stored)
{
    // Words outside the 12-bit range come from other writers' flag bits or
    // damage; they are pinned rather than wrapped.
    const int v = (int(stored) - 0x800) * 16;
    return static_cast<int16_t>(std::clamp(v, -32768, 32767));
}

uint32_t SndFormat::IntervalForRate(double rate)
{
    if (!(rate > 0) || !std::isfinite(rate)) return 0;
    const double interval = std::trunc(kClockHz / rate);
    if (interval < 1 || interval > 32767) return 0;
    return static_cast<uint32_t>(interval);
}

int SndFormat::WriteFromWav(const std::string& wavPath, const std::string& sndPath, const Progress& progress)
{
    CProgressReporter report(progress);
    CSoundFile src;
    if (!src.Open(wavPath)) return 0;
    const uint32_t frames = src.GetFrameCount();
    const uint32_t interval = IntervalForRate(src.GetSampleRate());
    if (interval == 0) return 0;

    unsigned char h[kHeaderBytes] = {};
    PutLE16(h + 0, 0xAAAA);
    PutLE16(h + 2, 0x0600);
    PutLE16(h + 4, 16);
    PutLE16(h + 6, 2 | (1 << 2));  // bits 0-1: 2, bit 2: 1, bits 3-6: 0
    PutLE16(h + 8, 1);
    PutLE16(h + 10, 1);
    PutLE16(h + 42, 1);
    std::memcpy(h + 74, "one channel", 12);
    std::memcpy(h + 714, "disabled", 9);
    std::memcpy(h + 724, "disabled", 9);
    PutLE32(h + kIntervalAt, interval);
    PutLE32(h + kCountAt, frames);
    std::memcpy(h + 748, "File converted from WAV format", 31);

    CFileHandle out;
    if (!out.Create(sndPath)) return 0;
    if (out.Write(h, kHeaderBytes) != kHeaderBytes) return 0;
    std::vector<int16_t> block;
    std::vector<unsigned char> words;
    src.Seek(0);
    for (uint32_t done = 0; done < frames;) {
        const uint32_t n = ReadFirstChannel16(src, std::min(kBlockFrames, frames - done), block);
        if (n == 0) return 0;
        words.resize(size_t(n) * 2);
        for (uint32_t i = 0; i < n; ++i) PutLE16(words.data() + 2 * size_t(i), Encode(block[i]));
        if (out.Write(words.data(), words.size()) != words.size()) return 0;
        done += n;
        if (!report.Report(done, frames)) return 0;
    }
    return out.Flush() ? 1 : 0;
}

int SndFormat::ReadToWav(const std::string& sndPath, const std::string& wavPath, const Progress& progress)
{
    CProgressReporter report(progress);
    CFileHandle in;
    if (!in.OpenReadOnly(sndPath)) return 0;
    const uint64_t fileSize = in.Size();
    unsigned char h[kHeaderBytes];
    if (fileSize < kHeaderBytes || in.ReadAt(0, h, kHeaderBytes) != kHeaderBytes) return 0;
    const int interval = int16_t(GetLE16(h + kIntervalAt));
    if (interval <= 0) return 0;
    const double rate = std::trunc(kClockHz / interval);
    const uint64_t count = std::min<uint64_t>(GetLE32(h + kCountAt), (fileSize - kHeaderBytes) / 2);

    CSoundFile out;
    if (!out.Create(wavPath, rate, 1, 16)) return 0;
    std::vector<unsigned char> words;
    std::vector<int16_t> values;
    for (uint64_t done = 0; done < count;) {
        const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(kBlockFrames, count - done));
        words.resize(size_t(n) * 2);
        if (in.ReadAt(kHeaderBytes + done * 2, words.data(), words.size()) != words.size()) return 0;
        values.resize(n);
        for (uint32_t i = 0; i < n; ++i) values[i] = Decode(GetLE16(words.data() + 2 * size_t(i)));
        if (out.WriteFrames(values.data(), n) != n) return 0;
        done += n;
        if (!report.Report(done, count)) return 0;
    }
    out.Close();
    return out.HasWriteError() ? 0 : 1;
}

} // namespace tavril
