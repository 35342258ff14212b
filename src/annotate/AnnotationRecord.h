#pragma once
// AnnotationRecord: one annotation, a box in a sound (a time span on one
// channel and a frequency band) with a one-line comment, free notes and any
// further named fields. Owned by its AnnotationFile; one thread at a time.

#include "AnnotationField.h"

#include <string>
#include <vector>

namespace tavril {

class AnnotationRecord {
public:
    AnnotationRecord() = default;
    AnnotationRecord(double leftSec, double rightSec, double bottomHz, double topHz, int channel,
                     const std::string& soundFile, const std::string& comment, const std::string& notes);

    double LeftSec() const { return m_leftSec; }
    double RightSec() const { return m_rightSec; }
    double BottomHz() const { return m_bottomHz; }
    double TopHz() const { return m_topHz; }
    int Channel() const { return m_channel; }
    const std::string& Comment() const { return m_comment; }
    const std::string& SoundFile() const { return m_soundFile; }
    // Notes as stored: line breaks encoded as '@'.
    const std::string& Notes() const { return m_notes; }
    // Notes for showing or editing: every '@' (and code 2) as CR LF.
    std::string NotesForDisplay() const;
    bool IsModified() const { return m_modified; }
    void SetModified(bool modified) { m_modified = modified; }
    // Left strictly before right.
    bool IsValid() const { return m_leftSec < m_rightSec; }

    void SetBox(double leftSec, double rightSec, double bottomHz, double topHz, int channel);
    void SetComment(const std::string& comment);
    // LF becomes '@', CR is dropped.
    void SetNotes(const std::string& notes);
    // Keeps only the name and extension of `path`.
    void SetSoundFile(const std::string& path);
    void SetFieldText(const std::string& name, const std::string& text);
    void SetFieldNumber(const std::string& name, double value);

    const std::vector<AnnotationField>& ExtraFields() const { return m_extra; }
    const AnnotationField* FindField(const std::string& name) const;

private:
    double m_leftSec = 0;
    double m_rightSec = 0;
    double m_bottomHz = 0;
    double m_topHz = 0;
    int m_channel = 1;
    std::string m_comment;
    std::string m_soundFile;
    bool m_modified = true;
    std::string m_notes;
    std::vector<AnnotationField> m_extra;

    AnnotationField& FieldFor(const std::string& name);
};

// Name and extension of a path written with '/' or '\' separators.
std::string FileNameOf(const std::string& path);

} // namespace tavril
