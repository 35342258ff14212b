#pragma once
// CScrollPacer: when the live spectrogram draws and how much. Each tick it
// works out how many display lines are due since scrolling began, and when
// enough time has passed it asks for that many columns with fewer spectra
// ("steps") when drawing has been slow. A speed factor backs off when sound
// arrives too slowly to draw and recovers as drawing succeeds; the returned
// delay is when the next tick should come.
//
// Pure arithmetic on times handed in by the caller (ms of an injected
// clock). Threading: one thread (the scrolling timer's).

#include <cstdint>

namespace tavril {

class CScrollPacer {
public:
    struct Plan {
        bool draw = false;
        double linesDue = 0.0;
        int lines = 0;  // columns to draw
        int steps = 0;  // spectra to compute for them
    };

    // Scrolling (re)starts at `nowMs`: counters cleared, speed factor 1.
    void Reset(int64_t nowMs);
    // Start of a tick. `fftBins` is the spectrum's line count N (each column
    // reads 2N frames), `msPerLine` the scroll speed.
    Plan Begin(int64_t nowMs, int fftBins, double sampleRate, double msPerLine);
    // End of a drawing tick: whether Draw had enough sound, and the clock
    // after it. Returns the delay (ms) before the next tick.
    int End(const Plan& plan, bool drawn, int64_t nowMs);
    // Delay after a tick that did not draw.
    static constexpr int kIdleDelayMs = 2;

    double SpeedFactor() const { return m_factor; }
    int64_t LinesDrawn() const { return m_linesDrawn; }
    double CostPerLineMs() const { return m_cost; }

private:
    double m_factor = 1.0;
    bool m_started = false;
    int64_t m_startMs = 0;
    int64_t m_lastDrawMs = 0;
    int64_t m_tickMs = 0;
    int64_t m_linesDrawn = 0;
    double m_cost = 0.0;
    double m_history[25] = {};
    int m_historyNext = 0;
};

} // namespace tavril
