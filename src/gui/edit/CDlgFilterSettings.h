#pragma once
// CDlgFilterSettings: "Preset Filter settings": the stop-band level, the two
// corner frequencies of the preset band filter and the ramps that soften its
// edges in frequency and in time. OK keeps the values for this session;
// "Make default" stores them in "Filter Details". UI thread only.

#include "EditDialogSettings.h"

#include <QDialog>
#include <string>

class QDoubleSpinBox;

namespace tavril {

class CDlgFilterSettings : public QDialog {
    Q_OBJECT
public:
    CDlgFilterSettings(const FilterSettings& settings, std::string settingsFile, QWidget* parent = nullptr);
    FilterSettings Settings() const;
    QDoubleSpinBox* AmpReductionField() const { return m_ampReduction; }
    QDoubleSpinBox* HipassField() const { return m_hipass; }
    QDoubleSpinBox* LopassField() const { return m_lopass; }
    QDoubleSpinBox* FreqRampField() const { return m_freqRamp; }
    QDoubleSpinBox* TimeRampField() const { return m_timeRamp; }
    bool MakeDefault();

private:
    std::string m_settingsFile;
    QDoubleSpinBox* m_ampReduction;
    QDoubleSpinBox* m_hipass;
    QDoubleSpinBox* m_lopass;
    QDoubleSpinBox* m_freqRamp;
    QDoubleSpinBox* m_timeRamp;
};

} // namespace tavril
