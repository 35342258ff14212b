#pragma once
// CDlgSpectrographDetails: "Spectrograph Details", the live spectrogram of a
// recorder: window type, the transform sizes while scrolling and while
// frozen, gain, white threshold and the amplitude envelope. "Make default"
// writes its section with the recorder's suffix. UI thread only.

#include "CAcquisitionSettings.h"

#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QSpinBox;

namespace tavril {

class CDlgSpectrographDetails : public QDialog {
    Q_OBJECT
public:
    CDlgSpectrographDetails(const RecordingSpectrogramSettings& s, std::string settingsFile, std::string suffix,
                            QWidget* parent = nullptr);
    RecordingSpectrogramSettings Settings() const;
    bool MakeDefault();

    QComboBox* m_window;
    QComboBox* m_rtsSize;
    QComboBox* m_pauseSize;
    QDoubleSpinBox* m_gain;
    QSpinBox* m_white;
    QCheckBox* m_amplitude;

private:
    RecordingSpectrogramSettings m_initial;
    std::string m_file, m_suffix;
};

} // namespace tavril
