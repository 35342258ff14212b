#pragma once
// LogfileSettings: what the data logfile is called and what each logged line
// holds (section "Logfile Selection Settings"), and LogKeyList, the keys whose
// text is written to the logfile when pressed (section "Logfile key list",
// also the whole of a ".lky" file). Plain values read from and written to
// settings files through SettingsStore; one thread at a time.

#include <string>
#include <utility>
#include <vector>

namespace tavril {

struct LogfileSettings {
    std::string logfileName;
    std::string logfilePath;
    bool useTrialLogfile = false;
    bool useAnnotationFile = true;
    bool confirmEntries = false;
    bool requestComment = false;
    bool reportSoundsPlayed = true;
    bool reportSoundsSaved = true;
    bool storeDate = false;
    bool storeSoundFileName = true;
    bool storeTime = false;
    bool storeChannel = false;
    bool reportFreqDifference = true;
    bool reportTopFreq = true;
    bool reportBottomFreq = true;
    int freqUnits = 0;  // 0 kHz, 1 Hz
    bool useTimeOffset = false;
    int timeUnits = 1;  // 0 seconds, 1 HH:MM:SS
    bool reportTimeDifference = false;
    bool reportLeftTime = false;
    bool reportRightTime = false;
    bool labelEachField = true;

    static LogfileSettings Load(const std::string& settingsFile);
    bool Save(const std::string& settingsFile) const;
};

class LogKeyList {
public:
    using Entry = std::pair<char32_t, std::string>;
    const std::vector<Entry>& Entries() const { return m_entries; }
    // Sets the text of a key, adding the key at the end when new.
    void Set(char32_t key, const std::string& text);
    void Remove(char32_t key);
    void Clear() { m_entries.clear(); }
    // The text bound to `key`, or "".
    std::string TextFor(char32_t key) const;
    // "%c: %s" lines for the list box.
    std::vector<std::string> DisplayLines() const;

    // An empty list writes nothing, so a list stored earlier stays.
    bool Save(const std::string& settingsFile) const;
    static LogKeyList Load(const std::string& settingsFile);

private:
    std::vector<Entry> m_entries;
};

} // namespace tavril
