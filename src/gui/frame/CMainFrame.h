#pragma once
// CMainFrame: the program's main window. It holds every sound window in its
// window area, shows the short or the full menu bar, the toolbar and the
// status bar built from the command table, routes each command to the active
// view or handles it itself, and owns what applies to the whole program: the
// general, sizing, priority and default-format settings, the user menu, the
// recent-file list, the default display settings for new windows, display
// files and settings files.
//
// Created by main() with the prompt it asks the user through; owns its child
// windows. UI thread only.

#include "CEditEngine.h"
#include "CMultiTool.h"
#include "CSoundFilter.h"
#include "CSoundClipboard.h"
#include "CSoundTools.h"
#include "view/CTavrilView.h"
#include "CTempFiles.h"
#include "CommandTable.h"
#include "FrameSettings.h"
#include "IPrompt.h"
#include "WindowDisplaySettings.h"
#include "frame/WindowLayout.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QMenu;
class QMdiArea;
class QMdiSubWindow;
class QToolBar;

namespace tavril {

class CAnalysisCommands;
class CChildFrame;
class CCommandActions;
class CFrameDialogs;
class CFrameFiles;
class CFrameKeyRouter;
class CFrameMenuLists;
class CWindowArranger;

// Commands carried out outside the frame (the editing commands): asked first
// whether they take a command, whether it is enabled and what its item reads,
// and run with the active view (null when none is active).
struct CommandExtension {
    std::function<bool(Cmd)> handles;
    std::function<bool(Cmd, CTavrilView*)> enabled;
    std::function<QString(Cmd, CTavrilView*)> text;  // empty: the table's text
    std::function<void(Cmd, CTavrilView*)> run;
    // Before the last window of a changed document closes: false keeps it open.
    std::function<bool(CTavrilDoc&)> confirmClose;
    // Offered every enabled command first; true when it took the command
    // (arrow keys that step through annotations instead of windows).
    std::function<bool(Cmd, CTavrilView*)> intercept = {};
    // Before the program closes (ahead of the windows): false keeps it running.
    std::function<bool()> confirmExit = {};
};

// Who a typed character is offered to, in this order, until one takes it:
// the playback trial's begin and end keys, the play key of the first window
// that has one set to the character, and the logfile's key list.
struct TypedCharacterHandlers {
    std::function<bool(char)> trialKeys;
    std::function<bool(CTavrilView*)> playWindow;
    std::function<bool(char)> logKeys;
};

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // `services`: the objects the documents edit with; null makes the frame
    // own a set of its own (temporary files, clipboard, edit engine, tools).
    explicit CMainFrame(IPrompt& prompt, const DocServices* services = nullptr, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Start-up: create the default settings file when it is missing, then read
    // the frame's sections in their order.
    void LoadStartupSettings();
    // Exit: write the sections saved at every exit.
    void SaveExitSettings();

    // Opens a file the way "&Open..." does: display, settings or sound file.
    bool OpenAnyFile(const std::string& path);
    // Opens a sound file in a new window; the window shows an empty sound
    // (and the user is told) when the file cannot be read.
    CChildFrame* OpenSoundFile(const std::string& path);
    // Opens a second window on the sound of `source` (linked window).
    CChildFrame* OpenLinkedWindow(CTavrilView* source);

    // Replaces every extension by `ext` (an empty one removes them all).
    void SetCommandExtension(CommandExtension ext);
    // Adds one more; the first that handles a command takes it.
    void AddCommandExtension(CommandExtension ext);
    void SetTypedCharacterHandlers(TypedCharacterHandlers h) { m_typed = std::move(h); }
    // Offers a typed character as the frame does for keys no command takes;
    // true when someone took it.
    bool OfferTypedCharacter(char c);
    // The services the documents of this frame edit with.
    const DocServices& Services() const { return *m_services; }

    // Runs a command as if chosen from a menu or key.
    void Dispatch(Cmd id);
    // Recomputes enabled, checked and text states of every command.
    void UpdateCommandStates();
    bool IsEnabled(Cmd id) const;

    CCommandActions& Actions() { return *m_actions; }
    QMdiArea* Area() const { return m_area; }
    std::vector<CChildFrame*> Windows() const;
    CChildFrame* ActiveWindow() const;
    CTavrilView* ActiveView() const;
    void ActivateWindow(CChildFrame* w);
    QString StatusText() const;
    // A status text that cursor readouts do not overwrite (recording's);
    // empty hands the line back to the readouts and shows "Ready".
    void SetStatusText(const QString& text);
    bool IsFullMenuShown() const { return m_fullMenu; }
    // The display file last opened or saved (empty when none).
    const std::string& CurrentDisplayFile() const;

    // Display files, settings files and text lists of sounds.
    CFrameFiles& Files() { return *m_files; }
    // Correlation and spectrogram export of the active window.
    CAnalysisCommands& Analysis() { return *m_analysis; }

    // Used by the file commands to rebuild windows from a display.
    std::shared_ptr<CSoundDocument> NewDocument();
    CChildFrame* AddWindow(std::shared_ptr<CSoundDocument> doc, const WindowDisplaySettings& s);
    // The display settings a window opened now starts with.
    WindowDisplaySettings SettingsForNewWindow() const;
    // Places a window without snapping it to the grid.
    void PlaceWindow(CChildFrame* w, const QRect& r);
    int TakeWindowId() { return m_nextWindowId++; }
    void CloseAllWindows();
    void AddRecentFile(const std::string& path);
    // The folder of the last sound opened, where the open dialog starts.
    const std::string& CurrentFolder() const { return m_currentFolder; }

    // Settings the frame owns (public for the dialogs and tests).
    GeneralDetails& General() { return m_general; }
    GridOptions& Grid() { return m_grid; }
    PriorityLevel& Priority() { return m_priority; }
    DefaultFileFormat& DefaultFormat() { return m_defaultFormat; }
    FileList& UserMenu() { return m_userMenu; }
    RecentFiles& Recent() { return m_recent; }
    WindowDisplaySettings& DefaultDisplay() { return m_defaultDisplay; }
    const FrameFlags& Flags() const { return m_flags; }
    bool SnapOn() const { return m_snap; }
    void SetSnap(bool on) { m_snap = on; }

    // What OK ("Apply to all windows" when `applyToAll`) of the "Window
    // Display Settings" dialog does with the edited record.
    void ApplyWindowSettings(CTavrilView* active, const WindowDisplaySettings& edited, bool applyToAll);
    // Applies the hidden-cursor and hidden-title-bar states to every window.
    void ApplyGeneralDetails();
    void RebuildUserMenu();

protected:
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void BuildMenus();
    void ShowMenuBar(bool full);
    void RebuildRecentMenu();
    void OnWindowActivated(QMdiSubWindow* w);
    void OnWindowClosing(CChildFrame* w);
    bool CanCloseWindow(CChildFrame* w);
    void OnCursorsMoved(CTavrilView* v);
    void SetReadout(const QString& text);

    bool FrameCommand(Cmd id);
    void ActivateNeighbour(int dx, int dy);
    void CmdNextPane(int step);

    struct OwnServices {
        CTempFiles temps;
        CSoundClipboard clipboard;
        CEditEngine engine;
        CSoundTools tools{engine};
        CSoundFilter filter{engine};
        CMultiTool multiTool{engine, tools, filter};
    };

    IPrompt& m_prompt;
    std::unique_ptr<OwnServices> m_own;
    std::unique_ptr<DocServices> m_services;
    CCommandActions* m_actions = nullptr;
    std::unique_ptr<CFrameFiles> m_files;
    std::unique_ptr<CFrameKeyRouter> m_keys;
    std::unique_ptr<CFrameMenuLists> m_menuLists;
    std::unique_ptr<CWindowArranger> m_arranger;
    std::unique_ptr<CFrameDialogs> m_dialogs;
    std::unique_ptr<CAnalysisCommands> m_analysis;
    QMdiArea* m_area = nullptr;
    QToolBar* m_toolbar = nullptr;
    QLabel* m_statusText = nullptr;
    bool m_fullMenu = false;
    bool m_statusHeld = false;
    FrameFlags m_flags;
    GeneralDetails m_general;
    GridOptions m_grid;
    PriorityLevel m_priority;
    DefaultFileFormat m_defaultFormat;
    FileList m_userMenu = FileList::UserMenu();
    RecentFiles m_recent;
    WindowDisplaySettings m_defaultDisplay;
    bool m_openUsingDefault = false;
    bool m_snap = false;
    bool m_exitConfirmed = false;  // the exit question was answered for every window
    bool m_stackBelow = false;
    int m_nextWindowId = 1;
    std::string m_currentFolder;
    QPointer<CChildFrame> m_lastActive;
    const CommandExtension* ExtensionFor(Cmd id) const;
    std::vector<CommandExtension> m_extensions;
    TypedCharacterHandlers m_typed;
};

} // namespace tavril
