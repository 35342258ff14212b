#include "AtomicFile.h"

#include "FileSafety.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tavril {

namespace fs = std::filesystem;

namespace {

std::string Describe(const std::string& what, const std::string& path, int err)
{
    return what + " " + path + ": " + std::strerror(err);
}

bool SyncFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

void SyncFolder(const std::string& path)
{
    const fs::path parent = fs::path(path).parent_path();
    const int fd = ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

std::string CreateUniqueFile(const std::string& pattern, int suffixLength)
{
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const int fd = ::mkstemps(buf.data(), suffixLength);
    if (fd < 0) return std::string();
    ::close(fd);
    return std::string(buf.data());
}

std::string MakeTempBeside(const std::string& target, const std::string& extension, std::string& error)
{
    // A short name of its own: a target name near the file system's limit
    // would leave no room for a longer one.
    const std::string temp = CreateTempBeside(target, extension);
    if (temp.empty()) error = Describe("Cannot write in the folder of", target, errno);
    return temp;
}

int MoveOver(const std::string& finished, const std::string& target, std::string& error, bool& crossDevice)
{
    crossDevice = false;
    if (!SyncFile(finished)) {
        error = Describe("Cannot write", target, errno);
        return 0;
    }
    // A write-protected file is the user's decision, and the rename would
    // replace it whenever the folder is writable.
    if (IsWriteProtected(target)) {
        error = ReadOnlyMessage(target);
        return 0;
    }
    // The new version keeps the permissions and owner of the file it
    // replaces; a new file gets the ordinary ones (the temporary was private).
    TakeOverAttributes(finished, target);
    if (::rename(finished.c_str(), target.c_str()) != 0) {
        crossDevice = errno == EXDEV;
        error = Describe("Cannot replace", target, errno);
        return 0;
    }
    SyncFolder(target);
    return 1;
}

int ReplaceWith(const std::string& temp, const std::string& target, std::string& error)
{
    bool crossDevice = false;
    if (MoveOver(temp, target, error, crossDevice)) return 1;
    ::unlink(temp.c_str());
    return 0;
}

int FlushInSteps(const std::string& path, const std::function<bool(double)>& progress, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = Describe("Cannot write", path, errno);
        return 0;
    }
    struct stat st {};
    const off_t size = ::fstat(fd, &st) == 0 ? st.st_size : 0;
    // At least a few steps, so that even a short sound can be stopped.
    const off_t steps = std::clamp<off_t>(size / 4096, 1, 64);
    const off_t step = (size + steps - 1) / steps;
    int result = 1;
    for (off_t i = 0; i < steps && result == 1; ++i) {
        const off_t from = i * step;
        if (from < size &&
            ::sync_file_range(fd, from, std::min(step, size - from),
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER) != 0) {
            error = Describe("Cannot write", path, errno);
            result = 0;
        } else if (progress && !progress(double(i + 1) / double(steps + 1))) {
            result = -1;
        }
    }
    if (result == 1 && ::fsync(fd) != 0) {
        error = Describe("Cannot write", path, errno);
        result = 0;
    }
    ::close(fd);
    return result;
}

int CopyFileBytes(const std::string& from, const std::string& to, std::string& error)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        error = Describe("Cannot read", from, errno);
        return 0;
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
        error = Describe("Cannot write", to, errno);
        ::close(in);
        return 0;
    }
    std::vector<char> buf(1u << 20);
    int ok = 1;
    for (;;) {
        const ssize_t n = ::read(in, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = Describe("Cannot read", from, errno);
            ok = 0;
            break;
        }
        if (n == 0) break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buf.data() + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                error = Describe("Cannot write", to, w < 0 ? errno : ENOSPC);
                ok = 0;
                break;
            }
            done += w;
        }
        if (!ok) break;
    }
    if (ok && ::fsync(out) != 0) {
        error = Describe("Cannot write", to, errno);
        ok = 0;
    }
    ::close(in);
    if (::close(out) != 0 && ok) {
        error = Describe("Cannot write", to, errno);
        ok = 0;
    }
    return ok;
}

int MoveFileSafely(const std::string& from, const std::string& to, std::string& error)
{
    if (::rename(from.c_str(), to.c_str()) == 0) {
        SyncFolder(to);
        return 1;
    }
    if (errno != EXDEV) {
        error = std::strerror(errno);
        return 0;
    }
    const std::string ext = fs::path(to).extension().string();
    const std::string temp = MakeTempBeside(to, ext, error);
    if (temp.empty()) return 0;
    if (!CopyFileBytes(from, temp, error)) {
        ::unlink(temp.c_str());
        return 0;
    }
    struct stat st {};
    if (::stat(from.c_str(), &st) == 0) ::chmod(temp.c_str(), st.st_mode & 07777);
    if (!ReplaceWith(temp, to, error)) return 0;
    ::unlink(from.c_str());
    return 1;
}

} // namespace tavril
