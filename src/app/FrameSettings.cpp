#include "FrameSettings.h"

#include "SettingsSection.h"
#include "SettingsStore.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace tavril {

namespace {
using S = SettingsStore;
const char* kGeneral = "General Details";
const char* kGrid = "Grid Options Details";

std::string Indexed(const std::string& format, int n) {
    char buf[128];
    std::snprintf(buf, sizeof buf, format.c_str(), n);
    return buf;
}

bool EndsWithLetters(const std::string& path, const char* letters) {
    if (path.size() <= 4 || path[path.size() - 4] != '.')
        return false;
    for (int i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(path[path.size() - 3 + i])) != letters[i])
            return false;
    return true;
}

const SettingsSection<GeneralDetails>& GeneralKeys() {
    static const SettingsSection<GeneralDetails> keys{
        {"Hide all cursors", &GeneralDetails::hideAllCursors},
        {"Hide title bars", &GeneralDetails::hideTitleBars},
        {"Logfile Open", &GeneralDetails::logfileOpen},
        {"Trial start trigger on", &GeneralDetails::trialStartTriggerOn},
        {"open file filter index", &GeneralDetails::openFileFilterIndex},
        {"save as file filter index", &GeneralDetails::saveAsFileFilterIndex},
        {"load file filter index", &GeneralDetails::loadFileFilterIndex},
    };
    return keys;
}

const SettingsSection<GridOptions>& GridKeys() {
    static const SettingsSection<GridOptions> keys{
        {"Horizontal grid num rows", &GridOptions::horizontalPixels},
        {"Horizontal: use grid?", &GridOptions::horizontalUseGrid},
        {"Vertical grid num cols", &GridOptions::verticalPixels},
        {"Vertical: use grid?", &GridOptions::verticalUseGrid},
    };
    return keys;
}
} // namespace

void GeneralDetails::Save(const std::string& f) const { GeneralKeys().Save(f, kGeneral, *this); }
void GeneralDetails::Load(const std::string& f) { GeneralKeys().Load(f, kGeneral, *this); }

void GridOptions::Save(const std::string& f) const { GridKeys().Save(f, kGrid, *this); }
void GridOptions::Load(const std::string& f) { GridKeys().Load(f, kGrid, *this); }

void PriorityLevel::Save(const std::string& f) const {
    S::WriteSettingInt(f, "Priority Level Details", "Priority Level", level);
}

void PriorityLevel::Load(const std::string& f) {
    level = S::ReadSettingInt(f, "Priority Level Details", "Priority Level", level);
}

void DefaultFileFormat::Save(const std::string& f) const {
    S::WriteSettingInt(f, "Default File Format", "format type", formatType);
}

void DefaultFileFormat::Load(const std::string& f) {
    formatType = S::ReadSettingInt(f, "Default File Format", "format type", formatType);
}

FileList FileList::UserMenu() {
    FileList l;
    l.section = "display menu list";
    l.countKey = "number of displays in list";
    l.entryFormat = "display list %d";
    return l;
}

FileList FileList::PlayList() {
    FileList l;
    l.section = "play list";
    l.countKey = "number of files in list";
    l.entryFormat = "play list %d";
    return l;
}

void FileList::Save(const std::string& f) const {
    S::WriteSettingInt(f, section, "hide display path in menu list", hidePath);
    if (files.empty())
        return;  // an empty list leaves the count and entries as they were
    S::WriteSettingInt(f, section, countKey, static_cast<int>(files.size()));
    for (size_t i = 0; i < files.size(); ++i)
        S::WriteSettingString(f, section, Indexed(entryFormat, static_cast<int>(i)), files[i]);
}

void FileList::Load(const std::string& f) {
    hidePath = S::ReadSettingInt(f, section, "hide display path in menu list", hidePath);
    int count = S::ReadSettingInt(f, section, countKey, static_cast<int>(files.size()));
    // A damaged count must not make the menu huge.
    count = std::clamp(count, 0, kMaxUserMenuEntries);
    std::vector<std::string> loaded;
    for (int i = 0; i < count; ++i) {
        std::string old = i < static_cast<int>(files.size()) ? files[i] : std::string();
        std::string v = S::ReadSettingString(f, section, Indexed(entryFormat, i), old);
        if (!v.empty())
            loaded.push_back(v);
    }
    files = loaded;
}

void RecentFiles::Add(const std::string& path) {
    Remove(path);
    files.insert(files.begin(), path);
    if (files.size() > static_cast<size_t>(kMaxRecentFiles))
        files.resize(kMaxRecentFiles);
}

void RecentFiles::Remove(const std::string& path) {
    files.erase(std::remove(files.begin(), files.end(), path), files.end());
}

void RecentFiles::Save(const std::string& f) const {
    for (int i = 0; i < kMaxRecentFiles; ++i)
        S::WriteSettingString(f, "Recent File List", "File" + std::to_string(i + 1),
                              i < static_cast<int>(files.size()) ? files[i] : std::string());
}

void RecentFiles::Load(const std::string& f) {
    files.clear();
    for (int i = 0; i < kMaxRecentFiles; ++i) {
        std::string v = S::ReadSettingString(f, "Recent File List", "File" + std::to_string(i + 1), "");
        if (!v.empty() && std::find(files.begin(), files.end(), v) == files.end())
            files.push_back(v);
    }
}

bool IsDisplayFileName(const std::string& path) { return EndsWithLetters(path, "DSP"); }
bool IsSettingsFileName(const std::string& path) { return EndsWithLetters(path, "SET"); }

} // namespace tavril
