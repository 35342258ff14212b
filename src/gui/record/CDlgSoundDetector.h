#pragma once
// CDlgSoundDetector: "Sound Event Detector", the detector's band, threshold,
// timing and padding. "Make default" writes "Sound Detector Details" with
// the owner's suffix (a recorder's, or " for file detector"). UI thread only.

#include "DetectorSettings.h"

#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QSpinBox;

namespace tavril {

class CDlgSoundDetector : public QDialog {
    Q_OBJECT
public:
    CDlgSoundDetector(const DetectorSettings& s, std::string settingsFile, std::string suffix,
                      QWidget* parent = nullptr);
    DetectorSettings Settings() const;
    bool MakeDefault();

    QSpinBox* m_freqMin;
    QSpinBox* m_freqMax;
    QDoubleSpinBox* m_thresh;
    QSpinBox* m_minTrigger;
    QSpinBox* m_maxDrop;
    QSpinBox* m_minSound;
    QDoubleSpinBox* m_maxSound;
    QSpinBox* m_before;
    QSpinBox* m_after;
    QSpinBox* m_average;
    QCheckBox* m_storeOnly;
    QCheckBox* m_popFilter;
    QComboBox* m_fftSize;

private:
    DetectorSettings m_initial;
    std::string m_file, m_suffix;
};

} // namespace tavril
