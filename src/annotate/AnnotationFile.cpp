#include "AnnotationFile.h"

#include "AtomicText.h"
#include "TextEncoding.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavril {

namespace {

const char* const kDefaultNames[] = {"soundfile", "channel", "lefttimesec", "righttimesec",
                                     "topfreqhz", "bottomfreqhz", "comment", "notes"};

std::vector<std::string> HeaderNames(const std::string& header)
{
    std::vector<std::string> f = SplitTabs(header);
    if (!f.empty()) f.erase(f.begin());
    return f;
}

// Six decimals as older files have them, more only where a value (a time
// imported from another program) would otherwise lose digits.
std::string Fixed6(double v)
{
    return FormatExact(v, 6);
}

bool AcceptChannel(const AnnotationRecord& r, int channel) { return channel < 0 || r.Channel() == channel; }

} // namespace

void AnnotationFile::Clear()
{
    m_kept.clear();
    m_records.clear();
    m_header.clear();
    m_carriedSoundFile.clear();
}

int AnnotationFile::Load(const std::string& path, std::string* error, bool convertOlderLayout)
{
    if (path.empty()) return 0;
    std::string bytes, err;
    if (!ReadTextFileBytes(path, bytes, err)) {
        if (error) *error = err;
        return 0;
    }
    Clear();
    std::vector<std::string> lines;
    SplitLines(bytes, lines);
    bool hadHeader = false;
    for (const auto& l : lines)
        if (l.rfind("fieldkey:", 0) == 0) {
            hadHeader = true;
            m_header = ToUtf8(l);
        }
    if (!hadHeader) m_header = BuildHeader(false, false);
    std::vector<std::string> names = HeaderNames(m_header);
    const size_t before = m_records.size();
    for (const auto& l : lines) {
        if (l.empty()) continue;
        if (l.rfind("fieldkey:", 0) == 0) {
            names = HeaderNames(ToUtf8(l));
            continue;
        }
        ParseLine(l, names);
    }
    const int count = int(m_records.size() - before);
    if (!hadHeader && convertOlderLayout) {
        // Older files without a header are converted on first reading.
        Save(path, false, false, CivilTime{}, nullptr);
        SetAllModified(true);
    } else {
        SetAllModified(false);
    }
    return count;
}

void AnnotationFile::ParseLine(const std::string& raw, const std::vector<std::string>& names)
{
    // Kept lines go back byte for byte; records are read as UTF-8 (older
    // single-byte files as Latin-1, which maps every byte).
    const std::string line = ToUtf8(raw);
    const std::vector<std::string> f = SplitTabs(line);
    auto r = std::make_unique<AnnotationRecord>();
    bool parsed = false;
    if (f[0] == "an:") {
        for (size_t i = 1; i < f.size() && i - 1 < names.size(); ++i) {
            const std::string& name = names[i - 1];
            // Start times and dates follow from the recording start and are
            // recomputed on writing; kept as fields they would double up.
            if (name == "starttime" || name == "startdate" || name.empty()) continue;
            r->SetFieldText(name, f[i]);
        }
        parsed = true;
    } else if (f[0] == "selected:") {
        parsed = ParseLogfileLine(f, *r);
    }
    if (!parsed || !r->IsValid()) {
        m_kept.push_back(raw);
        return;
    }
    if (r->SoundFile().empty()) r->SetSoundFile(m_carriedSoundFile);
    else m_carriedSoundFile = r->SoundFile();
    m_records.push_back(std::move(r));
}

bool AnnotationFile::ParseLogfileLine(const std::vector<std::string>& f, AnnotationRecord& r) const
{
    // The prefix of a logfile line puts the sound file name right after
    // "selected:"; the rest are label/value pairs.
    size_t i = 1;
    if (f.size() > 1 && (f[1].empty() || f[1].back() != ':')) {
        r.SetSoundFile(f[1]);
        i = 2;
    }
    for (; i < f.size(); ++i) {
        const std::string& label = f[i];
        if (label.empty() || label.back() != ':') continue;
        if (i + 1 >= f.size()) break;
        const std::string& value = f[++i];
        double v = 0;
        const bool num = ParseDecimal(value, v);
        if (label == "soundfile:") r.SetSoundFile(value);
        else if (label == "comment:") r.SetComment(value);
        else if (label == "notes:") r.SetNotes(value);
        else if (label == "channel:") r.SetFieldNumber("channel", num ? std::trunc(v) : 0);
        else if (label == "lefttime_abs:" || label == "lefttimesec:") r.SetFieldNumber("lefttimesec", num ? v : 0);
        else if (label == "righttime_abs:" || label == "righttimesec:") r.SetFieldNumber("righttimesec", num ? v : 0);
        else if (label == "topfreq:" || label == "topfreqhz:") r.SetFieldNumber("topfreqhz", num ? v : 0);
        else if (label == "bottomfreq:" || label == "bottomfreqhz:") r.SetFieldNumber("bottomfreqhz", num ? v : 0);
        else r.SetFieldText(label.substr(0, label.size() - 1), value);
    }
    return true;
}

std::vector<std::string> AnnotationFile::ExtraNames() const
{
    // Every extra column any record has, in the order first seen, so records
    // with different fields still line up under one header.
    std::vector<std::string> names;
    for (const auto& r : m_records)
        for (const auto& fld : r->ExtraFields())
            if (std::find(names.begin(), names.end(), fld.Key()) == names.end()) names.push_back(fld.Key());
    return names;
}

std::string AnnotationFile::BuildHeader(bool saveStartTime, bool saveStartDate) const
{
    std::string h = "fieldkey:";
    for (int i = 0; i < 6; ++i) h += std::string("\t") + kDefaultNames[i];
    if (saveStartTime) h += "\tstarttime";
    if (saveStartDate) h += "\tstartdate";
    h += "\tcomment\tnotes";
    for (const auto& n : ExtraNames()) h += "\t" + n;
    return h;
}

std::string AnnotationFile::BuildRecordLine(const AnnotationRecord& r, bool saveStartTime, bool saveStartDate,
                                            const CivilTime& recordingStart) const
{
    return BuildRecordLine(r, saveStartTime, saveStartDate, recordingStart, ExtraNames());
}

std::string AnnotationFile::BuildRecordLine(const AnnotationRecord& r, bool saveStartTime, bool saveStartDate,
                                            const CivilTime& recordingStart,
                                            const std::vector<std::string>& extraNames) const
{
    std::string s = "an:";
    for (const std::string& v : {r.SoundFile(), std::to_string(r.Channel()), Fixed6(r.LeftSec()),
                                 Fixed6(r.RightSec()), Fixed6(r.TopHz()), Fixed6(r.BottomHz())}) {
        s += '\t';
        s += v;
    }
    const double whole = std::trunc(r.LeftSec());
    const CivilTime at = recordingStart.Plus(std::isfinite(whole) ? int64_t(whole) : 0);
    if (saveStartTime) s.append("\t").append(at.TimeText());
    if (saveStartDate) s.append("\t").append(at.DateText());
    s += '\t';
    s += r.Comment();
    s += '\t';
    s += r.Notes();
    for (const auto& n : extraNames) {
        const AnnotationField* fld = r.FindField(n);
        s += '\t';
        if (fld) s += fld->Text();
    }
    return s;
}

bool AnnotationFile::Save(const std::string& path, bool saveStartTime, bool saveStartDate,
                          const CivilTime& recordingStart, std::string* error)
{
    if (path.empty()) return false;
    m_carriedSoundFile.clear();
    std::string text;
    for (const auto& k : m_kept) text += k + "\r\n";
    m_header = BuildHeader(saveStartTime, saveStartDate);
    text += m_header + "\r\n";
    const std::vector<std::string> names = ExtraNames();
    for (const auto& r : m_records) {
        text += BuildRecordLine(*r, saveStartTime, saveStartDate, recordingStart, names);
        text += "\r\n";
    }
    std::string err;
    if (!WriteTextFileAtomically(path, text, err)) {
        if (error) *error = err;
        return false;
    }
    SetAllModified(false);
    return true;
}

AnnotationRecord* AnnotationFile::Add(double leftSec, double rightSec, double bottomHz, double topHz, int channel,
                                      const std::string& soundPath, const std::string& comment,
                                      const std::string& notes, bool saveStartTime, bool saveStartDate,
                                      const CivilTime& recordingStart, bool appendNow, const std::string& path,
                                      std::string* error)
{
    m_records.push_back(
        std::make_unique<AnnotationRecord>(leftSec, rightSec, bottomHz, topHz, channel, soundPath, comment, notes));
    AnnotationRecord* r = m_records.back().get();
    m_carriedSoundFile.clear();
    if (!appendNow || path.empty()) return r;

    const std::string header = BuildHeader(saveStartTime, saveStartDate);
    struct stat st {};
    const bool hasLines = ::stat(path.c_str(), &st) == 0 && st.st_size > 0;
    if (hasLines && m_records.size() > 1 && !m_header.empty() && header != m_header) {
        // The file's columns differ from the ones this line would have:
        // rewrite it whole rather than append a line that reads back shifted.
        Save(path, saveStartTime, saveStartDate, recordingStart, error);
        return r;
    }
    std::string text;
    if (!hasLines || m_records.size() == 1) {
        text = header + "\r\n";
        m_header = header;
    }
    text += BuildRecordLine(*r, saveStartTime, saveStartDate, recordingStart) + "\r\n";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return r;
    }
    size_t done = 0;
    bool ok = true;
    while (done < text.size()) {
        const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            ok = false;
            break;
        }
        done += size_t(w);
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (ok) r->SetModified(false);
    else if (error) *error = std::strerror(errno ? errno : EIO);
    return r;
}

AnnotationRecord* AnnotationFile::AddRecord(const AnnotationRecord& record)
{
    m_records.push_back(std::make_unique<AnnotationRecord>(record));
    m_carriedSoundFile.clear();
    return m_records.back().get();
}

void AnnotationFile::Remove(const AnnotationRecord* record)
{
    auto it = std::find_if(m_records.begin(), m_records.end(), [&](const auto& p) { return p.get() == record; });
    if (it != m_records.end()) m_records.erase(it);
}

bool AnnotationFile::AnyModified() const
{
    return std::any_of(m_records.begin(), m_records.end(), [](const auto& r) { return r->IsModified(); });
}

void AnnotationFile::SetAllModified(bool modified)
{
    for (auto& r : m_records) r->SetModified(modified);
}

std::vector<AnnotationRecord*> AnnotationFile::Overlapping(double fromSec, double toSec, int channel,
                                                           const std::string& soundFile) const
{
    // A box wider than the span (a zoomed-in view) overlaps it too.
    std::vector<AnnotationRecord*> out;
    for (const auto& r : m_records)
        if (AcceptChannel(*r, channel) && r->LeftSec() <= toSec && r->RightSec() >= fromSec &&
            (soundFile.empty() || r->SoundFile() == soundFile))
            out.push_back(r.get());
    return out;
}

int AnnotationFile::Containing(double tSec, int channel, std::vector<AnnotationRecord*>& out,
                               const std::string& soundFile) const
{
    int n = 0;
    for (const auto& r : m_records)
        if (AcceptChannel(*r, channel) && r->LeftSec() <= tSec && tSec <= r->RightSec() &&
            (soundFile.empty() || r->SoundFile() == soundFile)) {
            out.push_back(r.get());
            ++n;
        }
    return n;
}

AnnotationRecord* AnnotationFile::First(int channel) const
{
    AnnotationRecord* best = nullptr;
    for (const auto& r : m_records)
        if (AcceptChannel(*r, channel) && (!best || r->LeftSec() < best->LeftSec())) best = r.get();
    return best;
}

AnnotationRecord* AnnotationFile::Last(int channel) const
{
    AnnotationRecord* best = nullptr;
    for (const auto& r : m_records)
        if (AcceptChannel(*r, channel) && (!best || r->LeftSec() > best->LeftSec())) best = r.get();
    return best;
}

AnnotationRecord* AnnotationFile::Nearest(double refSec, const AnnotationRecord* skip, int channel,
                                          bool before) const
{
    AnnotationRecord* best = nullptr;
    double bestDistance = 100000000.0;
    for (const auto& r : m_records) {
        if (r.get() == skip || !AcceptChannel(*r, channel)) continue;
        const double d = before ? refSec - r->LeftSec() : r->LeftSec() - refSec;
        if (d > 0 && d < bestDistance) {
            bestDistance = d;
            best = r.get();
        }
    }
    return best;
}

AnnotationRecord* AnnotationFile::Previous(const AnnotationRecord* reference, int channel) const
{
    return reference ? Nearest(reference->LeftSec(), reference, channel, true) : nullptr;
}

AnnotationRecord* AnnotationFile::Next(const AnnotationRecord* reference, int channel) const
{
    return reference ? Nearest(reference->LeftSec(), reference, channel, false) : nullptr;
}

AnnotationRecord* AnnotationFile::PreviousBefore(double tSec, int channel) const
{
    return Nearest(tSec, nullptr, channel, true);
}

AnnotationRecord* AnnotationFile::NextAfter(double tSec, int channel) const
{
    return Nearest(tSec, nullptr, channel, false);
}

} // namespace tavril
