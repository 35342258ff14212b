// The recording window and its commands, driven offscreen with a WAV file
// as the input device on a manual clock: the test moves the clock, the
// input delivers what is due, and each scrolling tick runs by hand.
#include "GuiTestSupport.h"

#include "AnnotationFile.h"
#include "AnnotationMetafile.h"
#include "CFileDetector.h"
#include "CFileInputBackend.h"
#include "CManualClock.h"
#include "CRecorderList.h"
#include "SettingsStore.h"
#include "SpectrogramColumns.h"
#include "SpectrumColumn.h"
#include "frame/CChildFrame.h"
#include "frame/CCommandActions.h"
#include "record/CCompositeInputBackend.h"
#include "record/CDlgAutonameSettings.h"
#include "record/CDlgDetectRecordingFile.h"
#include "record/CDlgRecognitionSettings.h"
#include "record/CDlgRecorderSettings.h"
#include "record/CDlgRecordingSettings.h"
#include "record/CDlgSeriesName.h"
#include "record/CDlgSoundDetector.h"
#include "record/CDlgSpectrographDetails.h"
#include "record/CRecordingController.h"
#include "record/CRecordingDisplay.h"
#include "record/RecordFields.h"
#include "view/CTavrilView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QTime>
#include <filesystem>
#include <random>

namespace tavril::test {
namespace {

constexpr double kRate = 22050.0;

// Quiet noise, so that the detector has a background to measure against.
std::vector<int16_t> Noise(uint32_t frames, int amplitude = 30)
{
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> d(-amplitude, amplitude);
    std::vector<int16_t> s(frames);
    for (auto& v : s) v = int16_t(d(gen));
    return s;
}

class Recording : public FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        m_settingsFile = m_config.File("tavril-settings.ini");
    }
    void TearDown() override
    {
        if (m_ctl) m_ctl->StopRecording();
        m_frame->SetCommandExtension({});
        m_ctl.reset();
        m_recorders.reset();
        m_devices.reset();
        m_backend.reset();
    }

    // The program's recording parts over `samples` as the input "File: in.wav".
    void Wire(const std::vector<int16_t>& samples, uint32_t channels = 1)
    {
        m_input = samples;
        m_inputPath = m_dir.File("in.wav");
        ASSERT_TRUE(WriteWav(m_inputPath, samples, kRate, channels));
        m_backend = std::make_unique<CFileInputBackend>(m_clock, CFileInputBackend::Pacing::Manual);
        m_backend->AddDevice("File: in.wav", m_inputPath);
        m_devices = std::make_unique<CAudioInputDeviceList>(*m_backend, m_clock);
        m_recorders = std::make_unique<CRecorderList>(m_devices.get(), m_clock);
        m_recorders->Initialise();
        Rts().deviceName = "File: in.wav";
        m_ctl = std::make_unique<CRecordingController>(*m_frame, m_prompt, *m_recorders, m_devices.get(), m_clock,
                                                       m_settingsFile);
        m_ctl->SetTimersEnabled(false);
        m_ctl->SetBeforeTick([this] { m_backend->Pump(); });
        m_frame->SetCommandExtension(m_ctl->Extend({}));
    }
    CAcquisitionSettings& Rts() { return m_recorders->At(0)->settings; }
    QString RecordItemText()
    {
        const std::vector<QAction*> items = m_frame->Actions().MenuItems(Cmd::StartRecording);
        return items.empty() ? QString() : items.front()->text().section('\t', 0, 0);
    }
    // Runs the clock on by `ms` with a tick every `stepMs`.
    void Run(uint32_t ms, uint32_t stepMs = 10)
    {
        for (uint32_t t = 0; t < ms; t += stepMs) {
            m_clock.AdvanceMs(stepMs);
            m_ctl->Tick();
        }
        Settle();
    }
    void StartInNewWindow()
    {
        m_frame->Dispatch(Cmd::FileNew);
        m_frame->Dispatch(Cmd::StartRecording);
        ASSERT_TRUE(m_ctl->IsRecording());
    }

    CManualClock m_clock{1000};
    std::vector<int16_t> m_input;
    std::string m_inputPath, m_settingsFile;
    std::unique_ptr<CFileInputBackend> m_backend;
    std::unique_ptr<CAudioInputDeviceList> m_devices;
    std::unique_ptr<CRecorderList> m_recorders;
    std::unique_ptr<CRecordingController> m_ctl;
};

// The top row of the darkest run of a picture column, within `rows`.
int DarkestRow(const QImage& img, int x, int rows)
{
    int best = 0, row = -1;
    for (int y = 0; y < rows; ++y) {
        const int dark = 255 - qGray(img.pixel(x, y));
        if (dark > best) best = dark, row = y;
    }
    return row;
}

TEST_F(Recording, ColumnsComeAtTheInputsPaceAndMatchTheSpectrogramOfTheInput)
{
    // A tone on an exact analysis line (line 100 of a 512-sample transform).
    const double hz = 100.0 * kRate / 512.0;
    Wire(Tone(uint32_t(kRate * 10), hz, kRate, 8000));
    Rts().spectrogram.showAmplitude = false;  // the plain column, as a sound window draws it
    StartInNewWindow();
    EXPECT_TRUE(m_frame->StatusText().startsWith(CRecordingController::kScrollingStatus));
    EXPECT_EQ(RecordItemText(), "Stop &Recording");

    // 20 ms per line: two seconds are 100 columns, drawn as time passes.
    Run(2000);
    EXPECT_NEAR(double(m_ctl->Display()->ColumnsDrawn()), 100.0, 1.0);
    // A busy moment without ticks is caught up at the next one.
    m_clock.AdvanceMs(600);
    m_backend->Pump();
    m_ctl->Tick();
    EXPECT_NEAR(double(m_ctl->Display()->ColumnsDrawn()), 130.0, 1.0);

    const QImage& live = m_ctl->Display()->Picture();
    const int x = m_ctl->Display()->SpectrogramWidth() - 1;
    std::vector<uint32_t> column(size_t(live.height()));
    CSoundFile in;
    ASSERT_TRUE(in.Open(m_inputPath));
    SpectrogramDisplay d;  // the same transform, window, gain and threshold as the recorder's
    d.fftSizeCode = Rts().spectrogram.rtsFftSizeCode;
    d.windowType = Rts().spectrogram.windowType;
    d.gain = SpectralGainFromSetting(Rts().spectrogram.gain);
    d.whiteThreshold = Rts().spectrogram.whiteThreshold;
    ASSERT_EQ(PaintSpectrogramColumns(in, d, 0, 20000, 441.0, 0, 1, column.data(), 1, live.height()), 1);
    QImage cli(1, live.height(), QImage::Format_RGB32);
    for (int y = 0; y < live.height(); ++y) cli.setPixel(0, y, column[size_t(y)]);
    const int row = DarkestRow(cli, 0, live.height());
    ASSERT_GE(row, 0);
    EXPECT_EQ(DarkestRow(live, x, live.height()), row);
    for (int y = 0; y < live.height(); ++y)
        EXPECT_LE(std::abs(qGray(live.pixel(x, y)) - qGray(cli.pixel(0, y))), 4) << "row " << y;
}

TEST_F(Recording, SpaceFreezesTheRingAndResumes)
{
    Wire(Noise(uint32_t(kRate * 10), 3000));
    StartInNewWindow();
    Run(500);
    m_frame->Dispatch(Cmd::PauseRecording);
    EXPECT_TRUE(m_ctl->IsFrozen());
    EXPECT_EQ(m_frame->StatusText(), CRecordingController::kFrozenStatus);
    const uint64_t frozen = m_recorders->At(0)->Ring().FramesWritten();
    const int64_t columns = m_ctl->Display()->ColumnsDrawn();
    Run(500);
    EXPECT_EQ(m_recorders->At(0)->Ring().FramesWritten(), frozen);
    EXPECT_EQ(m_ctl->Display()->ColumnsDrawn(), columns);

    m_frame->Dispatch(Cmd::PauseRecording);
    EXPECT_FALSE(m_ctl->IsFrozen());
    EXPECT_TRUE(m_frame->StatusText().startsWith(CRecordingController::kScrollingStatus));
    Run(500);
    EXPECT_GT(m_ctl->Display()->ColumnsDrawn(), columns + 20);
}

TEST_F(Recording, SStoresTheInputsSamplesAndTheWindowShowsThem)
{
    Wire(Noise(uint32_t(kRate * 10), 8000));
    StartInNewWindow();
    CTavrilView* view = m_ctl->RecordingView();
    Run(1500);
    m_frame->Dispatch(Cmd::SaveRecordingBuffer);
    Settle();
    const std::string stored = m_ctl->LastStoredFile();
    ASSERT_FALSE(stored.empty());
    const std::vector<int16_t> got = ReadSamples(stored);
    ASSERT_GT(got.size(), size_t(kRate));
    ASSERT_LE(got.size(), m_input.size());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), m_input.begin()));
    // "Stop recording" after a store: the window now shows the stored sound,
    // which has no name yet, so closing must ask to save it rather than let
    // the next start-up's clean-up take the temporary file.
    EXPECT_FALSE(m_ctl->IsRecording());
    EXPECT_EQ(view->Doc().Path(), CSoundDocument::kUntitled);
    EXPECT_TRUE(view->Doc().Doc().IsModified());
    EXPECT_EQ(view->Doc().Frames(), got.size());
    const std::string kept = m_dir.File("kept.wav");
    ASSERT_TRUE(view->Doc().Doc().SaveDocument(kept));
    EXPECT_EQ(ReadSamples(kept), got);
}

TEST_F(Recording, EscStopsEveryRecorderAndClearsTheStatus)
{
    Wire(Noise(uint32_t(kRate * 5)));
    StartInNewWindow();
    Run(200);
    m_frame->Dispatch(Cmd::StopAll);
    EXPECT_FALSE(m_ctl->IsRecording());
    EXPECT_FALSE(m_recorders->At(0)->IsRunning());
    EXPECT_FALSE(m_frame->StatusText().startsWith("REC"));
    EXPECT_EQ(RecordItemText(), "Start &Recording");
    EXPECT_FALSE(m_frame->IsEnabled(Cmd::PauseRecording));
}

TEST_F(Recording, ClosingTheRecordingWindowStopsTheRecorders)
{
    Wire(Noise(uint32_t(kRate * 5)));
    StartInNewWindow();
    Run(200);
    delete m_frame->ActiveWindow();
    Settle();
    EXPECT_FALSE(m_ctl->IsRecording());
    EXPECT_FALSE(m_recorders->At(0)->IsRunning());
    EXPECT_EQ(m_ctl->Tick(), -1);
}

TEST_F(Recording, StatusShowsFreeSpaceAndWarnsOnceWhenABufferWouldNotFit)
{
    Wire(Noise(uint32_t(kRate * 10)));
    Rts().fileNameSettings = 1;
    Rts().series.seriesPath = m_dir.Path().string();
    // 20 s of 22050 Hz mono 16-bit need 882000 bytes.
    double free = 900000.0;
    std::vector<std::string> asked;
    m_ctl->SetFreeSpaceProbe([&](const std::string& folder) {
        asked.push_back(folder);
        return free;
    });
    StartInNewWindow();
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back(), m_dir.Path().string());
    EXPECT_FALSE(m_ctl->DiskWarningShown());
    const QString status = m_frame->StatusText();
    EXPECT_TRUE(status.contains(QTime::currentTime().toString("HH:mm").left(2))) << status.toStdString();
    EXPECT_TRUE(status.contains("1 MB free")) << status.toStdString();

    free = 800000.0;
    Run(1100, 10);
    EXPECT_TRUE(m_ctl->DiskWarningShown());
    EXPECT_TRUE(m_frame->StatusText().startsWith("WARNING: the disk")) << m_frame->StatusText().toStdString();
    // Once: after the notice the recording status comes back and stays.
    Run(5000, 10);
    EXPECT_TRUE(m_frame->StatusText().startsWith(CRecordingController::kScrollingStatus));
    Run(1100, 10);
    EXPECT_TRUE(m_frame->StatusText().startsWith(CRecordingController::kScrollingStatus));
}

TEST_F(Recording, ADetectionIsStoredUnderTheSeriesNameAndNoticed)
{
    std::vector<int16_t> s = Noise(uint32_t(kRate * 6));
    const std::vector<int16_t> call = Tone(uint32_t(kRate * 0.4), 3000.0, kRate, 12000);
    std::copy(call.begin(), call.end(), s.begin() + long(kRate * 2));
    Wire(s);
    CAcquisitionSettings& a = Rts();
    a.detectorOn = true;
    a.exitOnStore = false;  // "Start recording again"
    a.fileNameSettings = 1;
    a.series.seriesName = "call%n";
    a.series.seriesPath = m_dir.Path().string();
    a.series.seriesNumber = 7;
    StartInNewWindow();
    QString notice;
    for (int i = 0; i < 500 && notice.isEmpty(); ++i) {
        Run(10);
        notice = m_ctl->Display()->Notice();
    }
    EXPECT_TRUE(notice.startsWith("****** SOUND DETECTED: duration ")) << notice.toStdString();
    // The level bar takes 10 pixels at the right while the detector runs.
    EXPECT_EQ(m_ctl->Display()->SpectrogramWidth(), m_ctl->Display()->Picture().width() - 10);
    Run(100);
    // "%n" is the series number right-aligned in four places.
    EXPECT_EQ(std::filesystem::path(m_ctl->LastStoredFile()).filename().string(), "call   7.wav");
    EXPECT_TRUE(std::filesystem::exists(m_dir.File("call   7.wav")));
    EXPECT_TRUE(m_ctl->IsRecording());
}

TEST_F(Recording, WithOpenNewWindowTheStoredSoundOpensAndRecordingGoesOn)
{
    Wire(Noise(uint32_t(kRate * 10), 4000));
    Rts().openNewDisplay = true;
    Rts().exitOnStore = false;  // "Start recording again"
    StartInNewWindow();
    CTavrilView* recordingView = m_ctl->RecordingView();
    Run(1000);
    m_frame->Dispatch(Cmd::SaveRecordingBuffer);
    Settle();
    const std::string stored = m_ctl->LastStoredFile();
    ASSERT_FALSE(stored.empty());
    ASSERT_EQ(m_frame->Windows().size(), 2u);
    bool opened = false;
    for (CChildFrame* w : m_frame->Windows())
        opened = opened || (w->View() != recordingView && w->View()->Doc().Doc().IsModified() &&
                            w->View()->Doc().Frames() == ReadSamples(stored).size());
    EXPECT_TRUE(opened) << "the stored sound opens as an unsaved sound";
    EXPECT_TRUE(m_ctl->IsRecording());
    EXPECT_EQ(m_ctl->RecordingView(), recordingView);
    Run(500);
    EXPECT_GT(m_ctl->Display()->ColumnsDrawn(), 20);
}

TEST_F(Recording, TheTimeLimitStopsRecordingAndMayEndTheProgram)
{
    Wire(Noise(uint32_t(kRate * 70)));
    Rts().checkStopTime = true;
    Rts().stopTimeMin = 1;
    Rts().exitOnRecordTimeout = true;
    StartInNewWindow();
    Run(59900, 100);
    EXPECT_TRUE(m_ctl->IsRecording());
    Run(1200, 100);
    EXPECT_FALSE(m_ctl->IsRecording());
    EXPECT_FALSE(m_recorders->At(0)->IsRunning());
    EXPECT_FALSE(m_frame->isVisible());
}

TEST_F(Recording, DeleteAndLoadNextMovesTheShownFileToTheTrash)
{
    Wire(Noise(1000));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(m_dir.File("data")));
    const std::string a = ToneFile("series 1.wav"), b = ToneFile("series 2.wav");
    ASSERT_NE(m_frame->OpenSoundFile(a), nullptr);
    m_frame->Dispatch(Cmd::DeleteAndLoadNext);
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(m_frame->ActiveView()->Doc().Path(), b);
    EXPECT_FALSE(std::filesystem::exists(a));
    EXPECT_TRUE(std::filesystem::exists(m_dir.File("data/Trash/files/series 1.wav")));
}

TEST(SetFilename, FieldsComposeTheNextFreeNameOfTheFolder)
{
    TempDir dir;
    for (const char* n : {"site_1.wav", "site_2.wav", "other.wav"})
        ASSERT_TRUE(WriteWav(dir.File(n), std::vector<int16_t>(10)));
    AutonameSettings s;
    s.enabled[0] = s.enabled[1] = true;
    s.entryType[1] = 2;  // "Number"
    s.label[0] = "Site";
    CDlgSetFilename d(s, QString::fromStdString(dir.Path().string()));
    EXPECT_EQ(d.Listed(), (QStringList{"other.wav", "site_1.wav", "site_2.wav"}));
    d.m_value[0]->setText("site");
    d.StepToFreeName();
    EXPECT_EQ(d.FileName(), "site_3.wav");
    EXPECT_EQ(d.findChild<QLabel*>("selected")->text(), "site_3.wav");
    d.TakeName("site_1.wav");
    EXPECT_EQ(d.m_value[1]->text(), "1");
}

TEST_F(Recording, ClosingWhileRecordingAsksStoresAndStopsFirst)
{
    Wire(Noise(uint32_t(kRate * 5), 5000));
    StartInNewWindow();
    Run(800);
    m_prompt.replies = {IPrompt::Reply::Cancel};
    EXPECT_FALSE(m_frame->close());
    EXPECT_TRUE(m_ctl->IsRecording());
    ASSERT_EQ(m_prompt.questions.size(), 1u);

    Run(200);
    m_prompt.replies = {IPrompt::Reply::Yes, IPrompt::Reply::No};  // then: the stored sound need not be saved
    m_frame->close();
    EXPECT_FALSE(m_ctl->IsRecording());
    EXPECT_FALSE(m_recorders->At(0)->IsRunning());
    Settle();
    const std::vector<int16_t> got = ReadSamples(m_ctl->LastStoredFile());
    ASSERT_GT(got.size(), size_t(kRate * 0.9));
    EXPECT_TRUE(std::equal(got.begin(), got.end(), m_input.begin()));
}

TEST_F(Recording, RecorderListAddsDuplicatesAndDeletesAndTheSettingsFileFollows)
{
    Wire(Noise(1000));
    CDlgRecorderList list(*m_recorders, m_devices.get(), m_settingsFile);
    std::string nextName = "Marsh";
    list.SetDialogRunner([&](CDlgRecorderSettings& d) {
        if (!d.m_description->isReadOnly() && d.m_description->text().isEmpty()) d.m_description->setText(nextName.c_str());
        d.accept();
        return true;
    });
    // The trial recorder is never listed.
    ASSERT_EQ(list.m_list->count(), 1);
    list.Add();
    ASSERT_EQ(list.m_list->count(), 2);
    list.m_list->setCurrentRow(1);
    list.Duplicate();
    ASSERT_EQ(list.m_list->count(), 3);
    EXPECT_EQ(list.m_list->item(2)->text(), "copy of Marsh");
    ASSERT_TRUE(list.MakeDefault());
    EXPECT_EQ(SettingsStore::ReadSettingInt(m_settingsFile, "Virtual recorder list", "number of recorders in list", 0), 4);
    EXPECT_EQ(SettingsStore::ReadSettingString(m_settingsFile, "Virtual recorder #3 settings", "Description", ""),
              "copy of Marsh");

    list.m_list->setCurrentRow(1);
    list.Delete();
    ASSERT_EQ(list.m_list->count(), 2);
    EXPECT_EQ(list.m_list->item(1)->text(), "copy of Marsh");
    list.m_list->setCurrentRow(0);
    list.Delete();  // the live display's recorder stays
    EXPECT_EQ(list.m_list->count(), 2);
    ASSERT_TRUE(list.MakeDefault());
    EXPECT_EQ(SettingsStore::ReadSettingInt(m_settingsFile, "Virtual recorder list", "number of recorders in list", 0), 3);
    EXPECT_EQ(SettingsStore::ReadSettingString(m_settingsFile, "Virtual recorder #2 settings", "Description", ""),
              "copy of Marsh");
}

TEST_F(Recording, RealTimeRecorderKeepsItsCommandsAndStereoNeedsTwoChannels)
{
    Wire(Noise(1000));  // a mono file: a one-channel device
    CVirtualRecorder& rt = *m_recorders->At(0);
    rt.pauseOnSpace = rt.recordOnCommand = rt.stopOnCommand = false;
    CDlgRecorderSettings d(rt, m_devices.get(), m_settingsFile, 0);
    for (QCheckBox* b : {d.m_pauseOnSpace, d.m_recordOnCommand, d.m_stopOnCommand}) {
        EXPECT_TRUE(b->isChecked());
        EXPECT_FALSE(b->isEnabled());
    }
    EXPECT_TRUE(d.m_description->isReadOnly());
    EXPECT_EQ(d.m_device->currentText(), "File: in.wav");

    CDlgRecordingSettings r(rt.settings, CDlgRecordingSettings::DevicesOf(m_devices.get()), 0, m_settingsFile,
                            CAcquisitionSettings::Suffix(0));
    EXPECT_FALSE(r.m_channels->second->isEnabled());
}

TEST_F(Recording, RecordingSettingsDialogShowsAndWritesTheInitialValues)
{
    CAcquisitionSettings fresh;
    CDlgRecordingSettings d(fresh, {}, 0, m_settingsFile, CAcquisitionSettings::Suffix(0));
    EXPECT_EQ(d.m_rate->value(), 22050);
    EXPECT_EQ(d.m_bufferSecs->value(), 20);
    EXPECT_DOUBLE_EQ(d.m_msPerLine->value(), 20.0);
    EXPECT_TRUE(d.m_size->second->isChecked());         // 16-bit
    EXPECT_TRUE(d.m_channels->first->isChecked());      // mono
    EXPECT_TRUE(d.m_writeOver->second->isChecked());    // "Write over previously stored sound"
    EXPECT_TRUE(d.m_exitOnStore->second->isChecked());  // "Stop recording"
    EXPECT_TRUE(d.m_template->first->isChecked());      // "Default name"
    EXPECT_TRUE(d.m_scrolling->isChecked());
    EXPECT_FALSE(d.m_openNew->isChecked());
    EXPECT_TRUE(d.m_drawStored->isChecked());
    EXPECT_FALSE(d.m_detectorOn->isChecked());
    EXPECT_TRUE(d.m_showLevel->isChecked());
    EXPECT_TRUE(d.m_screenSaver->isChecked());
    EXPECT_FALSE(d.m_checkStop->isChecked());
    EXPECT_EQ(d.m_stopMin->value(), 0);
    // Common field rates and a long ring must be accepted.
    d.m_rate->setValue(96000);
    d.m_bufferSecs->setValue(600);
    d.m_stopMin->setValue(1440);
    ASSERT_TRUE(d.MakeDefault());
    const std::string section = std::string("Acquisition Details") + " Virtual Recorder 0";
    EXPECT_EQ(SettingsStore::ReadSettingInt(m_settingsFile, section, "sample rate", 0), 96000);
    EXPECT_EQ(SettingsStore::ReadSettingInt(m_settingsFile, section, "circular buffer size (secs)", 0), 600);
    EXPECT_EQ(SettingsStore::ReadSettingInt(m_settingsFile, section, "Stop time", 0), 1440);
    EXPECT_EQ(SettingsStore::ReadSettingInt(m_settingsFile, section, "append or write over", -1), 1);
    EXPECT_EQ(SettingsStore::ReadSettingInt(m_settingsFile, section, "exit on store", -1), 1);
    EXPECT_EQ(SettingsStore::ReadSettingInt(m_settingsFile, section, "file name settings", -1), 0);
}

TEST_F(Recording, SpectrographSeriesAndRecognitionDialogsKeepTheirRanges)
{
    CDlgSpectrographDetails sp(RecordingSpectrogramSettings{}, m_settingsFile, " Virtual Recorder 0");
    EXPECT_EQ(sp.m_gain->minimum(), -100.0);  // "Gain (-100 to +100):"
    EXPECT_EQ(sp.m_gain->maximum(), 100.0);
    EXPECT_EQ(sp.m_white->minimum(), 0);  // "White threshold (0 - 255):"
    EXPECT_EQ(sp.m_white->maximum(), 255);

    CDlgSeriesName series(SeriesSettings{}, 3, m_settingsFile, " Virtual Recorder 0");
    EXPECT_EQ(series.m_name->text(), " ");
    EXPECT_EQ(series.m_path->text(), " ");
    EXPECT_EQ(series.m_number->value(), 0);
    EXPECT_EQ(series.m_savedCount->text(), "3");
    EXPECT_TRUE(series.m_savedCount->isReadOnly());
    series.m_number->setValue(12345);
    ASSERT_TRUE(series.MakeDefault());
    EXPECT_EQ(SettingsStore::ReadSettingInt(m_settingsFile, "Series File Settings Virtual Recorder 0", "Series Number", 0),
              12345);

    CDlgRecognitionSettings rec(RecognitionSupervisorSettings{}, DetectorSettings{}, m_settingsFile, "");
    EXPECT_EQ(rec.m_epochs->maximum(), 1000000);
    EXPECT_EQ(rec.m_report->maximum(), 100000);
    EXPECT_EQ(rec.m_elements->maximum(), 100);
    EXPECT_EQ(rec.m_minElements->maximum(), 100.0);
    EXPECT_EQ(rec.m_hidden->maximum(), 2000);
    EXPECT_EQ(rec.m_outputs->maximum(), 200);
    EXPECT_FALSE(rec.m_recognize->isEnabled());
    EXPECT_FALSE(rec.m_epochs->isEnabled());
    EXPECT_TRUE(rec.m_detectOn->isEnabled());
    EXPECT_TRUE(rec.m_screen->isEnabled());
    rec.m_detectOn->setChecked(true);
    ASSERT_TRUE(rec.SaveAsDefault());
    EXPECT_EQ(SettingsStore::ReadSettingInt(m_settingsFile, "Recognition Supervisor Details", "Sound detect on", 0), 1);
    EXPECT_EQ(SettingsStore::ReadSettingInt(m_settingsFile, "Recognition Supervisor Details", "Number of training epochs", 0), 1);
}

TEST_F(Recording, StereoInputIsStoredWithBothChannels)
{
    const std::vector<int16_t> in = Stereo(int(kRate * 4), [](int i) { return (i * 37) % 20000 - 10000; },
                                           [](int i) { return (i * 11) % 3000 - 1500; });
    Wire(in, 2);
    Rts().channels = 2;
    StartInNewWindow();
    Run(1000);
    m_frame->Dispatch(Cmd::SaveRecordingBuffer);
    Settle();
    CSoundFile f;
    ASSERT_TRUE(f.Open(m_ctl->LastStoredFile()));
    EXPECT_EQ(f.GetChannels(), 2u);
    f.Close();
    const std::vector<int16_t> got = ReadSamples(m_ctl->LastStoredFile());
    ASSERT_GT(got.size(), size_t(kRate));
    EXPECT_TRUE(std::equal(got.begin(), got.end(), in.begin()));
}

TEST_F(Recording, EmbeddedDialogsWriteWhatTheUserChose)
{
    const std::string suffix = " Virtual Recorder 0";
    CDlgSpectrographDetails sp(RecordingSpectrogramSettings{}, m_settingsFile, suffix);
    // A transform of 256 samples has 128 = 32 x 2^2 lines: code 2.
    sp.m_rtsSize->setCurrentText("256");
    sp.m_gain->setValue(-40.0);
    ASSERT_TRUE(sp.MakeDefault());
    EXPECT_EQ(SettingsStore::ReadSettingInt(m_settingsFile, "RTS Spectagram Details" + suffix, "RTS FFT size", -1), 2);
    EXPECT_FLOAT_EQ(SettingsStore::ReadSettingFloat(m_settingsFile, "RTS Spectagram Details" + suffix, "spec gain", 0.0f),
                    -40.0f);

    CDlgSoundDetector det(DetectorSettings{}, m_settingsFile, suffix);
    det.m_thresh->setValue(25.0);  // read as 25 %
    det.m_freqMax->setValue(-1);   // half the sample rate
    ASSERT_TRUE(det.MakeDefault());
    DetectorSettings back;
    back.Load(m_settingsFile, suffix);
    EXPECT_DOUBLE_EQ(back.Threshold(), 0.25);
    EXPECT_EQ(back.freqMaxHz, -1);

    AutonameSettings named;
    named.enabled[1] = true;
    named.entryType[2] = 1;
    named.label[2] = "Bird";
    CDlgAutonameSettings au(named, m_settingsFile, suffix);
    EXPECT_EQ(au.m_type[2]->currentText(), "Letter");
    ASSERT_TRUE(au.MakeDefault());
    const std::string section = "Auto-Filename Selector Settings" + suffix;
    EXPECT_EQ(SettingsStore::ReadSettingInt(m_settingsFile, section, "Is Field 2 Enabled?", 0), 1);
    EXPECT_EQ(SettingsStore::ReadSettingInt(m_settingsFile, section, "Field 3 Entry Type", 0), 1);
    EXPECT_EQ(SettingsStore::ReadSettingString(m_settingsFile, section, "Field 3 Label", ""), "Bird");
}

TEST_F(Recording, RecognitionDialogKeepsTheRecognisersStoredValues)
{
    RecognitionSupervisorSettings loaded;
    loaded.learningRate = 0.5f;
    loaded.hiddenLayers = 12;
    loaded.networkFile = "song.net";
    CDlgRecognitionSettings d(loaded, DetectorSettings{}, m_settingsFile, "");
    d.m_screen->setChecked(true);
    const RecognitionSupervisorSettings out = d.Settings();
    EXPECT_TRUE(out.outputToScreen);
    EXPECT_FLOAT_EQ(out.learningRate, 0.5f);
    EXPECT_EQ(out.hiddenLayers, 12);
    EXPECT_EQ(out.networkFile, "song.net");
    ASSERT_TRUE(d.SaveAsDefault());
    d.m_screen->setChecked(false);
    d.ResetToDefault();
    EXPECT_TRUE(d.m_screen->isChecked());
}

TEST_F(Recording, DetectionInFileFindsWhatTheDetectorFinds)
{
    // Two calls on channel 2 only, of a stereo file.
    std::vector<int16_t> left = Noise(uint32_t(kRate * 8)), right = Noise(uint32_t(kRate * 8));
    const std::vector<int16_t> call = Tone(uint32_t(kRate * 0.3), 4000.0, kRate, 12000);
    for (double at : {2.0, 5.0}) std::copy(call.begin(), call.end(), right.begin() + long(kRate * at));
    const std::string path = m_dir.File("two.wav");
    ASSERT_TRUE(WriteWav(path, Stereo(int(left.size()), [&](int i) { return left[size_t(i)]; },
                                      [&](int i) { return right[size_t(i)]; }),
                         kRate, 2));
    CAcquisitionSettings recorder;
    CDlgDetectRecordingFile d(path, recorder, m_settingsFile);
    EXPECT_EQ(d.m_stop->text(), "");  // blank: to the end
    d.m_someChannels->setChecked(true);
    d.m_channelList->setText("2");
    d.StartOrStop();
    EXPECT_EQ(d.m_go->text(), "STOP DETECTING");
    d.WaitForWorker();
    EXPECT_EQ(d.m_go->text(), "START DETECTING");

    CFileDetector reference;
    const FileDetectionReport expected = reference.Run(path, d.Settings());
    ASSERT_EQ(expected.counts.size(), 1u);
    ASSERT_EQ(d.m_results->count(), 1);
    EXPECT_EQ(d.m_results->item(0)->text(), QString("ch#2 #detections = %1").arg(expected.counts[0]));
    EXPECT_EQ(expected.counts[0], 2);
}

TEST_F(Recording, DetectionsSavedAsAnnotationsReachTheLinkedFile)
{
    std::vector<int16_t> samples = Noise(uint32_t(kRate * 4));
    const std::vector<int16_t> call = Tone(uint32_t(kRate * 0.3), 4000.0, kRate, 12000);
    std::copy(call.begin(), call.end(), samples.begin() + long(kRate * 1.0));
    const std::string path = m_dir.File("one call.wav");
    ASSERT_TRUE(WriteWav(path, samples, kRate, 1));
    const AnnotationLinkResult link = AddAnnotationLink(path, "one call.log", "");
    ASSERT_TRUE(link.ok) << link.message;

    CAcquisitionSettings recorder;
    CDlgDetectRecordingFile d(path, recorder, m_settingsFile);
    d.m_annotations->setChecked(false);
    EXPECT_FALSE(d.m_deletePrevious->isEnabled());
    d.m_annotations->setChecked(true);
    EXPECT_TRUE(d.m_deletePrevious->isEnabled());
    d.m_comment->setText("wren");
    d.StartOrStop();
    d.WaitForWorker();
    EXPECT_TRUE(d.AnnotationsWritten());

    AnnotationFile file;
    ASSERT_EQ(file.Load(link.annotationPath), 1);
    EXPECT_EQ(file.At(0)->Comment(), "wren");
    // The call lies inside the saved span (padding widens it).
    EXPECT_LT(file.At(0)->LeftSec(), 1.05);
    EXPECT_GT(file.At(0)->RightSec(), 1.25);
}

TEST(CompositeInput, FileDeviceIsListedAfterTheCardsAndOpensThroughTheirIndex)
{
    TempDir dir;
    const std::string a = dir.File("a.wav"), b = dir.File("b.wav");
    ASSERT_TRUE(WriteWav(a, std::vector<int16_t>(100, 1)));
    ASSERT_TRUE(WriteWav(b, std::vector<int16_t>(100, 2)));
    CManualClock clock;
    CFileInputBackend cards(clock, CFileInputBackend::Pacing::Manual), files(clock, CFileInputBackend::Pacing::Manual);
    cards.AddDevice("Card", a);
    files.AddDevice("File: b.wav", b);
    files.FailNextOpen("the file went away");
    CCompositeInputBackend both;
    both.Add(cards);
    both.Add(files);
    CAudioInputDeviceList list(both, clock);
    list.Fill();
    EXPECT_EQ(list.Names(), (std::vector<std::string>{"Card", "File: b.wav"}));
    // Opening device 1 reaches the second backend (which fails as told).
    struct Sink : IAudioCaptureSink {
        void OnCapture(const void*, uint32_t) override {}
    } sink;
    const PcmFormat f = PcmFormat::Make(22050, 1, 16);
    std::string error;
    EXPECT_EQ(both.Open(1, f, 256, 4, sink, error), nullptr);
    EXPECT_EQ(error, "the file went away");
    EXPECT_NE(both.Open(0, f, 256, 4, sink, error), nullptr);
}

} // namespace
} // namespace tavril::test
