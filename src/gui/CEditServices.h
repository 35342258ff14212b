#pragma once
// CEditServices: the program-wide objects every editable sound window shares:
// the temporary files of this instance, the sound clipboard, the edit engine
// with its tools, filter and multiple-tool chain, and the settings of every
// editing dialog (read at start-up, written by the dialogs' "Make default").
//
// The documents talk to the user through a prompt that is safe to call from
// a worker thread: on the UI thread it forwards to the real prompt; from a
// worker (a long save running beside the event loop) messages wait until
// FlushDeferred() shows them on the UI thread, and questions are answered
// with "cancel" so that nothing is decided behind the user's back.
//
// Ownership: one object for the program, owned by the main frame; it must
// outlive every document made with Services(). Threading: UI thread, except
// the prompt as described.

#include "CEditEngine.h"
#include "CMultiTool.h"
#include "CSoundClipboard.h"
#include "CSoundFilter.h"
#include "CSoundTools.h"
#include "CTavrilDoc.h"
#include "CTempFiles.h"
#include "EditDialogSettings.h"
#include "IPrompt.h"
#include "ImportHeaderless.h"

#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tavril {

// Forwards to another prompt on the thread that made it; see above.
class CThreadSafePrompt : public IPrompt {
public:
    explicit CThreadSafePrompt(IPrompt& target);

    void ShowMessage(const std::string& text, const std::string& title) override;
    Reply AskYesNoCancel(const std::string& text, const std::string& title) override;
    bool ChoosePath(const PathRequest& request, std::string& path) override;
    bool AskText(const std::string& question, const std::string& title, std::string& text) override;
    void BeginProgress(const std::string& text) override;
    bool UpdateProgress(double fraction) override;
    void EndProgress() override;

    // Shows the messages that arrived from other threads (UI thread only).
    void FlushDeferred();
    IPrompt& Target() { return m_target; }

private:
    bool OnOwnerThread() const { return std::this_thread::get_id() == m_owner; }

    IPrompt& m_target;
    std::thread::id m_owner;
    std::mutex m_mutex;
    std::vector<std::pair<std::string, std::string>> m_deferred;
};

class CEditServices {
public:
    // Empty arguments: the default settings file, temporary folder and
    // clipboard folder.
    explicit CEditServices(IPrompt& prompt, std::string settingsFile = {}, std::filesystem::path tempFolder = {},
                           std::string clipFolder = {});

    // Start-up: take this instance's temporary-file lock, delete the
    // leftovers of earlier runs, empty the clipboard and read the dialog
    // settings. False (after telling the user) when no temporary file can be
    // made, in which case editing fails with a message later.
    bool Start();
    // Reads every dialog's section (missing keys keep the defaults).
    void LoadSettings();

    DocServices Services();
    IPrompt& Prompt() { return m_prompt; }
    // Shows the messages a worker thread left (UI thread).
    void FlushDeferredMessages() { m_prompt.FlushDeferred(); }
    CTempFiles& Temps() { return m_temps; }
    CSoundClipboard& Clipboard() { return m_clipboard; }
    CEditEngine& Engine() { return m_engine; }
    CSoundTools& Tools() { return m_tools; }
    CSoundFilter& Filter() { return m_filter; }
    CMultiTool& MultiTool() { return m_multiTool; }
    const std::string& SettingsFile() const { return m_settingsFile; }

    // The dialogs' settings (what the dialogs show and the tools read).
    InsertNoiseSettings noise;
    InsertToneSettings tone;
    RampSettings ramp;
    AmplitudeEnvelopeSettings envelope;
    FilterSettings filter;
    MultiToolSettings multiTool;
    KlipNSaveSettings klip;
    ImportHeaderlessSettings headerless;
    // Remembered for the session only (the design keeps no section for them).
    double silenceDurationMs = 0.0;
    double noiseDurationMs = 0.0;

private:
    CThreadSafePrompt m_prompt;
    std::string m_settingsFile;
    CTempFiles m_temps;
    CSoundClipboard m_clipboard;
    CEditEngine m_engine;
    CSoundTools m_tools;
    CSoundFilter m_filter;
    CMultiTool m_multiTool;
};

} // namespace tavril
