#include "CEditEngine.h"
#include "CMultiTool.h"
#include "CSoundFilter.h"
#include "CSoundTools.h"
#include "EditDialogSettings.h"
#include "EditTestUtil.h"
#include "KlipFileName.h"
#include "SoundFormat.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace tavril {
namespace {

using test::MakeWav;
using test::ReadAll;
using test::ReadWav;
using test::TempDir;

class MultiToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int k = 0; k < 4000; ++k)
            values.push_back(static_cast<int32_t>(3000 * std::sin(k * 0.3)) + (k % 7) * 10);
        ASSERT_TRUE(MakeWav(src, 22050, 1, 16, values));
    }
    std::vector<int32_t> Chain(const MultiToolSettings& s)
    {
        EXPECT_TRUE(engine.CreateLike(dst, src));
        EXPECT_TRUE(multi.Apply(src, dst, s, 0)) << engine.LastError();
        return ReadWav(dst);
    }
    TempDir dir;
    std::string src = dir.File("a.wav"), dst = dir.File("b.wav");
    std::vector<int32_t> values;
    CEditEngine engine;
    CSoundTools tools{engine};
    CSoundFilter filter{engine};
    CMultiTool multi{engine, tools, filter};
};

TEST_F(MultiToolTest, ChainEqualsTheToolsOneAfterAnother)
{
    const MultiToolSettings s{.filterOn = 1, .maximizeOn = 1, .rampOn = 1, .beginRampMs = 10, .endRampMs = 20,
                              .highPassCornerHz = 300, .lowPassCornerHz = 5000};
    const auto chained = Chain(s);

    const std::string t1 = dir.File("t1.wav"), t2 = dir.File("t2.wav"), t3 = dir.File("t3.wav");
    const BandFilterParams p{.lowpassHz = 5000, .highpassHz = 300};
    ASSERT_TRUE(engine.CreateLike(t1, src) && filter.BandFilter(src, t1, 0, -1, p, 0));
    ASSERT_TRUE(engine.CreateLike(t2, src) && tools.Maximize(t1, t2, 0));
    ASSERT_TRUE(engine.CreateLike(t3, src) && tools.Ramp(t2, t3, 10, 20, 0));
    EXPECT_EQ(chained, ReadWav(t3));
    EXPECT_EQ(chained.front(), 0);
    EXPECT_EQ(chained.back(), 0);
    // No intermediate file is left behind.
    int hidden = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.Path())) hidden += e.path().filename().string()[0] == '.';
    EXPECT_EQ(hidden, 0);
}

TEST_F(MultiToolTest, BatchInPlaceKeepsTheFormatAndFailsSafely)
{
    MultiToolSettings s{.maximizeOn = 1};
    const auto expected = Chain(s);
    ASSERT_TRUE(multi.ApplyToFile(src, src, s, 0, kFormatWav)) << engine.LastError();
    EXPECT_EQ(ReadWav(src), expected);

    // An AIFF file stays an AIFF file.
    const std::string aif = dir.File("c.aif");
    ASSERT_TRUE(MakeWav(src, 22050, 1, 16, values));
    ASSERT_TRUE(multi.ApplyToFile(src, aif, s, 0, kFormatWav)) << engine.LastError();
    const auto head = ReadAll(aif);
    EXPECT_EQ(std::string(head.begin(), head.begin() + 4), "FORM");
    s.rampOn = 1;
    s.beginRampMs = 5;
    ASSERT_TRUE(multi.ApplyToFile(aif, aif, s, 0, kFormatWav)) << engine.LastError();
    CSoundFile back;
    ASSERT_TRUE(back.Open(aif));
    EXPECT_EQ(back.GetFrameCount(), 4000u);

    // A target that cannot be written: the command fails, nothing changes.
    const auto before = ReadAll(src);
    EXPECT_FALSE(multi.ApplyToFile(src, dir.File("missing/out.wav"), s, 0, kFormatWav));
    EXPECT_FALSE(engine.LastError().empty());
    EXPECT_EQ(ReadAll(src), before);
}

TEST(KlipNameTest, TemplateFields)
{
    KlipNameInputs in;
    in.soundFileName = "/data/birds/wren 03.wav";
    in.channel = 1;
    std::string name;
    ASSERT_TRUE(ComposeKlipName("%f_%c", in, name));
    EXPECT_EQ(name, "wren 03_2");
    ASSERT_TRUE(ComposeKlipName("plain name", in, name));
    EXPECT_EQ(name, "plain name");
    ASSERT_TRUE(ComposeKlipName("100%% %q%", in, name));
    EXPECT_EQ(name, "100% %q%");

    in.fileTime.tm_year = 121;
    in.fileTime.tm_mon = 4;
    in.fileTime.tm_mday = 2;
    in.fileTime.tm_hour = 4;
    in.cursorTime.tm_year = 99;
    in.cursorTime.tm_hour = 5;
    in.cursorTime.tm_min = 6;
    in.cursorTime.tm_sec = 7;
    in.useFileDate = true;
    in.useCursorTime = true;
    in.askText = [](std::string& t) {
        t = "Troglodytes/tro";
        return true;
    };
    ASSERT_TRUE(ComposeKlipName("%e %y%m%d_%H%M%S %f", in, name));
    EXPECT_EQ(name, "Troglodytes_tro 210502_050607 wren 03");
    in.useCursorTime = false;
    ASSERT_TRUE(ComposeKlipName("%y%m%d_%H%M%S", in, name));
    EXPECT_EQ(name, "210502_040000");
    in.askText = [](std::string&) { return false; };
    EXPECT_FALSE(ComposeKlipName("%e", in, name));
}

TEST(EditDialogSettingsTest, RoundTripAndMissingKeys)
{
    TempDir dir;
    const std::string file = dir.File("t.ini");
    ASSERT_TRUE((KlipNSaveSettings{.autofillOn = 1, .filenameTemplate = "%f_%c", .openClipInWindow = 1}.Save(file)));
    KlipNSaveSettings k2;
    k2.insertFileTime = 1;
    k2.Load(file);
    EXPECT_EQ(k2.autofillOn, 1);
    EXPECT_EQ(k2.filenameTemplate, "%f_%c");
    EXPECT_EQ(k2.insertFileTime, 0);

    ASSERT_TRUE((FilterSettings{.hipassFreqHz = 1000.5, .timeRampMs = 20}.Save(file)));
    FilterSettings f2;
    f2.Load(file);
    EXPECT_DOUBLE_EQ(f2.hipassFreqHz, 1000.5);
    EXPECT_DOUBLE_EQ(f2.timeRampMs, 20);

    // Keys that are not there leave the members alone.
    AmplitudeEnvelopeSettings e;
    e.filename = "keep.wav";
    e.Load(file);
    EXPECT_EQ(e.filename, "keep.wav");
    EXPECT_EQ(e.resolutionMs, 1);
    EXPECT_EQ(e.useExactEnvelope, 1);

    const auto text = ReadAll(file);
    const std::string s(text.begin(), text.end());
    EXPECT_NE(s.find("[Klip n Save Settings]"), std::string::npos);
    EXPECT_NE(s.find("filename template"), std::string::npos);
    EXPECT_NE(s.find("[Filter Details]"), std::string::npos);
    EXPECT_LT(s.find("Amp Reduction"), s.find("Time Ramp"));
}

} // namespace
} // namespace tavril
