#include "frame/Dialogs.h"

#include "common/DialogFields.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace tavril {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QDoubleSpinBox* Spin(double lo, double hi, double value, int decimals, QWidget* parent) {
    auto* s = new QDoubleSpinBox(parent);
    s->setRange(lo, hi);
    s->setDecimals(decimals);
    s->setValue(value);
    return s;
}

QComboBox* Combo(const QStringList& items, int index, QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->addItems(items);
    c->setCurrentIndex(std::clamp(index, 0, static_cast<int>(items.size()) - 1));
    return c;
}

QCheckBox* Check(const QString& text, bool on, QWidget* parent) {
    auto* c = new QCheckBox(text, parent);
    c->setChecked(on);
    return c;
}

} // namespace

// ------------------------------------------------ Window Display Settings

CDlgWindowDisplaySettings::CDlgWindowDisplaySettings(const WindowDisplaySettings& s, const QStringList& windows,
                                                     QWidget* parent)
    : QDialog(parent), m_initial(s) {
    setWindowTitle(QStringLiteral("Window Display Settings"));
    m_lastTimeUnits = s.m_timeUnits;
    m_lastFreqUnits = s.m_freqAmpTickUnits;
    auto* grid = new QGridLayout;

    // Display type and cursors.
    auto* type = new QGroupBox(QStringLiteral("Display"), this);
    auto* tl = new QGridLayout(type);
    m_waveform = new QRadioButton(QStringLiteral("Waveform"), type);
    m_spectrogram = new QRadioButton(QStringLiteral("Spectrograph"), type);
    auto* typeGroup = new QButtonGroup(type);
    typeGroup->addButton(m_waveform);
    typeGroup->addButton(m_spectrogram);
    (s.m_displayType == 0 ? m_waveform : m_spectrogram)->setChecked(true);
    tl->addWidget(m_waveform, 0, 0);
    tl->addWidget(m_spectrogram, 0, 1);
    m_timeCursor = Check(QStringLiteral("Time Cursor"), s.m_timeCursorOn, type);
    m_timeCursorUnits = Combo({"Seconds", "HH:MM:SS"}, s.m_timeCursorUnits, type);
    m_freqCursor = Check(QStringLiteral("Freq/Amp Cursor"), s.m_freqAmpCursorOn, type);
    m_freqCursorUnits = Combo({"KHz", "Hz"}, s.m_freqAmpCursorUnits, type);
    tl->addWidget(m_timeCursor, 1, 0);
    tl->addWidget(new QLabel(QStringLiteral("Units"), type), 1, 1);
    tl->addWidget(m_timeCursorUnits, 1, 2);
    tl->addWidget(m_freqCursor, 2, 0);
    tl->addWidget(new QLabel(QStringLiteral("Units"), type), 2, 1);
    tl->addWidget(m_freqCursorUnits, 2, 2);
    grid->addWidget(type, 0, 0);

    // Spectrogram.
    auto* spectroBox = new QGroupBox(QStringLiteral("Spectrograph"), this);
    auto* sl = new QFormLayout(spectroBox);
    m_fftSize = Combo({"64", "128", "256", "512", "1024", "2048"}, s.m_fftSizeCode, spectroBox);
    m_window = Combo({"Blackman", "Hamming", "Hanning"}, s.m_fftWindowType, spectroBox);
    m_gain = Spin(-1000.0, 1000.0, s.m_specGain, 1, spectroBox);
    m_white = new QSpinBox(spectroBox);
    m_white->setRange(0, 255);
    m_white->setValue(std::clamp(s.m_specWhiteThreshold, 0, 255));
    sl->addRow(QStringLiteral("Transform Size"), m_fftSize);
    sl->addRow(QStringLiteral("FFT Window Type"), m_window);
    sl->addRow(QStringLiteral("Spectral Gain (-100 to +100):"), m_gain);
    sl->addRow(QStringLiteral("White Threshold (0 - 255):"), m_white);
    auto* colours = new QHBoxLayout;
    m_blackOnWhite = new QRadioButton(QStringLiteral("Black-on-white"), spectroBox);
    m_whiteOnBlack = new QRadioButton(QStringLiteral("White-on-black"), spectroBox);
    // Each pair of choices is its own group: radio buttons sharing a box
    // would otherwise clear each other.
    auto* colourGroup = new QButtonGroup(spectroBox);
    colourGroup->addButton(m_blackOnWhite);
    colourGroup->addButton(m_whiteOnBlack);
    (s.m_whiteOnBlack ? m_whiteOnBlack : m_blackOnWhite)->setChecked(true);
    colours->addWidget(m_blackOnWhite);
    colours->addWidget(m_whiteOnBlack);
    sl->addRow(colours);
    auto* grey = new QHBoxLayout;
    auto* linear = new QRadioButton(QStringLiteral("Linear"), spectroBox);
    auto* log = new QRadioButton(QStringLiteral("Log"), spectroBox);
    auto* greyGroup = new QButtonGroup(spectroBox);
    greyGroup->addButton(linear);
    greyGroup->addButton(log);
    (s.m_grayscaleType == 1 ? log : linear)->setChecked(true);
    linear->setEnabled(false);
    log->setEnabled(false);
    grey->addWidget(linear);
    grey->addWidget(log);
    sl->addRow(grey);
    grid->addWidget(spectroBox, 0, 1);

    // Time axis.
    auto* time = new QGroupBox(QStringLiteral("Time axis"), this);
    auto* tg = new QGridLayout(time);
    m_timeUnits = Combo({"Seconds", "HH:MM:SS"}, s.m_timeUnits, time);
    m_timeTitleOn = Check(QStringLiteral("Title"), s.m_timeTitleOn, time);
    m_timeTitle = new QLineEdit(Q(s.m_timeTitle), time);
    m_timeTicks = Check(QStringLiteral("Ticks: sec/tick:"), s.m_timeTicksOn, time);
    m_timeTick = Spin(0.0001, 100000.0, s.m_timeTickValue, 4, time);
    m_timeTickVals = Check(QStringLiteral("Tick values"), s.m_timeTickValuesOn, time);
    m_timeGrid = Check(QStringLiteral("Grid"), s.m_timeGridOn, time);
    m_stretch = new QRadioButton(QStringLiteral("Stretch to window"), time);
    m_fixed = new QRadioButton(QStringLiteral("Fixed (ms/line)"), time);
    auto* scaleGroup = new QButtonGroup(time);
    scaleGroup->addButton(m_stretch);
    scaleGroup->addButton(m_fixed);
    (s.m_stretchOrAbsolute == 1 ? m_fixed : m_stretch)->setChecked(true);
    m_msPerLine = Spin(0.0001, 10000.0, s.m_msecPerLine, 4, time);
    m_offset = new QLineEdit(Q(s.m_timeOffset), time);
    tg->addWidget(new QLabel(QStringLiteral("Display units:"), time), 0, 0);
    tg->addWidget(m_timeUnits, 0, 1);
    tg->addWidget(m_timeTitleOn, 1, 0);
    tg->addWidget(m_timeTitle, 1, 1);
    tg->addWidget(m_timeTicks, 2, 0);
    tg->addWidget(m_timeTick, 2, 1);
    tg->addWidget(m_timeTickVals, 3, 0);
    tg->addWidget(m_timeGrid, 3, 1);
    tg->addWidget(m_stretch, 4, 0);
    tg->addWidget(m_fixed, 5, 0);
    tg->addWidget(m_msPerLine, 5, 1);
    tg->addWidget(new QLabel(QStringLiteral("Time offset (HH:MM:SS)"), time), 6, 0);
    tg->addWidget(m_offset, 6, 1);
    grid->addWidget(time, 1, 0);
    connect(m_timeUnits, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i != m_lastTimeUnits)
            m_timeTitle->setText(Q(WindowDisplaySettings::RewriteTimeTitle(m_timeTitle->text().toStdString(), i)));
        m_lastTimeUnits = i;
    });

    // Frequency axis.
    auto* freq = new QGroupBox(QStringLiteral("Frequency / amplitude axis"), this);
    auto* fg = new QGridLayout(freq);
    m_freqUnits = Combo({"KHz", "Hz"}, s.m_freqAmpTickUnits, freq);
    m_freqTitleOn = Check(QStringLiteral("Title"), s.m_freqAmpTitleOn, freq);
    m_freqTitle = new QLineEdit(Q(s.m_freqAmpTitle), freq);
    m_freqTicks = Check(QStringLiteral("Ticks: kHz/tick:"), s.m_freqAmpTicksOn, freq);
    m_freqTick = Spin(0.0001, 100000.0, s.m_freqAmpTickValue, 4, freq);
    m_freqTickVals = Check(QStringLiteral("Tick values"), s.m_freqAmpTickValuesOn, freq);
    m_freqGrid = Check(QStringLiteral("Grid"), s.m_freqAmpGridOn, freq);
    m_lowOn = Check(QStringLiteral("Lower (Hz):"), s.m_lowFreqLimitOn, freq);
    m_low = Spin(0.0, 1.0e6, s.m_lowFreqLimit, 1, freq);
    m_highOn = Check(QStringLiteral("Upper (Hz):"), s.m_highFreqLimitOn, freq);
    m_high = Spin(0.0, 1.0e6, s.m_highFreqLimit, 1, freq);
    fg->addWidget(new QLabel(QStringLiteral("Units:"), freq), 0, 0);
    fg->addWidget(m_freqUnits, 0, 1);
    fg->addWidget(m_freqTitleOn, 1, 0);
    fg->addWidget(m_freqTitle, 1, 1);
    fg->addWidget(m_freqTicks, 2, 0);
    fg->addWidget(m_freqTick, 2, 1);
    fg->addWidget(m_freqTickVals, 3, 0);
    fg->addWidget(m_freqGrid, 3, 1);
    fg->addWidget(m_lowOn, 4, 0);
    fg->addWidget(m_low, 4, 1);
    fg->addWidget(m_highOn, 5, 0);
    fg->addWidget(m_high, 5, 1);
    grid->addWidget(freq, 1, 1);
    connect(m_freqUnits, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i != m_lastFreqUnits)
            m_freqTitle->setText(Q(WindowDisplaySettings::RewriteFreqTitle(m_freqTitle->text().toStdString(), i)));
        m_lastFreqUnits = i;
    });

    // Channels, rows, links and guards.
    auto* win = new QGroupBox(QStringLiteral("Window"), this);
    auto* wg = new QGridLayout(win);
    m_link = Check(QStringLiteral("Link this view to the cursors of another window:"), s.m_linkWindows, win);
    m_linkedWindow = new QComboBox(win);
    m_linkedWindow->addItems(windows);
    if (s.m_linkedWindow >= 0 && s.m_linkedWindow < windows.size())
        m_linkedWindow->setCurrentIndex(s.m_linkedWindow);
    QStringList rows;
    for (int i = 1; i <= 16; ++i)
        rows << QString::number(i);
    m_rows = Combo(rows, s.m_displayRowsCode, win);
    QStringList channels;
    for (int i = 1; i <= 16; ++i)
        channels << QString::number(i);
    m_singleChannel = Combo(channels, s.m_singleChannelChoice, win);
    m_channelList = new QLineEdit(Q(s.m_channelList), win);
    connect(m_singleChannel, &QComboBox::activated, this,
            [this](int i) { m_channelList->setText(QString::number(i + 1)); });
    m_preventRec = Check(QStringLiteral("Prevent recording in window"), s.m_preventRecording, win);
    m_preventPlay = Check(QStringLiteral("Prevent playback from window"), s.m_preventPlayback, win);
    m_lock = Check(QStringLiteral("Lock window settings"), s.m_lockWindowSettings, win);
    m_playKeyOn = Check(QStringLiteral("Playback key:"), s.m_usePlayKey, win);
    m_playKey = new QLineEdit(Q(s.m_playKeyValue), win);
    m_playKey->setMaxLength(1);
    m_startsTrial = Check(QStringLiteral("Playback starts playback trial timer"), s.m_playbackStartsTrial, win);
    m_showBox = Check(QStringLiteral("Show time/freq boxes"), s.m_showAnnotationBox, win);
    m_showText = Check(QStringLiteral("Show comment text"), s.m_showAnnotationText, win);
    wg->addWidget(m_link, 0, 0, 1, 2);
    wg->addWidget(m_linkedWindow, 0, 2, 1, 2);
    wg->addWidget(new QLabel(QStringLiteral("Number of display rows:"), win), 1, 0);
    wg->addWidget(m_rows, 1, 1);
    wg->addWidget(new QLabel(QStringLiteral("Select a single channel to view:"), win), 1, 2);
    wg->addWidget(m_singleChannel, 1, 3);
    wg->addWidget(new QLabel(QStringLiteral("Channels to view:"), win), 2, 0);
    wg->addWidget(m_channelList, 2, 1, 1, 3);
    wg->addWidget(m_preventRec, 3, 0, 1, 2);
    wg->addWidget(m_preventPlay, 3, 2, 1, 2);
    wg->addWidget(m_lock, 4, 0, 1, 2);
    wg->addWidget(m_startsTrial, 4, 2, 1, 2);
    wg->addWidget(m_playKeyOn, 5, 0);
    wg->addWidget(m_playKey, 5, 1);
    wg->addWidget(m_showBox, 5, 2);
    wg->addWidget(m_showText, 5, 3);
    grid->addWidget(win, 2, 0, 1, 2);

    auto* buttons = MakeOkCancelButtons(this, QDialogButtonBox::Help);
    QPushButton* all = buttons->addButton(QStringLiteral("Apply to all windows"), QDialogButtonBox::ActionRole);
    AddMakeDefaultButton(buttons, this, [this] {
        if (m_makeDefault)
            m_makeDefault(Result());
    });
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] {
        QMessageBox::information(this, QStringLiteral("Window Display Settings"),
                                 QStringLiteral("OK applies the settings to the active window. \"Apply to all "
                                                "windows\" applies them to every window whose settings are not "
                                                "locked. \"Make default\" makes them the settings new windows start "
                                                "from."));
    });
    connect(all, &QPushButton::clicked, this, [this] {
        m_applyAll = true;
        accept();
    });
    StackDialog(this, {grid, buttons});
}

WindowDisplaySettings CDlgWindowDisplaySettings::Result() const {
    WindowDisplaySettings s = m_initial;
    s.m_displayType = m_waveform->isChecked() ? 0 : 1;
    s.m_timeCursorOn = m_timeCursor->isChecked();
    s.m_freqAmpCursorOn = m_freqCursor->isChecked();
    s.m_timeCursorUnits = m_timeCursorUnits->currentIndex();
    s.m_freqAmpCursorUnits = m_freqCursorUnits->currentIndex();
    s.m_fftSizeCode = m_fftSize->currentIndex();
    s.m_fftWindowType = m_window->currentIndex();
    s.m_specGain = static_cast<float>(m_gain->value());
    s.m_specWhiteThreshold = m_white->value();
    s.m_whiteOnBlack = m_whiteOnBlack->isChecked();
    s.m_timeUnits = m_timeUnits->currentIndex();
    s.m_timeTitleOn = m_timeTitleOn->isChecked();
    s.m_timeTitle = m_timeTitle->text().toStdString();
    s.m_timeTicksOn = m_timeTicks->isChecked();
    s.m_timeTickValue = static_cast<float>(m_timeTick->value());
    s.m_timeTickValuesOn = m_timeTickVals->isChecked();
    s.m_timeGridOn = m_timeGrid->isChecked();
    s.m_stretchOrAbsolute = m_fixed->isChecked() ? 1 : 0;
    s.m_msecPerLine = static_cast<float>(m_msPerLine->value());
    s.m_timeOffset = m_offset->text().toStdString();
    s.m_freqAmpTickUnits = m_freqUnits->currentIndex();
    s.m_freqAmpTitleOn = m_freqTitleOn->isChecked();
    s.m_freqAmpTitle = m_freqTitle->text().toStdString();
    s.m_freqAmpTicksOn = m_freqTicks->isChecked();
    s.m_freqAmpTickValue = static_cast<float>(m_freqTick->value());
    s.m_freqAmpTickValuesOn = m_freqTickVals->isChecked();
    s.m_freqAmpGridOn = m_freqGrid->isChecked();
    s.m_lowFreqLimitOn = m_lowOn->isChecked();
    s.m_lowFreqLimit = static_cast<float>(m_low->value());
    s.m_highFreqLimitOn = m_highOn->isChecked();
    s.m_highFreqLimit = static_cast<float>(m_high->value());
    s.m_linkWindows = m_link->isChecked();
    s.m_linkedWindow = m_linkedWindow->currentIndex();
    s.m_displayRowsCode = m_rows->currentIndex();
    s.m_singleChannelChoice = m_singleChannel->currentIndex();
    s.m_channelList = m_channelList->text().toStdString();
    s.ParseChannelList();
    s.m_preventRecording = m_preventRec->isChecked();
    s.m_preventPlayback = m_preventPlay->isChecked();
    s.m_lockWindowSettings = m_lock->isChecked();
    s.m_usePlayKey = m_playKeyOn->isChecked();
    s.m_playKeyValue = m_playKey->text().toStdString();
    s.m_playbackStartsTrial = m_startsTrial->isChecked();
    s.m_showAnnotationBox = m_showBox->isChecked();
    s.m_showAnnotationText = m_showText->isChecked();
    return s;
}

// --------------------------------------------------------- Format info

CDlgFormatInfo::CDlgFormatInfo(const QString& path, double rate, unsigned bits, unsigned channels, unsigned frames,
                               QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("View / Edit Sound File Format Information"));
    auto* form = new QFormLayout;
    auto* file = new QLineEdit(path, this);
    file->setReadOnly(true);
    form->addRow(QStringLiteral("File:"), file);
    m_rate = Spin(1.0, 10000000.0, rate > 0.0 ? rate : 22050.0, 3, this);
    form->addRow(QStringLiteral("Sample rate (Hz):"), m_rate);
    m_bits = new QComboBox(this);
    for (int b : {8, 12, 16, 24, 32})
        m_bits->addItem(QString::number(b), b);
    int idx = m_bits->findData(static_cast<int>(bits));
    if (idx < 0) {
        m_bits->addItem(QString::number(bits), static_cast<int>(bits));
        idx = m_bits->count() - 1;
    }
    m_bits->setCurrentIndex(idx);
    form->addRow(QStringLiteral("Bits per sample (8, 12, 16, 24, 32):"), m_bits);
    form->addRow(QStringLiteral("Number of channels:"), new QLabel(QString::number(channels), this));
    form->addRow(QStringLiteral("Number of samples:"), new QLabel(QString::number(frames), this));
    form->addRow(QStringLiteral("Duration (seconds):"),
                 new QLabel(rate > 0.0 ? QString::number(frames / rate, 'f', 4) : QStringLiteral("0"), this));
    auto* annotation = new QHBoxLayout;
    m_annotationFile = new QLineEdit(this);
    m_browseAnnotation = new QPushButton(QStringLiteral("Browse"), this);
    annotation->addWidget(m_annotationFile);
    annotation->addWidget(m_browseAnnotation);
    form->addRow(QStringLiteral("Annotation file:"), annotation);
    auto* series = new QHBoxLayout;
    m_seriesFolder = new QLineEdit(this);
    m_browseFolder = new QPushButton(QStringLiteral("Browse for Folder"), this);
    series->addWidget(m_seriesFolder);
    series->addWidget(m_browseFolder);
    form->addRow(QStringLiteral("Series sound files folder:"), series);
    const QString folder = QFileInfo(path).absolutePath();
    connect(m_browseAnnotation, &QPushButton::clicked, this, [this, folder] {
        const QString f = QFileDialog::getSaveFileName(this, QStringLiteral("Annotation file"), folder,
                                                       QStringLiteral("Log files (*.txt *.log)"), nullptr,
                                                       QFileDialog::DontConfirmOverwrite);
        if (!f.isEmpty()) m_annotationFile->setText(QDir(folder).relativeFilePath(f));
    });
    connect(m_browseFolder, &QPushButton::clicked, this, [this, folder] {
        const QString f = QFileDialog::getExistingDirectory(this, QStringLiteral("Select a Folder:"), folder);
        if (!f.isEmpty()) m_seriesFolder->setText(f);
    });
    SetLinks({}, {}, false);
    auto* note = new QLabel(QStringLiteral("Note: changing the sample rate here will only change playback pitch. "
                                           "The sound will NOT be re-sampled."),
                            this);
    note->setWordWrap(true);
    auto* buttons = MakeOkCancelButtons(this);
    StackDialog(this, {form, note, buttons});
}

double CDlgFormatInfo::SampleRate() const { return m_rate->value(); }

void CDlgFormatInfo::SetLinks(const QString& annotationFile, const QString& seriesFolder, bool editable) {
    m_annotationFile->setText(annotationFile);
    m_seriesFolder->setText(seriesFolder);
    for (QWidget* w : std::initializer_list<QWidget*>{m_annotationFile, m_browseAnnotation, m_seriesFolder, m_browseFolder})
        w->setEnabled(editable);
}

QString CDlgFormatInfo::AnnotationFile() const { return m_annotationFile->text().trimmed(); }
QString CDlgFormatInfo::SeriesFolder() const { return m_seriesFolder->text().trimmed(); }
unsigned CDlgFormatInfo::Bits() const { return static_cast<unsigned>(m_bits->currentData().toInt()); }

// ------------------------------------------------- New window sizing

CDlgNewWindowSizing::CDlgNewWindowSizing(const GridOptions& g, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("New Window Sizing Options"));
    auto make = [this](const QString& title, bool fixed, int value, QRadioButton*& previous, QRadioButton*& fixedBtn,
                       QSpinBox*& spin) {
        auto* box = new QGroupBox(title, this);
        auto* l = new QGridLayout(box);
        previous = new QRadioButton(QStringLiteral("Use previous window"), box);
        fixedBtn = new QRadioButton(QStringLiteral("Fixed at"), box);
        (fixed ? fixedBtn : previous)->setChecked(true);
        spin = new QSpinBox(box);
        spin->setRange(1, 10000);
        spin->setValue(std::max(1, value));
        l->addWidget(previous, 0, 0, 1, 3);
        l->addWidget(fixedBtn, 1, 0);
        l->addWidget(spin, 1, 1);
        l->addWidget(new QLabel(QStringLiteral("pixels"), box), 1, 2);
        return box;
    };
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(make(QStringLiteral("Window Length"), g.horizontalUseGrid != 0, g.horizontalPixels,
                           m_widthPrevious, m_widthFixed, m_width));
    layout->addWidget(make(QStringLiteral("Window Height"), g.verticalUseGrid != 0, g.verticalPixels,
                           m_heightPrevious, m_heightFixed, m_height));
    auto* buttons = MakeOkCancelButtons(this);
    AddMakeDefaultButton(buttons, this, [this] {
        m_makeDefault = true;
        accept();
    });
    layout->addWidget(buttons);
}

GridOptions CDlgNewWindowSizing::Result() const {
    GridOptions g;
    g.horizontalUseGrid = m_widthFixed->isChecked() ? 1 : 0;
    g.horizontalPixels = m_width->value();
    g.verticalUseGrid = m_heightFixed->isChecked() ? 1 : 0;
    g.verticalPixels = m_height->value();
    return g;
}

// -------------------------------------------------- Priority, format

namespace {
QButtonGroup* Radios(QDialog* dlg, const QStringList& texts, int index) {
    auto* group = new QButtonGroup(dlg);
    auto* layout = new QVBoxLayout(dlg);
    for (int i = 0; i < texts.size(); ++i) {
        auto* r = new QRadioButton(texts[i], dlg);
        group->addButton(r, i);
        layout->addWidget(r);
    }
    if (auto* b = group->button(index))
        b->setChecked(true);
    else
        group->button(0)->setChecked(true);
    auto* buttons = MakeOkCancelButtons(dlg);
    layout->addWidget(buttons);
    return group;
}
} // namespace

CDlgPriority::CDlgPriority(int level, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Set Priority"));
    m_group = Radios(this, {"Standard priority", "High priority", "Maximum priority (use with care!)"}, level);
}

int CDlgPriority::Level() const { return m_group->checkedId(); }

CDlgDefaultFormat::CDlgDefaultFormat(int index, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Select Default File Format"));
    m_group = Radios(this, {"Wave (.WAV)", "AIFF (.AIF)", "Signal (.SIG)"}, index);
}

int CDlgDefaultFormat::Index() const { return m_group->checkedId(); }

// ------------------------------------------------------ Edit User Menu

CDlgEditUserMenu::CDlgEditUserMenu(const FileList& list, IPrompt& prompt, QWidget* parent)
    : QDialog(parent), m_list(list), m_prompt(prompt) {
    setWindowTitle(QStringLiteral("Edit User Menu"));
    auto* layout = new QGridLayout(this);
    m_entries = new QListWidget(this);
    for (const std::string& f : list.files)
        m_entries->addItem(Q(f));
    layout->addWidget(m_entries, 0, 0, 6, 1);
    auto* add = new QPushButton(QStringLiteral("Add"), this);
    auto* del = new QPushButton(QStringLiteral("Delete"), this);
    auto* up = new QPushButton(QStringLiteral("Move Up"), this);
    auto* down = new QPushButton(QStringLiteral("Move Down"), this);
    auto* def = new QPushButton(QStringLiteral("Make default"), this);
    layout->addWidget(add, 0, 1);
    layout->addWidget(del, 1, 1);
    layout->addWidget(up, 2, 1);
    layout->addWidget(down, 3, 1);
    m_hidePath = Check(QStringLiteral("Hide path in display list menu"), list.hidePath != 0, this);
    layout->addWidget(m_hidePath, 6, 0);
    auto* buttons = MakeOkCancelButtons(this);
    buttons->addButton(def, QDialogButtonBox::ActionRole);
    layout->addWidget(buttons, 7, 0, 1, 2);
    connect(def, &QPushButton::clicked, this, [this] {
        m_makeDefault = true;
        accept();
    });
    connect(add, &QPushButton::clicked, this, [this] {
        if (m_entries->count() >= kMaxUserMenuEntries) {
            m_prompt.ShowMessage("The user menu holds at most 30 files.", "Tavril");
            return;
        }
        IPrompt::PathRequest req;
        req.title = "Select a File to Add to User Menu List:";
        req.filter = "All Tavril files (*.set;*.dsp;*.wav;*.sig;*.snd;*.aif;*.aiff;*.txt)|*.set;*.dsp;*.wav;*.sig;"
                     "*.snd;*.aif;*.aiff;*.txt|";
        std::string chosen;
        if (m_prompt.ChoosePath(req, chosen))
            m_entries->addItem(Q(chosen));
    });
    connect(del, &QPushButton::clicked, this, [this] { delete m_entries->takeItem(m_entries->currentRow()); });
    auto move = [this](int step) {
        int row = m_entries->currentRow();
        int to = row + step;
        if (row < 0 || to < 0 || to >= m_entries->count())
            return;
        QListWidgetItem* item = m_entries->takeItem(row);
        m_entries->insertItem(to, item);
        m_entries->setCurrentRow(to);
    };
    connect(up, &QPushButton::clicked, this, [move] { move(-1); });
    connect(down, &QPushButton::clicked, this, [move] { move(+1); });
}

FileList CDlgEditUserMenu::Result() const {
    FileList l = m_list;
    l.files.clear();
    for (int i = 0; i < m_entries->count(); ++i)
        l.files.push_back(m_entries->item(i)->text().toStdString());
    l.hidePath = m_hidePath->isChecked() ? 1 : 0;
    return l;
}

// ------------------------------------------------- Select settings

CDlgSelectSettings::CDlgSelectSettings(const std::vector<std::string>& available, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Select Settings to Save:"));
    auto* layout = new QGridLayout(this);
    // Boxes whose settings belong to parts of the program not built yet are
    // shown disabled, like the two boxes that never store anything.
    const char* const boxes[] = {
        "General main menu settings", "Printing", "Klip 'n Save", "Default new window display configuration",
        "Default new window sizing", "Recording config and virtual recorders", "Loop mode playback",
        "System priority", "Fixed frequency filter", "Settings for detecting sound in recording files",
        "Multi tool", "Log file settings", "Playback trial", "General annotation settings",
        "Save the current display along with selected settings", "User menu list", "Settings for all windows"};
    int r = 0;
    for (const char* text : boxes) {
        auto* c = new QCheckBox(QString::fromLatin1(text), this);
        bool on = std::find(available.begin(), available.end(), std::string(text)) != available.end();
        c->setEnabled(on && std::string(text) != "User menu list" && std::string(text) != "Settings for all windows");
        layout->addWidget(c, r / 2, r % 2);
        m_boxes.push_back(c);
        ++r;
    }
    auto* buttons = MakeOkCancelButtons(this);
    QPushButton* all = buttons->addButton(QStringLiteral("Select all"), QDialogButtonBox::ActionRole);
    QPushButton* none = buttons->addButton(QStringLiteral("Clear all"), QDialogButtonBox::ActionRole);
    connect(all, &QPushButton::clicked, this, [this] {
        for (QCheckBox* c : m_boxes)
            if (c->isEnabled())
                c->setChecked(true);
    });
    connect(none, &QPushButton::clicked, this, [this] {
        for (QCheckBox* c : m_boxes)
            if (c->isEnabled())
                c->setChecked(false);
    });
    layout->addWidget(buttons, (r + 1) / 2 + 1, 0, 1, 2);
}

std::vector<std::string> CDlgSelectSettings::Chosen() const {
    std::vector<std::string> out;
    for (QCheckBox* c : m_boxes)
        if (c->isEnabled() && c->isChecked())
            out.push_back(c->text().toStdString());
    return out;
}

bool CDlgSelectSettings::Run(QWidget* parent, const std::vector<std::string>& available,
                             std::vector<std::string>& chosen) {
    CDlgSelectSettings dlg(available, parent);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    chosen = dlg.Chosen();
    return true;
}

} // namespace tavril
