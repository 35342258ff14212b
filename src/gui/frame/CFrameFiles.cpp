#include "frame/CFrameFiles.h"

#include "frame/CChildFrame.h"
#include "frame/CMainFrame.h"
#include "frame/Dialogs.h"
#include "FrameSettings.h"
#include "SoundFileList.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

namespace tavril {

namespace fs = std::filesystem;

namespace {
bool Exists(const std::string& p) {
    std::error_code ec;
    return !p.empty() && fs::is_regular_file(p, ec);
}

const char* kOpenFilter =
    "All Tavril files (*.set;*.dsp;*.wav;*.sig;*.snd;*.aif;*.aiff;*.txt)|*.set;*.dsp;*.wav;*.sig;*.snd;*.aif;*.aiff;"
    "*.txt|Wave files (*.wav)|*.wav|AIFF files (*.aif;*.aiff)|*.aif;*.aiff|Signal files (*.sig)|*.sig|"
    "SND files (*.snd)|*.snd|Tavril Display files (*.dsp)|*.dsp|Tavril Setting files (*.set)|*.set|"
    "Text files (*.txt)|*.txt|";

bool IsUntitled(const CSoundDocument& d) { return d.Path() == CTavrilDoc::kUntitled; }
} // namespace

CFrameFiles::CFrameFiles(CMainFrame& frame, IPrompt& prompt)
    : m_frame(frame), m_prompt(prompt), m_display(prompt), m_settings(prompt) {}

std::vector<DisplayWindowRecord> CFrameFiles::Records() const {
    std::vector<DisplayWindowRecord> records;
    std::map<const CSoundDocument*, int> owner;  // first window showing each sound
    for (CChildFrame* w : m_frame.Windows()) {
        CTavrilView* v = w->View();
        if (IsUntitled(v->Doc()))
            continue;
        DisplayWindowRecord r;
        r.windowId = v->WindowId();
        r.scrollPosition = v->ScrollPosition();
        auto found = owner.find(v->Document().get());
        if (found != owner.end()) {
            r.linkedToId = found->second;
        } else {
            owner[v->Document().get()] = v->WindowId();
            r.soundPath = v->Doc().Path();
            r.soundTitle = v->Doc().Title();
        }
        const QRect g = w->geometry();
        r.left = g.left();
        r.top = g.top();
        r.right = g.right() + 1;
        r.bottom = g.bottom() + 1;
        r.settings = v->Settings();
        records.push_back(std::move(r));
    }
    return records;
}

bool CFrameFiles::SaveDisplay(const std::string& path, bool exportSounds) {
    return m_display.Save(path, Records(), exportSounds);
}

bool CFrameFiles::LoadDisplay(const std::string& path, bool closeFirst, bool tryEvery) {
    if (!Exists(path)) {
        m_prompt.ShowMessage("Error opening display file " + path + ".", "Tavril");
        return false;
    }
    const DisplayFileHeader header = CDisplayFile::ReadHeader(path, false);
    if (closeFirst)
        m_frame.CloseAllWindows();
    if (header.version <= 0)
        return true;
    struct Loaded {
        CChildFrame* frame;
        int id;
        int linkedTo;
    };
    std::vector<Loaded> loaded;
    std::string browseFolder;
    for (int n = 0; n < header.count; ++n) {
        DisplayWindowRecord r;
        if (!CDisplayFile::ReadWindow(path, n, m_frame.DefaultDisplay(), r)) {
            if (tryEvery)
                continue;
            break;
        }
        auto doc = m_frame.NewDocument();
        if (!r.soundPath.empty()) {
            std::string found;
            const auto search =
                m_display.FindSound(path, header.storedPath, r.soundPath, r.soundTitle, browseFolder, found);
            if (search == CDisplayFile::Search::Cancel)
                break;
            if (search == CDisplayFile::Search::Skip) {
                if (r.soundTitle.empty() && !tryEvery)
                    break;  // nothing left to search by
                continue;   // the user chose to skip this window
            }
            if (!doc->Open(found))
                continue;  // refused and reported; no empty window is left
        }
        CChildFrame* w = m_frame.AddWindow(doc, r.settings);
        m_frame.PlaceWindow(w, QRect(static_cast<int>(r.left), static_cast<int>(r.top),
                                     static_cast<int>(std::max(40L, r.right - r.left)),
                                     static_cast<int>(std::max(30L, r.bottom - r.top))));
        w->View()->SetScrollPosition(r.scrollPosition);
        w->View()->Redraw();
        loaded.push_back({w, r.windowId, r.linkedToId});
    }
    for (const Loaded& l : loaded) {
        if (l.linkedTo < 0)
            continue;
        bool linked = false;
        for (const Loaded& other : loaded)
            if (other.id == l.linkedTo && other.frame != l.frame && other.linkedTo < 0) {
                l.frame->View()->SetDocument(other.frame->View()->Document());
                l.frame->UpdateTitle();
                linked = true;
                break;
            }
        // The window it showed the sound of was skipped: an empty window
        // with no name would only puzzle.
        if (!linked)
            l.frame->close();
    }
    for (const Loaded& l : loaded)
        l.frame->View()->SetWindowId(m_frame.TakeWindowId());
    m_currentDisplay = path;
    m_frame.UpdateCommandStates();
    return true;
}

bool CFrameFiles::SaveSettingsFile(const std::string& path, const std::vector<std::string>& checkBoxes) {
    return m_settings.Save(path, checkBoxes, [this, &path](const std::string& file) {
        return m_display.WriteSections(file, path, Records(), false);
    });
}

void CFrameFiles::LoadSettingsFile(const std::string& path) {
    m_settings.Load(path, [this, &path](bool closeFirst) {
        if (closeFirst)
            m_frame.CloseAllWindows();
        LoadDisplay(path, false, true);
    });
    m_frame.UpdateCommandStates();
}

bool CFrameFiles::ExportFileList(const std::string& path) {
    std::vector<std::string> sounds;
    for (const DisplayWindowRecord& r : Records())
        if (!r.soundPath.empty())  // a linked window has no sound of its own
            sounds.push_back(r.soundPath);
    return WriteSoundFileList(path, sounds);
}

int CFrameFiles::ImportFileList(const std::string& path) {
    int opened = 0;
    for (const std::string& p : ReadSoundFileList(path)) {
        if (!Exists(p)) {
            m_prompt.ShowMessage("Error opening soundfile " + p + ". The file may be corrupt", "Tavril");
            continue;
        }
        if (m_frame.OpenSoundFile(p))
            ++opened;
    }
    return opened;
}

void CFrameFiles::CmdOpen() {
    IPrompt::PathRequest req;
    req.title = "Select a Tavril File to Open:";
    req.filter = kOpenFilter;
    req.proposedPath = m_frame.CurrentFolder();
    req.filterIndex = m_frame.General().openFileFilterIndex;
    std::string chosen;
    if (m_prompt.ChoosePath(req, chosen))
        m_frame.OpenAnyFile(chosen);
}

void CFrameFiles::CmdMergeDisplay() {
    IPrompt::PathRequest req;
    req.title = "Select a Display File to Open:";
    req.filter = "Tavril Display files|*.dsp|";
    std::string chosen;
    if (m_prompt.ChoosePath(req, chosen))
        LoadDisplay(chosen, false);
}

void CFrameFiles::CmdSaveDisplay(bool exportSounds) {
    IPrompt::PathRequest req;
    req.title = exportSounds ? "Select folder and display file name to export to:" : "Select a Tavril Display Filename:";
    req.filter = "Tavril Display files|*.dsp|";
    req.defaultExtension = "dsp";
    req.forSaving = true;
    std::string chosen;
    if (!m_prompt.ChoosePath(req, chosen) || !IsDisplayFileName(chosen))
        return;
    if (SaveDisplay(chosen, exportSounds))
        m_frame.AddRecentFile(chosen);
}

void CFrameFiles::CmdSaveSettings() {
    std::vector<std::string> groups;
    if (!CDlgSelectSettings::Run(&m_frame, m_settings.SavableBoxes(), groups))
        return;
    IPrompt::PathRequest req;
    req.title = "Select a Tavril Settings Filename:";
    req.filter = "Tavril Setting files|*.set|";
    req.defaultExtension = "set";
    req.forSaving = true;
    std::string chosen;
    if (m_prompt.ChoosePath(req, chosen))
        SaveSettingsFile(chosen, groups);
}

void CFrameFiles::CmdExportTextList() {
    IPrompt::PathRequest req;
    req.title = "Select a Text File to Export Sound File Names to:";
    req.filter = "text files|*.txt|";
    req.defaultExtension = "txt";
    req.forSaving = true;
    std::string chosen;
    if (m_prompt.ChoosePath(req, chosen) && !ExportFileList(chosen))
        m_prompt.ShowMessage("Could not write " + chosen + ".", "Tavril");
}

void CFrameFiles::CmdImportTextList() {
    IPrompt::PathRequest req;
    req.title = "Select a Text File Containing Sound File Names to Import:";
    req.filter = "Text files (*.txt)|*.txt|All files (*.*)|*.*|";
    std::string chosen;
    if (m_prompt.ChoosePath(req, chosen))
        ImportFileList(chosen);
}

} // namespace tavril
