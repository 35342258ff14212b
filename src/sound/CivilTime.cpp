#include "CivilTime.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace tavril {

namespace {

// Howard Hinnant's days-from-civil algorithm (public domain arithmetic).
int64_t DaysFromCivil(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = int(yoe + era * 400 + (m <= 2));
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

} // namespace

int64_t CivilTime::DayNumber() const { return DaysFromCivil(year, month, day); }

int64_t CivilTime::EpochSeconds() const { return DayNumber() * 86400 + hour * 3600 + minute * 60 + second; }

CivilTime CivilTime::FromEpochSeconds(int64_t seconds)
{
    CivilTime t;
    const int64_t days = FloorDiv(seconds, 86400);
    int64_t rest = seconds - days * 86400;
    CivilFromDays(days, t.year, t.month, t.day);
    t.hour = int(rest / 3600);
    rest %= 3600;
    t.minute = int(rest / 60);
    t.second = int(rest % 60);
    return t;
}

CivilTime CivilTime::Plus(int64_t seconds) const { return FromEpochSeconds(EpochSeconds() + seconds); }

std::string CivilTime::TimeText() const
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", hour, minute, second);
    return buf;
}

std::string CivilTime::DateText() const
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
    return buf;
}

bool ParseStartTime(const std::string& text, CivilTime& t)
{
    int colons = 0;
    for (char c : text) colons += c == ':';
    if (colons < 2) return false;
    int h = 0, m = 0, s = 0;
    if (std::sscanf(text.c_str(), "%d:%d:%d", &h, &m, &s) != 3) return false;
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 60) return false;
    t.hour = h;
    t.minute = m;
    t.second = s;
    return true;
}

bool ParseStartDate(const std::string& text, CivilTime& t)
{
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') s += c;
    const char sep = s.find('-') != std::string::npos   ? '-'
                     : s.find('/') != std::string::npos ? '/'
                     : s.find('.') != std::string::npos ? '.'
                                                        : 0;
    if (!sep) return false;
    std::vector<std::string> f;
    size_t start = 0;
    for (;;) {
        const size_t p = s.find(sep, start);
        f.push_back(s.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos) break;
        start = p + 1;
    }
    if (f.size() < 3) return false;
    for (int i = 0; i < 3; ++i) {
        if (f[i].empty() || f[i].size() > 9) return false;
        for (char c : f[i])
            if (c < '0' || c > '9') return false;
    }
    const size_t firstLen = f[0].size(), lastLen = f[2].size();
    int y, m, d;
    if (firstLen <= 2 && lastLen <= 3) {
        y = std::atoi(f[0].c_str());
        m = std::atoi(f[1].c_str());
        d = std::atoi(f[2].c_str());
        y += y < 50 ? 2000 : 1900;
    } else if (firstLen <= 2) {
        m = std::atoi(f[0].c_str());
        d = std::atoi(f[1].c_str());
        y = std::atoi(f[2].c_str());
    } else {
        y = std::atoi(f[0].c_str());
        m = std::atoi(f[1].c_str());
        d = std::atoi(f[2].c_str());
    }
    if (m < 1 || m > 12 || d < 1 || d > 31) return false;
    t.year = y;
    t.month = m;
    t.day = d;
    return true;
}

} // namespace tavril
