#pragma once
// CRecordingController: recording in the desktop program. It carries out the
// recording commands (R start/stop, SPACE freeze/resume, 'S' store, ESC
// stop, the recording dialogs), turns the recording window into the live
// spectrogram (CRecordingDisplay) and paces it with the scrolling tick on a
// precise one-shot timer, runs every recorder's housekeeping every 50 ms,
// writes the status texts (with the time of day and the free space of the
// folder stores go to, warning once when it would not hold a buffer's
// length), handles what each store reports, holds off the screen saver, and
// makes closing the program while recording safe.
//
// Created by main() after the frame; refers to the frame, the recorder list
// and the clock, which outlive it. UI thread only (the recorders' capture
// threads only ever touch their rings).

#include "CRecorderList.h"
#include "CScrollPacer.h"
#include "frame/CMainFrame.h"
#include "record/CRecordingDisplay.h"
#include "record/CScreenSaverInhibitor.h"

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <set>
#include <string>

namespace tavril {

class CTavrilView;

class CRecordingController : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kScrollingStatus =
        "RECORDING TO CIRCULAR BUFFER - PRESS <SPACE> to FREEZE, 'S' to SAVE, <ESC> to stop";
    static constexpr const char* kFrozenStatus =
        "RECORDING FROZEN - PRESS <SPACE> to RESUME, 'S' to SAVE, <ESC> to stop";

    CRecordingController(CMainFrame& frame, IPrompt& prompt, CRecorderList& recorders,
                         CAudioInputDeviceList* devices, IClock& clock, std::string settingsFile,
                         QObject* parent = nullptr);
    ~CRecordingController() override;

    // The recording commands in front of `inner` (the editing commands),
    // which keeps every command this one does not take.
    CommandExtension Extend(CommandExtension inner);

    bool IsRecording() const { return m_active; }
    bool IsFrozen() const { return m_frozen; }
    CTavrilView* RecordingView() const { return m_view; }
    CRecordingDisplay* Display() const { return m_display; }
    CVirtualRecorder* RealTime() const { return m_recorders.At(0); }
    CRecorderList& Recorders() { return m_recorders; }
    const std::string& SettingsFile() const { return m_settingsFile; }

    void StartRecording();
    void StopRecording();
    void ToggleFreeze();
    void StoreKey();
    // One scrolling tick; returns the delay before the next (-1: no next).
    int Tick();
    // Tests run the ticks and housekeeping by hand (with a manual clock).
    void SetTimersEnabled(bool on) { m_timersOn = on; }
    // Called before every tick (tests pump the file-backed input here).
    void SetBeforeTick(std::function<void()> f) { m_beforeTick = std::move(f); }
    // Closing the program: asks while recording; stops and finishes any
    // store first. False keeps the program running.
    bool ConfirmExit();
    // The folder stores land in, and the status line's disk part for it.
    std::string StoreFolder() const;
    QString DiskStatus();
    bool DiskWarningShown() const { return m_diskWarned; }
    // Runs each dialog the commands open (tests answer them); the default
    // runs it modally.
    void SetDialogRunner(std::function<int(QDialog&)> run) { m_runDialog = std::move(run); }
    // How many bytes are free in a folder (tests stand in for the disk);
    // negative when unknown.
    void SetFreeSpaceProbe(std::function<double(const std::string&)> probe) { m_freeSpace = std::move(probe); }
    // The last store's file (empty before any).
    const std::string& LastStoredFile() const { return m_lastStored; }

signals:
    void Stored(const QString& file);

private:
    bool Handles(Cmd id) const;
    bool Enabled(Cmd id, CTavrilView* v) const;
    QString Text(Cmd id) const;
    bool Run(Cmd id, CTavrilView* v);
    CTavrilView* ChooseWindow();
    void BeginScrolling();
    void ArmTick(int delayMs);
    void ShowStatus(bool force = false);
    void OnStored(const StoreResult& r);
    void WireRecorders();
    void EndDisplay();
    void CmdRecordingSettings();
    void CmdRecorderList();
    void CmdDetectSounds(CTavrilView* v);
    void CmdDeleteAndLoadNext(CTavrilView* v);

    CMainFrame& m_frame;
    IPrompt& m_prompt;
    CRecorderList& m_recorders;
    CAudioInputDeviceList* m_devices;
    IClock& m_clock;
    std::string m_settingsFile;
    CommandExtension m_inner;
    CScrollPacer m_pacer;
    QTimer m_tick;
    QTimer m_housekeeping;
    bool m_timersOn = true;
    std::function<void()> m_beforeTick;
    std::function<int(QDialog&)> m_runDialog;
    std::function<double(const std::string&)> m_freeSpace;
    QPointer<CTavrilView> m_view;
    QPointer<CRecordingDisplay> m_display;
    bool m_frozen = false;
    bool m_active = false;
    uint32_t m_startMs = 0;
    uint32_t m_lastStatusMs = 0;
    uint32_t m_noticeUntilMs = 0;
    bool m_diskWarned = false;
    std::string m_lastStored;
    std::set<std::string> m_workingFiles;  // temporary files handed to the recorders for stores under no name
    CScreenSaverInhibitor m_screenSaver;
};

} // namespace tavril
