#pragma once
// CAnnotationCommands: the annotation and data logfile commands: logging a
// box from the cursors as an annotation (or a logfile line), editing,
// re-defining, deleting and stepping through annotations, reloading them,
// saving them, linking an annotation file to a sound, importing and
// exporting other programs' annotation files, the annotation settings, and
// the "Lo&g File" menu with the key list. It also writes the names of saved
// sounds to the logfile; played sounds reach it through LogPlayed.
//
// Hooked in front of the frame's other command extension (Chain). Viewer
// programs are started with an argument list, never through a shell.
// Ownership: owned by main() beside the frame, which outlives it. UI thread.

#include "AnnotationExchange.h"
#include "AnnotationSettings.h"
#include "CommandTable.h"
#include "DataLogger.h"
#include "frame/CMainFrame.h"

#include <QPointer>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QDialog;

namespace tavril {

class CAnnotationCommands {
public:
    CAnnotationCommands(CMainFrame& frame, IPrompt& prompt, std::string settingsFile = {});
    ~CAnnotationCommands();
    CAnnotationCommands(const CAnnotationCommands&) = delete;
    CAnnotationCommands& operator=(const CAnnotationCommands&) = delete;

    static bool Handles(Cmd id);
    bool IsEnabled(Cmd id, CTavrilView* v) const;
    QString MenuText(Cmd id, CTavrilView* v) const;
    void Run(Cmd id, CTavrilView* v);
    // This object's commands first, then `next`'s.
    CommandExtension Chain(CommandExtension next);

    // The window's log action (Enter): an annotation for a sound with an
    // annotation file, else a logfile line.
    void LogAction(CTavrilView& v);
    // A typed character: its key-list text to the logfile.
    bool OfferKey(char c);
    // Playback calls this for every sound it plays.
    void LogPlayed(const std::string& soundPath, CTavrilView* active);
    // After a sound window opens: offers a Raven table or Audacity label
    // file beside a sound without annotations.
    void OfferImportBeside(CTavrilView& v);

    DataLogger& Logger() { return m_logger; }
    const AnnotationSettings& Settings() const { return m_settings; }
    // Reads the annotation and logfile settings and the key list.
    void LoadSettings();

    // Replaces QDialog::exec (tests fill the dialogs in).
    using DialogDriver = std::function<int(QDialog&)>;
    void SetDialogDriver(DialogDriver d) { m_driver = std::move(d); }
    // Starts a viewer; the default starts it detached.
    using Launcher = std::function<bool(const std::vector<std::string>& argv)>;
    void SetLauncher(Launcher l) { m_launch = std::move(l); }

private:
    int Exec(QDialog& d);
    AnnotationRecord* Selected(CTavrilView& v) const;
    void Select(CTavrilView& v, const AnnotationRecord* r, bool bringIntoView);
    void Changed(CTavrilView& v);
    void RedrawWindowsOf(CTavrilDoc& doc, bool clearSelection);
    bool AskComment(std::string& comment, std::string* notes);
    void EditSelected(CTavrilView& v);
    void DeleteSelected(CTavrilView& v);
    void Step(CTavrilView& v, int direction);
    void StepBand(CTavrilView& v, int direction);
    void AddLink();
    void ImportAnnotations(CTavrilView& v, const std::string& path);
    void ExportAnnotations(CTavrilView& v);
    void ShowSettings();
    void ShowLogfileSettings();
    void View(const std::string& path);
    void DeleteAndLoadNext(CTavrilView& v);

    CMainFrame& m_frame;
    IPrompt& m_prompt;
    std::string m_settingsFile;
    AnnotationSettings m_settings;
    DataLogger m_logger;
    DialogDriver m_driver;
    Launcher m_launch;
    std::string m_viewerProgram;
    std::string m_viewerArgs;
    std::vector<QPointer<CTavrilView>> m_offered;
    QMetaObject::Connection m_watch;  // windows already asked about files beside
};

} // namespace tavril
