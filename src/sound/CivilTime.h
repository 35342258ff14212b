#pragma once
// CivilTime: a calendar date and wall-clock time without a time zone, as the
// start moment of a recording is given in a metafile. Plain value type; the
// arithmetic uses a proleptic Gregorian day count so that it never depends on
// the process's time zone or daylight saving rules.

#include <cstdint>
#include <string>

namespace tavril {

struct CivilTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    // Days since 1970-01-01 of the date part.
    int64_t DayNumber() const;
    // Seconds since 1970-01-01 00:00:00 of the whole moment.
    int64_t EpochSeconds() const;
    static CivilTime FromEpochSeconds(int64_t seconds);
    // The moment `seconds` later (negative goes back).
    CivilTime Plus(int64_t seconds) const;
    // "HH:MM:SS" and "YYYY-MM-DD".
    std::string TimeText() const;
    std::string DateText() const;
    bool operator==(const CivilTime&) const = default;
};

// Reads "h:m:s" (the text must hold two ':'). Leaves `t` untouched and
// returns false otherwise.
bool ParseStartTime(const std::string& text, CivilTime& t);

// Reads a start date written as yyyy-mm-dd, mm/dd/yyyy, yy.mm.dd (or with any
// of the separators '-', '/', '.'): a first field of at most two characters
// with a last of at most three is a short year first (below 50: 20yy, else
// 19yy); a first field of at most two with a last of four or more is month,
// day, year; a longer first field is year, month, day. Returns false when
// there is no date.
bool ParseStartDate(const std::string& text, CivilTime& t);

} // namespace tavril
