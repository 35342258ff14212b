#include "trials/CDlgPlaybackTrialSettings.h"

#include "common/DialogFields.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>

namespace tavril {

namespace {
using P = PlaybackTrialSettings;
}

QCheckBox* CDlgPlaybackTrialSettings::Check(const char* text, int value) {
    auto* c = new QCheckBox(QString::fromLatin1(text), this);
    c->setChecked(value != 0);
    return c;
}

QSpinBox* CDlgPlaybackTrialSettings::Secs(int value) { return MakeIntField(0, 86400, value, this); }

QLineEdit* CDlgPlaybackTrialSettings::Text(const std::string& value) {
    return new QLineEdit(QString::fromStdString(value), this);
}

QWidget* CDlgPlaybackTrialSettings::Folder(QLineEdit* edit, const QString& title) {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* browse = new QPushButton(QStringLiteral("..."), row);
    connect(browse, &QPushButton::clicked, this, [this, edit, title] {
        const QString dir = QFileDialog::getExistingDirectory(this, title, edit->text());
        if (!dir.isEmpty())
            edit->setText(dir);
    });
    layout->addWidget(edit, 1);
    layout->addWidget(browse);
    return row;
}

CDlgPlaybackTrialSettings::CDlgPlaybackTrialSettings(const PlaybackTrialSettings& s,
                                                     std::function<void(const std::string&)> playCue, QWidget* parent)
    : QDialog(parent), m_base(s), m_playCue(std::move(playCue)) {
    setWindowTitle(QStringLiteral("Playback Trial Settings"));
    auto check = [this, &s](int P::*m, const char* text) {
        m_checks.emplace_back(m, Check(text, s.*m));
        return m_checks.back().second;
    };
    auto number = [this, &s](int P::*m) {
        m_numbers.emplace_back(m, Secs(s.*m));
        return m_numbers.back().second;
    };
    auto text = [this, &s](std::string P::*m) {
        m_texts.emplace_back(m, Text(s.*m));
        return m_texts.back().second;
    };

    auto* start = new QGroupBox(QStringLiteral("Start and end"), this);
    auto* sl = new QGridLayout(start);
    sl->addWidget(check(&P::beginOnKeypress, "Begin trial on keypress"), 0, 0);
    sl->addWidget(check(&P::beginOnPlayback, "Begin trial on playback"), 1, 0);
    sl->addWidget(check(&P::useTrialTrigger, "Use trial trigger (a start needs the armed trigger)"), 2, 0, 1, 2);
    sl->addWidget(check(&P::endOnKeypress, "End trial on keypress"), 3, 0);
    sl->addWidget(check(&P::endOnTimeout, "End trial on timeout (s):"), 4, 0);
    sl->addWidget(number(&P::timeoutSecs), 4, 1);
    auto* keys = new QFormLayout;
    QLineEdit* beginKey = text(&P::beginKey);
    QLineEdit* endKey = text(&P::endKey);
    beginKey->setMaxLength(1);
    endKey->setMaxLength(1);
    keys->addRow(QStringLiteral("Key that begins a playback trial:"), beginKey);
    keys->addRow(QStringLiteral("Key that ends a playback trial:"), endKey);
    sl->addLayout(keys, 5, 0, 1, 2);

    auto* files = new QGroupBox(QStringLiteral("Logfile and trial audio"), this);
    auto* fl = new QFormLayout(files);
    fl->addRow(check(&P::storeEventsToLogfile, "Store events to logfile"));
    fl->addRow(QStringLiteral("Logfile folder:"), Folder(text(&P::logfileFolder), QStringLiteral("Select a logfile folder:")));
    fl->addRow(QStringLiteral("Logfile name (.txt):"), text(&P::logfileName));
    fl->addRow(check(&P::logTimeChecked, "Log trial time every (s):"), number(&P::logTimeSecs));
    fl->addRow(check(&P::storeTrialAudio, "Store trial audio to soundfile"));
    fl->addRow(QStringLiteral("Soundfile folder:"),
               Folder(text(&P::soundfileFolder), QStringLiteral("Select a soundfile folder:")));
    fl->addRow(QStringLiteral("Soundfile name (.wav):"), text(&P::soundfileName));
    fl->addRow(QStringLiteral("Recording kept before the start (s):"), number(&P::soundbufBeforeSecs));
    fl->addRow(QStringLiteral("Recording kept after the end (s):"), number(&P::soundbufAfterSecs));

    auto* switches = new QGroupBox(QStringLiteral("At the start and the end"), this);
    auto* wl = new QGridLayout(switches);
    wl->addWidget(check(&P::recordOnAtStart, "Record on at start"), 0, 0);
    wl->addWidget(check(&P::recordOffAtTimeout, "Record off after (s):"), 0, 1);
    wl->addWidget(number(&P::recordTimeoutSecs), 0, 2);
    wl->addWidget(check(&P::detectOnAtStart, "Detect on at start"), 1, 0);
    wl->addWidget(check(&P::detectOffAtEnd, "Detect off after (s):"), 1, 1);
    wl->addWidget(number(&P::detectorTimeoutSecs), 1, 2);
    wl->addWidget(check(&P::loopOnAtStart, "Loop playback on at start"), 2, 0);
    wl->addWidget(check(&P::loopOffAtEnd, "Loop playback off at end or after (s):"), 2, 1);
    wl->addWidget(number(&P::loopTimeoutSecs), 2, 2);

    auto* cues = new QGroupBox(QStringLiteral("Cue sounds"), this);
    auto* cl = new QGridLayout(cues);
    int row = 0;
    for (auto [flag, file, label] : {std::tuple{&P::playStartSound, &P::startSound, "Play sound at start of playback trial"},
                                     std::tuple{&P::playEndSound, &P::endSound, "Play sound at end of playback trial"}}) {
        cl->addWidget(check(flag, label), row, 0);
        QLineEdit* edit = text(file);
        cl->addWidget(edit, row, 1);
        auto* play = new QPushButton(QStringLiteral("Play"), cues);
        connect(play, &QPushButton::clicked, this, [this, edit] {
            if (!edit->text().isEmpty() && m_playCue)
                m_playCue(edit->text().toStdString());
        });
        cl->addWidget(play, row, 2);
        ++row;
    }

    auto* where = new QGroupBox(QStringLiteral("Trial information display location"), this);
    auto* dl = new QHBoxLayout(where);
    m_statusBar = new QRadioButton(QStringLiteral("Status bar"), where);
    m_timerWindow = new QRadioButton(QStringLiteral("Trial timer window"), where);
    (s.displayLocation == 1 ? m_timerWindow : m_statusBar)->setChecked(true);
    dl->addWidget(m_statusBar);
    dl->addWidget(m_timerWindow);

    auto* buttons = MakeOkCancelButtons(this);
    StackDialog(this, {start, files, switches, cues, where, buttons});
}

PlaybackTrialSettings CDlgPlaybackTrialSettings::Settings() const {
    PlaybackTrialSettings s = m_base;
    for (const auto& [m, box] : m_checks)
        s.*m = box->isChecked() ? 1 : 0;
    for (const auto& [m, box] : m_numbers)
        s.*m = box->value();
    for (const auto& [m, edit] : m_texts)
        s.*m = edit->text().toStdString();
    s.displayLocation = m_timerWindow->isChecked() ? 1 : 0;
    return s;
}

} // namespace tavril
