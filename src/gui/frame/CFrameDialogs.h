#pragma once
// CFrameDialogs: the main frame's commands that are one dialog each: window
// display settings (of the active window or the defaults), the sound file
// format information, new-window sizing, priority, default file format, the
// user menu, "go to time", help and about; and the groups of settings files
// that hold the frame's values, which it edits through the frame's accessors.
//
// Owned by the main frame, which outlives it. UI thread only.

#include "IPrompt.h"

namespace tavril {

class CHelpWindow;
class CMainFrame;
class CSettingsFile;

class CFrameDialogs {
public:
    CFrameDialogs(CMainFrame& frame, IPrompt& prompt) : m_frame(frame), m_prompt(prompt) {}

    void CmdWindowSettings(bool defaults);
    void CmdFormatInfo();
    void CmdNewWindowSizing();
    void CmdPriority();
    void CmdDefaultFormat();
    void CmdEditUserMenu();
    void CmdGoToTime();
    void CmdHelp();
    void CmdAbout();
    // Applies the frame's priority level when it differs from `previous`;
    // the user is told when the system refuses it.
    void ApplyPriority(int previous);
    // The frame's own groups of settings sections, with what reading each
    // one changes in the windows.
    void RegisterSettingsGroups(CSettingsFile& groups);

private:
    CMainFrame& m_frame;
    IPrompt& m_prompt;
    CHelpWindow* m_help = nullptr;  // a child of the frame, made on first use
};

} // namespace tavril
