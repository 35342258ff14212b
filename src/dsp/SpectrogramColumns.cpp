#include "SpectrogramColumns.h"

#include "CSoundFile.h"
#include "Fft.h"
#include "SpectrumColumn.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
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

bool EveryFrameApplies(double framesPerColumn, int bins)
{
    return framesPerColumn > double(bins);
}

void ColumnFrameRange(double framesPerColumn, int bins, int64_t column, uint64_t& f0, uint64_t& f1)
{
    // Frame f is centred on (f + 1) * bins: the first frame of the column is
    // the first whose centre is not left of the column's first sample.
    auto firstAtOrAfter = [&](double sample) -> uint64_t {
        const double f = std::ceil(sample / bins) - 1.0;
        return f <= 0.0 ? 0 : static_cast<uint64_t>(f);
    };
    f0 = firstAtOrAfter(double(column) * framesPerColumn);
    f1 = firstAtOrAfter(double(column + 1) * framesPerColumn);
}

int PaintEveryFrameColumns(const CFrameLevelCache& cache, const ChannelReader& read, const SpectrogramDisplay& display,
                           double framesPerColumn, int firstColumn, int columnCount, uint32_t* image,
                           std::ptrdiff_t rowStride, int height, bool* incomplete)
{
    if (incomplete) *incomplete = false;
    if (!(framesPerColumn > 0.0) || columnCount <= 0 || height <= 0 || firstColumn < 0 || !image) return 0;
    const int bins = cache.Bins();
    const uint32_t frames = cache.SoundFrames();
    const double maxColumns = std::floor(frames / framesPerColumn);
    const int64_t lastColumn = std::min<int64_t>(int64_t(firstColumn) + columnCount,
                                                 static_cast<int64_t>(std::min(maxColumns, 2.0e9)));
    const int32_t threshold = std::clamp(display.whiteThreshold, 0, kDisplayLevels - 1);
    uint8_t strongest[1024];
    std::vector<int32_t> levels(bins);
    int painted = 0;
    for (int64_t c = firstColumn; c < lastColumn; ++c) {
        uint64_t f0 = 0, f1 = 0;
        ColumnFrameRange(framesPerColumn, bins, c, f0, f1);
        if (f0 >= cache.FrameCount()) break;
        f1 = std::min<uint64_t>(f1, cache.FrameCount());
        if (!cache.StrongestLevels(read, static_cast<uint32_t>(f0), static_cast<uint32_t>(f1), strongest)) {
            if (incomplete) *incomplete = true;
            continue;
        }
        for (int k = 0; k < bins; ++k) levels[k] = strongest[k] < threshold ? 0 : strongest[k];
        PaintSpectrumColumn(levels.data(), bins, kDisplayLevels, display.whiteOnBlack, false, 1.0f, -1.0f,
                            display.lowBin, display.highBin, 1, image + (c - firstColumn), rowStride, height);
        ++painted;
    }
    return painted;
}

ChannelReader MakeChannelReader(CSoundFile& sound, int channel)
{
    const uint32_t channels = std::max<uint32_t>(1, sound.GetChannels());
    const uint32_t ch = static_cast<uint32_t>(std::clamp<int64_t>(channel, 0, channels - 1));
    auto block = std::make_shared<std::vector<int16_t>>();
    return [&sound, ch, channels, block](uint32_t first, uint32_t count, int16_t* out) -> uint32_t {
        if (sound.Seek(first) != first) return 0;
        if (channels == 1) return sound.ReadChannel(out, count, 0, 16);
        // All channels pass through the buffer: a piece at a time, so that a
        // long read of a file with many channels stays small.
        constexpr uint32_t kPiece = 65536;
        uint32_t done = 0;
        while (done < count) {
            const uint32_t want = std::min(kPiece, count - done);
            block->resize(size_t(want) * channels);
            const uint32_t got = sound.ReadChannel(block->data(), want, ch, 16);
            std::copy(block->begin(), block->begin() + got, out + done);
            done += got;
            if (got < want) break;
        }
        return done;
    };
}

} // namespace tavril
