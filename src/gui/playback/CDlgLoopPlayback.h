#pragma once
// CDlgLoopPlayback: the "Loop Playback Mode" dialog over a copy of the loop
// playback settings. OK hands the edited copy back (Result); "Make default"
// also writes it to the settings file's "Loop Playback Settings" section.
// UI thread only.

#include "LoopPlaybackSettings.h"

#include <QDialog>

class QCheckBox;
class QRadioButton;
class QSpinBox;

namespace tavril {

class CDlgLoopPlayback : public QDialog {
    Q_OBJECT
public:
    CDlgLoopPlayback(const LoopPlaybackSettings& settings, QWidget* parent = nullptr);
    LoopPlaybackSettings Result() const;

private:
    LoopPlaybackSettings m_base;
    QSpinBox* m_delay;
    QCheckBox* m_limit;
    QSpinBox* m_count;
    QRadioButton* m_follows;
    QRadioButton* m_fixed;
    QCheckBox* m_force;
    QRadioButton* m_fromStart;
    QRadioButton* m_fromEnd;
};

} // namespace tavril
