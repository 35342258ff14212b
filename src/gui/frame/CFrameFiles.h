#pragma once
// CFrameFiles: the main frame's file commands that are about more than one
// window: display files (save, open, merge, export with the sounds),
// settings files, and the open windows as a text list of sound files. It
// turns the frame's windows into the records of CDisplayFile and back; the
// file formats and orders live in src/app.
//
// Owned by the main frame, which outlives it. UI thread only.

#include "CDisplayFile.h"
#include "CSettingsFile.h"
#include "IPrompt.h"

#include <string>
#include <vector>

namespace tavril {

class CMainFrame;

class CFrameFiles {
public:
    CFrameFiles(CMainFrame& frame, IPrompt& prompt);

    bool SaveDisplay(const std::string& path, bool exportSounds);
    // `tryEvery`: go on after a window that cannot be loaded (settings files).
    bool LoadDisplay(const std::string& path, bool closeFirst, bool tryEvery = false);
    // Writes the groups whose check boxes are named, in the fixed order.
    bool SaveSettingsFile(const std::string& path, const std::vector<std::string>& checkBoxes);
    void LoadSettingsFile(const std::string& path);
    bool ExportFileList(const std::string& path);
    // Opens every sound of the list; returns how many opened.
    int ImportFileList(const std::string& path);

    CSettingsFile& Settings() { return m_settings; }
    const std::string& CurrentDisplay() const { return m_currentDisplay; }

    // The menu commands: each asks for its file first.
    void CmdOpen();
    void CmdMergeDisplay();
    void CmdSaveDisplay(bool exportSounds);
    void CmdSaveSettings();
    void CmdExportTextList();
    void CmdImportTextList();

private:
    // The windows that show a file, in window order; a second window on a
    // sound is stored as a link to the first. Untitled sounds have no file
    // to name and are left out.
    std::vector<DisplayWindowRecord> Records() const;

    CMainFrame& m_frame;
    IPrompt& m_prompt;
    CDisplayFile m_display;
    CSettingsFile m_settings;
    std::string m_currentDisplay;
};

} // namespace tavril
