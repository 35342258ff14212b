#include "SpectrogramTextExport.h"

#include "CSoundFile.h"
#include "SettingsSection.h"
#include "SpectralFrameStore.h"
#include "WindowDisplaySettings.h"

#include "CReplacingFile.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <vector>

namespace tavril {

namespace {

struct Columns {
    int first = 0;
    int last = -1;  // inclusive
    int Count() const { return std::max(0, last - first + 1); }
};

Columns ColumnsFor(const SpectralFrameStore& store, bool withRange, int lowHz, int highHz)
{
    Columns c;
    if (withRange) {
        c.first = store.HzToBin(lowHz);
        c.last = store.HzToBin(highHz);
    } else {
        c.first = 0;
        c.last = store.Bins() - 1;
    }
    return c;
}

void WriteHeader(CReplacingFile& out, const SpectralFrameStore& store, int64_t frames, bool withRange, int lowHz,
                 int highHz, const Columns& columns)
{
    out.Print("soundfile name\t%s\n", store.FileName().c_str());
    out.Print("num samples\t%d\n", static_cast<int>(store.SoundFrames()));
    out.Print("num FFTs\t%d\n", static_cast<int>(std::min<int64_t>(frames, INT32_MAX)));
    out.Print("frequency range (Hz)\t%1.0f\n", static_cast<double>(store.Nyquist()));
    out.Print("FFT period (ms)\t%1.3f\n", static_cast<double>(store.PeriodMs()));
    if (!withRange) {
        out.Print("num frequency bins\t%d\n", store.Bins());
        out.Print("\nFFT data (cols = frequency bins from 0 to %dHz\n", static_cast<int>(store.Nyquist()));
    } else {
        out.Print("num frequency bins\t%d\n", columns.Count());
        out.Print("startbin frequency\t%d\n", lowHz);
        out.Print("endbin frequency\t%d\n", highHz);
        out.Print("\nFFT data (cols = frequency bins from %d to %d)\n", lowHz, highHz);
    }
}

// "\n" then "%1.2f\t" per column. to_chars gives the same correctly rounded
// digits as printf's %.2f, several times faster; an hour-long export holds
// tens of millions of values.
void WriteRow(CReplacingFile& out, const float* magnitudes, const Columns& columns, std::vector<char>& line)
{
    line.resize(1 + size_t(columns.Count()) * 48);
    char* p = line.data();
    char* const end = line.data() + line.size();
    *p++ = '\n';
    for (int k = columns.first; k <= columns.last; ++k) {
        const auto r = std::to_chars(p, end, static_cast<double>(magnitudes[k]), std::chars_format::fixed, 2);
        p = r.ptr;
        *p++ = '\t';
    }
    out.Write(line.data(), size_t(p - line.data()));
}

const SettingsSection<ExportSpectrogramSettings>& ExportKeys()
{
    using E = ExportSpectrogramSettings;
    static const SettingsSection<E> keys{
        {"fft size", &E::m_fftSizeIndex},
        {"max frequency", &E::m_maxFrequency},
        {"min frequency", &E::m_minFrequency},
        {"include info header", &E::m_includeInfoHeader},
        {"select frequency bin range", &E::m_selectFrequencyBinRange},
        {"fft space percent overlap", &E::m_fftSpacePercentOverlap},
        {"fft space sample", &E::m_fftSpaceSample},
        {"fft space time", &E::m_fftSpaceTime},
        {"fft spacing selection", &E::m_fftSpacingSelection},
        {"specify fft size", &E::m_specifyFftSize},
    };
    return keys;
}

} // namespace

int ExportSpectrogramSettings::Save(const std::string& file) const
{
    return ExportKeys().Save(file, kSection, *this);
}

void ExportSpectrogramSettings::Load(const std::string& file)
{
    ExportKeys().Load(file, kSection, *this);
}

int ExportSpectrogramSettings::Bins(int windowFftSizeCode) const
{
    const int code = m_specifyFftSize == 1 ? m_fftSizeIndex : windowFftSizeCode;
    return 32 << std::clamp(code, 0, 5);
}

double ExportSpectrogramSettings::PeriodMs(double sampleRate, int bins, const WindowDisplaySettings& window,
                                           double windowSamplesPerColumn) const
{
    if (!(sampleRate > 0.0)) return 0.0;
    switch (m_fftSpacingSelection) {
    case 1:
        return m_fftSpaceTime;
    case 2:
        return m_fftSpaceSample * 1000.0 / sampleRate;
    case 3: {
        const double pct = m_fftSpacePercentOverlap <= 0.0f ? 1.0 : m_fftSpacePercentOverlap;
        return (bins * 1000.0 / sampleRate) * (pct / 100.0);
    }
    default:
        if (window.m_stretchOrAbsolute == 1) return window.m_msecPerLine;
        return windowSamplesPerColumn * 1000.0 / sampleRate;
    }
}

std::string SpectrogramTextPath(const std::string& soundPath)
{
    return soundPath + ".txt";
}

int WriteSpectrogramText(const SpectralFrameStore& store, const std::string& outputPath, bool withHeader,
                         bool withRange, int lowHz, int highHz, std::string* error)
{
    CReplacingFile out(outputPath);
    if (!out.Ok()) {
        if (error) *error = "cannot create " + outputPath + ": " + out.Error();
        return 0;
    }
    const Columns columns = ColumnsFor(store, withRange, lowHz, highHz);
    if (withHeader) WriteHeader(out, store, store.FrameCount(), withRange, lowHz, highHz, columns);
    std::vector<char> line;
    for (int i = 0; i < store.FrameCount(); ++i) WriteRow(out, store.Magnitudes(i), columns, line);
    if (!out.Commit()) {
        if (error) *error = "cannot write " + outputPath + ": " + out.Error();
        return 0;
    }
    return 1;
}

int ExportSpectrogramText(const std::string& soundPath, const SpectrogramTextRequest& request,
                          const std::string& outputPath, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return 0;
    };
    {
        CSoundFile probe;
        if (!probe.OpenReadOnly(soundPath)) return fail("cannot open " + soundPath + " as a sound file");
    }
    if (!(request.periodMs > 0.0) || request.periodMs > 1e9)
        return fail("the period between spectra must be above 0 ms");
    if (!(request.bins >= 32 && request.bins <= 1024 && (request.bins & (request.bins - 1)) == 0))
        return fail("the number of lines must be 32, 64, 128, 256, 512 or 1024");

    CReplacingFile out(outputPath);
    if (!out.Ok()) return fail("cannot create " + outputPath + ": " + out.Error());
    SpectralFrameStore store;
    Columns columns;
    std::vector<char> line;
    const int ok = store.AnalyseEach(
        soundPath, request.bins, static_cast<float>(request.periodMs), 1, 0, -1, 0,
        [&](int64_t frames) {
            columns = ColumnsFor(store, request.withRange, request.lowHz, request.highHz);
            if (request.withHeader)
                WriteHeader(out, store, frames, request.withRange, request.lowHz, request.highHz, columns);
            return true;
        },
        [&](const SpectralFrame& f) {
            WriteRow(out, f.magnitudes.data(), columns, line);
            return out.Error().empty();
        });
    if (!ok) return fail("cannot analyse " + soundPath + " with these settings (too many spectra for its length?)");
    if (!out.Commit()) return fail("cannot write " + outputPath + ": " + out.Error());
    return 1;
}

} // namespace tavril
