#include "CFileHandle.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavril {

CFileHandle::~CFileHandle() { Close(); }

CFileHandle::CFileHandle(CFileHandle&& other) noexcept
    : m_fd(other.m_fd), m_writable(other.m_writable), m_lastError(other.m_lastError)
{
    other.m_fd = -1;
    other.m_writable = false;
}

CFileHandle& CFileHandle::operator=(CFileHandle&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        m_writable = other.m_writable;
        m_lastError = other.m_lastError;
        other.m_fd = -1;
        other.m_writable = false;
    }
    return *this;
}

static bool IsRegularOrMissing(int fd)
{
    struct stat st {};
    if (fstat(fd, &st) != 0) return false;
    // A FIFO or a directory would block or fail later in confusing ways.
    return S_ISREG(st.st_mode) || S_ISBLK(st.st_mode);
}

bool CFileHandle::OpenReadWrite(const std::string& path)
{
    Close();
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) { m_lastError = errno; return false; }
    if (!IsRegularOrMissing(fd)) { ::close(fd); m_lastError = EINVAL; return false; }
    m_fd = fd;
    m_writable = true;
    m_lastError = 0;
    return true;
}

bool CFileHandle::OpenReadOnly(const std::string& path)
{
    Close();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) { m_lastError = errno; return false; }
    if (!IsRegularOrMissing(fd)) { ::close(fd); m_lastError = EINVAL; return false; }
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    m_fd = fd;
    m_writable = false;
    m_lastError = 0;
    return true;
}

bool CFileHandle::Create(const std::string& path)
{
    Close();
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) { m_lastError = errno; return false; }
    m_fd = fd;
    m_writable = true;
    m_lastError = 0;
    return true;
}

void CFileHandle::Close()
{
    if (m_fd >= 0) {
        if (::close(m_fd) != 0) m_lastError = errno;
        m_fd = -1;
    }
    m_writable = false;
}

namespace {

// Repeats a transfer until all bytes moved, the end of the file came (0) or an
// error other than an interruption; returns the bytes moved.
template <typename Transfer>
size_t TransferAll(size_t bytes, int& lastError, bool zeroIsError, Transfer transfer)
{
    size_t done = 0;
    while (done < bytes) {
        const ssize_t n = transfer(done);
        if (n < 0) {
            if (errno == EINTR) continue;
            lastError = errno;
            break;
        }
        if (n == 0) {
            if (zeroIsError) lastError = EIO;
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

} // namespace

size_t CFileHandle::Read(void* buffer, size_t bytes)
{
    if (m_fd < 0) return 0;
    auto* p = static_cast<unsigned char*>(buffer);
    return TransferAll(bytes, m_lastError, false, [&](size_t done) { return ::read(m_fd, p + done, bytes - done); });
}

size_t CFileHandle::Write(const void* buffer, size_t bytes)
{
    if (m_fd < 0) return 0;
    const auto* p = static_cast<const unsigned char*>(buffer);
    return TransferAll(bytes, m_lastError, true, [&](size_t done) { return ::write(m_fd, p + done, bytes - done); });
}

size_t CFileHandle::ReadAt(uint64_t offset, void* buffer, size_t bytes)
{
    if (m_fd < 0) return 0;
    auto* p = static_cast<unsigned char*>(buffer);
    return TransferAll(bytes, m_lastError, false, [&](size_t done) {
        return ::pread(m_fd, p + done, bytes - done, static_cast<off_t>(offset + done));
    });
}

size_t CFileHandle::WriteAt(uint64_t offset, const void* buffer, size_t bytes)
{
    if (m_fd < 0) return 0;
    const auto* p = static_cast<const unsigned char*>(buffer);
    return TransferAll(bytes, m_lastError, true, [&](size_t done) {
        return ::pwrite(m_fd, p + done, bytes - done, static_cast<off_t>(offset + done));
    });
}

bool CFileHandle::SeekTo(uint64_t offset)
{
    if (m_fd < 0) return false;
    if (::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0) { m_lastError = errno; return false; }
    return true;
}

bool CFileHandle::SeekToEnd()
{
    if (m_fd < 0) return false;
    if (::lseek(m_fd, 0, SEEK_END) < 0) { m_lastError = errno; return false; }
    return true;
}

uint64_t CFileHandle::Tell() const
{
    if (m_fd < 0) return 0;
    off_t pos = ::lseek(m_fd, 0, SEEK_CUR);
    return pos < 0 ? 0 : static_cast<uint64_t>(pos);
}

uint64_t CFileHandle::Size() const
{
    if (m_fd < 0) return 0;
    struct stat st {};
    if (fstat(m_fd, &st) != 0) return 0;
    return static_cast<uint64_t>(st.st_size);
}

bool CFileHandle::Truncate(uint64_t length)
{
    if (m_fd < 0) return false;
    if (::ftruncate(m_fd, static_cast<off_t>(length)) != 0) { m_lastError = errno; return false; }
    return true;
}

bool CFileHandle::Flush()
{
    if (m_fd < 0) return false;
    if (::fdatasync(m_fd) != 0) { m_lastError = errno; return false; }
    return true;
}

} // namespace tavril
