#pragma once
// CDlgPlaybackTrialSettings: "Playback Trial Settings": how trials start and
// end, the timeout, logfile and trial audio, what is switched at the start
// and end, the trial-time log lines, where the trial clock is shown, the keys
// and the cue sounds, with buttons that play the two cues at once.
//
// Modal; owned by whoever opens it; UI thread only.

#include "PlaybackTrialSettings.h"

#include <QDialog>
#include <functional>
#include <utility>
#include <vector>
#include <string>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace tavril {

class CDlgPlaybackTrialSettings : public QDialog {
    Q_OBJECT
public:
    // `playCue` plays a file without waiting (the cue buttons).
    CDlgPlaybackTrialSettings(const PlaybackTrialSettings& s, std::function<void(const std::string&)> playCue,
                              QWidget* parent = nullptr);
    PlaybackTrialSettings Settings() const;

private:
    QCheckBox* Check(const char* text, int value);
    QSpinBox* Secs(int value);
    QLineEdit* Text(const std::string& value);
    QWidget* Folder(QLineEdit* edit, const QString& title);

    PlaybackTrialSettings m_base;
    std::function<void(const std::string&)> m_playCue;
    std::vector<std::pair<int PlaybackTrialSettings::*, QCheckBox*>> m_checks;
    std::vector<std::pair<int PlaybackTrialSettings::*, QSpinBox*>> m_numbers;
    std::vector<std::pair<std::string PlaybackTrialSettings::*, QLineEdit*>> m_texts;
    QRadioButton* m_statusBar = nullptr;
    QRadioButton* m_timerWindow = nullptr;
};

} // namespace tavril
