#include "CScrollPacer.h"

#include <algorithm>
#include <cmath>

namespace tavril {

void CScrollPacer::Reset(int64_t nowMs)
{
    *this = CScrollPacer();
    m_lastDrawMs = nowMs;
}

CScrollPacer::Plan CScrollPacer::Begin(int64_t nowMs, int fftBins, double sampleRate, double msPerLine)
{
    Plan p;
    const double lineMs = msPerLine > 0 ? msPerLine : 1.0;
    const int64_t minSpan =
        std::max<int64_t>(sampleRate > 0 ? int64_t(2.0 * fftBins * 1000.0 / sampleRate) : 0, int64_t(lineMs));
    const int64_t elapsed = std::max<int64_t>(0, nowMs - m_lastDrawMs);
    if (!m_started) {
        m_started = true;
        m_startMs = nowMs;
        p.linesDue = double(elapsed) / lineMs;
    } else {
        p.linesDue = std::max(0.0, double(nowMs - m_startMs) / lineMs - double(m_linesDrawn));
    }
    m_tickMs = nowMs;
    if (minSpan > elapsed || p.linesDue <= 0.5) return p;
    m_history[m_historyNext] = m_cost;
    m_historyNext = (m_historyNext + 1) % 25;
    p.draw = true;
    p.lines = int(p.linesDue + 0.5);
    const double cost = std::max(m_cost, 0.1);
    const int steps = int(std::min<double>(p.lines, std::trunc(p.lines * lineMs / cost)));
    p.steps = int(steps * m_factor + 0.5);
    return p;
}

int CScrollPacer::End(const Plan& plan, bool drawn, int64_t nowMs)
{
    if (!plan.draw) return kIdleDelayMs;
    int delay = kIdleDelayMs;
    if (drawn) {
        m_linesDrawn += plan.lines;
        if (m_factor < 1.0) m_factor = std::min(1.0, m_factor + 0.01);
    } else {
        m_factor = std::max(0.0, m_factor - 0.01);
        delay = int(std::max(2.0, std::min(200.0, 10.0 / (m_factor + 0.001))));
    }
    m_cost = double(nowMs - m_tickMs) / plan.linesDue;
    m_lastDrawMs = nowMs;
    return delay;
}

} // namespace tavril
