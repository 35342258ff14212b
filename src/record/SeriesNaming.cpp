#include "SeriesNaming.h"

#include "SettingsSection.h"
#include "SettingsStore.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace tavril {

namespace {

const SettingsSection<SeriesSettings>& SeriesKeys()
{
    using S = SeriesSettings;
    static const SettingsSection<S> keys = {
        {"Series Name", &S::seriesName},
        {"Series Path", &S::seriesPath},
        {"Series Number", &S::seriesNumber},
        {"Series stop Number", &S::stopNumber},
        {"Check for series stop Number", &S::checkStopNumber},
        {"Set start time", &S::setStartTime},
        {"Start hours", &S::startHours},
        {"Start minutes", &S::startMinutes},
        {"Start seconds", &S::startSeconds},
        {"Save file list", &S::saveFileList},
        {"File list name", &S::fileListName},
    };
    return keys;
}

std::string Trimmed(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

void ReplaceFirst(std::string& s, const std::string& code, const std::string& by)
{
    const auto at = s.find(code);
    if (at != std::string::npos) s.replace(at, code.size(), by);
}

} // namespace

int SeriesSettings::Save(const std::string& file, const std::string& suffix) const
{
    return SeriesKeys().Save(file, kSection + suffix, *this);
}

void SeriesSettings::Load(const std::string& file, const std::string& suffix)
{
    const std::string section = kSection + suffix;
    seriesNumber = SettingsStore::ReadSettingInt(file, section, "Series start Number", seriesNumber);
    SeriesKeys().Load(file, section, *this);
}

int AutonameSettings::Save(const std::string& file, const std::string& suffix) const
{
    const std::string section = kSection + suffix;
    int ok = 1;
    for (int i = 0; i < 3; ++i) {
        const std::string f = "Field " + std::to_string(i + 1);
        ok &= SettingsStore::WriteSettingInt(file, section, "Is " + f + " Enabled?", enabled[i] ? 1 : 0);
        ok &= SettingsStore::WriteSettingInt(file, section, f + " Entry Type", entryType[i]);
        ok &= SettingsStore::WriteSettingString(file, section, f + " Label", label[i]);
    }
    return ok;
}

void AutonameSettings::Load(const std::string& file, const std::string& suffix)
{
    const std::string section = kSection + suffix;
    for (int i = 0; i < 3; ++i) {
        const std::string f = "Field " + std::to_string(i + 1);
        enabled[i] = SettingsStore::ReadSettingInt(file, section, "Is " + f + " Enabled?", enabled[i]) != 0;
        entryType[i] = SettingsStore::ReadSettingInt(file, section, f + " Entry Type", entryType[i]);
        label[i] = SettingsStore::ReadSettingString(file, section, f + " Label", label[i]);
    }
}

void CSeriesNamer::RecordingStarted(int64_t clockMs, std::time_t calendar)
{
    m_startMs = clockMs;
    m_startCalendar = calendar;
    m_savedCount = 0;
    m_listPath.clear();
}

std::string CSeriesNamer::ExpandTime(const std::string& text, int64_t clockMs) const
{
    std::time_t base = m_startCalendar;
    if (m_settings.setStartTime) {
        std::tm day{};
        localtime_r(&base, &day);
        day.tm_hour = m_settings.startHours;
        day.tm_min = m_settings.startMinutes;
        day.tm_sec = m_settings.startSeconds;
        day.tm_isdst = -1;
        base = std::mktime(&day);
    }
    const std::time_t when = base + std::time_t((clockMs - m_startMs) / 1000);
    std::tm local{};
    localtime_r(&when, &local);
    char out[128];
    if (text.empty()) return {};
    const size_t n = std::strftime(out, sizeof out, text.c_str(), &local);
    return n == 0 ? std::string() : std::string(out, n);
}

std::string CSeriesNamer::Expand(const std::string& pattern, int64_t clockMs, int channel) const
{
    std::string s = pattern;
    char buf[32];
    const int64_t elapsed = clockMs - m_startMs;
    std::snprintf(buf, sizeof buf, "%03d", int(((elapsed % 1000) + 1000) % 1000));
    ReplaceFirst(s, "%F", buf);
    std::snprintf(buf, sizeof buf, "%4d", m_settings.seriesNumber);
    ReplaceFirst(s, "%n", buf);
    ReplaceFirst(s, "%c", std::to_string(channel + 1));
    return ExpandTime(s, clockMs);
}

std::string CSeriesNamer::Folder(const std::string& pattern, int64_t clockMs) const
{
    std::string path = Trimmed(pattern);
    if (path.empty()) return {};
    for (char& c : path)
        if (c == '\\') c = '/';
    path = ExpandTime(path, clockMs);
    if (path.empty()) return {};
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (!std::filesystem::is_directory(path, ec)) return {};
    if (path.back() != '/') path += '/';
    return path;
}

SeriesName CSeriesNamer::Next(int64_t clockMs, int channel, bool restart)
{
    if (restart) {
        m_settings.seriesNumber = 0;
        m_savedCount = 0;
    }
    SeriesName r;
    r.cont = !(m_settings.checkStopNumber && m_settings.stopNumber > 0 &&
               m_settings.seriesNumber + 1 > m_settings.stopNumber);
    const std::string folder = Folder(m_settings.seriesPath, clockMs);
    const std::string& pattern = m_settings.seriesName;
    char buf[64];
    if (pattern.find('%') != std::string::npos) {
        const std::string expanded = Expand(pattern, clockMs, channel);
        if (pattern.find("%n") != std::string::npos) {
            r.fileName = expanded + ".wav";
        } else if (expanded != m_lastExpanded) {
            m_lastExpanded = expanded;
            m_duplicate = 1;
            r.fileName = expanded + ".wav";
        } else {
            ++m_duplicate;
            std::snprintf(buf, sizeof buf, " %4d.wav", m_duplicate);
            r.fileName = m_lastExpanded + buf;
        }
    } else {
        std::snprintf(buf, sizeof buf, " %4d.wav", m_settings.seriesNumber);
        r.fileName = pattern + buf;
    }
    r.fullPath = folder + r.fileName;
    return r;
}

void CSeriesNamer::CountStoredFile()
{
    ++m_settings.seriesNumber;
    ++m_savedCount;
}

int CSeriesNamer::RecordInFileList(const std::string& name, int64_t clockMs)
{
    if (!m_settings.saveFileList) return 1;
    if (m_listPath.empty()) {
        std::string list = ExpandTime(Trimmed(m_settings.fileListName), clockMs);
        if (list.empty()) return 0;
        m_listPath = Folder(m_settings.seriesPath, clockMs) + list + ".txt";
    }
    std::ofstream out(m_listPath, std::ios::app);
    out << name << '\n';
    out.flush();
    return out ? 1 : 0;
}

} // namespace tavril
