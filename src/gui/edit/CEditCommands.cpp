#include "edit/CEditCommands.h"

#include "edit/CDlgAmplify.h"
#include "edit/CDlgAmplitudeEnvelope.h"
#include "edit/CDlgFilterSettings.h"
#include "edit/CDlgImportHeaderless.h"
#include "edit/CDlgInsertNoise.h"
#include "edit/CDlgInsertSilence.h"
#include "edit/CDlgInsertTone.h"
#include "edit/CDlgKlipSettings.h"
#include "edit/CDlgMultiTool.h"
#include "edit/CDlgRamp.h"
#include "edit/CEditServices.h"
#include "common/CTrashCan.h"
#include "DefaultFileFormat.h"
#include "CSoundFile.h"
#include "KlipFileName.h"
#include "SoundFormat.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <set>
#include <thread>

namespace tavril {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSoundFilter =
    "Sound files (*.wav;*.sig;*.snd;*.aif;*.aiff)|*.wav;*.sig;*.snd;*.aif;*.aiff|Wave files (*.wav)|*.wav|"
    "AIFF files (*.aif;*.aiff)|*.aif;*.aiff|Signal files (*.sig)|*.sig|SND files (*.snd)|*.snd|All files (*.*)|*|";

// Asks for a sound file to save to, proposing `proposed`; false when the
// user cancelled or gave no name.
bool ChooseSaveTarget(IPrompt& prompt, const char* title, const std::string& proposed, const std::string& extension,
                      std::string& target, int filterIndex = 1)
{
    IPrompt::PathRequest req;
    req.filterIndex = filterIndex;
    req.title = title;
    req.filter = kSoundFilter;
    req.defaultExtension = extension;
    req.proposedPath = proposed;
    req.forSaving = true;
    return prompt.ChoosePath(req, target) && !target.empty();
}

std::string FileTitle(const std::string& path) { return fs::path(path).filename().string(); }

bool IsUntitled(const CTavrilDoc& doc) { return doc.Path().empty() || doc.Path() == CTavrilDoc::kUntitled; }

std::tm LocalTime(std::time_t t)
{
    std::tm out{};
    localtime_r(&t, &out);
    return out;
}

// The file's own date: the last change of its contents (Linux file systems
// do not all keep a creation time).
std::tm FileTime(const std::string& path)
{
    std::error_code ec;
    const auto stamp = fs::last_write_time(path, ec);
    if (ec) return LocalTime(std::time(nullptr));
    const auto sys = std::chrono::file_clock::to_sys(stamp);
    return LocalTime(std::chrono::system_clock::to_time_t(sys));
}

// While a long operation runs, the events it lets through (to keep the
// windows painted and the progress window alive) must not start anything
// else: a key or click could close the very window being edited. Until the
// progress window is up and modal, user input to every window but dialogs
// (the progress window, a message about a failure) is dropped. Timers and
// painting go on.
class BusyInputGuard : public QObject {
public:
    BusyInputGuard() { qApp->installEventFilter(this); }
    ~BusyInputGuard() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* receiver, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::KeyPress: case QEvent::KeyRelease: case QEvent::ShortcutOverride: case QEvent::Shortcut:
        case QEvent::MouseButtonPress: case QEvent::MouseButtonRelease: case QEvent::MouseButtonDblClick:
        case QEvent::Wheel: case QEvent::ContextMenu: case QEvent::Close: case QEvent::Drop:
            break;
        default:
            return false;
        }
        if (qobject_cast<QAction*>(receiver)) return true;  // a command's key
        auto* w = qobject_cast<QWidget*>(receiver);
        if (!w) return false;  // reaches the widgets below, where it is judged
        // The progress window, and any message or question shown meanwhile.
        if (qobject_cast<QDialog*>(w->window())) return false;
        if (e->type() == QEvent::Close) e->ignore();
        return true;
    }
};

} // namespace

// Marks the commands busy and holds user input off for its lifetime.
class CEditCommands::BusyScope {
public:
    explicit BusyScope(bool& busy) : m_busy(busy) { m_busy = true; }
    ~BusyScope() { m_busy = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& m_busy;
    BusyInputGuard m_guard;
};

CEditCommands::CEditCommands(CEditServices& services, IEditHost& host, QWidget* dialogParent)
    : m_svc(services), m_host(host), m_parent(dialogParent)
{
}

bool CEditCommands::Handles(Cmd id)
{
    switch (id) {
    case Cmd::Undo: case Cmd::Cut: case Cmd::Copy: case Cmd::CopyChannel: case Cmd::Paste: case Cmd::Trim:
    case Cmd::DeleteSelection: case Cmd::KlipSave: case Cmd::KlipSettings:
    case Cmd::Amplify: case Cmd::Maximize: case Cmd::Ramp: case Cmd::Reverse: case Cmd::InsertSilence:
    case Cmd::InsertNoise: case Cmd::InsertTone: case Cmd::AmplitudeEnvelope:
    case Cmd::FilterSettings: case Cmd::PresetFilter: case Cmd::FilterFreqCursors: case Cmd::FilterNoise:
    case Cmd::MultipleTools: case Cmd::MultipleToolsSettings:
    case Cmd::FileSave: case Cmd::FileSaveAs: case Cmd::FileSaveAll: case Cmd::FileRename: case Cmd::FileRevert:
    case Cmd::FileLoadInto: case Cmd::FileDeleteAndClose: case Cmd::ImportHeaderless:
        return true;
    default:
        return false;
    }
}

bool CEditCommands::IsEnabled(Cmd id, const EditContext* ctx) const
{
    // Nothing may look at a document while a worker thread saves it.
    if (m_busy) return false;
    const CTavrilDoc* doc = ctx ? ctx->doc : nullptr;
    const bool selection = doc && ctx->sel.Length() >= 1;
    const bool editable = doc && !doc->IsMetafile();
    switch (id) {
    case Cmd::Undo: return doc && doc->CanUndo();
    case Cmd::Copy: case Cmd::CopyChannel: case Cmd::KlipSave: return selection;
    case Cmd::Cut: case Cmd::Trim: return selection && editable;
    case Cmd::Paste: return editable && m_svc.Clipboard().HasSound();
    case Cmd::DeleteSelection: return doc != nullptr;
    case Cmd::KlipSettings: case Cmd::FilterSettings: case Cmd::MultipleToolsSettings: case Cmd::ImportHeaderless:
        return true;
    case Cmd::Amplify: case Cmd::Maximize: case Cmd::Ramp: case Cmd::Reverse: case Cmd::InsertSilence:
    case Cmd::InsertNoise: case Cmd::InsertTone: case Cmd::AmplitudeEnvelope: case Cmd::PresetFilter:
    case Cmd::FilterNoise: case Cmd::MultipleTools:
        return editable;
    case Cmd::FilterFreqCursors:
        return editable && ctx->spectrogram && ctx->freqCursorsShown && ctx->lowerHz != ctx->upperHz;
    case Cmd::FileSave: case Cmd::FileSaveAs: case Cmd::FileRename: case Cmd::FileLoadInto:
    case Cmd::FileDeleteAndClose:
        return doc != nullptr;
    case Cmd::FileRevert: return doc && !IsUntitled(*doc);
    case Cmd::FileSaveAll: return !const_cast<IEditHost&>(m_host).AllWindows().empty();
    default: return false;
    }
}

QString CEditCommands::MenuText(Cmd id, const EditContext* ctx) const
{
    if (id == Cmd::Undo)
        return ctx && ctx->doc && !m_busy ? QString::fromStdString(ctx->doc->UndoMenuText())
                                          : QStringLiteral("&Undo\tCtrl+Z");
    if (id == Cmd::Copy)
        return ctx && ctx->channels >= 2 ? QStringLiteral("&Copy Sound In All Channels\tCtrl+C")
                                         : QStringLiteral("&Copy Sound\tCtrl+C");
    return {};
}

int CEditCommands::Exec(QDialog& dialog) { return m_driver ? m_driver(dialog) : dialog.exec(); }

bool CEditCommands::WithProgress(const std::string& text, const std::function<bool()>& fn)
{
    IPrompt& prompt = m_svc.Prompt();
    BusyScope busy(m_busy);
    prompt.BeginProgress(text);
    m_svc.Engine().SetProgress([&prompt](double fraction) { return prompt.UpdateProgress(fraction); });
    const bool ok = fn();
    m_svc.Engine().SetProgress({});
    prompt.EndProgress();
    return ok;
}

EditOutcome CEditCommands::Changed(bool ok, bool clearSelection) const
{
    EditOutcome o;
    o.done = ok;
    o.soundChanged = ok;
    o.clearSelection = ok && clearSelection;
    return o;
}

EditOutcome CEditCommands::Run(Cmd id, const EditContext* ctx)
{
    EditOutcome o;
    if (m_busy || !IsEnabled(id, ctx)) return o;
    CTavrilDoc* doc = ctx ? ctx->doc : nullptr;
    const FrameSelection sel = ctx ? ctx->sel : FrameSelection{};
    const uint32_t ch = ctx ? ctx->channel : 0;
    switch (id) {
    case Cmd::Undo:
        doc->Undo();
        o = Changed(true);
        break;
    case Cmd::Copy:
        o.done = WithProgress("Copying......", [&] { return doc->Copy(sel); });
        break;
    case Cmd::CopyChannel:
        o.done = WithProgress("Copying......", [&] { return doc->CopyInSelectedChannel(sel, ch); });
        break;
    case Cmd::Cut: o = Changed(WithProgress("Cutting......", [&] { return doc->Cut(sel); }), true); break;
    case Cmd::Paste:
        o = Changed(WithProgress("Pasting......", [&] { return doc->PasteInsert(sel.left); }));
        break;
    case Cmd::Trim: o = Changed(WithProgress("Trimming......", [&] { return doc->Trim(sel); }), true); break;
    case Cmd::DeleteSelection:
        // Annotations, which a short selection deletes instead, are not kept
        // by this document; with no selection there is nothing to delete.
        if (sel.Length() < 1 || doc->IsMetafile()) return o;
        o = Changed(WithProgress("Deleting......", [&] { return doc->DeleteSelection(sel); }), true);
        break;
    case Cmd::Maximize:
        o = Changed(WithProgress("Maximizing......", [&] { return doc->Maximize(ch); }));
        break;
    case Cmd::Reverse:
        o = Changed(WithProgress("Reversing......", [&] { return doc->Reverse(sel, ch); }));
        break;
    case Cmd::Amplify: o = Amplify(*ctx); break;
    case Cmd::Ramp: o = Ramp(*ctx); break;
    case Cmd::InsertSilence: o = InsertSilence(*ctx); break;
    case Cmd::InsertNoise: o = InsertNoise(*ctx); break;
    case Cmd::InsertTone: o = InsertTone(*ctx); break;
    case Cmd::AmplitudeEnvelope: o = AmplitudeEnvelope(*ctx); break;
    case Cmd::FilterSettings: FilterSettingsDialog(); return o;
    case Cmd::PresetFilter: o = PresetFilter(*ctx); break;
    case Cmd::FilterFreqCursors: o = FilterFreqCursors(*ctx); break;
    case Cmd::FilterNoise: {
        BusyScope busy(m_busy);
        o = Changed(doc->FilterNoise(sel, ch));
        break;
    }
    case Cmd::MultipleTools: {
        BusyScope busy(m_busy);
        o = Changed(doc->ApplyMultipleTools(ch, m_svc.multiTool));
        break;
    }
    case Cmd::MultipleToolsSettings: MultiToolSettingsDialog(ctx); return o;
    case Cmd::KlipSave: o = KlipSave(*ctx); return o;
    case Cmd::KlipSettings: KlipSettingsDialog(); return o;
    case Cmd::FileSave: o = Save(*ctx); break;
    case Cmd::FileSaveAs: o = SaveAs(*ctx); break;
    case Cmd::FileSaveAll: SaveAll(); return o;
    case Cmd::FileRename: o = Rename(*ctx); break;
    case Cmd::FileRevert: o = Revert(*ctx); break;
    case Cmd::FileLoadInto: o = LoadInto(*ctx); break;
    case Cmd::FileDeleteAndClose: o = DeleteAndClose(*ctx); break;
    case Cmd::ImportHeaderless: ImportHeaderless(); return o;
    default: return o;
    }
    if (doc && (o.soundChanged || o.fileChanged || o.closeWindow)) m_host.DocumentChanged(doc, o);
    return o;
}

// ---- tools with dialogs ----

EditOutcome CEditCommands::Amplify(const EditContext& c)
{
    CDlgAmplify dlg(m_parent);
    if (Exec(dlg) != QDialog::Accepted) return {};
    const double percent = dlg.Percent();
    return Changed(WithProgress("Amplifying......", [&] { return c.doc->Amplify(percent, c.channel); }));
}

EditOutcome CEditCommands::Ramp(const EditContext& c)
{
    CDlgRamp dlg(m_svc.ramp, m_svc.SettingsFile(), m_parent);
    if (Exec(dlg) != QDialog::Accepted) return {};
    m_svc.ramp = dlg.Settings();
    const RampSettings r = m_svc.ramp;
    return Changed(WithProgress("Ramping......", [&] { return c.doc->Ramp(r.beginMs, r.endMs, c.channel); }));
}

EditOutcome CEditCommands::InsertSilence(const EditContext& c)
{
    CDlgInsertSilence dlg(m_svc.silenceDurationMs, m_parent);
    if (Exec(dlg) != QDialog::Accepted) return {};
    m_svc.silenceDurationMs = dlg.DurationMs();
    const double ms = m_svc.silenceDurationMs;
    if (ms < 1) return {};
    return Changed(
        WithProgress("Inserting silence......", [&] { return c.doc->InsertSilence(c.sel.left, ms, c.channel); }));
}

EditOutcome CEditCommands::InsertNoise(const EditContext& c)
{
    CDlgInsertNoise dlg(m_svc.noise, m_svc.noiseDurationMs, m_svc.SettingsFile(), m_parent);
    if (Exec(dlg) != QDialog::Accepted) return {};
    m_svc.noise = dlg.Settings();
    m_svc.noiseDurationMs = dlg.DurationMs();
    const double ms = m_svc.noiseDurationMs;
    const double pct = m_svc.noise.noiseAmplitudePct;
    if (ms < 1) return {};
    return Changed(
        WithProgress("Inserting noise......", [&] { return c.doc->InsertNoise(c.sel.left, ms, pct, c.channel); }));
}

EditOutcome CEditCommands::InsertTone(const EditContext& c)
{
    CDlgInsertTone dlg(m_svc.tone, m_svc.SettingsFile(), m_parent);
    if (Exec(dlg) != QDialog::Accepted) return {};
    m_svc.tone = dlg.Settings();
    const ToneParams tone = CDlgInsertTone::ToTone(m_svc.tone);
    if (!(tone.durationMs > 0)) return {};
    return Changed(WithProgress("Inserting tone......", [&] { return c.doc->InsertTone(c.sel.left, tone, c.channel); }));
}

EditOutcome CEditCommands::AmplitudeEnvelope(const EditContext& c)
{
    CDlgAmplitudeEnvelope dlg(m_svc.envelope, m_svc.SettingsFile(), m_svc.Prompt(), m_parent);
    if (Exec(dlg) != QDialog::Accepted) return {};
    m_svc.envelope = dlg.Settings();
    const AmplitudeEnvelopeSettings e = m_svc.envelope;
    return Changed(WithProgress("Applying envelope......", [&] {
        return c.doc->AmplitudeEnvelope(e.filename, e.EffectiveResolutionMs(), c.channel);
    }));
}

// ---- filters ----

void CEditCommands::FilterSettingsDialog()
{
    CDlgFilterSettings dlg(m_svc.filter, m_svc.SettingsFile(), m_parent);
    if (Exec(dlg) == QDialog::Accepted) m_svc.filter = dlg.Settings();
}

EditOutcome CEditCommands::PresetFilter(const EditContext& c)
{
    // The preset filter is as slow as the other two on a long recording, so
    // it shows the same progress window.
    const FilterSettings f = m_svc.filter;
    return Changed(WithProgress("Filtering Data......", [&] { return c.doc->PresetFilter(c.sel, c.channel, f); }));
}

EditOutcome CEditCommands::FilterFreqCursors(const EditContext& c)
{
    bool ok = false;
    {
        BusyScope busy(m_busy);
        ok = c.doc->FilterUsingFreqCursors(c.sel, c.channel, c.lowerHz, c.upperHz, m_svc.filter);
    }
    return Changed(ok);
}

// ---- multiple tools ----

void CEditCommands::MultiToolSettingsDialog(const EditContext*)
{
    CDlgMultiTool dlg(m_svc.multiTool, m_svc.SettingsFile(), m_parent);
    if (Exec(dlg) != QDialog::Accepted) return;
    m_svc.multiTool = dlg.Settings();
    if (dlg.BatchChoice() == CDlgMultiTool::Batch::AllWindows) ApplyToAllWindows();
    else if (dlg.BatchChoice() == CDlgMultiTool::Batch::Files) ApplyToFiles();
}

void CEditCommands::ApplyToAllWindows()
{
    std::set<CTavrilDoc*> seen;
    for (const EditContext& w : m_host.AllWindows()) {
        if (!w.doc || w.doc->IsMetafile() || !seen.insert(w.doc).second) continue;
        bool ok = false;
        {
            BusyScope busy(m_busy);
            ok = w.doc->ApplyMultipleTools(w.channel, m_svc.multiTool);
        }
        const bool cancelled = m_svc.Engine().WasCancelled();
        if (ok) m_host.DocumentChanged(w.doc, Changed(true));
        if (cancelled) break;
    }
}

void CEditCommands::ApplyToFiles()
{
    IPrompt& prompt = m_svc.Prompt();
    IPrompt::PathRequest req;
    req.title = "Select sound files to apply tools:";
    req.filter = "All sound files (*.wav;*.sig;*.snd;*.aif;*.aiff)|*.wav;*.sig;*.snd;*.aif;*.aiff|";
    req.multiple = true;
    std::string chosen;
    if (!prompt.ChoosePath(req, chosen) || chosen.empty()) return;
    std::vector<std::string> files;
    for (size_t start = 0; start <= chosen.size();) {
        size_t end = chosen.find('\n', start);
        if (end == std::string::npos) end = chosen.size();
        if (end > start) files.push_back(chosen.substr(start, end - start));
        start = end + 1;
    }
    // Field recordings are often irreplaceable: replacing them is a choice.
    const IPrompt::Reply reply = prompt.AskYesNoCancel(
        "Replace the " + std::to_string(files.size()) +
        " chosen file(s) by the processed sound?\n\nYes: replace them.\nNo: write each result beside its file, "
        "named with \"_tools\" added.\nCancel: process nothing.");
    if (reply == IPrompt::Reply::Cancel) return;
    const int32_t defaultFormat = DefaultFileFormat(m_svc.SettingsFile());
    std::vector<std::string> failed;
    std::vector<std::string> written;
    for (const std::string& file : files) {
        fs::path p(file);
        const std::string target =
            reply == IPrompt::Reply::Yes ? file
                                         : (p.parent_path() / (p.stem().string() + "_tools" + p.extension().string())).string();
        m_svc.Engine().ClearError();
        const bool ok = WithProgress("Applying tools to " + p.filename().string(), [&] {
            return m_svc.MultiTool().ApplyToFile(file, target, m_svc.multiTool, 0, defaultFormat) == 1;
        });
        if (m_svc.Engine().WasCancelled()) break;
        if (ok) written.push_back(target);
        else failed.push_back(p.filename().string() + " (" + m_svc.Engine().LastError() + ")");
    }
    // Windows that show a replaced file without edits of their own show the
    // new sound.
    for (const EditContext& w : m_host.AllWindows())
        if (w.doc && !w.doc->HasWorkingCopy())
            for (const std::string& t : written)
                if (w.doc->Path() == t) {
                    w.doc->OpenDocument(t);
                    m_host.DocumentChanged(w.doc, Changed(true));
                }
    if (!failed.empty()) {
        std::string text = "The tools could not be applied to:";
        for (const std::string& f : failed) text += "\n" + f;
        text += "\nThese files are unchanged.";
        prompt.ShowMessage(text);
    }
}

// ---- Klip n' Save ----

EditOutcome CEditCommands::KlipSave(const EditContext& c)
{
    EditOutcome o;
    KlipNameInputs in;
    in.soundFileName = c.doc->Path();
    in.channel = c.channel;
    in.now = LocalTime(std::time(nullptr));
    in.fileTime = IsUntitled(*c.doc) ? in.now : FileTime(c.doc->Path());
    in.cursorTime = c.hasCursorTime ? c.cursorTime : in.now;
    in.useFileDate = m_svc.klip.insertFileDate != 0;
    in.useCursorTime = m_svc.klip.insertFileTime != 0;
    std::string saved;
    // No progress window here: the core asks for the name while it runs.
    o.done = c.doc->KlipNSave(c.sel, c.channel, m_svc.klip, in, &saved);
    if (o.done && m_svc.klip.openClipInWindow) m_host.OpenSoundWindow(saved);
    return o;
}

void CEditCommands::KlipSettingsDialog()
{
    CDlgKlipSettings dlg(m_svc.klip, m_svc.SettingsFile(), m_parent);
    if (Exec(dlg) == QDialog::Accepted)
        m_svc.klip = dlg.Settings();
}

// ---- files ----

std::string CEditCommands::DefaultExtension() const
{
    const int32_t f = DefaultFileFormat(m_svc.SettingsFile());
    return f == kFormatAiff ? "aif" : f == kFormatSig ? "sig" : "wav";
}

bool CEditCommands::RunInBackground(const std::string& text, const std::function<bool()>& fn)
{
    return RunWorker(text, [&](const WorkerProgress&) { return fn(); }, false);
}

bool CEditCommands::RunCancellable(const std::string& text, const std::function<bool(const WorkerProgress&)>& fn)
{
    return RunWorker(text, fn, true);
}

bool CEditCommands::RunWorker(const std::string& text, const std::function<bool(const WorkerProgress&)>& fn,
                              bool cancellable)
{
    std::atomic<bool> finished{false};
    std::atomic<bool> stop{false};
    std::atomic<double> fraction{0.0};
    bool ok = false;
    {
        BusyScope busy(m_busy);
        m_host.SuspendPainting(true);
        IPrompt& prompt = m_svc.Prompt();
        std::unique_ptr<QProgressDialog> plain;
        if (cancellable) {
            prompt.BeginProgress(text);
            // Asked once before the work starts, so that a Cancel given at
            // once is never too late for a short file.
            if (!prompt.UpdateProgress(0.0)) stop = true;
        } else {
            // Work that cannot be stopped halfway gets a window without Cancel.
            plain = std::make_unique<QProgressDialog>(QString::fromStdString(text), QString(), 0, 0, m_parent);
            plain->setWindowModality(Qt::WindowModal);
            plain->setMinimumDuration(400);
        }
        // The worker only trades numbers with the window: the fraction it
        // reached, and whether it should stop.
        const WorkerProgress hook = [&](double f) {
            fraction = f;
            return !stop;
        };
        std::thread worker([&] {
            ok = fn(hook);
            finished = true;
        });
        {
            QEventLoop loop;
            QTimer poll;
            poll.setInterval(15);
            bool polling = false;  // the progress window may run events, and so this timer, itself
            QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
                if (finished) {
                    loop.quit();
                    return;
                }
                if (!cancellable || polling || stop) return;
                polling = true;
                if (!prompt.UpdateProgress(fraction)) stop = true;
                polling = false;
            });
            poll.start();
            if (!finished) loop.exec();
        }
        worker.join();
        if (cancellable) prompt.EndProgress();
        plain.reset();
        m_host.SuspendPainting(false);
    }
    m_svc.FlushDeferredMessages();
    return ok;
}

bool CEditCommands::SaveDocument(CTavrilDoc& doc, const std::string& target)
{
    m_saveCancelled = false;
    // The two refusals the document gives without a word.
    std::error_code ec;
    if (!doc.HasWorkingCopy() && !IsUntitled(doc) && !fs::exists(doc.Path(), ec)) {
        m_svc.Prompt().ShowMessage("The file " + doc.Path() + " no longer exists, so there is nothing to save from.");
        return false;
    }
    if (CSoundFile::FormatFromName(target) == kFormatMeta) {
        m_svc.Prompt().ShowMessage(FileTitle(target) +
                                   " is the name of a metafile; a sound cannot be saved under it. Choose a sound "
                                   "file name (.wav, .aif, .sig, .snd).");
        return false;
    }
    // Converting an hour of sound takes a while; the window stays alive
    // and the user may change their mind.
    const bool ok = RunCancellable("Saving " + FileTitle(target) + "......", [&](const WorkerProgress& progress) {
        return doc.SaveDocument(target, progress);
    });
    m_saveCancelled = !ok && doc.SaveWasCancelled();
    if (ok && !doc.DroppedChunks().empty()) {
        // Saved, but not all of it: the user must hear what the new file lacks.
        std::string ids;
        for (const std::string& id : doc.DroppedChunks()) ids += (ids.empty() ? "'" : ", '") + id + "'";
        m_svc.Prompt().ShowMessage(FileTitle(target) + " was saved without the chunks " + ids +
                                   " of the sound: its format has no place for them.");
    }
    return ok;
}

EditOutcome CEditCommands::Save(const EditContext& c)
{
    EditOutcome o;
    if (!c.doc->IsModified()) {
        o.done = true;
        return o;
    }
    if (IsUntitled(*c.doc)) return SaveAs(c);
    o.done = SaveDocument(*c.doc, c.doc->Path());
    o.fileChanged = o.done;
    return o;
}

EditOutcome CEditCommands::SaveAs(const EditContext& c)
{
    EditOutcome o;
    std::string target;
    if (!ChooseSaveTarget(m_svc.Prompt(), "Save Sound As:", c.doc->Path(), DefaultExtension(), target,
                          m_host.SaveAsFilterIndex()))
        return o;
    const std::string before = c.doc->Path();
    o.done = SaveDocument(*c.doc, target);
    o.fileChanged = o.done;
    // Saving an unedited sound under a new name reopens it from there.
    o.soundChanged = o.done && before != target;
    return o;
}

void CEditCommands::SaveAll()
{
    std::set<CTavrilDoc*> seen;
    for (const EditContext& w : m_host.AllWindows()) {
        if (!w.doc || !seen.insert(w.doc).second || !w.doc->IsModified()) continue;
        const EditOutcome o = Save(w);
        if (o.done) m_host.DocumentChanged(w.doc, o);
        else if (IsUntitled(*w.doc) || m_saveCancelled) break;  // the user cancelled a Save (As)
    }
}

EditOutcome CEditCommands::Rename(const EditContext& c)
{
    EditOutcome o;
    std::string target;
    if (!ChooseSaveTarget(m_svc.Prompt(), "Enter a New Name for the Sound File:", c.doc->Path(), DefaultExtension(),
                          target) ||
        target == c.doc->Path())
        return o;
    // The edits are saved first, as long saves are: beside the event loop,
    // with Cancel (which then leaves the file under its old name).
    if (IsUntitled(*c.doc)) {
        o.done = SaveDocument(*c.doc, target);
        o.fileChanged = o.done;
        return o;
    }
    if (c.doc->IsModified() && !SaveDocument(*c.doc, c.doc->Path())) return o;
    o.done = c.doc->Rename(target);
    o.fileChanged = o.done;
    return o;
}

EditOutcome CEditCommands::Revert(const EditContext& c)
{
    EditOutcome o;
    const std::string path = c.doc->Path();
    if (!c.doc->OpenDocument(path)) {
        m_svc.Prompt().ShowMessage("The saved file " + path + " no longer exists. The sound is unchanged.");
        return o;
    }
    o.done = o.soundChanged = o.fileChanged = true;
    return o;
}

bool CEditCommands::AskToSaveChanges(CTavrilDoc& doc)
{
    if (!doc.IsModified()) return true;
    const IPrompt::Reply r = m_svc.Prompt().AskYesNoCancel("Save changes to " + FileTitle(doc.Path()) + "?");
    if (r == IPrompt::Reply::Cancel) return false;
    if (r == IPrompt::Reply::No) return true;
    EditContext c;
    c.doc = &doc;
    return Save(c).done;
}

EditOutcome CEditCommands::LoadInto(const EditContext& c)
{
    EditOutcome o;
    if (!AskToSaveChanges(*c.doc)) return o;
    IPrompt::PathRequest req;
    req.title = "Select a Sound File to Load into the Selected Window:";
    req.filter = kSoundFilter;
    req.filterIndex = m_host.LoadFilterIndex();
    req.proposedPath = IsUntitled(*c.doc) ? std::string() : fs::path(c.doc->Path()).parent_path().string();
    std::string path;
    if (!m_svc.Prompt().ChoosePath(req, path) || path.empty()) return o;
    if (!c.doc->OpenDocument(path)) {
        m_svc.Prompt().ShowMessage("The file " + path + " does not exist.");
        return o;
    }
    o.done = o.soundChanged = o.fileChanged = o.clearSelection = true;
    return o;
}

EditOutcome CEditCommands::DeleteAndClose(const EditContext& c)
{
    EditOutcome o;
    if (!IsUntitled(*c.doc)) {
        const std::string path = c.doc->Path();
        std::error_code ec;
        std::string trashedAs, why;
        if (fs::exists(path, ec) && !CTrashCan::Move(path, trashedAs, why)) {
            // A slip of the hand is recoverable only through the trash; going
            // without it is the user's decision.
            const IPrompt::Reply r = m_svc.Prompt().AskYesNoCancel(
                "The file " + path + " could not be moved to the trash (" + why + "). Delete it for good?");
            if (r != IPrompt::Reply::Yes) return o;
            if (!fs::remove(path, ec) || ec) {
                m_svc.Prompt().ShowMessage("The file " + path + " could not be deleted: " + ec.message() + ".",
                                           "Error");
                return o;
            }
        }
    }
    // The file is gone; closing must not offer to save the edits back.
    c.doc->SetModifiedFlag(false);
    o.done = o.closeWindow = true;
    return o;
}

void CEditCommands::ImportHeaderless()
{
    IPrompt& prompt = m_svc.Prompt();
    IPrompt::PathRequest req;
    req.title = "Select a Headerless Binary File to Import:";
    req.filter = "all files|*.*|";
    std::string source;
    if (!prompt.ChoosePath(req, source) || source.empty()) return;
    CDlgImportHeaderless dlg(m_svc.headerless, m_svc.SettingsFile(), m_parent);
    if (Exec(dlg) != QDialog::Accepted) return;
    m_svc.headerless = dlg.Settings();
    const ImportHeaderlessSettings s = m_svc.headerless;
    const std::string target = HeaderlessTargetName(source, s.fileType);
    std::error_code ec;
    if (fs::exists(target, ec) &&
        prompt.AskYesNoCancel(target + " already exists. Replace it with the imported sound?") != IPrompt::Reply::Yes)
        return;
    std::string message;
    const bool ok = RunInBackground("Importing " + FileTitle(source) + "......", [&] {
        return ::tavril::ImportHeaderless(source, target, s.sampleRate, static_cast<uint32_t>(s.channels), s.Bits(),
                                          static_cast<uint64_t>(s.byteOffset), message) == 1;
    });
    if (!ok) {
        prompt.ShowMessage("The file " + source + " could not be imported: " + message + ".");
        return;
    }
    m_host.OpenSoundWindow(target);
}

} // namespace tavril
