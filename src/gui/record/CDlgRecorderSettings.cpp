#include "record/CDlgRecorderSettings.h"

#include "common/DialogFields.h"
#include "record/CDlgRecognitionSettings.h"
#include "record/CDlgRecordingSettings.h"
#include "record/RecordFields.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace tavril {


CDlgRecorderSettings::CDlgRecorderSettings(CVirtualRecorder& recorder, CAudioInputDeviceList* devices,
                                           std::string settingsFile, int position, QWidget* parent)
    : QDialog(parent), m_recorder(recorder), m_devices(devices), m_file(std::move(settingsFile)), m_position(position)
{
    setWindowTitle(QStringLiteral("Recorder Settings"));
    const bool realTime = recorder.description == CRecorderList::kRealTime;
    if (realTime) {
        // The live display depends on these three.
        recorder.pauseOnSpace = recorder.recordOnCommand = recorder.stopOnCommand = true;
    }
    m_description = new QLineEdit(QString::fromStdString(recorder.description), this);
    m_description->setReadOnly(realTime || recorder.description == CRecorderList::kTrial);
    m_device = new QComboBox(this);
    m_pauseOnSpace = MakeCheck(QStringLiteral("On pause command (spacebar press)"), recorder.pauseOnSpace, this);
    m_recordOnCommand =
        MakeCheck(QStringLiteral("On record command (menu, 'R' key press)"), recorder.recordOnCommand, this);
    m_recordOnPlayback = MakeCheck(QStringLiteral("At start of playback trial"), recorder.recordOnPlayback, this);
    m_stopOnPlayback = MakeCheck(QStringLiteral("At end of playback trial"), recorder.stopOnPlayback, this);
    m_stopOnCommand =
        MakeCheck(QStringLiteral("On stop recording command (menu, escape key)"), recorder.stopOnCommand, this);
    for (QCheckBox* b : {m_pauseOnSpace, m_recordOnCommand, m_stopOnCommand}) b->setEnabled(!realTime);
    FillDevices();
    connect(m_device, &QComboBox::currentIndexChanged, this, [this] {
        m_recorder.settings.deviceName = m_device->currentText().toStdString();
        m_recorder.ResolveDevice();
    });

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Description:"), m_description);
    form->addRow(QStringLiteral("Uses sound card:"), m_device);
    auto* pause = new QGroupBox(QStringLiteral("Pause"), this);
    (new QVBoxLayout(pause))->addWidget(m_pauseOnSpace);
    auto* start = new QGroupBox(QStringLiteral("Start recording"), this);
    auto* sl = new QVBoxLayout(start);
    sl->addWidget(m_recordOnCommand);
    sl->addWidget(m_recordOnPlayback);
    auto* stop = new QGroupBox(QStringLiteral("Stop recording"), this);
    auto* tl = new QVBoxLayout(stop);
    tl->addWidget(m_stopOnCommand);
    tl->addWidget(m_stopOnPlayback);
    auto* more = new QHBoxLayout;
    auto* settings = new QPushButton(QStringLiteral("Recorder Settings"), this);
    auto* recognition = new QPushButton(QStringLiteral("Song Detection and Recognition Settings"), this);
    more->addWidget(settings);
    more->addWidget(recognition);
    connect(settings, &QPushButton::clicked, this, [this] {
        CDlgRecordingSettings d(m_recorder.settings, CDlgRecordingSettings::DevicesOf(m_devices), m_recorder.Namer().SavedCount(), m_file,
                                CAcquisitionSettings::Suffix(m_position), this);
        if (d.exec() == QDialog::Accepted) m_recorder.settings = d.Settings();
        FillDevices();
    });
    connect(recognition, &QPushButton::clicked, this, [this] {
        CDlgRecognitionSettings d(m_recorder.supervisor, m_recorder.settings.detector, m_file,
                                  CAcquisitionSettings::Suffix(m_position), this);
        if (d.exec() != QDialog::Accepted) return;
        m_recorder.supervisor = d.Settings();
        m_recorder.settings.detector = d.Detector();
    });
    auto* buttons = MakeOkCancelButtons(this);
    AddHelpButton(buttons, this,
                  QStringLiteral("A recorder listens to one sound card and follows the commands ticked here: it "
                                 "pauses on SPACE, starts on R and stops on ESC, or starts and stops with a "
                                 "playback trial. \"Recorder Settings\" edits its format, storing and naming."));
    StackDialog(this, {form, pause, start, stop, more, buttons});
}

void CDlgRecorderSettings::FillDevices()
{
    const QSignalBlocker quiet(m_device);
    m_device->clear();
    if (!m_devices) return;
    m_recorder.ResolveDevice();
    for (const std::string& n : m_devices->Names()) m_device->addItem(QString::fromStdString(n));
    m_device->setCurrentIndex(std::max(0, m_device->findText(QString::fromStdString(m_recorder.settings.deviceName))));
}

void CDlgRecorderSettings::Apply()
{
    if (!m_description->isReadOnly()) m_recorder.description = m_description->text().trimmed().toStdString();
    m_recorder.pauseOnSpace = m_pauseOnSpace->isChecked();
    m_recorder.recordOnCommand = m_recordOnCommand->isChecked();
    m_recorder.recordOnPlayback = m_recordOnPlayback->isChecked();
    m_recorder.stopOnPlayback = m_stopOnPlayback->isChecked();
    m_recorder.stopOnCommand = m_stopOnCommand->isChecked();
    if (m_device->count() > 0) m_recorder.settings.deviceName = m_device->currentText().toStdString();
}

void CDlgRecorderSettings::accept()
{
    Apply();
    QDialog::accept();
}

// ------------------------------------------------------------- the list

CDlgRecorderList::CDlgRecorderList(CRecorderList& list, CAudioInputDeviceList* devices, std::string settingsFile,
                                   QWidget* parent)
    : QDialog(parent), m_recorders(list), m_devices(devices), m_file(std::move(settingsFile)),
      m_run([](CDlgRecorderSettings& d) { return d.exec() == QDialog::Accepted; })
{
    setWindowTitle(QStringLiteral("Virtual Recorder List"));
    m_list = new QListWidget(this);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { Edit(); });
    auto* row = new QHBoxLayout;
    auto add = [&](const char* text, void (CDlgRecorderList::*slot)()) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        connect(b, &QPushButton::clicked, this, slot);
        row->addWidget(b);
    };
    add("Add", &CDlgRecorderList::Add);
    add("Edit", &CDlgRecorderList::Edit);
    add("Duplicate", &CDlgRecorderList::Duplicate);
    add("Delete", &CDlgRecorderList::Delete);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    AddMakeDefaultButton(buttons, this, [this] { MakeDefault(); });
    AddHelpButton(buttons, this,
                  QStringLiteral("Several recorders can run side by side, each with its own sound card, buffer, "
                                 "detector and file names. The first is the live display's recorder; it cannot be "
                                 "deleted. \"Make default\" saves the list."));
    m_note = new QLabel(this);
    StackDialog(this, {m_list, row, m_note, buttons});
    Fill();
}

void CDlgRecorderList::Fill()
{
    m_list->clear();
    for (const std::string& d : m_recorders.ListedDescriptions()) m_list->addItem(QString::fromStdString(d));
}

int CDlgRecorderList::SelectedPosition() const
{
    const QListWidgetItem* item = m_list->currentItem();
    return item ? m_recorders.PositionOf(item->text().toStdString()) : -1;
}

void CDlgRecorderList::Add()
{
    std::unique_ptr<CVirtualRecorder> r = m_recorders.Create();
    CDlgRecorderSettings d(*r, m_devices, m_file, int(m_recorders.Count()), this);
    if (m_run(d) && m_recorders.Add(std::move(r))) Fill();
}

void CDlgRecorderList::Edit()
{
    const int at = SelectedPosition();
    if (at < 0) return;
    CDlgRecorderSettings d(*m_recorders.At(size_t(at)), m_devices, m_file, at, this);
    if (m_run(d)) Fill();
}

void CDlgRecorderList::Duplicate()
{
    const int at = SelectedPosition();
    if (at < 0) return;
    std::unique_ptr<CVirtualRecorder> r = m_recorders.Duplicate(size_t(at));
    if (!r) return;
    CDlgRecorderSettings d(*r, m_devices, m_file, int(m_recorders.Count()), this);
    if (m_run(d) && m_recorders.Add(std::move(r))) Fill();
}

void CDlgRecorderList::Delete()
{
    const int at = SelectedPosition();
    if (at < 0) return;
    if (m_recorders.At(size_t(at))->IsRunning()) {
        m_note->setText(QStringLiteral("Stop the recorder before deleting it."));
        return;
    }
    m_note->setText(m_recorders.Remove(size_t(at)) ? QString()
                                                   : QStringLiteral("The built-in recorders cannot be deleted."));
    Fill();
}

bool CDlgRecorderList::MakeDefault()
{
    return ReportDefaultSaved(this, m_recorders.Save(m_file), QStringLiteral("The recorder list could not be saved."));
}

} // namespace tavril
