#include "CSoundClipboard.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tavril {

namespace fs = std::filesystem;

std::string CSoundClipboard::DefaultFolder()
{
    if (const char* rt = std::getenv("XDG_RUNTIME_DIR"); rt && *rt) return (fs::path(rt) / "tavril").string();
    std::error_code ec;
    fs::path tmp = fs::temp_directory_path(ec);
    if (ec) tmp = "/tmp";
    return (tmp / ("tavril-" + std::to_string(::getuid()))).string();
}

CSoundClipboard::CSoundClipboard(std::string folder) : m_folder(folder.empty() ? DefaultFolder() : std::move(folder))
{
    m_clipPath = (fs::path(m_folder) / "clipfile.wav").string();
    m_cursorPlayPath = (fs::path(m_folder) / "cursorplay.wav").string();
}

bool CSoundClipboard::Prepare()
{
    ::mkdir(m_folder.c_str(), 0700);
    struct stat st {};
    if (::lstat(m_folder.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return false;
    if ((st.st_mode & 0077) != 0) ::chmod(m_folder.c_str(), 0700);
    return true;
}

void CSoundClipboard::Reset()
{
    ::unlink(m_clipPath.c_str());
    m_hasSound = false;
}

} // namespace tavril
