#include "CDlgInsertNoise.h"

#include "DialogFields.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QMessageBox>
#include <QPushButton>

namespace tavril {

CDlgInsertNoise::CDlgInsertNoise(const InsertNoiseSettings& settings, double durationMs, std::string settingsFile,
                                 QWidget* parent)
    : QDialog(parent), m_settingsFile(std::move(settingsFile))
{
    setWindowTitle(QStringLiteral("Insert Noise"));
    m_amplitude = MakeRealField(0.0, 100.0, settings.noiseAmplitudePct, 2, this);
    m_duration = MakeRealField(0.0, 100000.0, durationMs, 1, this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Amplitude (%):"), m_amplitude);
    form->addRow(QStringLiteral("Duration (ms):"), m_duration);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* makeDefault = buttons->addButton(QStringLiteral("Make default"), QDialogButtonBox::ActionRole);
    connect(makeDefault, &QPushButton::clicked, this, [this] { MakeDefault(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

InsertNoiseSettings CDlgInsertNoise::Settings() const
{
    InsertNoiseSettings s;
    s.noiseAmplitudePct = m_amplitude->value();
    return s;
}

double CDlgInsertNoise::DurationMs() const { return m_duration->value(); }

bool CDlgInsertNoise::MakeDefault()
{
    if (Settings().Save(m_settingsFile)) return true;
    QMessageBox::warning(this, windowTitle(), QStringLiteral("The default noise amplitude could not be saved."));
    return false;
}

} // namespace tavril
