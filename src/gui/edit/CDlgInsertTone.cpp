#include "edit/CDlgInsertTone.h"

#include "common/DialogFields.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>

namespace tavril {

namespace {

constexpr double kMaxHz = 1000000.0;

QButtonGroup* AddWaveButtons(QWidget* owner, QBoxLayout* row, const QString& noneText, int checked)
{
    auto* group = new QButtonGroup(owner);
    const QString texts[4] = {noneText, QStringLiteral("Sine"), QStringLiteral("Square"), QStringLiteral("Triangle")};
    for (int i = 0; i < 4; ++i) {
        auto* b = new QRadioButton(texts[i], owner);
        group->addButton(b, i);
        row->addWidget(b);
    }
    QAbstractButton* b = group->button(checked >= 0 && checked <= 3 ? checked : 0);
    b->setChecked(true);
    return group;
}

} // namespace

CDlgInsertTone::CDlgInsertTone(const InsertToneSettings& s, std::string settingsFile, QWidget* parent)
    : QDialog(parent), m_settingsFile(std::move(settingsFile))
{
    setWindowTitle(QStringLiteral("Insert Tone"));

    auto* pure = new QGroupBox(QStringLiteral("Pure tone:"), this);
    m_frequency = MakeRealField(0.0, kMaxHz, s.toneFrequencyHz, 2, pure);
    m_amplitude = MakeRealField(0.0, 100.0, s.toneAmplitudePct, 2, pure);
    m_duration = MakeRealField(0.0, 3600000.0, s.toneDurationMs, 1, pure);
    auto* pureForm = new QFormLayout(pure);
    pureForm->addRow(QStringLiteral("Frequency (Hz):"), m_frequency);
    pureForm->addRow(QStringLiteral("Amplitude (%):"), m_amplitude);
    pureForm->addRow(QStringLiteral("Duration (ms):"), m_duration);

    auto* fmBox = new QGroupBox(QStringLiteral("Frequency Modulation"), this);
    m_fmRate = MakeRealField(0.0, kMaxHz, s.fmModulationFreqHz, 2, fmBox);
    m_fmRange = MakeRealField(0.0, kMaxHz, s.fmFreqRangeHz, 2, fmBox);
    auto* fmForm = new QFormLayout(fmBox);
    fmForm->addRow(QStringLiteral("Modulation Frequency (Hz):"), m_fmRate);
    fmForm->addRow(QStringLiteral("Frequency Range (Hz):"), m_fmRange);
    auto* fmRow = new QHBoxLayout;
    m_fm = AddWaveButtons(fmBox, fmRow, QStringLiteral("No FM"), s.fmWaveformType);
    fmForm->addRow(fmRow);

    auto* amBox = new QGroupBox(QStringLiteral("Amplitude Modulation"), this);
    m_amRate = MakeRealField(0.0, kMaxHz, s.amModulationFreqHz, 2, amBox);
    m_amRange = MakeRealField(0.0, 100.0, s.amAmplitudeRangePct, 2, amBox);
    auto* amForm = new QFormLayout(amBox);
    amForm->addRow(QStringLiteral("Modulation Frequency (Hz):"), m_amRate);
    amForm->addRow(QStringLiteral("Amplitude Range (%):"), m_amRange);
    auto* amRow = new QHBoxLayout;
    m_am = AddWaveButtons(amBox, amRow, QStringLiteral("No AM"), s.amWaveformType);
    amForm->addRow(amRow);

    auto* buttons = MakeOkCancelButtons(this);
    AddMakeDefaultButton(buttons, this, [this] { MakeDefault(); });
    AddHelpButton(
        buttons, this,
        QStringLiteral("The tone is inserted after the frame at the left cursor, in the selected channel.\n\n"
                       "Frequency modulation swings the tone frequency by the frequency range (peak to peak) "
                       "at the modulation frequency; both must be above 0.\n"
                       "Amplitude modulation swings the amplitude by the amplitude range (peak to peak) at the "
                       "modulation frequency; the result is kept between 0 and 100 %."));

    StackDialog(this, {pure, fmBox, amBox, buttons});
}

InsertToneSettings CDlgInsertTone::Settings() const
{
    InsertToneSettings s;
    s.toneFrequencyHz = m_frequency->value();
    s.toneAmplitudePct = m_amplitude->value();
    s.toneDurationMs = m_duration->value();
    s.fmModulationFreqHz = m_fmRate->value();
    s.fmFreqRangeHz = m_fmRange->value();
    s.fmWaveformType = m_fm->checkedId() < 0 ? 0 : m_fm->checkedId();
    s.amModulationFreqHz = m_amRate->value();
    s.amAmplitudeRangePct = m_amRange->value();
    s.amWaveformType = m_am->checkedId() < 0 ? 0 : m_am->checkedId();
    return s;
}

ToneParams CDlgInsertTone::ToTone(const InsertToneSettings& s)
{
    ToneParams t;
    t.freqHz = s.toneFrequencyHz;
    t.amplitude = s.toneAmplitudePct / 100.0;
    t.durationMs = s.toneDurationMs;
    t.fmType = s.fmWaveformType;
    t.fmRateHz = s.fmModulationFreqHz;
    t.fmRangeHz = s.fmFreqRangeHz;
    t.amType = s.amWaveformType;
    t.amRateHz = s.amModulationFreqHz;
    t.amRange = s.amAmplitudeRangePct / 100.0;
    return t;
}

bool CDlgInsertTone::MakeDefault()
{
    return ReportDefaultSaved(this, Settings().Save(m_settingsFile),
                              QStringLiteral("The default tone settings could not be saved."));
}

} // namespace tavril
