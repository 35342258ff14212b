#include "MetafileText.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace tavril {

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const std::string& path, std::string& error, bool& ok)
{
    ok = false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = std::strerror(errno);
        return {};
    }
    std::string bytes;
    char buf[16384];
    size_t n;
    // A metafile is a short list; anything larger is not one.
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && bytes.size() < (size_t(64) << 20)) bytes.append(buf, n);
    std::fclose(f);
    ok = bytes.size() < (size_t(64) << 20);
    if (!ok) error = "The file is too large to be a metafile.";
    return bytes;
}

void Split(const std::string& text, std::vector<std::string>& lines)
{
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == '\r') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
}

std::string Lower(std::string s)
{
    for (auto& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

bool MetafileText::SplitKeyLine(const std::string& line, std::string& key, std::string& value)
{
    const size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    key.clear();
    value.clear();
    for (size_t i = 0; i < eq; ++i)
        if (line[i] != ' ' && line[i] != '\t') key += line[i];
    for (size_t i = eq + 1; i < line.size(); ++i)
        if (line[i] != ' ' && line[i] != '\t') value += line[i];
    key = Lower(key);
    return true;
}

namespace {

bool IsFullPath(const std::string& name)
{
    return !name.empty() && (name[0] == '/' || name.find('\\') != std::string::npos ||
                             name.find(':') != std::string::npos);
}

} // namespace

std::string FolderOf(const std::string& path)
{
    const fs::path p(path);
    return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

bool MetafileText::Load(const std::string& path, std::string* error)
{
    m_lines.clear();
    m_members.clear();
    m_start = CivilTime{};
    m_hasDate = m_hasTime = m_continuous = m_clips = m_list = m_folder = false;
    m_path = path;
    std::string err;
    bool ok = false;
    const std::string bytes = ReadAll(path, err, ok);
    if (!ok) {
        if (error) *error = err;
        return false;
    }
    Split(bytes, m_lines);
    Interpret();
    return true;
}

std::string MetafileText::ReadKey(const std::string& key) const
{
    const std::string want = Lower(key);
    std::string k, v;
    for (const auto& l : m_lines)
        if (SplitKeyLine(l, k, v) && k == want) {
            // The value keeps its own blanks only when they are inside a
            // folder or file name: read it again without stripping those.
            const size_t eq = l.find('=');
            std::string raw = l.substr(eq + 1);
            while (!raw.empty() && (raw.front() == ' ' || raw.front() == '\t')) raw.erase(raw.begin());
            while (!raw.empty() && (raw.back() == ' ' || raw.back() == '\t')) raw.pop_back();
            return (want == "path" || want == "annotationfile") ? raw : v;
        }
    return {};
}

void MetafileText::Interpret()
{
    const std::string type = Lower(ReadKey("recordingtype"));
    size_t start = 0;
    while (start <= type.size()) {
        size_t comma = type.find(',', start);
        if (comma == std::string::npos) comma = type.size();
        const std::string word = type.substr(start, comma - start);
        if (word.rfind("cont", 0) == 0) m_continuous = true;
        if (word.rfind("clip", 0) == 0) m_clips = true;
        if (word.rfind("list", 0) == 0) m_list = true;
        if (word.rfind("fold", 0) == 0) m_folder = true;
        start = comma + 1;
    }
    m_hasTime = ParseStartTime(ReadKey("starttime"), m_start);
    m_hasDate = ParseStartDate(ReadKey("startdate"), m_start);

    std::string folder = ReadKey("path");
    if (folder.empty()) folder = FolderOf(m_path);
    if (m_folder) {
        std::error_code ec;
        std::vector<std::string> wavs;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            if (Lower(it->path().extension().string()) == ".wav") wavs.push_back(it->path().string());
            if (wavs.size() >= kMaxMembers) break;
        }
        // Recorders name files by their start, so name order is recording order.
        std::sort(wavs.begin(), wavs.end());
        m_members = wavs;
        return;
    }
    std::string k, v;
    for (const auto& l : m_lines) {
        if (m_members.size() >= kMaxMembers) break;
        std::string name = l;
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
        if (name.empty() || SplitKeyLine(l, k, v)) continue;
        m_members.push_back(IsFullPath(name) ? name : (fs::path(folder) / name).string());
    }
}

std::string MetafileText::AnnotationFilePath() const
{
    const std::string name = ReadKey("annotationfile");
    if (name.empty()) return {};
    if (name[0] == '/') return name;
    return (fs::path(FolderOf(m_path)) / name).string();
}

} // namespace tavril
