#include "record/CDlgRecordingSettings.h"

#include "common/DialogFields.h"
#include "record/CDlgAutonameSettings.h"
#include "record/CDlgSeriesName.h"
#include "record/CDlgSoundDetector.h"
#include "record/CDlgSpectrographDetails.h"
#include "record/RecordFields.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>

namespace tavril {

CDlgRecordingSettings::CDlgRecordingSettings(const CAcquisitionSettings& s, Devices devices, int savedCount,
                                             std::string settingsFile, std::string suffix, QWidget* parent)
    : QDialog(parent), m_working(s), m_devices(std::move(devices)), m_savedCount(savedCount),
      m_file(std::move(settingsFile)), m_suffix(std::move(suffix))
{
    setWindowTitle(QStringLiteral("Recording Settings"));
    m_device = new QComboBox(this);
    for (const std::string& n : m_devices.names) m_device->addItem(QString::fromStdString(n));
    const int at = m_device->findText(QString::fromStdString(s.deviceName));
    m_device->setCurrentIndex(at >= 0 ? at : 0);
    m_rate = MakeIntField(1000, 768000, s.sampleRate, this);
    m_size.reset(new RadioPair(MakeRadioPair(QStringLiteral("8-bit"), QStringLiteral("16-bit"), s.sampleSize >= 1, this)));
    m_channels.reset(new RadioPair(MakeRadioPair(QStringLiteral("Mono"), QStringLiteral("Stereo"), s.channels == 2, this)));
    m_bufferSecs = MakeIntField(1, 3600, s.bufferSecs, this);
    m_msPerLine = MakeRealField(0.1, 10000.0, s.msPerLine, 1, this);
    m_scrolling = MakeCheck(QStringLiteral("Enable scrolling spectral display"), s.enableScrolling, this);
    m_openNew = MakeCheck(QStringLiteral("Open new window"), s.openNewDisplay, this);
    m_drawStored = MakeCheck(QStringLiteral("Redraw window when sound stored"), s.drawStoredSounds, this);
    m_fullDuplex = MakeCheck(QStringLiteral("Sound card has full duplex"), s.fullDuplex, this);
    m_writeOver.reset(new RadioPair(MakeRadioPair(QStringLiteral("Append to previously stored sound"),
                                                  QStringLiteral("Write over previously stored sound"), s.writeOver, this)));
    m_exitOnStore.reset(new RadioPair(
        MakeRadioPair(QStringLiteral("Start recording again"), QStringLiteral("Stop recording"), s.exitOnStore, this)));
    m_template.reset(new RadioPair(MakeRadioPair(QStringLiteral("Default name"), QStringLiteral("Filename template"),
                                                 s.fileNameSettings == 1, this)));
    m_detectorOn = MakeCheck(QStringLiteral("Detector on"), s.detectorOn, this);
    m_showLevel = MakeCheck(QStringLiteral("Show sound level"), s.showLevelWhenDetecting, this);
    m_detectorPlayback =
        MakeCheck(QStringLiteral("Disable detector during playback"), s.disableDetectorDuringPlayback, this);
    m_storeFilled = MakeCheck(QStringLiteral("Store buffer each time it has filled"), s.storeBufferWhenFilled, this);
    m_screenSaver = MakeCheck(QStringLiteral("Turn the screen saver off while recording"), s.disableScreenSaver, this);
    m_checkStop = MakeCheck(QStringLiteral("Stop recording after "), s.checkStopTime, this);
    m_stopMin = MakeIntField(0, 525600, s.stopTimeMin, this);
    m_exitTimeout = MakeCheck(QStringLiteral("Exit Tavril after recording timeout"), s.exitOnRecordTimeout, this);
    m_post = MakeCheck(QStringLiteral("Process each stored sound (post acquisition)"), s.postProcessing, this);
    m_decimate = MakeCheck(QStringLiteral("Decimate input: keep every n-th frame"), s.decimate, this);
    m_decimation = MakeIntField(0, 1000, s.decimationFactor, this);

    auto* format = new QGroupBox(QStringLiteral("Input"), this);
    auto* ff = new QFormLayout(format);
    ff->addRow(QStringLiteral("Recording device:"), m_device);
    ff->addRow(QStringLiteral("Sample rate (Hz):"), m_rate);
    auto* sizes = new QHBoxLayout;
    sizes->addWidget(m_size->first);
    sizes->addWidget(m_size->second);
    ff->addRow(QStringLiteral("Sample size:"), sizes);
    auto* chans = new QHBoxLayout;
    chans->addWidget(m_channels->first);
    chans->addWidget(m_channels->second);
    ff->addRow(QStringLiteral("Channels:"), chans);
    ff->addRow(QStringLiteral("Circular buffer size (secs):"), m_bufferSecs);
    ff->addRow(QStringLiteral("Scroll speed (ms/line):"), m_msPerLine);
    ff->addRow(m_decimate, m_decimation);
    ff->addRow(m_fullDuplex);

    auto* store = new QGroupBox(QStringLiteral("Storing"), this);
    auto* sg = new QGridLayout(store);
    sg->addWidget(m_writeOver->first, 0, 0);
    sg->addWidget(m_writeOver->second, 1, 0);
    sg->addWidget(new QLabel(QStringLiteral("After storing:"), store), 2, 0);
    sg->addWidget(m_exitOnStore->first, 3, 0);
    sg->addWidget(m_exitOnStore->second, 4, 0);
    sg->addWidget(new QLabel(QStringLiteral("File name:"), store), 5, 0);
    sg->addWidget(m_template->first, 6, 0);
    sg->addWidget(m_template->second, 7, 0);
    sg->addWidget(m_storeFilled, 8, 0);
    sg->addWidget(m_post, 9, 0);

    auto* display = new QGroupBox(QStringLiteral("Display and detection"), this);
    auto* dg = new QGridLayout(display);
    dg->addWidget(m_scrolling, 0, 0);
    dg->addWidget(m_openNew, 1, 0);
    dg->addWidget(m_drawStored, 2, 0);
    dg->addWidget(m_detectorOn, 3, 0);
    dg->addWidget(m_showLevel, 4, 0);
    dg->addWidget(m_detectorPlayback, 5, 0);
    dg->addWidget(m_screenSaver, 6, 0);
    auto* stop = new QHBoxLayout;
    stop->addWidget(m_checkStop);
    stop->addWidget(m_stopMin);
    stop->addWidget(new QLabel(QStringLiteral("min."), display));
    dg->addLayout(stop, 7, 0);
    dg->addWidget(m_exitTimeout, 8, 0);

    auto* more = new QHBoxLayout;
    auto addButton = [&](const char* text, auto open) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        connect(b, &QPushButton::clicked, this, open);
        more->addWidget(b);
    };
    addButton("Spectrograph Details", [this] {
        CDlgSpectrographDetails d(m_working.spectrogram, m_file, m_suffix, this);
        if (d.exec() == QDialog::Accepted) m_working.spectrogram = d.Settings();
    });
    addButton("Sound Event Detector", [this] {
        CDlgSoundDetector d(m_working.detector, m_file, m_suffix, this);
        if (d.exec() == QDialog::Accepted) m_working.detector = d.Settings();
    });
    addButton("Sound File Series Name", [this] {
        CDlgSeriesName d(m_working.series, m_savedCount, m_file, m_suffix, this);
        if (d.exec() == QDialog::Accepted) m_working.series = d.Settings();
    });
    addButton("Filename Autoname Settings", [this] {
        CDlgAutonameSettings d(m_working.autoname, m_file, m_suffix, this);
        if (d.exec() == QDialog::Accepted) m_working.autoname = d.Settings();
    });
    addButton("Set Filename:", [this] {
        // The composed name becomes the series name of the template.
        CDlgSetFilename d(m_working.autoname, QString::fromStdString(m_working.series.seriesPath).trimmed(), this);
        if (d.exec() != QDialog::Accepted) return;
        m_working.series.seriesName = QFileInfo(d.FileName()).completeBaseName().toStdString();
        m_working.series.seriesPath = d.Folder().toStdString();
        m_template->second->setChecked(true);
    });
    connect(m_device, &QComboBox::currentIndexChanged, this, [this] { UpdateChannels(); });
    UpdateChannels();

    auto* grid = new QGridLayout;
    grid->addWidget(format, 0, 0);
    grid->addWidget(store, 0, 1);
    grid->addWidget(display, 1, 0, 1, 2);
    auto* buttons = MakeOkCancelButtons(this);
    AddMakeDefaultButton(buttons, this, [this] { MakeDefault(); });
    AddHelpButton(buttons, this,
                  QStringLiteral(
                      "R starts and stops recording into the active window, SPACE freezes and resumes the display, "
                      "'S' stores the sound recorded since the last store, ESC stops.\n"
                      "The circular buffer holds the newest sound; a store writes it over the previous one or "
                      "appends to it, named by default or by the series template. With the detector on, detected "
                      "sounds are stored by themselves. Decimation keeps every n-th frame without filtering."));
    StackDialog(this, {grid, more, buttons});
}

CDlgRecordingSettings::~CDlgRecordingSettings() = default;

CDlgRecordingSettings::Devices CDlgRecordingSettings::DevicesOf(CAudioInputDeviceList* list)
{
    Devices d;
    if (!list) return d;
    d.names = list->Names();
    d.channelsOf = [list](const std::string& name) {
        const int at = list->FindByName(name);
        return at < 0 ? 2 : int(list->DeviceAt(size_t(at))->GetChannelCount());
    };
    return d;
}

void CDlgRecordingSettings::UpdateChannels()
{
    // Stereo is offered only when the device has two channels.
    const std::string name = m_device->currentText().toStdString();
    const int most = m_devices.channelsOf && !name.empty() ? m_devices.channelsOf(name) : 2;
    m_channels->second->setEnabled(most >= 2);
    if (most < 2) m_channels->first->setChecked(true);
}

CAcquisitionSettings CDlgRecordingSettings::Settings() const
{
    CAcquisitionSettings s = m_working;
    s.deviceName = m_device->currentText().toStdString();
    s.sampleRate = m_rate->value();
    s.sampleSize = m_size->SecondChosen() ? std::max(1, m_working.sampleSize) : 0;
    s.channels = m_channels->SecondChosen() ? 2 : 1;
    s.bufferSecs = m_bufferSecs->value();
    s.msPerLine = float(m_msPerLine->value());
    s.enableScrolling = m_scrolling->isChecked();
    s.openNewDisplay = m_openNew->isChecked();
    s.drawStoredSounds = m_drawStored->isChecked();
    s.fullDuplex = m_fullDuplex->isChecked();
    s.writeOver = m_writeOver->SecondChosen();
    s.exitOnStore = m_exitOnStore->SecondChosen();
    s.fileNameSettings = m_template->SecondChosen() ? 1 : 0;
    s.detectorOn = m_detectorOn->isChecked();
    s.showLevelWhenDetecting = m_showLevel->isChecked();
    s.disableDetectorDuringPlayback = m_detectorPlayback->isChecked();
    s.storeBufferWhenFilled = m_storeFilled->isChecked();
    s.disableScreenSaver = m_screenSaver->isChecked();
    s.checkStopTime = m_checkStop->isChecked();
    s.stopTimeMin = m_stopMin->value();
    s.exitOnRecordTimeout = m_exitTimeout->isChecked();
    s.postProcessing = m_post->isChecked();
    s.decimate = m_decimate->isChecked();
    s.decimationFactor = m_decimation->value();
    return s;
}

bool CDlgRecordingSettings::MakeDefault()
{
    return ReportDefaultSaved(this, Settings().Save(m_file, m_suffix),
                              QStringLiteral("The recording settings could not be saved."));
}

} // namespace tavril
