#include "SpectrogramColumns.h"

#include "CSoundFile.h"
#include "Fft.h"
#include "SpectrumColumn.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace tavril {

int SpectrogramDisplay::Bins() const
{
    return 32 << std::clamp(fftSizeCode, 0, 5);
}

void SpectrogramDisplay::SetFrequencyRange(double sampleRate, bool lowOn, double lowHz, bool highOn, double highHz)
{
    const int bins = Bins();
    const double nyquist = sampleRate / 2.0;
    if (!(nyquist > 0.0)) {
        lowBin = 0;
        highBin = -1;
        return;
    }
    const double lo = lowOn ? lowHz : 0.0;
    const double hi = highOn ? std::min(highHz, nyquist) : nyquist;
    // Out-of-range results are clamped again when painting; bound them here
    // only so the conversion to int is defined.
    auto toBin = [&](double hz) {
        const double b = bins * hz / nyquist;
        return static_cast<int>(std::clamp(b, -1.0, static_cast<double>(bins)));
    };
    lowBin = toBin(lo);
    highBin = toBin(hi);
}

int PaintSpectrogramColumns(CSoundFile& sound, const SpectrogramDisplay& display, int channel, uint32_t firstFrame,
                            double framesPerColumn, int firstColumn, int columnCount, uint32_t* image,
                            std::ptrdiff_t rowStride, int height)
{
    if (!(framesPerColumn > 0.0) || columnCount <= 0 || height <= 0 || firstColumn < 0 || !image) return 0;
    const uint32_t frames = sound.GetFrameCount();
    const uint32_t channels = sound.GetChannels();
    if (frames == 0 || channels == 0) return 0;
    const uint32_t ch = static_cast<uint32_t>(std::clamp<int64_t>(channel, 0, channels - 1));
    const int bins = display.Bins();
    const int n = 2 * bins;

    // At most one column per whole column's worth of samples in the sound.
    const double maxColumns = std::floor(frames / framesPerColumn);
    const int64_t lastColumn = std::min<int64_t>(int64_t(firstColumn) + columnCount,
                                                 static_cast<int64_t>(std::min(maxColumns, 2.0e9)));

    std::vector<int16_t> block(static_cast<size_t>(n) * channels);
    std::vector<int16_t> frame(n);
    std::vector<int32_t> levels(bins);
    int painted = 0;
    for (int64_t c = firstColumn; c < lastColumn; ++c) {
        double x = c * framesPerColumn + 0.5 - bins;
        if (x < 0) x = 0;
        const uint64_t start = uint64_t(firstFrame) + static_cast<uint64_t>(x);
        if (start + n > frames) break;
        if (sound.Seek(static_cast<uint32_t>(start)) != start) break;
        const uint32_t got = sound.ReadChannel(block.data(), n, ch, 16);
        if (got == 0) break;
        if (got < static_cast<uint32_t>(n)) {
            // A short read is centred in the frame with silence either side.
            std::fill(frame.begin(), frame.end(), int16_t(0));
            std::memcpy(frame.data() + (n - got) / 2, block.data(), got * sizeof(int16_t));
        } else {
            std::memcpy(frame.data(), block.data(), n * sizeof(int16_t));
        }
        SpectrumLevels(frame.data(), bins, levels.data(), kDisplayLevels, display.gain, display.whiteThreshold,
                       display.windowType);
        PaintSpectrumColumn(levels.data(), bins, kDisplayLevels, display.whiteOnBlack, false, 1.0f, -1.0f,
                            display.lowBin, display.highBin, 1, image + (c - firstColumn), rowStride, height);
        ++painted;
    }
    return painted;
}

} // namespace tavril
