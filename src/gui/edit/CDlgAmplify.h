#pragma once
// CDlgAmplify: "Amplify/Attenuate Signal": the percentage the selected
// channel is scaled by. It starts at 100 every time it opens, so a stray OK
// never changes the sound. Made and run by the edit commands; UI thread only.

#include <QDialog>

class QDoubleSpinBox;

namespace tavril {

class CDlgAmplify : public QDialog {
    Q_OBJECT
public:
    explicit CDlgAmplify(QWidget* parent = nullptr);
    double Percent() const;
    QDoubleSpinBox* PercentField() const { return m_percent; }

private:
    QDoubleSpinBox* m_percent;
};

} // namespace tavril
