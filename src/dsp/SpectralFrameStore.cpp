#include "SpectralFrameStore.h"

#include "CSoundFile.h"
#include "Fft.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace tavril {

namespace {

constexpr int kMaxAverages = 1024;

} // namespace

int SpectralFrameStore::Prepare(int capacity, int bins, double sampleRate, float periodMs)
{
    m_frames.clear();
    m_count = 0;
    m_newest = -1;
    m_oldest = 0;
    m_sumMeans = m_sumMaxima = m_largestMax = 0.0;
    m_smallestMin = 1e6;
    m_peakThreshold = 0.0;
    m_statsValid = false;
    m_bins = 0;
    if (!IsFftSize(2 * bins) || capacity < 0 || int64_t(capacity) * bins > kMaxValues) return 0;
    m_bins = bins;
    m_sampleRate = sampleRate;
    m_nyquist = static_cast<float>(sampleRate / 2.0);
    m_periodMs = periodMs;
    m_bandLow = 0.0f;
    m_bandHigh = m_nyquist;
    m_frames.resize(capacity);
    for (SpectralFrame& f : m_frames) {
        f.bins = bins;
        f.magnitudes.assign(bins, 0.0f);
    }
    m_re.assign(2 * bins, 0.0f);
    m_im.assign(2 * bins, 0.0f);
    m_sorted.assign(bins, 0.0f);
    m_accumulator.assign(bins, 0.0);
    return 1;
}

int SpectralFrameStore::Analyse(const std::string& fileName, int bins, float periodMs, int averages, int64_t start,
                                int64_t count, int channel, int otherThan)
{
    return Run(fileName, bins, periodMs, averages, start, count, channel, otherThan, true, nullptr, nullptr);
}

int SpectralFrameStore::AnalyseEach(const std::string& fileName, int bins, float periodMs, int averages, int64_t start,
                                    int64_t count, int channel, const std::function<bool(int64_t)>& begin,
                                    const std::function<bool(const SpectralFrame&)>& each)
{
    return Run(fileName, bins, periodMs, averages, start, count, channel, -1, false, begin, each);
}

int64_t SpectralFrameStore::FramesFor(int64_t count, float periodMs, double sampleRate)
{
    if (count <= 0 || !(periodMs > 0.0f) || !(sampleRate > 0.0)) return 0;
    const double frames = std::floor(count * 1000.0 / (double(periodMs) * sampleRate));
    return frames > 9e18 ? INT64_MAX : static_cast<int64_t>(frames);
}

int SpectralFrameStore::Run(const std::string& fileName, int bins, float periodMs, int averages, int64_t start,
                            int64_t count, int channel, int otherThan, bool keepAll,
                            const std::function<bool(int64_t)>& begin,
                            const std::function<bool(const SpectralFrame&)>& each)
{
    m_fileName = fileName;
    m_soundFrames = 0;
    Prepare(0, bins, 0.0, periodMs);
    CSoundFile sound;
    if (!sound.OpenReadOnly(fileName)) return 0;  // only read: a read-only medium works
    const double fs = sound.GetSampleRate();
    const uint32_t total = sound.GetFrameCount();
    const uint32_t channels = sound.GetChannels();
    m_soundFrames = total;
    if (!(fs > 0.0) || channels == 0 || !IsFftSize(2 * bins) || !(periodMs > 0.0f)) return 0;
    if (channel >= int64_t(channels) || channel < -1) return 0;
    if (channel == -1 && channels < 2 && otherThan >= 0) return 0;  // no other channel to read
    averages = std::clamp(averages, 1, kMaxAverages);

    if (start < 0 || start >= total) start = 0;
    const int64_t remaining = int64_t(total) - start;
    if (count < 0 || count > remaining) count = remaining;

    const int64_t frameCount = FramesFor(count, periodMs, fs);
    // Every frame starts inside the sound, so there are at most as many
    // frames as samples; kept frames must also fit in memory.
    if (frameCount > int64_t(total) || (keepAll && frameCount * bins > kMaxValues)) return 0;
    if (!Prepare(keepAll ? static_cast<int>(frameCount) : 1, bins, fs, periodMs)) return 0;
    m_soundFrames = total;
    if (begin && !begin(frameCount)) return 1;

    const uint32_t frameLength = static_cast<uint32_t>(2 * bins);
    std::vector<int16_t> block(size_t(frameLength) * channels);  // one transform's frames at a time
    std::vector<int16_t> samples(size_t(frameLength) * averages);
    const double startMs = std::floor(start * 1000.0 / fs);
    for (int64_t i = 0; i < frameCount; ++i) {
        // Frames advance by the exact period, so sub-millisecond and
        // fractional periods step through the sound instead of piling up.
        const double t = startMs + double(i) * double(periodMs);
        const uint32_t position = static_cast<uint32_t>(std::min<double>(std::floor(t * fs / 1000.0), total));
        sound.Seek(position);
        for (int a = 0; a < averages; ++a) {
            // Reads past the end of the sound come back as silence.
            sound.ReadFrames(block.data(), frameLength, 16);
            int16_t* out = samples.data() + size_t(a) * frameLength;
            for (uint32_t k = 0; k < frameLength; ++k) {
                const int16_t* frame = block.data() + size_t(k) * channels;
                if (channel >= 0) {
                    out[k] = frame[channel];
                } else {
                    int64_t sum = 0;
                    int used = 0;
                    for (uint32_t c = 0; c < channels; ++c) {
                        if (int(c) == otherThan) continue;
                        sum += frame[c];
                        ++used;
                    }
                    out[k] = static_cast<int16_t>(used ? sum / used : 0);
                }
            }
        }
        AddFrame(samples.data(), static_cast<uint32_t>(t), averages);
        if (each && !each(*Frame(-1))) break;
    }
    sound.Close();
    return 1;
}

SpectralFrame& SpectralFrameStore::Slot(int i)
{
    return m_frames[static_cast<size_t>((m_oldest + i) % Capacity())];
}

const SpectralFrame* SpectralFrameStore::Frame(int i) const
{
    if (i == -1) i = m_count - 1;
    if (i < 0 || i >= m_count) return nullptr;
    return &m_frames[static_cast<size_t>((m_oldest + i) % Capacity())];
}

const float* SpectralFrameStore::Magnitudes(int i) const
{
    const SpectralFrame* f = Frame(i);
    return f ? f->magnitudes.data() : nullptr;
}

int SpectralFrameStore::HzToBin(double hz) const
{
    if (m_bins <= 0 || !(m_nyquist > 0.0f)) return 0;
    if (hz < 0) hz = m_nyquist;
    const double b = m_bins * hz / m_nyquist + 0.5;
    return static_cast<int>(std::clamp(b, 0.0, double(m_bins - 1)));
}

void SpectralFrameStore::SetBand(float lowHz, float highHz)
{
    m_bandLow = lowHz;
    m_bandHigh = highHz;
}

void SpectralFrameStore::BandStatistics(SpectralFrame& f) const
{
    f.bandLow = m_bandLow;
    f.bandHigh = m_bandHigh;
    f.nyquist = m_nyquist;
    int lo = 0, hi = 0;
    if (m_nyquist > 0.0f) {
        lo = static_cast<int>(std::clamp(m_bins * double(m_bandLow) / m_nyquist - 0.5, 0.0, double(m_bins)));
        hi = static_cast<int>(std::clamp(m_bins * double(m_bandHigh) / m_nyquist + 0.5, 0.0, double(m_bins - 1)));
    }
    if (hi <= lo) {
        f.mean = f.min = f.max = 0.0f;
        return;
    }
    float mx = 0.0f, mn = 1e7f;
    double sum = 0.0;
    for (int k = lo; k < hi; ++k) {
        const float v = f.magnitudes[k];
        mx = std::max(mx, v);
        mn = std::min(mn, v);
        sum += v;
    }
    f.max = mx;
    f.min = mn;
    // The mean over the lines actually summed.
    f.mean = static_cast<float>(sum / (hi - lo));
}

int SpectralFrameStore::AddFrame(const int16_t* samples, uint32_t timeMs, int averages)
{
    if (m_bins <= 0 || m_frames.empty()) return 0;
    averages = std::clamp(averages, 1, kMaxAverages);
    const int n = 2 * m_bins;
    const bool wraps = m_count == Capacity();
    if (wraps) {
        m_oldest = (m_oldest + 1) % Capacity();
    } else {
        ++m_count;
    }
    m_newest = (m_oldest + m_count - 1) % Capacity();
    SpectralFrame& f = m_frames[static_cast<size_t>(m_newest)];
    f.timeMs = timeMs;
    f.durationMs = m_nyquist > 0.0f ? m_bins * double(averages) * 1000.0 / m_nyquist : 1.0;

    std::fill(m_accumulator.begin(), m_accumulator.end(), 0.0);
    for (int a = 0; a < averages; ++a) {
        const int16_t* sub = samples + size_t(a) * n;
        bool silent = true;
        for (int i = 0; i < n; ++i) {
            m_re[i] = sub[i];
            m_im[i] = 0.0f;
            silent = silent && sub[i] == 0;
        }
        if (!silent) WindowedFFTPolar(m_re.data(), m_im.data(), n, kWindowBlackman);
        for (int k = 0; k < m_bins; ++k) m_accumulator[k] += m_re[k];
    }
    for (int k = 0; k < m_bins; ++k) f.magnitudes[k] = static_cast<float>(m_accumulator[k] / averages);
    BandStatistics(f);

    if (m_normalise) {
        const int k75 = static_cast<int>((m_bins - 1) * 0.75);
        std::copy(f.magnitudes.begin(), f.magnitudes.end(), m_sorted.begin());
        std::nth_element(m_sorted.begin(), m_sorted.begin() + k75, m_sorted.end());
        const float p75 = m_sorted[k75];
        const float scale = p75 == 0.0f ? 0.0001f : 1.0f / p75;
        for (float& v : f.magnitudes) v *= scale;
        BandStatistics(f);
    }

    // The peak threshold is the mean of maxima as it stood before this frame
    // (the running sums still describe the frames held before it).
    const int before = wraps ? m_count : m_count - 1;
    m_peakThreshold = before > 0 ? m_sumMaxima / before : 0.0;
    if (wraps) {
        RecomputeStatistics();
    } else {
        AddToStatistics(f);
    }
    m_statsValid = false;
    return 1;
}

void SpectralFrameStore::AddToStatistics(const SpectralFrame& f)
{
    m_sumMeans += f.mean;
    m_sumMaxima += f.max;
    m_largestMax = std::max<double>(m_largestMax, f.max);
    m_smallestMin = std::min<double>(m_smallestMin, f.min);
}

void SpectralFrameStore::RecomputeStatistics()
{
    m_sumMeans = m_sumMaxima = m_largestMax = 0.0;
    m_smallestMin = 1e6;
    for (int i = 0; i < m_count; ++i) AddToStatistics(*Frame(i));
    m_statsValid = false;
}

const SpectralStoreStatistics& SpectralFrameStore::Statistics() const
{
    if (m_statsValid) return m_stats;
    SpectralStoreStatistics s;
    s.largestMax = m_largestMax;
    s.smallestMin = m_smallestMin;
    if (m_count > 0) {
        s.meanOfMeans = m_sumMeans / m_count;
        s.meanOfMaxima = m_sumMaxima / m_count;
    }
    double sum = 0.0;
    int added = 0;
    double previous = 0.0, beforePrevious = 0.0;
    for (int i = 0; i < m_count; ++i) {
        const double mx = Frame(i)->max;
        if (mx < previous && previous >= beforePrevious && mx > m_peakThreshold) {
            sum += mx;
            ++added;
        }
        beforePrevious = previous;
        previous = mx;
    }
    s.peakMean = added < 2 ? 32768.0 : sum / added;
    m_stats = s;
    m_statsValid = true;
    return m_stats;
}

void SpectralFrameStore::NormaliseToUnitRange()
{
    if (m_count == 0) return;
    const double lo = m_smallestMin;
    const double range = m_largestMax - m_smallestMin;
    for (int i = 0; i < m_count; ++i) {
        SpectralFrame& f = Slot(i);
        for (float& v : f.magnitudes) v = range > 0.0 ? static_cast<float>((v - lo) / range) : 0.0f;
        BandStatistics(f);
    }
    RecomputeStatistics();
}

} // namespace tavril
