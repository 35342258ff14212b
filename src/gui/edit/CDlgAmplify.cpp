#include "edit/CDlgAmplify.h"

#include "common/DialogFields.h"

#include <QFormLayout>

namespace tavril {

CDlgAmplify::CDlgAmplify(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Amplify/Attenuate Signal"));
    m_percent = MakeRealField(0.0, 10000.0, 100.0, 2, this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("% Amplification"), m_percent);
    auto* buttons = MakeOkCancelButtons(this);
    StackDialog(this, {form, buttons});
}

double CDlgAmplify::Percent() const { return m_percent->value(); }

} // namespace tavril
