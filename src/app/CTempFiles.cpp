#include "CTempFiles.h"

#include "AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tavril {

namespace fs = std::filesystem;

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
    std::vector<fs::path> doomed;
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
    return removed;
}

std::string CTempFiles::NewName()
{
    if (!Start()) return std::string();
    return CreateUniqueFile((m_folder / ("TVL" + std::to_string(::getpid()) + "_XXXXXX.tmp")).string(), 4);
}

} // namespace tavril
