#include "AnnotationExchange.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace tavril;

namespace {

AnnotationFile Read(bool (*reader)(const std::string&, AnnotationFile&, ExchangeInfo&, std::string&),
                    const std::string& bytes, ExchangeInfo* infoOut = nullptr)
{
    AnnotationFile f;
    ExchangeInfo info;
    std::string error;
    EXPECT_TRUE(reader(bytes, f, info, error)) << error;
    if (infoOut) *infoOut = info;
    return f;
}

std::string Extra(const AnnotationRecord& r, const std::string& name)
{
    const AnnotationField* f = r.FindField(name);
    return f ? f->Text() : "<none>";
}

} // namespace

TEST(RavenTable, ReadsLenientlyAndWritesStrictly)
{
    // Two views of selection 0, trailing TABs, CRLF, a ragged row, labels in
    // "species" that must stay text.
    const std::string table =
        "Selection\tView\tChannel\tBegin Time (s)\tEnd Time (s)\tLow Freq (Hz)\tHigh Freq (Hz)\tDelta Time (s)"
        "\tspecies\tNotes\t\r\n"
        "0\tWaveform 1\t1\t1.5\t2.25\t0\t0\t0.75\tNA\tw\t\r\n"
        "0\tSpectrogram 1\t1\t1.5\t2.25\t2000.5\t8000\t0.75\tNA\ts\t\r\n"
        "7\tSpectrogram 1\t2\t0.17809591100000002\t3\t100\t200\r\n";
    ExchangeInfo info;
    const AnnotationFile f = Read(ReadRavenTable, table, &info);
    ASSERT_EQ(f.Count(), 2u);
    EXPECT_EQ(info.labelColumn, "species");
    const AnnotationRecord& a = *f.At(0);
    EXPECT_EQ(a.LeftSec(), 1.5);
    EXPECT_EQ(a.BottomHz(), 2000.5);
    EXPECT_EQ(a.TopHz(), 8000.0);
    EXPECT_EQ(a.Comment(), "NA");
    EXPECT_EQ(Extra(a, "Notes"), "s");
    EXPECT_EQ(Extra(a, "Delta Time (s)"), "0.75");
    EXPECT_EQ(f.At(1)->Channel(), 2);
    EXPECT_EQ(f.At(1)->LeftSec(), 0.17809591100000002);
    EXPECT_EQ(Extra(*f.At(1), "Notes"), "");

    EXPECT_EQ(WriteRavenTable(f, info.labelColumn),
              "Selection\tView\tChannel\tBegin Time (s)\tEnd Time (s)\tLow Freq (Hz)\tHigh Freq (Hz)\tspecies"
              "\tDelta Time (s)\tNotes\n"
              "1\tSpectrogram 1\t1\t1.500000\t2.250000\t2000.5\t8000.0\tNA\t0.75\ts\n"
              "2\tSpectrogram 1\t2\t0.17809591100000002\t3.000000\t100.0\t200.0\t\t\t\n");

    AnnotationFile empty;
    std::string error;
    EXPECT_TRUE(ReadRavenTable("Selection\tView\tChannel\tBegin Time (s)\tEnd Time (s)", empty, info, error));
    EXPECT_EQ(empty.Count(), 0u);
    EXPECT_FALSE(ReadRavenTable("start\tend\n1\t2\n", empty, info, error));
}

TEST(RavenTable, MergingRenumbersAndKeepsTheRecording)
{
    test::TempDir dir;
    const std::string head = "Selection\tView\tChannel\tBegin Time (s)\tEnd Time (s)\tLow Freq (Hz)\tHigh Freq (Hz)"
                             "\tAnnotation\n";
    test::WriteAll(dir.File("dawn.Table.1.selections.txt"),
                   [&] {
                       const std::string t = head + "4\tSpectrogram 1\t1\t1\t2\t10\t20\tA\n";
                       return std::vector<unsigned char>(t.begin(), t.end());
                   }());
    test::WriteAll(dir.File("dusk.txt"), [&] {
        const std::string t = head.substr(0, head.size() - 1) + "\tBegin File\n1\tSpectrogram 1\t1\t3\t4\t10\t20\tB\t"
                                                                "dusk 2.wav\n";
        return std::vector<unsigned char>(t.begin(), t.end());
    }());
    AnnotationFile merged;
    ExchangeInfo info;
    std::string error;
    ASSERT_TRUE(MergeRavenTables({dir.File("dawn.Table.1.selections.txt"), dir.File("dusk.txt")}, merged, info,
                                 error))
        << error;
    EXPECT_EQ(WriteRavenTable(merged, info.labelColumn),
              head.substr(0, head.size() - 1) +
                  "\tBegin File\n"
                  "1\tSpectrogram 1\t1\t1.000000\t2.000000\t10.0\t20.0\tA\tdawn\n"
                  "2\tSpectrogram 1\t1\t3.000000\t4.000000\t10.0\t20.0\tB\tdusk 2.wav\n");
}

TEST(AudacityLabels, FrequencyLinesLegacyFormsAndEmptyLabels)
{
    const std::string labels = "0.5\t1.25\tSP\n"
                               "\\\t-1\t8000\n"
                               "2,5\t3\t\r\n"
                               "4\tpoint label\n"
                               "5\t6\t1\t0.93\n";
    const AnnotationFile f = Read(ReadAudacityLabels, labels);
    ASSERT_EQ(f.Count(), 4u);
    EXPECT_EQ(f.At(0)->BottomHz(), -1.0);
    EXPECT_EQ(f.At(0)->TopHz(), 8000.0);
    EXPECT_EQ(f.At(1)->LeftSec(), 2.5);
    EXPECT_EQ(f.At(1)->Comment(), "");
    EXPECT_EQ(f.At(2)->RightSec(), 4.0);
    EXPECT_EQ(f.At(2)->Comment(), "point label");
    EXPECT_EQ(f.At(3)->Comment(), "1");
    EXPECT_EQ(Extra(*f.At(3), "field 4"), "0.93");
    EXPECT_EQ(WriteAudacityLabels(f), "0.500000\t1.250000\tSP\n"
                                      "\\\t-1.000000\t8000.000000\n"
                                      "2.500000\t3.000000\t\n"
                                      "4.000000\t4.000000\tpoint label\n"
                                      "5.000000\t6.000000\t1\n");
}

TEST(TextGrid, ShortFormatQuotesLineBreaksAndUtf16)
{
    const std::string grid = "File type = \"ooTextFile short\"\n\"TextGrid\"\n\n0\n2.5\n<exists>\n2\n"
                             "\"IntervalTier\"\n\"calls\"\n0\n2.5\n3\n0\n1\n\"\"\n1\n1.5\n\"say \"\"hi\"\"\nthere\"\n"
                             "1.5\n2.5\n\"\"\n"
                             "\"TextTier\"\n\"peaks\"\n0\n2.5\n1\n5e-05\n\"p\"\n";
    ExchangeInfo info;
    const AnnotationFile f = Read(ReadTextGrid, grid, &info);
    ASSERT_EQ(f.Count(), 2u);
    EXPECT_EQ(f.At(0)->Comment(), "say \"hi\" there");
    EXPECT_EQ(Extra(*f.At(0), "tier"), "calls");
    EXPECT_EQ(f.At(1)->LeftSec(), 5e-05);
    EXPECT_EQ(Extra(*f.At(1), "tier"), "peaks");
    EXPECT_EQ(info.domainEndSec, 2.5);

    // The same grid as UTF-16 little-endian with a BOM.
    std::string utf16 = "\xFF\xFE";
    for (char c : grid) {
        utf16 += c;
        utf16 += '\0';
    }
    EXPECT_EQ(Read(ReadTextGrid, utf16).Count(), 2u);
}

TEST(TextGrid, WritingFillsGapsAndSeparatesOverlaps)
{
    AnnotationFile f;
    AnnotationRecord a(0.5, 1.0, 0, 0, 1, "", "a", "");
    AnnotationRecord b(0.75, 1.25, 0, 0, 1, "", "b \"q\"", "");
    AnnotationRecord c(1.25, 2.0, 0, 0, 1, "", "c", "");
    f.AddRecord(a);
    f.AddRecord(b);
    f.AddRecord(c);
    const std::string out = WriteTextGrid(f, 0, 3);
    // b overlaps a, so it opens a second tier; c fits after a on the first.
    const std::string expected =
        "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n"
        "xmin = 0 \nxmax = 3 \ntiers? <exists> \nsize = 2 \nitem []: \n"
        "    item [1]:\n        class = \"IntervalTier\" \n        name = \"channel 1\" \n"
        "        xmin = 0 \n        xmax = 3 \n        intervals: size = 5 \n"
        "        intervals [1]:\n            xmin = 0 \n            xmax = 0.5 \n            text = \"\" \n"
        "        intervals [2]:\n            xmin = 0.5 \n            xmax = 1 \n            text = \"a\" \n"
        "        intervals [3]:\n            xmin = 1 \n            xmax = 1.25 \n            text = \"\" \n"
        "        intervals [4]:\n            xmin = 1.25 \n            xmax = 2 \n            text = \"c\" \n"
        "        intervals [5]:\n            xmin = 2 \n            xmax = 3 \n            text = \"\" \n"
        "    item [2]:\n        class = \"IntervalTier\" \n        name = \"channel 1\" \n"
        "        xmin = 0 \n        xmax = 3 \n        intervals: size = 3 \n"
        "        intervals [1]:\n            xmin = 0 \n            xmax = 0.75 \n            text = \"\" \n"
        "        intervals [2]:\n            xmin = 0.75 \n            xmax = 1.25 \n            text = \"b \"\"q\"\"\" \n"
        "        intervals [3]:\n            xmin = 1.25 \n            xmax = 3 \n            text = \"\" \n";
    EXPECT_EQ(out, expected);
    const AnnotationFile back = Read(ReadTextGrid, out);
    ASSERT_EQ(back.Count(), 3u);
    EXPECT_EQ(back.At(2)->Comment(), "b \"q\"");
}

TEST(RavenTable, AliasesBeginFileAndViewOrder)
{
    // The spectrogram row comes second here and still wins; Rraven's
    // spelling of the frequency columns is accepted.
    const std::string table = "Selection\tView\tChannel\tBegin Time (s)\tEnd Time (s)\tLow Frequency (Hz)"
                              "\tHigh Frequency (Hz)\tBegin File\tAnnotation\n"
                              "2\tWaveform 1\t1\t1\t2\t0\t0\tdawn.wav\tx\n"
                              "2\tSpectrogram 1\t1\t1\t2\t300\t900\tdawn.wav\tx\n";
    const AnnotationFile f = Read(ReadRavenTable, table);
    ASSERT_EQ(f.Count(), 1u);
    EXPECT_EQ(f.At(0)->BottomHz(), 300.0);
    EXPECT_EQ(f.At(0)->TopHz(), 900.0);
    EXPECT_EQ(f.At(0)->SoundFile(), "dawn.wav");
    EXPECT_TRUE(f.At(0)->ExtraFields().empty());
}

TEST(AudacityLabels, OldMacLineEndsAndFrequencyLinesOnlyWhereGiven)
{
    const AnnotationFile f = Read(ReadAudacityLabels, "1\t2\ta\r\\\t100\t200\r3\t4\tb\r");
    ASSERT_EQ(f.Count(), 2u);
    EXPECT_EQ(f.At(0)->TopHz(), 200.0);
    EXPECT_EQ(WriteAudacityLabels(f), "1.000000\t2.000000\ta\n\\\t100.000000\t200.000000\n3.000000\t4.000000\tb\n");
}

TEST(TextGrid, DamagedGridsAreRefusedWithoutHanging)
{
    AnnotationFile f;
    ExchangeInfo info;
    std::string error;
    const std::string head = "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n0\n1\n<exists>\n";
    EXPECT_FALSE(ReadTextGrid(head + "1\n\"IntervalTier\"\n\"t\"\n0\n1\n999999999999\n0\n1\n\"a\"\n", f, info, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(ReadTextGrid("just text", f, info, error));
    EXPECT_TRUE(ReadTextGrid("File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n0\n1\n<absent>\n", f, info, error));
    EXPECT_EQ(f.Count(), 0u);
}

TEST(TextGrid, PointsGoToTextTiers)
{
    AnnotationFile f;
    AnnotationRecord p(0.25, 0.25, 0, 0, 1, "", "peak", "");
    p.SetFieldText("tier", "peaks");
    f.AddRecord(p);
    const AnnotationFile back = Read(ReadTextGrid, WriteTextGrid(f, 0, 1));
    ASSERT_EQ(back.Count(), 1u);
    EXPECT_EQ(back.At(0)->LeftSec(), 0.25);
    EXPECT_EQ(back.At(0)->RightSec(), 0.25);
    EXPECT_EQ(Extra(*back.At(0), "tier"), "peaks");
    EXPECT_NE(WriteTextGrid(f, 0, 1).find("class = \"TextTier\""), std::string::npos);
}
