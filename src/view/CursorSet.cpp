#include "CursorSet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tavril {

namespace {

std::string Printf(const char* fmt, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

uint32_t ClampSample(double s, uint32_t samples) {
    if (samples == 0 || s <= 0.0)
        return 0;
    if (s >= static_cast<double>(samples - 1))
        return samples - 1;
    return static_cast<uint32_t>(s);
}

} // namespace

void CursorSet::SetTimeCursors(int64_t left, int64_t right) {
    auto fix = [](int64_t v) -> uint32_t {
        if (v < 0)
            return 0;
        return v > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
    };
    leftTime = fix(left);
    rightTime = fix(right);
}

void CursorSet::SetVerticalCursors(double upperHz, double lowerHz) {
    upper = upperHz < 0.0 ? 0.0 : upperHz;
    lower = lowerHz < 0.0 ? 0.0 : lowerHz;
}

void CursorSet::SetFromPixels(PixelBox b, const PaneGeometry& g, bool timeOn, bool verticalOn) {
    if (b.left > b.right)
        std::swap(b.left, b.right);
    if (b.top > b.bottom)
        std::swap(b.top, b.bottom);
    box = b;
    if (verticalOn && !movingTimeOnly && g.bottom > g.top) {
        lower = ValueAtPixel(b.bottom, g);
        upper = ValueAtPixel(b.top, g);
    }
    if (timeOn && !movingVerticalOnly) {
        leftTime = TimeAtPixel(b.left, g);
        rightTime = TimeAtPixel(b.right, g);
    }
}

uint32_t CursorSet::TimeAtPixel(int x, const PaneGeometry& g) {
    return ClampSample(g.s0 + std::trunc((x - g.left) * g.spp), g.samples);
}

double CursorSet::ValueAtPixel(int y, const PaneGeometry& g) {
    double span = g.highHz - g.lowHz;
    double h = g.bottom - g.top;
    if (h <= 0.0)
        return 0.0;
    double v = span * (h - (y - g.top)) / h + g.lowHz;
    return v < 0.0 ? 0.0 : v;
}

PixelBox CursorSet::ToPixels(const PaneGeometry& g) const {
    PixelBox p;
    double span = g.highHz - g.lowHz;
    double h = g.bottom - g.top;
    auto yOf = [&](double v) {
        if (span <= 0.0)
            return g.bottom;
        return g.bottom - static_cast<int>(std::trunc((v - g.lowHz) * h / span));
    };
    auto xOf = [&](uint32_t t) {
        if (g.spp <= 0.0)
            return g.left;
        int base = g.fixedScale ? g.left : g.left + 1;
        double cols = std::trunc((static_cast<double>(t) - g.s0) / g.spp);
        cols = std::clamp(cols, -1.0e6, 1.0e6);  // far off-screen stays far off-screen, without overflow
        return base + static_cast<int>(cols);
    };
    p.left = xOf(leftTime);
    p.right = xOf(rightTime);
    p.top = yOf(upper);
    p.bottom = yOf(lower);
    return p;
}

void CursorSet::Clamp(double fs, uint32_t samples) {
    double nyquist = fs / 2.0;
    upper = std::clamp(upper, 0.0, std::max(0.0, nyquist));
    lower = std::clamp(lower, 0.0, std::max(0.0, nyquist));
    uint32_t last = samples == 0 ? 0 : samples - 1;
    leftTime = std::min(leftTime, last);
    rightTime = std::min(rightTime, last);
}

void CursorSet::StepTime(int direction, const PaneGeometry& g) {
    PixelBox b = ToPixels(g);
    // Converting back subtracts nothing, while ToPixels added one column in
    // stretch mode; hence the uneven -1/+2.
    int delta = direction < 0 ? -1 : 2;
    if (stepSecond)
        b.right += delta;
    else
        b.left += delta;
    bool saved = movingTimeOnly;
    movingTimeOnly = true;
    SetFromPixels(b, g, true, false);
    movingTimeOnly = saved;
}

void CursorSet::StepVertical(int direction, const PaneGeometry& g) {
    PixelBox b = ToPixels(g);
    int delta = direction > 0 ? -2 : 1;  // up is towards smaller y
    if (stepSecond)
        b.bottom += delta;
    else
        b.top += delta;
    bool saved = movingVerticalOnly;
    movingVerticalOnly = true;
    SetFromPixels(b, g, false, true);
    movingVerticalOnly = saved;
}

std::string FormatReadoutTime(double seconds, int units) {
    if (units != 1)
        return Printf("%2.4lf", seconds);
    const char* sign = "";
    if (seconds < 0.0) {
        sign = "-";
        seconds = -seconds;
    }
    auto whole = static_cast<long long>(std::floor(seconds));
    int hours = static_cast<int>((whole / 3600) % 24);
    int minutes = static_cast<int>((whole / 60) % 60);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%02d:%02d:%1.3f", sign, hours, minutes, std::fmod(seconds, 60.0));
    return buf;
}

double ParseTimeOffset(const std::string& text) {
    float h = 0.0f, m = 0.0f, s = 0.0f;
    int n = std::sscanf(text.c_str(), "%f:%f:%f", &h, &m, &s);
    if (n <= 0)
        return 0.0;
    return h * 3600.0 + m * 60.0 + s;
}

std::string CursorSet::Readout(const ReadoutOptions& o, double fs) const {
    std::string vertical;
    if (o.verticalShown) {
        double nyquist = fs / 2.0;
        if (o.waveform) {
            auto amp = [&](double v) { return nyquist > 0.0 ? 2.0 * v / nyquist - 1.0 : 0.0; };
            if (upper == lower) {
                vertical = Printf("Amplitude: %0.3f", amp(upper));
            } else {
                char buf[160];
                std::snprintf(buf, sizeof buf, "Amplitude: Upper=%0.3f  Lower=%0.3f  DifA=%0.3f", amp(upper),
                              amp(lower), amp(upper) - amp(lower));
                vertical = buf;
            }
        } else {
            bool hz = o.freqCursorUnits == 1;
            auto f = [&](double v) { return hz ? Printf("%1.2f", v) : Printf("%1.5f", v / 1000.0); };
            std::string unit = hz ? "Hz" : "KHz";
            if (upper == lower)
                vertical = "Freq(" + unit + "): " + f(upper);
            else
                vertical = "Freq(" + unit + "): Upper=" + f(upper) + "  Lower=" + f(lower) + "  DifF=" +
                           f(upper - lower);
        }
    }
    std::string time;
    if (o.timeShown && fs > 0.0) {
        bool hms = o.timeCursorUnits == 1;
        std::string unit = hms ? "H:M:S" : "sec";
        double offset = hms ? o.timeOffsetSec : 0.0;
        double l = leftTime / fs, r = rightTime / fs;
        if (leftTime < rightTime)
            time = "Time(" + unit + "): Left=" + FormatReadoutTime(l + offset, o.timeCursorUnits) +
                   "  Right=" + FormatReadoutTime(r + offset, o.timeCursorUnits) +
                   "  DifT=" + FormatReadoutTime(r - l, o.timeCursorUnits);
        else
            time = "Time(" + unit + "): " + FormatReadoutTime(l + offset, o.timeCursorUnits);
    }
    return vertical + time;
}

} // namespace tavril
