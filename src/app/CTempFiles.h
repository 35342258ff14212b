#pragma once
// CTempFiles: the working copies and undo files of this program instance,
// named "TVL<pid>_<unique>.tmp" in the system temporary folder (WAV files
// despite the extension), or, for a sound's working copies, in the hidden
// folder ".tavril" beside the sound: there a finished version is renamed
// over the sound instead of copied, and a large recording on a slow disk is
// not copied through the temporary folder. The hidden folders an instance
// used are listed in its "TVL<pid>.dirs" in the temporary folder, so that
// the start-up clean-up finds them after a crash. The first instance object
// started in a process also lists every folder where a save makes its
// temporary file beside the target (".tavril-<pid>-XXXXXX"), and the
// clean-up removes those a dead process left there.
//
// Each running instance holds an exclusive lock on its own "TVL<pid>.lock"
// for as long as it lives. The start-up clean-up deletes leftover "TVL" files
// of earlier runs but spares every file whose owner still holds its lock, so
// a second Tavril started beside a first one does not pull the working copies
// from under it.
//
// Ownership: one object for the program, made by main() and handed to the
// documents; destroying it releases the lock (its own temporary files stay
// for the documents to delete). Threading: one thread, except that the
// folders of temporary files beside targets may be noted from any thread.

#include <filesystem>
#include <mutex>
#include <set>
#include <string>

namespace tavril {

class CTempFiles {
public:
    // `folder` empty: std::filesystem::temp_directory_path() (honours TMPDIR).
    explicit CTempFiles(std::filesystem::path folder = {});
    ~CTempFiles();
    CTempFiles(const CTempFiles&) = delete;
    CTempFiles& operator=(const CTempFiles&) = delete;

    // Takes this instance's lock; false when the folder cannot be used.
    bool Start();
    // Deletes the "TVL" files of instances that no longer run. Returns how
    // many files were deleted.
    int CleanUpStale();
    // A new, empty file with a unique name; "" on failure.
    std::string NewName();
    // As NewName, but in the hidden folder beside `soundPath` when that
    // folder can be made and written; else in the temporary folder. The
    // name ends in `extension` (".tmp", or ".aif" for a writer that goes
    // by the name).
    std::string NewNameNear(const std::string& soundPath, const std::string& extension = ".tmp");
    // Removes the hidden folder beside `soundPath` once nothing is left in it.
    void TidyNear(const std::string& soundPath);

    const std::filesystem::path& Folder() const { return m_folder; }
    bool IsStarted() const { return m_lockFd >= 0; }
    // The owner process id in a "TVL<pid>..." name, or -1.
    static long OwnerOf(const std::string& fileName);

    static constexpr const char* kHiddenFolder = ".tavril";

private:
    bool Register(const std::filesystem::path& hidden);
    void NoteBeside(const std::string& folder);
    bool AppendToList(const std::string& folder);
    std::string ListPath(long pid) const;

    std::filesystem::path m_folder;
    std::set<std::string> m_registered;
    std::set<std::string> m_beside;
    std::mutex m_listMutex;
    bool m_watching = false;
    std::string m_lockPath;
    int m_lockFd = -1;
};

} // namespace tavril
