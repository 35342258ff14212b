// Display files and text lists of sounds, without windows.
#include "CDisplayFile.h"
#include "ScriptedPrompt.h"
#include "SettingsStore.h"
#include "SoundFileList.h"
#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace tavril;
using namespace tavril::test;
namespace fs = std::filesystem;
using S = SettingsStore;

namespace {

void WriteText(const fs::path& p, const std::string& text) {
    WriteAll(p.string(), std::vector<unsigned char>(text.begin(), text.end()));
}

DisplayWindowRecord Own(const fs::path& sound, int id) {
    DisplayWindowRecord r;
    r.windowId = id;
    r.soundPath = sound.string();
    r.soundTitle = sound.filename().string();
    r.left = 10;
    r.top = 20;
    r.right = 310;
    r.bottom = 170;
    r.scrollPosition = 33;
    return r;
}

class DisplayFile : public ::testing::Test {
protected:
    TempDir m_dir;
    ScriptedPrompt m_prompt;
    CDisplayFile m_file{m_prompt};
};

} // namespace

TEST_F(DisplayFile, WindowsRoundTripWithALink) {
    const fs::path wav = m_dir.Path() / "song.wav";
    WriteText(wav, "RIFF");
    DisplayWindowRecord first = Own(wav, 7);
    first.settings.m_msecPerLine = 3.5f;
    DisplayWindowRecord second;
    second.windowId = 8;
    second.linkedToId = 7;
    second.left = 320;
    const std::string dsp = m_dir.File("layout.dsp");
    ASSERT_TRUE(m_file.Save(dsp, {first, second}, false));

    EXPECT_EQ(S::ReadSettingInt(dsp, "Display info", "num windows", -1), 2);
    EXPECT_EQ(S::ReadSettingInt(dsp, "Display info", "display file version", -1), 4);
    EXPECT_EQ(S::ReadSettingString(dsp, "Display info", "display file path", ""), dsp);
    EXPECT_EQ(S::ReadSettingString(dsp, "Settings for Window 1", "Sound file name", "?"), "");
    EXPECT_EQ(S::ReadSettingString(dsp, "Settings for Window 1", "Sound file title", "?"), "");
    EXPECT_EQ(S::ReadSettingLong(dsp, "Settings for Window 0", "Display bitmap file position", 0), -1);
    EXPECT_FALSE(fs::exists(SavingName(dsp)));

    const DisplayFileHeader h = CDisplayFile::ReadHeader(dsp, false);
    EXPECT_EQ(h.count, 2);
    DisplayWindowRecord r;
    ASSERT_TRUE(CDisplayFile::ReadWindow(dsp, 0, WindowDisplaySettings{}, r));
    EXPECT_EQ(r.soundPath, wav.string());
    EXPECT_EQ(r.soundTitle, "song.wav");
    EXPECT_EQ(r.windowId, 7);
    EXPECT_EQ(r.linkedToId, -1);
    EXPECT_EQ(r.right, 310);
    EXPECT_EQ(r.scrollPosition, 33);
    EXPECT_FLOAT_EQ(r.settings.m_msecPerLine, 3.5f);
    ASSERT_TRUE(CDisplayFile::ReadWindow(dsp, 1, WindowDisplaySettings{}, r));
    EXPECT_EQ(r.linkedToId, 7);
    EXPECT_FALSE(CDisplayFile::ReadWindow(dsp, 2, WindowDisplaySettings{}, r));
}

// A sound opened by a relative name is stored by its full path, so the
// display still finds it from another working folder.
TEST_F(DisplayFile, StoresFullPathsOfRelativeNames) {
    const fs::path old = fs::current_path();
    fs::current_path(m_dir.Path());
    WriteText(m_dir.Path() / "rel.wav", "x");
    const std::string dsp = m_dir.File("d.dsp");
    const bool saved = m_file.Save(dsp, {Own("rel.wav", 1)}, false);
    fs::current_path(old);
    ASSERT_TRUE(saved);
    EXPECT_EQ(S::ReadSettingString(dsp, "Settings for Window 0", "Sound file name", ""),
              (m_dir.Path() / "rel.wav").string());
}

TEST_F(DisplayFile, CountsOfAnEmptyDisplay) {
    const std::string dsp = m_dir.File("empty.dsp");
    ASSERT_TRUE(m_file.Save(dsp, {}, false));
    EXPECT_EQ(S::ReadSettingInt(dsp, "Display info", "num windows", -1), 0);
    // 0 asks for windows until a section is missing; in a settings file it means none.
    EXPECT_EQ(CDisplayFile::ReadHeader(dsp, false).count, 10000);
    EXPECT_EQ(CDisplayFile::ReadHeader(dsp, true).count, 0);
    const std::string old = m_dir.File("old.dsp");
    S::WriteSettingLong(old, "Settings for Window 0", "window rect left", 0);
    EXPECT_EQ(CDisplayFile::ReadHeader(old, false).version, 0);
}

TEST_F(DisplayFile, FindsMovedSoundsWithoutAsking) {
    const fs::path trip = m_dir.Path() / "trip", archive = m_dir.Path() / "archive";
    fs::create_directories(trip / "day1");
    WriteText(trip / "day1" / "x.wav", "x");
    WriteText(trip / "y.wav", "y");
    const std::string storedDisplay = (trip / "trip.dsp").string();
    fs::rename(trip, archive);
    std::string browse, found;
    const std::string now = (archive / "trip.dsp").string();
    // Re-rooted below the display's folder.
    EXPECT_EQ(m_file.FindSound(now, storedDisplay, (trip / "day1" / "x.wav").string(), "x.wav", browse, found),
              CDisplayFile::Search::Found);
    EXPECT_EQ(found, (archive / "day1" / "x.wav").string());
    // By its title beside the display, when the stored path says nothing.
    EXPECT_EQ(m_file.FindSound(now, "", "C:\\old\\y.wav", "y.wav", browse, found), CDisplayFile::Search::Found);
    EXPECT_EQ(found, (archive / "y.wav").string());
    EXPECT_TRUE(m_prompt.messages.empty());
}

TEST_F(DisplayFile, AsksForAMissingSound) {
    const std::string dsp = m_dir.File("d.dsp");
    const std::string gone = m_dir.File("gone.wav");
    std::string browse, found;
    m_prompt.replies = {IPrompt::Reply::No, IPrompt::Reply::Cancel, IPrompt::Reply::Yes};
    EXPECT_EQ(m_file.FindSound(dsp, dsp, gone, "gone.wav", browse, found), CDisplayFile::Search::Skip);
    ASSERT_EQ(m_prompt.messages.size(), 1u);
    EXPECT_EQ(m_prompt.messages[0].text,
              "Couldn't find sound file " + gone +
                  "\n\nIt may have been deleted or moved to a different directory.\nIf its been moved, re-save the "
                  "display to store the new location.\n\nBrowse to find this file?");
    EXPECT_EQ(m_file.FindSound(dsp, dsp, gone, "gone.wav", browse, found), CDisplayFile::Search::Cancel);
    // Yes browses; the folder found is searched for the next missing sound.
    fs::create_directories(m_dir.Path() / "elsewhere");
    WriteText(m_dir.Path() / "elsewhere" / "gone.wav", "g");
    WriteText(m_dir.Path() / "elsewhere" / "other.wav", "o");
    m_prompt.paths = {(m_dir.Path() / "elsewhere" / "gone.wav").string()};
    EXPECT_EQ(m_file.FindSound(dsp, dsp, gone, "gone.wav", browse, found), CDisplayFile::Search::Found);
    EXPECT_EQ(m_prompt.lastRequest.title, "Browse for the file:");
    EXPECT_EQ(m_file.FindSound(dsp, dsp, m_dir.File("other.wav"), "other.wav", browse, found),
              CDisplayFile::Search::Found);
    EXPECT_EQ(found, (m_dir.Path() / "elsewhere" / "other.wav").string());
    EXPECT_EQ(m_prompt.messages.size(), 3u);  // the last one was found without asking
    // Without a title there is nothing to search by.
    EXPECT_EQ(m_file.FindSound(dsp, dsp, gone, "", browse, found), CDisplayFile::Search::Skip);
}

TEST_F(DisplayFile, ExportCopiesSoundsWithoutOverwriting) {
    fs::create_directories(m_dir.Path() / "src");
    fs::create_directories(m_dir.Path() / "out");
    const fs::path a = m_dir.Path() / "src" / "a.wav", b = m_dir.Path() / "src" / "b.wav";
    WriteText(a, "the sound a");
    WriteText(b, "the sound b");
    WriteText(m_dir.Path() / "out" / "a.wav", "another a!!");  // same size, other bytes
    WriteText(m_dir.Path() / "out" / "b.wav", "the sound b");  // already there
    const std::string dsp = (m_dir.Path() / "out" / "e.dsp").string();
    ASSERT_TRUE(m_file.Save(dsp, {Own(a, 1), Own(b, 2)}, true));
    const std::string storedA = S::ReadSettingString(dsp, "Settings for Window 0", "Sound file name", "");
    EXPECT_EQ(storedA, (m_dir.Path() / "out" / "a (2).wav").string());
    EXPECT_EQ(ReadAll(storedA), ReadAll(a.string()));
    EXPECT_EQ(ReadAll((m_dir.Path() / "out" / "a.wav").string()).size(), 11u);
    EXPECT_EQ(S::ReadSettingString(dsp, "Settings for Window 1", "Sound file name", ""),
              (m_dir.Path() / "out" / "b.wav").string());
    EXPECT_FALSE(fs::exists(m_dir.Path() / "out" / "b (2).wav"));
}

TEST_F(DisplayFile, ComparesContentsBeyondTheFirstBlock) {
    std::vector<unsigned char> big(200000, 7);
    WriteAll(m_dir.File("p"), big);
    WriteAll(m_dir.File("q"), big);
    EXPECT_TRUE(SameFileContents(m_dir.File("p"), m_dir.File("q")));
    big.back() = 8;
    WriteAll(m_dir.File("q"), big);
    EXPECT_FALSE(SameFileContents(m_dir.File("p"), m_dir.File("q")));
    big.pop_back();
    WriteAll(m_dir.File("q"), big);
    EXPECT_FALSE(SameFileContents(m_dir.File("p"), m_dir.File("q")));
    EXPECT_FALSE(SameFileContents(m_dir.File("p"), m_dir.File("missing")));
}

TEST_F(DisplayFile, FailedSaveKeepsTheOldFileAndSaysSo) {
    const std::string dsp = m_dir.File("d.dsp");
    ASSERT_TRUE(m_file.Save(dsp, {Own(m_dir.Path() / "a.wav", 1), Own(m_dir.Path() / "b.wav", 2)}, false));
    ASSERT_TRUE(m_file.Save(dsp, {Own(m_dir.Path() / "a.wav", 1)}, false));
    EXPECT_EQ(S::ReadSettingLong(dsp, "Settings for Window 1", "window rect left", -7), -7);
    EXPECT_FALSE(m_file.Save(m_dir.File("no-such-folder/x.dsp"), {}, false));
    ASSERT_EQ(m_prompt.messages.size(), 1u);
    EXPECT_NE(m_prompt.Last().find("no-such-folder/x.dsp"), std::string::npos);
}

TEST_F(DisplayFile, SoundFileListsWriteCrLfAndReadBesideTheList) {
    const std::string list = m_dir.File("list.txt");
    ASSERT_TRUE(WriteSoundFileList(list, {"/data/a.wav", "/data/b c.wav"}));
    const auto bytes = ReadAll(list);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "/data/a.wav\r\n/data/b c.wav\r\n");
    WriteText(list, "  /data/a.wav \r\n\r\n\tsub/b.wav\n");
    const std::vector<std::string> expected = {"/data/a.wav", (m_dir.Path() / "sub" / "b.wav").string()};
    EXPECT_EQ(ReadSoundFileList(list), expected);
    EXPECT_TRUE(ReadSoundFileList(m_dir.File("none.txt")).empty());
}
