#include "playback/CDlgLoopPlayback.h"

#include "common/DialogFields.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>

namespace tavril {

CDlgLoopPlayback::CDlgLoopPlayback(const LoopPlaybackSettings& settings, QWidget* parent)
    : QDialog(parent), m_base(settings)
{
    setWindowTitle(QStringLiteral("Loop Playback Mode"));
    auto* layout = new QVBoxLayout(this);

    auto* delayRow = new QHBoxLayout;
    delayRow->addWidget(new QLabel(QStringLiteral("Loop delay (ms):"), this));
    m_delay = MakeIntField(0, 24 * 3600 * 1000, settings.loopDelayMs, this);
    delayRow->addWidget(m_delay);
    layout->addLayout(delayRow);

    auto* limitRow = new QHBoxLayout;
    m_limit = new QCheckBox(QStringLiteral("Limit number of playbacks to "), this);
    m_limit->setChecked(settings.limitNumberChecked);
    m_count = MakeIntField(0, 1000000, settings.numPlaybacks, this);
    m_count->setEnabled(settings.limitNumberChecked);
    connect(m_limit, &QCheckBox::toggled, m_count, &QWidget::setEnabled);
    limitRow->addWidget(m_limit);
    limitRow->addWidget(m_count);
    layout->addLayout(limitRow);

    m_follows = new QRadioButton(QStringLiteral("Playback follows window selections"), this);
    m_fixed = new QRadioButton(QStringLiteral("Playback fixed to current window"), this);
    auto* behavior = new QButtonGroup(this);
    behavior->addButton(m_follows);
    behavior->addButton(m_fixed);
    (settings.playbackBehavior == 0 ? m_follows : m_fixed)->setChecked(true);
    layout->addWidget(m_follows);
    layout->addWidget(m_fixed);

    m_force = new QCheckBox(QStringLiteral("Force loop-play mode for all playbacks using these settings"), this);
    m_force->setChecked(settings.forceLoopPlaybackMode);
    layout->addWidget(m_force);

    auto* position = new QGroupBox(QStringLiteral("Loop delay relative to sound:"), this);
    auto* positionRow = new QHBoxLayout(position);
    m_fromStart = new QRadioButton(QStringLiteral("start"), position);
    m_fromEnd = new QRadioButton(QStringLiteral("end"), position);
    (settings.delayStartPosition == 0 ? m_fromStart : m_fromEnd)->setChecked(true);
    positionRow->addWidget(m_fromStart);
    positionRow->addWidget(m_fromEnd);
    layout->addWidget(position);

    auto* buttons = MakeOkCancelButtons(this);
    AddMakeDefaultButton(buttons, this, [this] {
        ReportDefaultSaved(this, Result().Save(""), QStringLiteral("The loop playback settings could not be saved."));
    });
    layout->addWidget(buttons);
}

LoopPlaybackSettings CDlgLoopPlayback::Result() const
{
    LoopPlaybackSettings s = m_base;
    s.loopDelayMs = m_delay->value();
    s.limitNumberChecked = m_limit->isChecked();
    s.numPlaybacks = m_count->value();
    s.playbackBehavior = m_follows->isChecked() ? 0 : 1;
    s.forceLoopPlaybackMode = m_force->isChecked();
    s.delayStartPosition = m_fromStart->isChecked() ? 0 : 1;
    return s;
}

} // namespace tavril
