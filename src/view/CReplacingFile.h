#pragma once
// CReplacingFile: writes a file under a temporary name beside its target and
// renames it over the target on Commit, so a reader sees the old file or the
// whole new one, never a half-written one; without Commit (an error, an
// exception) the temporary file is removed and the target is untouched.
//
// Owns the temporary file and its stream; one thread at a time.

#include <cstdio>
#include <string>

namespace tavril {

class CReplacingFile {
public:
    explicit CReplacingFile(const std::string& target);
    ~CReplacingFile();
    CReplacingFile(const CReplacingFile&) = delete;
    CReplacingFile& operator=(const CReplacingFile&) = delete;

    bool Ok() const { return m_file != nullptr; }
    // The first failure's description; empty while all is well.
    const std::string& Error() const { return m_error; }
    FILE* Stream() { return m_file; }

    void Write(const char* data, size_t size);
    void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Flushes, syncs and renames into place. False (target untouched) when
    // anything failed on the way.
    bool Commit();

private:
    std::string m_target;
    std::string m_temp;
    std::string m_error;
    FILE* m_file = nullptr;
};

} // namespace tavril
