#include "CSoundTools.h"

#include "CEditEngine.h"
#include "CSoundFile.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tavril {

CSoundTools::CSoundTools(CEditEngine& engine) : m_engine(engine) {}

double CSoundTools::MaximizeFactor(const std::string& file, uint32_t channel)
{
    CEditEngine::Info info;
    if (!m_engine.GetInfo(file, info)) return 0.0;
    const SampleDomain dom = SampleDomain::ForFileBits(info.bits);
    int64_t largest = -9000000, smallest = 9000000;
    if (dom.bits == 32) {
        largest = INT64_MIN;
        smallest = INT64_MAX;
    }
    const bool ok = m_engine.ReadChannelBlocks(file, 0, info.frames, std::min(channel, info.channels - 1), dom.bits,
                                               [&](const int32_t* v, uint32_t n, uint64_t) {
                                                   for (uint32_t i = 0; i < n; ++i) {
                                                       const int32_t x = v[i];
                                                       if (x > largest) largest = x;
                                                       // 0xBAAD and 0xBAAE mark dropped buffers in
                                                       // recordings; they are not signal.
                                                       if (x < smallest && !(dom.bits == 16 && (x == -17747 || x == -17746)))
                                                           smallest = x;
                                                   }
                                                   return true;
                                               });
    if (!ok) return 0.0;
    if (smallest > largest) smallest = 0;
    if (largest < smallest) largest = 0;
    const double peak = static_cast<double>(std::max(std::llabs(largest), std::llabs(smallest)));
    if (dom.bits == 16) return static_cast<double>(32767.0f / static_cast<float>(peak + 100.0));
    return 2147483647.0 / (peak + 100.0 * 65536.0);
}

int CSoundTools::Maximize(const std::string& source, const std::string& destination, uint32_t channel)
{
    const double factor = MaximizeFactor(source, channel);
    if (factor <= 0.0) return 0;
    return Amplify(source, destination, factor, channel);
}

int CSoundTools::Amplify(const std::string& source, const std::string& destination, double factor, uint32_t channel)
{
    CEditEngine::Info info;
    if (!m_engine.GetInfo(source, info)) return 0;
    const SampleDomain dom = SampleDomain::ForFileBits(info.bits);
    return m_engine.StreamChannel(destination, source, 0, info.frames, channel,
                                  [&](int32_t* v, uint32_t n, uint64_t) {
                                      for (uint32_t i = 0; i < n; ++i) v[i] = dom.Clip(double(v[i]) * factor);
                                      return true;
                                  });
}

int CSoundTools::Ramp(const std::string& source, const std::string& destination, double beginMs, double endMs,
                      uint32_t channel)
{
    CEditEngine::Info info;
    if (!m_engine.GetInfo(source, info)) return 0;
    const int64_t f = info.frames;
    auto toFrames = [&](double ms) {
        const double v = std::trunc(ms * info.rate / 1000.0);
        return v > 0 ? static_cast<int64_t>(std::min(v, 4294967295.0)) : int64_t(0);
    };
    int64_t b = toFrames(beginMs), e = toFrames(endMs);
    if (b + e > f) b = e = f / 2;
    return m_engine.StreamChannel(destination, source, 0, info.frames, channel,
                                  [&](int32_t* v, uint32_t n, uint64_t first) {
                                      for (uint32_t i = 0; i < n; ++i) {
                                          const int64_t k = static_cast<int64_t>(first) + i;
                                          // Exact integer quotients: trunc toward zero.
                                          if (k < b) v[i] = static_cast<int32_t>((__int128)v[i] * k / b);
                                          if (k >= f - e) {
                                              const int64_t j = k - (f - e);
                                              v[i] = static_cast<int32_t>((__int128)v[i] * (e - (j + 1)) / e);
                                          }
                                      }
                                      return true;
                                  });
}

int CSoundTools::Reverse(const std::string& source, const std::string& destination, uint32_t start, int64_t count,
                         uint32_t channel)
{
    CEditEngine::Info info;
    if (!m_engine.GetInfo(source, info)) return 0;
    if (start >= info.frames || count == 0) return m_engine.CopyWhole(destination, source);
    const uint32_t avail = info.frames - start;
    const uint32_t n = count < 0 ? avail : static_cast<uint32_t>(std::min<int64_t>(count, avail));
    const uint32_t end = start + n;
    const SampleDomain dom = SampleDomain::ForFileBits(info.bits);
    if (!m_engine.CopyFrames(destination, source, 0, -1, start)) return 0;
    CSoundFile back;
    if (!back.Open(source)) return m_engine.FailOpen(source);
    std::vector<unsigned char> scratch;
    std::vector<int32_t> tail;
    // Each block of the range takes the channel's values from the mirrored
    // block at the other end, reversed; the other channels stay in place.
    const int ok = m_engine.StreamChannel(destination, source, start, n, channel,
                                          [&](int32_t* v, uint32_t k, uint64_t first) {
                                              const uint32_t from = end - static_cast<uint32_t>(first) - k;
                                              tail.resize(k);
                                              if (!CEditEngine::ReadChannelAt(back, from, k, channel, dom.bits, scratch,
                                                                              tail.data()))
                                                  return m_engine.Fail("Cannot read the sound file " + source) != 0;
                                              std::reverse_copy(tail.begin(), tail.end(), v);
                                              return true;
                                          });
    back.Close();
    if (!ok) return 0;
    if (end < info.frames) return m_engine.CopyFrames(destination, source, end, -1, -1);
    return 1;
}

int CSoundTools::InsertGenerated(const std::string& source, const std::string& destination, int64_t position,
                                 double durationMs, uint32_t channel,
                                 const std::function<void(int32_t*, uint32_t, uint64_t)>& fill)
{
    CEditEngine::Info info;
    if (!m_engine.GetInfo(source, info)) return 0;
    if (channel >= info.channels) return m_engine.Fail("The sound has no channel " + std::to_string(channel + 1));
    const double nd = std::trunc(durationMs * info.rate / 1000.0);
    const uint64_t n = nd > 0 ? static_cast<uint64_t>(std::min(nd, 4294967295.0)) : 0;
    const int64_t f = info.frames;
    if (position == 0) {
        return m_engine.AppendGenerated(destination, n, channel, fill) && m_engine.CopyWhole(destination, source);
    }
    if (position < 0 || position >= f - 1) {
        return m_engine.CopyWhole(destination, source) && m_engine.AppendGenerated(destination, n, channel, fill);
    }
    const uint32_t split = static_cast<uint32_t>(position + 1);
    return m_engine.CopyFrames(destination, source, 0, -1, split) &&
           m_engine.AppendGenerated(destination, n, channel, fill) &&
           m_engine.CopyFrames(destination, source, split, -1, -1);
}

int CSoundTools::InsertSilence(const std::string& source, const std::string& destination, int64_t position,
                               double durationMs, uint32_t channel)
{
    return InsertGenerated(source, destination, position, durationMs, channel,
                           [](int32_t* v, uint32_t n, uint64_t) { std::fill(v, v + n, 0); });
}

int CSoundTools::InsertNoise(const std::string& source, const std::string& destination, int64_t position,
                             double durationMs, double amplitude, uint32_t channel)
{
    CEditEngine::Info info;
    if (!m_engine.GetInfo(source, info)) return 0;
    const SampleDomain dom = SampleDomain::ForFileBits(info.bits);
    return InsertGenerated(source, destination, position, durationMs, channel,
                           [&](int32_t* v, uint32_t n, uint64_t) {
                               for (uint32_t i = 0; i < n; ++i) {
                                   const double u = m_noise.Next() / 4294967296.0;
                                   const double x = std::trunc((u * 65535.0 - 32767.0) * amplitude);
                                   v[i] = dom.Clip(dom.bits == 16 ? x : (u * 65535.0 - 32767.0) * amplitude * dom.From16());
                               }
                           });
}

int CSoundTools::InsertTone(const std::string& source, const std::string& destination, int64_t position,
                            const ToneParams& tone, uint32_t channel)
{
    CEditEngine::Info info;
    if (!m_engine.GetInfo(source, info)) return 0;
    if (!(info.rate > 0)) return m_engine.Fail("The sound has no sample rate");
    const SampleDomain dom = SampleDomain::ForFileBits(info.bits);
    CToneGenerator gen(tone, info.rate);
    return InsertGenerated(source, destination, position, tone.durationMs, channel,
                           [&](int32_t* v, uint32_t n, uint64_t first) { gen.Generate(v, n, first, dom); });
}

int CSoundTools::AmplitudeEnvelope(const std::string& source, const std::string& destination,
                                   const std::string& envelopeFile, double resolutionMs, uint32_t channel)
{
    CEditEngine::Info info, env;
    if (!m_engine.GetInfo(source, info) || !m_engine.GetInfo(envelopeFile, env)) return 0;
    if (env.channels == 0) return m_engine.Fail("The envelope file " + envelopeFile + " has no channels");
    const uint32_t envChannel = std::min(channel, env.channels - 1);
    const SampleDomain dom = SampleDomain::ForFileBits(info.bits);
    const uint32_t limit = std::min(env.frames, info.frames);
    const bool exact = resolutionMs < 1.0;
    const double w = std::max(1.0, resolutionMs * env.rate / 1000.0);
    const uint64_t wFrames = static_cast<uint64_t>(std::trunc(w));

    CSoundFile e;
    if (!e.Open(envelopeFile)) return m_engine.FailOpen(envelopeFile);
    std::vector<unsigned char> scratch;
    std::vector<int32_t> ev;
    const uint32_t winBlock = m_engine.BlockFrames(env.channels * 2 + 4);
    int64_t lastWindow = -1;
    double windowEnv = 0.0;
    bool readFailed = false;
    // The envelope of the window starting at frame i: its peak-to-peak span.
    auto windowValue = [&](uint32_t i) {
        int32_t hi = 0, lo = 0;
        const uint64_t stop = std::min<uint64_t>(uint64_t(i) + wFrames, env.frames);
        for (uint64_t pos = i; pos < stop;) {
            const uint32_t k = static_cast<uint32_t>(std::min<uint64_t>(winBlock, stop - pos));
            ev.resize(k);
            if (!CEditEngine::ReadChannelAt(e, static_cast<uint32_t>(pos), k, envChannel, 16, scratch, ev.data())) {
                readFailed = true;
                break;
            }
            for (uint32_t j = 0; j < k; ++j) {
                hi = std::max(hi, ev[j]);
                lo = std::min(lo, ev[j]);
            }
            pos += k;
        }
        return (double(hi) - double(lo)) / 65536.0;
    };
    const int ok = m_engine.StreamChannel(destination, source, 0, info.frames, channel,
                                          [&](int32_t* v, uint32_t n, uint64_t first) {
                                              if (first >= limit) return true;
                                              const uint32_t m = static_cast<uint32_t>(std::min<uint64_t>(n, limit - first));
                                              if (exact) {
                                                  ev.resize(m);
                                                  if (!CEditEngine::ReadChannelAt(e, static_cast<uint32_t>(first), m,
                                                                                  envChannel, 16, scratch, ev.data()))
                                                      return m_engine.Fail("Cannot read the envelope file " +
                                                                           envelopeFile) != 0;
                                                  for (uint32_t i = 0; i < m; ++i)
                                                      v[i] = dom.Clip(double(v[i]) * (std::fabs(32767.0 - ev[i]) / 65536.0));
                                                  return true;
                                              }
                                              for (uint32_t i = 0; i < m; ++i) {
                                                  const uint32_t idx = static_cast<uint32_t>(first + i);
                                                  const int64_t win = static_cast<int64_t>(std::trunc(idx / w));
                                                  if (win != lastWindow) {
                                                      lastWindow = win;
                                                      windowEnv = windowValue(idx);
                                                      if (readFailed)
                                                          return m_engine.Fail("Cannot read the envelope file " +
                                                                               envelopeFile) != 0;
                                                  }
                                                  v[i] = dom.Clip(double(v[i]) * windowEnv);
                                              }
                                              return true;
                                          });
    return ok;
}

} // namespace tavril
