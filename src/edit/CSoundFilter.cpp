#include "CSoundFilter.h"

#include "CEditEngine.h"
#include "CSoundFile.h"
#include "Fft.h"
#include "SpectralFrameStore.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tavril {

namespace {

constexpr int kNoiseBins = 256;
constexpr float kNoisePeriodMs = 10.0f;
constexpr int kNoiseAverages = 3;
constexpr double kHeadroomLimit16 = 24576.0;  // trunc(0.75 * 32768)

uint32_t FloatBits(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

float BitsFloat(uint32_t u)
{
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

} // namespace

CSoundFilter::CSoundFilter(CEditEngine& engine) : m_engine(engine) {}

void CSoundFilter::BuildGainCurve(std::vector<float>& curve, int n, double rate, double lowpassHz, double highpassHz,
                                  double freqRampHz, double stopGain)
{
    curve.assign(n, 1.0f);
    const double nyquist = rate / 2.0;
    double l = std::min(lowpassHz, nyquist), h = std::min(highpassHz, nyquist);
    if (!(l > 0) && !(h > 0)) return;
    const float s = static_cast<float>(stopGain);
    const int r = static_cast<int>(std::trunc(freqRampHz / (rate / n)));
    const float step = r >= 1 ? (1.0f - s) / static_cast<float>(r) : 1.0f;
    auto set = [&](int k, float g) {
        if (k < 0 || k > n / 2) return;
        curve[k] = g;
        if (k > 0) curve[n - k] = g;
    };
    const int half = n / 2;
    const int kL = static_cast<int>(std::trunc(half * l / nyquist));
    const int kH = static_cast<int>(std::trunc(half * h / nyquist));
    if (l > 0) {
        const int kE = h > l ? kH : half;
        float g = 1.0f;
        for (int k = kL; k <= kE; ++k) {
            if (g > s) g -= step;
            if (g < s) g = s;
            set(k, g);
        }
    }
    if (h > 0) {
        int kB = 0;
        if (l > 0 && h > l) {
            kB = kL + r;
            if (kB > kH) kB = (kL + kH) / 2;
        }
        float g = 1.0f;
        for (int k = kH; k >= kB; --k) {
            // The gain falls to the stop gain and stays there; it never
            // dips below it (which would turn a line's phase round).
            g = g <= s ? s : std::max(s, g - step);
            set(k, g);
        }
    }
}

bool CSoundFilter::NeedsHeadroom(const std::string& file, uint32_t start, uint32_t count, uint32_t channel,
                                 bool& needed)
{
    CEditEngine::Info info;
    if (!m_engine.GetInfo(file, info)) return false;
    const SampleDomain dom = SampleDomain::ForFileBits(info.bits);
    const double limit = kHeadroomLimit16 * dom.From16();
    int64_t lo = INT64_MAX, hi = INT64_MIN;
    const int ok = m_engine.ReadChannelBlocks(file, start, count, channel, dom.bits,
                                              [&](const int32_t* v, uint32_t n, uint64_t) {
                                                  for (uint32_t i = 0; i < n; ++i) {
                                                      lo = std::min<int64_t>(lo, v[i]);
                                                      hi = std::max<int64_t>(hi, v[i]);
                                                  }
                                                  return true;
                                              });
    needed = count > 0 && (lo < -limit || hi > limit);
    return ok != 0;
}

int CSoundFilter::ShortTimeFilter(const std::string& source, const std::string& destination, uint32_t start,
                                  uint32_t count, uint32_t channel, int n, int hop, bool headroom,
                                  const FrameFn& change)
{
    CEditEngine::Info info;
    if (!m_engine.GetInfo(source, info)) return 0;
    const SampleDomain dom = SampleDomain::ForFileBits(info.bits);
    // Spectra are computed on values in 16-bit units whatever the width.
    const double toUnits = 1.0 / dom.From16();
    const int pad = (n - hop) / 2;
    if (!m_engine.CopyFrames(destination, source, 0, -1, start)) return 0;

    CSoundFile in;
    if (!in.Open(source)) return m_engine.FailOpen(source);
    const uint32_t chunkFrames = static_cast<uint32_t>(hop) * std::max<uint32_t>(1, m_engine.BlockFrames(16) / hop);
    std::vector<int32_t> input;
    std::vector<unsigned char> scratch;
    std::vector<float> re(n), im(n);
    std::vector<int32_t> fifo;
    uint64_t fifoStart = 0;  // output index of fifo[0]
    uint64_t produced = 0;
    bool readFailed = false;

    // Filters the frames whose centres cover output [produced, produced + chunk).
    auto produce = [&]() {
        const uint64_t o0 = produced;
        const uint32_t k = static_cast<uint32_t>(std::min<uint64_t>(chunkFrames, count - o0));
        const uint32_t frames = (k + hop - 1) / hop;
        const int64_t spanStart = static_cast<int64_t>(o0) - pad;
        const uint32_t spanLen = frames * hop + (n - hop);
        input.assign(spanLen, 0);
        const int64_t from = std::max<int64_t>(0, spanStart);
        const int64_t to = std::min<int64_t>(count, spanStart + spanLen);
        if (to > from) {
            if (!CEditEngine::ReadChannelAt(in, static_cast<uint32_t>(start + from), static_cast<uint32_t>(to - from),
                                            channel, dom.bits, scratch, input.data() + (from - spanStart))) {
                readFailed = true;
                return;
            }
            if (headroom)
                for (int64_t p = from; p < to; ++p) {
                    int32_t& v = input[p - spanStart];
                    v = dom.Clip(double(v) * 0.75);
                }
        }
        for (uint32_t f = 0; f < frames; ++f) {
            for (int j = 0; j < n; ++j) {
                re[j] = static_cast<float>(input[size_t(f) * hop + j] * toUnits);
                im[j] = 0.0f;
            }
            WindowedFFTPolar(re.data(), im.data(), n, kWindowBlackman);
            change(static_cast<int64_t>(o0 / hop + f), re.data());
            FFTInversePolar(re.data(), im.data(), n);
            RemoveWindow(re.data(), n, kWindowBlackman);
            for (int j = 0; j < hop && size_t(f) * hop + j < k; ++j)
                fifo.push_back(dom.Clip(double(re[pad + j]) * dom.From16()));
        }
        produced += k;
    };

    const int ok = m_engine.StreamChannel(destination, source, start, count, channel,
                                          [&](int32_t* v, uint32_t k, uint64_t first) {
                                              while (produced < first + k) {
                                                  produce();
                                                  if (readFailed)
                                                      return m_engine.Fail("Cannot read the sound file " + source) != 0;
                                              }
                                              std::copy_n(fifo.begin() + (first - fifoStart), k, v);
                                              const size_t used = static_cast<size_t>(first + k - fifoStart);
                                              fifo.erase(fifo.begin(), fifo.begin() + used);
                                              fifoStart += used;
                                              return true;
                                          });
    in.Close();
    if (!ok) return 0;
    const uint64_t end = uint64_t(start) + count;
    if (end < info.frames) return m_engine.CopyFrames(destination, source, static_cast<uint32_t>(end), -1, -1);
    return 1;
}

int CSoundFilter::BandFilter(const std::string& source, const std::string& destination, uint32_t start,
                             int64_t count, const BandFilterParams& p, uint32_t channel)
{
    CEditEngine::Info info;
    if (!m_engine.GetInfo(source, info)) return 0;
    if (channel >= info.channels) return m_engine.Fail("The sound has no channel " + std::to_string(channel + 1));
    const int n = p.frameSize;
    if (!IsFftSize(n)) return m_engine.Fail("Unsupported filter frame size " + std::to_string(n));
    if (start >= info.frames || info.frames < static_cast<uint32_t>(n)) return m_engine.CopyWhole(destination, source);
    const uint32_t avail = info.frames - start;
    const uint32_t len = count < 0 ? avail : static_cast<uint32_t>(std::min<int64_t>(count, avail));
    if (len == 0) return m_engine.CopyWhole(destination, source);
    const int hop = n / 4;
    bool headroom = false;
    if (!NeedsHeadroom(source, start, len, channel, headroom)) return 0;

    const double s = p.stopGain;
    std::vector<float> curve;
    BuildGainCurve(curve, n, info.rate, p.lowpassHz, p.highpassHz, p.freqRampHz, s);
    const int64_t frames = (int64_t(len) + hop - 1) / hop;
    int64_t t = static_cast<int64_t>(std::trunc(p.timeRampMs * info.rate / 1000.0 / hop));
    if (2 * t > frames) t = frames / 2;
    const double tstep = t >= 1 ? (1.0 - s) / double(t) : s;
    const bool fromStart = start == 0;
    const bool toEnd = uint64_t(start) + len >= info.frames;
    double g = 1.0;
    double builtFor = s;
    return ShortTimeFilter(source, destination, start, len, channel, n, hop, headroom,
                           [&](int64_t i, float* mag) {
                               double next;
                               if (i < t && !fromStart) next = g - tstep;
                               else if (i > frames - t && !toEnd) next = g + tstep;
                               else next = s;
                               g = next;
                               if (g != builtFor) {
                                   BuildGainCurve(curve, n, info.rate, p.lowpassHz, p.highpassHz, p.freqRampHz, g);
                                   builtFor = g;
                               }
                               for (int k = 0; k < n; ++k) mag[k] *= curve[k];
                           });
}

int CSoundFilter::NoiseThresholds(const std::string& file, uint32_t channel, std::vector<float>& thresholds,
                                  uint32_t scaleStart, uint32_t scaleCount)
{
    CEditEngine::Info info;
    if (!m_engine.GetInfo(file, info)) return 0;
    if (channel >= info.channels || !(info.rate > 0)) return m_engine.Fail("Cannot analyse " + file);
    const int64_t frames = static_cast<int64_t>(std::trunc(info.frames * 1000.0 / (kNoisePeriodMs * info.rate)));
    thresholds.assign(kNoiseBins, 0.0f);
    if (frames <= 0) return 1;
    CSoundFile in;
    if (!in.Open(file)) return m_engine.FailOpen(file);
    SpectralFrameStore store;
    if (!store.Prepare(1, kNoiseBins, info.rate, kNoisePeriodMs)) return m_engine.Fail("Cannot analyse " + file);
    const uint32_t span = 2 * kNoiseBins * kNoiseAverages;
    std::vector<unsigned char> scratch;
    std::vector<int32_t> values(span);
    std::vector<int16_t> samples(span);
    const uint64_t scaleEnd = uint64_t(scaleStart) + scaleCount;

    // Runs the analysis, handing each frame's magnitudes to `each`.
    auto forEachFrame = [&](const std::function<void(const float*)>& each) {
        uint32_t t = 0;
        for (int64_t fr = 0; fr < frames; ++fr) {
            // The analysis of a long sound takes a while: report and allow a stop.
            if ((fr & 255) == 0 && !m_engine.Progress(double(fr) / double(frames))) return false;
            const uint32_t pos = static_cast<uint32_t>(std::trunc(t * info.rate / 1000.0));
            if (!CEditEngine::ReadChannelAt(in, pos, span, channel, 16, scratch, values.data())) return false;
            for (uint32_t j = 0; j < span; ++j) {
                int32_t v = values[j];
                if (pos + j >= scaleStart && pos + j < scaleEnd) v = static_cast<int32_t>(std::trunc(v * 0.75));
                samples[j] = static_cast<int16_t>(std::clamp(v, -32768, 32767));
            }
            store.AddFrame(samples.data(), t, kNoiseAverages);
            each(store.Magnitudes(-1));
            t += static_cast<uint32_t>(kNoisePeriodMs);
        }
        return true;
    };

    const int64_t kth = static_cast<int64_t>(std::trunc((frames - 1) * 0.8));
    if (static_cast<uint64_t>(frames) * kNoiseBins * sizeof(float) <= m_inMemoryLimit) {
        std::vector<float> all(static_cast<size_t>(frames) * kNoiseBins);
        size_t fr = 0;
        if (!forEachFrame([&](const float* m) {
                for (int b = 0; b < kNoiseBins; ++b) all[size_t(b) * frames + fr] = m[b];
                ++fr;
            }))
            return m_engine.WasCancelled() ? 0 : m_engine.Fail("Cannot read the sound file " + file);
        for (int b = 0; b < kNoiseBins; ++b) {
            auto first = all.begin() + size_t(b) * frames;
            std::nth_element(first, first + kth, first + frames);
            thresholds[b] = first[kth];
        }
        return 1;
    }
    // Long sounds: the k-th smallest of each line by its bit pattern
    // (magnitudes are never negative, so patterns sort like values), 11, 11
    // and 10 bits per pass, recomputing the spectra each time.
    const int widths[3] = {11, 11, 10};
    std::vector<uint32_t> prefix(kNoiseBins, 0);
    std::vector<int64_t> rank(kNoiseBins, kth);
    int known = 0;  // leading bits fixed so far
    for (int pass = 0; pass < 3; ++pass) {
        const int w = widths[pass];
        const int shift = 32 - known - w;
        std::vector<int64_t> hist(size_t(kNoiseBins) << w, 0);
        if (!forEachFrame([&](const float* m) {
                for (int b = 0; b < kNoiseBins; ++b) {
                    const uint32_t u = FloatBits(m[b]);
                    if (known > 0 && (u >> (32 - known)) != prefix[b]) continue;
                    ++hist[(size_t(b) << w) + ((u >> shift) & ((1u << w) - 1))];
                }
            }))
            return m_engine.WasCancelled() ? 0 : m_engine.Fail("Cannot read the sound file " + file);
        for (int b = 0; b < kNoiseBins; ++b) {
            const int64_t* h = &hist[size_t(b) << w];
            uint32_t bucket = 0;
            for (; bucket < (1u << w) - 1 && rank[b] >= h[bucket]; ++bucket) rank[b] -= h[bucket];
            prefix[b] = (prefix[b] << w) | bucket;
        }
        known += w;
    }
    for (int b = 0; b < kNoiseBins; ++b) thresholds[b] = BitsFloat(prefix[b]);
    return 1;
}

int CSoundFilter::NoiseFilter(const std::string& source, const std::string& destination, uint32_t start,
                              int64_t count, uint32_t channel)
{
    CEditEngine::Info info;
    if (!m_engine.GetInfo(source, info)) return 0;
    if (channel >= info.channels) return m_engine.Fail("The sound has no channel " + std::to_string(channel + 1));
    const int n = kNoiseBins;
    if (info.frames <= static_cast<uint32_t>(n) || start >= info.frames) return m_engine.CopyWhole(destination, source);
    const uint32_t avail = info.frames - start;
    const uint32_t len = count < 0 ? avail : static_cast<uint32_t>(std::min<int64_t>(count, avail));
    if (len == 0) return m_engine.CopyWhole(destination, source);
    bool headroom = false;
    if (!NeedsHeadroom(source, start, len, channel, headroom)) return 0;
    std::vector<float> thr;
    if (!NoiseThresholds(source, channel, thr, headroom ? start : 0, headroom ? len : 0)) return 0;
    // Gating bin k of an n-point frame lies at k * rate / n Hz; the noise
    // lines of the analysis lie at j * rate / (2 * 256) Hz. Each bin is
    // compared with the line of its own frequency.
    std::vector<float> aligned(n);
    for (int k = 0; k < n; ++k) {
        const int kk = k <= n / 2 ? k : n - k;
        aligned[k] = thr[std::min(kNoiseBins - 1, kk * 2 * kNoiseBins / n)];
    }
    return ShortTimeFilter(source, destination, start, len, channel, n, n / 2, headroom,
                           [&](int64_t, float* mag) {
                               for (int k = 0; k < n; ++k)
                                   if (!(mag[k] > aligned[k])) mag[k] = 0.0f;
                           });
}

} // namespace tavril
