#include "annotate/AnnotationDialogs.h"

#include "IPrompt.h"
#include "common/DialogFields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QGridLayout>
#include <cmath>
#include <filesystem>
#include <unistd.h>

namespace tavril {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QHBoxLayout* WithButton(QLineEdit* field, QPushButton* button)
{
    auto* row = new QHBoxLayout;
    row->addWidget(field);
    row->addWidget(button);
    return row;
}

} // namespace

// ------------------------------------------------------------ Enter Comment

CDlgEnterComment::CDlgEnterComment(const std::string& comment, bool withNotes, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Enter Comment"));
    m_comment = new QLineEdit(Q(comment), this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Comment:"), m_comment);
    if (withNotes) {
        m_notes = new QPlainTextEdit(this);
        form->addRow(QStringLiteral("Notes"), m_notes);
    }
    StackDialog(this, {form, MakeOkCancelButtons(this)});
}

std::string CDlgEnterComment::Comment() const { return m_comment->text().toStdString(); }

std::string CDlgEnterComment::Notes() const { return m_notes ? m_notes->toPlainText().toStdString() : std::string(); }

// ---------------------------------------------------- Edit Annotataion Entry

CDlgEditAnnotation::CDlgEditAnnotation(const AnnotationEntry& entry, QWidget* parent)
    : QDialog(parent), m_entry(entry)
{
    setWindowTitle(QStringLiteral("Edit Annotataion Entry"));
    auto* path = new QLineEdit(Q(entry.soundPath), this);
    path->setReadOnly(true);
    m_comment = new QLineEdit(Q(entry.comment), this);
    m_left = MakeRealField(0, 1e9, entry.leftSec, 6, this);
    m_right = MakeRealField(0, 1e9, entry.rightSec, 6, this);
    m_top = MakeRealField(0, 1e7, entry.topHz, 2, this);
    m_bottom = MakeRealField(0, 1e7, entry.bottomHz, 2, this);
    m_channel = MakeIntField(1, 65535, entry.channel, this);
    m_notes = new QPlainTextEdit(Q(entry.notes), this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Sound file path:"), path);
    form->addRow(QStringLiteral("Comment:"), m_comment);
    form->addRow(QStringLiteral("Start time (sec):"), m_left);
    form->addRow(QStringLiteral("End time (sec):"), m_right);
    form->addRow(QStringLiteral("Top Frequency (Hz):"), m_top);
    form->addRow(QStringLiteral("Bottom Frequency(Hz):"), m_bottom);
    form->addRow(QStringLiteral("Channel:"), m_channel);
    form->addRow(QStringLiteral("Notes:"), m_notes);
    StackDialog(this, {form, MakeOkCancelButtons(this)});
}

AnnotationEntry CDlgEditAnnotation::Entry() const
{
    AnnotationEntry e = m_entry;
    e.comment = m_comment->text().toStdString();
    // A field left as it was keeps the exact value it showed rounded.
    auto value = [](QDoubleSpinBox* box, double old) {
        return std::abs(box->value() - old) < std::pow(10.0, -box->decimals()) / 2 ? old : box->value();
    };
    e.leftSec = value(m_left, m_entry.leftSec);
    e.rightSec = value(m_right, m_entry.rightSec);
    e.topHz = value(m_top, m_entry.topHz);
    e.bottomHz = value(m_bottom, m_entry.bottomHz);
    e.channel = m_channel->value();
    e.notes = m_notes->toPlainText().toStdString();
    return e;
}

// ------------------------------------------------------ Annotation Settings

CDlgAnnotationSettings::CDlgAnnotationSettings(const AnnotationSettings& s, std::string settingsFile,
                                               QWidget* parent)
    : QDialog(parent), m_settingsFile(std::move(settingsFile))
{
    setWindowTitle(QStringLiteral("Annotation Settings"));
    const char* texts[5] = {"Request comment/notes", "Save start time re recording start time (HH:MM:SS)",
                            "Save date re recording start date (yyyy-mm-dd)", "Confirm annotation entry deletions.",
                            "Save annotation file every time an entry is added or modified"};
    const bool values[5] = {s.requestComment, s.saveStartTime, s.saveStartDate, s.confirmDeletions,
                            s.saveWithEveryChange};
    auto* note = new QLabel(QStringLiteral("Always saved: the sound file name, the left and right time cursor values "
                                           "(seconds from sound start), the upper and lower frequency cursor values "
                                           "(Hz) and the channel number."),
                            this);
    note->setWordWrap(true);
    auto* column = new QVBoxLayout;
    column->addWidget(note);
    for (int i = 0; i < 5; ++i) {
        m_boxes[i] = new QCheckBox(QString::fromLatin1(texts[i]), this);
        m_boxes[i]->setChecked(values[i]);
        column->addWidget(m_boxes[i]);
    }
    auto* buttons = MakeOkCancelButtons(this);
    AddMakeDefaultButton(buttons, this, [this] {
        ReportDefaultSaved(this, Settings().Save(m_settingsFile),
                           QStringLiteral("The default annotation settings could not be saved."));
    });
    AddHelpButton(buttons, this,
                  QStringLiteral("Annotations are boxes in a sound, logged from the cursors with Enter. These "
                                 "settings choose what is asked and stored with each one."));
    StackDialog(this, {column, buttons});
}

AnnotationSettings CDlgAnnotationSettings::Settings() const
{
    AnnotationSettings s;
    s.requestComment = m_boxes[0]->isChecked();
    s.saveStartTime = m_boxes[1]->isChecked();
    s.saveStartDate = m_boxes[2]->isChecked();
    s.confirmDeletions = m_boxes[3]->isChecked();
    s.saveWithEveryChange = m_boxes[4]->isChecked();
    return s;
}

// -------------------------------------------------- Annotation Setup Wizard

CDlgAnnotationSetupWiz::CDlgAnnotationSetupWiz(IPrompt& prompt, QWidget* parent) : QDialog(parent), m_prompt(prompt)
{
    setWindowTitle(QStringLiteral("Annotation Setup Wizard"));
    m_sound = new QLineEdit(this);
    m_name = new QLineEdit(this);
    m_folder = new QLineEdit(this);
    auto* browseSound = new QPushButton(QStringLiteral("Browse"), this);
    auto* browseFolder = new QPushButton(QStringLiteral("Browse"), this);
    connect(browseSound, &QPushButton::clicked, this, [this] {
        IPrompt::PathRequest r;
        r.title = "Select the sound file to annotate";
        r.filter = "Sound files|*.wav;*.aif;*.aiff;*.txt|";
        std::string path;
        if (!m_prompt.ChoosePath(r, path)) return;
        m_sound->setText(Q(path));
        if (m_name->text().isEmpty())
            m_name->setText(Q(std::filesystem::path(path).stem().string() + " annotations.log"));
    });
    connect(browseFolder, &QPushButton::clicked, this, [this] {
        IPrompt::PathRequest r;
        r.title = "Select a Folder:";
        std::string path;
        if (m_prompt.ChoosePath(r, path)) m_folder->setText(Q(path));
    });
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Step 1: sound file to annotate"), WithButton(m_sound, browseSound));
    form->addRow(QStringLiteral("Step 2: annotation file name"), m_name);
    form->addRow(QStringLiteral("Step 3 (optional): folder for the annotation file"), WithButton(m_folder, browseFolder));
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* next = buttons->addButton(QStringLiteral("Next ->"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(next, &QPushButton::clicked, this, [this] {
        if (Check()) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    StackDialog(this, {form, buttons});
}

std::string CDlgAnnotationSetupWiz::SoundPath() const { return m_sound->text().trimmed().toStdString(); }
std::string CDlgAnnotationSetupWiz::AnnotationName() const { return m_name->text().trimmed().toStdString(); }
std::string CDlgAnnotationSetupWiz::AnnotationFolder() const { return m_folder->text().trimmed().toStdString(); }

bool CDlgAnnotationSetupWiz::Check()
{
    if (SoundPath().empty() || AnnotationName().empty()) {
        m_prompt.ShowMessage("You need to enter at least the sound file and annotation file names!");
        return false;
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(SoundPath(), ec)) {
        m_prompt.ShowMessage("The sound file entered does not exist!");
        return false;
    }
    const std::string folder = AnnotationFolder().empty() ? std::filesystem::path(SoundPath()).parent_path().string()
                                                          : AnnotationFolder();
    if (::access((folder.empty() ? "." : folder).c_str(), W_OK) != 0) {
        m_prompt.ShowMessage("Could not create annotation file: do you need to specify a writable location in Step 3?");
        return false;
    }
    return true;
}

// --------------------------------------------------------- Logfile settings

CDlgLogfileSettings::CDlgLogfileSettings(const LogfileSettings& s, const LogKeyList& keys, IPrompt& prompt,
                                         std::string settingsFile, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_settingsFile(std::move(settingsFile)), m_initial(s), m_keys(keys)
{
    setWindowTitle(QStringLiteral("Logfile settings"));
    m_name = new QLineEdit(Q(s.logfileName), this);
    m_folder = new QLineEdit(Q(s.logfilePath), this);
    auto* browse = new QPushButton(QStringLiteral("Browse"), this);
    auto* browseFolder = new QPushButton(QStringLiteral("Browse to folder"), this);
    connect(browse, &QPushButton::clicked, this, [this] {
        IPrompt::PathRequest r;
        r.title = "Select a Log File:";
        r.filter = "Log files|*.txt;*.log|";
        std::string path;
        if (!m_prompt.ChoosePath(r, path)) return;
        const std::filesystem::path p(path);
        m_name->setText(Q(p.filename().string()));
        m_folder->setText(Q(p.parent_path().string()));
    });
    connect(browseFolder, &QPushButton::clicked, this, [this] {
        IPrompt::PathRequest r;
        r.title = "Select a Folder:";
        std::string path;
        if (m_prompt.ChoosePath(r, path)) m_folder->setText(Q(path));
    });
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Logfile name"), WithButton(m_name, browse));
    form->addRow(QStringLiteral("Logfile folder"), WithButton(m_folder, browseFolder));
    const std::pair<const char*, bool LogfileSettings::*> flags[] = {
        {"Use logfile specified in playback trial settings", &LogfileSettings::useTrialLogfile},
        {"Prevent logging cursor entries to logfile if active window is annotated", &LogfileSettings::useAnnotationFile},
        {"Confirm entry", &LogfileSettings::confirmEntries},
        {"Request comment", &LogfileSettings::requestComment},
        {"Store names of all sound files played", &LogfileSettings::reportSoundsPlayed},
        {"Store names of all sound files saved", &LogfileSettings::reportSoundsSaved},
        {"Current date", &LogfileSettings::storeDate},
        {"Currently selected sound file name", &LogfileSettings::storeSoundFileName},
        {"Current time", &LogfileSettings::storeTime},
        {"Currently selected channel number", &LogfileSettings::storeChannel},
        {"frequency difference", &LogfileSettings::reportFreqDifference},
        {"top cursor frequency", &LogfileSettings::reportTopFreq},
        {"bottom cursor frequency", &LogfileSettings::reportBottomFreq},
        {"add time offset specified in window settings", &LogfileSettings::useTimeOffset},
        {"time difference", &LogfileSettings::reportTimeDifference},
        {"left cursor time", &LogfileSettings::reportLeftTime},
        {"right cursor time", &LogfileSettings::reportRightTime},
        {"Descriptive label for each field", &LogfileSettings::labelEachField},
    };
    auto* grid = new QGridLayout;
    int i = 0;
    for (const auto& [text, member] : flags) {
        auto* box = new QCheckBox(QString::fromLatin1(text), this);
        box->setChecked(s.*member);
        grid->addWidget(box, i / 2, i % 2);
        m_flags.emplace_back(box, member);
        ++i;
    }
    m_freqUnits = new QComboBox(this);
    m_freqUnits->addItems({QStringLiteral("KHz"), QStringLiteral("Hz")});
    m_freqUnits->setCurrentIndex(s.freqUnits);
    m_timeUnits = new QComboBox(this);
    m_timeUnits->addItems({QStringLiteral("Seconds"), QStringLiteral("HH:MM:SS")});
    m_timeUnits->setCurrentIndex(s.timeUnits);
    auto* units = new QFormLayout;
    units->addRow(QStringLiteral("Frequency units"), m_freqUnits);
    units->addRow(QStringLiteral("Time units"), m_timeUnits);
    auto* buttons = MakeOkCancelButtons(this);
    QPushButton* keysButton = buttons->addButton(QStringLiteral("Edit logfile hotkeys"), QDialogButtonBox::ActionRole);
    connect(keysButton, &QPushButton::clicked, this, [this] {
        CDlgLogKeyList d(m_keys, m_prompt, m_settingsFile, this);
        if (d.exec() == QDialog::Accepted) m_keys = d.Keys();
    });
    AddMakeDefaultButton(buttons, this, [this] {
        ReportDefaultSaved(this, Settings().Save(m_settingsFile) && m_keys.Save(m_settingsFile),
                           QStringLiteral("The default logfile settings could not be saved."));
    });
    AddHelpButton(buttons, this,
                  QStringLiteral("While logging is on, Enter writes the cursor values of the active window to the "
                                 "logfile, one tab-separated line each."));
    StackDialog(this, {form, grid, units, buttons});
}

LogfileSettings CDlgLogfileSettings::Settings() const
{
    LogfileSettings s = m_initial;
    s.logfileName = m_name->text().trimmed().toStdString();
    s.logfilePath = m_folder->text().trimmed().toStdString();
    for (const auto& [box, member] : m_flags) s.*member = box->isChecked();
    s.freqUnits = m_freqUnits->currentIndex();
    s.timeUnits = m_timeUnits->currentIndex();
    return s;
}

// --------------------------------------------------- Edit Log File Key List

CDlgLogKeyList::CDlgLogKeyList(const LogKeyList& keys, IPrompt& prompt, std::string settingsFile, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_settingsFile(std::move(settingsFile)), m_keys(keys)
{
    setWindowTitle(QStringLiteral("Edit Log File Key List"));
    m_list = new QListWidget(this);
    m_key = new QLineEdit(this);
    m_key->setMaxLength(1);
    m_text = new QLineEdit(this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Enter new key or select from list:"), m_key);
    form->addRow(m_list);
    form->addRow(QStringLiteral("Enter text to be stored to logfile:"), m_text);
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0 || size_t(row) >= m_keys.Entries().size()) return;
        const auto& e = m_keys.Entries()[size_t(row)];
        m_key->setText(QString::fromUcs4(&e.first, 1));
        m_text->setText(Q(e.second));
    });
    connect(m_text, &QLineEdit::editingFinished, this, &CDlgLogKeyList::StoreEntry);
    auto* row = new QHBoxLayout;
    auto add = [&](const char* text, auto fn) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        connect(b, &QPushButton::clicked, this, fn);
        row->addWidget(b);
    };
    add("Open list", [this] {
        IPrompt::PathRequest r;
        r.title = "Select a Log Key File to Load:";
        r.filter = "Log key files|*.lky|";
        r.defaultExtension = "lky";
        std::string path;
        if (!m_prompt.ChoosePath(r, path)) return;
        m_keys = LogKeyList::Load(path);
        Refill();
    });
    add("Save list", [this] {
        StoreEntry();
        IPrompt::PathRequest r;
        r.title = "Select a Log Key File to Save To:";
        r.filter = "Log key files|*.lky|";
        r.defaultExtension = "lky";
        r.forSaving = true;
        std::string path;
        if (m_prompt.ChoosePath(r, path) && !m_keys.Save(path))
            m_prompt.ShowMessage("The key list could not be saved to " + path + ".");
    });
    add("Clear list", [this] {
        m_keys.Clear();
        Refill();
    });
    add("Delete key", [this] {
        const std::u32string k = m_key->text().toStdU32String();
        if (!k.empty()) m_keys.Remove(k[0]);
        Refill();
    });
    add("Make Default", [this] {
        StoreEntry();
        if (!m_keys.Save(m_settingsFile)) m_prompt.ShowMessage("The default key list could not be saved.");
    });
    auto* buttons = MakeOkCancelButtons(this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgLogKeyList::StoreEntry);
    StackDialog(this, {form, row, buttons});
    Refill();
}

void CDlgLogKeyList::StoreEntry()
{
    const std::u32string k = m_key->text().toStdU32String();
    if (k.empty() || m_text->text().isEmpty()) return;
    m_keys.Set(k[0], m_text->text().toStdString());
    Refill();
}

void CDlgLogKeyList::Refill()
{
    m_list->blockSignals(true);
    m_list->clear();
    for (const auto& line : m_keys.DisplayLines()) m_list->addItem(Q(line));
    m_list->blockSignals(false);
}

} // namespace tavril
