#include "edit/CDlgFilterSettings.h"

#include "common/DialogFields.h"

#include <QFormLayout>
#include <QGroupBox>

namespace tavril {

CDlgFilterSettings::CDlgFilterSettings(const FilterSettings& s, std::string settingsFile, QWidget* parent)
    : QDialog(parent), m_settingsFile(std::move(settingsFile))
{
    setWindowTitle(QStringLiteral("Preset Filter settings"));
    auto* ramping = new QGroupBox(QStringLiteral("Filter Ramping"), this);
    m_ampReduction = MakeRealField(0.0, 1000.0, s.ampReductionPct, 2, ramping);
    m_freqRamp = MakeRealField(0.0, 1000000.0, s.freqRampHz, 2, ramping);
    m_timeRamp = MakeRealField(0.0, 3600000.0, s.timeRampMs, 2, ramping);
    auto* rampForm = new QFormLayout(ramping);
    rampForm->addRow(QStringLiteral("% Of original amplitude:"), m_ampReduction);
    rampForm->addRow(QStringLiteral("Freq ramp length  (Hz):"), m_freqRamp);
    rampForm->addRow(QStringLiteral("Time ramp length  (ms):"), m_timeRamp);

    auto* fixed = new QGroupBox(QStringLiteral("Fixed Filter Settings"), this);
    m_hipass = MakeRealField(0.0, 1000000.0, s.hipassFreqHz, 2, fixed);
    m_lopass = MakeRealField(0.0, 1000000.0, s.lopassFreqHz, 2, fixed);
    auto* fixedForm = new QFormLayout(fixed);
    fixedForm->addRow(QStringLiteral("Highpass frequency (Hz):"), m_hipass);
    fixedForm->addRow(QStringLiteral("Lowpass frequency (Hz):"), m_lopass);

    auto* buttons = MakeOkCancelButtons(this);
    AddMakeDefaultButton(buttons, this, [this] { MakeDefault(); });
    StackDialog(this, {ramping, fixed, buttons});
}

FilterSettings CDlgFilterSettings::Settings() const
{
    FilterSettings s;
    s.ampReductionPct = m_ampReduction->value();
    s.hipassFreqHz = m_hipass->value();
    s.lopassFreqHz = m_lopass->value();
    s.freqRampHz = m_freqRamp->value();
    s.timeRampMs = m_timeRamp->value();
    return s;
}

bool CDlgFilterSettings::MakeDefault()
{
    return ReportDefaultSaved(this, Settings().Save(m_settingsFile),
                              QStringLiteral("The default filter settings could not be saved."));
}

} // namespace tavril
