#pragma once
// DataLogger: builds and writes the lines of the data logfile (measurements
// of a sound window, comments, sounds played and saved, key-list texts and
// trial events). It owns the logging state of the program (on/off, settings,
// key list, last comment); dialogs are the caller's: a line that needs a
// confirmation or a comment is written only after the caller got them.
// Threading: one thread at a time (the GUI thread); playback calls in through
// LogPlayed from that thread too.

#include "CivilTime.h"
#include "LogfileSettings.h"

#include <string>

namespace tavril {

// The measured cursors of a sound window.
struct LogSelection {
    int channel = 1;             // from 1
    double topHz = 0;            // or amplitude on a waveform
    double bottomHz = 0;
    double leftSec = 0;          // from the start of the sound
    double rightSec = 0;
    double timeOffsetSec = 0;    // the window's time offset
    bool waveform = false;       // horizontal cursors measure amplitude
};

// A time in the units of the logfile: "%2.4lf" seconds, or "HH:MM:" with the
// seconds within the minute as "%1.3f" (65.25 s is "00:01:5.250").
std::string FormatLogTime(double seconds, bool clock);

class DataLogger {
public:
    LogfileSettings& Settings() { return m_settings; }
    const LogfileSettings& Settings() const { return m_settings; }
    void SetSettings(const LogfileSettings& s) { m_settings = s; }
    LogKeyList& Keys() { return m_keys; }
    bool IsOn() const { return m_on; }
    void SetOn(bool on) { m_on = on; }
    const std::string& LastComment() const { return m_lastComment; }
    // Where a running playback trial logs instead (empty when none).
    void SetTrialLogfile(const std::string& path, bool trialRunning);

    // The logfile's path: folder + name, ".txt" added to a name without an
    // extension; empty without a name.
    std::string LogfilePath() const;
    // Logging is on and there is a logfile name.
    bool CanLog() const;

    // Line builders (no trailing blanks, no line end).
    std::string Prefix(const CivilTime& now, const std::string& activeSound) const;
    std::string SelectionLine(const CivilTime& now, const std::string& activeSound, const LogSelection& sel,
                              const std::string* comment) const;
    std::string PointLine(const CivilTime& now, const std::string& activeSound, const std::string* comment) const;
    std::string CommentLine(const CivilTime& now, const std::string& activeSound, const std::string& comment) const;
    std::string SoundLine(const CivilTime& now, const std::string& activeSound, const std::string& soundPath,
                          bool saved) const;
    static std::string EventLine(const CivilTime& now, const std::string& text);

    // Writers: each writes its line when logging is possible (and the
    // settings ask for it); return whether a line was written.
    bool LogSelectionLine(const CivilTime& now, const std::string& activeSound, const LogSelection& sel,
                          const std::string* comment);
    bool LogPointLine(const CivilTime& now, const std::string& activeSound, const std::string* comment);
    bool LogComment(const CivilTime& now, const std::string& activeSound, const std::string& comment);
    bool LogPlayed(const CivilTime& now, const std::string& activeSound, const std::string& soundPath);
    bool LogSaved(const CivilTime& now, const std::string& activeSound, const std::string& soundPath);
    bool LogEvent(const CivilTime& now, const std::string& text);
    // The key list's text for a pressed character, written as an event.
    bool LogKey(const CivilTime& now, char32_t key);
    bool ClearLogfile();

    // The local time now.
    static CivilTime Now();

private:
    LogfileSettings m_settings;
    LogKeyList m_keys;
    bool m_on = false;
    std::string m_lastComment;
    std::string m_trialLogfile;
    bool m_trialRunning = false;

    bool Write(const std::string& line);
};

} // namespace tavril
