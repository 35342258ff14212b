#include "CRecorderList.h"

#include "RecordTestUtil.h"
#include "SettingsStore.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace tavril {
namespace {

struct ListRig {
    ListRig() : backend(clock, CFileInputBackend::Pacing::Manual), devices(backend, clock), list(&devices, clock)
    {
        test::WriteWav(dir.File("a.wav"), 22050, 1, std::vector<int16_t>(22050));
        backend.AddDevice("first card", dir.File("a.wav"));
        backend.AddDevice("second card", dir.File("a.wav"));
        list.Initialise();
    }
    test::TempDir dir;
    CManualClock clock;
    CFileInputBackend backend;
    CAudioInputDeviceList devices;
    CRecorderList list;
};

TEST(CRecorderListTest, SaveLoadAndTheBuiltInRecorders)
{
    ListRig rig;
    CRecorderList& list = rig.list;
    ASSERT_EQ(list.Count(), 2u);
    for (const char* d : {"bats", "owls", "frogs"}) {
        auto r = list.Create();
        r->description = d;
        r->stopOnPlayback = true;
        ASSERT_NE(list.Add(std::move(r)), nullptr);
    }
    auto dup = list.Create();
    dup->description = "owls";
    EXPECT_EQ(list.Add(std::move(dup)), nullptr);
    list.At(3)->settings.sampleRate = 44100;
    // A hand-edited file cannot clear the real-time recorder's flags.
    list.At(0)->stopOnCommand = false;

    const std::string file = rig.dir.File("t.ini");
    ASSERT_EQ(list.Save(file), 1);
    EXPECT_EQ(SettingsStore::ReadSettingInt(file, "Virtual recorder list", "number of recorders in list", 0), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_NE(SettingsStore::ReadSettingString(file, "Virtual recorder #" + std::to_string(i) + " settings",
                                                   "Description", ""),
                  "")
            << i;
    EXPECT_EQ(SettingsStore::ReadSettingInt(file, "Acquisition Details Virtual Recorder 3", "sample rate", 0), 44100);
    SettingsStore::WriteSettingString(file, "Virtual recorder #4 settings", "Description", "");

    CRecorderList back(&rig.devices, rig.clock);
    back.Load(file);
    EXPECT_EQ(back.ListedDescriptions(),
              (std::vector<std::string>{"Real Time Spectragraph Recorder", "bats", "owls"}));
    EXPECT_EQ(back.Find("owls")->settings.sampleRate, 44100);
    EXPECT_TRUE(back.Find("bats")->stopOnPlayback);
    const CVirtualRecorder* rt = back.At(0);
    EXPECT_TRUE(rt->pauseOnSpace && rt->recordOnCommand && rt->stopOnCommand);
    EXPECT_EQ(back.At(99), rt);
    EXPECT_EQ(back.Remove(0), 0);
    EXPECT_EQ(back.Remove(1), 0);
}

TEST(CRecorderListTest, DuplicateAndDeviceFallback)
{
    ListRig rig;
    auto r = rig.list.Create();
    r->description = "X";
    r->settings.deviceName = "second card";
    r->settings.detector.minSoundMs = 321;
    r->recordOnCommand = true;
    rig.list.Add(std::move(r));
    auto copy = rig.list.Duplicate(2);
    EXPECT_EQ(copy->description, "copy of X");
    EXPECT_EQ(copy->settings.detector.minSoundMs, 321);
    EXPECT_TRUE(copy->recordOnCommand);
    EXPECT_EQ(copy->ResolveDevice(), rig.devices.DeviceAt(1));

    copy->settings.deviceName = "unplugged";
    EXPECT_EQ(copy->ResolveDevice(), rig.devices.DeviceAt(0));
    EXPECT_EQ(copy->settings.deviceName, "first card");
}

TEST(CRecorderListTest, GroupCommandsFollowTheFlags)
{
    ListRig rig;
    CRecorderList& list = rig.list;
    auto r = list.Create();
    r->description = "quiet one";  // follows no command
    list.Add(std::move(r));
    list.StartOnCommand();
    EXPECT_TRUE(list.At(0)->IsRunning());
    EXPECT_FALSE(list.At(1)->IsRunning());
    EXPECT_FALSE(list.At(2)->IsRunning());
    list.PauseOnSpace();
    EXPECT_TRUE(list.At(0)->IsPaused());
    list.ResumeOnSpace();
    EXPECT_TRUE(list.At(0)->IsRunning());
    list.StopOnCommand();
    EXPECT_FALSE(list.At(0)->IsRunning());
}

} // namespace
} // namespace tavril
