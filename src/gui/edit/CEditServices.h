#pragma once
// CEditServices: what the editing commands share: the program-wide objects
// of the documents (temporary files, sound clipboard, edit engine with its
// tools, filter and multiple-tool chain) and the settings of every editing
// dialog (read at start-up, written by the dialogs' "Make default").
//
// The documents talk to the user through a prompt that is safe to call from
// a worker thread: on the UI thread it forwards to the real prompt; from a
// worker (a long save running beside the event loop) messages wait until
// FlushDeferred() shows them on the UI thread, and questions are answered
// with "cancel" so that nothing is decided behind the user's back.
//
// Ownership: one object for the program, owned by the main frame; uses, but
// does not own, the objects of the DocServices it is made from, and must
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
    // Uses the program-wide objects of `base` (temporary files, clipboard,
    // engine, tools, filter, multiple tools, settings file); its prompt is
    // wrapped so that documents made with Services() may report from a
    // worker thread.
    explicit CEditServices(const DocServices& base);

    // Reads every dialog's section (missing keys keep the defaults).
    void LoadSettings();

    // What documents are made with: `base` with the thread-safe prompt.
    DocServices Services() const;
    IPrompt& Prompt() { return m_prompt; }
    // Shows the messages a worker thread left (UI thread).
    void FlushDeferredMessages() { m_prompt.FlushDeferred(); }
    CTempFiles& Temps() { return m_base.temps; }
    CSoundClipboard& Clipboard() { return m_base.clipboard; }
    const CSoundClipboard& Clipboard() const { return m_base.clipboard; }
    CEditEngine& Engine() { return m_base.engine; }
    CSoundTools& Tools() { return m_base.tools; }
    CSoundFilter& Filter() { return m_base.filter; }
    CMultiTool& MultiTool() { return m_base.multiTool; }
    const std::string& SettingsFile() const { return m_base.settingsFile; }

    // The dialogs' settings (what the dialogs show and the tools read).
    InsertNoiseSettings noise;
    InsertToneSettings tone;
    RampSettings ramp;
    AmplitudeEnvelopeSettings envelope;
    FilterSettings filter;
    MultiToolSettings multiTool;
    KlipNSaveSettings klip;
    ImportHeaderlessSettings headerless;
    // Remembered for the session only (no settings section keeps them).
    double silenceDurationMs = 0.0;
    double noiseDurationMs = 0.0;

private:
    DocServices m_base;
    mutable CThreadSafePrompt m_prompt;
};

} // namespace tavril
