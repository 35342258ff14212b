#pragma once
// CDlgRecognitionSettings: "Song Detection and Recognition Settings" of a
// recorder. Only the detection switch, the screen-message output and the
// detector's own settings can be changed; the recogniser's values are shown
// disabled and kept as they were loaded. UI thread only.

#include "CAcquisitionSettings.h"

#include <QDialog>
#include <string>

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

namespace tavril {

class CDlgRecognitionSettings : public QDialog {
    Q_OBJECT
public:
    CDlgRecognitionSettings(const RecognitionSupervisorSettings& s, const DetectorSettings& detector,
                            std::string settingsFile, std::string suffix, QWidget* parent = nullptr);
    RecognitionSupervisorSettings Settings() const;
    DetectorSettings Detector() const { return m_detector; }
    bool SaveAsDefault();
    void ResetToDefault();

    QCheckBox* m_detectOn;
    QCheckBox* m_screen;
    QCheckBox* m_recognize;
    QCheckBox* m_outputFile;
    QCheckBox* m_logFile;
    QSpinBox* m_epochs;
    QSpinBox* m_report;
    QDoubleSpinBox* m_errorExit;
    QSpinBox* m_elements;
    QDoubleSpinBox* m_learning;
    QDoubleSpinBox* m_momentum;
    QDoubleSpinBox* m_minElements;
    QSpinBox* m_hidden;
    QSpinBox* m_outputs;
    QLineEdit* m_network;
    QLineEdit* m_output;
    QLineEdit* m_testing;
    QLineEdit* m_training;
    QPlainTextEdit* m_status;

private:
    void Show(const RecognitionSupervisorSettings& s);

    RecognitionSupervisorSettings m_initial;
    DetectorSettings m_detector;
    std::string m_file, m_suffix;
};

} // namespace tavril
