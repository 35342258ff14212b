#pragma once
// CDlgInsertNoise: "Insert Noise": amplitude (percent of full scale) and
// duration of the noise put after the left cursor; "Make default" stores the
// amplitude in "Insert Noise Dialog". Made and run by the edit commands; UI
// thread only.

#include "EditDialogSettings.h"

#include <QDialog>
#include <string>

class QDoubleSpinBox;

namespace tavril {

class CDlgInsertNoise : public QDialog {
    Q_OBJECT
public:
    CDlgInsertNoise(const InsertNoiseSettings& settings, double durationMs, std::string settingsFile,
                    QWidget* parent = nullptr);
    InsertNoiseSettings Settings() const;
    double DurationMs() const;
    QDoubleSpinBox* AmplitudeField() const { return m_amplitude; }
    QDoubleSpinBox* DurationField() const { return m_duration; }
    bool MakeDefault();

private:
    std::string m_settingsFile;
    QDoubleSpinBox* m_amplitude;
    QDoubleSpinBox* m_duration;
};

} // namespace tavril
