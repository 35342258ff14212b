#include "CSettingsFile.h"

#include "CDisplayFile.h"
#include "FrameSettings.h"
#include "SettingsStore.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tavril {

namespace fs = std::filesystem;
using S = SettingsStore;

namespace {

// The order in which a settings file is written.
const char* const kSaveOrder[] = {
    "General main menu settings", "Fixed frequency filter", "Default new window sizing", "Printing",
    "System priority", "Recording config and virtual recorders", "Default new window display configuration",
    "Log file settings", "Loop mode playback", "Multi tool", "Playback trial", "Klip 'n Save",
    "Settings for detecting sound in recording files", "General annotation settings"};

// The order in which it is read; "the display" marks where the windows come.
const char* const kLoadOrder[] = {
    "Default new window display configuration", "Default new window sizing", "Ramp Begin/End Details",
    "System priority", "Fixed frequency filter", "Log file settings", "Printing", "Loop mode playback",
    "Recording config and virtual recorders", "Klip 'n Save", "General main menu settings", "display menu list",
    "the display", "Playback trial", "Multi tool", "Settings for detecting sound in recording files",
    "General annotation settings"};

// Written when the default settings file is missing at start-up.
const char* const kFirstStartOrder[] = {
    "General main menu settings", "Fixed frequency filter", "Default new window sizing", "Printing",
    "System priority", "Recording config and virtual recorders", "Default new window display configuration",
    "Log file settings", "Loop mode playback", "display menu list", "Multi tool", "Playback trial",
    "Klip 'n Save", "General annotation settings", "Settings for detecting sound in recording files"};

// Read from it at every start.
const char* const kStartUpOrder[] = {
    "Recording config and virtual recorders", "Default new window display configuration",
    "Default new window sizing", "Ramp Begin/End Details", "System priority", "Fixed frequency filter",
    "Insert Tone Dialog", "Insert Noise Dialog", "Amplitude Envelope Details", "Log file settings",
    "Playback trial", "Loop mode playback", "General main menu settings", "Printing", "display menu list",
    "Multi tool", "Compare sound files settings", "Default File Format", "Export Spectragram Dialog",
    "Import Headerless Binary Dialog", "Klip 'n Save", "General annotation settings",
    "Settings for detecting sound in recording files"};

// Written to it at every exit.
const char* const kExitOrder[] = {"Ramp Begin/End Details", "Insert Noise Dialog", "General main menu settings"};

} // namespace

void CSettingsFile::SetGroup(const std::string& key, SettingsFileGroup group) { m_groups[key] = std::move(group); }

bool CSettingsFile::HasGroup(const std::string& key) const { return key == kDisplayBox || m_groups.count(key) > 0; }

std::vector<std::string> CSettingsFile::SavableBoxes() const {
    std::vector<std::string> boxes;
    for (const char* box : kSaveOrder) {
        auto it = m_groups.find(box);
        if (it != m_groups.end() && it->second.save)
            boxes.push_back(box);
    }
    boxes.push_back(kDisplayBox);
    return boxes;
}

void CSettingsFile::SaveGroup(const std::string& key, const std::string& file) const {
    auto it = m_groups.find(key);
    if (it != m_groups.end() && it->second.save)
        it->second.save(file);
}

void CSettingsFile::LoadGroup(const std::string& key, const std::string& file) const {
    auto it = m_groups.find(key);
    if (it != m_groups.end() && it->second.load)
        it->second.load(file);
}

bool CSettingsFile::Save(const std::string& path, const std::vector<std::string>& checkBoxes,
                         const std::function<bool(const std::string& file)>& writeDisplay) {
    if (!IsSettingsFileName(path))
        return false;
    auto ticked = [&](const std::string& box) {
        return std::find(checkBoxes.begin(), checkBoxes.end(), box) != checkBoxes.end();
    };
    const std::string temp = SavingName(path);
    std::error_code ec;
    fs::remove(temp, ec);
    if (ticked(kDisplayBox) && writeDisplay && !writeDisplay(temp)) {
        fs::remove(temp, ec);
        return false;
    }
    for (const char* box : kSaveOrder)
        if (ticked(box))
            SaveGroup(box, temp);
    if (!fs::exists(temp, ec))  // nothing ticked still leaves a file the user can open
        S::WriteSettingInt(temp, "Display info", "display file version", 0);
    if (!ReplaceWithWritten(temp, path)) {
        m_prompt.ShowMessage("Could not write the settings file " + path + ".", "Tavril");
        return false;
    }
    return true;
}

void CSettingsFile::Load(const std::string& path, const std::function<void(bool closeFirst)>& loadDisplay) {
    for (const char* key : kLoadOrder) {
        if (std::string(key) != "the display") {
            LoadGroup(key, path);
            continue;
        }
        const DisplayFileHeader h = CDisplayFile::ReadHeader(path, true);
        if (h.count > 0 && h.version > 0 && loadDisplay)
            loadDisplay(h.version > 1);
    }
}

void CSettingsFile::CreateDefaultsIfMissing() {
    if (S::Exists(""))
        return;
    for (const char* key : kFirstStartOrder)
        SaveGroup(key, "");
}

void CSettingsFile::ReadAtStartUp() {
    for (const char* key : kStartUpOrder)
        LoadGroup(key, "");
}

void CSettingsFile::WriteAtExit() {
    for (const char* key : kExitOrder)
        SaveGroup(key, "");
}

} // namespace tavril
