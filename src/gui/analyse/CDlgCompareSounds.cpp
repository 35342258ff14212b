#include "analyse/CDlgCompareSounds.h"

#include "common/DialogFields.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace tavril {

CDlgCompareSounds::CDlgCompareSounds(const CompareSettings& s, IPrompt& prompt, QWidget* parent)
    : QDialog(parent), m_initial(s) {
    setWindowTitle(QStringLiteral("Compare sounds"));
    m_fftSize = new QComboBox(this);
    for (const char* size : {"32", "64", "128", "256", "512", "1024"})
        m_fftSize->addItem(QString::fromLatin1(size));
    m_fftSize->setCurrentIndex(std::clamp(s.m_fftSizeIndex, 0, 5));
    m_difference = MakeRealField(0.0, 100.0, s.m_differenceThreshold, 3, this);
    m_overlap = MakeRealField(0.001, 1e6, s.m_overlapMs, 3, this);
    m_silence = MakeRealField(0.0, 100.0, s.m_silenceThreshold, 3, this);
    m_averages = MakeIntField(1, 1024, s.m_numAverages, this);
    m_file = new QLineEdit(QString::fromStdString(s.m_compareFile), this);
    auto* browse = new QPushButton(QStringLiteral("Browse"), this);
    connect(browse, &QPushButton::clicked, this, [this, &prompt] {
        IPrompt::PathRequest req;
        req.title = "Select a file to compare with:";
        req.filter = "Sound files (*.wav;*.sig;*.snd;*.aif;*.aiff)|*.wav;*.sig;*.snd;*.aif;*.aiff|Wave sound files "
                     "(*.wav)|*.wav|Signal sound files (*.sig)|*.sig|Data Translation sound files (*.snd)|*.snd|"
                     "Mac AIFF sound files (*.aif)|*.aif;*.aiff|All files (*.*)|*.*|";
        std::string chosen;
        if (prompt.ChoosePath(req, chosen))
            m_file->setText(QString::fromStdString(chosen));
    });
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(browse);
    m_freqMin = MakeIntField(0, 10000000, s.m_freqRangeMin, this);
    m_freqMax = MakeIntField(0, 10000000, s.m_freqRangeMax, this);
    auto* range = new QHBoxLayout;
    range->addWidget(m_freqMin);
    range->addWidget(new QLabel(QStringLiteral("Max"), this));
    range->addWidget(m_freqMax);
    m_channel1 = MakeIntField(0, 65535, s.m_channel1, this);
    m_channel2 = MakeIntField(-1, 65535, s.m_channel2, this);
    m_maxDelay = MakeRealField(0.0, 1e9, s.m_maxCompareDelayMs, 3, this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("FFT Size"), m_fftSize);
    form->addRow(QStringLiteral("Difference Thresh (%full sig)"), m_difference);
    form->addRow(QStringLiteral("FFT Overlap (ms):"), m_overlap);
    form->addRow(QStringLiteral("Silence Thresh (%full sig)"), m_silence);
    form->addRow(QStringLiteral("Number of Averages per FFT"), m_averages);
    form->addRow(QStringLiteral("File to Compare:"), fileRow);
    form->addRow(QStringLiteral("Frequency Range:  Min"), range);
    form->addRow(QStringLiteral("Channel1:"), m_channel1);
    form->addRow(QStringLiteral("Channel2: (-1 = all other channels)"), m_channel2);
    form->addRow(QStringLiteral("Max time delay for comparison (ms):"), m_maxDelay);
    QDialogButtonBox* buttons = MakeOkCancelButtons(this);
    AddMakeDefaultButton(buttons, this, [this] {
        ReportDefaultSaved(this, Result().Save(""), QStringLiteral("The settings could not be stored."));
    });
    StackDialog(this, {form, buttons});
}

CompareSettings CDlgCompareSounds::Result() const {
    CompareSettings s = m_initial;
    s.m_fftSizeIndex = m_fftSize->currentIndex();
    s.m_differenceThreshold = static_cast<float>(m_difference->value());
    s.m_overlapMs = static_cast<float>(m_overlap->value());
    s.m_silenceThreshold = static_cast<float>(m_silence->value());
    s.m_numAverages = m_averages->value();
    s.m_compareFile = m_file->text().toStdString();
    s.m_freqRangeMin = m_freqMin->value();
    s.m_freqRangeMax = m_freqMax->value();
    s.m_channel1 = m_channel1->value();
    s.m_channel2 = m_channel2->value();
    s.m_maxCompareDelayMs = static_cast<float>(m_maxDelay->value());
    return s;
}

} // namespace tavril
