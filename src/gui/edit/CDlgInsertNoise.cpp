#include "edit/CDlgInsertNoise.h"

#include "common/DialogFields.h"

#include <QFormLayout>

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
    auto* buttons = MakeOkCancelButtons(this);
    AddMakeDefaultButton(buttons, this, [this] { MakeDefault(); });
    StackDialog(this, {form, buttons});
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
    return ReportDefaultSaved(this, Settings().Save(m_settingsFile),
                              QStringLiteral("The default noise amplitude could not be saved."));
}

} // namespace tavril
