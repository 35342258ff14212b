#pragma once
// CTrashCan: moves a user's file into the desktop's trash (the freedesktop.org
// trash in $XDG_DATA_HOME/Trash, ~/.local/share/Trash without it), so that a
// sound file deleted by a slip of the hand can be restored from the file
// manager. The file is renamed, never copied: a file on another file system
// than the trash is refused, and the caller decides what to do then.
//
// Written here rather than taken from the toolkit because the toolkit's own
// version moves the file into a folder below the current directory, and
// reports success, when it cannot make the trash folder.
//
// Stateless; any thread.

#include <string>

namespace tavril {

class CTrashCan {
public:
    // The trash folder ("<data home>/Trash").
    static std::string Folder();
    // Moves `path` to the trash and records where it came from. Returns false
    // (with the reason in `error`) when it cannot; the file is then where it
    // was. `trashedAs` receives the file's new path.
    static bool Move(const std::string& path, std::string& trashedAs, std::string& error);
};

} // namespace tavril
