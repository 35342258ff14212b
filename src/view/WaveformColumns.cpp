#include "WaveformColumns.h"

#include <algorithm>
#include <cmath>

namespace tavril {

WaveformDrawing ComputeWaveform(const SampleReader& read, uint32_t samples, double s0, double spp, int left,
                                int top, int width, int height) {
    WaveformDrawing d;
    if (spp <= 0.0 || samples == 0 || width <= 0 || height <= 0)
        return d;
    double pixelsPerSample = 0.0;
    if (spp < 1.0) {
        pixelsPerSample = 1.0 / spp;
        spp = 1.0;
        d.polyline = true;
    }
    const double columnsFit = std::trunc(samples / spp);
    const int columns = static_cast<int>(std::min<double>(width, columnsFit));
    const uint32_t n = static_cast<uint32_t>(std::min(std::trunc(spp), 40960.0));
    if (n == 0)
        return d;
    const double k = 65535.0 / height;
    const int mid = top + height / 2;
    auto yOf = [&](int v) { return std::clamp(mid - static_cast<int>(std::trunc(v / k)), top, top + height); };

    std::vector<int16_t> buf(n);
    int previous = 0;
    double advance = 0.0;
    for (int c = 0; c < columns && c <= 0xFFFF; ++c) {
        double firstD = std::trunc(c * spp + s0);
        if (firstD < 0.0 || firstD + n > samples)
            break;
        uint32_t first = static_cast<uint32_t>(firstD);
        uint32_t got = read(first, n, buf.data());
        if (got == 0)
            break;
        int high, low;
        if (got == 1) {
            high = previous;
            low = buf[0];
        } else {
            auto [mn, mx] = std::minmax_element(buf.begin(), buf.begin() + got);
            high = *mx;
            low = *mn;
        }
        previous = buf[got - 1];
        high = std::min(high, 32767);
        low = std::max(low, -32767);
        if (d.polyline) {
            d.points.push_back({left + static_cast<int>(std::trunc(advance)), yOf(low)});
            advance += pixelsPerSample;
        } else {
            d.segments.push_back({left + c, yOf(high), yOf(low)});
        }
    }
    return d;
}

} // namespace tavril
