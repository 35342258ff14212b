#pragma once
// FrameSettings: the settings sections the main frame owns: "General
// Details", "Grid Options Details", "Priority Level Details", "Default File
// Format", the user menu list ("display menu list") and the recent-file list.
// Each has the usual pair: Save writes every key in order, Load reads them
// with the current values as defaults, so a missing key changes nothing.
//
// Plain values; UI thread. An empty file name means the default settings file.

#include <string>
#include <vector>

namespace tavril {

struct GeneralDetails {
    int hideAllCursors = 0;
    int hideTitleBars = 0;
    int logfileOpen = 0;
    int trialStartTriggerOn = 0;
    int openFileFilterIndex = 1;
    int saveAsFileFilterIndex = 1;
    int loadFileFilterIndex = 1;
    void Save(const std::string& file) const;
    void Load(const std::string& file);
};

struct GridOptions {
    int horizontalPixels = 200;  // "Horizontal grid num rows": the fixed width
    int horizontalUseGrid = 0;   // 0 use previous window, 1 fixed
    int verticalPixels = 100;    // "Vertical grid num cols": the fixed height
    int verticalUseGrid = 0;
    void Save(const std::string& file) const;
    void Load(const std::string& file);
};

struct PriorityLevel {
    int level = 0;  // 0 standard, 1 high, 2 maximum
    void Save(const std::string& file) const;
    void Load(const std::string& file);
};

struct DefaultFileFormat {
    int formatType = 0;  // 0 WAV, 1 AIFF, 2 SIG
    void Save(const std::string& file) const;
    void Load(const std::string& file);
};

// A list of files kept in the settings: the user menu ("display menu list")
// and the play list share the layout.
struct FileList {
    std::string section;
    std::string countKey;
    std::string entryFormat;  // "display list %d"
    int hidePath = 0;
    std::vector<std::string> files;
    static FileList UserMenu();
    static FileList PlayList();
    void Save(const std::string& file) const;
    void Load(const std::string& file);
};

constexpr int kMaxUserMenuEntries = 30;
constexpr int kMaxRecentFiles = 16;

// The recent-file list, most recent first ("Recent File List", "File1" ...).
struct RecentFiles {
    std::vector<std::string> files;
    void Add(const std::string& path);
    void Remove(const std::string& path);
    void Save(const std::string& file) const;
    void Load(const std::string& file);
};

bool IsDisplayFileName(const std::string& path);
bool IsSettingsFileName(const std::string& path);

} // namespace tavril
