#pragma once
// The editing services a document works with, over a scratch folder that
// holds the settings folder, the temporary folder and `sound`, a 16-bit mono
// ramp whose samples are kept in `values`.

#include "CEditEngine.h"
#include "CMultiTool.h"
#include "CSoundClipboard.h"
#include "CSoundFilter.h"
#include "CSoundTools.h"
#include "CTavrilDoc.h"
#include "CTempFiles.h"
#include "ScriptedPrompt.h"
#include "TestSupport.h"
#include "../../edit/tests/EditTestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace tavril::test {

class DocFixture : public ::testing::Test {
protected:
    void MakeRampSound(int frames, int first)
    {
        setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);
        std::filesystem::create_directories(dir.Path() / "tmp");
        ASSERT_TRUE(temps.Start());
        sound = dir.File("song.wav");
        values = Ramp(frames, first, 1);
        ASSERT_TRUE(MakeWav(sound, 22050, 1, 16, values));
    }

    TempDir dir;
    ScriptedPrompt prompt;
    CTempFiles temps{dir.Path() / "tmp"};
    CSoundClipboard clipboard{dir.File("clip")};
    CEditEngine engine;
    CSoundTools tools{engine};
    CSoundFilter filter{engine};
    CMultiTool multiTool{engine, tools, filter};
    DocServices services{prompt, temps, clipboard, engine, tools, filter, multiTool, ""};
    std::string sound;
    std::vector<int32_t> values;
};

} // namespace tavril::test
