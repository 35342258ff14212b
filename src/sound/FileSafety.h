#pragma once
// Checks and fix-ups every save shares before a new version replaces a
// user's file. Free functions, stateless, any thread.

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

// A pattern for a hidden temporary file in the folder of `target`, short
// enough for any target name: "<folder>/.tavril-XXXXXX<extension>".
std::string TempPatternBeside(const std::string& target, const std::string& extension);

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
