#include "DataLogger.h"

#include "AnnotationField.h"
#include "AnnotationRecord.h"
#include "TextLineFile.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>

namespace tavril {

namespace {

std::string TrimRight(std::string s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) s.pop_back();
    return s;
}

std::string Printf(const char* fmt, double v)
{
    char buf[128];
    std::snprintf(buf, sizeof buf, fmt, v);
    // Logfiles are read by other programs: '.' whatever the locale.
    for (char* p = buf; *p; ++p)
        if (*p == ',') *p = '.';
    return buf;
}

} // namespace

std::string FormatLogTime(double seconds, bool clock)
{
    if (!clock) return Printf("%2.4lf", seconds);
    if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
    const double wholeMinutes = std::floor(seconds / 60.0);
    const long long minutes = (long long)wholeMinutes;
    char buf[64];
    // Hours are not wrapped at 24: a long recording keeps its true offset.
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:", minutes / 60, minutes % 60);
    return buf + Printf("%1.3f", seconds - wholeMinutes * 60.0);
}

void DataLogger::SetTrialLogfile(const std::string& path, bool trialRunning)
{
    m_trialLogfile = path;
    m_trialRunning = trialRunning;
}

std::string DataLogger::LogfilePath() const
{
    if ((m_trialRunning || m_settings.useTrialLogfile) && !m_trialLogfile.empty()) return m_trialLogfile;
    if (m_settings.logfileName.empty()) return {};
    std::string name = m_settings.logfileName;
    if (std::filesystem::path(name).extension().empty()) name += ".txt";
    if (m_settings.logfilePath.empty()) return name;
    return (std::filesystem::path(m_settings.logfilePath) / name).string();
}

bool DataLogger::CanLog() const { return m_on && !LogfilePath().empty(); }

std::string DataLogger::Prefix(const CivilTime& now, const std::string& activeSound) const
{
    std::string s;
    char buf[64];
    if (m_settings.storeDate) {
        std::snprintf(buf, sizeof buf, "%d/%d/%d\t", now.month, now.day, now.year);
        s += buf;
    }
    if (m_settings.storeTime) {
        std::snprintf(buf, sizeof buf, "%d:%d:%d\t", now.hour, now.minute, now.second);
        s += buf;
    }
    if (m_settings.storeSoundFileName && !activeSound.empty()) s += "selected:\t" + FileNameOf(activeSound) + "\t";
    return s;
}

std::string DataLogger::SelectionLine(const CivilTime& now, const std::string& activeSound, const LogSelection& sel,
                                      const std::string* comment) const
{
    const bool labels = m_settings.labelEachField;
    std::string s = Prefix(now, activeSound);
    auto item = [&](const char* label, const std::string& value) {
        if (labels) s += std::string(label) + "\t";
        s += value + "\t";
    };
    auto freq = [&](double v) {
        if (sel.waveform) return Printf("%1.4f", v);
        return m_settings.freqUnits == 0 ? Printf("%1.5f", v / 1000.0) : Printf("%1.2f", v);
    };
    const double offset = (m_settings.useTimeOffset && sel.timeOffsetSec > 0) ? sel.timeOffsetSec : 0.0;
    const bool clock = m_settings.timeUnits == 1;
    if (m_settings.storeChannel) item("channel:", std::to_string(sel.channel));
    if (m_settings.reportTopFreq) item("topfreq:", freq(sel.topHz));
    if (m_settings.reportBottomFreq) item("bottomfreq:", freq(sel.bottomHz));
    if (m_settings.reportFreqDifference) item("freqdif:", freq(sel.topHz - sel.bottomHz));
    if (m_settings.reportLeftTime) item("lefttime_abs:", FormatLogTime(sel.leftSec + offset, clock));
    if (m_settings.reportRightTime) item("righttime_abs:", FormatLogTime(sel.rightSec + offset, clock));
    if (m_settings.reportTimeDifference) item("timedif_abs:", FormatLogTime(sel.rightSec - sel.leftSec, clock));
    if (comment) {
        if (labels) s += "comment:\t";
        s += *comment;
    }
    return TrimRight(s);
}

std::string DataLogger::PointLine(const CivilTime& now, const std::string& activeSound,
                                  const std::string* comment) const
{
    std::string s = Prefix(now, activeSound);
    if (comment) s += *comment;
    return TrimRight(s);
}

std::string DataLogger::CommentLine(const CivilTime& now, const std::string& activeSound,
                                    const std::string& comment) const
{
    std::string s = Prefix(now, activeSound);
    std::string body;
    size_t taken = 0;
    for (char c : comment) {
        if (taken++ >= 1990) break;
        if (c == '\r') continue;
        body += c;
        if (c == '\n') body += "\t\t\t";
    }
    return TrimRight(s + body);
}

std::string DataLogger::SoundLine(const CivilTime& now, const std::string& activeSound, const std::string& soundPath,
                                  bool saved) const
{
    std::string s = Prefix(now, activeSound);
    if (m_settings.labelEachField) s += saved ? "saved:\t" : "played:\t";
    return TrimRight(s + soundPath + "\t");
}

std::string DataLogger::EventLine(const CivilTime& now, const std::string& text)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "%d/%d/%d\t%d:%d:%d\t\t", now.month, now.day, now.year, now.hour, now.minute,
                  now.second);
    return TrimRight(buf + text);
}

bool DataLogger::Write(const std::string& line)
{
    if (!CanLog()) return false;
    TextLineFile f(LogfilePath());
    if (f.WriteLine(line)) return true;
    // A folder that cannot be made: the name alone, in the working folder.
    if (m_settings.logfilePath.empty()) return false;
    TextLineFile bare(std::filesystem::path(LogfilePath()).filename().string());
    return bare.WriteLine(line);
}

bool DataLogger::LogSelectionLine(const CivilTime& now, const std::string& activeSound, const LogSelection& sel,
                                  const std::string* comment)
{
    if (comment) m_lastComment = *comment;
    return CanLog() && Write(SelectionLine(now, activeSound, sel, comment));
}

bool DataLogger::LogPointLine(const CivilTime& now, const std::string& activeSound, const std::string* comment)
{
    if (comment) m_lastComment = *comment;
    return CanLog() && Write(PointLine(now, activeSound, comment));
}

bool DataLogger::LogComment(const CivilTime& now, const std::string& activeSound, const std::string& comment)
{
    m_lastComment = comment;
    return CanLog() && Write(CommentLine(now, activeSound, comment));
}

bool DataLogger::LogPlayed(const CivilTime& now, const std::string& activeSound, const std::string& soundPath)
{
    return CanLog() && m_settings.reportSoundsPlayed && Write(SoundLine(now, activeSound, soundPath, false));
}

bool DataLogger::LogSaved(const CivilTime& now, const std::string& activeSound, const std::string& soundPath)
{
    return CanLog() && m_settings.reportSoundsSaved && Write(SoundLine(now, activeSound, soundPath, true));
}

bool DataLogger::LogEvent(const CivilTime& now, const std::string& text)
{
    return CanLog() && Write(EventLine(now, text));
}

bool DataLogger::LogKey(const CivilTime& now, char32_t key)
{
    const std::string text = m_keys.TextFor(key);
    return !text.empty() && LogEvent(now, text);
}

bool DataLogger::ClearLogfile()
{
    const std::string path = LogfilePath();
    return !path.empty() && TextLineFile(path).Clear();
}

CivilTime DataLogger::Now()
{
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    CivilTime c;
    c.year = tm.tm_year + 1900;
    c.month = tm.tm_mon + 1;
    c.day = tm.tm_mday;
    c.hour = tm.tm_hour;
    c.minute = tm.tm_min;
    c.second = tm.tm_sec;
    return c;
}

} // namespace tavril
