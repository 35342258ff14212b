#pragma once
// AnnotationFile: the annotations of one sound, read from and written to a
// tab-separated text file ("fieldkey:" header line, one "an:" line per
// record; logfile "selected:" lines are read as records too). Lines that are
// not records are kept and written back unchanged at the top, so nothing a
// user or another program put in the file is lost.
//
// Ownership: owns its records; a record pointer stays valid until the record
// is removed or the file is loaded again. Threading: one thread at a time.

#include "AnnotationRecord.h"
#include "CivilTime.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavril {

class AnnotationFile {
public:
    // Reads `path`. Returns the number of records read; 0 with `error` set
    // when the file cannot be read. An empty path reads nothing. A file in the
    // older layout without a header line is written back at once with one,
    // unless `convertOlderLayout` is false.
    int Load(const std::string& path, std::string* error = nullptr, bool convertOlderLayout = true);
    // Replaces the file with the kept lines, the header and every record, and
    // clears every record's modified flag. An empty path writes nothing.
    bool Save(const std::string& path, bool saveStartTime, bool saveStartDate, const CivilTime& recordingStart,
              std::string* error = nullptr);
    // Adds a record at the end; with `appendNow` its line is appended to the
    // file at once (with a header first when the file is new). A failed append
    // keeps the record in memory for the next Save and sets `error`.
    AnnotationRecord* Add(double leftSec, double rightSec, double bottomHz, double topHz, int channel,
                          const std::string& soundPath, const std::string& comment, const std::string& notes,
                          bool saveStartTime, bool saveStartDate, const CivilTime& recordingStart,
                          bool appendNow, const std::string& path, std::string* error = nullptr);
    // Adds a copy of a record built elsewhere (an import), at the end.
    AnnotationRecord* AddRecord(const AnnotationRecord& record);
    void Remove(const AnnotationRecord* record);
    void Clear();

    const std::vector<std::unique_ptr<AnnotationRecord>>& Records() const { return m_records; }
    size_t Count() const { return m_records.size(); }
    AnnotationRecord* At(size_t i) const { return m_records[i].get(); }
    const std::vector<std::string>& KeptLines() const { return m_kept; }
    const std::string& HeaderLine() const { return m_header; }
    bool AnyModified() const;
    void SetAllModified(bool modified);

    // Searches. A negative channel accepts every channel; an empty sound file
    // name accepts every file.
    std::vector<AnnotationRecord*> Overlapping(double fromSec, double toSec, int channel,
                                               const std::string& soundFile = {}) const;
    int Containing(double tSec, int channel, std::vector<AnnotationRecord*>& out,
                   const std::string& soundFile = {}) const;
    AnnotationRecord* First(int channel = -1) const;
    AnnotationRecord* Last(int channel = -1) const;
    // The record starting before (after) the reference by the least amount; of
    // equal candidates the first in the file wins. The reference is skipped.
    AnnotationRecord* Previous(const AnnotationRecord* reference, int channel = -1) const;
    AnnotationRecord* Next(const AnnotationRecord* reference, int channel = -1) const;
    AnnotationRecord* PreviousBefore(double tSec, int channel = -1) const;
    AnnotationRecord* NextAfter(double tSec, int channel = -1) const;

    // The header and record lines as they are written.
    std::string BuildHeader(bool saveStartTime, bool saveStartDate) const;
    std::string BuildRecordLine(const AnnotationRecord& r, bool saveStartTime, bool saveStartDate,
                                const CivilTime& recordingStart) const;

private:
    std::vector<std::string> m_kept;
    std::string m_header;
    std::string m_carriedSoundFile;
    std::vector<std::unique_ptr<AnnotationRecord>> m_records;

    std::string BuildRecordLine(const AnnotationRecord& r, bool saveStartTime, bool saveStartDate,
                                const CivilTime& recordingStart, const std::vector<std::string>& extraNames) const;
    void ParseLine(const std::string& raw, const std::vector<std::string>& names);
    bool ParseLogfileLine(const std::vector<std::string>& fields, AnnotationRecord& r) const;
    std::vector<std::string> ExtraNames() const;
    AnnotationRecord* Nearest(double refSec, const AnnotationRecord* skip, int channel, bool before) const;
};

} // namespace tavril
