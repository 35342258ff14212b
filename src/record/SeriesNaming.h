#pragma once
// Series file naming: the settings of "Series File Settings" and
// "Auto-Filename Selector Settings", and CSeriesNamer, which turns a folder
// and name pattern with "%F" (milliseconds), "%n" (series number), "%c"
// (channel) and strftime date/time codes into one file name per stored
// sound, keeps the series number, and appends names to a list file.
//
// Ownership: the namer refers to the settings it is given (the recorder's);
// it owns only its run state. Threading: one thread at a time.

#include <cstdint>
#include <ctime>
#include <string>

namespace tavril {

struct SeriesSettings {
    std::string seriesName = " ";
    std::string seriesPath = " ";
    int seriesNumber = 0;
    int stopNumber = 0;
    bool checkStopNumber = false;
    bool setStartTime = false;
    int startHours = 0;
    int startMinutes = 0;
    int startSeconds = 0;
    bool saveFileList = false;
    std::string fileListName;

    static constexpr const char* kSection = "Series File Settings";
    int Save(const std::string& file, const std::string& suffix) const;
    // Also accepts the older key "Series start Number".
    void Load(const std::string& file, const std::string& suffix);
};

struct AutonameSettings {
    bool enabled[3] = {false, false, false};
    int entryType[3] = {0, 0, 0};  // 0 free text, 1 letter, 2 number
    std::string label[3];

    static constexpr const char* kSection = "Auto-Filename Selector Settings";
    int Save(const std::string& file, const std::string& suffix) const;
    void Load(const std::string& file, const std::string& suffix);
};

struct SeriesName {
    std::string fileName;
    std::string fullPath;
    bool cont = true;  // false once the stop number is passed
};

class CSeriesNamer {
public:
    explicit CSeriesNamer(SeriesSettings& settings) : m_settings(settings) {}

    // Start of a recording: clock time (ms) and the calendar time it stands
    // for. The saved-file count and the list file are forgotten.
    void RecordingStarted(int64_t clockMs, std::time_t calendar);
    SeriesName Next(int64_t clockMs, int channel, bool restart);
    void CountStoredFile();
    // Appends `name` as one line to the list file when "Save file list" is
    // on. Returns 0 when the list could not be written.
    int RecordInFileList(const std::string& name, int64_t clockMs);

    int SavedCount() const { return m_savedCount; }
    const std::string& ListPath() const { return m_listPath; }
    // The pattern with every code expanded for clock time t (empty when the
    // result would not fit in 127 characters).
    std::string Expand(const std::string& pattern, int64_t clockMs, int channel) const;

private:
    std::string ExpandTime(const std::string& text, int64_t clockMs) const;
    std::string Folder(const std::string& pattern, int64_t clockMs) const;

    SeriesSettings& m_settings;
    int64_t m_startMs = 0;
    std::time_t m_startCalendar = 0;
    int m_savedCount = 0;
    std::string m_lastExpanded;
    int m_duplicate = 0;
    std::string m_listPath;
};

} // namespace tavril
