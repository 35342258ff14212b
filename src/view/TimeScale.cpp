#include "TimeScale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tavril {

double StretchSamplesPerPixel(double samples, int width, int rows) {
    if (width <= 0 || rows <= 0)
        return 0.0;
    return samples / (static_cast<double>(width) * rows);
}

double FixedSamplesPerPixel(double fs, double msPerLine, double xScale) {
    if (xScale <= 0.0)
        return 0.0;
    return fs * msPerLine / (xScale * 1000.0);
}

float ZoomInMsPerLine(float ms) {
    double v = ms < 5.0f ? ms / 1.25 : std::trunc(ms / 1.25);
    if (v <= 0.0)
        v = 0.01;
    return static_cast<float>(v);
}

float ZoomOutMsPerLine(float ms) {
    double v = ms < 5.0f ? ms * 1.25 : std::trunc(ms * 1.25);
    if (v <= 0.0)  // a corrupt negative or zero setting must not stick
        v = 0.01;
    return static_cast<float>(v);
}

double FirstTimeTickOffset(double tickSec, double t0) {
    if (tickSec <= 0.0)
        return 0.0;
    return tickSec - std::fmod(tickSec + t0, tickSec);
}

TickLayout VerticalTicks(int h, double tickValue, bool spectrogram, double lowHz, double highHz) {
    TickLayout t;
    if (h <= 0 || tickValue <= 0.0)
        return t;
    double p = 0.0;
    if (spectrogram) {
        if (highHz <= lowHz)
            return t;
        p = tickValue * h * 1000.0 / (highHz - lowHz);
    } else {
        p = std::min(tickValue * h / 2.0, static_cast<double>(h));
    }
    if (!(p > 0.0))
        return t;
    double n = std::trunc(h / p) + 1.0;
    if (n >= h)
        return t;
    t.count = static_cast<int>(n);
    t.spacingPx = p;
    return t;
}

TickLayout TimeTicks(int width, double tickSec, double fs, double spp, double t0) {
    TickLayout t;
    if (width <= 0 || tickSec <= 0.0 || fs <= 0.0 || spp <= 0.0)
        return t;
    double p = tickSec * fs / spp;
    if (!(p > 0.0))
        return t;
    double n = std::trunc(width / p) + 1.0;
    if (n >= width)
        return t;
    t.count = static_cast<int>(n);
    t.spacingPx = p;
    t.offsetPx = FirstTimeTickOffset(tickSec, t0) * fs / spp;
    return t;
}

long long TickMultiple(double spacingPx, double minPx) {
    if (!(spacingPx > 0.0) || spacingPx >= minPx)
        return 1;
    for (long long decade = 1; decade < (1LL << 50); decade *= 10)
        for (long long step : {1, 2, 5})
            if (step * decade * spacingPx >= minPx)
                return step * decade;
    return 1;
}

std::string FormatAxisNumber(double v) {
    if (v == 0.0)
        return "0";
    char buf[64];
    if (v != std::trunc(v)) {
        std::snprintf(buf, sizeof buf, "%0.4f", v);
        std::string s = buf;
        if (s.find('.') != std::string::npos) {
            while (!s.empty() && s.back() == '0')
                s.pop_back();
            if (!s.empty() && s.back() == '.')
                s.pop_back();
        }
        bool negative = !s.empty() && s[0] == '-';
        std::string digits = negative ? s.substr(1) : s;
        if (digits.size() > 1 && digits[0] == '0' && digits[1] == '.')
            digits = digits.substr(1);
        if (digits.empty())
            return "0";
        s = negative ? "-" + digits : digits;
        return s;
    }
    std::snprintf(buf, sizeof buf, "%0.0f", v);
    return buf;
}

} // namespace tavril
