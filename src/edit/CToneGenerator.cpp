#include "CToneGenerator.h"

#include "CEditEngine.h"

#include <algorithm>
#include <cmath>

namespace tavril {

namespace {
constexpr float kTwoPiF = 6.2831855f;      // modulation rates, single precision
constexpr double kTrueTwoPi = 6.283185307179586;

// A triangle of period 1 in phase x: 0 at 0, +1 at 1/4, -1 at 3/4.
double Triangle(double x)
{
    x -= std::floor(x);
    if (x < 0.25) return 4.0 * x;
    if (x < 0.75) return 2.0 - 4.0 * x;
    return 4.0 * x - 4.0;
}
} // namespace

CToneGenerator::CToneGenerator(const ToneParams& params, double sampleRate) : m_p(params), m_rate(sampleRate)
{
    m_fm = m_p.fmType != kModNone && m_p.fmRateHz > 0 && m_p.fmRangeHz > 0;
    m_am = m_p.amType != kModNone && m_p.amRateHz > 0 && m_p.amRange > 0;
    if (m_am && m_rate > 0) {
        m_amPeriod = static_cast<int64_t>(std::trunc(m_rate / m_p.amRateHz));
        m_amQuarter = m_amPeriod / 4;
    }
}

double CToneGenerator::FrequencyAt(uint64_t k) const
{
    const double f0 = m_p.freqHz;
    const double h = m_p.fmRangeHz / 2.0;
    const double t = static_cast<double>(k);
    const float wm = kTwoPiF * static_cast<float>(m_p.fmRateHz) / static_cast<float>(m_rate);
    double f = f0;
    switch (m_p.fmType) {
    case kModSine: f = f0 + std::sin(double(wm) * t) * h; break;
    case kModSquare: f = std::sin(double(wm) * t) * h + f0 > f0 ? f0 + h : f0 - h; break;
    case kModTriangle: f = f0 + h * Triangle(m_p.fmRateHz * t / m_rate); break;
    default: break;
    }
    return std::clamp(f, 0.0, m_rate / 2.0);
}

double CToneGenerator::AmplitudeAt(uint64_t k) const
{
    const double a0 = m_p.amplitude;
    if (!m_am) return std::clamp(a0, 0.0, 1.0);
    const double g = m_p.amRange / 2.0;
    const double t = static_cast<double>(k);
    const float wa = kTwoPiF * static_cast<float>(m_p.amRateHz) / static_cast<float>(m_rate);
    double a = a0;
    switch (m_p.amType) {
    case kModSine: a = a0 + std::sin(double(wa) * t) * g; break;
    case kModSquare: a = std::sin(double(wa) * t) * g > 0 ? a0 + g : a0 - g; break;
    case kModTriangle: {
        // A modulation faster than a quarter of the rate has no triangle to
        // draw; the tone keeps its plain amplitude instead of dividing by 0.
        if (m_amQuarter <= 0) break;
        const int64_t p = m_amPeriod;
        const int64_t j = static_cast<int64_t>(k % static_cast<uint64_t>(p));
        const double x = static_cast<double>(j % m_amQuarter);
        const double q = static_cast<double>(m_amQuarter);
        const double t1 = p / 4.0 - 1, t2 = p / 2.0 - 1, t3 = 3.0 * p / 4.0 - 1;
        const double jd = static_cast<double>(j);
        if (jd < t1) a = a0 + g * x / q;
        else if (jd < t2) a = a0 + g * (1.0 - x / q);
        else if (jd < t3) a = a0 - g * x / q;
        else a = a0 + g * (x / q - 1.0);
        break;
    }
    default: break;
    }
    return std::clamp(a, 0.0, 1.0);
}

void CToneGenerator::Generate(int32_t* values, uint32_t frames, uint64_t first, const SampleDomain& domain)
{
    if (m_fm && first != m_next) {
        // Not a continuation: rebuild the phase from the start.
        m_phase = 0.0;
        for (uint64_t k = 0; k < first; ++k) m_phase = std::fmod(m_phase + kTrueTwoPi * FrequencyAt(k) / m_rate, kTrueTwoPi);
    }
    const double w0 = m_p.freqHz * kTrueTwoPi / m_rate;
    for (uint32_t i = 0; i < frames; ++i) {
        const uint64_t k = first + i;
        double phase;
        if (m_fm) {
            phase = m_phase;
            m_phase = std::fmod(m_phase + kTrueTwoPi * FrequencyAt(k) / m_rate, kTrueTwoPi);
        } else {
            phase = w0 * static_cast<double>(k);
        }
        values[i] = domain.Clip(std::sin(phase) * AmplitudeAt(k) * domain.fullScale);
    }
    m_next = first + frames;
}

} // namespace tavril
