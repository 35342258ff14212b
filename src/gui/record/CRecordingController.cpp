#include "record/CRecordingController.h"

#include "common/CTrashCan.h"
#include "frame/CChildFrame.h"
#include "record/CDlgDetectRecordingFile.h"
#include "record/CDlgRecorderSettings.h"
#include "record/CDlgRecordingSettings.h"
#include "record/CRecordingDisplay.h"
#include "view/CSoundDocument.h"
#include "view/CTavrilView.h"

#include <QDateTime>
#include <QStorageInfo>
#include <algorithm>
#include <filesystem>

namespace tavril {

namespace {
constexpr int kHousekeepingMs = 50;
constexpr uint32_t kNoticeMs = 3000;
constexpr uint32_t kStatusRefreshMs = 1000;

QString Q(const std::string& s) { return QString::fromStdString(s); }

QString Size(double bytes)
{
    if (bytes >= 1e9) return QStringLiteral("%1 GB").arg(bytes / 1e9, 0, 'f', 1);
    return QStringLiteral("%1 MB").arg(bytes / 1e6, 0, 'f', 0);
}
} // namespace

CRecordingController::CRecordingController(CMainFrame& frame, IPrompt& prompt, CRecorderList& recorders,
                                           CAudioInputDeviceList* devices, IClock& clock, std::string settingsFile,
                                           QObject* parent)
    : QObject(parent), m_frame(frame), m_prompt(prompt), m_recorders(recorders), m_devices(devices), m_clock(clock),
      m_settingsFile(std::move(settingsFile)), m_runDialog([](QDialog& d) { return d.exec(); }),
      m_freeSpace([](const std::string& folder) {
          const QStorageInfo disk(Q(folder));
          return disk.isValid() ? double(disk.bytesAvailable()) : -1.0;
      })
{
    // Columns must come at the input's pace: a coarse timer would bunch them.
    m_tick.setTimerType(Qt::PreciseTimer);
    m_tick.setSingleShot(true);
    connect(&m_tick, &QTimer::timeout, this, [this] { Tick(); });
    m_housekeeping.setInterval(kHousekeepingMs);
    connect(&m_housekeeping, &QTimer::timeout, this, [this] { m_recorders.Housekeeping(-1); });
}

CRecordingController::~CRecordingController()
{
    m_tick.stop();
    m_housekeeping.stop();
    for (size_t i = 0; i < m_recorders.Count(); ++i) {
        m_recorders.At(i)->SetStoreHandler({});
        m_recorders.At(i)->SetStatusHandler({});
    }
}

// ----------------------------------------------------------------- commands

CommandExtension CRecordingController::Extend(CommandExtension inner)
{
    m_inner = inner;
    CommandExtension ext = inner;
    ext.handles = [this](Cmd id) { return Handles(id) || (m_inner.handles && m_inner.handles(id)); };
    ext.enabled = [this](Cmd id, CTavrilView* v) {
        if (Handles(id)) return Enabled(id, v);
        return m_inner.enabled ? m_inner.enabled(id, v) : true;
    };
    ext.text = [this](Cmd id, CTavrilView* v) {
        if (Handles(id)) return Text(id);
        return m_inner.text ? m_inner.text(id, v) : QString();
    };
    ext.run = [this](Cmd id, CTavrilView* v) {
        if (Handles(id) && Run(id, v)) return;
        if (m_inner.handles && m_inner.handles(id) && m_inner.run) m_inner.run(id, v);
    };
    ext.confirmExit = [this] { return ConfirmExit() && (!m_inner.confirmExit || m_inner.confirmExit()); };
    return ext;
}

bool CRecordingController::Handles(Cmd id) const
{
    switch (id) {
    case Cmd::RecordingSettings:
    case Cmd::VirtualRecorders:
    case Cmd::StartRecording:
    case Cmd::PauseRecording:
    case Cmd::SaveRecordingBuffer:
    case Cmd::DetectSounds:
    case Cmd::DeleteAndLoadNext: return true;
    // ESC stops playback when nothing records.
    case Cmd::StopAll: return IsRecording();
    default: return false;
    }
}

bool CRecordingController::Enabled(Cmd id, CTavrilView* v) const
{
    switch (id) {
    case Cmd::PauseRecording:
    case Cmd::SaveRecordingBuffer:
    case Cmd::StopAll: return IsRecording();
    case Cmd::DetectSounds:
    case Cmd::DeleteAndLoadNext: return v != nullptr && !v->Doc().Path().empty() && v != m_view;
    default: return true;
    }
}

QString CRecordingController::Text(Cmd id) const
{
    if (id == Cmd::StartRecording)
        return IsRecording() ? QStringLiteral("Stop &Recording\tR") : QStringLiteral("Start &Recording\tR");
    return {};
}

bool CRecordingController::Run(Cmd id, CTavrilView* v)
{
    switch (id) {
    case Cmd::StartRecording:
        if (IsRecording()) StopRecording();
        else StartRecording();
        break;
    case Cmd::PauseRecording: ToggleFreeze(); break;
    case Cmd::SaveRecordingBuffer: StoreKey(); break;
    case Cmd::StopAll: StopRecording(); break;
    case Cmd::RecordingSettings: CmdRecordingSettings(); break;
    case Cmd::VirtualRecorders: CmdRecorderList(); break;
    case Cmd::DetectSounds: CmdDetectSounds(v); break;
    case Cmd::DeleteAndLoadNext: CmdDeleteAndLoadNext(v); break;
    default: return false;
    }
    m_frame.UpdateCommandStates();
    return true;
}

// ---------------------------------------------------------------- recording

CTavrilView* CRecordingController::ChooseWindow()
{
    CTavrilView* active = m_frame.ActiveView();
    if (active && !active->Settings().m_preventRecording) return active;
    for (CChildFrame* w : m_frame.Windows())
        if (!w->View()->Settings().m_preventRecording) return w->View();
    // No window may record: a new one is made for the recording.
    m_frame.Dispatch(Cmd::FileNew);
    CTavrilView* made = m_frame.ActiveView();
    return made && made != active ? made : nullptr;
}

void CRecordingController::WireRecorders()
{
    for (size_t i = 0; i < m_recorders.Count(); ++i) {
        CVirtualRecorder* r = m_recorders.At(i);
        // The recorder reports from inside its store; the window takes the
        // result up once the store has returned, from its own copy.
        r->SetStoreHandler([this, i](const StoreResult& result) {
            QMetaObject::invokeMethod(
                this, [this, i, result] { if (i == 0) OnStored(result); else if (result.stored) emit Stored(Q(result.fileName)); },
                Qt::QueuedConnection);
        });
        r->SetStatusHandler([this](const std::string& text) {
            m_frame.SetStatusText(Q(text));
            if (m_display) m_display->SetNotice(Q(text));
            m_noticeUntilMs = m_clock.NowMs() + kNoticeMs;
            if (m_noticeUntilMs == 0) m_noticeUntilMs = 1;
        });
    }
}

void CRecordingController::StartRecording()
{
    if (IsRecording()) return;
    CVirtualRecorder* rt = RealTime();
    if (!rt) return;
    CTavrilView* view = ChooseWindow();
    if (!view) {
        m_prompt.ShowMessage("Every window is set to prevent recording.");
        return;
    }
    std::string whyNot;
    m_recorders.SetPriorityLevel(m_frame.Priority().level, whyNot);
    if (!whyNot.empty()) m_frame.SetStatusText(Q(whyNot));
    // The window's own file is never written over: recordings go to the
    // recorder's working file (or series names) and the window shows them,
    // so a field recording open in the window cannot be lost to a store.
    rt->SetDocumentFile({});
    // Working files are named as this instance's temporary files: another
    // instance starting up removes only temporary files whose owner is gone.
    for (size_t i = 0; i < m_recorders.Count(); ++i)
        m_recorders.At(i)->SetWorkingFileFactory([this] {
            std::string name = m_frame.Services().temps.NewName();
            m_workingFiles.insert(name);
            return name;
        });
    WireRecorders();
    m_recorders.StartOnCommand();
    if (!rt->IsRunning()) {
        // The device layer has told the user why ("Sound I/O Error: ...").
        m_recorders.StopOnCommand();
        return;
    }
    m_view = view;
    m_active = true;
    // A recording window closed by the user ends the recording with it.
    // The view is half gone then: neither it nor the display (its child)
    // may be touched.
    connect(view, &QObject::destroyed, this, [this] {
        m_view = nullptr;
        m_display = nullptr;
        StopRecording();
    });
    auto* display = new CRecordingDisplay(view);
    display->setGeometry(view->rect());
    display->show();
    display->raise();
    m_display = display;
    m_startMs = m_clock.NowMs();
    m_diskWarned = false;
    m_noticeUntilMs = 0;
    if (rt->settings.disableScreenSaver) m_screenSaver.Inhibit(QStringLiteral("Recording sound"));
    m_display->Begin(rt);
    m_frozen = false;
    m_pacer.Reset(m_clock.NowMs());
    ShowStatus(true);
    if (m_timersOn) m_housekeeping.start();
    ArmTick(CScrollPacer::kIdleDelayMs);
    m_frame.UpdateCommandStates();
}

void CRecordingController::EndDisplay()
{
    m_tick.stop();
    m_housekeeping.stop();
    if (m_view) disconnect(m_view, &QObject::destroyed, this, nullptr);
    if (m_display) delete m_display.data();
    if (m_view) m_view->Redraw();
    m_view = nullptr;
    m_active = false;
    m_frozen = false;
    m_screenSaver.Release();
}

void CRecordingController::StopRecording()
{
    if (!IsRecording()) return;
    if (CVirtualRecorder* rt = RealTime()) rt->Stop();
    m_recorders.StopOnCommand();
    EndDisplay();
    m_frame.SetStatusText({});
    m_frame.UpdateCommandStates();
}

void CRecordingController::ToggleFreeze()
{
    if (!IsRecording()) return;
    if (!m_frozen) {
        m_frozen = true;
        m_tick.stop();
        m_recorders.PauseOnSpace();
        m_frame.SetStatusText(QString::fromLatin1(kFrozenStatus));
        return;
    }
    m_recorders.ResumeOnSpace();
    m_frozen = false;
    m_pacer.Reset(m_clock.NowMs());
    m_display->Resume();
    ShowStatus(true);
    ArmTick(CScrollPacer::kIdleDelayMs);
}

void CRecordingController::StoreKey()
{
    if (!IsRecording()) return;
    if (CVirtualRecorder* rt = RealTime()) rt->StoreKey();
}

void CRecordingController::ArmTick(int delayMs)
{
    if (m_timersOn && delayMs >= 0) m_tick.start(delayMs);
}

int CRecordingController::Tick()
{
    if (!IsRecording() || m_frozen) return -1;
    if (m_beforeTick) m_beforeTick();
    CVirtualRecorder* rt = RealTime();
    if (!rt || !rt->IsRunning()) return -1;
    const CAcquisitionSettings& s = rt->settings;
    const uint32_t now = m_clock.NowMs();
    if (s.checkStopTime && int64_t(now - m_startMs) > int64_t(s.stopTimeMin) * 60000) {
        const bool exit = s.exitOnRecordTimeout;
        StopRecording();
        if (exit) QMetaObject::invokeMethod(&m_frame, [this] { m_frame.close(); }, Qt::QueuedConnection);
        return -1;
    }
    if (!m_view || !m_display) return -1;
    if (m_display->size() != m_view->size()) m_display->setGeometry(m_view->rect());
    const int bins = 32 << std::clamp(s.spectrogram.rtsFftSizeCode, 0, 5);
    const CScrollPacer::Plan plan = m_pacer.Begin(now, bins, rt->SampleRate(), s.msPerLine);
    rt->Housekeeping();
    int delay = CScrollPacer::kIdleDelayMs;
    if (plan.draw && s.enableScrolling) {
        const bool drawn = m_display->Draw(plan.lines, plan.steps);
        delay = m_pacer.End(plan, drawn, m_clock.NowMs());
    }
    ShowStatus();
    ArmTick(delay);
    return delay;
}

// ------------------------------------------------------------------- status

std::string CRecordingController::StoreFolder() const
{
    CVirtualRecorder* rt = RealTime();
    if (!rt) return {};
    namespace fs = std::filesystem;
    if (rt->settings.fileNameSettings == 1) {
        std::string folder = rt->settings.series.seriesPath;
        folder.erase(0, folder.find_first_not_of(' '));
        std::error_code ec;
        if (!folder.empty() && fs::is_directory(folder, ec)) return folder;
    }
    const std::string& work = rt->WorkingFile();
    return work.empty() ? fs::temp_directory_path().string() : fs::path(work).parent_path().string();
}

QString CRecordingController::DiskStatus()
{
    const std::string folder = StoreFolder();
    const double free = m_freeSpace(folder);
    if (free < 0.0) return {};
    CVirtualRecorder* rt = RealTime();
    const CAcquisitionSettings& s = rt->settings;
    const double bytesPerBuffer = s.RingRate() * double(std::max(1, s.channels)) * s.BytesPerSample() * s.bufferSecs;
    if (!m_diskWarned && free < bytesPerBuffer) {
        m_diskWarned = true;
        const QString warning = QStringLiteral("WARNING: the disk of %1 will fill within %2 s of recording (%3 free)")
                                    .arg(Q(folder))
                                    .arg(s.bufferSecs)
                                    .arg(Size(free));
        m_frame.SetStatusText(warning);
        m_noticeUntilMs = m_clock.NowMs() + kNoticeMs;
        if (m_noticeUntilMs == 0) m_noticeUntilMs = 1;
    }
    return QStringLiteral("%1 free on %2").arg(Size(free), Q(folder));
}

void CRecordingController::ShowStatus(bool force)
{
    const uint32_t now = m_clock.NowMs();
    if (m_noticeUntilMs && int32_t(now - m_noticeUntilMs) < 0 && !force) return;
    if (m_noticeUntilMs && int32_t(now - m_noticeUntilMs) >= 0) {
        m_noticeUntilMs = 0;
        if (m_display) m_display->SetNotice({});
        force = true;
    }
    if (!force && m_frame.StatusText().startsWith(QLatin1String("REC")) && now - m_lastStatusMs < kStatusRefreshMs)
        return;
    m_lastStatusMs = now;
    const QString disk = DiskStatus();
    if (m_noticeUntilMs && !force) return;  // the disk warning just took the line
    const QString base = QString::fromLatin1(m_frozen ? kFrozenStatus : kScrollingStatus);
    const QString clock = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss"));
    if (!m_diskWarned || !m_noticeUntilMs)
        m_frame.SetStatusText(QStringLiteral("%1    %2    %3").arg(base, clock, disk));
}

// -------------------------------------------------------------------- store

void CRecordingController::OnStored(const StoreResult& r)
{
    CVirtualRecorder* rt = RealTime();
    if (r.stored) {
        m_lastStored = r.fileName;
        emit Stored(Q(r.fileName));
    }
    if (!rt || !IsRecording()) return;
    const CAcquisitionSettings& s = rt->settings;
    if (r.stored) {
        auto doc = std::make_shared<CSoundDocument>(m_frame.Services());
        // A store under no name lives in a temporary file: the window holds it
        // as an unsaved sound, so closing asks before the recording is lost.
        const bool unnamed = m_workingFiles.count(r.fileName) > 0;
        if (m_view && (unnamed ? doc->AdoptAsUntitled(r.fileName) : doc->Open(r.fileName))) m_view->SetDocument(doc);
        m_frame.SetStatusText(QStringLiteral("Sound stored to %1").arg(Q(r.fileName)));
        m_noticeUntilMs = m_clock.NowMs() + kNoticeMs;
        if (m_noticeUntilMs == 0) m_noticeUntilMs = 1;
    } else if (!r.error.empty()) {
        m_prompt.ShowMessage("The sound could not be stored: " + r.error);
    }
    if (!s.openNewDisplay || !r.stored) {
        if (!r.cont || s.exitOnStore || !rt->IsRunning()) StopRecording();
    } else {
        QPointer<CTavrilView> recordingView = m_view;
        StopRecording();
        if (m_workingFiles.count(r.fileName)) {
            auto stored = m_frame.NewDocument();
            if (stored->AdoptAsUntitled(r.fileName)) m_frame.AddWindow(stored, m_frame.SettingsForNewWindow());
        } else {
            m_frame.OpenSoundFile(r.fileName);
        }
        if (r.cont && !s.exitOnStore && recordingView) {
            // Recording goes on in the window it was in, not over the file
            // just opened.
            for (CChildFrame* w : m_frame.Windows())
                if (w->View() == recordingView) m_frame.ActivateWindow(w);
            StartRecording();
        }
    }
    if (!r.cont && r.exit && r.durationMs != 0)
        QMetaObject::invokeMethod(&m_frame, [this] { m_frame.close(); }, Qt::QueuedConnection);
    m_frame.UpdateCommandStates();
}

bool CRecordingController::ConfirmExit()
{
    if (!IsRecording()) return true;
    const IPrompt::Reply reply = m_prompt.AskYesNoCancel(
        "Recording is in progress. Store the sound recorded since the last store before exiting?");
    if (reply == IPrompt::Reply::Cancel) return false;
    CVirtualRecorder* rt = RealTime();
    // Stores run to their end on this thread before the recorder stops, so
    // nothing half-written is left behind.
    if (reply == IPrompt::Reply::Yes && rt) {
        const StoreResult r = rt->Store(0, 0);
        if (!r.stored && !r.error.empty()) {
            m_prompt.ShowMessage("The sound could not be stored: " + r.error);
            return false;
        }
    }
    StopRecording();
    return true;
}

// ------------------------------------------------------------------ dialogs

void CRecordingController::CmdRecordingSettings()
{
    CVirtualRecorder* rt = RealTime();
    if (!rt) return;
    CDlgRecordingSettings d(rt->settings, CDlgRecordingSettings::DevicesOf(m_devices), rt->Namer().SavedCount(),
                            m_settingsFile, CAcquisitionSettings::Suffix(0), &m_frame);
    if (m_runDialog(d) != QDialog::Accepted) return;
    // Format and ring changes take effect at the next start; the display's
    // settings at the next column.
    rt->settings = d.Settings();
    rt->ResolveDevice();
}

void CRecordingController::CmdRecorderList()
{
    if (IsRecording()) {
        m_prompt.ShowMessage("Stop recording before changing the recorder list.");
        return;
    }
    CDlgRecorderList d(m_recorders, m_devices, m_settingsFile, &m_frame);
    m_runDialog(d);
}

void CRecordingController::CmdDetectSounds(CTavrilView* v)
{
    if (!v || !RealTime()) return;
    CTavrilDoc& doc = v->Doc().Doc();
    // The detector writes the annotation file itself: what the window holds
    // unsaved goes there first, and the window shows the file's records after.
    if (doc.HasAnnotationFile() && doc.Annotations().AnyModified()) doc.SaveAnnotations();
    CDlgDetectRecordingFile d(v->Doc().Path(), RealTime()->settings, m_settingsFile, &m_frame);
    m_runDialog(d);
    if (d.AnnotationsWritten() && doc.HasAnnotationFile()) m_frame.Dispatch(Cmd::ReloadAnnotations);
}

void CRecordingController::CmdDeleteAndLoadNext(CTavrilView* v)
{
    if (!v || v == m_view) return;
    const std::string previous = v->Doc().Path();
    if (previous.empty() || !v->StepFileInFolder(+1) || v->Doc().Path() == previous) return;
    // Into the desktop's trash, so that a slip of the hand can be undone
    // from the file manager; where that cannot be, the file stays.
    std::string trashedAs, error;
    if (!CTrashCan::Move(previous, trashedAs, error))
        m_prompt.ShowMessage("The file " + previous + " was not deleted: " + error);
}

} // namespace tavril
