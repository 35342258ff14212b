// The orders in which settings files and the default settings file are
// written and read. Each group registered here names its section after the
// check box table of the settings-file dialog, so the orders can be read
// back as section names.
#include "CSettingsFile.h"
#include "ScriptedPrompt.h"
#include "SettingsStore.h"
#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace tavril;
using namespace tavril::test;
namespace fs = std::filesystem;
using S = SettingsStore;

namespace {

// Check box (or key) and the section its group holds.
const std::vector<std::pair<std::string, std::string>> kGroups = {
    {"General main menu settings", "General Details"},
    {"Printing", "Pre Print Dialog Details"},
    {"Klip 'n Save", "Klip n Save Settings"},
    {"Default new window display configuration", "Display Details"},
    {"Default new window sizing", "Grid Options Details"},
    {"Recording config and virtual recorders", "Virtual recorder list"},
    {"Loop mode playback", "Loop Playback Settings"},
    {"System priority", "Priority Level Details"},
    {"Fixed frequency filter", "Filter Details"},
    {"Settings for detecting sound in recording files", "Recording file detector"},
    {"Multi tool", "Multi Tool Dialog"},
    {"Log file settings", "Logfile Selection Settings"},
    {"Playback trial", "Playback trial settings"},
    {"General annotation settings", "Annotation settings"},
    {"display menu list", "display menu list"},
    {"Ramp Begin/End Details", "Ramp Begin/End Details"},
    {"Insert Noise Dialog", "Insert Noise Dialog"},
    {"Insert Tone Dialog", "Insert Tone Dialog"},
    {"Amplitude Envelope Details", "Amplitude Envelope Details"},
    {"Compare sound files settings", "Compare sound files settings"},
    {"Default File Format", "Default File Format"},
    {"Export Spectragram Dialog", "Export Spectragram Dialog"},
    {"Import Headerless Binary Dialog", "Import Headerless Binary Dialog"},
};

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& [key, section] : kGroups)
            m_file.SetGroup(key, {[this, section](const std::string& f) {
                                      m_written.push_back(section);
                                      S::WriteSettingInt(f, section, "value", 1);
                                  },
                                  [this, section](const std::string&) { m_read.push_back(section); }});
    }
    ConfigHome m_config;
    TempDir m_dir;
    ScriptedPrompt m_prompt;
    CSettingsFile m_file{m_prompt};
    std::vector<std::string> m_written, m_read;
};

} // namespace

TEST_F(SettingsFile, WritesTheTickedGroupsInTheFixedOrder) {
    std::vector<std::string> all;
    for (auto it = kGroups.rbegin(); it != kGroups.rend(); ++it)
        all.push_back(it->first);
    all.push_back(CSettingsFile::kDisplayBox);
    int displays = 0;
    const std::string set = m_dir.File("all.set");
    ASSERT_TRUE(m_file.Save(set, all, [&](const std::string& f) {
        ++displays;
        S::WriteSettingInt(f, "Display info", "num windows", 0);
        return true;
    }));
    EXPECT_EQ(displays, 1);
    const std::vector<std::string> expected = {
        "General Details", "Filter Details", "Grid Options Details", "Pre Print Dialog Details",
        "Priority Level Details", "Virtual recorder list", "Display Details", "Logfile Selection Settings",
        "Loop Playback Settings", "Multi Tool Dialog", "Playback trial settings", "Klip n Save Settings",
        "Recording file detector", "Annotation settings"};
    EXPECT_EQ(m_written, expected);
    const auto bytes = ReadAll(set);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_LT(text.find("[Display info]"), text.find("[General Details]"));  // the display comes first
    EXPECT_FALSE(fs::exists(set + ".saving"));
}

TEST_F(SettingsFile, OneTickedGroupAndWrongNames) {
    const std::string set = m_dir.File("loop.SET");
    ASSERT_TRUE(m_file.Save(set, {"Loop mode playback"}, nullptr));
    EXPECT_EQ(m_written, std::vector<std::string>{"Loop Playback Settings"});
    EXPECT_FALSE(m_file.Save(m_dir.File("loop.txt"), {"Loop mode playback"}, nullptr));
    EXPECT_FALSE(fs::exists(m_dir.File("loop.txt")));
    // Nothing ticked still gives a file that opens.
    ASSERT_TRUE(m_file.Save(m_dir.File("none.set"), {}, nullptr));
    EXPECT_TRUE(fs::exists(m_dir.File("none.set")));
}

TEST_F(SettingsFile, ReadsInTheFixedOrderWithTheDisplayInItsPlace) {
    const std::string set = m_dir.File("s.set");
    S::WriteSettingInt(set, "Display info", "num windows", 1);
    S::WriteSettingInt(set, "Display info", "display file version", 4);
    std::vector<bool> closeFirst;
    m_file.Load(set, [&](bool close) {
        closeFirst.push_back(close);
        m_read.push_back("the display");
    });
    const std::vector<std::string> expected = {
        "Display Details", "Grid Options Details", "Ramp Begin/End Details", "Priority Level Details",
        "Filter Details", "Logfile Selection Settings", "Pre Print Dialog Details", "Loop Playback Settings",
        "Virtual recorder list", "Klip n Save Settings", "General Details", "display menu list", "the display",
        "Playback trial settings", "Multi Tool Dialog", "Recording file detector", "Annotation settings"};
    EXPECT_EQ(m_read, expected);
    EXPECT_EQ(closeFirst, std::vector<bool>{true});  // version above 1 closes the open windows

    // A missing count, or version 1 windows that add to the open ones.
    m_read.clear();
    closeFirst.clear();
    S::WriteSettingInt(set, "Display info", "display file version", 1);
    m_file.Load(set, [&](bool close) { closeFirst.push_back(close); });
    EXPECT_EQ(closeFirst, std::vector<bool>{false});
    const std::string noCount = m_dir.File("n.set");
    S::WriteSettingInt(noCount, "Display info", "display file version", 4);
    closeFirst.clear();
    m_file.Load(noCount, [&](bool close) { closeFirst.push_back(close); });
    EXPECT_TRUE(closeFirst.empty());
}

TEST_F(SettingsFile, DefaultSettingsFileAtStartAndExit) {
    ASSERT_FALSE(S::Exists(""));
    m_file.CreateDefaultsIfMissing();
    const std::vector<std::string> created = {
        "General Details", "Filter Details", "Grid Options Details", "Pre Print Dialog Details",
        "Priority Level Details", "Virtual recorder list", "Display Details", "Logfile Selection Settings",
        "Loop Playback Settings", "display menu list", "Multi Tool Dialog", "Playback trial settings",
        "Klip n Save Settings", "Annotation settings", "Recording file detector"};
    EXPECT_EQ(m_written, created);
    m_written.clear();
    m_file.CreateDefaultsIfMissing();  // it exists now
    EXPECT_TRUE(m_written.empty());

    m_file.ReadAtStartUp();
    const std::vector<std::string> read = {
        "Virtual recorder list", "Display Details", "Grid Options Details", "Ramp Begin/End Details",
        "Priority Level Details", "Filter Details", "Insert Tone Dialog", "Insert Noise Dialog",
        "Amplitude Envelope Details", "Logfile Selection Settings", "Playback trial settings",
        "Loop Playback Settings", "General Details", "Pre Print Dialog Details", "display menu list",
        "Multi Tool Dialog", "Compare sound files settings", "Default File Format", "Export Spectragram Dialog",
        "Import Headerless Binary Dialog", "Klip n Save Settings", "Annotation settings", "Recording file detector"};
    EXPECT_EQ(m_read, read);

    m_file.WriteAtExit();
    const std::vector<std::string> exit = {"Ramp Begin/End Details", "Insert Noise Dialog", "General Details"};
    EXPECT_EQ(m_written, exit);
}
