#include "CTavrilDoc.h"

#include "SoundFileProblem.h"

#include "AtomicFile.h"
#include "CEditEngine.h"
#include "CMultiTool.h"
#include "CSoundClipboard.h"
#include "CSoundFilter.h"
#include "CSoundTools.h"
#include "CTempFiles.h"
#include "DefaultFileFormat.h"
#include "EditDialogSettings.h"
#include "IPrompt.h"
#include "KlipFileName.h"
#include "MetadataChunks.h"
#include "SoundConvert.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tavril {

namespace fs = std::filesystem;

namespace {

bool FileExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

const char* ExtensionOf(int32_t format)
{
    switch (format) {
    case kFormatAiff: return ".aif";
    case kFormatSig: return ".sig";
    case kFormatSnd: return ".snd";
    default: return ".wav";
    }
}

void Unlink(const std::string& path)
{
    if (!path.empty()) ::unlink(path.c_str());
}

} // namespace

CTavrilDoc::CTavrilDoc(const DocServices& services) : m_svc(services) {}

CTavrilDoc::~CTavrilDoc() { CloseDocument(); }

int32_t CTavrilDoc::DefaultFileFormat() const { return tavril::DefaultFileFormat(m_svc.settingsFile); }

bool CTavrilDoc::IsMetafile() const { return CSoundFile::FormatFromName(m_path) == kFormatMeta; }

void CTavrilDoc::ReportFailure(const std::string& what, const std::string& reason)
{
    std::string text = "\"" + what + "\" could not be completed";
    if (!reason.empty()) text += ": " + reason;
    text += ". The sound is unchanged.";
    m_svc.prompt.ShowMessage(text);
}

void CTavrilDoc::ResetUndo()
{
    // Nothing can reach the old version any more; its file would only fill
    // the temporary folder until the next start. The user's file is only
    // let go of.
    if (!IsUsersFile(m_undoFile)) Unlink(m_undoFile);
    m_undoFile.clear();
    m_undoMenuText = kCantUndo;
    if (!IsUsersFile(m_workingCopy)) m_usersFile.clear();
}

bool CTavrilDoc::IsUsersFile(const std::string& name) const
{
    return !name.empty() && (name == m_usersFile || (name == m_path && m_path != kUntitled));
}

// A WAV's working copy would be a byte copy of it, so the engine may as well
// read the file itself; other formats are read through a converted copy.
bool CTavrilDoc::ReadsInPlace() const
{
    return m_path != kUntitled && !IsMetafile() && SourceFormat(m_path) == kFormatWav;
}

// The file a save writes before it is renamed over `target`: in the hidden
// folder beside it, where a crash leaves it to the start-up clean-up, or,
// when that folder cannot be used, hidden beside the target itself.
std::string CTavrilDoc::SaveTempFor(const std::string& target, const std::string& extension, std::string& error)
{
    const std::string temp = m_svc.temps.NewNameNear(target, extension);
    std::error_code ec;
    if (!temp.empty() && fs::path(temp).parent_path() == fs::absolute(target, ec).parent_path() / CTempFiles::kHiddenFolder)
        return temp;
    Unlink(temp);
    return MakeTempBeside(target, extension, error);
}

std::string CTavrilDoc::NewWorkingName()
{
    const std::string& near = !m_workNear.empty() ? m_workNear : m_path;
    return near.empty() || near == kUntitled ? m_svc.temps.NewName() : m_svc.temps.NewNameNear(near);
}

void CTavrilDoc::NewDocument()
{
    CloseDocument();
    m_path = kUntitled;
    m_saved = false;
    m_modified = false;
}

bool CTavrilDoc::AdoptAsUntitled(const std::string& tempFile)
{
    if (!FileExists(tempFile)) return false;
    NewDocument();
    m_workingCopy = tempFile;
    m_workingCopyExists = true;
    m_modified = true;
    m_sound.Close();
    m_sound.Reset();
    return true;
}

bool CTavrilDoc::MakeUntitledWorkingCopy()
{
    const std::string name = m_svc.temps.NewName();
    if (name.empty()) return false;
    CSoundFile f;
    if (!f.Create(name, 22050, 1, 16)) {
        Unlink(name);
        return false;
    }
    f.Close();
    m_workingCopy = name;
    m_workingCopyExists = true;
    m_sound.Close();
    m_sound.Reset();
    return true;
}

bool CTavrilDoc::ConvertInto(const std::string& source, const std::string& target, int32_t sourceFormat,
                             int32_t targetFormat, std::string& error, const SaveProgress& progress)
{
    if (!progress && sourceFormat == kFormatWav && targetFormat == kFormatWav)
        return CopyFileBytes(source, target, error) == 1;
    std::string message;
    if (ConvertFile(source, target, sourceFormat, targetFormat, message, progress) == 1) return true;
    error = message.empty() ? "Cannot convert " + source + " into " + target : message;
    return false;
}

bool CTavrilDoc::MakeWorkingCopy(const std::string& source)
{
    m_sound.Close();
    if (!FileExists(source)) return false;
    bool fresh = false;
    if (IsUsersFile(m_workingCopy)) m_workingCopy.clear();  // never written over
    if (m_workingCopy.empty()) {
        m_workingCopy = NewWorkingName();
        if (m_workingCopy.empty()) return false;
        fresh = true;
    }
    int32_t format = SourceFormat(source);
    if (format == kFormatUnknown) format = DefaultFileFormat();
    std::string error;
    if (!ConvertInto(source, m_workingCopy, format, kFormatWav, error)) {
        if (fresh) {
            Unlink(m_workingCopy);
            m_workingCopy.clear();
        }
        m_svc.engine.Fail(error);
        return false;
    }
    // A copy of a read-only file must be writable.
    ::chmod(m_workingCopy.c_str(), 0600);
    m_workingCopyExists = true;
    m_sound.Reset();
    return true;
}

CSoundFile* CTavrilDoc::SoundForReading()
{
    if (!m_workingCopyExists && m_path == kUntitled) MakeUntitledWorkingCopy();
    if (m_sound.GetFileName().empty()) OpenForReading();
    return &m_sound;
}

CSoundFile* CTavrilDoc::SoundForEditing()
{
    if (IsMetafile()) return nullptr;
    if (m_workingCopyExists && IsUsersFile(m_workingCopy)) {
        // Back at the user's file after an undo: it is changed only through
        // a copy of its own.
        const std::string users = m_workingCopy;
        m_workingCopy.clear();
        m_workingCopyExists = false;
        if (!MakeWorkingCopy(users)) {
            m_workingCopy = users;
            m_workingCopyExists = true;
            return nullptr;
        }
    }
    if (WorkingFileName(true).empty()) return nullptr;
    if (m_sound.GetFileName() != m_workingCopy) {
        m_sound.Close();
        m_sound.Reset();
        m_sound.Open(m_workingCopy);
    }
    return &m_sound;
}

std::string CTavrilDoc::WorkingFileName(bool make)
{
    if (m_workingCopyExists) return m_workingCopy;
    if (!make) return m_path;
    const bool ok = m_path == kUntitled ? MakeUntitledWorkingCopy() : MakeWorkingCopy(m_path);
    return ok ? m_workingCopy : std::string();
}

bool CTavrilDoc::PushUndo(const std::string& name)
{
    m_sound.Close();
    const bool inPlace = !m_workingCopyExists && ReadsInPlace();
    const std::string previous = inPlace ? m_path : WorkingFileName(true);
    if (previous.empty()) return false;
    const std::string fresh = NewWorkingName();
    if (fresh.empty() || !m_svc.engine.CreateLike(fresh, previous)) {
        Unlink(fresh);
        return false;
    }
    if (!IsUsersFile(m_undoFile)) Unlink(m_undoFile);
    if (inPlace) m_usersFile = m_path;
    m_undoFile = previous;
    m_workingCopyExists = true;
    m_workingCopy = fresh;
    m_undoMenuText = "Undo " + name + "\tCtrl+Z";
    return true;
}

bool CTavrilDoc::RunEdit(const std::string& name, const EditOp& op, const std::string& progressText)
{
    if (IsMetafile()) return false;
    m_sound.Close();
    m_svc.engine.ClearError();
    if (!LockForEditing()) {
        ReportFailure(name, LockedMessage(m_path));
        return false;
    }
    // The first edit of a WAV reads the user's file itself; it stays as it
    // is and becomes what Undo returns to.
    const bool inPlace = !m_workingCopyExists && ReadsInPlace();
    const std::string previous = inPlace ? m_path : WorkingFileName(true);
    if (previous.empty()) {
        ReportFailure(name, m_svc.engine.LastError().empty() ? "the sound could not be copied for editing"
                                                             : m_svc.engine.LastError());
        return false;
    }
    const std::string fresh = NewWorkingName();
    if (fresh.empty()) {
        ReportFailure(name, "no temporary file could be made in " + m_svc.temps.Folder().string());
        return false;
    }
    if (!m_svc.engine.CreateLike(fresh, previous)) {
        Unlink(fresh);
        ReportFailure(name, m_svc.engine.LastError());
        return false;
    }
    if (!progressText.empty()) {
        m_svc.prompt.BeginProgress(progressText);
        m_svc.engine.SetProgress([this](double f) { return m_svc.prompt.UpdateProgress(f); });
    }
    const int ok = op(previous, fresh);
    if (!progressText.empty()) {
        m_svc.engine.SetProgress({});
        m_svc.prompt.EndProgress();
    }
    if (!ok) {
        Unlink(fresh);
        if (!m_svc.engine.WasCancelled()) ReportFailure(name, m_svc.engine.LastError());
        RefreshAfterEdit();
        return false;
    }
    // An older version goes; the user's file only leaves the slot.
    if (!IsUsersFile(m_undoFile)) Unlink(m_undoFile);
    if (inPlace) m_usersFile = m_path;
    m_undoFile = previous;
    m_workingCopy = fresh;
    m_workingCopyExists = true;
    m_undoMenuText = "Undo " + name + "\tCtrl+Z";
    RefreshAfterEdit();
    m_modified = true;
    if (m_svc.engine.HasClipped())
        m_svc.prompt.ShowMessage("\"" + name + "\" limited samples that lay beyond full scale to full scale.");
    return true;
}

// The user's file itself is only ever read (a read-only medium, or a file
// another program holds open, works); only the working copy is written.
void CTavrilDoc::OpenForReading()
{
    const std::string name = WorkingFileName(false);
    if (m_workingCopyExists && name == m_workingCopy && !IsUsersFile(name)) m_sound.Open(name);
    else m_sound.OpenReadOnly(name);
}

bool CTavrilDoc::LockForEditing()
{
    // Also after a save: the next edit must again keep others out until the
    // next save.
    if (m_lock.IsLocked() || m_path == kUntitled) return true;
    return m_lock.TryLock(m_path);
}

void CTavrilDoc::Undo()
{
    if (m_undoFile.empty() || !m_workingCopyExists) return;
    std::swap(m_workingCopy, m_undoFile);
    if (m_undoMenuText.compare(0, 2, "Un") == 0) m_undoMenuText.replace(0, 2, "Re");
    else if (m_undoMenuText.compare(0, 2, "Re") == 0) m_undoMenuText.replace(0, 2, "Un");
    RefreshAfterEdit();
}

void CTavrilDoc::RefreshAfterEdit()
{
    m_sound.Close();
    m_sound.Reset();
    OpenForReading();
    m_sound.Close();
}

void CTavrilDoc::ApplyFormatInfo(double rate, uint32_t bits, uint32_t)
{
    // The change goes to the working copy: the user's file changes only when
    // saved, like after any other edit.
    CSoundFile* s = SoundForEditing();
    if (!s) return;
    bool changed = false;
    if (rate > 0 && rate != s->GetSampleRate()) {
        s->SetSampleRate(rate);
        changed = true;
    }
    if (bits > 0 && bits != s->GetBitsPerSample()) {
        if (!s->SetBitsPerSample(bits))
            m_svc.prompt.ShowMessage("The sample width could not be changed to " + std::to_string(bits) + " bits.");
        changed = true;
    }
    s->Close();
    if (changed) m_modified = true;
}

uint32_t CTavrilDoc::LengthFrames()
{
    const uint32_t n = SoundForReading()->GetFrameCount();
    m_sound.Close();
    return n;
}

uint32_t CTavrilDoc::LengthMs()
{
    CSoundFile* s = SoundForReading();
    const double rate = s->GetSampleRate();
    const uint32_t n = s->GetFrameCount();
    m_sound.Close();
    return rate > 0 ? static_cast<uint32_t>(std::trunc(n * 1000.0 / rate)) : 0;
}

bool CTavrilDoc::OpenDocument(const std::string& path)
{
    std::error_code ec;
    if (!fs::exists(path, ec) && !ec) return false;
    CloseDocument();
    m_path = path;
    m_saved = true;
    m_openRefused = false;
    m_sound.Close();
    m_sound.Reset();
    m_workingCopy.clear();
    m_workingCopyExists = false;
    const int32_t format = CSoundFile::FormatFromName(path);
    if (format == kFormatMeta) {
        if (!m_sound.Open(path)) {
            m_openRefused = true;
            m_svc.prompt.ShowMessage("Error opening metafile " + path +
                                     ". The file may be corrupt, or the media containing it's sound files may not "
                                     "be inserted");
        }
    } else if ((format == kFormatSig || format == kFormatSnd) ? !MakeWorkingCopy(path) : !m_sound.OpenReadOnly(path)) {
        // SIG and SND are read only through a WAV working copy.
        m_openRefused = true;
        const std::string why = DescribeSoundFileProblem(path);
        m_svc.prompt.ShowMessage("Error opening soundfile " + path + ". The file may be corrupt" +
                                 (why.empty() ? std::string() : "\n" + why));
    }
    m_openedCutShort = m_sound.HasTruncation();
    m_sound.Close();
    m_modified = false;
    ResetUndo();
    LoadAnnotations();
    return true;
}

bool CTavrilDoc::WriteWorkingCopyTo(const std::string& target, const SaveProgress& progress, bool& consumed)
{
    consumed = false;
    m_sound.Close();
    int32_t format = EngineFormatFromName(target);
    if (format == kFormatUnknown) format = DefaultFileFormat();
    std::string error;
    if (RateLostIn(format, error)) {
        m_svc.prompt.ShowMessage("The sound could not be saved to " + target + ": " + error + ". The file was not changed.");
        return false;
    }
    // A finished WAV working copy on the target's file system is the new
    // version itself: renamed into place, not copied. On another file
    // system it is copied below, and kept until that copy is in place.
    if (format == kFormatWav && !IsUsersFile(m_workingCopy) && SourceFormat(m_workingCopy) == kFormatWav) {
        // What takes time here is getting the new version onto the disk;
        // until it is renamed the save can still be stopped.
        const int flushed = FlushInSteps(m_workingCopy, progress ? progress : SaveProgress([](double) { return true; }), error);
        if (flushed < 0) {
            m_saveCancelled = true;
            return false;
        }
        bool crossDevice = false;
        if (flushed == 1 && CarryFromOriginal(m_workingCopy, error) &&
            MoveOver(m_workingCopy, target, error, crossDevice)) {
            if (progress) progress(1.0);
            m_svc.temps.TidyNear(target);
            consumed = true;
            m_saved = true;
            return true;
        }
        if (!crossDevice) {
            m_svc.prompt.ShowMessage("The sound could not be saved to " + target + ": " + error +
                                     ". The file was not changed.");
            return false;
        }
        error.clear();
    }
    const std::string temp = SaveTempFor(target, ExtensionOf(format), error);
    bool ok = !temp.empty() && ConvertInto(m_workingCopy, temp, kFormatWav, format, error, progress);
    ok = ok && CarryFromOriginal(temp, error);
    if (!FinishSave(ok, temp, target, error)) return false;
    m_saved = true;
    return true;
}

// The new version gets what the sound's file held besides its samples: the
// metadata chunks its recorder and other programs wrote, and an AIFF rate
// that the WAV working copy could state only in whole hertz.
bool CTavrilDoc::CarryFromOriginal(const std::string& written, std::string& error)
{
    m_droppedChunks.clear();
    if (m_path == kUntitled || !FileExists(m_path)) return true;
    if (!CarryMetadataChunks(m_path, written, m_droppedChunks, error)) return false;
    if (!CarryExactRate(m_path, written)) {
        error = "Cannot write the sample rate into " + written;
        return false;
    }
    return true;
}

// Whether saving in `targetFormat` would change the rate the sound's file
// states (a fractional AIFF rate into a WAV); `why` then says so.
bool CTavrilDoc::RateLostIn(int32_t targetFormat, std::string& why)
{
    if (m_path == kUntitled || CSoundFile::SniffFormat(m_path) != kFormatAiff) return false;
    CSoundFile original;
    if (!original.OpenReadOnly(m_path)) return false;
    const double exact = original.GetSampleRate();
    original.Close();
    CSoundFile* s = SoundForReading();
    const double current = s->GetSampleRate();
    m_sound.Close();
    return (current == exact || current == std::max(1.0, std::floor(exact))) && !FormatHoldsRate(targetFormat, exact, why);
}

// Puts a fully written temporary file in place of the target, or, when the
// writing failed or was cancelled, removes it and leaves the target alone.
bool CTavrilDoc::FinishSave(bool written, const std::string& temp, const std::string& target, std::string& error)
{
    if (!written) Unlink(temp);
    struct Tidy {
        CTempFiles& temps;
        const std::string& target;
        ~Tidy() { temps.TidyNear(target); }
    } tidy{m_svc.temps, target};
    if (!written && error == kConvertCancelled) {
        m_saveCancelled = true;
        return false;
    }
    if (written && ReplaceWith(temp, target, error) == 1) return true;
    m_svc.prompt.ShowMessage("The sound could not be saved to " + target + ": " + error +
                             ". The file was not changed.");
    return false;
}

bool CTavrilDoc::SaveDocument(const std::string& target, const SaveProgress& progress)
{
    m_saveCancelled = false;
    if (!m_workingCopyExists && m_path != kUntitled && !FileExists(m_path)) return false;
    m_sound.Close();
    struct stat st {};
    if (target.empty() || (::stat(target.c_str(), &st) != 0 && errno != ENOENT)) {
        m_svc.prompt.ShowMessage("Invalid Path Name");
        return false;
    }
    // A metafile's samples are its members, never rewritten; saving it
    // writes its annotations.
    if (CSoundFile::FormatFromName(target) == kFormatMeta) {
        if (target != m_path || !SaveAnnotations()) return false;
        m_modified = false;
        return true;
    }
    if (IsWriteProtected(target)) {
        m_svc.prompt.ShowMessage("The sound could not be saved to " + target + ": " + ReadOnlyMessage(target) +
                                 ". The file was not changed.");
        return false;
    }
    // Another Tavril editing the target would lose its edit, or this one.
    CFileLock targetLock;
    if (!(m_lock.IsLocked() && target == m_lock.Path()) && !targetLock.TryLock(target)) {
        m_svc.prompt.ShowMessage("The sound could not be saved to " + target + ": " + LockedMessage(target) +
                                 ". The file was not changed.");
        return false;
    }

    if (!m_workingCopyExists && m_path == kUntitled && !MakeUntitledWorkingCopy()) return false;
    if (m_workingCopyExists) {
        bool consumed = false;
        if (!WriteWorkingCopyTo(target, progress, consumed)) return false;
        m_lock.Unlock();  // the locked file was replaced or is no longer the document's
        // A working copy renamed into place, or the user's file itself, is
        // no working copy any more: the document reads its file again.
        if (consumed || IsUsersFile(m_workingCopy)) {
            m_workingCopy.clear();
            m_workingCopyExists = false;
        }
        ResetUndo();
        m_usersFile.clear();
        m_path = target;
        m_saved = true;
        m_modified = false;
        m_sound.Reset();
        return true;
    }
    if (target != m_path) return SaveCopyTo(target, progress) && OpenDocument(target);
    m_modified = false;
    return true;
}

// An unedited sound saved under another name: its file, converted when the
// new name asks for another format.
bool CTavrilDoc::SaveCopyTo(const std::string& target, const SaveProgress& progress)
{
    int32_t from = SourceFormat(m_path);
    if (from == kFormatUnknown) from = DefaultFileFormat();
    int32_t to = EngineFormatFromName(target);
    if (to == kFormatUnknown) to = DefaultFileFormat();
    std::string error;
    if (RateLostIn(to, error)) {
        m_svc.prompt.ShowMessage("The sound could not be saved to " + target + ": " + error + ". The file was not changed.");
        return false;
    }
    const std::string temp = SaveTempFor(target, ExtensionOf(to), error);
    bool ok = !temp.empty();
    if (ok)
        ok = from == to && !progress ? CopyFileBytes(m_path, temp, error) == 1
                                     : ConvertInto(m_path, temp, from, to, error, progress);
    ok = ok && CarryFromOriginal(temp, error);
    return FinishSave(ok, temp, target, error);
}

void CTavrilDoc::CloseDocument()
{
    m_lock.Unlock();
    m_sound.Close();
    if ((m_workingCopyExists || !m_workingCopy.empty()) && !IsUsersFile(m_workingCopy)) Unlink(m_workingCopy);
    m_workingCopy.clear();
    m_workingCopyExists = false;
    ResetUndo();
    m_usersFile.clear();
    m_sound.Reset();
    m_annotations.Clear();
    m_annotationPath.clear();
    if (!m_path.empty() && m_path != kUntitled) m_svc.temps.TidyNear(m_path);
    if (!m_workNear.empty()) m_svc.temps.TidyNear(m_workNear);
}

bool CTavrilDoc::Rename(const std::string& newPath)
{
    if (newPath == m_path) return true;
    if (m_path == kUntitled) return SaveDocument(newPath);
    if (m_modified && !SaveDocument(m_path)) return false;
    m_sound.Close();
    std::string error;
    if (!MoveFileSafely(m_path, newPath, error)) {
        m_svc.prompt.ShowMessage(error, "Error");
        return false;
    }
    // The user's file may stand in a slot; it is there under its new name.
    for (std::string* slot : {&m_workingCopy, &m_undoFile, &m_usersFile})
        if (*slot == m_path) *slot = newPath;
    m_path = newPath;
    if (!m_workingCopyExists) m_sound.Reset();
    return true;
}

// ---- clipboard commands ----

std::string CTavrilDoc::ReadableFileName()
{
    SoundForReading();
    m_sound.Close();
    std::string name = WorkingFileName(false);
    // A metafile's members are read in series by the sound object itself.
    if (IsMetafile()) return name;
    // Formats the sound object cannot read directly (SIG, SND) are read
    // through the working copy.
    const int32_t format = SourceFormat(name);
    if (format != kFormatWav && format != kFormatAiff) {
        const std::string work = WorkingFileName(true);
        if (!work.empty()) name = work;
    }
    return name;
}

bool CTavrilDoc::WriteClip(const std::function<int(const std::string& clip)>& write)
{
    CSoundClipboard& cb = m_svc.clipboard;
    std::string error;
    if (!cb.Prepare()) {
        m_svc.prompt.ShowMessage("The clipboard folder " + cb.Folder() + " cannot be used.");
        return false;
    }
    const std::string temp = MakeTempBeside(cb.ClipPath(), ".wav", error);
    m_svc.engine.ClearError();
    if (temp.empty() || !write(temp)) {
        Unlink(temp);
        m_svc.prompt.ShowMessage("The selection could not be copied: " +
                                 (temp.empty() ? error : m_svc.engine.LastError()) + ".");
        return false;
    }
    if (!ReplaceWith(temp, cb.ClipPath(), error)) {
        m_svc.prompt.ShowMessage("The selection could not be copied: " + error + ".");
        return false;
    }
    cb.SetHasSound(true);
    return true;
}

bool CTavrilDoc::Copy(const FrameSelection& sel)
{
    if (sel.Length() < 1) return false;
    const std::string source = ReadableFileName();
    return WriteClip([&](const std::string& clip) {
        return m_svc.engine.CopyToNewFile(clip, source, sel.Start(), sel.Length());
    });
}

bool CTavrilDoc::CopyInSelectedChannel(const FrameSelection& sel, uint32_t channel)
{
    if (sel.Length() < 1) return false;
    const std::string source = ReadableFileName();
    return WriteClip([&](const std::string& clip) {
        return m_svc.engine.CopyChannelToNewFile(clip, source, sel.Start(), sel.Length(), channel);
    });
}

bool CTavrilDoc::Cut(const FrameSelection& sel)
{
    if (sel.Length() < 1 || IsMetafile()) return false;
    CSoundClipboard& cb = m_svc.clipboard;
    if (!cb.Prepare()) {
        m_svc.prompt.ShowMessage("The clipboard folder " + cb.Folder() + " cannot be used.");
        return false;
    }
    std::string clipTemp;
    const bool ok = RunEdit("Cut", [&](const std::string& previous, const std::string& working) {
        std::string error;
        clipTemp = MakeTempBeside(cb.ClipPath(), ".wav", error);
        if (clipTemp.empty()) return m_svc.engine.Fail(error);
        if (!m_svc.engine.Cut(clipTemp, previous, working, sel.Start(), sel.Length())) return 0;
        if (!ReplaceWith(clipTemp, cb.ClipPath(), error)) return m_svc.engine.Fail(error);
        clipTemp.clear();
        return 1;
    });
    Unlink(clipTemp);
    if (ok) cb.SetHasSound(true);
    return ok;
}

bool CTavrilDoc::PasteInsert(uint32_t leftFrame)
{
    CSoundClipboard& cb = m_svc.clipboard;
    if (!cb.HasSound() || IsMetafile()) return false;
    return RunEdit("Paste", [&](const std::string& previous, const std::string& working) {
        CEditEngine::Info info;
        if (!m_svc.engine.GetInfo(previous, info)) return 0;
        if (info.rate > 0 && info.frames * 1000.0 / info.rate >= 1.0)
            return m_svc.engine.Insert(previous, working, cb.ClipPath(), 0, leftFrame, -1, CEditEngine::kInsert);
        // Pasting into an empty sound: the clip becomes the sound, in its own format.
        std::string error;
        if (!CopyFileBytes(cb.ClipPath(), working, error)) return m_svc.engine.Fail(error);
        return 1;
    });
}

bool CTavrilDoc::Trim(const FrameSelection& sel)
{
    if (sel.Length() < 1 || IsMetafile()) return false;
    return RunEdit("Trim", [&](const std::string& previous, const std::string& working) {
        return m_svc.engine.Trim(previous, working, sel.Start(), sel.Length());
    });
}

bool CTavrilDoc::DeleteSelection(const FrameSelection& sel)
{
    if (sel.Length() < 1 || IsMetafile()) return false;
    return RunEdit("Delete", [&](const std::string& previous, const std::string& working) {
        return m_svc.engine.DeleteRange(previous, working, sel.Start(), sel.Length());
    });
}

// ---- tools ----

bool CTavrilDoc::Maximize(uint32_t channel)
{
    return RunEdit("Maximize", [&](const std::string& p, const std::string& w) {
        return m_svc.tools.Maximize(p, w, channel);
    });
}

bool CTavrilDoc::Amplify(double percent, uint32_t channel)
{
    return RunEdit("Amplify", [&](const std::string& p, const std::string& w) {
        return m_svc.tools.Amplify(p, w, percent / 100.0, channel);
    });
}

bool CTavrilDoc::Ramp(double beginMs, double endMs, uint32_t channel)
{
    return RunEdit("Ramp", [&](const std::string& p, const std::string& w) {
        return m_svc.tools.Ramp(p, w, beginMs, endMs, channel);
    });
}

bool CTavrilDoc::Reverse(const FrameSelection& sel, uint32_t channel)
{
    const uint32_t start = sel.Length() < 1 ? 0 : sel.Start();
    const int64_t count = sel.Length() < 1 ? -1 : int64_t(sel.Length());
    return RunEdit("Reverse", [&](const std::string& p, const std::string& w) {
        return m_svc.tools.Reverse(p, w, start, count, channel);
    });
}

bool CTavrilDoc::InsertSilence(uint32_t leftFrame, double durationMs, uint32_t channel)
{
    if (!(durationMs >= 1)) return false;
    return RunEdit("Insert Silence", [&](const std::string& p, const std::string& w) {
        return m_svc.tools.InsertSilence(p, w, leftFrame, durationMs, channel);
    });
}

bool CTavrilDoc::InsertNoise(uint32_t leftFrame, double durationMs, double amplitudePct, uint32_t channel)
{
    if (!(durationMs >= 1)) return false;
    return RunEdit("Insert Noise", [&](const std::string& p, const std::string& w) {
        return m_svc.tools.InsertNoise(p, w, leftFrame, durationMs, amplitudePct / 100.0, channel);
    });
}

bool CTavrilDoc::InsertTone(uint32_t leftFrame, const ToneParams& tone, uint32_t channel)
{
    if (!(tone.durationMs > 0)) return false;
    return RunEdit("Insert generated sound", [&](const std::string& p, const std::string& w) {
        return m_svc.tools.InsertTone(p, w, leftFrame, tone, channel);
    });
}

bool CTavrilDoc::AmplitudeEnvelope(const std::string& envelopeFile, double resolutionMs, uint32_t channel)
{
    return RunEdit("Amplitude Envelope", [&](const std::string& p, const std::string& w) {
        return m_svc.tools.AmplitudeEnvelope(p, w, envelopeFile, resolutionMs, channel);
    });
}

// ---- filters and multiple tools ----

namespace {

BandFilterParams ParamsFrom(const FilterSettings& s, double highpassHz, double lowpassHz)
{
    BandFilterParams p;
    p.stopGain = s.ampReductionPct / 100.0;
    p.highpassHz = highpassHz;
    p.lowpassHz = lowpassHz;
    p.freqRampHz = s.freqRampHz;
    p.timeRampMs = s.timeRampMs;
    return p;
}

} // namespace

bool CTavrilDoc::PresetFilter(const FrameSelection& sel, uint32_t channel, const FilterSettings& settings)
{
    const BandFilterParams p = ParamsFrom(settings, settings.hipassFreqHz, settings.lopassFreqHz);
    const uint32_t start = sel.Length() < 1 ? 0 : sel.Start();
    const int64_t count = sel.Length() < 1 ? -1 : int64_t(sel.Length());
    return RunEdit("Filter", [&](const std::string& prev, const std::string& work) {
        return m_svc.filter.BandFilter(prev, work, start, count, p, channel);
    });
}

bool CTavrilDoc::FilterUsingFreqCursors(const FrameSelection& sel, uint32_t channel, double lowerHz, double upperHz,
                                        const FilterSettings& settings)
{
    if (lowerHz > upperHz) std::swap(lowerHz, upperHz);
    const BandFilterParams p = ParamsFrom(settings, lowerHz, upperHz);
    const uint32_t start = sel.Length() < 1 ? 0 : sel.Start();
    const int64_t count = sel.Length() < 1 ? -1 : int64_t(sel.Length());
    return RunEdit("Filter", [&](const std::string& prev, const std::string& work) {
        return m_svc.filter.BandFilter(prev, work, start, count, p, channel);
    }, "Filtering Data......");
}

bool CTavrilDoc::FilterNoise(const FrameSelection& sel, uint32_t channel)
{
    const uint32_t start = sel.Length() < 1 ? 0 : sel.Start();
    const int64_t count = sel.Length() < 1 ? -1 : int64_t(sel.Length());
    return RunEdit("Filter Noise", [&](const std::string& prev, const std::string& work) {
        return m_svc.filter.NoiseFilter(prev, work, start, count, channel);
    }, "Filtering Noise......");
}

bool CTavrilDoc::ApplyMultipleTools(uint32_t channel, const MultiToolSettings& settings)
{
    const std::string title = fs::path(m_path).filename().string();
    return RunEdit("Multi Tool", [&](const std::string& prev, const std::string& work) {
        return m_svc.multiTool.Apply(prev, work, settings, channel);
    }, "Applying tools to " + title);
}

bool CTavrilDoc::KlipNSave(const FrameSelection& sel, uint32_t channel, const KlipNSaveSettings& settings,
                           const KlipNameInputs& inputs, std::string* savedPath)
{
    if (sel.Length() < 1) return false;
    const int32_t defaultFormat = DefaultFileFormat();
    const std::string ext = defaultFormat == kFormatAiff ? "aif" : defaultFormat == kFormatSig ? "sig" : "wav";
    const fs::path soundPath(m_path);
    std::string proposed = soundPath.stem().string();
    if (settings.autofillOn) {
        KlipNameInputs in = inputs;
        in.soundFileName = m_path;
        in.channel = channel;
        if (!in.askText)
            in.askText = [this](std::string& text) {
                return m_svc.prompt.AskText("Text for %e in the clip's file name:", "Klip n' Save", text);
            };
        if (!ComposeKlipName(settings.filenameTemplate, in, proposed)) return false;
    }
    // The sound's own file is never offered: a clip saved there would replace it.
    auto isOwnFile = [this](const fs::path& p) {
        std::error_code ec;
        const fs::path own = fs::absolute(m_path, ec).lexically_normal();
        return fs::absolute(p, ec).lexically_normal() == own || fs::equivalent(p, own, ec);
    };
    if (isOwnFile(soundPath.parent_path() / (proposed + "." + ext))) proposed += " clip";
    IPrompt::PathRequest req;
    req.title = "Enter a Filename to Save Clip to:";
    req.filter = "Sound files (*.wav;*.sig;*.snd;*.aif;*.aiff)|*.wav;*.sig;*.snd;*.aif;*.aiff|";
    req.defaultExtension = ext;
    req.proposedPath = (soundPath.parent_path() / (proposed + "." + ext)).string();
    req.forSaving = true;
    std::string target;
    if (!m_svc.prompt.ChoosePath(req, target) || target.empty()) return false;
    if (fs::path(target).extension().empty()) target += "." + ext;
    if (isOwnFile(target)) {
        m_svc.prompt.ShowMessage("A clip cannot be saved over the sound it is cut from (" + target +
                                 "). Choose another name.");
        return false;
    }

    const std::string source = ReadableFileName();
    int32_t format = EngineFormatFromName(target);
    if (format == kFormatUnknown) format = defaultFormat;
    std::string error;
    const std::string temp = MakeTempBeside(target, ".wav", error);
    bool ok = !temp.empty();
    m_svc.engine.ClearError();
    if (ok && !m_svc.engine.CopyChannelToNewFile(temp, source, sel.Start(), sel.Length(), channel)) {
        error = m_svc.engine.LastError();
        ok = false;
    }
    if (ok) ok = format == kFormatWav ? ReplaceWith(temp, target, error) == 1
                                      : ConvertFile(temp, target, kFormatWav, format, error) == 1;
    Unlink(temp);
    if (!ok) {
        m_svc.prompt.ShowMessage("The clip could not be saved to " + target + ": " + error + ".");
        return false;
    }
    if (savedPath) *savedPath = target;
    return true;
}

} // namespace tavril
