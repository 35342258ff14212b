#include "record/CDlgRecognitionSettings.h"

#include "common/DialogFields.h"
#include "record/CDlgSoundDetector.h"
#include "record/RecordFields.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace tavril {

CDlgRecognitionSettings::CDlgRecognitionSettings(const RecognitionSupervisorSettings& s,
                                                 const DetectorSettings& detector, std::string settingsFile,
                                                 std::string suffix, QWidget* parent)
    : QDialog(parent), m_initial(s), m_detector(detector), m_file(std::move(settingsFile)), m_suffix(std::move(suffix))
{
    setWindowTitle(QStringLiteral("Song Detection and Recognition Settings"));
    m_detectOn = MakeCheck(QStringLiteral("Detect incoming sounds"), false, this);
    m_recognize = MakeCheck(QStringLiteral("Try to recognize incoming sounds"), false, this);
    m_screen = MakeCheck(QStringLiteral("Screen message"), false, this);
    m_outputFile = MakeCheck(QStringLiteral("Output file"), false, this);
    m_logFile = MakeCheck(QStringLiteral("Currently Active Log file"), false, this);
    m_epochs = MakeIntField(0, 1000000, 0, this);
    m_report = MakeIntField(0, 100000, 0, this);
    m_errorExit = MakeRealField(-1e9, 1e9, 0.0, 4, this);
    m_elements = MakeIntField(0, 100, 0, this);
    m_learning = MakeRealField(-1e9, 1e9, 0.0, 4, this);
    m_momentum = MakeRealField(-1e9, 1e9, 0.0, 4, this);
    m_minElements = MakeRealField(0.0, 100.0, 0.0, 2, this);
    m_hidden = MakeIntField(0, 2000, 0, this);
    m_outputs = MakeIntField(0, 200, 0, this);
    m_network = new QLineEdit(this);
    m_output = new QLineEdit(this);
    m_testing = new QLineEdit(this);
    m_training = new QLineEdit(this);
    m_status = new QPlainTextEdit(this);
    m_status->setReadOnly(true);
    m_status->setMaximumHeight(60);

    auto* net = new QGroupBox(QStringLiteral("Recognition Neural Network Settings"), this);
    auto* nf = new QFormLayout(net);
    auto browseRow = [&](const char* label, QLineEdit* edit) {
        auto* row = new QHBoxLayout;
        row->addWidget(edit, 1);
        auto* b = new QPushButton(QStringLiteral("Browse"), net);
        b->setEnabled(false);  // no recogniser works behind these files yet
        row->addWidget(b);
        nf->addRow(QString::fromLatin1(label), row);
    };
    nf->addRow(QStringLiteral("Train for"), m_epochs);
    nf->addRow(QStringLiteral("Report error every"), m_report);
    nf->addRow(QStringLiteral("Exit on error less than"), m_errorExit);
    nf->addRow(QStringLiteral("Number of input elements"), m_elements);
    nf->addRow(QStringLiteral("Learning rate"), m_learning);
    nf->addRow(QStringLiteral("Momentum"), m_momentum);
    nf->addRow(QStringLiteral("Number of hidden units"), m_hidden);
    nf->addRow(QStringLiteral("Number of output units"), m_outputs);
    browseRow("Network file", m_network);
    browseRow("Training file:", m_training);
    browseRow("Testing file:", m_testing);
    browseRow("Output file:", m_output);
    net->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{m_recognize, m_outputFile, m_logFile, m_minElements})
        w->setEnabled(false);

    auto* send = new QGroupBox(QStringLiteral("Send Output To:"), this);
    auto* sl = new QHBoxLayout(send);
    sl->addWidget(m_screen);
    sl->addWidget(m_outputFile);
    sl->addWidget(m_logFile);
    auto* top = new QFormLayout;
    top->addRow(m_detectOn);
    top->addRow(m_recognize);
    top->addRow(QStringLiteral("Min elements to trigger recognizer"), m_minElements);

    auto* row = new QHBoxLayout;
    auto* detection = new QPushButton(QStringLiteral("Detection Settings"), this);
    auto* save = new QPushButton(QStringLiteral("Save settings as default"), this);
    auto* reset = new QPushButton(QStringLiteral("Reset settings to default"), this);
    row->addWidget(detection);
    row->addWidget(save);
    row->addWidget(reset);
    connect(detection, &QPushButton::clicked, this, [this] {
        CDlgSoundDetector d(m_detector, m_file, m_suffix, this);
        if (d.exec() == QDialog::Accepted) {
            m_detector = d.Settings();
            m_status->appendPlainText(QStringLiteral("Detector settings changed."));
        }
    });
    connect(save, &QPushButton::clicked, this, [this] { SaveAsDefault(); });
    connect(reset, &QPushButton::clicked, this, [this] { ResetToDefault(); });
    auto* buttons = MakeOkCancelButtons(this);
    StackDialog(this, {top, send, net, row, m_status, buttons});
    Show(s);
}

void CDlgRecognitionSettings::Show(const RecognitionSupervisorSettings& s)
{
    m_detectOn->setChecked(s.soundDetectOn);
    m_recognize->setChecked(s.soundRecognizeOn);
    m_screen->setChecked(s.outputToScreen);
    m_outputFile->setChecked(s.outputToOutputFile);
    m_logFile->setChecked(s.outputToLogFile);
    m_epochs->setValue(s.trainingEpochs);
    m_report->setValue(s.reportFrequency);
    m_errorExit->setValue(s.errorExit);
    m_elements->setValue(s.elements);
    m_learning->setValue(s.learningRate);
    m_momentum->setValue(s.momentum);
    m_minElements->setValue(s.minElementsToTrigger);
    m_hidden->setValue(s.hiddenLayers);
    m_outputs->setValue(s.outputLayers);
    m_network->setText(QString::fromStdString(s.networkFile));
    m_output->setText(QString::fromStdString(s.outputFile));
    m_testing->setText(QString::fromStdString(s.testingFile));
    m_training->setText(QString::fromStdString(s.trainingFile));
    m_initial = s;
}

RecognitionSupervisorSettings CDlgRecognitionSettings::Settings() const
{
    // The recogniser's values are not editable: they go back as they came.
    RecognitionSupervisorSettings s = m_initial;
    s.soundDetectOn = m_detectOn->isChecked();
    s.outputToScreen = m_screen->isChecked();
    return s;
}

bool CDlgRecognitionSettings::SaveAsDefault()
{
    const bool ok = ReportDefaultSaved(this, Settings().Save(m_file, m_suffix),
                                       QStringLiteral("The detection and recognition settings could not be saved."));
    if (ok) m_status->appendPlainText(QStringLiteral("Settings saved as default."));
    return ok;
}

void CDlgRecognitionSettings::ResetToDefault()
{
    RecognitionSupervisorSettings s;
    s.Load(m_file, m_suffix);
    Show(s);
    m_status->appendPlainText(QStringLiteral("Settings read from the defaults."));
}

} // namespace tavril
