#pragma once
// Klip n' Save file names: the proposal built from the "filename template"
// of the Klip n' Save settings. Stateless functions, any thread.
//
// Fields: "%f" the sound's file name (without folder and extension), "%c" the
// selected channel counting from 1, "%e" a text asked from the user, "%y"
// "%m" "%d" (two-digit year, month, day) and "%H" "%M" "%S" (hours, minutes,
// seconds), "%%" a percent sign. Any other "%" sequence is kept as written.
// Characters that cannot be part of a file name ('/' and NUL) in the inserted
// texts become '_'.

#include <ctime>
#include <functional>
#include <string>

namespace tavril {

struct KlipNameInputs {
    std::string soundFileName;   // path or name of the sound
    unsigned channel = 0;        // 0-based selected channel
    std::tm fileTime{};          // creation (or recording start) time of the file
    std::tm cursorTime{};        // clock time at the left cursor shown in the clip window
    std::tm now{};               // the moment of saving
    bool useFileDate = false;    // "insert file date"
    bool useCursorTime = false;  // "insert file time"
    // Asked once per "%e"; returns false when the user cancels.
    std::function<bool(std::string& text)> askText;
};

// The date fields come from the file's date when asked for, else from the
// cursor time when that is asked for, else from now; the time fields from
// the cursor time when asked for, else from the file time when the file date
// is asked for, else from now. Returns false when a "%e" prompt was cancelled.
bool ComposeKlipName(const std::string& templ, const KlipNameInputs& in, std::string& name);

} // namespace tavril
