#include "CReplacingFile.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tavril {

CReplacingFile::CReplacingFile(const std::string& target) : m_target(target)
{
    std::string tmpl = target + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        m_error = std::strerror(errno);
        return;
    }
    m_temp = name.data();
    // mkstemp makes the file private; an export is an ordinary document.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    m_file = fdopen(fd, "wb");
    if (!m_file) {
        m_error = std::strerror(errno);
        close(fd);
        unlink(m_temp.c_str());
        m_temp.clear();
        return;
    }
    std::setvbuf(m_file, nullptr, _IOFBF, 1 << 16);
}

CReplacingFile::~CReplacingFile()
{
    if (m_file) std::fclose(m_file);
    if (!m_temp.empty()) unlink(m_temp.c_str());
}

void CReplacingFile::Write(const char* data, size_t size)
{
    if (m_file && std::fwrite(data, 1, size, m_file) != size && m_error.empty()) m_error = std::strerror(errno);
}

void CReplacingFile::Print(const char* format, ...)
{
    char buf[4096];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    if (n < 0) return;
    if (size_t(n) < sizeof buf) {
        Write(buf, size_t(n));
        return;
    }
    // Longer than the buffer (a long file name): format again at full size.
    std::vector<char> big(size_t(n) + 1);
    va_start(args, format);
    std::vsnprintf(big.data(), big.size(), format, args);
    va_end(args);
    Write(big.data(), size_t(n));
}

bool CReplacingFile::Commit()
{
    if (!m_file) return false;
    bool ok = m_error.empty();
    if (ok && (std::fflush(m_file) != 0 || fsync(fileno(m_file)) != 0)) {
        ok = false;
        m_error = std::strerror(errno);
    }
    if (std::fclose(m_file) != 0 && ok) {
        ok = false;
        m_error = std::strerror(errno);
    }
    m_file = nullptr;
    if (ok && std::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        ok = false;
        m_error = std::strerror(errno);
    }
    if (ok) m_temp.clear();
    return ok;
}

} // namespace tavril
