#include "FileSafety.h"

#include <cerrno>
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

std::string TempPatternBeside(const std::string& target, const std::string& extension)
{
    const size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    return folder + ".tavril-XXXXXX" + extension;
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
