#include "CTempFiles.h"

#include "AtomicFile.h"
#include "FileSafety.h"

#include <cerrno>
#include <fcntl.h>
#include <atomic>
#include <csignal>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tavril {

namespace fs = std::filesystem;

namespace {

// The one object of the process that notes the folders of temporary files
// beside targets.
std::atomic<CTempFiles*> g_watching{nullptr};

} // namespace

CTempFiles::CTempFiles(fs::path folder) : m_folder(std::move(folder))
{
    if (m_folder.empty()) {
        std::error_code ec;
        m_folder = fs::temp_directory_path(ec);
        if (ec) m_folder = "/tmp";
    }
}

CTempFiles::~CTempFiles()
{
    if (m_watching) {
        SetTempBesideWatcher({});
        g_watching = nullptr;
    }
    // The hidden folders go when this instance has emptied them; one still
    // holding a file (of another instance, or a document not closed) stays
    // listed for the next start-up's clean-up.
    bool allGone = true;
    for (const std::string& folder : m_registered)
        if (::rmdir(folder.c_str()) != 0 && errno != ENOENT) allGone = false;
    if (allGone && (!m_registered.empty() || !m_beside.empty())) ::unlink(ListPath(::getpid()).c_str());
    if (m_lockFd >= 0) {
        ::unlink(m_lockPath.c_str());
        ::close(m_lockFd);
    }
}

bool CTempFiles::Start()
{
    if (m_lockFd >= 0) return true;
    m_lockPath = (m_folder / ("TVL" + std::to_string(::getpid()) + ".lock")).string();
    const int fd = ::open(m_lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_lockFd = fd;
    CTempFiles* none = nullptr;
    if (g_watching.compare_exchange_strong(none, this)) {
        m_watching = true;
        SetTempBesideWatcher([this](const std::string& folder) { NoteBeside(folder); });
    }
    return true;
}

long CTempFiles::OwnerOf(const std::string& name)
{
    if (name.size() < 4 || name.compare(0, 3, "TVL") != 0) return -1;
    long pid = 0;
    size_t i = 3;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && i < 13; ++i) pid = pid * 10 + (name[i] - '0');
    if (i == 3 || i >= name.size() || (name[i] != '_' && name[i] != '.')) return -1;
    return pid;
}

std::string CTempFiles::ListPath(long pid) const
{
    return (m_folder / ("TVL" + std::to_string(pid) + ".dirs")).string();
}

bool CTempFiles::AppendToList(const std::string& folder)
{
    // Listed before anything is made there, so that a crash right after
    // still leaves a trace for the clean-up.
    const int fd = ::open(ListPath(::getpid()).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    const std::string line = folder + "\n";
    const bool ok = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ::close(fd);
    return ok;
}

bool CTempFiles::Register(const fs::path& hidden)
{
    const std::string name = hidden.string();
    std::lock_guard<std::mutex> lock(m_listMutex);
    if (m_registered.count(name)) return true;
    const bool ok = AppendToList(name);
    if (ok) m_registered.insert(name);
    return ok;
}

void CTempFiles::NoteBeside(const std::string& folder)
{
    std::lock_guard<std::mutex> lock(m_listMutex);
    // A folder that cannot be listed still gets its save; only the
    // clean-up after a crash there is lost.
    if (!m_beside.count(folder) && AppendToList(folder)) m_beside.insert(folder);
}

std::string CTempFiles::NewNameNear(const std::string& soundPath, const std::string& extension)
{
    if (!Start()) return std::string();
    std::error_code ec;
    fs::path folder = fs::absolute(soundPath, ec).parent_path();
    if (ec || folder.empty()) return NewName();
    // A folder whose mode grants nobody write access (an archive copy, a card
    // locked by hand) gets nothing written into it, even where the system
    // would let this user write there anyway.
    struct stat folderStat {};
    if (::stat(folder.c_str(), &folderStat) != 0 || (folderStat.st_mode & 0222) == 0 ||
        ::access(folder.c_str(), W_OK) != 0)
        return NewName();
    const fs::path hidden = folder / kHiddenFolder;
    if (!Register(hidden)) return NewName();
    if (::mkdir(hidden.c_str(), 0700) != 0 && errno != EEXIST) return NewName();
    // Only a real folder of our own is used; a link planted in its place is not followed.
    struct stat st {};
    if (::lstat(hidden.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return NewName();
    const std::string name = CreateUniqueFile(
        (hidden / ("TVL" + std::to_string(::getpid()) + "_XXXXXX" + extension)).string(), static_cast<int>(extension.size()));
    return name.empty() ? NewName() : name;
}

void CTempFiles::TidyNear(const std::string& soundPath)
{
    std::error_code ec;
    const fs::path folder = fs::absolute(soundPath, ec).parent_path();
    if (!ec && !folder.empty()) ::rmdir((folder / kHiddenFolder).c_str());  // fails while anything is in it
}

int CTempFiles::CleanUpStale()
{
    std::error_code ec;
    std::map<long, bool> alive;  // owner pid -> holds its lock
    auto isAlive = [&](long pid) {
        auto it = alive.find(pid);
        if (it != alive.end()) return it->second;
        bool held = false;
        if (pid == ::getpid()) {
            held = true;
        } else {
            const std::string lock = (m_folder / ("TVL" + std::to_string(pid) + ".lock")).string();
            const int fd = ::open(lock.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
            if (fd >= 0) {
                // Someone holding the lock is a running instance; a lock we
                // can take belongs to a process that is gone.
                if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) held = true;
                ::close(fd);
            }
        }
        alive[pid] = held;
        return held;
    };
    // A save's temporary file beside its target may also come from a
    // process that keeps no lock (a command-line conversion): it is spared
    // while a process of its number runs.
    auto isRunning = [&](long pid) { return isAlive(pid) || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH; };
    std::vector<fs::path> doomed;
    // First the folders that instances now gone listed: their working
    // copies and the temporary files of their saves stand beside the
    // users' sounds.
    std::vector<fs::path> hiddenFolders;
    std::vector<fs::path> besideFolders;
    for (fs::directory_iterator it(m_folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const long owner = OwnerOf(name);
        if (owner < 0 || it->path().extension() != ".dirs" || isAlive(owner)) continue;
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) continue;
        std::string text(64 * 1024, '\0');
        const ssize_t n = ::read(fd, text.data(), text.size());
        ::close(fd);
        text.resize(n > 0 ? static_cast<size_t>(n) : 0);
        for (size_t at = 0; at < text.size();) {
            size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            const fs::path folder = text.substr(at, end - at);
            at = end + 1;
            if (!folder.is_absolute()) continue;
            (folder.filename() == kHiddenFolder ? hiddenFolders : besideFolders).push_back(folder);
        }
    }
    for (const fs::path& folder : besideFolders) {
        std::error_code fec;
        for (fs::directory_iterator it(folder, fec), end; !fec && it != end; it.increment(fec)) {
            const long owner = OwnerOfTempBeside(it->path().filename().string());
            if (owner < 0) continue;
            // Only a plain file of this user: never a link, never anybody else's.
            struct stat st {};
            if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
            if (!isRunning(owner)) doomed.push_back(it->path());
        }
    }
    for (const fs::path& folder : hiddenFolders) {
        std::error_code fec;
        if (fs::is_symlink(folder, fec)) continue;
        for (fs::directory_iterator it(folder, fec), end; !fec && it != end; it.increment(fec)) {
            const std::string name = it->path().filename().string();
            std::error_code sec;
            if (!it->is_regular_file(sec) || it->is_symlink(sec)) continue;
            const long owner = OwnerOf(name);
            if (owner >= 0 && !isAlive(owner)) doomed.push_back(it->path());
        }
    }
    for (fs::directory_iterator it(m_folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, 3, "TVL") != 0) continue;
        std::error_code sec;
        if (!it->is_regular_file(sec) || it->is_symlink(sec)) continue;
        const long owner = OwnerOf(name);
        if (owner >= 0 && isAlive(owner)) continue;
        doomed.push_back(it->path());
    }
    int removed = 0;
    for (const fs::path& p : doomed)
        if (::unlink(p.c_str()) == 0) ++removed;
    for (const fs::path& folder : hiddenFolders) ::rmdir(folder.c_str());  // only when empty
    return removed;
}

std::string CTempFiles::NewName()
{
    if (!Start()) return std::string();
    return CreateUniqueFile((m_folder / ("TVL" + std::to_string(::getpid()) + "_XXXXXX.tmp")).string(), 4);
}

} // namespace tavril
