#pragma once
// Small builders the dialogs share: number fields that show ranges, steps
// and decimals the same way everywhere, and the button row with OK, Cancel,
// "Make default" and "Help" wired the same way in every dialog. Header only;
// UI thread.

#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QString>
#include <QVBoxLayout>

#include <initializer_list>
#include <utility>
#include <variant>

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

// The OK/Cancel row (plus any `more` standard buttons) owned by `dialog`,
// OK wired to accept and Cancel to reject. Callers add their own buttons
// afterwards, in the order they want them created.
inline QDialogButtonBox* MakeOkCancelButtons(QDialog* dialog,
                                             QDialogButtonBox::StandardButtons more = QDialogButtonBox::NoButton)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | more, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

// Adds "Make default" to the row; a click calls `store` (in the dialog's
// context, so not after the dialog is gone).
template <class Store>
QPushButton* AddMakeDefaultButton(QDialogButtonBox* buttons, QDialog* dialog, Store store)
{
    QPushButton* button = buttons->addButton(QStringLiteral("Make default"), QDialogButtonBox::ActionRole);
    QObject::connect(button, &QPushButton::clicked, dialog, std::move(store));
    return button;
}

// Adds "Help", which shows `text` in a box titled like the dialog.
inline QPushButton* AddHelpButton(QDialogButtonBox* buttons, QDialog* dialog, const QString& text)
{
    QPushButton* button = buttons->addButton(QStringLiteral("Help"), QDialogButtonBox::HelpRole);
    QObject::connect(button, &QPushButton::clicked, dialog,
                     [dialog, text] { QMessageBox::information(dialog, dialog->windowTitle(), text); });
    return button;
}

// What "Make default" answers: true when the settings were stored (`saved`
// non-zero); otherwise `failure` is shown as a warning and the answer is false.
inline bool ReportDefaultSaved(QDialog* dialog, int saved, const QString& failure)
{
    if (saved) return true;
    QMessageBox::warning(dialog, dialog->windowTitle(), failure);
    return false;
}

// Gives `dialog` a top-to-bottom layout holding the parts in order.
inline QVBoxLayout* StackDialog(QDialog* dialog, std::initializer_list<std::variant<QWidget*, QLayout*>> parts)
{
    auto* layout = new QVBoxLayout(dialog);
    for (const auto& part : parts) {
        if (const auto* widget = std::get_if<QWidget*>(&part)) layout->addWidget(*widget);
        else layout->addLayout(std::get<QLayout*>(part));
    }
    return layout;
}

} // namespace tavril
