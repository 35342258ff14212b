#include "LogfileSettings.h"

#include "TextEncoding.h"

#include "SettingsStore.h"

#include <algorithm>

namespace tavril {

namespace {

const char* const kSection = "Logfile Selection Settings";
const char* const kKeySection = "Logfile key list";
constexpr int kMaxKeys = 1000;

struct FlagKey {
    const char* key;
    bool LogfileSettings::*flag;
};

const FlagKey kFlags[] = {
    {"Use trial logfile", &LogfileSettings::useTrialLogfile},
    {"use annotationfile", &LogfileSettings::useAnnotationFile},
    {"confirm entries", &LogfileSettings::confirmEntries},
    {"request comment", &LogfileSettings::requestComment},
    {"report sounds played", &LogfileSettings::reportSoundsPlayed},
    {"report sounds saved", &LogfileSettings::reportSoundsSaved},
    {"store current date with entries", &LogfileSettings::storeDate},
    {"store current soundfile name with entries", &LogfileSettings::storeSoundFileName},
    {"store current time with entries", &LogfileSettings::storeTime},
    {"store current channel num with entries", &LogfileSettings::storeChannel},
    {"report frequency difference", &LogfileSettings::reportFreqDifference},
    {"report left frequency", &LogfileSettings::reportTopFreq},
    {"report right frequency", &LogfileSettings::reportBottomFreq},
    {"use time offset", &LogfileSettings::useTimeOffset},
    {"report time dif global", &LogfileSettings::reportTimeDifference},
    {"report left time global", &LogfileSettings::reportLeftTime},
    {"report right time global", &LogfileSettings::reportRightTime},
    {"store descriptive label each col", &LogfileSettings::labelEachField},
};

} // namespace

LogfileSettings LogfileSettings::Load(const std::string& file)
{
    LogfileSettings s;
    s.logfileName = SettingsStore::ReadSettingString(file, kSection, "Logfile Name", "");
    s.logfilePath = SettingsStore::ReadSettingString(file, kSection, "Logfile Path", "");
    for (const auto& f : kFlags) s.*f.flag = SettingsStore::ReadSettingInt(file, kSection, f.key, s.*f.flag) != 0;
    s.freqUnits = SettingsStore::ReadSettingInt(file, kSection, "freq cursor units", s.freqUnits) ? 1 : 0;
    s.timeUnits = SettingsStore::ReadSettingInt(file, kSection, "time cursor units global", s.timeUnits) ? 1 : 0;
    return s;
}

bool LogfileSettings::Save(const std::string& file) const
{
    bool ok = SettingsStore::WriteSettingString(file, kSection, "Logfile Name", logfileName) &&
              SettingsStore::WriteSettingString(file, kSection, "Logfile Path", logfilePath);
    for (const auto& f : kFlags) ok = SettingsStore::WriteSettingInt(file, kSection, f.key, this->*f.flag ? 1 : 0) && ok;
    ok = SettingsStore::WriteSettingInt(file, kSection, "freq cursor units", freqUnits) && ok;
    ok = SettingsStore::WriteSettingInt(file, kSection, "time cursor units global", timeUnits) && ok;
    return ok;
}

void LogKeyList::Set(char32_t key, const std::string& text)
{
    for (auto& e : m_entries)
        if (e.first == key) {
            e.second = text;
            return;
        }
    m_entries.emplace_back(key, text);
}

void LogKeyList::Remove(char32_t key)
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.first == key; }),
                    m_entries.end());
}

std::string LogKeyList::TextFor(char32_t key) const
{
    for (const auto& e : m_entries)
        if (e.first == key) return e.second;
    return {};
}

std::vector<std::string> LogKeyList::DisplayLines() const
{
    std::vector<std::string> lines;
    for (const auto& e : m_entries) {
        std::string s;
        AppendUtf8(s, e.first);
        lines.push_back(s + ": " + e.second);
    }
    return lines;
}

bool LogKeyList::Save(const std::string& file) const
{
    if (m_entries.empty()) return true;
    bool ok = SettingsStore::WriteSettingInt(file, kKeySection, "number of keys in list", int(m_entries.size()));
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const std::string n = std::to_string(i);
        ok = SettingsStore::WriteSettingInt(file, kKeySection, "logfile key#" + n + " value", int(m_entries[i].first)) &&
             ok;
        ok = SettingsStore::WriteSettingString(file, kKeySection, "logfile key#" + n + " text", m_entries[i].second) &&
             ok;
    }
    return ok;
}

LogKeyList LogKeyList::Load(const std::string& file)
{
    LogKeyList list;
    const int n = std::clamp(SettingsStore::ReadSettingInt(file, kKeySection, "number of keys in list", 0), 0, kMaxKeys);
    for (int i = 0; i < n; ++i) {
        const std::string k = std::to_string(i);
        const int code = SettingsStore::ReadSettingInt(file, kKeySection, "logfile key#" + k + " value", 0);
        if (code <= 0 || code > 0x10FFFF) continue;
        list.Set(char32_t(code), SettingsStore::ReadSettingString(file, kKeySection, "logfile key#" + k + " text", ""));
    }
    return list;
}

} // namespace tavril
