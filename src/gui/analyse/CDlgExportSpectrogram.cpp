#include "analyse/CDlgExportSpectrogram.h"

#include "common/DialogFields.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

#include <algorithm>

namespace tavril {

namespace {
// Radio buttons numbered in the order given, checked at `checked`.
QButtonGroup* Radios(QWidget* owner, std::initializer_list<QRadioButton*> buttons, int checked) {
    auto* group = new QButtonGroup(owner);
    int id = 0;
    for (QRadioButton* b : buttons)
        group->addButton(b, id++);
    if (QAbstractButton* b = group->button(std::clamp(checked, 0, id - 1)))
        b->setChecked(true);
    return group;
}
} // namespace

CDlgExportSpectrogram::CDlgExportSpectrogram(const ExportSpectrogramSettings& s, QWidget* parent)
    : QDialog(parent), m_initial(s) {
    setWindowTitle(QStringLiteral("Export Spectragram to Tab-delimited Text File"));

    auto* sizeBox = new QGroupBox(QStringLiteral("FFT size"), this);
    auto* windowSize = new QRadioButton(QStringLiteral("FFT size in selected window"), sizeBox);
    auto* otherSize = new QRadioButton(QStringLiteral("Specify other FFT size:"), sizeBox);
    m_sizeChoice = Radios(this, {windowSize, otherSize}, s.m_specifyFftSize);
    m_fftSize = new QComboBox(sizeBox);
    for (const char* size : {"32", "64", "128", "256", "512", "1024"})
        m_fftSize->addItem(QString::fromLatin1(size));
    m_fftSize->setCurrentIndex(std::clamp(s.m_fftSizeIndex, 0, 5));
    auto* sizeGrid = new QGridLayout(sizeBox);
    sizeGrid->addWidget(windowSize, 0, 0, 1, 2);
    sizeGrid->addWidget(otherSize, 1, 0);
    sizeGrid->addWidget(m_fftSize, 1, 1);

    auto* rangeBox = new QGroupBox(QStringLiteral("Frequency range"), this);
    auto* allBins = new QRadioButton(QStringLiteral("Save all frequency bins"), rangeBox);
    auto* someBins = new QRadioButton(QStringLiteral("Save only frequency bins in range:"), rangeBox);
    m_rangeChoice = Radios(this, {allBins, someBins}, s.m_selectFrequencyBinRange);
    m_low = MakeIntField(0, 10000000, s.m_minFrequency, rangeBox);
    m_high = MakeIntField(0, 10000000, s.m_maxFrequency, rangeBox);
    auto* rangeGrid = new QGridLayout(rangeBox);
    rangeGrid->addWidget(allBins, 0, 0, 1, 2);
    rangeGrid->addWidget(someBins, 1, 0, 1, 2);
    rangeGrid->addWidget(new QLabel(QStringLiteral("Lowest frequency:"), rangeBox), 2, 0);
    rangeGrid->addWidget(m_low, 2, 1);
    rangeGrid->addWidget(new QLabel(QStringLiteral("Highest frequency:"), rangeBox), 3, 0);
    rangeGrid->addWidget(m_high, 3, 1);

    auto* spacingBox = new QGroupBox(QStringLiteral("FFT spacing"), this);
    auto* byWindow = new QRadioButton(QStringLiteral("Time scale in selected window"), spacingBox);
    auto* byTime = new QRadioButton(QStringLiteral("Time (ms):"), spacingBox);
    auto* bySample = new QRadioButton(QStringLiteral("Sample number:"), spacingBox);
    auto* byPercent = new QRadioButton(QStringLiteral("%FFT offset (>100=no overlap):"), spacingBox);
    m_spacing = Radios(this, {byWindow, byTime, bySample, byPercent}, s.m_fftSpacingSelection);
    m_timeMs = MakeRealField(0.001, 1e7, s.m_fftSpaceTime, 3, spacingBox);
    m_samples = MakeIntField(1, 2000000000, std::max(1, s.m_fftSpaceSample), spacingBox);
    m_percent = MakeRealField(0.0, 100000.0, s.m_fftSpacePercentOverlap, 2, spacingBox);
    auto* spacingGrid = new QGridLayout(spacingBox);
    spacingGrid->addWidget(byWindow, 0, 0, 1, 2);
    spacingGrid->addWidget(byTime, 1, 0);
    spacingGrid->addWidget(m_timeMs, 1, 1);
    spacingGrid->addWidget(bySample, 2, 0);
    spacingGrid->addWidget(m_samples, 2, 1);
    spacingGrid->addWidget(byPercent, 3, 0);
    spacingGrid->addWidget(m_percent, 3, 1);

    m_header = new QCheckBox(QStringLiteral("Include file info text header"), this);
    m_header->setChecked(s.m_includeInfoHeader);
    QDialogButtonBox* buttons = MakeOkCancelButtons(this);
    AddMakeDefaultButton(buttons, this, [this] {
        ReportDefaultSaved(this, Result().Save(""), QStringLiteral("The settings could not be stored."));
    });
    StackDialog(this, {sizeBox, rangeBox, spacingBox, m_header, buttons});
}

ExportSpectrogramSettings CDlgExportSpectrogram::Result() const {
    ExportSpectrogramSettings s = m_initial;
    s.m_specifyFftSize = m_sizeChoice->checkedId();
    s.m_fftSizeIndex = m_fftSize->currentIndex();
    s.m_selectFrequencyBinRange = m_rangeChoice->checkedId();
    s.m_minFrequency = m_low->value();
    s.m_maxFrequency = m_high->value();
    s.m_includeInfoHeader = m_header->isChecked();
    s.m_fftSpacingSelection = m_spacing->checkedId();
    s.m_fftSpaceTime = static_cast<float>(m_timeMs->value());
    s.m_fftSpaceSample = m_samples->value();
    s.m_fftSpacePercentOverlap = static_cast<float>(m_percent->value());
    return s;
}

} // namespace tavril
