#include "WindowDisplaySettings.h"

#include "SettingsSection.h"
#include "SettingsStore.h"
#include "SpectrumColumn.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>

namespace tavril {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The first run of digits at or after `from`: its value (saturated, so a
// pasted long number cannot overflow) and where it starts; -1 when none.
long long DigitRun(std::string_view s, size_t from, size_t& runStart, size_t& runEnd)
{
    size_t i = from;
    while (i < s.size() && !IsDigit(s[i])) ++i;
    if (i >= s.size()) return -1;
    runStart = i;
    long long v = 0;
    while (i < s.size() && IsDigit(s[i])) {
        v = std::min<long long>(v * 10 + (s[i] - '0'), 1000000000LL);
        ++i;
    }
    runEnd = i;
    return v;
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to)
{
    if (from.empty()) return;
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (size_t hit = text.find(from); hit != std::string::npos; hit = text.find(from, pos)) {
        out.append(text, pos, hit - pos);
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text, pos, std::string::npos);
    text.swap(out);
}

// Stands for the unit while it is swapped; a control character, so a title
// that happens to contain "xxx" keeps it.
constexpr std::string_view kUnitMarker = "\x01";

std::string RewriteUnits(std::string title, std::initializer_list<std::string_view> spellings, std::string_view to)
{
    for (std::string_view s : spellings) ReplaceAll(title, s, kUnitMarker);
    ReplaceAll(title, kUnitMarker, to);
    return title;
}

} // namespace

WindowDisplaySettings::WindowDisplaySettings()
{
    m_channelEntries.fill(-1);
    m_channelEntries[0] = 0;
}

void WindowDisplaySettings::CopyFrom(const WindowDisplaySettings& other)
{
    if (&other == this) return;
    const bool lock = m_lockWindowSettings;
    const int linked = m_linkedWindow;
    *this = other;
    m_lockWindowSettings = lock;
    m_linkedWindow = linked;
}

std::string WindowDisplaySettings::SectionName(int window)
{
    if (window < 0) return "Display Details";
    char buf[64];
    std::snprintf(buf, sizeof buf, "Display Details for window %d", window);
    return buf;
}

namespace {

const SettingsSection<WindowDisplaySettings>& DisplayKeys()
{
    using W = WindowDisplaySettings;
    static const SettingsSection<W> keys{
        {"display type", &W::m_displayType},
        {"FFT window type", &W::m_fftWindowType},
        {"FFT size", &W::m_fftSizeCode},
        {"grayscale type", &W::m_grayscaleType},
        {"spec gain", &W::m_specGain},
        {"spec white threshold", &W::m_specWhiteThreshold},
        {"white-on-black?", &W::m_whiteOnBlack},
        {"freq/amp cursor on", &W::m_freqAmpCursorOn},
        {"freq/amp cursor units", &W::m_freqAmpCursorUnits},
        {"freq/amp grid on", &W::m_freqAmpGridOn},
        {"freq/amp ticks on", &W::m_freqAmpTicksOn},
        {"freq/amp tick units", &W::m_freqAmpTickUnits},
        {"freq/amp tickval", &W::m_freqAmpTickValue},
        {"freq/amp tick vals on", &W::m_freqAmpTickValuesOn},
        {"freq/amp title on", &W::m_freqAmpTitleOn},
        {"freq/amp titlestring", &W::m_freqAmpTitle},
        {"display high freq limit", &W::m_highFreqLimit},
        {"display low freq limit", &W::m_lowFreqLimit},
        {"display low freq limit on", &W::m_lowFreqLimitOn},
        {"display high freq limit on", &W::m_highFreqLimitOn},
        {"time cursor on", &W::m_timeCursorOn},
        {"time grid on", &W::m_timeGridOn},
        {"time ticks on", &W::m_timeTicksOn},
        {"time tick values", &W::m_timeTickValue},
        {"time values on", &W::m_timeValuesOn},
        {"time tick values on", &W::m_timeTickValuesOn},
        {"time title on", &W::m_timeTitleOn},
        {"time title string", &W::m_timeTitle},
        {"time units", &W::m_timeUnits},
        {"time cursor units", &W::m_timeCursorUnits},
        {"time offset", &W::m_timeOffset},
        {"stretch or absolute", &W::m_stretchOrAbsolute},
        {"msec per line", &W::m_msecPerLine},
        {"prevent recording", &W::m_preventRecording},
        {"prevent playback", &W::m_preventPlayback},
        {"lock window settings", &W::m_lockWindowSettings},
        {"use play key", &W::m_usePlayKey},
        {"play key value", &W::m_playKeyValue},
        {"playback starts trial", &W::m_playbackStartsTrial},
        {"number of display rows", &W::m_displayRowsCode},
        {"channel list to view", &W::m_channelList},
        {"show annotation box", &W::m_showAnnotationBox},
        {"show annotation text", &W::m_showAnnotationText},
        {WindowDisplaySettings::kShowEveryFrameKey, &W::m_showEveryFrame},
    };
    return keys;
}

} // namespace

int WindowDisplaySettings::Save(const std::string& file, int window) const
{
    return DisplayKeys().Save(file, SectionName(window), *this);
}

void WindowDisplaySettings::Load(const std::string& file, int window)
{
    const std::string s = SectionName(window);
    DisplayKeys().Load(file, s, *this);
    // A window saved before every-frame pictures existed keeps the picture
    // it was saved with; only the defaults keep their value (on).
    if (window >= 0 && SettingsStore::ReadSettingInt(file, s, kShowEveryFrameKey, -1) < 0) m_showEveryFrame = false;

    // The list again, this time without a default: a missing or empty one is
    // rebuilt from the keys older display files used.
    std::string list = SettingsStore::ReadSettingString(file, s, "channel list to view", "");
    if (list.empty()) {
        // Display files written before channel lists existed.
        const int channel = SettingsStore::ReadSettingInt(file, s, "channel number to view", -1);
        const int shown = SettingsStore::ReadSettingInt(file, s, "number of channels displayed", -1);
        char buf[32];
        if (shown <= 0) {
            if (channel < 0) std::snprintf(buf, sizeof buf, "1");
            else std::snprintf(buf, sizeof buf, "%d", channel + 1);
        } else {
            std::snprintf(buf, sizeof buf, "1-%d", m_displayRowsCode + 1);
        }
        list = buf;
    }
    m_channelList = list;
    ParseChannelList();
}

void WindowDisplaySettings::ParseChannelList()
{
    m_channelEntries.fill(-1);
    int count = 0;
    auto append = [&](long long ch) {
        if (count < kMaxChannelEntries) m_channelEntries[count++] = static_cast<int>(ch);
    };
    const std::string_view s = m_channelList;
    size_t pos = 0;
    while (pos < s.size() && count < kMaxChannelEntries) {
        size_t end = pos;
        while (end < s.size() && !IsDigit(s[end])) ++end;
        while (end < s.size() && s[end] != ',' && !std::isspace(static_cast<unsigned char>(s[end]))) ++end;
        const std::string_view token = s.substr(pos, end - pos);
        pos = end + 1;

        size_t aStart = 0, aEnd = 0, bStart = 0, bEnd = 0;
        const long long n = DigitRun(token, 0, aStart, aEnd);
        if (n < 0) continue;  // no digits: nothing
        const long long a = std::max(n - 1, 0LL);
        const size_t hyphen = token.find('-');
        if (hyphen == std::string_view::npos) {
            append(a);
            continue;
        }
        const long long m = DigitRun(token, aEnd, bStart, bEnd);
        if (m >= 0) {
            const long long b = std::max(m - 1, 0LL);
            for (long long c = std::min(a, b); c <= std::max(a, b) && count < kMaxChannelEntries; ++c) append(c);
        } else if (hyphen < aStart) {
            for (long long c = 0; c <= a && count < kMaxChannelEntries; ++c) append(c);  // "-4": 1 to 4
        } else {
            append(a);  // "4-": 4 alone
        }
    }
    m_channelCount = std::max(count, 1);
}

void WindowDisplaySettings::KeepChannelsOf(int soundChannels)
{
    std::string list;
    bool dropped = false;
    for (int i = 0; i < std::clamp(m_channelCount, 1, kMaxChannelEntries); ++i) {
        const int c = m_channelEntries[static_cast<size_t>(i)];
        if (c < 0 || c >= soundChannels) {
            dropped = true;
            continue;
        }
        list += (list.empty() ? "" : ",") + std::to_string(c + 1);
    }
    if (!dropped) return;
    m_channelList = list.empty() ? "1" : list;
    ParseChannelList();
}

std::string WindowDisplaySettings::VerticalTitle() const
{
    if (m_displayType == 0 && (m_freqAmpTitle == "Freq kHz" || m_freqAmpTitle == "Freq KHz" || m_freqAmpTitle == "Freq Hz"))
        return "Amplitude";
    return m_freqAmpTitle;
}

void WindowDisplaySettings::SelectChannel(int k)
{
    m_singleChannelChoice = k;
    m_channelList = std::to_string(k + 1);
    ParseChannelList();
}

int WindowDisplaySettings::Channel(int i) const
{
    const int count = std::clamp(m_channelCount, 1, kMaxChannelEntries);
    const int k = ((i % count) + count) % count;
    return m_channelEntries[static_cast<size_t>(k)];
}

SpectrogramDisplay WindowDisplaySettings::SpectrogramDisplayFor(double sampleRate) const
{
    SpectrogramDisplay d;
    d.fftSizeCode = std::clamp(m_fftSizeCode, 0, 5);
    d.windowType = m_fftWindowType;
    d.gain = SpectralGainFromSetting(m_specGain);
    d.whiteThreshold = m_specWhiteThreshold;
    d.whiteOnBlack = m_whiteOnBlack;
    d.SetFrequencyRange(sampleRate, m_lowFreqLimitOn, m_lowFreqLimit, m_highFreqLimitOn, m_highFreqLimit);
    return d;
}

int WindowDisplaySettings::DisplayRows() const
{
    return std::clamp(m_displayRowsCode, 0, 15) + 1;
}

std::string WindowDisplaySettings::RewriteTimeTitle(const std::string& title, int timeUnits)
{
    return RewriteUnits(title,
                        {"HH:MM:SS", "hh:mm:ss", "H:M:S", "h:m:s", "hours:minutes:seconds", "Hours:Minutes:Seconds",
                         "HOURS:MINUTES:SECONDS", "hrs:mins:secs", "HRS:MINS:SECS", "Hrs:Mins:Secs", "hr:min:sec",
                         "Hr:Min:Sec", "HR:MIN:SEC", "Seconds", "SECONDS", "seconds", "Secs", "SECS", "secs", "Sec",
                         "SEC", "sec"},
                        timeUnits == 1 ? "HH:MM:SS" : "sec");
}

std::string WindowDisplaySettings::RewriteFreqTitle(const std::string& title, int freqUnits)
{
    return RewriteUnits(title, {"KHZ", "KHz", "Khz", "khz", "kHz", "khZ", "HZ", "Hz", "hz", "hZ"},
                        freqUnits == 1 ? "Hz" : "KHz");
}

} // namespace tavril
