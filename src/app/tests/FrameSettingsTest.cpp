// The settings sections the main frame owns.
#include "FrameSettings.h"
#include "SettingsStore.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace tavril;
using namespace tavril::test;

TEST(FrameSettings, UserMenuListRoundTripAndCap) {
    TempDir dir;
    FileList l = FileList::UserMenu();
    for (int i = 0; i < 3; ++i)
        l.files.push_back("/data/f" + std::to_string(i) + ".dsp");
    l.hidePath = 1;
    std::string f = dir.File("m.set");
    l.Save(f);
    FileList r = FileList::UserMenu();
    r.Load(f);
    EXPECT_EQ(r.files, l.files);
    EXPECT_EQ(r.hidePath, 1);
    SettingsStore::WriteSettingInt(f, "display menu list", "number of displays in list", 100000);
    r.Load(f);
    EXPECT_EQ(r.files.size(), 3u);  // a damaged count reads no more than the entries there are
    FileList empty = FileList::UserMenu();
    empty.Save(f);  // an empty list writes only its first key
    EXPECT_EQ(SettingsStore::ReadSettingInt(f, "display menu list", "number of displays in list", -1), 100000);
}

