#pragma once
// CSettingsFile: the groups of settings sections the program keeps, and the
// files made of them: settings files (".set", the groups the user ticks,
// optionally with the display), and the default settings file's first-start
// creation, start-up reading and exit writing, each in its fixed order.
// Every part of the program that owns a group registers how it is written
// and read; this class only keeps the orders.
//
// Holds a reference to the prompt, which outlives it. UI thread.

#include "IPrompt.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tavril {

// How one group is written to and read from a file ("" = the default
// settings file). A group without `save` is only read.
struct SettingsFileGroup {
    std::function<void(const std::string& file)> save;
    std::function<void(const std::string& file)> load;
};

class CSettingsFile {
public:
    // The check box that adds the display to a settings file.
    static constexpr const char* kDisplayBox = "Save the current display along with selected settings";

    explicit CSettingsFile(IPrompt& prompt) : m_prompt(prompt) {}

    // Groups are keyed by their check box in "Select Settings to Save:", or
    // by their section name when they have none ("Ramp Begin/End Details").
    void SetGroup(const std::string& key, SettingsFileGroup group);
    bool HasGroup(const std::string& key) const;
    // The check boxes that have a group to write, the display's last.
    std::vector<std::string> SavableBoxes() const;

    // Writes the ticked groups in the fixed order into a settings file,
    // whole or not at all; `writeDisplay` adds the display sections to the
    // file it is given. False when the name is no settings file name or the
    // file cannot be written (the user is told about the latter).
    bool Save(const std::string& path, const std::vector<std::string>& checkBoxes,
              const std::function<bool(const std::string& file)>& writeDisplay);
    // Reads every group the file may hold, in the fixed order; where the
    // display comes, `loadDisplay` is called when the file holds windows,
    // told whether the open windows are to close first.
    void Load(const std::string& path, const std::function<void(bool closeFirst)>& loadDisplay);

    // The default settings file: created with the current values when it is
    // missing, then read, in the start-up orders; written at exit.
    void CreateDefaultsIfMissing();
    void ReadAtStartUp();
    void WriteAtExit();

private:
    void SaveGroup(const std::string& key, const std::string& file) const;
    void LoadGroup(const std::string& key, const std::string& file) const;

    IPrompt& m_prompt;
    std::map<std::string, SettingsFileGroup> m_groups;
};

} // namespace tavril
