#pragma once
// WindowDisplaySettings: how one sound window draws its sound (waveform or
// spectrogram, transform size and window, grey mapping), how its axes, ticks,
// grid and cursors look, which channels it shows in how many rows, and a few
// per-window playback and recording guards. The program-wide default record
// is the same type. Stored as one settings section: "Display Details" for the
// defaults, "Display Details for window %d" for a window of a display file.
//
// A plain value type: each window owns its own copy; no locking (UI thread).

#include "SpectrogramColumns.h"

#include <array>
#include <string>

namespace tavril {

class WindowDisplaySettings {
public:
    static constexpr int kMaxChannelEntries = 50;

    WindowDisplaySettings();

    // Every field except "lock window settings" and the linked window index.
    void CopyFrom(const WindowDisplaySettings& other);

    // window >= 0: "Display Details for window %d"; negative: "Display
    // Details". Empty file: the default settings file. Save returns 1 when
    // every key was written.
    int Save(const std::string& file, int window) const;
    // Keys missing from the section leave their fields unchanged; a missing
    // or empty channel list is rebuilt from the older keys "channel number to
    // view" and "number of channels displayed". A window section (window >= 0)
    // without "show every frame" turns it off: older display files keep their
    // one-frame-per-column picture.
    void Load(const std::string& file, int window);
    static std::string SectionName(int window);

    // Shows the single channel k (zero-based): channel list "k+1".
    void SelectChannel(int k);
    // Channel entry i, wrapping around the used entries (-1 for an empty
    // list).
    int Channel(int i) const;
    int ChannelCount() const { return m_channelCount; }
    // Drops the channel entries a sound of `soundChannels` channels does not
    // have (the list is rewritten); an emptied list shows the first channel.
    void KeepChannelsOf(int soundChannels);
    // Parses m_channelList ("1,5,2", "1-3, 5, 7-16"; one-based) into the
    // zero-based entries.
    void ParseChannelList();

    // The spectrogram drawing parameters for a sound of this sample rate.
    SpectrogramDisplay SpectrogramDisplayFor(double sampleRate) const;
    // Number of stacked rows, 1 ... 16.
    int DisplayRows() const;

    // Axis titles rewritten for a change of units: every spelling of the
    // old unit becomes the new one. timeUnits 0 = seconds ("sec"), 1 =
    // "HH:MM:SS"; freqUnits 0 = "KHz", 1 = "Hz".
    // The vertical axis title as drawn: a waveform whose title is still the
    // built-in frequency title (in either unit) is titled "Amplitude"; a
    // title the user typed is kept.
    std::string VerticalTitle() const;
    static std::string RewriteTimeTitle(const std::string& title, int timeUnits);
    static std::string RewriteFreqTitle(const std::string& title, int freqUnits);

    std::array<int, kMaxChannelEntries> m_channelEntries;
    int m_channelCount = 1;
    int m_fftWindowType = 0;  // FftWindowType
    int m_fftSizeCode = 3;    // frame 64 << code
    bool m_freqAmpCursorOn = true;
    bool m_freqAmpGridOn = false;
    bool m_freqAmpTicksOn = false;
    bool m_freqAmpTitleOn = false;
    std::string m_freqAmpTitle = "Freq kHz";
    int m_grayscaleType = 0;  // 0 linear, 1 log (only linear is drawn)
    float m_specGain = 0.0f;
    bool m_timeCursorOn = true;
    bool m_timeGridOn = false;
    int m_stretchOrAbsolute = 0;  // 0 stretch to width, 1 fixed ms per column
    float m_msecPerLine = 10.0f;
    bool m_timeTicksOn = false;
    bool m_timeTitleOn = false;
    bool m_timeValuesOn = false;
    int m_specWhiteThreshold = 0;
    int m_displayType = 1;  // 0 waveform, 1 spectrogram
    float m_freqAmpTickValue = 2.0f;
    float m_timeTickValue = 1.0f;
    bool m_whiteOnBlack = false;
    std::string m_timeTitle = "Time (sec)";
    bool m_freqAmpTickValuesOn = false;
    bool m_timeTickValuesOn = false;
    bool m_lockWindowSettings = false;
    bool m_preventRecording = false;
    bool m_usePlayKey = false;
    std::string m_playKeyValue;
    bool m_preventPlayback = false;
    bool m_playbackStartsTrial = true;
    int m_displayRowsCode = 0;  // rows - 1
    int m_singleChannelChoice = 0;
    bool m_linkWindows = false;
    int m_linkedWindow = -1;
    int m_timeUnits = 0;
    int m_timeCursorUnits = 0;
    int m_freqAmpTickUnits = 0;
    int m_freqAmpCursorUnits = 0;
    std::string m_timeOffset;
    std::string m_channelList = "1";
    bool m_highFreqLimitOn = false;
    bool m_lowFreqLimitOn = false;
    float m_lowFreqLimit = 0.0f;
    float m_highFreqLimit = 0.0f;
    bool m_showAnnotationBox = true;
    bool m_showAnnotationText = true;
    // Spectrogram at stretch scale: each pixel column shows, per line, the
    // strongest of all the frames (half a transform apart) that fall into it,
    // instead of the one frame at its left edge.
    bool m_showEveryFrame = true;

    static constexpr const char* kShowEveryFrameKey = "show every frame";
};

} // namespace tavril
