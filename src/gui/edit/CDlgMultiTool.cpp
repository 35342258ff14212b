#include "edit/CDlgMultiTool.h"

#include "common/DialogFields.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>

namespace tavril {

namespace {

QGroupBox* ToolGroup(QWidget* owner, const QString& title, QCheckBox*& on, bool checked)
{
    auto* box = new QGroupBox(title, owner);
    on = new QCheckBox(QStringLiteral("On"), box);
    on->setChecked(checked);
    return box;
}

} // namespace

CDlgMultiTool::CDlgMultiTool(const MultiToolSettings& s, std::string settingsFile, QWidget* parent)
    : QDialog(parent), m_base(s), m_settingsFile(std::move(settingsFile))
{
    setWindowTitle(QStringLiteral("Multiple Processing Tools Settings:"));

    QGroupBox* filter = ToolGroup(this, QStringLiteral("Fixed Frequency Filter"), m_filterOn, s.filterOn != 0);
    m_hipass = MakeRealField(0.0, 1000000.0, s.highPassCornerHz, 2, filter);
    m_lopass = MakeRealField(0.0, 1000000.0, s.lowPassCornerHz, 2, filter);
    auto* filterForm = new QFormLayout(filter);
    filterForm->addRow(m_filterOn);
    filterForm->addRow(QStringLiteral("Hipass corner:"), m_hipass);
    filterForm->addRow(QStringLiteral("Lopass corner:"), m_lopass);

    QGroupBox* noise = ToolGroup(this, QStringLiteral("Noise Filter"), m_noiseOn, s.noiseFilterOn != 0);
    (new QFormLayout(noise))->addRow(m_noiseOn);
    QGroupBox* maximize = ToolGroup(this, QStringLiteral("Maximize Amplitude"), m_maximizeOn, s.maximizeOn != 0);
    (new QFormLayout(maximize))->addRow(m_maximizeOn);

    QGroupBox* ramp = ToolGroup(this, QStringLiteral("Ramp"), m_rampOn, s.rampOn != 0);
    m_beginRamp = MakeIntField(0, 60000, s.beginRampMs, ramp);
    m_endRamp = MakeIntField(0, 60000, s.endRampMs, ramp);
    auto* rampForm = new QFormLayout(ramp);
    rampForm->addRow(m_rampOn);
    rampForm->addRow(QStringLiteral("Begin ramp (ms):"), m_beginRamp);
    rampForm->addRow(QStringLiteral("End ramp (ms):"), m_endRamp);

    auto* allWindows = new QPushButton(QStringLiteral("Apply now to all sounds in display"), this);
    auto* files = new QPushButton(QStringLiteral("Apply now to a selection of sound files"), this);
    connect(allWindows, &QPushButton::clicked, this, [this] { ChooseBatch(Batch::AllWindows); });
    connect(files, &QPushButton::clicked, this, [this] { ChooseBatch(Batch::Files); });
    allWindows->setAutoDefault(false);
    files->setAutoDefault(false);

    auto* buttons = MakeOkCancelButtons(this);
    AddHelpButton(
        buttons, this,
        QStringLiteral("The tools that are on run in this order on the selected channel: fixed frequency filter "
                       "(between the hipass and lopass corners), noise filter, maximize, ramp.\n\n"
                       "\"Apply Multiple Tools\" runs them on the active window's sound (one undo step). The "
                       "batch buttons run them on every sound window, or on sound files you choose, which are "
                       "replaced by the processed sound in their own format."));
    AddMakeDefaultButton(buttons, this, [this] { MakeDefault(); });

    StackDialog(this, {filter, noise, maximize, ramp, allWindows, files, buttons});
}

MultiToolSettings CDlgMultiTool::Settings() const
{
    MultiToolSettings s = m_base;
    s.filterOn = m_filterOn->isChecked() ? 1 : 0;
    s.noiseFilterOn = m_noiseOn->isChecked() ? 1 : 0;
    s.maximizeOn = m_maximizeOn->isChecked() ? 1 : 0;
    s.rampOn = m_rampOn->isChecked() ? 1 : 0;
    s.highPassCornerHz = static_cast<float>(m_hipass->value());
    s.lowPassCornerHz = static_cast<float>(m_lopass->value());
    s.beginRampMs = m_beginRamp->value();
    s.endRampMs = m_endRamp->value();
    return s;
}

void CDlgMultiTool::ChooseBatch(Batch b)
{
    m_batch = b;
    accept();
}

bool CDlgMultiTool::MakeDefault()
{
    return ReportDefaultSaved(this, Settings().Save(m_settingsFile),
                              QStringLiteral("The default tool settings could not be saved."));
}

} // namespace tavril
