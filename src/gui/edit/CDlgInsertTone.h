#pragma once
// CDlgInsertTone: "Insert Tone": a pure tone with optional frequency and
// amplitude modulation, put after the left cursor. "Make default" stores the
// values in "Insert Tone Dialog". The FM "Triangle" button is shown but
// disabled, as the tool offers no settled FM triangle. Made and run by the
// edit commands; UI thread only.

#include "CToneGenerator.h"
#include "EditDialogSettings.h"

#include <QDialog>
#include <string>

class QButtonGroup;
class QDoubleSpinBox;

namespace tavril {

class CDlgInsertTone : public QDialog {
    Q_OBJECT
public:
    CDlgInsertTone(const InsertToneSettings& settings, std::string settingsFile, QWidget* parent = nullptr);
    InsertToneSettings Settings() const;
    // What the tone generator gets: percentages become fractions.
    static ToneParams ToTone(const InsertToneSettings& s);

    QDoubleSpinBox* FrequencyField() const { return m_frequency; }
    QDoubleSpinBox* AmplitudeField() const { return m_amplitude; }
    QDoubleSpinBox* DurationField() const { return m_duration; }
    QDoubleSpinBox* FmRateField() const { return m_fmRate; }
    QDoubleSpinBox* FmRangeField() const { return m_fmRange; }
    QDoubleSpinBox* AmRateField() const { return m_amRate; }
    QDoubleSpinBox* AmRangeField() const { return m_amRange; }
    // Radio groups with ids 0 none, 1 sine, 2 square, 3 triangle.
    QButtonGroup* FmGroup() const { return m_fm; }
    QButtonGroup* AmGroup() const { return m_am; }
    bool MakeDefault();

private:
    std::string m_settingsFile;
    QDoubleSpinBox* m_frequency;
    QDoubleSpinBox* m_amplitude;
    QDoubleSpinBox* m_duration;
    QDoubleSpinBox* m_fmRate;
    QDoubleSpinBox* m_fmRange;
    QDoubleSpinBox* m_amRate;
    QDoubleSpinBox* m_amRange;
    QButtonGroup* m_fm;
    QButtonGroup* m_am;
};

} // namespace tavril
