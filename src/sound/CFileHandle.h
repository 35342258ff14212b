#pragma once
// CFileHandle: an owned POSIX file descriptor with whole-buffer read/write and
// 64-bit positioning. One object per open file; not shared between threads.
// Reads and writes loop over short transfers and EINTR so callers see either
// the full count or the count that the file really had.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavril {

class CFileHandle {
public:
    CFileHandle() = default;
    ~CFileHandle();
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;
    CFileHandle(CFileHandle&& other) noexcept;
    CFileHandle& operator=(CFileHandle&& other) noexcept;

    // Opens an existing file for reading and writing, or reading only.
    bool OpenReadWrite(const std::string& path);
    bool OpenReadOnly(const std::string& path);
    // Creates (truncating) a file for reading and writing, mode 0666 & umask.
    bool Create(const std::string& path);
    void Close();

    bool IsOpen() const { return m_fd >= 0; }
    bool IsWritable() const { return m_writable; }

    // Returns the number of bytes transferred; less than asked only at the end
    // of the file (read) or on an error (write).
    size_t Read(void* buffer, size_t bytes);
    size_t Write(const void* buffer, size_t bytes);
    // Positioned variants that leave the file position alone.
    size_t ReadAt(uint64_t offset, void* buffer, size_t bytes);
    size_t WriteAt(uint64_t offset, const void* buffer, size_t bytes);

    bool SeekTo(uint64_t offset);
    bool SeekToEnd();
    uint64_t Tell() const;
    uint64_t Size() const;
    bool Truncate(uint64_t length);
    bool Flush();
    // The errno of the last failing call, 0 when none failed.
    int LastError() const { return m_lastError; }
    int Descriptor() const { return m_fd; }

private:
    int m_fd = -1;
    bool m_writable = false;
    int m_lastError = 0;
};

} // namespace tavril
