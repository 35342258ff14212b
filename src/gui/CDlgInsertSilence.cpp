#include "CDlgInsertSilence.h"

#include "DialogFields.h"

#include <QDialogButtonBox>
#include <QFormLayout>

namespace tavril {

CDlgInsertSilence::CDlgInsertSilence(double durationMs, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Insert silence"));
    // An hour at most: longer inserts are almost certainly a typing slip.
    m_duration = MakeRealField(0.0, 3600000.0, durationMs, 1, this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Duration (ms):"), m_duration);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

double CDlgInsertSilence::DurationMs() const { return m_duration->value(); }

} // namespace tavril
