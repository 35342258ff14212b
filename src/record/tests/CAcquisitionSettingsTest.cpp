#include "CAcquisitionSettings.h"

#include "SettingsStore.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace tavril {
namespace {

TEST(CAcquisitionSettingsTest, EverySectionCarriesTheRecorderSuffixAndReadsBack)
{
    test::TempDir dir;
    const std::string file = dir.File("r.ini");
    CAcquisitionSettings a;
    a.sampleRate = 48000;
    a.deviceName = "USB mic";
    a.msPerLine = 12.5f;
    a.post.highPassHz = 1500.0f;
    a.spectrogram.rtsFftSizeCode = 4;
    a.detector.triggerThresh = 25.0f;
    a.series.seriesName = "site%n";
    a.autoname.label[2] = "bird";
    const std::string suffix = CAcquisitionSettings::Suffix(3);
    ASSERT_EQ(a.Save(file, suffix), 1);

    const std::string s = " Virtual Recorder 3";
    EXPECT_EQ(SettingsStore::ReadSettingInt(file, "Acquisition Details" + s, "sample rate", 0), 48000);
    EXPECT_EQ(SettingsStore::ReadSettingString(file, "Acquisition Details" + s, "recording device name", ""),
              "USB mic");
    EXPECT_EQ(SettingsStore::ReadSettingFloat(file, "Post Acquisition Details" + s, "filter High pass corner", 0),
              1500.0f);
    EXPECT_EQ(SettingsStore::ReadSettingInt(file, "RTS Spectagram Details" + s, "RTS FFT size", 0), 4);
    EXPECT_EQ(SettingsStore::ReadSettingFloat(file, "Sound Detector Details" + s, "trigger thresh", 0), 25.0f);
    EXPECT_EQ(SettingsStore::ReadSettingString(file, "Series File Settings" + s, "Series Name", ""), "site%n");
    EXPECT_EQ(SettingsStore::ReadSettingString(file, "Auto-Filename Selector Settings" + s, "Field 3 Label", ""),
              "bird");

    CAcquisitionSettings b;
    b.Load(file, suffix);
    EXPECT_EQ(b.sampleRate, 48000);
    EXPECT_EQ(b.msPerLine, 12.5f);
    EXPECT_EQ(b.detector.Threshold(), 0.25);
    EXPECT_EQ(b.autoname.label[2], "bird");

    // The older series key is understood.
    SettingsStore::WriteSettingInt(file, "Series File Settings Virtual Recorder 9", "Series start Number", 41);
    b.Load(file, CAcquisitionSettings::Suffix(9));
    EXPECT_EQ(b.series.seriesNumber, 41);
}

TEST(CAcquisitionSettingsTest, SupervisorRecordReadsBackWithinItsRanges)
{
    test::TempDir dir;
    const std::string file = dir.File("s.ini");
    RecognitionSupervisorSettings r;
    r.soundDetectOn = true;
    r.outputToScreen = true;
    r.networkFile = "song.net";
    r.momentum = 0.5f;
    ASSERT_EQ(r.Save(file), 1);
    SettingsStore::WriteSettingInt(file, "Recognition Supervisor Details", "Num hidden layers", 999999);
    RecognitionSupervisorSettings back;
    back.Load(file);
    EXPECT_TRUE(back.soundDetectOn);
    EXPECT_TRUE(back.outputToScreen);
    EXPECT_EQ(back.networkFile, "song.net");
    EXPECT_EQ(back.momentum, 0.5f);
    EXPECT_EQ(back.trainingEpochs, 1);
    EXPECT_EQ(back.hiddenLayers, 2000);
}

} // namespace
} // namespace tavril
