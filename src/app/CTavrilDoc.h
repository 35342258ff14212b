#pragma once
// CTavrilDoc: the document of one sound window: the user's file, the working
// copy every edit writes to, one level of undo with redo, and the editing
// commands of the window expressed without any window, so that the GUI,
// tavril-cli and the tests run exactly the same steps.
//
// The user's file is never edited: the first edit of a WAV reads the user's
// file itself as the previous version (it stands in the undo slot, is never
// written, renamed or deleted from there, and is only dropped from the slot
// by the next edit), every edit writes a new version from the previous one
// into a working copy beside the sound (CTempFiles::NewNameNear), and saving
// renames the finished working copy over the target when both lie on one
// file system, else converts it into a temporary file beside the target
// that is renamed over it; a save the user cancels leaves the
// user's file, the working copy and undo exactly as they were, and is no
// failure to report. An edit that fails is reported
// through the prompt and leaves the document exactly as it was (sound, undo
// file and menu text).
//
// Ownership: owns its CSoundFile, its working copy and its undo file (deleted
// on close); uses, but does not own, the services handed in (prompt,
// temporary files, clipboard, engine, tools). Threading: one thread at a
// time (the desktop program saves on a worker while no window reads it).

#include "AnnotationFile.h"
#include "CSoundFile.h"
#include "CToneGenerator.h"
#include "FileSafety.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavril {

class IPrompt;
class CTempFiles;
class CSoundClipboard;
class CEditEngine;
class CSoundTools;
class CSoundFilter;
class CMultiTool;
struct FilterSettings;
struct MultiToolSettings;
struct KlipNSaveSettings;
struct KlipNameInputs;

// The program-wide objects a document works with.
struct DocServices {
    IPrompt& prompt;
    CTempFiles& temps;
    CSoundClipboard& clipboard;
    CEditEngine& engine;
    CSoundTools& tools;
    CSoundFilter& filter;
    CMultiTool& multiTool;
    std::string settingsFile;  // "" = the default settings file
};

// A range of frames chosen by the two time cursors (in either order).
struct FrameSelection {
    uint32_t left = 0;
    uint32_t right = 0;
    uint32_t Start() const { return left < right ? left : right; }
    uint32_t Length() const { return left < right ? right - left : left - right; }
};

class CTavrilDoc {
public:
    static constexpr const char* kUntitled = "untitled.wav";
    static constexpr const char* kCantUndo = "Can't Undo";

    explicit CTavrilDoc(const DocServices& services);
    ~CTavrilDoc();
    CTavrilDoc(const CTavrilDoc&) = delete;
    CTavrilDoc& operator=(const CTavrilDoc&) = delete;

    // Lifecycle.
    void NewDocument();
    bool OpenDocument(const std::string& path);
    // Takes a sound the program wrote into one of its own temporary files (a
    // recording stored under no name) as an untitled, modified document whose
    // working copy is that file: closing asks to save it, and the file stays
    // until the document lets it go.
    bool AdoptAsUntitled(const std::string& tempFile);
    // Whether the last OpenDocument found a file it could not read (the user
    // was told why); the document then holds an empty sound.
    bool OpenWasRefused() const { return m_openRefused; }
    // Told the fraction of a save done (0 ... 1) after every block, on the
    // thread that saves; false cancels the save.
    using SaveProgress = std::function<bool(double fraction)>;
    bool SaveDocument(const std::string& target, const SaveProgress& progress = {});
    // Whether the last SaveDocument was stopped by its progress hook.
    bool SaveWasCancelled() const { return m_saveCancelled; }
    // Ids of the metadata chunks the last save could not keep because the
    // target's format has no place for them (a WAV saved as AIFF).
    const std::vector<std::string>& DroppedChunks() const { return m_droppedChunks; }
    // Whether the file opened last was a recording cut short: its header
    // promised more frames than it holds, and the whole frames present are
    // the sound (for the window's status bar).
    bool OpenedCutShort() const { return m_openedCutShort; }
    // Takes the advisory lock on the document's file before it is read for
    // editing; false (with nothing read) when another Tavril is changing it.
    // Edits take it themselves; callers that read first take it first.
    bool LockForEditing();
    void CloseDocument();
    bool Rename(const std::string& newPath);
    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true) { m_modified = modified; }

    // The sound of the window, opened on the working copy when there is one.
    CSoundFile* SoundForReading();
    // Makes the working copy first; nullptr for a metafile or on failure.
    CSoundFile* SoundForEditing();
    std::string WorkingFileName(bool make);
    const std::string& UndoFileName() const { return m_undoFile; }
    bool CanUndo() const { return !m_undoFile.empty(); }
    const std::string& UndoMenuText() const { return m_undoMenuText; }
    // The previous version becomes the undo file and a fresh, empty working
    // copy in its format is made. Commands use RunEdit, which does this only
    // once the new version is complete.
    bool PushUndo(const std::string& name);
    void Undo();
    void RefreshAfterEdit();
    void ApplyFormatInfo(double rate, uint32_t bits, uint32_t channels);
    uint32_t LengthFrames();
    uint32_t LengthMs();

    const std::string& Path() const { return m_path; }
    const std::string& WorkingCopyName() const { return m_workingCopy; }
    bool HasWorkingCopy() const { return m_workingCopyExists; }
    bool IsSaved() const { return m_saved; }
    bool IsMetafile() const;

    // Clipboard commands. Each returns true when it did what was asked.
    bool Copy(const FrameSelection& sel);
    bool CopyInSelectedChannel(const FrameSelection& sel, uint32_t channel);
    bool Cut(const FrameSelection& sel);
    bool PasteInsert(uint32_t leftFrame);
    bool Trim(const FrameSelection& sel);
    bool DeleteSelection(const FrameSelection& sel);

    // Tools, on one channel.
    bool Maximize(uint32_t channel);
    bool Amplify(double percent, uint32_t channel);
    bool Ramp(double beginMs, double endMs, uint32_t channel);
    bool Reverse(const FrameSelection& sel, uint32_t channel);
    bool InsertSilence(uint32_t leftFrame, double durationMs, uint32_t channel);
    bool InsertNoise(uint32_t leftFrame, double durationMs, double amplitudePct, uint32_t channel);
    bool InsertTone(uint32_t leftFrame, const ToneParams& tone, uint32_t channel);
    bool AmplitudeEnvelope(const std::string& envelopeFile, double resolutionMs, uint32_t channel);

    // Filters over the selection (none: the whole sound).
    bool PresetFilter(const FrameSelection& sel, uint32_t channel, const FilterSettings& settings);
    // Highpass at the lower frequency cursor, lowpass at the upper one.
    bool FilterUsingFreqCursors(const FrameSelection& sel, uint32_t channel, double lowerHz, double upperHz,
                                const FilterSettings& settings);
    bool FilterNoise(const FrameSelection& sel, uint32_t channel);
    bool ApplyMultipleTools(uint32_t channel, const MultiToolSettings& settings);

    // Klip n' Save: proposes a name (from the template when "autofill on"),
    // lets the user confirm it and writes the selected channel's span there
    // in the format its name asks for. `savedPath` receives the file written.
    bool KlipNSave(const FrameSelection& sel, uint32_t channel, const KlipNSaveSettings& settings,
                   const KlipNameInputs& inputs, std::string* savedPath = nullptr);

    // Runs `op(previous, working)` as one undoable edit named `name`. The new
    // version is written into a fresh file shaped like the previous one; only
    // when `op` succeeds does it become the working copy. `progressText`
    // non-empty shows a progress window that can cancel.
    using EditOp = std::function<int(const std::string& previous, const std::string& working)>;
    bool RunEdit(const std::string& name, const EditOp& op, const std::string& progressText = {});

    // Working copies go beside `path` instead of beside the sound (the
    // command line's edit, whose result goes there).
    void PlaceWorkingCopiesNear(const std::string& path) { m_workNear = path; }

    // The "Default File Format" setting as a format code.
    int32_t DefaultFileFormat() const;

    // Annotations of the sound: a metafile names their file. Changes not yet
    // written count as a modification and are written by SaveDocument.
    AnnotationFile& Annotations() { return m_annotations; }
    const std::string& AnnotationPath() const { return m_annotationPath; }
    bool HasAnnotationFile() const { return !m_annotationPath.empty(); }
    // The recording's start (from the metafile), which dates annotations.
    const CivilTime& RecordingStart() const { return m_recordingStart; }
    // Reads the annotation file the sound's metafile names (none for other
    // sounds); a file that cannot be read is reported, and has no records.
    void LoadAnnotations();
    // Writes every annotation with the start time and date settings; false
    // (reported) when the file could not be replaced.
    bool SaveAnnotations();
    // After a change of the annotations: saved at once when the settings
    // say so, else the document is marked modified.
    void AnnotationsChanged();

private:
    bool MakeWorkingCopy(const std::string& source);
    bool MakeUntitledWorkingCopy();
    bool ConvertInto(const std::string& source, const std::string& target, int32_t sourceFormat,
                     int32_t targetFormat, std::string& error, const SaveProgress& progress = {});
    bool WriteWorkingCopyTo(const std::string& target, const SaveProgress& progress, bool& consumed);
    bool IsUsersFile(const std::string& name) const;
    bool ReadsInPlace() const;
    std::string NewWorkingName();
    std::string SaveTempFor(const std::string& target, const std::string& extension, std::string& error);
    bool SaveCopyTo(const std::string& target, const SaveProgress& progress);
    bool FinishSave(bool written, const std::string& temp, const std::string& target, std::string& error);
    void OpenForReading();
    bool CarryFromOriginal(const std::string& written, std::string& error);
    bool RateLostIn(int32_t targetFormat, std::string& why);
    void ResetUndo();
    void ReportFailure(const std::string& what, const std::string& reason);
    std::string ReadableFileName();
    bool WriteClip(const std::function<int(const std::string& clip)>& write);

    DocServices m_svc;
    std::string m_undoMenuText = kCantUndo;
    std::string m_workingCopy;
    std::string m_path;
    std::string m_undoFile;
    std::string m_usersFile;  // the user's file while it stands in a slot
    std::string m_workNear;
    bool m_workingCopyExists = false;
    bool m_saved = false;
    bool m_modified = false;
    bool m_openRefused = false;
    bool m_saveCancelled = false;
    std::vector<std::string> m_droppedChunks;
    bool m_openedCutShort = false;
    CFileLock m_lock;
    CSoundFile m_sound;
    AnnotationFile m_annotations;
    std::string m_annotationPath;
    CivilTime m_recordingStart;
};

} // namespace tavril
