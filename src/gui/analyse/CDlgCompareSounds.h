#pragma once
// CDlgCompareSounds: the "Compare sounds" dialog of "Correlate With Another
// Soundfile": transform size, spacing, averages, thresholds, the two
// channels and the longest delay, with "Make default" writing them to the
// default settings file.
//
// Created on the stack by the command; UI thread only.

#include "IPrompt.h"
#include "SoundComparison.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;

namespace tavril {

class CDlgCompareSounds : public QDialog {
    Q_OBJECT
public:
    CDlgCompareSounds(const CompareSettings& s, IPrompt& prompt, QWidget* parent);
    CompareSettings Result() const;

private:
    CompareSettings m_initial;
    QComboBox* m_fftSize = nullptr;
    QDoubleSpinBox* m_difference = nullptr;
    QDoubleSpinBox* m_overlap = nullptr;
    QDoubleSpinBox* m_silence = nullptr;
    QSpinBox* m_averages = nullptr;
    QLineEdit* m_file = nullptr;
    QSpinBox* m_freqMin = nullptr;
    QSpinBox* m_freqMax = nullptr;
    QSpinBox* m_channel1 = nullptr;
    QSpinBox* m_channel2 = nullptr;
    QDoubleSpinBox* m_maxDelay = nullptr;
};

} // namespace tavril
