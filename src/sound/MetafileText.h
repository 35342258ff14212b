#pragma once
// MetafileText: what a metafile says, read from its text. A metafile stands
// for a recording: lines "key=value" give how it is organised
// ("recordingtype"), when it started ("startdate", "starttime"), its "offset",
// the folder of its member files ("path") and its "annotationfile"; every
// other non-empty line names one member sound file, in recording order.
// Read-only value; writing keys lives with the annotation library. One
// thread at a time.

#include "CivilTime.h"

#include <string>
#include <vector>

namespace tavril {

class MetafileText {
public:
    static constexpr size_t kMaxMembers = 10000;

    // Reads the file; false (and an empty object but for the path) when it
    // cannot be read.
    bool Load(const std::string& path, std::string* error = nullptr);
    const std::string& Path() const { return m_path; }
    const std::vector<std::string>& Lines() const { return m_lines; }

    // The value after the first '=' of the line whose key matches (case
    // ignored; blanks dropped, except inside "path" and "annotationfile"
    // values, which name files); empty when there is none.
    std::string ReadKey(const std::string& key) const;

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
    // Full paths of the member sound files, in recording order (at most
    // kMaxMembers). A folder recording takes the folder's "*.wav" files in
    // name order, which is recording order for recorders that name files by
    // their start.
    const std::vector<std::string>& Members() const { return m_members; }

    // Splits "key = value" with blanks dropped; false for a member line.
    static bool SplitKeyLine(const std::string& line, std::string& key, std::string& value);

protected:
    std::string m_path;
    std::vector<std::string> m_lines;

private:
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

} // namespace tavril
