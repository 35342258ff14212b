// tavril-cli detect on real field recordings against the sounds people
// marked in them. Detector settings used (stated here, chosen for bird song
// above 1 kHz): lines of 512 frames ("fft size" 3), threshold 0.5, minimum
// event 20 ms, gaps up to 300 ms joined, minimum sound 100 ms, 100 ms of
// padding each side. A detection matches a marked sound when their time
// spans overlap. Skipped when ../shared/corpus is absent.

#include "CliTestUtil.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using tavril::test::CorpusDir;
using tavril::test::ReadText;
using tavril::test::RunCli;
using tavril::test::ScratchSettings;
using tavril::test::TempDir;

namespace {

using Span = std::pair<double, double>;

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> f;
    std::stringstream in(line);
    std::string x;
    while (std::getline(in, x, '\t')) f.push_back(x);
    return f;
}

// Spans of a tab-separated table: columns by number, or by header names.
std::vector<Span> Table(const std::string& text, size_t begin, size_t end, bool header, double before = 1e9)
{
    std::vector<Span> out;
    std::stringstream in(text);
    std::string line;
    if (header) std::getline(in, line);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto f = Fields(line);
        if (f.size() <= std::max(begin, end) || f[0] == "\\") continue;
        const Span s{std::stod(f[begin]), std::stod(f[end])};
        if (s.first < before) out.push_back(s);
    }
    return out;
}

struct Score {
    double recall, precision;
};

Score Compare(const std::vector<Span>& marked, const std::vector<Span>& found)
{
    auto overlaps = [](const Span& a, const std::vector<Span>& all) {
        for (const Span& b : all)
            if (a.first < b.second && b.first < a.second) return true;
        return false;
    };
    int hit = 0, good = 0;
    for (const Span& m : marked) hit += overlaps(m, found);
    for (const Span& d : found) good += overlaps(d, marked);
    return {double(hit) / double(marked.size()), found.empty() ? 0.0 : double(good) / double(found.size())};
}

TEST(CliDetectCorpus, FindsTheMarkedSounds)
{
    const auto corpus = CorpusDir();
    if (!corpus) GTEST_SKIP() << "corpus not present";
    const auto spinetail = *corpus / "scikit-maad/spinetail.wav";
    const auto chronister = *corpus / "crowsetta/chronister2021-raven/Recording_1_Segment_07-snippet.wav";
    if (!std::filesystem::exists(spinetail) || !std::filesystem::exists(chronister))
        GTEST_SKIP() << "corpus recordings missing";
    ScratchSettings scratch;
    TempDir dir;
    const std::string ini = dir.File("det.ini");
    std::ofstream(ini) << "[Sound Detector Details for file detector]\nbuffer before=100\nbuffer after=100\n"
                          "max trigger drop time=300\nmin trigger event duration=20\nmin sound duration=100\n"
                          "freq min=1000\nfreq max=-1\ntrigger thresh=0.5\nfft size=3\n";
    const auto r = RunCli({"detect", "--settings", ini, "--raven", dir.File("found.txt"), spinetail.string(),
                           chronister.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<Span> foundA, foundB;
    std::stringstream table(ReadText(dir.File("found.txt")));
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        const auto f = Fields(line);
        (f[3] == "spinetail.wav" ? foundA : foundB).push_back({std::stod(f[4]), std::stod(f[5])});
    }
    // Audacity labels (start, end, label) with frequency lines between them.
    const Score a = Compare(Table(ReadText((*corpus / "scikit-maad/spinetail.txt").string()), 0, 1, false), foundA);
    // The snippet is the first 10 s of the recording the table covers.
    const Score b = Compare(
        Table(ReadText((*corpus / "crowsetta/chronister2021-raven/Recording_1_Segment_07.Table.1.selections.txt")
                           .string()),
              3, 4, true, 10.0),
        foundB);
    std::printf("spinetail: recall %.2f precision %.2f; chronister snippet: recall %.2f precision %.2f\n", a.recall,
                a.precision, b.recall, b.precision);
    EXPECT_GE(a.recall, 0.8);
    EXPECT_GE(a.precision, 0.8);
    EXPECT_GE(b.recall, 0.8);
    EXPECT_GE(b.precision, 0.8);
}

} // namespace
