#pragma once
// CFrameEditHost: the main frame's side of the editing commands: it describes
// a sound window to them (selection, selected channel, frequency cursors),
// lists the windows, opens new ones, and brings every window that shows a
// changed document up to date (length, picture, title, selection), closing
// it when the command asks.
//
// Ownership: owned by the main frame, which outlives it. UI thread only.

#include "edit/CEditCommands.h"
#include "frame/CMainFrame.h"

namespace tavril {

class CEditServices;

class CFrameEditHost : public IEditHost {
public:
    // Also keeps the frame's command states following every window's
    // cursors, so that Cut, Copy and Trim keys work as soon as a selection
    // is made.
    explicit CFrameEditHost(CMainFrame& frame);

    // What the frame asks the editing commands: whether they take a command,
    // its state and text, running it, and the question before the last
    // window of a changed sound closes.
    static CommandExtension MakeExtension(CEditCommands& commands, CEditServices& services);

    // The window as the editing commands see it.
    static EditContext ContextFor(CTavrilView& view);
    // Offers the editing dialogs' sections ("Fixed frequency filter", "Multi
    // tool", "Klip 'n Save") to the frame's settings files, and the ramp and
    // noise sections (by section name) to its start-up and exit.
    static void RegisterSettingsGroups(CMainFrame& frame, CEditServices& services);

    std::vector<EditContext> AllWindows() override;
    void OpenSoundWindow(const std::string& path) override;
    void DocumentChanged(CTavrilDoc* doc, const EditOutcome& outcome) override;
    void SuspendPainting(bool suspend) override;
    int SaveAsFilterIndex() const override;
    int LoadFilterIndex() const override;

private:
    CMainFrame& m_frame;
};

} // namespace tavril
