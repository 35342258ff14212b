#include "WindowDisplaySettings.h"

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

int WindowDisplaySettings::Save(const std::string& file, int window) const
{
    const std::string s = SectionName(window);
    int ok = 1;
    auto i = [&](const char* key, int v) { ok &= SettingsStore::WriteSettingInt(file, s, key, v); };
    auto f = [&](const char* key, float v) { ok &= SettingsStore::WriteSettingFloat(file, s, key, v); };
    auto t = [&](const char* key, const std::string& v) { ok &= SettingsStore::WriteSettingString(file, s, key, v); };
    i("display type", m_displayType);
    i("FFT window type", m_fftWindowType);
    i("FFT size", m_fftSizeCode);
    i("grayscale type", m_grayscaleType);
    f("spec gain", m_specGain);
    i("spec white threshold", m_specWhiteThreshold);
    i("white-on-black?", m_whiteOnBlack);
    i("freq/amp cursor on", m_freqAmpCursorOn);
    i("freq/amp cursor units", m_freqAmpCursorUnits);
    i("freq/amp grid on", m_freqAmpGridOn);
    i("freq/amp ticks on", m_freqAmpTicksOn);
    i("freq/amp tick units", m_freqAmpTickUnits);
    f("freq/amp tickval", m_freqAmpTickValue);
    i("freq/amp tick vals on", m_freqAmpTickValuesOn);
    i("freq/amp title on", m_freqAmpTitleOn);
    t("freq/amp titlestring", m_freqAmpTitle);
    f("display high freq limit", m_highFreqLimit);
    f("display low freq limit", m_lowFreqLimit);
    i("display low freq limit on", m_lowFreqLimitOn);
    i("display high freq limit on", m_highFreqLimitOn);
    i("time cursor on", m_timeCursorOn);
    i("time grid on", m_timeGridOn);
    i("time ticks on", m_timeTicksOn);
    f("time tick values", m_timeTickValue);
    i("time values on", m_timeValuesOn);
    i("time tick values on", m_timeTickValuesOn);
    i("time title on", m_timeTitleOn);
    t("time title string", m_timeTitle);
    i("time units", m_timeUnits);
    i("time cursor units", m_timeCursorUnits);
    t("time offset", m_timeOffset);
    i("stretch or absolute", m_stretchOrAbsolute);
    f("msec per line", m_msecPerLine);
    i("prevent recording", m_preventRecording);
    i("prevent playback", m_preventPlayback);
    i("lock window settings", m_lockWindowSettings);
    i("use play key", m_usePlayKey);
    t("play key value", m_playKeyValue);
    i("playback starts trial", m_playbackStartsTrial);
    i("number of display rows", m_displayRowsCode);
    t("channel list to view", m_channelList);
    i("show annotation box", m_showAnnotationBox);
    i("show annotation text", m_showAnnotationText);
    return ok ? 1 : 0;
}

void WindowDisplaySettings::Load(const std::string& file, int window)
{
    const std::string s = SectionName(window);
    auto i = [&](const char* key, int& v) { v = SettingsStore::ReadSettingInt(file, s, key, v); };
    auto b = [&](const char* key, bool& v) { v = SettingsStore::ReadSettingInt(file, s, key, v ? 1 : 0) != 0; };
    auto f = [&](const char* key, float& v) { v = SettingsStore::ReadSettingFloat(file, s, key, v); };
    auto t = [&](const char* key, std::string& v) { v = SettingsStore::ReadSettingString(file, s, key, v); };
    i("display type", m_displayType);
    i("FFT window type", m_fftWindowType);
    i("FFT size", m_fftSizeCode);
    i("grayscale type", m_grayscaleType);
    f("spec gain", m_specGain);
    i("spec white threshold", m_specWhiteThreshold);
    b("white-on-black?", m_whiteOnBlack);
    b("freq/amp cursor on", m_freqAmpCursorOn);
    i("freq/amp cursor units", m_freqAmpCursorUnits);
    b("freq/amp grid on", m_freqAmpGridOn);
    b("freq/amp ticks on", m_freqAmpTicksOn);
    i("freq/amp tick units", m_freqAmpTickUnits);
    f("freq/amp tickval", m_freqAmpTickValue);
    b("freq/amp tick vals on", m_freqAmpTickValuesOn);
    b("freq/amp title on", m_freqAmpTitleOn);
    t("freq/amp titlestring", m_freqAmpTitle);
    f("display high freq limit", m_highFreqLimit);
    f("display low freq limit", m_lowFreqLimit);
    b("display low freq limit on", m_lowFreqLimitOn);
    b("display high freq limit on", m_highFreqLimitOn);
    b("time cursor on", m_timeCursorOn);
    b("time grid on", m_timeGridOn);
    b("time ticks on", m_timeTicksOn);
    f("time tick values", m_timeTickValue);
    b("time values on", m_timeValuesOn);
    b("time tick values on", m_timeTickValuesOn);
    b("time title on", m_timeTitleOn);
    t("time title string", m_timeTitle);
    i("time units", m_timeUnits);
    i("time cursor units", m_timeCursorUnits);
    t("time offset", m_timeOffset);
    i("stretch or absolute", m_stretchOrAbsolute);
    f("msec per line", m_msecPerLine);
    b("prevent recording", m_preventRecording);
    b("prevent playback", m_preventPlayback);
    b("lock window settings", m_lockWindowSettings);
    b("use play key", m_usePlayKey);
    t("play key value", m_playKeyValue);
    b("playback starts trial", m_playbackStartsTrial);
    i("number of display rows", m_displayRowsCode);
    b("show annotation box", m_showAnnotationBox);
    b("show annotation text", m_showAnnotationText);

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
