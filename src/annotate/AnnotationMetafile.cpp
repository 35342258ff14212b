#include "AnnotationMetafile.h"

#include "AtomicText.h"
#include "CSoundFile.h"
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

bool HasSoundExtension(const std::string& path)
{
    const std::string ext = Lower(fs::path(path).extension().string());
    return ext == ".wav" || ext == ".aif" || ext == ".aiff";
}

} // namespace

bool AnnotationMetafile::SetKey(const std::string& key, const std::string& value, bool atEnd, std::string* error)
{
    const std::string own = key + "=" + value;
    const std::string want = Lower(key);
    std::string text;
    if (!atEnd) text += own + "\r\n";
    std::string k, v;
    for (const auto& l : m_lines) {
        if (!atEnd && MetafileText::SplitKeyLine(l, k, v) && k == want) continue;
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

std::string LinkMetafileOf(const std::string& soundPath)
{
    if (CSoundFile::FormatFromName(soundPath) == kFormatMeta) return soundPath;
    if (!HasSoundExtension(soundPath)) return {};
    const fs::path sp(soundPath);
    return (sp.parent_path() / (sp.stem().string() + " metafile.txt")).string();
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
    {
        CSoundFile sound;
        if (!sound.Open(soundPath)) {
            res.message = std::string("ERROR: Could not open sound file.") + failed;
            return res;
        }
    }
    if (HasSoundExtension(soundPath)) {
        const fs::path sp(soundPath);
        meta = LinkMetafileOf(soundPath);
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
