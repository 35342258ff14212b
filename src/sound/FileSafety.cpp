#include "FileSafety.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavril {

bool IsWriteProtected(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    return ::access(path.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0;
}

std::string ReadOnlyMessage(const std::string& path) { return path + " is read-only"; }

void TakeOverAttributes(const std::string& temp, const std::string& target)
{
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        // Ownership first: chown may clear set-id bits, chmod puts them back.
        if (::chown(temp.c_str(), st.st_uid, st.st_gid) != 0) {
            // Not allowed to give the file away: the saver keeps it, which
            // is what any editor does.
        }
        ::chmod(temp.c_str(), st.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(temp.c_str(), 0666 & ~mask);
    }
}

namespace {

constexpr const char* kBesidePrefix = ".tavril-";

std::mutex& WatcherMutex()
{
    static std::mutex m;
    return m;
}

TempBesideWatcher& Watcher()
{
    static TempBesideWatcher w;
    return w;
}

} // namespace

void SetTempBesideWatcher(TempBesideWatcher watcher)
{
    std::lock_guard<std::mutex> lock(WatcherMutex());
    Watcher() = std::move(watcher);
}

std::string CreateTempBeside(const std::string& target, const std::string& extension)
{
    const size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    {
        std::lock_guard<std::mutex> lock(WatcherMutex());
        if (Watcher()) {
            std::error_code ec;
            const std::filesystem::path absolute = std::filesystem::absolute(folder.empty() ? "." : folder, ec);
            if (!ec) Watcher()(absolute.lexically_normal().string());
        }
    }
    const std::string pattern = folder + kBesidePrefix + std::to_string(::getpid()) + "-XXXXXX" + extension;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemps(name.data(), static_cast<int>(extension.size()));
    if (fd < 0) return std::string();
    ::close(fd);
    return std::string(name.data());
}

long OwnerOfTempBeside(const std::string& fileName)
{
    const size_t prefix = std::strlen(kBesidePrefix);
    if (fileName.compare(0, prefix, kBesidePrefix) != 0) return -1;
    long pid = 0;
    size_t i = prefix;
    for (; i < fileName.size() && i < prefix + 10 && fileName[i] >= '0' && fileName[i] <= '9'; ++i)
        pid = pid * 10 + (fileName[i] - '0');
    // Digits, a dash and the six characters mkstemps chose.
    if (i == prefix || i + 7 > fileName.size() || fileName[i] != '-') return -1;
    for (size_t k = i + 1; k < i + 7; ++k)
        if (!std::isalnum(static_cast<unsigned char>(fileName[k]))) return -1;
    return pid;
}

std::string LockedMessage(const std::string& path) { return path + " is being changed by another Tavril"; }

bool CFileLock::TryLock(const std::string& path)
{
    Unlock();
    // The name may be given to a new file between open and flock (another
    // save renamed over it); then the lock is on the old file: try again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return errno == ENOENT || errno == EACCES;  // nothing this program could edit
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return false;
        }
        struct stat held {}, named {};
        if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
            held.st_dev == named.st_dev) {
            m_fd = fd;
            m_path = path;
            return true;
        }
        ::close(fd);
    }
    return false;
}

void CFileLock::Unlock()
{
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}

} // namespace tavril
