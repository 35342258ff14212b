#include "TextLineFile.h"

#include "AtomicText.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace tavril {

bool TextLineFile::WriteLine(const std::string& text)
{
    if (m_path.empty()) return false;
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(m_path).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const std::string line = text + "\r\n";
    size_t done = 0;
    bool ok = true;
    while (done < line.size()) {
        const ssize_t w = ::write(fd, line.data() + done, line.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            ok = false;
            break;
        }
        done += size_t(w);
    }
    return ::close(fd) == 0 && ok;
}

bool TextLineFile::ReadLine(int n, std::string& line) const
{
    std::string bytes, err;
    if (n < 0 || !ReadTextFileBytes(m_path, bytes, err)) return false;
    std::vector<std::string> lines;
    SplitLines(bytes, lines);
    if (size_t(n) >= lines.size()) return false;
    line = lines[size_t(n)];
    return true;
}

int TextLineFile::CountLines() const
{
    std::string bytes, err;
    if (!ReadTextFileBytes(m_path, bytes, err)) return 0;
    std::vector<std::string> lines;
    SplitLines(bytes, lines);
    return int(std::min<size_t>(lines.size(), kMaxCountedLines));
}

bool TextLineFile::Clear()
{
    if (m_path.empty()) return false;
    const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    return ::close(fd) == 0;
}

std::vector<std::string> TextLineFile::ViewerCommand(const std::string& viewerProgram,
                                                     const std::string& viewerArgs) const
{
    std::vector<std::string> argv;
    std::string program = viewerProgram;
    while (!program.empty() && program.back() == ' ') program.pop_back();
    // Settings files carried over from Windows name a viewer Linux does not
    // have; the desktop's choice stands in for it.
    if (program.empty() || program == "notepad.exe") {
        argv = {"xdg-open", m_path};
        return argv;
    }
    argv.push_back(program);
    argv.push_back(m_path);
    std::string word;
    for (char c : viewerArgs + " ") {
        if (c == ' ' || c == '\t') {
            if (!word.empty()) argv.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    return argv;
}

} // namespace tavril
