#include "CDlgAmplify.h"

#include "DialogFields.h"

#include <QDialogButtonBox>
#include <QFormLayout>

namespace tavril {

CDlgAmplify::CDlgAmplify(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Amplify/Attenuate Signal"));
    m_percent = MakeRealField(0.0, 10000.0, 100.0, 2, this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("% Amplification"), m_percent);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

double CDlgAmplify::Percent() const { return m_percent->value(); }

} // namespace tavril
