#include "edit/CDlgInsertSilence.h"

#include "common/DialogFields.h"

#include <QFormLayout>

namespace tavril {

CDlgInsertSilence::CDlgInsertSilence(double durationMs, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Insert silence"));
    // An hour at most: longer inserts are almost certainly a typing slip.
    m_duration = MakeRealField(0.0, 3600000.0, durationMs, 1, this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Duration (ms):"), m_duration);
    auto* buttons = MakeOkCancelButtons(this);
    StackDialog(this, {form, buttons});
}

double CDlgInsertSilence::DurationMs() const { return m_duration->value(); }

} // namespace tavril
