// tavril-cli annotations: the actions reach the annotation library with the
// formats and files the user named.

#include "CliTestUtil.h"
#include "TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>

using tavril::test::ReadText;
using tavril::test::RunCli;
using tavril::test::TempDir;

namespace {

const std::string kHead = "Selection\tView\tChannel\tBegin Time (s)\tEnd Time (s)\tLow Freq (Hz)\tHigh Freq (Hz)";

std::string Put(const TempDir& dir, const std::string& name, const std::string& text)
{
    std::ofstream(dir.File(name), std::ios::binary) << text;
    return dir.File(name);
}

} // namespace

TEST(CliAnnotations, ConvertListAndMerge)
{
    TempDir dir;
    const std::string raven =
        Put(dir, "dawn.Table.1.selections.txt", kHead + "\tSpecies\n1\tSpectrogram 1\t1\t0.5\t1.25\t2000\t8000\tWOTH\n");
    auto r = RunCli({"annotations", "convert", raven, dir.File("dawn.txt"), "--to", "audacity"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadText(dir.File("dawn.txt")), "0.500000\t1.250000\tWOTH\n\\\t2000.000000\t8000.000000\n");

    // The output's name picks the format when --to is not given.
    r = RunCli({"annotations", "convert", dir.File("dawn.txt"), dir.File("dawn.TextGrid")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(ReadText(dir.File("dawn.TextGrid")).find("text = \"WOTH\""), std::string::npos);

    r = RunCli({"annotations", "list", raven});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "0.500000\t1.250000\t2000.0\t8000.0\t1\tWOTH\n");
    r = RunCli({"annotations", "list", "--json", raven});
    EXPECT_EQ(r.out, "[\n  {\"begin_s\": 0.5, \"end_s\": 1.25, \"low_hz\": 2000, \"high_hz\": 8000, \"channel\": 1, "
                     "\"label\": \"WOTH\", \"sound_file\": \"\", \"fields\": {}}\n]\n");

    const std::string dusk = Put(dir, "dusk.Table.1.selections.txt",
                                 kHead + "\tSpecies\n3\tSpectrogram 1\t1\t2\t3\t100\t200\tEATO\n");
    r = RunCli({"annotations", "merge", dir.File("all.selections.txt"), raven, dusk});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadText(dir.File("all.selections.txt")),
              kHead + "\tSpecies\tBegin File\n"
                      "1\tSpectrogram 1\t1\t0.500000\t1.250000\t2000.0\t8000.0\tWOTH\tdawn\n"
                      "2\tSpectrogram 1\t1\t2.000000\t3.000000\t100.0\t200.0\tEATO\tdusk\n");
}

TEST(CliAnnotations, MistakesAreRefusedWithoutWriting)
{
    TempDir dir;
    const std::string raven = Put(dir, "a.selections.txt", kHead + "\n1\tSpectrogram 1\t1\t0\t1\t0\t0\n");
    const struct {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"annotations"}, 2},
        {{"annotations", "convert", raven, dir.File("out.xyz")}, 2},
        {{"annotations", "convert", raven, dir.File("out.txt"), "--to", "excel"}, 2},
        {{"annotations", "convert", dir.File("missing.txt"), dir.File("out.log")}, 1},
        {{"annotations", "merge", raven, raven}, 2},
        {{"annotations", "list", dir.File("missing.txt")}, 1},
    };
    for (const auto& c : cases) {
        const auto r = RunCli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.back();
        EXPECT_FALSE(r.err.empty()) << c.args.back();
    }
    EXPECT_FALSE(std::ifstream(dir.File("out.log")).good());
    EXPECT_EQ(ReadText(raven), kHead + "\n1\tSpectrogram 1\t1\t0\t1\t0\t0\n");
}

TEST(CliAnnotations, TheSoundGivesTheGridItsLengthAndTheBoxesTheirFile)
{
    TempDir dir;
    const std::string labels = Put(dir, "l.txt", "0.5\t1\tcall\n");
    const std::string wav = tavril::test::WriteWav(dir.File("rec.wav"), 8000, 1, std::vector<int16_t>(24000, 0));
    auto r = RunCli({"annotations", "convert", labels, dir.File("l.TextGrid"), "--sound", wav});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string grid = ReadText(dir.File("l.TextGrid"));
    EXPECT_NE(grid.find("xmax = 3 \ntiers?"), std::string::npos) << grid;
    r = RunCli({"annotations", "convert", labels, dir.File("l.selections.txt"), "--sound", wav});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(ReadText(dir.File("l.selections.txt")).find("\tcall\trec.wav\n"), std::string::npos);
    r = RunCli({"annotations", "convert", labels, dir.File("x.log"), "--sound", dir.File("missing.wav")});
    EXPECT_EQ(r.status, 1);
}
