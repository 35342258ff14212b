#include "AtomicText.h"

#include "AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace tavril {

bool ReadTextFileBytes(const std::string& path, std::string& bytes, std::string& error)
{
    bytes.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = std::strerror(errno);
        return false;
    }
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        if (bytes.size() + n > kMaxTextFileBytes) {
            std::fclose(f);
            error = "The file is too large to be a text file of this kind.";
            return false;
        }
        bytes.append(buf, n);
    }
    const bool bad = std::ferror(f);
    std::fclose(f);
    if (bad) {
        error = "The file could not be read to its end.";
        return false;
    }
    return true;
}

bool WriteTextFileAtomically(const std::string& path, const std::string& bytes, std::string& error)
{
    if (path.empty()) {
        error = "No file name.";
        return false;
    }
    const std::string ext = std::filesystem::path(path).extension().string();
    const std::string temp = MakeTempBeside(path, ext, error);
    if (temp.empty()) return false;
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f) ok = (std::fclose(f) == 0) && ok;
    if (!ok) {
        error = std::strerror(errno ? errno : EIO);
        ::unlink(temp.c_str());
        return false;
    }
    return ReplaceWith(temp, path, error) == 1;
}

void SplitLines(const std::string& text, std::vector<std::string>& lines)
{
    size_t start = 0;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        if (text[i] == '\n' || text[i] == '\r') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < n) lines.push_back(text.substr(start));
}

} // namespace tavril
