#include "CSoundDetector.h"

#include "Fft.h"

#include <algorithm>
#include <cmath>

namespace tavril {

int CSoundDetector::Start(const DetectorSettings& settings, const DetectorParams& params)
{
    m_enabled = false;
    m_suspended = false;
    if (params.fftSizeCode < 0 || params.fftSizeCode > 5 || !(params.sampleRate > 0)) return 0;
    m_settings = settings;
    m_params = params;
    m_bins = 32 << params.fftSizeCode;
    m_lineMs = double(float(2.0 * m_bins * 1000.0 / params.sampleRate));
    // History of max(10 x min sound, 10) ms, lines at least one display line apart.
    const double historyMs = std::max(10.0 * settings.minSoundMs, 10.0);
    const double spacing = std::max<double>(m_lineMs, params.msPerLine);
    m_capacity = std::clamp(int(historyMs / spacing), 1, 20000);
    m_count = 0;
    m_oldest = 0;
    m_lines.assign(size_t(m_capacity) * size_t(m_bins), 0.0f);
    m_sorted.assign(m_capacity < 50 ? m_lines.size() : 0, 0.0f);
    m_re.assign(size_t(2 * m_bins), 0.0f);
    m_im.assign(size_t(2 * m_bins), 0.0f);
    m_lowBin = HzToBin(settings.freqMinHz);
    const bool toNyquist = settings.freqMaxHz < 0 || settings.freqMaxHz < settings.freqMinHz;
    m_highBin = toNyquist ? HzToBin(-1) : HzToBin(settings.freqMaxHz);
    m_samples.assign(size_t(2 * m_bins), 0);
    m_firstRun = true;
    m_prevCount = 0;
    Reset();
    m_enabled = true;
    return 1;
}

void CSoundDetector::Reset()
{
    ResetTrigger();
    ResetSound();
    m_complete = false;
    m_result = {};
    m_level = 0.0;
}

void CSoundDetector::ToSamples(const unsigned char* raw, uint32_t frames, uint32_t frameBytes, uint32_t bytesPerSample)
{
    const uint32_t offset = uint32_t(m_params.channel) * bytesPerSample;
    for (uint32_t i = 0; i < frames; ++i) {
        const unsigned char* s = raw + size_t(i) * frameBytes + offset;
        int16_t v;
        switch (bytesPerSample) {
        case 1: v = int16_t((int(s[0]) - 128) * 256); break;
        case 2: v = int16_t(s[0] | (s[1] << 8)); break;
        default: v = int16_t(s[bytesPerSample - 2] | (s[bytesPerSample - 1] << 8)); break;
        }
        m_samples[i] = v;
    }
}

bool CSoundDetector::Run(const CCircularBuffer& ring, int64_t nowMs)
{
    if (!m_enabled || !ring.HasBlock()) return false;
    if (m_complete) return true;
    const uint64_t written = ring.FramesWritten();
    if (m_firstRun) {
        m_firstRun = false;
        m_prevCount = written;
        return false;
    }
    if (uint32_t(m_params.channel) >= ring.Channels()) return false;
    const uint64_t span = uint64_t(2 * m_bins);
    const uint64_t fresh = written - m_prevCount;
    if (fresh < span) return false;
    const uint64_t lines = fresh / span;
    uint64_t first = written - std::min<uint64_t>(fresh, ring.Available());
    const double rate = m_params.sampleRate;
    const int64_t base = nowMs - int64_t(double(fresh) * 1000.0 / rate);
    m_raw.resize(size_t(span) * ring.FrameBytes());
    for (uint64_t k = 0; k < lines; ++k) {
        uint64_t at = first + k * span;
        if (ring.ReadFrom(at, uint32_t(span), m_raw.data()) < span) break;
        ToSamples(m_raw.data(), uint32_t(span), ring.FrameBytes(), ring.BytesPerSample());
        const int64_t t = base + int64_t(double(k) * double(span) * 1000.0 / rate);
        AddLine();
        StepTrigger(t);
        StepSound(t);
        if (m_complete) {
            // The lines after the sound are analysed by the next run.
            m_prevCount = at + span;
            return true;
        }
    }
    m_prevCount = written;
    return m_complete;
}

int CSoundDetector::HzToBin(double hz) const
{
    const double nyquist = m_params.sampleRate / 2.0;
    if (hz < 0) hz = nyquist;
    // In double first: a tiny rate must not overflow the conversion.
    return int(std::clamp(m_bins * hz / nyquist + 0.5, 0.0, double(m_bins - 1)));
}

// One spectrum line from the 2N samples: Blackman window, magnitudes of
// lines 0 ... N-1, optionally scaled by the reciprocal of their 75th
// percentile (the pop filter); then into the history.
void CSoundDetector::AddLine()
{
    const int n = 2 * m_bins;
    bool silent = true;
    for (int i = 0; i < n; ++i) {
        m_re[size_t(i)] = m_samples[size_t(i)];
        m_im[size_t(i)] = 0.0f;
        silent = silent && m_samples[size_t(i)] == 0;
    }
    if (!silent) {
        ApplyWindow(m_re.data(), n, kWindowBlackman);
        FFTForward(m_re.data(), m_im.data(), n);
        for (int k = 0; k < m_bins; ++k) m_re[size_t(k)] = std::sqrt(m_re[size_t(k)] * m_re[size_t(k)] + m_im[size_t(k)] * m_im[size_t(k)]);
    }
    if (m_settings.applyPopFilter) {
        m_column.assign(m_re.begin(), m_re.begin() + m_bins);
        const size_t k75 = size_t(double(m_bins - 1) * 0.75);
        std::nth_element(m_column.begin(), m_column.begin() + long(k75), m_column.end());
        const float scale = m_column[k75] == 0.0f ? 0.0001f : 1.0f / m_column[k75];
        for (int k = 0; k < m_bins; ++k) m_re[size_t(k)] *= scale;
    }
    const bool full = m_count == m_capacity;
    const int slot = full ? m_oldest : m_count;
    const size_t cap = size_t(m_capacity);
    for (int b = 0; b < m_bins; ++b) {
        float* line = m_lines.data() + size_t(b) * cap;
        const float v = m_re[size_t(b)];
        if (!m_sorted.empty() && b >= m_lowBin && b < m_highBin) {
            float* sorted = m_sorted.data() + size_t(b) * cap;
            // The leaving value's place (or the end) becomes the new value's
            // and it moves to where it belongs; neighbouring lines of a
            // steady background move it little.
            int i = m_count;
            if (full) {
                // Branch-free lower bound: the compare picks a half by
                // arithmetic, which the processor cannot mispredict.
                const float old = line[slot];
                const float* base = sorted;
                for (int len = m_count; len > 1;) {
                    const int half = len / 2;
                    base += (base[half - 1] < old) * half;
                    len -= half;
                }
                i = int(base - sorted) + (*base < old);
            }
            const int size = full ? m_count : m_count + 1;
            while (i + 1 < size && sorted[i + 1] < v) {
                sorted[i] = sorted[i + 1];
                ++i;
            }
            while (i > 0 && sorted[i - 1] > v) {
                sorted[i] = sorted[i - 1];
                --i;
            }
            sorted[i] = v;
        }
        line[slot] = v;
    }
    if (full) m_oldest = (m_oldest + 1) % m_capacity;
    else ++m_count;
}

// Band level of the newest line: the largest magnitude over the band
// relative to ten times that bin's background, the 75th percentile of the
// bin over up to 25 lines taken evenly across the history (at least 1).
double CSoundDetector::BandLevel()
{
    const int n = m_count;
    if (n == 0) return 0.0;
    const int step = std::max(1, n / 25);
    const size_t cap = size_t(m_capacity);
    const int newest = (m_oldest + n - 1) % m_capacity;
    double level = 0.0;
    for (int b = m_lowBin; b < m_highBin; ++b) {
        const float* line = m_lines.data() + size_t(b) * cap;
        float g;
        if (step == 1 && !m_sorted.empty()) {
            g = m_sorted[size_t(b) * cap + size_t(double(n - 1) * 0.75)];
        } else {
            m_column.clear();
            for (int i = 0; i < n; i += step) m_column.push_back(line[(m_oldest + i) % m_capacity]);
            const size_t rank = size_t(double(m_column.size() - 1) * 0.75);
            std::nth_element(m_column.begin(), m_column.begin() + long(rank), m_column.end());
            g = m_column[rank];
        }
        const double c = std::max(0.0f, line[newest]);
        level = std::max(level, c / (10.0 * std::max(1.0f, g)));
    }
    return level;
}

void CSoundDetector::StepTrigger(int64_t t)
{
    m_level = BandLevel();
    const double spanMs = m_count * std::max<double>(m_lineMs, m_params.msPerLine);
    if (spanMs < 2.0 * m_settings.minTriggerEventMs) return;
    if (m_level >= m_settings.Threshold()) {
        if (!m_triggered) {
            m_triggered = true;
            m_triggerStart = t - int64_t(m_lineMs);
        }
        m_lastAbove = t;
        m_triggerDone = false;
    } else if (m_triggered && !m_triggerDone) {
        const int64_t length = m_lastAbove - m_triggerStart;
        if (length >= m_settings.minTriggerEventMs && length <= 1000000) m_triggerDone = true;
        else ResetTrigger();
    }
}

void CSoundDetector::StepSound(int64_t now)
{
    if (m_triggerDone) {
        if (!m_hasSound) m_soundStart = m_triggerStart;
        m_soundEnd = m_lastAbove;
        m_hasSound = true;
        ResetTrigger();
    } else if (!m_triggered && m_hasSound) {
        const int64_t gap = std::max<int64_t>(0, now - m_soundEnd);
        if (gap > m_settings.maxTriggerDropMs) {
            const bool tooShort = m_soundEnd - m_soundStart < m_settings.minSoundMs;
            if (gap < m_settings.bufferAfterMs) {
                if (tooShort) ResetSound();
                else m_qualified = true;
            } else if (!m_qualified && tooShort) {
                ResetSound();
            } else {
                Complete();
                return;
            }
        }
    }
    // A sound still sounding counts with its running event.
    if (!m_hasSound && !m_triggered) return;
    const int64_t start = m_hasSound ? m_soundStart : m_triggerStart;
    const int64_t end = m_triggered ? m_lastAbove : m_soundEnd;
    const int64_t length = end - start;
    const bool full = length >= int64_t(m_params.bufferSecs) * 1000;
    const bool longest = m_settings.maxSoundMs > 0 && double(length) >= m_settings.maxSoundMs;
    if (full || longest) {
        m_soundStart = start;
        m_soundEnd = end;
        m_hasSound = true;
        ResetTrigger();
        Complete();
    }
}

void CSoundDetector::Complete()
{
    const int64_t lag = int64_t(m_params.msPerLine + 0.5f);
    const int64_t start = m_soundStart - lag;
    const int64_t end = m_soundEnd - lag;
    m_result.startMs = std::max<int64_t>(0, start - m_settings.bufferBeforeMs);
    m_result.durationMs = (end - start) + m_settings.bufferBeforeMs + m_settings.bufferAfterMs;
    m_complete = true;
    ResetSound();
}

} // namespace tavril
