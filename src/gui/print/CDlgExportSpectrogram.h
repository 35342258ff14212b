#pragma once
// CDlgExportSpectrogram: "Export Spectragram to Tab-delimited Text File":
// the lines per spectrum (the window's or another size), the spacing of the
// spectra, the frequency range and whether a header is written. "Make
// default" stores the choices in the default settings file at once.
//
// Modal; owned by whoever opens it; UI thread only.

#include "SpectrogramTextExport.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QRadioButton;
class QSpinBox;

namespace tavril {

class CDlgExportSpectrogram : public QDialog {
    Q_OBJECT
public:
    CDlgExportSpectrogram(const ExportSpectrogramSettings& s, QWidget* parent = nullptr);
    ExportSpectrogramSettings Settings() const;

private:
    ExportSpectrogramSettings m_base;
    QRadioButton* m_windowSize;
    QRadioButton* m_otherSize;
    QComboBox* m_size;
    QRadioButton* m_spacing[4];
    QDoubleSpinBox* m_time;
    QSpinBox* m_sample;
    QDoubleSpinBox* m_percent;
    QRadioButton* m_allBins;
    QRadioButton* m_range;
    QSpinBox* m_low;
    QSpinBox* m_high;
    QCheckBox* m_header;
};

} // namespace tavril
