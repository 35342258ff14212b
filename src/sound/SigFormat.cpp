#include "SigFormat.h"

#include "CFileHandle.h"
#include "CSoundFile.h"
#include "ConvertSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace tavril {

using namespace convert;

namespace {

constexpr double kMaxRate = 50'000'000.0;

// Truncation as the format defines it, except that a value a hair below an
// integer because of the float scale's rounding is taken as that integer, and
// values beyond 16 bits are pinned instead of wrapping.
int16_t ToSample16(double x)
{
    if (std::isnan(x)) return 0;
    const double nearest = std::nearbyint(x);
    double v = std::fabs(x - nearest) < 1e-3 ? nearest : std::trunc(x);
    v = std::clamp(v, -32768.0, 32767.0);
    return static_cast<int16_t>(v);
}

} // namespace

std::string SigFormat::DateField(int month, int day, int year)
{
    char text[32];
    std::snprintf(text, sizeof text, "%2d-%2d-%2d", month % 100, day % 100, ((year % 100) + 100) % 100);
    std::string s(text, 8);
    std::replace(s.begin(), s.end(), ' ', '0');
    return s;
}

int SigFormat::WriteFromWav(const std::string& wavPath, const std::string& sigPath, const Progress& progress)
{
    CProgressReporter report(progress);
    CSoundFile src;
    if (!src.Open(wavPath)) return 0;
    const uint32_t frames = src.GetFrameCount();
    const double rate = src.GetSampleRate();
    if (!(rate > 0)) return 0;

    // The peak decides the scale, so it is found before anything is written.
    std::vector<int16_t> block;
    int peak = 0;
    src.Seek(0);
    for (uint32_t done = 0; done < frames;) {
        const uint32_t n = ReadFirstChannel16(src, std::min(kBlockFrames, frames - done), block);
        if (n == 0) return 0;
        for (int16_t v : block) peak = std::max(peak, std::abs(int(v)));
        done += n;
        if (!report.Report(done, frames, 0.0, 0.5)) return 0;
    }
    // A silent sound would get an infinite scale; any finite one reads back
    // as silence, so it is written as if the peak were 1.
    if (peak == 0) peak = 1;

    const uint64_t padded = (uint64_t(frames) + kBlockSamples - 1) / kBlockSamples * kBlockSamples;
    unsigned char h[kHeaderBytes];
    std::fill(h, h + 512, 0);
    std::fill(h + 512, h + kHeaderBytes, ' ');
    std::memcpy(h, "EXT 1.00", 8);
    PutFloatLE(h + kVersionAt, 2.0f);
    PutFloatLE(h + kBlocksAt, static_cast<float>(padded / kBlockSamples));
    std::memcpy(h + 16, "T   ", 4);
    std::memcpy(h + kTypeAt, "R   ", 4);
    PutFloatLE(h + kScaleAt, static_cast<float>(10.0 / peak));
    PutFloatLE(h + kOffsetAt, 0.0f);
    PutFloatLE(h + kCountAt, static_cast<float>(padded));
    PutFloatLE(h + kRateAt, static_cast<float>(rate));
    PutFloatLE(h + kDurationAt, static_cast<float>(padded * 1000.0 / rate));
    std::memcpy(h + 96, "AmplitudVolts   msec", 20);
    std::memcpy(h + 116, "Converted from WAV  ", 20);
    std::memcpy(h + 136, "        ", 8);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::string date = DateField(local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
    std::memcpy(h + kDateAt, date.data(), 8);
    std::memcpy(h + 156, "    ", 4);

    CFileHandle out;
    if (!out.Create(sigPath)) return 0;
    if (out.Write(h, kHeaderBytes) != kHeaderBytes) return 0;
    std::vector<unsigned char> bytes;
    src.Seek(0);
    for (uint64_t done = 0; done < padded;) {
        const uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(kBlockFrames, padded - done));
        uint32_t n = 0;
        if (done < frames) {
            n = ReadFirstChannel16(src, std::min<uint32_t>(want, frames - static_cast<uint32_t>(done)), block);
            if (n == 0) return 0;
        }
        block.resize(want, 0);  // the padding is silence
        bytes.resize(size_t(want) * 4);
        for (uint32_t i = 0; i < want; ++i) PutFloatLE(bytes.data() + 4 * size_t(i), static_cast<float>(block[i]));
        if (out.Write(bytes.data(), bytes.size()) != bytes.size()) return 0;
        done += want;
        if (!report.Report(done, padded, 0.5, 1.0)) return 0;
    }
    return out.Flush() ? 1 : 0;
}

int SigFormat::ReadToWav(const std::string& sigPath, const std::string& wavPath, const Progress& progress)
{
    CProgressReporter report(progress);
    CFileHandle in;
    if (!in.OpenReadOnly(sigPath)) return 0;
    const uint64_t fileSize = in.Size();
    unsigned char h[kHeaderBytes];
    if (fileSize < kHeaderBytes || in.ReadAt(0, h, kHeaderBytes) != kHeaderBytes) return 0;

    const double version = GetFloatLE(h + kVersionAt);
    const double rateField = GetFloatLE(h + kRateAt);
    const double countField = GetFloatLE(h + kCountAt);
    if (!std::isfinite(rateField) || !std::isfinite(countField)) return 0;
    const double rate = std::trunc(rateField);
    if (rate < 1 || rate > kMaxRate || countField < 0) return 0;
    const bool integerSamples = h[kTypeAt] == 'I';
    if (!integerSamples && h[kTypeAt] != 'R') return 0;
    const uint32_t sampleBytes = integerSamples ? 2 : 4;

    // Version 2.0 headers are 1024 bytes; later versions add header data of
    // their own, and the samples are the last `count` values of the file.
    uint64_t count = static_cast<uint64_t>(std::min(std::trunc(countField), 1e18));
    uint64_t dataOffset = kHeaderBytes;
    if (version > 2.0 && count * sampleBytes <= fileSize - kHeaderBytes)
        dataOffset = fileSize - count * sampleBytes;
    count = std::min(count, (fileSize - dataOffset) / sampleBytes);  // never more than the file holds
    if (count > UINT32_MAX) return 0;

    CSoundFile out;
    if (!out.Create(wavPath, rate, 1, 16)) return 0;

    const double offsetField = GetFloatLE(h + kOffsetAt);
    const double scale = GetFloatLE(h + kScaleAt);
    const bool scaled = std::isfinite(scale) && scale > 0;
    double mean = 0, halfRange = 0;
    // Unscaled data are read twice, first for their mean and extremes.
    const double writeFrom = !integerSamples && !scaled ? 0.5 : 0.0;
    std::vector<unsigned char> raw;
    auto readBlock = [&](uint64_t first, uint32_t n) {
        raw.resize(size_t(n) * sampleBytes);
        return in.ReadAt(dataOffset + first * sampleBytes, raw.data(), raw.size()) == raw.size();
    };
    if (!integerSamples && !scaled) {
        // No scale: centre the data on their mean and let the larger distance
        // of the extremes from it reach full scale.
        double sum = 0, lo = HUGE_VAL, hi = -HUGE_VAL;
        uint64_t finite = 0;
        for (uint64_t done = 0; done < count;) {
            const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(kBlockFrames, count - done));
            if (!readBlock(done, n)) return 0;
            for (uint32_t i = 0; i < n; ++i) {
                const double x = GetFloatLE(raw.data() + 4 * size_t(i));
                if (!std::isfinite(x)) continue;
                sum += x;
                lo = std::min(lo, x);
                hi = std::max(hi, x);
                ++finite;
            }
            done += n;
            if (!report.Report(done, count, 0.0, writeFrom)) return 0;
        }
        if (finite > 0) {
            mean = sum / double(finite);
            halfRange = std::max(mean - lo, hi - mean);
        }
    }
    const double integerOffset = std::isfinite(offsetField) ? std::trunc(offsetField) : 0.0;

    std::vector<int16_t> values;
    for (uint64_t done = 0; done < count;) {
        const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(kBlockFrames, count - done));
        if (!readBlock(done, n)) return 0;
        values.resize(n);
        for (uint32_t i = 0; i < n; ++i) {
            const unsigned char* p = raw.data() + size_t(i) * sampleBytes;
            if (integerSamples) {
                const double v = (integerOffset - double(int16_t(GetLE16(p)))) * 16.0;
                values[i] = ToSample16(v);
            } else {
                const double x = GetFloatLE(p);
                if (scaled) values[i] = ToSample16((x - offsetField) * scale / 10.0 * 32767.0);
                else values[i] = halfRange > 0 && std::isfinite(x) ? ToSample16((x - mean) / halfRange * 32767.0) : 0;
            }
        }
        if (out.WriteFrames(values.data(), n) != n) return 0;
        done += n;
        if (!report.Report(done, count, writeFrom, 1.0)) return 0;
    }
    out.Close();
    return out.HasWriteError() ? 0 : 1;
}

} // namespace tavril
