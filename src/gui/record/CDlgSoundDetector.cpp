#include "record/CDlgSoundDetector.h"

#include "common/DialogFields.h"
#include "record/RecordFields.h"

#include <QFormLayout>
#include <QGroupBox>

namespace tavril {

namespace {
constexpr int kMaxMs = 3600000;  // an hour: longer than any ring
constexpr int kMaxHz = 200000;
} // namespace

CDlgSoundDetector::CDlgSoundDetector(const DetectorSettings& s, std::string settingsFile, std::string suffix,
                                     QWidget* parent)
    : QDialog(parent), m_initial(s), m_file(std::move(settingsFile)), m_suffix(std::move(suffix))
{
    setWindowTitle(QStringLiteral("Sound Event Detector"));
    m_freqMin = MakeIntField(0, kMaxHz, s.freqMinHz, this);
    // -1: up to half the sample rate.
    m_freqMax = MakeIntField(-1, kMaxHz, s.freqMaxHz, this);
    m_freqMax->setSpecialValueText(QStringLiteral("half the sample rate"));
    m_thresh = MakeRealField(0.0, 100.0, s.triggerThresh, 2, this);
    m_minTrigger = MakeIntField(0, kMaxMs, s.minTriggerEventMs, this);
    m_maxDrop = MakeIntField(0, kMaxMs, s.maxTriggerDropMs, this);
    m_minSound = MakeIntField(0, kMaxMs, s.minSoundMs, this);
    m_maxSound = MakeRealField(0.0, kMaxMs, s.maxSoundMs, 0, this);
    m_before = MakeIntField(0, kMaxMs, s.bufferBeforeMs, this);
    m_after = MakeIntField(0, kMaxMs, s.bufferAfterMs, this);
    m_average = MakeIntField(0, kMaxMs, s.averageMs, this);
    m_storeOnly = MakeCheck(QStringLiteral("Store only detected sound when 'S' is pressed"), s.storeOnlyDetected, this);
    m_popFilter = MakeCheck(QStringLiteral("Apply pop filter"), s.applyPopFilter, this);
    m_fftSize = MakeChoice({"64", "128", "256", "512", "1024", "2048"}, s.fftSizeCode, this);

    auto* band = new QGroupBox(QStringLiteral("Trigger"), this);
    auto* bf = new QFormLayout(band);
    bf->addRow(QStringLiteral("Lowest frequency (Hz):"), m_freqMin);
    bf->addRow(QStringLiteral("Highest frequency (Hz, -1 = half the sample rate):"), m_freqMax);
    bf->addRow(QStringLiteral("Trigger threshold (0 - 1, or percent):"), m_thresh);
    bf->addRow(QStringLiteral("Min trigger event duration (ms):"), m_minTrigger);
    bf->addRow(QStringLiteral("Max trigger drop time (ms):"), m_maxDrop);
    bf->addRow(m_popFilter);
    auto* sound = new QGroupBox(QStringLiteral("Sound"), this);
    auto* sf = new QFormLayout(sound);
    sf->addRow(QStringLiteral("Min sound duration (ms):"), m_minSound);
    sf->addRow(QStringLiteral("Max sound duration (ms, 0 = no limit):"), m_maxSound);
    sf->addRow(QStringLiteral("Buffer before sound (ms):"), m_before);
    sf->addRow(QStringLiteral("Buffer after sound (ms):"), m_after);
    sf->addRow(QStringLiteral("Average duration (ms):"), m_average);
    sf->addRow(QStringLiteral("Transform size without a recorder:"), m_fftSize);
    sf->addRow(m_storeOnly);
    auto* buttons = MakeOkCancelButtons(this);
    AddMakeDefaultButton(buttons, this, [this] { MakeDefault(); });
    AddHelpButton(
        buttons, this,
        QStringLiteral("The detector watches the energy between the lowest and highest frequency. A trigger event "
                       "starts when the band level rises above the threshold and counts when it lasts at least the "
                       "minimum event duration. Events separated by less than the drop time form one sound; a sound "
                       "shorter than the minimum duration is discarded, and one reaching the maximum duration is "
                       "stored at once. The stored sound is padded with the buffer before and after."));
    StackDialog(this, {band, sound, buttons});
}

DetectorSettings CDlgSoundDetector::Settings() const
{
    DetectorSettings s = m_initial;
    s.freqMinHz = m_freqMin->value();
    s.freqMaxHz = m_freqMax->value();
    s.triggerThresh = float(m_thresh->value());
    s.minTriggerEventMs = m_minTrigger->value();
    s.maxTriggerDropMs = m_maxDrop->value();
    s.minSoundMs = m_minSound->value();
    s.maxSoundMs = float(m_maxSound->value());
    s.bufferBeforeMs = m_before->value();
    s.bufferAfterMs = m_after->value();
    s.averageMs = m_average->value();
    s.storeOnlyDetected = m_storeOnly->isChecked();
    s.applyPopFilter = m_popFilter->isChecked();
    s.fftSizeCode = m_fftSize->currentIndex();
    return s;
}

bool CDlgSoundDetector::MakeDefault()
{
    return ReportDefaultSaved(this, Settings().Save(m_file, m_suffix),
                              QStringLiteral("The detector settings could not be saved."));
}

} // namespace tavril
