#include "annotate/CAnnotationCommands.h"

#include "annotate/AnnotationDialogs.h"
#include "common/CTrashCan.h"
#include "frame/CChildFrame.h"
#include "AnnotationMetafile.h"
#include "MetafileSeries.h"
#include "TextLineFile.h"
#include "view/CTavrilView.h"

#include <QDialog>
#include <QMdiArea>
#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <cctype>
#include <filesystem>

namespace tavril {

namespace fs = std::filesystem;

namespace {

bool CursorsUsable(const CTavrilView& v)
{
    const WindowDisplaySettings& s = v.Settings();
    return !v.Flags().hideAllCursors && (s.m_timeCursorOn || s.m_freqAmpCursorOn);
}

// The name of the member file that holds `seconds` (a metafile's sound) or
// the sound's own file.
std::string SoundFileAt(CSoundDocument& doc, double seconds)
{
    const MetafileSeries* series = doc.Sound().Series();
    if (series && doc.SampleRate() > 0) {
        const int m = series->MemberAt(uint32_t(std::max(0.0, seconds * doc.SampleRate())));
        if (m >= 0) return series->Members()[size_t(m)].path;
    }
    return doc.Path();
}

std::string Lower(std::string s)
{
    for (auto& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

CAnnotationCommands::CAnnotationCommands(CMainFrame& frame, IPrompt& prompt, std::string settingsFile)
    : m_frame(frame), m_prompt(prompt), m_settingsFile(std::move(settingsFile))
{
    m_launch = [](const std::vector<std::string>& argv) {
        QStringList args;
        for (size_t i = 1; i < argv.size(); ++i) args << QString::fromStdString(argv[i]);
        return QProcess::startDetached(QString::fromStdString(argv[0]), args);
    };
    LoadSettings();
    // Settings files (".set") can carry both groups.
    m_frame.SetSettingsFileGroup("General annotation settings",
                                 {[this](const std::string& f) { m_settings.Save(f); },
                                  [this](const std::string& f) { m_settings = AnnotationSettings::Load(f); }});
    m_frame.SetSettingsFileGroup("Log file settings", {[this](const std::string& f) {
                                                           m_logger.Settings().Save(f);
                                                           m_logger.Keys().Save(f);
                                                       },
                                                       [this](const std::string& f) {
                                                           m_logger.SetSettings(LogfileSettings::Load(f));
                                                           const LogKeyList keys = LogKeyList::Load(f);
                                                           if (!keys.Entries().empty()) m_logger.Keys() = keys;
                                                       }});
    // A sound shown for the first time: offer the annotations found beside it.
    m_watch = QObject::connect(m_frame.Area(), &QMdiArea::subWindowActivated, &m_frame, [this](QMdiSubWindow* w) {
        auto* c = qobject_cast<CChildFrame*>(w);
        if (!c) return;
        CTavrilView* view = c->View();
        if (std::find(m_offered.begin(), m_offered.end(), view) != m_offered.end()) return;
        m_offered.erase(std::remove(m_offered.begin(), m_offered.end(), nullptr), m_offered.end());
        m_offered.emplace_back(view);
        OfferImportBeside(*view);
    });
}

CAnnotationCommands::~CAnnotationCommands()
{
    QObject::disconnect(m_watch);
    m_frame.SetSettingsFileGroup("General annotation settings", {});
    m_frame.SetSettingsFileGroup("Log file settings", {});
}

void CAnnotationCommands::LoadSettings()
{
    m_settings = AnnotationSettings::Load(m_settingsFile);
    m_logger.SetSettings(LogfileSettings::Load(m_settingsFile));
    m_logger.Keys() = LogKeyList::Load(m_settingsFile);
    m_logger.SetOn(m_frame.General().logfileOpen != 0);
}

bool CAnnotationCommands::Handles(Cmd id)
{
    switch (id) {
    case Cmd::AddAnnotationLink: case Cmd::ViewAnnotationFile: case Cmd::SaveAnnotations:
    case Cmd::AnnotationSettings: case Cmd::ImportAnnotations: case Cmd::ExportAnnotations:
    case Cmd::LogCurrent: case Cmd::LogSettings: case Cmd::LogBegin: case Cmd::LogView: case Cmd::LogComment:
    case Cmd::LogClear: case Cmd::EditAnnotation: case Cmd::RedefineAnnotationBox: case Cmd::PlayAnnotation:
    case Cmd::KlipAnnotation: case Cmd::DeleteAnnotation: case Cmd::DeleteAndLoadNext: case Cmd::PrevAnnotation:
    case Cmd::NextAnnotation: case Cmd::AnnotationStepUp: case Cmd::AnnotationStepDown:
    case Cmd::EditSelectionAnnotation: case Cmd::DeleteSelectedAnnotation: case Cmd::ReloadAnnotations:
        return true;
    default:
        return false;
    }
}

bool CAnnotationCommands::IsEnabled(Cmd id, CTavrilView* v) const
{
    const bool annotated = v && v->Doc().Doc().HasAnnotationFile();
    const bool selected = annotated && v->SelectedAnnotation();
    switch (id) {
    case Cmd::AddAnnotationLink: case Cmd::AnnotationSettings: case Cmd::LogCurrent: case Cmd::LogSettings:
    case Cmd::LogBegin: case Cmd::LogComment:
        return true;
    case Cmd::LogView: case Cmd::LogClear:
        return !m_logger.LogfilePath().empty();
    case Cmd::ViewAnnotationFile: case Cmd::SaveAnnotations: case Cmd::ReloadAnnotations:
    case Cmd::PrevAnnotation: case Cmd::NextAnnotation:
        return annotated;
    case Cmd::ImportAnnotations: case Cmd::ExportAnnotations: case Cmd::EditSelectionAnnotation:
    case Cmd::DeleteAndLoadNext:
        return v != nullptr;
    case Cmd::EditAnnotation: case Cmd::RedefineAnnotationBox: case Cmd::DeleteAnnotation:
    case Cmd::DeleteSelectedAnnotation: case Cmd::AnnotationStepUp: case Cmd::AnnotationStepDown:
        return selected;
    case Cmd::KlipAnnotation:
        return selected;
    case Cmd::PlayAnnotation:
        return false;  // playback arrives with the audio device layer
    default:
        return false;
    }
}

QString CAnnotationCommands::MenuText(Cmd id, CTavrilView*) const
{
    if (id == Cmd::LogBegin)
        return m_logger.IsOn() ? QStringLiteral("Stop Logging Data\tAlt+L") : QStringLiteral("Begin Logging Data\tAlt+L");
    if (id == Cmd::LogCurrent) {
        const std::string path = m_logger.LogfilePath();
        return QStringLiteral("Current Logfile: ") + (path.empty() ? QStringLiteral("<none>") : QString::fromStdString(path));
    }
    return {};
}

CommandExtension CAnnotationCommands::Chain(CommandExtension next)
{
    CommandExtension ext;
    ext.handles = [next](Cmd id) { return Handles(id) || (next.handles && next.handles(id)); };
    ext.enabled = [this, next](Cmd id, CTavrilView* v) {
        if (Handles(id)) return IsEnabled(id, v);
        return next.enabled ? next.enabled(id, v) : true;
    };
    ext.text = [this, next](Cmd id, CTavrilView* v) {
        if (Handles(id)) return MenuText(id, v);
        return next.text ? next.text(id, v) : QString();
    };
    ext.run = [this, next](Cmd id, CTavrilView* v) {
        if (Handles(id)) {
            Run(id, v);
            return;
        }
        const bool saving = id == Cmd::FileSave || id == Cmd::FileSaveAs;
        CTavrilDoc* doc = v && saving ? &v->Doc().Doc() : nullptr;
        const bool wasModified = doc && doc->IsModified();
        const std::string before = doc ? doc->Path() : std::string();
        if (next.run) next.run(id, v);
        if (doc && !doc->IsModified() && (wasModified || doc->Path() != before))
            m_logger.LogSaved(DataLogger::Now(), doc->Path(), doc->Path());
    };
    ext.confirmClose = next.confirmClose;
    return ext;
}

int CAnnotationCommands::Exec(QDialog& d) { return m_driver ? m_driver(d) : d.exec(); }

AnnotationRecord* CAnnotationCommands::Selected(CTavrilView& v) const
{
    const AnnotationRecord* s = v.SelectedAnnotation();
    if (!s) return nullptr;
    // The record may have gone with a reload; a stale pointer is never used.
    for (const auto& r : v.Doc().Doc().Annotations().Records())
        if (r.get() == s) return r.get();
    v.SetSelectedAnnotation(nullptr);
    return nullptr;
}

void CAnnotationCommands::Select(CTavrilView& v, const AnnotationRecord* r, bool bringIntoView)
{
    v.SetSelectedAnnotation(r);
    if (r && bringIntoView && v.IsFixedScale()) {
        const PaneGeometry g = v.Geometry(0);
        const double t0 = g.s0 / g.fs, t1 = (g.s0 + (g.right - g.left) * g.spp) / g.fs;
        if (r->LeftSec() < t0 || r->LeftSec() > t1) v.GoToTime(r->LeftSec());
    }
    m_frame.UpdateCommandStates();
}

void CAnnotationCommands::RedrawWindowsOf(CTavrilDoc& doc, bool clearSelection)
{
    for (CChildFrame* w : m_frame.Windows()) {
        CTavrilView* view = w->View();
        if (&view->Doc().Doc() != &doc) continue;
        if (clearSelection) view->SetSelectedAnnotation(nullptr);
        view->Redraw();
    }
    m_frame.UpdateCommandStates();
}

void CAnnotationCommands::Changed(CTavrilView& v)
{
    CTavrilDoc& doc = v.Doc().Doc();
    if (m_settings.saveWithEveryChange) {
        if (!doc.SaveAnnotations()) doc.SetModifiedFlag(true);
    } else {
        doc.SetModifiedFlag(true);
    }
    RedrawWindowsOf(doc, false);
}

bool CAnnotationCommands::AskComment(std::string& comment, std::string* notes)
{
    CDlgEnterComment d(comment, notes != nullptr, &m_frame);
    if (Exec(d) != QDialog::Accepted) return false;
    comment = d.Comment();
    if (notes) *notes = d.Notes();
    return true;
}

void CAnnotationCommands::LogAction(CTavrilView& v)
{
    CSoundDocument& sd = v.Doc();
    CTavrilDoc& doc = sd.Doc();
    const double fs = sd.SampleRate();
    if (fs <= 0) return;
    const CursorSet& c = v.Cursors();
    const bool usable = CursorsUsable(v);
    const bool box = usable && !(c.leftTime == c.rightTime && c.upper == c.lower);
    const double leftSec = std::min(c.leftTime, c.rightTime) / fs;
    const double rightSec = std::max(c.leftTime, c.rightTime) / fs;
    const double topHz = std::max(c.upper, c.lower), bottomHz = std::min(c.upper, c.lower);
    const int channel = v.PaneCount() > 0 ? v.Pane(std::clamp(v.CursorPane(), 0, v.PaneCount() - 1))->ChannelShown() + 1 : 1;
    LogSelection sel;
    sel.channel = channel;
    sel.topHz = topHz;
    sel.bottomHz = bottomHz;
    sel.leftSec = leftSec;
    sel.rightSec = rightSec;
    sel.timeOffsetSec = ParseTimeOffset(v.Settings().m_timeOffset);
    sel.waveform = v.Settings().m_displayType == 0;
    const std::string soundName = sd.Path();

    if (doc.HasAnnotationFile()) {
        AnnotationRecord* selected = Selected(v);
        if (!box) {
            if (selected) EditSelected(v);
            return;
        }
        if (v.RedefineArmed() && selected) {
            selected->SetBox(leftSec, rightSec, bottomHz, topHz, channel);
            v.SetRedefineArmed(false);
            Changed(v);
            return;
        }
        v.SetRedefineArmed(false);
        std::string comment, notes;
        if (m_settings.requestComment && !AskComment(comment, &notes)) return;
        std::string error;
        AnnotationRecord* r = doc.Annotations().Add(
            leftSec, rightSec, bottomHz, topHz, channel, SoundFileAt(sd, leftSec), comment, notes,
            m_settings.saveStartTime, m_settings.saveStartDate, doc.RecordingStart(), m_settings.saveWithEveryChange,
            doc.AnnotationPath(), &error);
        if (!error.empty()) m_prompt.ShowMessage("Error Logging Annotation: " + error);
        if (r->IsModified()) doc.SetModifiedFlag(true);
        Select(v, r, false);
        RedrawWindowsOf(doc, false);
        if (m_logger.CanLog() && !m_logger.Settings().useAnnotationFile)
            m_logger.LogSelectionLine(DataLogger::Now(), soundName, sel, m_settings.requestComment ? &comment : nullptr);
        return;
    }
    if (!m_logger.CanLog()) return;
    if (m_logger.Settings().confirmEntries && m_prompt.AskYesNoCancel("LOG FILE ENTRY?") != IPrompt::Reply::Yes) return;
    std::string comment = m_logger.LastComment();
    const bool wantComment = m_logger.Settings().requestComment;
    if (wantComment && !AskComment(comment, nullptr)) return;
    if (usable) m_logger.LogSelectionLine(DataLogger::Now(), soundName, sel, wantComment ? &comment : nullptr);
    else m_logger.LogPointLine(DataLogger::Now(), soundName, wantComment ? &comment : nullptr);
}

void CAnnotationCommands::EditSelected(CTavrilView& v)
{
    AnnotationRecord* r = Selected(v);
    if (!r) return;
    AnnotationEntry e;
    e.soundPath = r->SoundFile();
    e.comment = r->Comment();
    e.leftSec = r->LeftSec();
    e.rightSec = r->RightSec();
    e.topHz = r->TopHz();
    e.bottomHz = r->BottomHz();
    e.channel = r->Channel();
    e.notes = r->NotesForDisplay();
    CDlgEditAnnotation d(e, &m_frame);
    if (Exec(d) != QDialog::Accepted) return;
    const AnnotationEntry out = d.Entry();
    r->SetBox(out.leftSec, out.rightSec, out.bottomHz, out.topHz, out.channel);
    r->SetComment(out.comment);
    r->SetNotes(out.notes);
    Changed(v);
}

void CAnnotationCommands::DeleteSelected(CTavrilView& v)
{
    AnnotationRecord* r = Selected(v);
    if (!r) return;
    if (m_settings.confirmDeletions && m_prompt.AskYesNoCancel("Delete this annotation?") != IPrompt::Reply::Yes) return;
    AnnotationFile& file = v.Doc().Doc().Annotations();
    const AnnotationRecord* next = file.Next(r, r->Channel());
    if (!next) next = file.Previous(r, r->Channel());
    file.Remove(r);
    // Every window on this sound may have had the record selected.
    for (CChildFrame* w : m_frame.Windows())
        if (w->View()->SelectedAnnotation() == r) w->View()->SetSelectedAnnotation(nullptr);
    v.SetSelectedAnnotation(next);
    Changed(v);
}

void CAnnotationCommands::Step(CTavrilView& v, int direction)
{
    AnnotationFile& file = v.Doc().Doc().Annotations();
    const AnnotationRecord* from = Selected(v);
    const double t = v.Doc().SampleRate() > 0 ? std::min(v.Cursors().leftTime, v.Cursors().rightTime) / v.Doc().SampleRate() : 0;
    const AnnotationRecord* to = from ? (direction < 0 ? file.Previous(from) : file.Next(from))
                                      : (direction < 0 ? file.PreviousBefore(t) : file.NextAfter(t));
    if (!from && !to) to = direction < 0 ? file.Last() : file.First();
    if (to) Select(v, to, true);
}

void CAnnotationCommands::StepBand(CTavrilView& v, int direction)
{
    // Stacked boxes (a call over another, harmonics): the overlapping record
    // of the same channel whose band lies next above (below).
    const AnnotationRecord* from = Selected(v);
    if (!from) return;
    const AnnotationRecord* best = nullptr;
    for (AnnotationRecord* r : v.Doc().Doc().Annotations().Overlapping(from->LeftSec(), from->RightSec(), from->Channel())) {
        if (r == from) continue;
        const double d = direction > 0 ? r->BottomHz() - from->BottomHz() : from->BottomHz() - r->BottomHz();
        const double bestD = best ? (direction > 0 ? best->BottomHz() - from->BottomHz() : from->BottomHz() - best->BottomHz()) : 0;
        if (d > 0 && (!best || d < bestD)) best = r;
    }
    if (best) Select(v, best, false);
}

void CAnnotationCommands::View(const std::string& path)
{
    if (path.empty()) return;
    const std::vector<std::string> argv = TextLineFile(path).ViewerCommand(m_viewerProgram, m_viewerArgs);
    if (!m_launch(argv)) m_prompt.ShowMessage("The viewer " + argv[0] + " could not be started for " + path + ".");
}

void CAnnotationCommands::AddLink()
{
    CDlgAnnotationSetupWiz wiz(m_prompt, &m_frame);
    if (Exec(wiz) != QDialog::Accepted) return;
    const AnnotationLinkResult r = AddAnnotationLink(wiz.SoundPath(), wiz.AnnotationName(), wiz.AnnotationFolder());
    for (const auto& note : r.notes) m_prompt.ShowMessage(note);
    m_prompt.ShowMessage(r.message);
    if (r.ok && m_prompt.AskYesNoCancel("Open the new metafile now and start annotating?") == IPrompt::Reply::Yes)
        m_frame.OpenSoundFile(r.metafilePath);
}

void CAnnotationCommands::ImportAnnotations(CTavrilView& v, const std::string& path)
{
    AnnotationFile imported;
    ExchangeInfo info;
    std::string error;
    if (!ReadAnnotationsFile(path, AnnotationFormat::Unknown, imported, info, error)) {
        m_prompt.ShowMessage("The annotations of " + path + " could not be read: " + error);
        return;
    }
    CSoundDocument& sd = v.Doc();
    if (!sd.Doc().HasAnnotationFile()) {
        // Annotations live in an annotation file, which a metafile links to
        // the sound: make the link and show the sound through it.
        const std::string stem = fs::path(sd.Path()).stem().string();
        const AnnotationLinkResult link = AddAnnotationLink(sd.Path(), stem + " annotations.log", "");
        if (!link.ok) {
            m_prompt.ShowMessage(link.message);
            return;
        }
        if (!sd.Open(link.metafilePath)) return;
        v.SetDocument(v.Document());
    }
    AnnotationFile& file = sd.Doc().Annotations();
    const std::string soundName = FileNameOf(SoundFileAt(sd, 0));
    for (const auto& r : imported.Records()) {
        AnnotationRecord copy = *r;
        if (copy.SoundFile().empty()) copy.SetSoundFile(soundName);
        file.AddRecord(copy);
    }
    for (const auto& w : info.warnings) m_prompt.ShowMessage(w);
    Changed(v);
}

void CAnnotationCommands::ExportAnnotations(CTavrilView& v)
{
    IPrompt::PathRequest req;
    req.title = "Export annotations to:";
    req.filter = "Raven selection table|*.selections.txt|Audacity labels|*.txt|Praat TextGrid|*.TextGrid|";
    req.proposedPath = fs::path(v.Doc().Path()).replace_extension(".Table.1.selections.txt").string();
    req.forSaving = true;
    std::string path;
    if (!m_prompt.ChoosePath(req, path)) return;
    const std::string name = Lower(fs::path(path).filename().string());
    const AnnotationFormat format = name.ends_with(".textgrid")      ? AnnotationFormat::TextGrid
                                    : name.find("selection") != std::string::npos ? AnnotationFormat::Raven
                                    : name.ends_with(".log")          ? AnnotationFormat::Tavril
                                                                      : AnnotationFormat::Audacity;
    ExchangeInfo info;
    info.domainEndSec = v.Doc().SampleRate() > 0 ? v.Doc().Frames() / v.Doc().SampleRate() : -1;
    std::string error;
    AnnotationFile& file = v.Doc().Doc().Annotations();
    if (format == AnnotationFormat::Tavril) {
        // A copy: the sound's own annotation file keeps its modified state.
        AnnotationFile copy;
        for (const auto& r : file.Records()) copy.AddRecord(*r);
        if (!WriteAnnotationsFile(path, format, copy, info, error)) m_prompt.ShowMessage(error);
        return;
    }
    if (!WriteAnnotationsFile(path, format, file, info, error))
        m_prompt.ShowMessage("The annotations could not be written to " + path + ": " + error);
}

void CAnnotationCommands::OfferImportBeside(CTavrilView& v)
{
    CSoundDocument& sd = v.Doc();
    if (sd.Doc().IsMetafile() || sd.Doc().Annotations().Count() > 0 || sd.Path() == CSoundDocument::kUntitled) return;
    const fs::path p(sd.Path());
    const std::string stem = (p.parent_path() / p.stem()).string();
    const std::pair<std::string, const char*> candidates[] = {{stem + ".Table.1.selections.txt", "Raven selection table"},
                                                              {stem + ".selections.txt", "Raven selection table"},
                                                              {stem + ".txt", "Audacity label file"}};
    std::error_code ec;
    for (const auto& [path, kind] : candidates) {
        if (!fs::is_regular_file(path, ec)) continue;
        if (m_prompt.AskYesNoCancel(std::string("A ") + kind + " lies beside the sound:\n" + path +
                                    "\nImport its annotations?") == IPrompt::Reply::Yes)
            ImportAnnotations(v, path);
        return;
    }
}

void CAnnotationCommands::ShowSettings()
{
    CDlgAnnotationSettings d(m_settings, m_settingsFile, &m_frame);
    if (Exec(d) != QDialog::Accepted) return;
    m_settings = d.Settings();
    // The documents read these when they save; keep them where they look.
    if (!m_settings.Save(m_settingsFile)) m_prompt.ShowMessage("The annotation settings could not be stored.");
}

void CAnnotationCommands::ShowLogfileSettings()
{
    CDlgLogfileSettings d(m_logger.Settings(), m_logger.Keys(), m_prompt, m_settingsFile, &m_frame);
    if (Exec(d) != QDialog::Accepted) return;
    m_logger.SetSettings(d.Settings());
    m_logger.Keys() = d.Keys();
    m_frame.UpdateCommandStates();
}

void CAnnotationCommands::DeleteAndLoadNext(CTavrilView& v)
{
    const std::string path = v.Doc().Path();
    if (!v.StepFileInFolder(+1)) {
        // The last file of its series: delete it and close, as the plain command does.
        m_frame.Dispatch(Cmd::FileDeleteAndClose);
        return;
    }
    std::string trashedAs, why;
    if (!CTrashCan::Move(path, trashedAs, why))
        m_prompt.ShowMessage("The file " + path + " could not be moved to the trash (" + why + "); it was kept.");
}

void CAnnotationCommands::Run(Cmd id, CTavrilView* v)
{
    switch (id) {
    case Cmd::AddAnnotationLink: AddLink(); return;
    case Cmd::AnnotationSettings: ShowSettings(); return;
    case Cmd::LogCurrent:
    case Cmd::LogSettings: ShowLogfileSettings(); return;
    case Cmd::LogBegin:
        m_logger.SetOn(!m_logger.IsOn());
        m_frame.General().logfileOpen = m_logger.IsOn() ? 1 : 0;
        m_frame.UpdateCommandStates();
        return;
    case Cmd::LogView: View(m_logger.LogfilePath()); return;
    case Cmd::LogComment: {
        std::string comment = m_logger.LastComment();
        if (!AskComment(comment, nullptr)) return;
        m_logger.LogComment(DataLogger::Now(), v ? v->Doc().Path() : std::string(), comment);
        return;
    }
    case Cmd::LogClear:
        if (m_prompt.AskYesNoCancel("Really want to clear the contents of the logfile?") == IPrompt::Reply::Yes &&
            !m_logger.ClearLogfile())
            m_prompt.ShowMessage("The logfile " + m_logger.LogfilePath() + " could not be cleared.");
        return;
    default: break;
    }
    if (!v) return;
    CTavrilDoc& doc = v->Doc().Doc();
    switch (id) {
    case Cmd::ViewAnnotationFile: View(doc.AnnotationPath()); break;
    case Cmd::SaveAnnotations:
        if (doc.SaveAnnotations() && doc.IsMetafile()) doc.SetModifiedFlag(false);
        break;
    case Cmd::ImportAnnotations: {
        IPrompt::PathRequest req;
        req.title = "Import annotations from:";
        req.filter = "Annotation files|*.txt;*.TextGrid;*.log|";
        std::string path;
        if (m_prompt.ChoosePath(req, path)) ImportAnnotations(*v, path);
        break;
    }
    case Cmd::ExportAnnotations: ExportAnnotations(*v); break;
    case Cmd::EditAnnotation: EditSelected(*v); break;
    case Cmd::RedefineAnnotationBox: v->SetRedefineArmed(true); break;
    case Cmd::DeleteAnnotation:
    case Cmd::DeleteSelectedAnnotation: DeleteSelected(*v); break;
    case Cmd::PrevAnnotation: Step(*v, -1); break;
    case Cmd::NextAnnotation: Step(*v, +1); break;
    case Cmd::AnnotationStepUp: StepBand(*v, +1); break;
    case Cmd::AnnotationStepDown: StepBand(*v, -1); break;
    case Cmd::EditSelectionAnnotation: LogAction(*v); break;
    case Cmd::ReloadAnnotations:
        doc.LoadAnnotations();
        RedrawWindowsOf(doc, true);
        break;
    case Cmd::KlipAnnotation:
        if (const AnnotationRecord* r = Selected(*v)) {
            const double fs = v->Doc().SampleRate();
            v->Cursors().SetTimeCursors(std::llround(r->LeftSec() * fs), std::llround(r->RightSec() * fs));
            v->CursorsChanged();
            m_frame.Dispatch(Cmd::KlipSave);
        }
        break;
    case Cmd::DeleteAndLoadNext: DeleteAndLoadNext(*v); break;
    default: break;
    }
}

bool CAnnotationCommands::OfferKey(char c)
{
    return m_logger.CanLog() && m_logger.LogKey(DataLogger::Now(), char32_t(static_cast<unsigned char>(c)));
}

void CAnnotationCommands::LogPlayed(const std::string& soundPath, CTavrilView* active)
{
    m_logger.LogPlayed(DataLogger::Now(), active ? active->Doc().Path() : std::string(), soundPath);
}

} // namespace tavril
