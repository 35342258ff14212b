#include "edit/CDlgAmplitudeEnvelope.h"

#include "common/DialogFields.h"
#include "IPrompt.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>

namespace tavril {

CDlgAmplitudeEnvelope::CDlgAmplitudeEnvelope(const AmplitudeEnvelopeSettings& s, std::string settingsFile,
                                             IPrompt& prompt, QWidget* parent)
    : QDialog(parent), m_settingsFile(std::move(settingsFile)), m_prompt(prompt)
{
    setWindowTitle(QStringLiteral("Amplitude Envelope"));
    m_file = new QLineEdit(QString::fromStdString(s.filename), this);
    auto* browse = new QPushButton(QStringLiteral("Browse"), this);
    connect(browse, &QPushButton::clicked, this, &CDlgAmplitudeEnvelope::Browse);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(browse);

    m_kind = new QButtonGroup(this);
    auto* exact = new QRadioButton(QStringLiteral("Envelope file is an exact representation of the envelope to apply."),
                                   this);
    auto* calculate =
        new QRadioButton(QStringLiteral("Calculate envelope using waveform shape from envelope file."), this);
    m_kind->addButton(exact, 0);
    m_kind->addButton(calculate, 1);
    (s.useExactEnvelope == 0 ? exact : calculate)->setChecked(true);
    auto* note = new QLabel(QStringLiteral("(check this if you are using a natural sound file as an envelope)"), this);

    m_resolution = MakeIntField(0, 10000, s.resolutionMs, this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Envelope estimation resolution (ms):"), m_resolution);

    auto* buttons = MakeOkCancelButtons(this);
    AddMakeDefaultButton(buttons, this, [this] { MakeDefault(); });

    StackDialog(this,
                {new QLabel(QStringLiteral("Envelope File:"), this), fileRow, exact, calculate, note, form, buttons});
}

AmplitudeEnvelopeSettings CDlgAmplitudeEnvelope::Settings() const
{
    AmplitudeEnvelopeSettings s;
    s.filename = m_file->text().trimmed().toStdString();
    s.resolutionMs = m_resolution->value();
    s.useExactEnvelope = m_kind->checkedId() == 0 ? 0 : 1;
    return s;
}

void CDlgAmplitudeEnvelope::Browse()
{
    IPrompt::PathRequest req;
    req.title = "Select a file to use as an amplitude envelope:";
    // Only the formats a sound can be read from directly are offered.
    req.filter = "Sound files (*.wav;*.sig;*.snd;*.aif;*.aiff)|*.wav;*.aif;*.aiff|";
    req.proposedPath = m_file->text().toStdString();
    std::string path;
    if (m_prompt.ChoosePath(req, path) && !path.empty()) m_file->setText(QString::fromStdString(path));
}

bool CDlgAmplitudeEnvelope::MakeDefault()
{
    return ReportDefaultSaved(this, Settings().Save(m_settingsFile),
                              QStringLiteral("The default envelope settings could not be saved."));
}

void CDlgAmplitudeEnvelope::accept()
{
    const std::string file = Settings().filename;
    std::error_code ec;
    if (file.empty() || !std::filesystem::is_regular_file(file, ec)) {
        m_prompt.ShowMessage(file.empty() ? "Choose the sound file to use as an envelope."
                                          : "The envelope file " + file + " does not exist.",
                             "Amplitude Envelope");
        return;
    }
    QDialog::accept();
}

} // namespace tavril
