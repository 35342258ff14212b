#include "playback/CPlaybackCommands.h"

#include "AudioErrors.h"
#include "SettingsStore.h"
#include "frame/CChildFrame.h"
#include "frame/CCommandActions.h"
#include "frame/CFrameEditHost.h"
#include "playback/CDlgLoopPlayback.h"
#include "playback/CPlayPositionLine.h"
#include "view/CTavrilView.h"

#include <QAction>
#include <QStatusBar>

#include <filesystem>

namespace tavril {

namespace {

constexpr Cmd kPlayCommands[] = {Cmd::PlayEntire, Cmd::PlayClipboard, Cmd::LoopPlayback};

double SpeedOf(Cmd id)
{
    switch (id) {
    case Cmd::PlaySpeedHalf: return 0.5;
    case Cmd::PlaySpeedQuarter: return 0.25;
    case Cmd::PlaySpeedEighth: return 0.125;
    default: return 1.0;
    }
}

bool IsSpeed(Cmd id)
{
    return id == Cmd::PlaySpeedNormal || id == Cmd::PlaySpeedHalf || id == Cmd::PlaySpeedQuarter ||
           id == Cmd::PlaySpeedEighth;
}

// Commands that only read the sound: they may run while it plays.
bool LeavesSoundAlone(Cmd id)
{
    return id == Cmd::Copy || id == Cmd::CopyChannel || id == Cmd::KlipSave || id == Cmd::KlipSettings ||
           id == Cmd::CopyBitmap;
}

} // namespace

// A sound window as playback sees it.
class CPlaybackCommands::ViewWindow : public IPlaybackWindow {
public:
    explicit ViewWindow(CTavrilView* view) : m_view(view), m_line(new CPlayPositionLine(view)) {}

    PlaybackSource DescribeForPlayback() override
    {
        PlaybackSource s;
        CTavrilDoc& doc = m_view->Doc().Doc();
        s.soundPath = doc.WorkingFileName(false);
        std::error_code ec;
        s.unsaved = s.soundPath.empty() || !std::filesystem::exists(s.soundPath, ec);
        s.frames = m_view->Doc().Frames();
        s.sampleRate = m_view->Doc().SampleRate();
        s.channels = std::max<uint32_t>(1, m_view->Doc().Channels());
        const EditContext c = CFrameEditHost::ContextFor(*m_view);
        s.channel = c.channel;
        s.hasSelection = c.sel.right > c.sel.left;
        s.selStart = c.sel.left;
        s.selFrames = c.sel.right - c.sel.left;
        s.preventPlayback = m_view->Settings().m_preventPlayback;
        s.startsTrial = m_view->Settings().m_playbackStartsTrial;
        return s;
    }
    CTavrilView* View() const { return m_view; }
    CPlayPositionLine* Line() const { return m_line; }

private:
    CTavrilView* m_view;
    CPlayPositionLine* m_line;  // owned by the view
};

CPlaybackCommands::CPlaybackCommands(CMainFrame& frame, CPlaybackController& controller,
                                     LoopPlaybackSettings& settings, CSoundClipboard& clipboard, bool outputPresent)
    : m_frame(frame), m_controller(controller), m_settings(settings), m_clipboard(clipboard),
      m_output(outputPresent)
{
    m_controller.SetActiveWindowProvider([this] {
        CTavrilView* v = m_frame.ActiveView();
        return v ? static_cast<IPlaybackWindow*>(WindowFor(v)) : nullptr;
    });
    if (!m_output) {
        // Said once; every play command carries the reason in its prompt.
        m_frame.statusBar()->showMessage(QString::fromLatin1(kNoDeviceMessage));
        for (Cmd id : kPlayCommands) {
            const QString tip = QString::fromStdString(PromptStatusText(*FindCommand(id))) +
                                QString::fromLatin1(kNoDeviceReason);
            m_frame.Actions().Command(id)->setStatusTip(tip);
            for (QAction* a : m_frame.Actions().MenuItems(id))
                a->setStatusTip(tip);
        }
    }
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &CPlaybackCommands::Tick);
    m_timer.start();
}

CPlaybackCommands::~CPlaybackCommands()
{
    m_controller.Stop();
    m_controller.SetActiveWindowProvider({});
    for (auto& [view, window] : m_windows)
        m_controller.ForgetWindow(window.get());
}

bool CPlaybackCommands::Handles(Cmd id)
{
    return id == Cmd::PlayEntire || id == Cmd::PlayClipboard || id == Cmd::LoopPlayback || id == Cmd::LoopSettings ||
           id == Cmd::StopAll || IsSpeed(id);
}

bool CPlaybackCommands::IsEnabled(Cmd id, CTavrilView* view) const
{
    switch (id) {
    case Cmd::PlayEntire: return m_output && view;
    case Cmd::PlayClipboard: return m_output && view && m_clipboard.HasSound();
    case Cmd::LoopPlayback: return m_output && (view || m_controller.IsLooping());
    default: return true;
    }
}

CPlaybackCommands::ViewWindow* CPlaybackCommands::WindowFor(CTavrilView* view)
{
    if (!view)
        return nullptr;
    auto it = m_windows.find(view);
    if (it != m_windows.end())
        return it->second.get();
    auto* w = new ViewWindow(view);
    m_windows[view].reset(w);
    connect(view, &QObject::destroyed, this, [this, view] {
        auto gone = m_windows.find(view);
        if (gone == m_windows.end())
            return;
        m_controller.ForgetWindow(gone->second.get());
        m_windows.erase(gone);
    });
    return w;
}

CPlayPositionLine* CPlaybackCommands::LineOf(CTavrilView* view)
{
    ViewWindow* w = WindowFor(view);
    return w ? w->Line() : nullptr;
}

void CPlaybackCommands::Run(Cmd id, CTavrilView* view)
{
    switch (id) {
    case Cmd::PlayEntire: m_controller.PlayEntire(WindowFor(view)); break;
    case Cmd::PlayClipboard: m_controller.PlayClipboard(WindowFor(view), m_clipboard.ClipPath()); break;
    case Cmd::LoopPlayback: m_controller.ToggleLoop(WindowFor(view)); break;
    case Cmd::StopAll: m_controller.Stop(); break;
    case Cmd::LoopSettings: {
        CDlgLoopPlayback dlg(m_settings, &m_frame);
        if (dlg.exec() == QDialog::Accepted)
            m_settings = dlg.Result();
        break;
    }
    default:
        if (IsSpeed(id)) {
            m_settings.playbackSpeed = SpeedOf(id);
            SettingsStore::WriteSettingFloat("", LoopPlaybackSettings::kSection, "playback speed",
                                             static_cast<float>(m_settings.playbackSpeed));
        }
        return;
    }
    ReportFailure();
    Tick();
}

void CPlaybackCommands::ReportFailure()
{
    const std::string error = m_controller.LastError();
    if (!error.empty()) {
        m_frame.statusBar()->showMessage(QString::fromStdString(SoundIoErrorMessage(error)), 8000);
        m_controller.ClearError();
    }
}

bool CPlaybackCommands::PlayForKey(CTavrilView* view)
{
    if (!m_output || !view)
        return false;
    m_controller.SinglePlayback(WindowFor(view));
    ReportFailure();
    return true;
}

void CPlaybackCommands::Tick()
{
    m_controller.Tick();
    for (auto& [view, window] : m_windows)
        window->Line()->SetFrame(m_controller.PositionInWindow(window.get()));
}

CommandExtension CPlaybackCommands::Extend(CommandExtension inner)
{
    CommandExtension ext;
    ext.handles = [inner](Cmd id) { return Handles(id) || (inner.handles && inner.handles(id)); };
    ext.enabled = [this, inner](Cmd id, CTavrilView* v) {
        if (Handles(id))
            return IsEnabled(id, v);
        return inner.enabled ? inner.enabled(id, v) : true;
    };
    ext.text = [this, inner](Cmd id, CTavrilView* v) {
        if (IsSpeed(id)) {
            // The frame asks each command's text as it refreshes the menus;
            // the speed items' check marks follow the setting here.
            m_frame.Actions().SetChecked(id, SpeedOf(id) == m_settings.playbackSpeed);
            return QString();
        }
        if (Handles(id) || !inner.text)
            return QString();
        return inner.text(id, v);
    };
    ext.run = [this, inner](Cmd id, CTavrilView* v) {
        if (Handles(id)) {
            Run(id, v);
            return;
        }
        // An edit rewrites the sound: a playback reading its file stops first.
        if (v && !LeavesSoundAlone(id))
            for (auto& [view, window] : m_windows)
                if (&view->Doc().Doc() == &v->Doc().Doc())
                    m_controller.SoundChanging(window.get());
        if (inner.run)
            inner.run(id, v);
    };
    ext.confirmClose = inner.confirmClose;
    return ext;
}

} // namespace tavril
