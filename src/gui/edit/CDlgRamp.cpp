#include "edit/CDlgRamp.h"

#include "common/DialogFields.h"

#include <QFormLayout>

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
    auto* buttons = MakeOkCancelButtons(this);
    AddMakeDefaultButton(buttons, this, [this] { MakeDefault(); });
    StackDialog(this, {form, buttons});
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
    return ReportDefaultSaved(this, Settings().Save(m_settingsFile),
                              QStringLiteral("The default ramp lengths could not be saved."));
}

} // namespace tavril
