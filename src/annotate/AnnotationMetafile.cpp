#include "AnnotationMetafile.h"

#include "AtomicText.h"
#include "TextEncoding.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace tavril {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s)
{
    for (auto& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Key of a "key = value" line with blanks dropped, or "" for a member line.
bool SplitKeyLine(const std::string& line, std::string& key, std::string& value)
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

bool IsFullPath(const std::string& name)
{
    return !name.empty() && (name[0] == '/' || name.find('\\') != std::string::npos ||
                             name.find(':') != std::string::npos);
}

bool HasSoundExtension(const std::string& path)
{
    const std::string ext = Lower(fs::path(path).extension().string());
    return ext == ".wav" || ext == ".aif" || ext == ".aiff";
}

} // namespace

std::string FolderOf(const std::string& path)
{
    const fs::path p(path);
    return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

bool AnnotationMetafile::Load(const std::string& path, std::string* error)
{
    *this = AnnotationMetafile();
    m_path = path;
    std::string bytes, err;
    if (!ReadTextFileBytes(path, bytes, err)) {
        if (error) *error = err;
        return false;
    }
    SplitLines(bytes, m_lines);
    Interpret();
    return true;
}

std::string AnnotationMetafile::ReadKey(const std::string& key) const
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

void AnnotationMetafile::Interpret()
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

bool AnnotationMetafile::SetKey(const std::string& key, const std::string& value, bool atEnd, std::string* error)
{
    const std::string own = key + "=" + value;
    const std::string want = Lower(key);
    std::string text;
    if (!atEnd) text += own + "\r\n";
    std::string k, v;
    for (const auto& l : m_lines) {
        if (!atEnd && SplitKeyLine(l, k, v) && k == want) continue;
        text += l + "\r\n";
    }
    if (atEnd) text += own + "\r\n";
    std::string err;
    if (!WriteTextFileAtomically(m_path, text, err)) {
        if (error) *error = err;
        return false;
    }
    const std::string path = m_path;
    return Load(path, error);
}

bool AnnotationMetafile::SetStartTime(const CivilTime& t, std::string* error)
{
    return SetKey("starttime", t.TimeText(), false, error);
}

bool AnnotationMetafile::SetStartDate(const CivilTime& t, std::string* error)
{
    return SetKey("startdate", t.DateText(), false, error);
}

bool AnnotationMetafile::SetAnnotationFile(const std::string& name, std::string* error)
{
    return SetKey("annotationfile", name, false, error);
}

std::string AnnotationMetafile::AnnotationFilePath() const
{
    const std::string name = ReadKey("annotationfile");
    if (name.empty()) return {};
    if (name[0] == '/') return name;
    return (fs::path(FolderOf(m_path)) / name).string();
}

AnnotationLinkResult AddAnnotationLink(const std::string& soundPath, const std::string& annotationName,
                                       const std::string& annotationFolder)
{
    AnnotationLinkResult res;
    const char* failed = "\nAnnotation file link creation FAILED";
    std::string name = annotationName;
    if (fs::path(name).extension().empty()) name += ".log";
    std::error_code ec;
    if (!fs::is_regular_file(soundPath, ec)) {
        res.message = std::string("ERROR: Sound file does not exist.") + failed;
        return res;
    }
    std::string meta = soundPath;
    std::string err;
    if (HasSoundExtension(soundPath)) {
        const fs::path sp(soundPath);
        meta = (sp.parent_path() / (sp.stem().string() + " metafile.txt")).string();
        res.notes.push_back("NOTE: The sound file is not a metafile.\nTavril will create a text metafile to use "
                            "for annotation:\n" +
                            meta);
        if (!fs::exists(meta, ec) &&
            !WriteTextFileAtomically(meta, "recordingtype=list,cont\r\n" + sp.filename().string() + "\r\n", err)) {
            res.message = std::string("ERROR: Could not create metafile.") + failed;
            return res;
        }
    }
    if (!annotationFolder.empty()) {
        const std::string copy = (fs::path(annotationFolder) / fs::path(meta).filename()).string();
        AnnotationMetafile original;
        std::string bytes;
        bool ok = ReadTextFileBytes(meta, bytes, err) && WriteTextFileAtomically(copy, bytes, err);
        if (ok && original.Load(copy) && original.ReadKey("path").empty()) {
            // Member names are relative to the metafile's folder; the copy
            // must still find them beside the recording.
            ok = original.SetKey("path", FolderOf(fs::absolute(meta, ec).string()), false, &err);
        }
        if (!ok) {
            res.message = std::string("ERROR: Could not copy metafile to annotation file location.") + failed;
            return res;
        }
        meta = copy;
    }
    const std::string annotationPath = (fs::path(FolderOf(meta)) / name).string();
    if (!fs::exists(annotationPath, ec)) {
        std::FILE* f = std::fopen(annotationPath.c_str(), "ab");
        if (!f) {
            res.message = "ERROR: could not create: " + annotationPath +
                          "\nThe file name could be invalid, or you may have\nspecified a read-only location (CD or "
                          "DVD).\nAnnotation files must be located on writable media!" +
                          failed;
            return res;
        }
        std::fclose(f);
    } else if (::access(annotationPath.c_str(), W_OK) != 0) {
        res.message = "ERROR: could not open annotation file: " + annotationPath +
                      "\nYou may have specified a file in a read-only location (CD or DVD).\nAnnotation files must "
                      "be located on writable media!" +
                      failed;
        return res;
    }
    AnnotationMetafile m;
    if (!m.Load(meta, &err) || !m.SetAnnotationFile(name, &err)) {
        res.message = std::string("ERROR: Could not create metafile.") + failed;
        return res;
    }
    res.ok = true;
    res.metafilePath = meta;
    res.annotationPath = annotationPath;
    res.message = "ANNOTATION LINK CREATION SUCCESSFUL!\n\nTo view and annotate the sound, open this file: \n  " +
                  meta + "\n\nAnnotations will be stored to this file: \n  " + annotationPath +
                  "\n\nEdit annotation link in: Tools menu - View/edit soundfile format info";
    return res;
}

} // namespace tavril
