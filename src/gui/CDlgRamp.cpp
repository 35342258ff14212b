#include "CDlgRamp.h"

#include "DialogFields.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QMessageBox>
#include <QPushButton>

namespace tavril {

CDlgRamp::CDlgRamp(const RampSettings& settings, std::string settingsFile, QWidget* parent)
    : QDialog(parent), m_settingsFile(std::move(settingsFile))
{
    setWindowTitle(QStringLiteral("Ramp Signal Begin/End"));
    m_begin = MakeIntField(0, 60000, settings.beginMs, this);
    m_end = MakeIntField(0, 60000, settings.endMs, this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Begin ramp (ms):"), m_begin);
    form->addRow(QStringLiteral("End ramp (ms):"), m_end);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* makeDefault = buttons->addButton(QStringLiteral("Make default"), QDialogButtonBox::ActionRole);
    connect(makeDefault, &QPushButton::clicked, this, [this] { MakeDefault(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

RampSettings CDlgRamp::Settings() const
{
    RampSettings s;
    s.beginMs = m_begin->value();
    s.endMs = m_end->value();
    return s;
}

bool CDlgRamp::MakeDefault()
{
    if (Settings().Save(m_settingsFile)) return true;
    QMessageBox::warning(this, windowTitle(), QStringLiteral("The default ramp lengths could not be saved."));
    return false;
}

} // namespace tavril
