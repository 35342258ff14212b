#pragma once
// CEditCommands: carries out the editing commands of a sound window and the
// file commands that change files: clipboard commands and undo, the tools
// with their dialogs, the filters, multiple tools and Klip n' Save, saving,
// renaming, reverting, loading into a window, deleting a sound file, and the
// headerless import. It decides when each command is enabled and which text
// the state-dependent menu items show.
//
// Long operations (filters, tools, batch processing, saves) keep the window
// alive: edits report progress after every block of samples to a progress
// window whose Cancel stops the edit, and the document then keeps its last
// good version with its undo state untouched; saves run on a worker thread
// with the same progress window, whose Cancel leaves the user's file, the
// edits and undo as they were. Every failure the editing core reports
// reaches the user through the prompt.
//
// The windows are reached through IEditHost, so the commands run the same
// with the main frame and in tests. Ownership: owned by the main frame; uses
// the services and the host, which outlive it. Threading: UI thread.

#include "CommandTable.h"
#include "CTavrilDoc.h"

#include <QString>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

class QDialog;
class QWidget;

namespace tavril {

class CEditServices;

// What a command needs to know about the window it runs in.
struct EditContext {
    CTavrilDoc* doc = nullptr;
    FrameSelection sel;           // left and right time cursors (frames)
    uint32_t channel = 0;         // the selected channel, from 0
    uint32_t channels = 1;        // channels of the sound
    bool spectrogram = false;     // the window shows the spectrogram
    bool freqCursorsShown = false;
    double lowerHz = 0.0;         // the two frequency cursors
    double upperHz = 0.0;
    bool hasCursorTime = false;   // the window shows clock times
    std::tm cursorTime{};         // clock time at the left cursor
};

// What the window has to do after a command.
struct EditOutcome {
    bool done = false;            // the command did what was asked
    bool soundChanged = false;    // the sound was rewritten: reopen and redraw
    bool clearSelection = false;
    bool fileChanged = false;     // the document now names another file (title)
    bool closeWindow = false;
};

// The main frame's side of the commands.
class IEditHost {
public:
    virtual ~IEditHost() = default;
    // Every sound window, for the commands over all windows.
    virtual std::vector<EditContext> AllWindows() = 0;
    // Opens a sound file in a new window (a clip, an import).
    virtual void OpenSoundWindow(const std::string& path) = 0;
    // The document was changed by a command: every window showing it reopens
    // its sound, redraws, and clears its selection when asked.
    virtual void DocumentChanged(CTavrilDoc* doc, const EditOutcome& outcome) = 0;
    // While a worker thread saves a document, no window may read a sound:
    // the host stops painting them between these calls.
    virtual void SuspendPainting(bool suspend) { (void)suspend; }
    // The filter (counting from 1) the save-as and load-into file dialogs start with.
    virtual int SaveAsFilterIndex() const { return 1; }
    virtual int LoadFilterIndex() const { return 1; }
};

class CEditCommands {
public:
    CEditCommands(CEditServices& services, IEditHost& host, QWidget* dialogParent);

    // Whether the command is carried out here.
    static bool Handles(Cmd id);
    // `ctx` null: no sound window is active.
    bool IsEnabled(Cmd id, const EditContext* ctx) const;
    // The text of items whose text follows the state (Undo, Copy); empty
    // for the others.
    QString MenuText(Cmd id, const EditContext* ctx) const;
    // Runs the command for the window `ctx` (null for commands that need
    // none) and tells the host what changed.
    EditOutcome Run(Cmd id, const EditContext* ctx);

    // True while a long operation runs; commands are refused meanwhile.
    bool IsBusy() const { return m_busy; }

    // Replaces QDialog::exec for the dialogs shown here (tests fill them in).
    using DialogDriver = std::function<int(QDialog&)>;
    void SetDialogDriver(DialogDriver driver) { m_driver = std::move(driver); }

    // Before a modified document is replaced or closed: "Save changes to
    // ...?" Yes saves (Save As for an untitled sound), No drops the edits.
    // False when the user cancelled or the save failed.
    bool AskToSaveChanges(CTavrilDoc& doc);

    // Saves `doc` to `target` on a worker thread with a progress window
    // that can cancel it.
    bool SaveDocument(CTavrilDoc& doc, const std::string& target);
    // Whether the user cancelled the last SaveDocument.
    bool SaveWasCancelled() const { return m_saveCancelled; }
    // Runs `fn` on a worker thread while the window shows `text` and keeps
    // handling events (but no input); returns what `fn` returned.
    bool RunInBackground(const std::string& text, const std::function<bool()>& fn);
    // The same for work that reports its progress (0 ... 1) to the hook it
    // is given: the prompt's progress window shows it, and once the user
    // pressed its Cancel the hook returns false.
    using WorkerProgress = std::function<bool(double fraction)>;
    bool RunCancellable(const std::string& text, const std::function<bool(const WorkerProgress&)>& fn);

private:
    class BusyScope;
    int Exec(QDialog& dialog);
    bool RunWorker(const std::string& text, const std::function<bool(const WorkerProgress&)>& fn, bool cancellable);
    // Runs an edit with engine progress reports to a cancellable window.
    bool WithProgress(const std::string& text, const std::function<bool()>& fn);
    EditOutcome Changed(bool ok, bool clearSelection = false) const;

    EditOutcome Amplify(const EditContext& c);
    EditOutcome Ramp(const EditContext& c);
    EditOutcome InsertSilence(const EditContext& c);
    EditOutcome InsertNoise(const EditContext& c);
    EditOutcome InsertTone(const EditContext& c);
    EditOutcome AmplitudeEnvelope(const EditContext& c);
    EditOutcome PresetFilter(const EditContext& c);
    EditOutcome FilterFreqCursors(const EditContext& c);
    void FilterSettingsDialog();
    void MultiToolSettingsDialog(const EditContext* c);
    void ApplyToAllWindows();
    void ApplyToFiles();
    EditOutcome KlipSave(const EditContext& c);
    void KlipSettingsDialog();
    EditOutcome Save(const EditContext& c);
    EditOutcome SaveAs(const EditContext& c);
    void SaveAll();
    EditOutcome Rename(const EditContext& c);
    EditOutcome Revert(const EditContext& c);
    EditOutcome LoadInto(const EditContext& c);
    EditOutcome DeleteAndClose(const EditContext& c);
    void ImportHeaderless();
    std::string DefaultExtension() const;

    CEditServices& m_svc;
    IEditHost& m_host;
    QWidget* m_parent;
    DialogDriver m_driver;
    bool m_busy = false;
    bool m_saveCancelled = false;
};

} // namespace tavril
