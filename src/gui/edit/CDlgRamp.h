#pragma once
// CDlgRamp: "Ramp Signal Begin/End": the fade-in and fade-out lengths in
// milliseconds; "Make default" stores them in "Ramp Begin/End Details".
// Made and run by the edit commands; UI thread only.

#include "EditDialogSettings.h"

#include <QDialog>
#include <string>

class QSpinBox;

namespace tavril {

class CDlgRamp : public QDialog {
    Q_OBJECT
public:
    CDlgRamp(const RampSettings& settings, std::string settingsFile, QWidget* parent = nullptr);
    RampSettings Settings() const;
    QSpinBox* BeginField() const { return m_begin; }
    QSpinBox* EndField() const { return m_end; }
    // Stores the values shown; false (after a message) when that failed.
    bool MakeDefault();

private:
    std::string m_settingsFile;
    QSpinBox* m_begin;
    QSpinBox* m_end;
};

} // namespace tavril
