#pragma once
// TextLineFile: a line-oriented text file that is appended to one line at a
// time (the data logfile) and can be shown in a text viewer. Nothing is held
// open between calls, so another program may read or write the file meanwhile.
// Lines end with CR LF. One thread at a time.

#include <string>
#include <vector>

namespace tavril {

class TextLineFile {
public:
    static constexpr int kMaxCountedLines = 10000;

    explicit TextLineFile(std::string path = {}) : m_path(std::move(path)) {}
    const std::string& Path() const { return m_path; }
    void SetPath(const std::string& path) { m_path = path; }

    // Appends `text` and CR LF at the end, creating the file when missing
    // (and its folder). False when the file cannot be written.
    bool WriteLine(const std::string& text);
    // The n-th line (from 0) without its terminator; false past the end.
    bool ReadLine(int n, std::string& line) const;
    // Lines in the file, counting stops at kMaxCountedLines.
    int CountLines() const;
    // Leaves the file empty (creating it when missing).
    bool Clear();

    // The program and arguments that show the file: the configured viewer
    // with the path and the configured arguments (split at blanks), or the
    // desktop's default viewer through xdg-open. Run without a shell, so no
    // character of the path is ever interpreted.
    std::vector<std::string> ViewerCommand(const std::string& viewerProgram, const std::string& viewerArgs) const;

private:
    std::string m_path;
};

} // namespace tavril
