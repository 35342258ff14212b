#pragma once
// Small builders for the number fields of the editing dialogs, so that every
// dialog shows ranges, steps and decimals the same way. Header only; UI
// thread.

#include <QDoubleSpinBox>
#include <QSpinBox>

namespace tavril {

// A real-valued field with a spin control; `decimals` digits after the point.
inline QDoubleSpinBox* MakeRealField(double minimum, double maximum, double value, int decimals = 2,
                                     QWidget* parent = nullptr)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setDecimals(decimals);
    box->setRange(minimum, maximum);
    box->setValue(value);
    box->setAccelerated(true);
    return box;
}

// An integer field with a spin control.
inline QSpinBox* MakeIntField(int minimum, int maximum, int value, QWidget* parent = nullptr)
{
    auto* box = new QSpinBox(parent);
    box->setRange(minimum, maximum);
    box->setValue(value);
    box->setAccelerated(true);
    return box;
}

} // namespace tavril
