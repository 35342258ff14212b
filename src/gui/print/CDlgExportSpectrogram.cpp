#include "print/CDlgExportSpectrogram.h"

#include "common/DialogFields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

namespace tavril {

CDlgExportSpectrogram::CDlgExportSpectrogram(const ExportSpectrogramSettings& s, QWidget* parent)
    : QDialog(parent), m_base(s) {
    setWindowTitle(QStringLiteral("Export Spectragram to Tab-delimited Text File"));
    auto* sizeBox = new QGroupBox(QStringLiteral("FFT size"), this);
    auto* sl = new QGridLayout(sizeBox);
    m_windowSize = new QRadioButton(QStringLiteral("FFT size in selected window"), sizeBox);
    m_otherSize = new QRadioButton(QStringLiteral("Specify other FFT size:"), sizeBox);
    (s.m_specifyFftSize ? m_otherSize : m_windowSize)->setChecked(true);
    m_size = new QComboBox(sizeBox);
    m_size->addItems({"32", "64", "128", "256", "512", "1024"});
    m_size->setCurrentIndex(std::clamp(s.m_fftSizeIndex, 0, 5));
    sl->addWidget(m_windowSize, 0, 0, 1, 2);
    sl->addWidget(m_otherSize, 1, 0);
    sl->addWidget(m_size, 1, 1);

    auto* spacing = new QGroupBox(QStringLiteral("FFT spacing"), this);
    auto* pl = new QGridLayout(spacing);
    const char* labels[4] = {"Time scale in selected window", "Time (ms):", "Sample number:",
                             "%FFT offset (>100=no overlap):"};
    for (int i = 0; i < 4; ++i) {
        m_spacing[i] = new QRadioButton(QString::fromLatin1(labels[i]), spacing);
        pl->addWidget(m_spacing[i], i, 0);
    }
    m_spacing[std::clamp(s.m_fftSpacingSelection, 0, 3)]->setChecked(true);
    m_time = MakeRealField(0.001, 1e6, s.m_fftSpaceTime, 3, spacing);
    m_sample = MakeIntField(1, 1 << 30, s.m_fftSpaceSample, spacing);
    m_percent = MakeRealField(0.0, 10000.0, s.m_fftSpacePercentOverlap, 2, spacing);
    pl->addWidget(m_time, 1, 1);
    pl->addWidget(m_sample, 2, 1);
    pl->addWidget(m_percent, 3, 1);

    auto* range = new QGroupBox(QStringLiteral("Frequency bins"), this);
    auto* rl = new QGridLayout(range);
    m_allBins = new QRadioButton(QStringLiteral("Save all frequency bins"), range);
    m_range = new QRadioButton(QStringLiteral("Save only frequency bins in range:"), range);
    (s.m_selectFrequencyBinRange ? m_range : m_allBins)->setChecked(true);
    m_low = MakeIntField(0, 1000000, s.m_minFrequency, range);
    m_high = MakeIntField(0, 1000000, s.m_maxFrequency, range);
    rl->addWidget(m_allBins, 0, 0, 1, 2);
    rl->addWidget(m_range, 1, 0, 1, 2);
    rl->addWidget(new QLabel(QStringLiteral("Lowest frequency:"), range), 2, 0);
    rl->addWidget(m_low, 2, 1);
    rl->addWidget(new QLabel(QStringLiteral("Highest frequency:"), range), 3, 0);
    rl->addWidget(m_high, 3, 1);

    m_header = new QCheckBox(QStringLiteral("Include file info text header"), this);
    m_header->setChecked(s.m_includeInfoHeader);

    auto* buttons = MakeOkCancelButtons(this);
    AddMakeDefaultButton(buttons, this, [this] {
        ReportDefaultSaved(this, Settings().Save(""), QStringLiteral("The export settings could not be saved."));
    });
    StackDialog(this, {sizeBox, spacing, range, m_header, buttons});
}

ExportSpectrogramSettings CDlgExportSpectrogram::Settings() const {
    ExportSpectrogramSettings s = m_base;
    s.m_specifyFftSize = m_otherSize->isChecked() ? 1 : 0;
    s.m_fftSizeIndex = m_size->currentIndex();
    for (int i = 0; i < 4; ++i)
        if (m_spacing[i]->isChecked())
            s.m_fftSpacingSelection = i;
    s.m_fftSpaceTime = static_cast<float>(m_time->value());
    s.m_fftSpaceSample = m_sample->value();
    s.m_fftSpacePercentOverlap = static_cast<float>(m_percent->value());
    s.m_selectFrequencyBinRange = m_range->isChecked() ? 1 : 0;
    s.m_minFrequency = m_low->value();
    s.m_maxFrequency = m_high->value();
    s.m_includeInfoHeader = m_header->isChecked();
    return s;
}

} // namespace tavril
