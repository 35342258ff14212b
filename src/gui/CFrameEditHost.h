#pragma once
// CFrameEditHost: the main frame's side of the editing commands: it describes
// a sound window to them (selection, selected channel, frequency cursors),
// lists the windows, opens new ones, and brings every window that shows a
// changed document up to date (length, picture, title, selection), closing
// it when the command asks.
//
// Ownership: owned by the main frame, which outlives it. UI thread only.

#include "CEditCommands.h"

namespace tavril {

class CEditServices;
class CMainFrame;
class CTavrilView;

class CFrameEditHost : public IEditHost {
public:
    explicit CFrameEditHost(CMainFrame& frame) : m_frame(frame) {}

    // The window as the editing commands see it.
    static EditContext ContextFor(CTavrilView& view);
    // Offers the editing dialogs' sections ("Fixed frequency filter", "Multi
    // tool", "Klip 'n Save") to the frame's settings files.
    static void RegisterSettingsGroups(CMainFrame& frame, CEditServices& services);

    std::vector<EditContext> AllWindows() override;
    void OpenSoundWindow(const std::string& path) override;
    void DocumentChanged(CTavrilDoc* doc, const EditOutcome& outcome) override;
    void SuspendPainting(bool suspend) override;

private:
    CMainFrame& m_frame;
};

} // namespace tavril
