#pragma once
// AnnotationMetafile: a small text file that stands for a recording. Lines
// "key=value" give how the recording is organised ("recordingtype"), when it
// started ("startdate", "starttime"), its "offset", the folder of its member
// files ("path") and the annotation file that belongs to it
// ("annotationfile"); every other non-empty line names one member sound file.
//
// Ownership: a value holding what was read; SetKey rewrites the file on disk
// (atomically) and reads it again. Threading: one thread at a time.

#include "CivilTime.h"

#include <string>
#include <vector>

namespace tavril {

class AnnotationMetafile {
public:
    static constexpr size_t kMaxMembers = 10000;

    // Reads the file; false (and an empty object but for the path) when it
    // cannot be read.
    bool Load(const std::string& path, std::string* error = nullptr);
    const std::string& Path() const { return m_path; }

    // The value after the first '=' of the line whose key matches (blanks
    // ignored, case ignored); empty when there is none.
    std::string ReadKey(const std::string& key) const;
    // Rewrites the file with one "key=value" line: first, with every other
    // line after it (old lines of the key dropped), or, with `atEnd`, after
    // all lines. Member lines are copied unchanged; lines end with CR LF.
    bool SetKey(const std::string& key, const std::string& value, bool atEnd = false, std::string* error = nullptr);
    bool SetStartTime(const CivilTime& t, std::string* error = nullptr);
    bool SetStartDate(const CivilTime& t, std::string* error = nullptr);
    bool SetAnnotationFile(const std::string& name, std::string* error = nullptr);

    // The annotation file's path (metafile folder + name); empty without one.
    std::string AnnotationFilePath() const;
    // The recording start from "startdate" and "starttime" (2000-01-01
    // 00:00:00 for parts not given).
    const CivilTime& Start() const { return m_start; }
    bool HasStartDate() const { return m_hasDate; }
    bool HasStartTime() const { return m_hasTime; }

    bool IsContinuous() const { return m_continuous; }
    bool IsClips() const { return m_clips; }
    bool IsFolder() const { return m_folder; }
    // Full paths of the member sound files, in recording order (at most kMaxMembers).
    const std::vector<std::string>& Members() const { return m_members; }

private:
    std::string m_path;
    std::vector<std::string> m_lines;
    CivilTime m_start;
    bool m_hasDate = false;
    bool m_hasTime = false;
    bool m_continuous = false;
    bool m_clips = false;
    bool m_list = false;
    bool m_folder = false;
    std::vector<std::string> m_members;

    void Interpret();
};

// The folder of a path, without a trailing separator ("." for a bare name).
std::string FolderOf(const std::string& path);

// Result of linking an annotation file to a sound file.
struct AnnotationLinkResult {
    bool ok = false;
    std::string metafilePath;
    std::string annotationPath;
    std::vector<std::string> notes;  // messages to show before the outcome
    std::string message;             // the final message (success or failure)
};

// Links `annotationName` (".log" added without an extension) to a sound: a
// plain WAV/AIFF sound gets a metafile "<name> metafile.txt" beside it; with
// `annotationFolder` the metafile is copied there and the annotation file
// lives there too. The annotation file is created when missing and the
// metafile's "annotationfile" key set. Files made before a failure stay.
AnnotationLinkResult AddAnnotationLink(const std::string& soundPath, const std::string& annotationName,
                                       const std::string& annotationFolder);

} // namespace tavril
