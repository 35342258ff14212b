#pragma once
// SpectrogramTextExport: the spectrogram of a sound as a tab-delimited text
// file ("Selected Spectrograph to Text File"): an optional header describing
// the analysis, then one row of averaged magnitudes per spectrum. Also the
// program-wide settings record of the export dialog, section
// "Export Spectragram Dialog".
//
// Stateless functions over caller-owned objects; any thread. Files are
// written beside their final name and renamed into place, so an existing
// export is replaced whole or not at all.

#include <cstdint>
#include <string>

namespace tavril {

class SpectralFrameStore;
class WindowDisplaySettings;

struct ExportSpectrogramSettings {
    static constexpr const char* kSection = "Export Spectragram Dialog";

    int m_fftSizeIndex = 3;  // lines 32 << index when m_specifyFftSize
    int m_maxFrequency = 10000;
    int m_minFrequency = 0;
    bool m_includeInfoHeader = true;
    int m_selectFrequencyBinRange = 0;  // 1: only the lines between min and max
    float m_fftSpacePercentOverlap = 0.0f;
    int m_fftSpaceSample = 1;
    float m_fftSpaceTime = 10.0f;
    // 0 window time scale, 1 m_fftSpaceTime ms, 2 every m_fftSpaceSample
    // samples, 3 m_fftSpacePercentOverlap percent of a frame's lines
    int m_fftSpacingSelection = 0;
    int m_specifyFftSize = 0;  // 0: the window's transform size

    int Save(const std::string& file) const;
    void Load(const std::string& file);

    // Lines per spectrum: from the dialog's own size or the window's code.
    int Bins(int windowFftSizeCode) const;
    // Period between spectra in ms. `windowSamplesPerColumn` is the window's
    // samples per pixel column (samples / (width * rows)) for stretch mode.
    double PeriodMs(double sampleRate, int bins, const WindowDisplaySettings& window,
                    double windowSamplesPerColumn) const;
};

// Writes the text file from a filled store. withRange: only the lines from
// HzToBin(lowHz) to HzToBin(highHz). Returns 1, or 0 with `error` set when
// the file cannot be written (nothing is left behind then).
int WriteSpectrogramText(const SpectralFrameStore& store, const std::string& outputPath, bool withHeader,
                         bool withRange, int lowHz, int highHz, std::string* error = nullptr);

// The export name of a sound: its full path with ".txt" appended.
std::string SpectrogramTextPath(const std::string& soundPath);

struct SpectrogramTextRequest {
    int bins = 256;
    double periodMs = 10.0;
    bool withHeader = true;
    bool withRange = false;
    int lowHz = 0;
    int highHz = 10000;
};

// Analyses channel 0 of the whole sound and writes the text file, frame by
// frame (memory stays bounded for hour-long sounds). Returns 1, or 0 with
// `error` set when the sound cannot be read, the request is impossible or
// the output cannot be written; an existing output file is then untouched.
int ExportSpectrogramText(const std::string& soundPath, const SpectrogramTextRequest& request,
                          const std::string& outputPath, std::string* error = nullptr);

} // namespace tavril
