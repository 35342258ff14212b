#pragma once
// CDlgExportSpectrogram: the "Export Spectragram to Tab-delimited Text File"
// dialog: transform size, frequency range, spacing of the transforms and
// the header, with "Make default" writing them to the default settings file.
//
// Created on the stack by the command; UI thread only.

#include "SpectrogramTextExport.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QSpinBox;

namespace tavril {

class CDlgExportSpectrogram : public QDialog {
    Q_OBJECT
public:
    CDlgExportSpectrogram(const ExportSpectrogramSettings& s, QWidget* parent);
    ExportSpectrogramSettings Result() const;

private:
    ExportSpectrogramSettings m_initial;
    QButtonGroup* m_sizeChoice = nullptr;
    QComboBox* m_fftSize = nullptr;
    QButtonGroup* m_rangeChoice = nullptr;
    QSpinBox* m_low = nullptr;
    QSpinBox* m_high = nullptr;
    QCheckBox* m_header = nullptr;
    QButtonGroup* m_spacing = nullptr;
    QDoubleSpinBox* m_timeMs = nullptr;
    QSpinBox* m_samples = nullptr;
    QDoubleSpinBox* m_percent = nullptr;
};

} // namespace tavril
