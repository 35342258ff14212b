#pragma once
// CDlgInsertSilence: "Insert silence": how many milliseconds of silence go
// after the left cursor. Made and run by the edit commands; UI thread only.

#include <QDialog>

class QDoubleSpinBox;

namespace tavril {

class CDlgInsertSilence : public QDialog {
    Q_OBJECT
public:
    explicit CDlgInsertSilence(double durationMs, QWidget* parent = nullptr);
    double DurationMs() const;
    QDoubleSpinBox* DurationField() const { return m_duration; }

private:
    QDoubleSpinBox* m_duration;
};

} // namespace tavril
