#pragma once
// Checks and fix-ups every save shares before a new version replaces a
// user's file. Free functions, stateless, any thread.

#include <functional>
#include <string>

namespace tavril {

// Whether `path` exists and must not be replaced: the user may not write it,
// or no write permission bit is set (a file the user protected on purpose,
// even where the system would let root write it).
bool IsWriteProtected(const std::string& path);

// The message for such a file: "FILE is read-only".
std::string ReadOnlyMessage(const std::string& path);

// Gives `temp` the permission bits of `target` (or those of a new file when
// there is no target) and, where the system allows, its owner and group.
void TakeOverAttributes(const std::string& temp, const std::string& target);

// Creates an empty, private, hidden temporary file in the folder of
// `target`, its name ending in `extension`: "<folder>/.tavril-<pid>-XXXXXX
// <extension>", short enough beside a target of any name. The process id
// lets a later start-up clean-up tell a crashed saver's file from a running
// one's. The folder is first told to the beside-watcher, if one is set.
// Returns the name, or "" with errno set.
std::string CreateTempBeside(const std::string& target, const std::string& extension);

// The owner's process id in a name CreateTempBeside makes (the file name
// only), or -1 for any other name.
long OwnerOfTempBeside(const std::string& fileName);

// Told the absolute folder of every temporary file about to be made beside
// a target, before it is made: a program that cleans up after crashes
// notes it there. Set by the program's temporary-files owner; calls come
// from any thread, one at a time. An empty function removes it.
using TempBesideWatcher = std::function<void(const std::string& folder)>;
void SetTempBesideWatcher(TempBesideWatcher watcher);

// The message when another Tavril holds the lock: "FILE is being changed by
// another Tavril".
std::string LockedMessage(const std::string& path);

// An advisory lock (flock) on a user's file for the time between reading it
// for an edit and saving the result, so that two edits of one file in two
// processes never both succeed with one of them lost. The lock follows the
// file, not the name: after a save replaced the file, lock the name again.
// Owned by the editing document or command; one thread.
class CFileLock {
public:
    CFileLock() = default;
    ~CFileLock() { Unlock(); }
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;

    // True when the lock is now held, or when there is no file to lock (a
    // new name); false when another process holds it.
    bool TryLock(const std::string& path);
    void Unlock();
    bool IsLocked() const { return m_fd >= 0; }
    const std::string& Path() const { return m_path; }

private:
    int m_fd = -1;
    std::string m_path;
};

} // namespace tavril
