#include "CDecimator.h"

#include <algorithm>
#include <cmath>

namespace tavril {

namespace {

float ReadSample(const unsigned char* s, uint32_t bytes)
{
    switch (bytes) {
    case 1: return float(int(s[0]) - 128) * 256.0f;
    case 2: return float(int16_t(s[0] | (s[1] << 8)));
    case 3: return float(int32_t(uint32_t(s[0]) << 8 | uint32_t(s[1]) << 16 | uint32_t(s[2]) << 24) >> 8) / 256.0f;
    default: return float(int32_t(s[0] | (s[1] << 8) | (s[2] << 16) | (uint32_t(s[3]) << 24))) / 65536.0f;
    }
}

void WriteSample(unsigned char* s, uint32_t bytes, float v)
{
    // v is on the 16-bit scale; wider samples keep their extra precision.
    switch (bytes) {
    case 1: s[0] = uint8_t(std::clamp(std::lround(v / 256.0f) + 128, 0L, 255L)); break;
    case 2: {
        const long x = std::clamp(std::lround(v), -32768L, 32767L);
        s[0] = uint8_t(x & 0xFF);
        s[1] = uint8_t((x >> 8) & 0xFF);
        break;
    }
    case 3: {
        const long x = std::clamp(std::lround(double(v) * 256.0), -8388608L, 8388607L);
        for (int i = 0; i < 3; ++i) s[i] = uint8_t((x >> (8 * i)) & 0xFF);
        break;
    }
    default: {
        const long long x = std::clamp(std::llround(double(v) * 65536.0), -2147483648LL, 2147483647LL);
        for (int i = 0; i < 4; ++i) s[i] = uint8_t((x >> (8 * i)) & 0xFF);
        break;
    }
    }
}

} // namespace

void CDecimator::Prepare(int factor, uint32_t channels, uint32_t bytesPerSample)
{
    m_factor = std::max(1, factor);
    m_channels = std::max(1u, channels);
    m_bytes = bytesPerSample;
    m_phase = 0;
    m_pos = 0;
    m_taps.clear();
    m_history.clear();
    if (m_factor < 2) return;
    // Blackman-windowed sinc: 32 taps per unit of factor keep the transition
    // band narrow; the cut-off sits below the new Nyquist frequency by half
    // that band, so what passes cannot alias.
    const int n = 32 * m_factor + 1;
    const double transition = 5.5 / n;
    const double cutoff = 0.5 / m_factor - transition / 2;
    m_taps.resize(size_t(n));
    double sum = 0;
    for (int i = 0; i < n; ++i) {
        const double x = i - (n - 1) / 2.0;
        const double sinc = x == 0 ? 2 * cutoff : std::sin(2 * M_PI * cutoff * x) / (M_PI * x);
        const double w = 0.42 - 0.5 * std::cos(2 * M_PI * i / (n - 1)) + 0.08 * std::cos(4 * M_PI * i / (n - 1));
        m_taps[size_t(i)] = float(sinc * w);
        sum += sinc * w;
    }
    for (float& t : m_taps) t = float(t / sum);
    m_history.assign(size_t(2 * n) * m_channels, 0.0f);
}

uint32_t CDecimator::Process(void* data, uint32_t frames)
{
    if (m_factor < 2) return frames;
    auto* bytes = static_cast<unsigned char*>(data);
    const uint32_t n = uint32_t(m_taps.size());
    const uint32_t frameBytes = m_channels * m_bytes;
    uint32_t kept = 0;
    for (uint32_t i = 0; i < frames; ++i) {
        const unsigned char* in = bytes + size_t(i) * frameBytes;
        for (uint32_t c = 0; c < m_channels; ++c) {
            float* h = m_history.data() + size_t(c) * 2 * n;
            const float v = ReadSample(in + c * m_bytes, m_bytes);
            h[m_pos] = v;
            h[m_pos + n] = v;
        }
        m_pos = (m_pos + 1) % n;
        if (i != m_phase) continue;
        // The newest n samples lie at m_pos ... m_pos + n - 1 of the mirror.
        unsigned char* out = bytes + size_t(kept) * frameBytes;
        for (uint32_t c = 0; c < m_channels; ++c) {
            const float* h = m_history.data() + size_t(c) * 2 * n + m_pos;
            float acc = 0.0f;
            for (uint32_t k = 0; k < n; ++k) acc += h[k] * m_taps[k];
            WriteSample(out + c * m_bytes, m_bytes, acc);
        }
        ++kept;
        m_phase += uint32_t(m_factor);
    }
    m_phase -= frames;
    return kept;
}

} // namespace tavril
