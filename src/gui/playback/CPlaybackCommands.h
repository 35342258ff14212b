#pragma once
// CPlaybackCommands: the play commands of the windows. It puts playback in
// front of the frame's other command handlers (play, clipboard play, loop
// playback and its settings dialog, Esc's stop, the playback speeds), lets
// each sound window be played through CPlaybackController, moves the
// play-position line of the window that sounds, and runs the controller's
// timers from a 20 ms timer. Where no output device exists, the play
// commands stay disabled and say why.
//
// Ownership: created by main() after the frame and destroyed before it; does
// not own the controller, settings or clipboard. UI thread only.

#include "CPlaybackController.h"
#include "CSoundClipboard.h"
#include "frame/CMainFrame.h"

#include <QObject>
#include <QTimer>

#include <map>
#include <memory>

namespace tavril {

class CPlayPositionLine;
class CTavrilView;

class CPlaybackCommands : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kNoDeviceMessage = "No sound output device was found: sounds cannot be played";
    static constexpr const char* kNoDeviceReason = " (disabled: no audio device was found)";

    CPlaybackCommands(CMainFrame& frame, CPlaybackController& controller, LoopPlaybackSettings& settings,
                      CSoundClipboard& clipboard, bool outputPresent);
    ~CPlaybackCommands() override;

    // `inner` (the editing commands) with the playback commands in front.
    CommandExtension Extend(CommandExtension inner);
    static bool Handles(Cmd id);
    bool IsEnabled(Cmd id, CTavrilView* view) const;
    void Run(Cmd id, CTavrilView* view);
    // A window's play key was typed: one playback of it.
    bool PlayForKey(CTavrilView* view);
    // Runs the due timers and moves the play-position lines.
    void Tick();
    // The play-position line over a window (made on first use).
    CPlayPositionLine* LineOf(CTavrilView* view);

private:
    class ViewWindow;
    ViewWindow* WindowFor(CTavrilView* view);
    void ReportFailure();

    CMainFrame& m_frame;
    CPlaybackController& m_controller;
    LoopPlaybackSettings& m_settings;
    CSoundClipboard& m_clipboard;
    bool m_output;
    QTimer m_timer;
    std::map<CTavrilView*, std::unique_ptr<ViewWindow>> m_windows;
};

} // namespace tavril
