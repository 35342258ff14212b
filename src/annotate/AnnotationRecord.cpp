#include "AnnotationRecord.h"

#include <cmath>
#include <limits>

namespace tavril {

namespace {

int ChannelFrom(double v)
{
    if (!(v > std::numeric_limits<int>::min() && v < std::numeric_limits<int>::max())) return 1;
    return int(std::trunc(v));
}

} // namespace

AnnotationRecord::AnnotationRecord(double leftSec, double rightSec, double bottomHz, double topHz, int channel,
                                   const std::string& soundFile, const std::string& comment,
                                   const std::string& notes)
    : m_leftSec(leftSec), m_rightSec(rightSec), m_bottomHz(bottomHz), m_topHz(topHz), m_channel(channel),
      m_comment()
{
    SetComment(comment);
    SetSoundFile(soundFile);
    SetNotes(notes);
}

std::string AnnotationRecord::NotesForDisplay() const
{
    std::string out;
    for (char c : m_notes) {
        if (c == '@' || c == 2) out += "\r\n";
        else out += c;
    }
    return out;
}

void AnnotationRecord::SetBox(double leftSec, double rightSec, double bottomHz, double topHz, int channel)
{
    m_leftSec = leftSec;
    m_rightSec = rightSec;
    m_bottomHz = bottomHz;
    m_topHz = topHz;
    m_channel = channel;
    m_modified = true;
}

void AnnotationRecord::SetComment(const std::string& comment)
{
    // A comment is one column of a tab-separated line; a TAB or line break
    // inside it would shift or split the record when the file is read again.
    m_comment.clear();
    for (char c : comment) {
        if (c == '\r') continue;
        m_comment += (c == '\t' || c == '\n') ? ' ' : c;
    }
    m_modified = true;
}

void AnnotationRecord::SetNotes(const std::string& notes)
{
    m_notes.clear();
    for (char c : notes) {
        if (c == '\r') continue;
        m_notes += c == '\n' ? '@' : (c == '\t' ? ' ' : c);
    }
    m_modified = true;
}

void AnnotationRecord::SetSoundFile(const std::string& path)
{
    m_soundFile = FileNameOf(path);
    m_modified = true;
}

AnnotationField& AnnotationRecord::FieldFor(const std::string& name)
{
    for (auto& f : m_extra)
        if (f.Key() == name) return f;
    m_extra.emplace_back(name);
    return m_extra.back();
}

void AnnotationRecord::SetFieldText(const std::string& name, const std::string& text)
{
    double v = 0;
    const bool number = ParseDecimal(text, v);
    if (name == "soundfile") {
        SetSoundFile(text);
    } else if (name == "comment") {
        SetComment(text);
    } else if (name == "notes") {
        SetNotes(text);
    } else if (name == "channel") {
        m_channel = number ? ChannelFrom(v) : 0;
    } else if (name == "lefttimesec") {
        m_leftSec = number ? v : 0;
    } else if (name == "righttimesec") {
        m_rightSec = number ? v : 0;
    } else if (name == "bottomfreqhz") {
        m_bottomHz = number ? v : 0;
    } else if (name == "topfreqhz") {
        m_topHz = number ? v : 0;
    } else {
        std::string clean;
        for (char c : text) clean += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
        FieldFor(name).SetText(clean);
    }
    m_modified = true;
}

void AnnotationRecord::SetFieldNumber(const std::string& name, double value)
{
    if (name == "channel") m_channel = ChannelFrom(value);
    else if (name == "lefttimesec") m_leftSec = value;
    else if (name == "righttimesec") m_rightSec = value;
    else if (name == "bottomfreqhz") m_bottomHz = value;
    else if (name == "topfreqhz") m_topHz = value;
    else FieldFor(name).SetNumber(value);
    m_modified = true;
}

const AnnotationField* AnnotationRecord::FindField(const std::string& name) const
{
    for (const auto& f : m_extra)
        if (f.Key() == name) return &f;
    return nullptr;
}

std::string FileNameOf(const std::string& path)
{
    const size_t p = path.find_last_of("/\\");
    return p == std::string::npos ? path : path.substr(p + 1);
}

} // namespace tavril
