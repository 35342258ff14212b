#pragma once
// CDisplayFile: display files (".dsp"): every open sound window with its
// sound, place, scroll position and display settings, written and read one
// section after another, plus the search for a sound that has moved since
// the display was saved. The frame turns its windows into records and back;
// this class knows nothing of windows.
//
// Holds a reference to the prompt it asks through, which outlives it. UI
// thread (it may ask the user).

#include "IPrompt.h"
#include "WindowDisplaySettings.h"

#include <string>
#include <vector>

namespace tavril {

// One sound window as a display file stores it.
struct DisplayWindowRecord {
    int windowId = -1;
    int scrollPosition = 0;
    std::string soundPath;  // empty: a second window on another window's sound
    std::string soundTitle;
    int linkedToId = -1;  // the "Window ID" whose sound this window shows
    long left = 0, top = 0, right = 0, bottom = 0;
    WindowDisplaySettings settings;
};

struct DisplayFileHeader {
    int count = 0;  // windows to try; a file without a count is read until a section is missing
    std::string storedPath;
    int version = 0;
};

class CDisplayFile {
public:
    explicit CDisplayFile(IPrompt& prompt) : m_prompt(prompt) {}

    // Writes the display file whole or leaves the old one untouched.
    // `exportSounds`: each window's own sound is first copied beside the
    // display (never over a different file of the same name) and the copy is
    // what the file names.
    bool Save(const std::string& path, const std::vector<DisplayWindowRecord>& windows, bool exportSounds);
    // The display sections alone, appended to `file`, which names
    // `displayPath` as the display's home (a settings file carries them too).
    bool WriteSections(const std::string& file, const std::string& displayPath,
                       std::vector<DisplayWindowRecord> windows, bool exportSounds);

    // `inSettingsFile`: a missing count means no windows rather than "read on".
    static DisplayFileHeader ReadHeader(const std::string& path, bool inSettingsFile);
    // False when the section of window n is missing. `defaults` fills the
    // display settings the file does not carry.
    static bool ReadWindow(const std::string& path, int n, const WindowDisplaySettings& defaults,
                           DisplayWindowRecord& out);

    enum class Search { Found, Skip, Cancel };
    // Where the sound of a stored window is now: re-rooted from the stored
    // display path to the display's present folder, the stored path, the
    // title beside the display, in the working folder, in the folder the user
    // last browsed to (`browseFolder`, kept by the caller for one load), and
    // last by asking the user.
    Search FindSound(const std::string& displayPath, const std::string& storedDisplayPath,
                     const std::string& storedSound, const std::string& title, std::string& browseFolder,
                     std::string& found);

private:
    IPrompt& m_prompt;
};

// Files made of many sections are written beside their target under this
// name and renamed over it at the end, so an interrupted save leaves the old
// file whole.
std::string SavingName(const std::string& path);
// Renames the written `temp` over `path`; false (and `temp` removed) when
// that fails.
bool ReplaceWithWritten(const std::string& temp, const std::string& path);
// Whether two files hold the same bytes, read in blocks so that hour-long
// recordings never sit in memory whole.
bool SameFileContents(const std::string& a, const std::string& b);
// Paths read from files written elsewhere may use backslashes.
std::string PathFromStored(const std::string& stored);

} // namespace tavril
