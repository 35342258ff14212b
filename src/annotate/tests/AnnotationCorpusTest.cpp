// Real files from other programs: every box and label must come through.
#include "AnnotationExchange.h"

#include "CSoundFile.h"
#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace tavril;
namespace fs = std::filesystem;

namespace {

fs::path Corpus(const std::string& rel)
{
    const auto dir = test::CorpusDir();
    return dir ? *dir / rel : fs::path();
}

#define NEED_CORPUS(p)                                                                                                 \
    if ((p).empty() || !fs::exists(p)) GTEST_SKIP() << "corpus file absent: " << (p)

AnnotationFile ReadAs(const fs::path& p, AnnotationFormat fmt, ExchangeInfo* info = nullptr)
{
    AnnotationFile f;
    ExchangeInfo i;
    std::string error;
    EXPECT_TRUE(ReadAnnotationsFile(p.string(), fmt, f, i, error)) << p << ": " << error;
    if (info) *info = i;
    return f;
}

double DurationSec(const fs::path& wav)
{
    CSoundFile s;
    if (!s.Open(wav.string())) return -1;
    return double(s.GetFrameCount()) / s.GetSampleRate();
}

// Same boxes, labels and fields, value for value.
void ExpectSame(const AnnotationFile& a, const AnnotationFile& b)
{
    ASSERT_EQ(a.Count(), b.Count());
    for (size_t i = 0; i < a.Count(); ++i) {
        const AnnotationRecord &x = *a.At(i), &y = *b.At(i);
        EXPECT_EQ(x.LeftSec(), y.LeftSec()) << i;
        EXPECT_EQ(x.RightSec(), y.RightSec()) << i;
        EXPECT_EQ(x.BottomHz(), y.BottomHz()) << i;
        EXPECT_EQ(x.TopHz(), y.TopHz()) << i;
        EXPECT_EQ(x.Comment(), y.Comment()) << i;
        ASSERT_EQ(x.ExtraFields().size(), y.ExtraFields().size()) << i;
        for (size_t k = 0; k < x.ExtraFields().size(); ++k)
            EXPECT_EQ(x.ExtraFields()[k].Text(), y.ExtraFields()[k].Text()) << i;
    }
}

} // namespace

TEST(AnnotationCorpus, RavenTablesReadWithEveryRow)
{
    const fs::path dir = Corpus("crowsetta/chronister2021-raven");
    NEED_CORPUS(dir);
    const struct {
        const char* file;
        size_t rows;
    } tables[] = {{"crowsetta/chronister2021-raven/Recording_1_Segment_01.Table.1.selections.txt", 0},
                  {"crowsetta/chronister2021-raven/Recording_1_Segment_02.Table.1.selections.txt", 6},
                  {"crowsetta/chronister2021-raven/Recording_1_Segment_03.Table.1.selections.txt", 44},
                  {"crowsetta/chronister2021-raven/Recording_1_Segment_07.Table.1.selections.txt", 279},
                  {"opensoundscape/MSD-0003_20180427_2minstart00.Table.1.selections.txt", 10},
                  {"opensoundscape/EmptyExample.Table.1.selections.txt", 0},
                  {"opensoundscape/raven_with_Annotation_col.txt", 1}};
    for (const auto& t : tables) {
        const fs::path p = Corpus(t.file);
        if (!fs::exists(p)) continue;
        EXPECT_EQ(ReadAs(p, AnnotationFormat::Unknown).Count(), t.rows) << t.file;
    }
    const AnnotationFile one = ReadAs(Corpus("opensoundscape/raven_with_Annotation_col.txt"), AnnotationFormat::Raven);
    ASSERT_EQ(one.Count(), 1u);
    EXPECT_EQ(one.At(0)->Comment(), "CSWA");
    const AnnotationFile msd =
        ReadAs(Corpus("opensoundscape/MSD-0003_20180427_2minstart00.Table.1.selections.txt"), AnnotationFormat::Raven);
    EXPECT_EQ(msd.At(0)->Comment(), "WOTH");
    EXPECT_EQ(msd.At(0)->LeftSec(), 1.897648165999982);
    EXPECT_EQ(msd.At(9)->Comment(), "");
}

TEST(AnnotationCorpus, RavenThroughTavrilAndBackKeepsEveryBox)
{
    const fs::path table = Corpus("crowsetta/chronister2021-raven/Recording_1_Segment_07.Table.1.selections.txt");
    const fs::path wav = Corpus("crowsetta/chronister2021-raven/Recording_1_Segment_07-snippet.wav");
    NEED_CORPUS(table);
    ExchangeInfo info;
    AnnotationFile raven = ReadAs(table, AnnotationFormat::Raven, &info);
    ASSERT_EQ(raven.Count(), 279u);
    EXPECT_EQ(raven.At(0)->Comment(), "NOCA");
    EXPECT_EQ(raven.At(4)->RightSec(), 7.0579205589999985);
    if (fs::exists(wav)) {
        const double seconds = DurationSec(wav);
        ASSERT_GT(seconds, 0);
        for (size_t i = 0; i < 9; ++i) EXPECT_LE(raven.At(i)->RightSec(), seconds) << i;
        EXPECT_GT(raven.At(9)->RightSec(), seconds);
    }
    test::TempDir dir;
    std::string error;
    ASSERT_TRUE(raven.Save(dir.File("seg7.log"), false, false, CivilTime{}, &error)) << error;
    AnnotationFile tavril;
    ASSERT_EQ(tavril.Load(dir.File("seg7.log")), 279);
    ExpectSame(raven, tavril);
    ASSERT_TRUE(WriteAnnotationsFile(dir.File("back.txt"), AnnotationFormat::Raven, tavril, info, error)) << error;
    ExpectSame(raven, ReadAs(dir.File("back.txt"), AnnotationFormat::Raven));
}

TEST(AnnotationCorpus, AudacityThroughTavrilAndBackIsByteForByte)
{
    const fs::path labels = Corpus("scikit-maad/spinetail.txt");
    NEED_CORPUS(labels);
    AnnotationFile aud = ReadAs(labels, AnnotationFormat::Unknown);
    ASSERT_EQ(aud.Count(), 18u);
    EXPECT_EQ(aud.At(0)->Comment(), "SP");
    EXPECT_EQ(aud.At(0)->BottomHz(), 6441.064453);
    EXPECT_EQ(aud.At(0)->TopHz(), 12296.577148);
    const fs::path wav = Corpus("scikit-maad/spinetail.wav");
    if (fs::exists(wav)) {
        const double seconds = DurationSec(wav);
        for (const auto& r : aud.Records()) EXPECT_LE(r->RightSec(), seconds);
    }
    test::TempDir dir;
    std::string error;
    ASSERT_TRUE(aud.Save(dir.File("spinetail.log"), false, false, CivilTime{}, &error));
    AnnotationFile tavril;
    ASSERT_EQ(tavril.Load(dir.File("spinetail.log")), 18);
    const auto original = test::ReadAll(labels.string());
    EXPECT_EQ(WriteAudacityLabels(tavril), std::string(original.begin(), original.end()));

    for (const auto& e : fs::directory_iterator(Corpus("crowsetta/giraudon2022-canary-audacity"))) {
        const AnnotationFile canary = ReadAs(e.path(), AnnotationFormat::Audacity);
        AnnotationFile again;
        ExchangeInfo info;
        ASSERT_TRUE(ReadAudacityLabels(WriteAudacityLabels(canary), again, info, error));
        ExpectSame(canary, again);
    }
}

TEST(AnnotationCorpus, EveryTextGridReadsWithoutLoss)
{
    NEED_CORPUS(Corpus("crowsetta/textgrid-praatIO"));
    // Labelled intervals plus points, counted by hand in each file.
    const struct {
        const char* file;
        size_t records;
    } grids[] = {{"crowsetta/textgrid-parselmouth/the_north_wind_and_the_sun.utf8.TextGrid", 21},
                 {"crowsetta/textgrid-parselmouth/the_north_wind_and_the_sun.utf16.TextGrid", 21},
                 {"crowsetta/textgrid-parselmouth/the_north_wind_and_the_sun.short.utf16.TextGrid", 21},
                 {"crowsetta/textgrid-praatIO/mary.TextGrid", 22},
                 {"crowsetta/textgrid-praatIO/mary_longfile.TextGrid", 22},
                 {"crowsetta/textgrid-praatIO/all_tiers_have_the_same_name.TextGrid", 3},
                 {"crowsetta/textgrid-praatIO/bobby_phones_elan.TextGrid", 13},
                 {"crowsetta/tachibana-morita2021-textgrid/b06_concat_dtw.TextGrid", 12979}};
    for (const auto& g : grids) {
        const fs::path p = Corpus(g.file);
        if (!fs::exists(p)) continue;
        ExchangeInfo info;
        const AnnotationFile f = ReadAs(p, AnnotationFormat::Unknown, &info);
        EXPECT_EQ(f.Count(), g.records) << g.file;
        AnnotationFile back;
        ExchangeInfo backInfo;
        std::string error;
        ASSERT_TRUE(ReadTextGrid(WriteTextGrid(f, info.domainStartSec, info.domainEndSec), back, backInfo, error))
            << g.file << error;
        // Tiers may be split for overlaps, so compare as sets in time order.
        ASSERT_EQ(back.Count(), f.Count()) << g.file;
        EXPECT_EQ(backInfo.domainEndSec, info.domainEndSec) << g.file;
    }
    const AnnotationFile utf8 =
        ReadAs(Corpus("crowsetta/textgrid-parselmouth/the_north_wind_and_the_sun.utf8.TextGrid"), AnnotationFormat::TextGrid);
    ExpectSame(utf8, ReadAs(Corpus("crowsetta/textgrid-parselmouth/the_north_wind_and_the_sun.short.utf16.TextGrid"),
                            AnnotationFormat::TextGrid));
    ExpectSame(ReadAs(Corpus("crowsetta/textgrid-praatIO/mary.TextGrid"), AnnotationFormat::TextGrid),
               ReadAs(Corpus("crowsetta/textgrid-praatIO/mary_longfile.TextGrid"), AnnotationFormat::TextGrid));
}
