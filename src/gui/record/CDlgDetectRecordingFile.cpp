#include "record/CDlgDetectRecordingFile.h"

#include "common/DialogFields.h"
#include "record/CDlgSeriesName.h"
#include "record/CDlgSoundDetector.h"
#include "record/RecordFields.h"

#include "AnnotationMetafile.h"

#include <QDateEdit>
#include <QDateTime>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTimeEdit>

namespace tavril {

CDlgDetectRecordingFile::CDlgDetectRecordingFile(const std::string& recording, CAcquisitionSettings& recorderSettings,
                                                 std::string settingsFile, QWidget* parent)
    : QDialog(parent), m_recorderSettings(recorderSettings), m_settingsFile(std::move(settingsFile)),
      m_sink(m_settingsFile)
{
    setWindowTitle(QStringLiteral("Detect sound in recording file"));
    m_settings.Load(m_settingsFile);
    const FileDetectorSettings& s = m_settings;
    m_file = new QLineEdit(QString::fromStdString(recording), this);
    m_clips = MakeCheck(QStringLiteral("Save detections as sound file clips"), s.saveAsClips, this);
    m_annotations = MakeCheck(QStringLiteral("Save detections as annotations"), s.saveAsAnnotation, this);
    m_deletePrevious = MakeCheck(
        QStringLiteral("Delete all previous annotations and replace with detections from this run"),
        s.deletePrevAnnotations, this);
    m_start = new QLineEdit(QString::fromStdString(s.startTime), this);
    m_stop = new QLineEdit(QString::fromStdString(s.stopTime), this);
    auto channels = MakeRadioPair(QStringLiteral("All channels"), QStringLiteral("Selected channel(s):"),
                                  s.useChannelList, this);
    m_allChannels = channels.first;
    m_someChannels = channels.second;
    m_channelList = new QLineEdit(QString::fromStdString(s.channelList), this);
    // The recording's own time is the best guess for when it started.
    const QDateTime started = QFileInfo(m_file->text()).lastModified();
    m_date = new QDateEdit(started.isValid() ? started.date() : QDate::currentDate(), this);
    m_time = new QTimeEdit(started.isValid() ? started.time() : QTime(0, 0), this);
    m_time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    m_comment = new QLineEdit(this);
    m_go = new QPushButton(QStringLiteral("START DETECTING"), this);
    m_clock = new QLabel(this);
    m_seconds = new QLabel(this);
    m_results = new QListWidget(this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Recording file to detect sounds from:"), m_file);
    form->addRow(QStringLiteral("Recording start date"), m_date);
    form->addRow(QStringLiteral("Recording start time"), m_time);
    form->addRow(QStringLiteral("Start time in recording (seconds):"), m_start);
    form->addRow(QStringLiteral("Stop time (blank=detect to end)"), m_stop);
    form->addRow(m_allChannels);
    form->addRow(m_someChannels, m_channelList);
    form->addRow(m_clips);
    form->addRow(m_annotations);
    form->addRow(m_deletePrevious);
    form->addRow(QStringLiteral("Comment to insert into each detection annotation:"), m_comment);
    // Replacing and the comment only mean something for annotations.
    auto annotationsOn = [this](bool on) {
        m_deletePrevious->setEnabled(on);
        m_comment->setEnabled(on);
    };
    annotationsOn(m_annotations->isChecked());
    connect(m_annotations, &QCheckBox::toggled, this, annotationsOn);

    auto* tools = new QGridLayout;
    auto button = [&](const char* text, int row, int col, auto run) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        connect(b, &QPushButton::clicked, this, run);
        tools->addWidget(b, row, col);
        return b;
    };
    button("Detector settings", 0, 0, [this] {
        CDlgSoundDetector d(m_settings.detector, m_settingsFile, FileDetectorSettings::kSuffix, this);
        if (d.exec() == QDialog::Accepted) m_settings.detector = d.Settings();
    });
    button("Get detector settings from recording settings", 0, 1,
           [this] { m_settings.detector = m_recorderSettings.detector; });
    button("Send detector settings to recording settings", 1, 1,
           [this] { m_recorderSettings.detector = m_settings.detector; });
    button("Clip file name settings", 1, 0, [this] {
        CDlgSeriesName d(m_settings.series, 0, m_settingsFile, FileDetectorSettings::kSuffix, this);
        if (d.exec() == QDialog::Accepted) m_settings.series = d.Settings();
    });
    button("Create annotation link to this recording", 2, 0, [this] { CreateLink(); });
    connect(m_go, &QPushButton::clicked, this, [this] { StartOrStop(); });

    auto* results = new QGroupBox(QStringLiteral("Results"), this);
    auto* rf = new QFormLayout(results);
    rf->addRow(QStringLiteral("Current time:"), m_clock);
    rf->addRow(QStringLiteral("Seconds:"), m_seconds);
    rf->addRow(m_results);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    AddMakeDefaultButton(buttons, this, [this] { MakeDefault(); });
    AddHelpButton(buttons, this,
                  QStringLiteral("Runs the sound detector over the recording from the start time to the stop time "
                                 "(blank: to the end), on every channel or on the listed ones (\"1,3-4\"). Each "
                                 "detection can be written as a clip named by the clip file name settings; the "
                                 "clip names' date and time codes count from the recording start date and time. "
                                 "Saved as annotations, detections go into the annotation file that the "
                                 "recording's annotation link names, added to the earlier ones or replacing "
                                 "them."));
    StackDialog(this, {form, tools, m_go, results, buttons});
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, [this] { Poll(); });
}

CDlgDetectRecordingFile::~CDlgDetectRecordingFile()
{
    m_worker.RequestStop();
    m_worker.Wait();
}

FileDetectorSettings CDlgDetectRecordingFile::Settings() const
{
    FileDetectorSettings s = m_settings;
    s.saveAsClips = m_clips->isChecked();
    s.saveAsAnnotation = m_annotations->isChecked();
    s.deletePrevAnnotations = m_deletePrevious->isChecked();
    s.startTime = m_start->text().trimmed().toStdString();
    s.stopTime = m_stop->text().trimmed().toStdString();
    s.useChannelList = m_someChannels->isChecked();
    s.channelList = m_channelList->text().toStdString();
    return s;
}

void CDlgDetectRecordingFile::StartOrStop()
{
    if (m_worker.IsRunning()) {
        m_worker.RequestStop();
        return;
    }
    m_results->clear();
    m_settings = Settings();
    m_worker.SetRecordingStart(QDateTime(m_date->date(), m_time->time()).toSecsSinceEpoch());
    m_worker.SetComment(m_comment->text().toStdString());
    m_worker.SetSink(&m_sink);
    if (m_settings.saveAsAnnotation) m_annotationsWritten = true;
    m_worker.Start(m_file->text().toStdString(), m_settings);
    m_shown = false;
    m_go->setText(QStringLiteral("STOP DETECTING"));
    m_timer.start();
}

void CDlgDetectRecordingFile::Poll()
{
    const double seconds = m_worker.CurrentSeconds();
    const QDateTime at = QDateTime(m_date->date(), m_time->time()).addSecs(qint64(seconds));
    m_clock->setText(at.toString(QStringLiteral("HH:mm:ss")));
    m_seconds->setText(QString::number(qint64(seconds)));
    if (!m_worker.IsRunning() && m_worker.IsFinished()) ShowResults();
}

void CDlgDetectRecordingFile::ShowResults()
{
    m_timer.stop();
    m_go->setText(QStringLiteral("START DETECTING"));
    if (m_shown) return;
    m_shown = true;
    m_worker.Wait();
    const FileDetectionReport& r = m_worker.Report();
    m_results->clear();
    if (!r.opened) {
        m_results->addItem(QStringLiteral("The recording could not be read: %1").arg(QString::fromStdString(r.error)));
        return;
    }
    for (size_t i = 0; i < r.channels.size() && i < r.counts.size(); ++i)
        m_results->addItem(QStringLiteral("ch#%1 #detections = %2").arg(r.channels[i]).arg(r.counts[i]));
    // A clip or the annotation file that could not be written.
    if (!r.error.empty()) m_results->addItem(QString::fromStdString(r.error));
}

void CDlgDetectRecordingFile::CreateLink()
{
    const std::string sound = m_file->text().toStdString();
    const AnnotationLinkResult r =
        AddAnnotationLink(sound, QFileInfo(m_file->text()).completeBaseName().toStdString() + " annotations.log", "");
    QString text;
    for (const std::string& note : r.notes) text += QString::fromStdString(note) + QStringLiteral("\n\n");
    text += QString::fromStdString(r.message);
    QMessageBox::information(this, windowTitle(), text);
}

void CDlgDetectRecordingFile::WaitForWorker()
{
    m_worker.Wait();
    Poll();
    ShowResults();
}

void CDlgDetectRecordingFile::reject()
{
    m_worker.RequestStop();
    m_worker.Wait();
    QDialog::reject();
}

bool CDlgDetectRecordingFile::MakeDefault()
{
    return ReportDefaultSaved(this, Settings().Save(m_settingsFile),
                              QStringLiteral("The detection settings could not be saved."));
}

} // namespace tavril
