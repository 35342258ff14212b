#pragma once
// CDlgMultiTool: "Multiple Processing Tools Settings:": which tools of the
// chain (fixed frequency filter, noise filter, maximize, ramp) run and with
// what values. Besides OK it ends with one of the two batch buttons, which
// the caller reads from BatchChoice(). "Make default" stores the values in
// "Multi Tool Dialog" (the keys the dialog does not show keep their values).
// UI thread only.

#include "EditDialogSettings.h"

#include <QDialog>
#include <string>

class QCheckBox;
class QDoubleSpinBox;
class QSpinBox;

namespace tavril {

class CDlgMultiTool : public QDialog {
    Q_OBJECT
public:
    enum class Batch { None, AllWindows, Files };

    CDlgMultiTool(const MultiToolSettings& settings, std::string settingsFile, QWidget* parent = nullptr);
    MultiToolSettings Settings() const;
    Batch BatchChoice() const { return m_batch; }
    // Ends the dialog as the batch buttons do (accepted, with the choice).
    void ChooseBatch(Batch b);

    QCheckBox* FilterOn() const { return m_filterOn; }
    QCheckBox* NoiseOn() const { return m_noiseOn; }
    QCheckBox* MaximizeOn() const { return m_maximizeOn; }
    QCheckBox* RampOn() const { return m_rampOn; }
    QDoubleSpinBox* HipassField() const { return m_hipass; }
    QDoubleSpinBox* LopassField() const { return m_lopass; }
    QSpinBox* BeginRampField() const { return m_beginRamp; }
    QSpinBox* EndRampField() const { return m_endRamp; }
    bool MakeDefault();

private:
    MultiToolSettings m_base;
    std::string m_settingsFile;
    Batch m_batch = Batch::None;
    QCheckBox* m_filterOn;
    QCheckBox* m_noiseOn;
    QCheckBox* m_maximizeOn;
    QCheckBox* m_rampOn;
    QDoubleSpinBox* m_hipass;
    QDoubleSpinBox* m_lopass;
    QSpinBox* m_beginRamp;
    QSpinBox* m_endRamp;
};

} // namespace tavril
