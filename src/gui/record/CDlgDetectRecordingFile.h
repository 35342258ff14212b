#pragma once
// CDlgDetectRecordingFile: "Detect sound in recording file". Runs the sound
// detector over a time range and chosen channels of a recording on a worker
// thread (CFileDetector), shows the file time every 500 ms while it runs and
// one line per analysed channel with its count when it ends, and writes each
// detection as a clip named by its own series settings and/or into the
// recording's annotation file.
//
// Owns the worker, which it stops before it goes. UI thread only; the timer
// reads the worker's atomic progress.

#include "AnnotationDetectionSink.h"
#include "CAcquisitionSettings.h"
#include "CFileDetector.h"

#include <QDialog>
#include <QTimer>
#include <string>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTimeEdit;

namespace tavril {

class CDlgDetectRecordingFile : public QDialog {
    Q_OBJECT
public:
    // `recorderSettings`: the real-time recorder's, for the get/send buttons.
    CDlgDetectRecordingFile(const std::string& recording, CAcquisitionSettings& recorderSettings,
                            std::string settingsFile, QWidget* parent = nullptr);
    ~CDlgDetectRecordingFile() override;

    FileDetectorSettings Settings() const;
    void StartOrStop();
    bool IsRunning() const { return m_worker.IsRunning(); }
    // Waits for a running worker and shows its results (tests).
    void WaitForWorker();
    const FileDetectionReport& Report() const { return m_worker.Report(); }
    bool MakeDefault();
    // A run that saves detections as annotations was started: a window
    // showing the recording's annotations must read them again.
    bool AnnotationsWritten() const { return m_annotationsWritten; }

    QLineEdit* m_file;
    QCheckBox* m_clips;
    QCheckBox* m_annotations;
    QCheckBox* m_deletePrevious;
    QLineEdit* m_start;
    QLineEdit* m_stop;
    QRadioButton* m_allChannels;
    QRadioButton* m_someChannels;
    QLineEdit* m_channelList;
    QDateEdit* m_date;
    QTimeEdit* m_time;
    QLineEdit* m_comment;
    QPushButton* m_go;
    QLabel* m_clock;
    QLabel* m_seconds;
    QListWidget* m_results;

protected:
    void reject() override;

private:
    void Poll();
    void ShowResults();
    // Links a plain sound to "<name> annotations.log" beside it.
    void CreateLink();

    CAcquisitionSettings& m_recorderSettings;
    FileDetectorSettings m_settings;
    std::string m_settingsFile;
    AnnotationDetectionSink m_sink;  // declared before the worker that uses it
    CFileDetector m_worker;
    QTimer m_timer;
    bool m_shown = true;
    bool m_annotationsWritten = false;
};

} // namespace tavril
