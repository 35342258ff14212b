#include "trials/CTrialCommands.h"

#include "CVirtualRecorder.h"
#include "ISoundPlayer.h"
#include "frame/CMainFrame.h"
#include "trials/CDlgPlaybackTrialSettings.h"

#include <QDateTime>
#include <QLabel>
#include <QStatusBar>

namespace tavril {

CTrialCommands::CTrialCommands(CMainFrame& frame, IPrompt& prompt, ISoundPlayer* cuePlayer,
                               CPlaybackController* playback, QObject* parent)
    : QObject(parent), m_frame(frame), m_prompt(prompt), m_cuePlayer(cuePlayer), m_playback(playback),
      m_trial(m_settings, *this) {
    for (int id : {CPlaybackTrial::kClockTimer, CPlaybackTrial::kPostTrialTimer, CPlaybackTrial::kPostTrialStatusTimer}) {
        auto* t = new QTimer(this);
        t->setSingleShot(true);  // the trial re-arms its clock at every tick
        connect(t, &QTimer::timeout, this, [this, id] {
            m_trial.OnTimer(id);
            m_frame.UpdateCommandStates();
        });
        m_timers[id] = t;
    }
}

CTrialCommands::~CTrialCommands() {
    if (m_timerWindow)
        delete m_timerWindow.data();
}

bool CTrialCommands::Handles(Cmd id) {
    switch (id) {
    case Cmd::TrialSettings:
    case Cmd::TrialTrigger:
    case Cmd::TrialStartTimer:
    case Cmd::TrialShowTimer:
    case Cmd::TrialRecording:
    case Cmd::TrialSaveBuffer: return true;
    default: return false;
    }
}

CommandExtension CTrialCommands::Extension() {
    CommandExtension ext;
    ext.handles = &CTrialCommands::Handles;
    ext.enabled = [this](Cmd id, CTavrilView*) { return IsEnabled(id); };
    ext.text = [this](Cmd id, CTavrilView*) { return Text(id); };
    ext.run = [this](Cmd id, CTavrilView*) { Run(id); };
    return ext;
}

void CTrialCommands::LoadSettings() {
    m_settings.Load("");
    m_trial.SetTriggerArmed(m_frame.General().trialStartTriggerOn != 0);
}

void CTrialCommands::SaveSettings() const { m_settings.Save(""); }

bool CTrialCommands::IsEnabled(Cmd id) const {
    if (id == Cmd::TrialRecording || id == Cmd::TrialSaveBuffer)
        return m_recording.trialRecorder != nullptr;
    return true;
}

QString CTrialCommands::Text(Cmd id) const {
    switch (id) {
    case Cmd::TrialStartTimer:
        return m_trial.IsRunning() ? QStringLiteral("STOP playback trial") : QStringLiteral("START playback trial");
    case Cmd::TrialShowTimer:
        return m_timerWindow && m_timerWindow->isVisible() ? QStringLiteral("Hide timer window")
                                                           : QStringLiteral("Show timer window");
    case Cmd::TrialRecording:
        return TrialRecorderRunning() ? QStringLiteral("Turn trial recording OFF")
                                      : QStringLiteral("Turn trial recording ON");
    case Cmd::TrialTrigger:
        return m_trial.TriggerArmed() ? QStringLiteral("Set trial start trigger  (armed)") : QString();
    default: return {};
    }
}

void CTrialCommands::Run(Cmd id) {
    switch (id) {
    case Cmd::TrialSettings: CmdSettings(); break;
    case Cmd::TrialTrigger:
        m_trial.ToggleTrigger();
        m_frame.General().trialStartTriggerOn = m_trial.TriggerArmed() ? 1 : 0;
        break;
    case Cmd::TrialStartTimer: m_trial.StartStop(); break;
    case Cmd::TrialShowTimer: ToggleTimerWindow(); break;
    case Cmd::TrialRecording: m_trial.TrialRecording(); break;
    case Cmd::TrialSaveBuffer: m_trial.SaveBufferNow(); break;
    default: break;
    }
}

void CTrialCommands::CmdSettings() {
    CDlgPlaybackTrialSettings dlg(m_settings, [this](const std::string& path) { PlayCue(path, false); }, &m_frame);
    const int r = m_driver ? m_driver(dlg) : dlg.exec();
    if (r != QDialog::Accepted)
        return;
    m_settings = dlg.Settings();
    if (!m_settings.Save(""))
        m_prompt.ShowMessage("The playback trial settings could not be saved.");
}

void CTrialCommands::ToggleTimerWindow() {
    if (m_timerWindow && m_timerWindow->isVisible()) {
        KeepTimerWindowPlace();
        m_timerWindow->hide();
        return;
    }
    ShowTimerWindow(true);
}

void CTrialCommands::KeepTimerWindowPlace() {
    if (!m_timerWindow)
        return;
    const QRect g = m_timerWindow->geometry();
    m_settings.timerWinLeft = g.left();
    m_settings.timerWinTop = g.top();
    m_settings.timerWinRight = g.right() + 1;
    m_settings.timerWinBottom = g.bottom() + 1;
}

// ----------------------------------------------------------------- the host

int64_t CTrialCommands::NowSeconds() const { return QDateTime::currentSecsSinceEpoch(); }

void CTrialCommands::ArmTimer(int id, int ms) {
    if (auto it = m_timers.find(id); it != m_timers.end())
        it->second->start(ms);
}

void CTrialCommands::KillTimer(int id) {
    if (auto it = m_timers.find(id); it != m_timers.end())
        it->second->stop();
}

bool CTrialCommands::IsRecording() const { return m_recording.isRecording && m_recording.isRecording(); }

void CTrialCommands::StartRecording() {
    if (m_recording.startRecording)
        m_recording.startRecording();
}

void CTrialCommands::StopRecording() {
    if (m_recording.stopRecording)
        m_recording.stopRecording();
}

void CTrialCommands::SetDetectorsOn(bool on) {
    if (m_recording.setDetectorsOn)
        m_recording.setDetectorsOn(on);
}

bool CTrialCommands::IsLoopPlaying() const { return m_playback && m_playback->IsLooping(); }

void CTrialCommands::StartLoopPlayback() {
    if (!IsLoopPlaying())
        m_frame.Dispatch(Cmd::LoopPlayback);
}

void CTrialCommands::StopLoopPlayback() {
    if (IsLoopPlaying())
        m_frame.Dispatch(Cmd::LoopPlayback);
}

bool CTrialCommands::IsSinglePlaybackSounding() const {
    return m_playback && m_playback->IsPlaying() && !m_playback->IsLooping();
}

void CTrialCommands::PlayCue(const std::string& path, bool wait) {
    if (!m_cuePlayer || path.empty())
        return;
    PlayRequest r;
    r.path = path;
    // A cue that cannot be played is skipped without a word.
    if (wait)
        m_cuePlayer->PlaySync(r);
    else
        m_cuePlayer->PlayAsync(r);
}

bool CTrialCommands::TrialRecorderRunning() const {
    return m_recording.trialRecorder && m_recording.trialRecorder->IsRunning();
}

void CTrialCommands::StartTrialRecorder() {
    if (m_recording.trialRecorder && m_recording.trialRecorder->Start() == 0)
        m_prompt.ShowMessage("The trial recorder could not start: " + m_recording.trialRecorder->Status());
}

void CTrialCommands::StopTrialRecorder() {
    if (m_recording.trialRecorder)
        m_recording.trialRecorder->Stop();
}

int CTrialCommands::TrialRecorderBufferSecs() const {
    return m_recording.trialRecorder ? m_recording.trialRecorder->settings.bufferSecs : 0;
}

void CTrialCommands::SetTrialRecorderBuffer(int seconds) {
    if (m_recording.trialRecorder)
        m_recording.trialRecorder->settings.bufferSecs = std::max(1, seconds);
}

bool CTrialCommands::TrialRecorderHasFrames() const {
    return m_recording.trialRecorder && m_recording.trialRecorder->FramesAvailable() > 0;
}

void CTrialCommands::StoreTrialAudio(const std::string& path) {
    CVirtualRecorder* r = m_recording.trialRecorder;
    if (!r)
        return;
    // Written over the trial's own file, whatever the recorder's naming says.
    r->settings.writeOver = true;
    r->settings.fileNameSettings = 0;
    r->SetDocumentFile(path);
    const StoreResult result = r->Store(0, 0);
    if (!result.stored && !result.error.empty())
        m_prompt.ShowMessage("The trial audio could not be saved: " + result.error);
}

void CTrialCommands::OpenLog(const std::string& path) {
    if (m_log.open)
        m_log.open(path);
}

void CTrialCommands::Log(const std::string& line) {
    if (m_log.log)
        m_log.log(line);
}

std::string CTrialCommands::CurrentDisplayFile() const { return m_frame.CurrentDisplayFile(); }

void CTrialCommands::ShowStatus(const std::string& text) {
    m_frame.statusBar()->showMessage(QString::fromStdString(text));
}

void CTrialCommands::ShowTimerWindow(bool create) {
    if (!m_timerWindow && create) {
        m_timerWindow = new QLabel(&m_frame, Qt::Tool | Qt::WindowStaysOnTopHint);
        m_timerWindow->setWindowTitle(QStringLiteral("Trial Timer"));
        QFont f = m_timerWindow->font();
        f.setPointSizeF(f.pointSizeF() * 1.6);
        f.setBold(true);
        m_timerWindow->setFont(f);
        m_timerWindow->setAlignment(Qt::AlignCenter);
        m_timerWindow->setText(QStringLiteral("Trial:00:00:00  PB:00:00:00  #Playbacks: 0"));
        const PlaybackTrialSettings& s = m_settings;
        m_timerWindow->setGeometry(s.timerWinLeft, s.timerWinTop, std::max(120, s.timerWinRight - s.timerWinLeft),
                                   std::max(40, s.timerWinBottom - s.timerWinTop));
    }
    if (m_timerWindow)
        m_timerWindow->show();
}

void CTrialCommands::ShowTimerText(const std::string& text) {
    if (m_timerWindow)
        m_timerWindow->setText(QString::fromStdString(text));
}

bool CTrialCommands::AskYesNo(const std::string& question) {
    return m_prompt.AskYesNoCancel(question) == IPrompt::Reply::Yes;
}

} // namespace tavril
