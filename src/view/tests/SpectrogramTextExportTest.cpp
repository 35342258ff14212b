#include "SpectrogramTextExport.h"

#include "Fft.h"
#include "SpectralFrameStore.h"
#include "ViewTestUtil.h"
#include "WindowDisplaySettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

using namespace tavril;

namespace {

// One row as the export writes it: opened by "\n", `n` equal cells.
std::string Row(const std::string& cell, int n = 32)
{
    std::string s = "\n";
    for (int i = 0; i < n; ++i) s += cell;
    return s;
}

// The rows after the heading line; each is opened by its own "\n".
std::vector<std::string> DataRows(const std::string& text)
{
    std::istringstream in(text.substr(text.find('\n', text.find("FFT data (cols")) + 1));
    std::vector<std::string> rows;
    for (std::string row; std::getline(in, row);)
        if (!row.empty()) rows.push_back(row);
    return rows;
}

} // namespace

TEST(SpectrogramTextExportTest, SmallSoundByteForByte)
{
    // 8000 Hz, 32 lines (64-sample frames) every 10 ms (80 samples). Each
    // frame holds one click on its first sample, where the Blackman window is
    // 1e-5, so every line's magnitude is |click| * 1e-5; frame 2 is silent.
    test::TempDir dir;
    std::vector<int16_t> s(320, 0);
    s[0] = 10000;
    s[80] = -27000;
    s[240] = 32000;
    const std::string sound = test::WriteMono(dir.File("clicks.wav"), s, 8000.0);
    const std::string out = dir.File("clicks.txt");
    SpectrogramTextRequest r;
    r.bins = 32;
    r.periodMs = 10.0;
    std::string error;
    ASSERT_EQ(ExportSpectrogramText(sound, r, out, &error), 1) << error;
    std::string expected = "soundfile name\t";
    expected.append(sound);
    expected.append("\nnum samples\t320\n"
                    "num FFTs\t4\n"
                    "frequency range (Hz)\t4000\n"
                    "FFT period (ms)\t10.000\n"
                    "num frequency bins\t32\n"
                    "\nFFT data (cols = frequency bins from 0 to 4000Hz\n");
    const std::string rows = Row("0.10\t") + Row("0.27\t") + Row("0.00\t") + Row("0.32\t");
    expected.append(rows);
    EXPECT_EQ(test::ReadText(out), expected);

    // Without the header only the rows remain, still opened by "\n".
    r.withHeader = false;
    ASSERT_EQ(ExportSpectrogramText(sound, r, out), 1);
    EXPECT_EQ(test::ReadText(out), rows);
}

TEST(SpectrogramTextExportTest, StoreAndStreamingPathsWriteTheSameBytes)
{
    test::TempDir dir;
    std::vector<int16_t> s(22050);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<int16_t>(7000 * std::sin(0.0001 * double(i) * i) + ((i * 7919) % 201) - 100);
    const std::string sound = test::WriteMono(dir.File("sweep.wav"), s, 22050.0);
    for (bool range : {false, true}) {
        SpectralFrameStore store;
        ASSERT_EQ(store.Analyse(sound, 128, 7.5f, 1, 0, -1, 0), 1);
        ASSERT_EQ(WriteSpectrogramText(store, dir.File("a.txt"), true, range, 1000, 6000), 1);
        SpectrogramTextRequest r;
        r.bins = 128;
        r.periodMs = 7.5;
        r.withRange = range;
        r.lowHz = 1000;
        r.highHz = 6000;
        ASSERT_EQ(ExportSpectrogramText(sound, r, dir.File("b.txt")), 1);
        EXPECT_EQ(test::ReadText(dir.File("a.txt")), test::ReadText(dir.File("b.txt")));
        EXPECT_EQ(DataRows(test::ReadText(dir.File("a.txt"))).size(), 133u);  // trunc(1000 / 7.5)
    }
}

TEST(SpectrogramTextExportTest, RangeSelectsLinesAndCountsThem)
{
    test::TempDir dir;
    std::vector<int16_t> s(4410);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>(5000 * std::sin(0.3 * i));
    const std::string sound = test::WriteMono(dir.File("r.wav"), s, 22050.0);
    SpectrogramTextRequest r;
    r.bins = 256;
    r.withRange = true;
    r.lowHz = 1000;
    r.highHz = 2000;
    ASSERT_EQ(ExportSpectrogramText(sound, r, dir.File("r.txt")), 1);
    const std::string text = test::ReadText(dir.File("r.txt"));
    EXPECT_NE(text.find("num frequency bins\t24\nstartbin frequency\t1000\nendbin frequency\t2000\n"
                        "\nFFT data (cols = frequency bins from 1000 to 2000)\n"),
              std::string::npos);
    const auto rows = DataRows(text);
    ASSERT_EQ(rows.size(), 20u);
    for (const auto& row : rows) EXPECT_EQ(std::count(row.begin(), row.end(), '\t'), 24);

    // Lines 23 ... 46 are the ones written: compare with the full export.
    r.withRange = false;
    ASSERT_EQ(ExportSpectrogramText(sound, r, dir.File("full.txt")), 1);
    const auto full = DataRows(test::ReadText(dir.File("full.txt")));
    const auto cellStart = [&](int k) {
        size_t p = 0;
        for (int i = 0; i < k; ++i) p = full[3].find('\t', p) + 1;
        return p;
    };
    EXPECT_EQ(rows[3], full[3].substr(cellStart(23), cellStart(47) - cellStart(23)));
}

TEST(SpectrogramTextExportTest, ElevenKilohertzHeadingAndShortSounds)
{
    test::TempDir dir;
    const std::string sound = test::WriteMono(dir.File("e.wav"), std::vector<int16_t>(2205, 100), 11025.0);
    SpectrogramTextRequest r;
    r.bins = 256;
    r.periodMs = 50.0;
    ASSERT_EQ(ExportSpectrogramText(sound, r, dir.File("e.txt")), 1);
    const std::string text = test::ReadText(dir.File("e.txt"));
    EXPECT_NE(text.find("frequency range (Hz)\t5512\n"), std::string::npos);  // 5512.5 printed with %1.0f
    EXPECT_NE(text.find("\nFFT data (cols = frequency bins from 0 to 5512Hz\n"), std::string::npos);
    const auto rows = DataRows(text);
    ASSERT_EQ(rows.size(), 4u);
    for (const auto& row : rows) EXPECT_EQ(std::count(row.begin(), row.end(), '\t'), 256);

    // Shorter than one period: no spectra.
    const std::string tiny = test::WriteMono(dir.File("tiny.wav"), std::vector<int16_t>(50, 3), 11025.0);
    ASSERT_EQ(ExportSpectrogramText(tiny, r, dir.File("t.txt")), 1);
    const std::string t = test::ReadText(dir.File("t.txt"));
    EXPECT_NE(t.find("num FFTs\t0\n"), std::string::npos);
    EXPECT_EQ(t.back(), '\n');  // ends with the heading line: no data rows
    EXPECT_TRUE(DataRows(t).empty());
}

TEST(SpectrogramTextExportTest, FailuresLeaveExistingFilesAlone)
{
    test::TempDir dir;
    const std::string sound = test::WriteMono(dir.File("f.wav"), std::vector<int16_t>(8000, 100), 8000.0);
    const std::string out = dir.File("keep.txt");
    test::WriteAll(out, {'o', 'l', 'd'});
    SpectrogramTextRequest r;
    std::string error;
    EXPECT_EQ(ExportSpectrogramText(dir.File("missing.wav"), r, out, &error), 0);
    EXPECT_FALSE(error.empty());
    r.periodMs = 0.0;
    EXPECT_EQ(ExportSpectrogramText(sound, r, out, &error), 0);
    r.periodMs = 10.0;
    r.bins = 300;
    EXPECT_EQ(ExportSpectrogramText(sound, r, out, &error), 0);
    EXPECT_EQ(test::ReadText(out), "old");
    r.bins = 256;
    EXPECT_EQ(ExportSpectrogramText(sound, r, dir.File("no/such/dir/x.txt"), &error), 0);
    EXPECT_NE(error.find("cannot create"), std::string::npos);
    // Success replaces the old file; no temporary files stay behind.
    EXPECT_EQ(ExportSpectrogramText(sound, r, out), 1);
    EXPECT_NE(test::ReadText(out), "old");
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file();
    EXPECT_EQ(files, 2);
    EXPECT_EQ(SpectrogramTextPath("/data/a.wav"), "/data/a.wav.txt");
}

TEST(SpectrogramTextExportTest, FixedTwoDecimalsMatchPrintfIncludingTies)
{
    // The rows are formatted without printf; they must agree with %1.2f.
    std::vector<double> values = {0.0, 0.005, 0.015, 0.125, 0.375, 2.675, 1.005, 1e-8, 99999.995, 1234567.125};
    for (int i = 0; i < 20000; ++i) values.push_back(static_cast<float>(i * 0.37 + i * i * 0.0013));
    for (double v : values) {
        char a[64], b[64];
        std::snprintf(a, sizeof a, "%1.2f", v);
        const auto r = std::to_chars(b, b + sizeof b, v, std::chars_format::fixed, 2);
        ASSERT_EQ(std::string(a), std::string(b, r.ptr)) << v;
    }
}

TEST(SpectrogramTextExportTest, SettingsPeriodRulesAndPersistence)
{
    test::ConfigHome home;
    ExportSpectrogramSettings e;
    WindowDisplaySettings w;
    EXPECT_EQ(e.Bins(3), 256);
    EXPECT_EQ(e.Bins(1), 64);  // the window's size unless told otherwise
    e.m_specifyFftSize = 1;
    e.m_fftSizeIndex = 5;
    EXPECT_EQ(e.Bins(1), 1024);

    // 0: the window's time scale, stretch or fixed.
    EXPECT_DOUBLE_EQ(e.PeriodMs(22050.0, 256, w, 441.0), 20.0);
    w.m_stretchOrAbsolute = 1;
    w.m_msecPerLine = 3.5f;
    EXPECT_DOUBLE_EQ(e.PeriodMs(22050.0, 256, w, 441.0), 3.5);
    e.m_fftSpacingSelection = 1;
    e.m_fftSpaceTime = 12.0f;
    EXPECT_DOUBLE_EQ(e.PeriodMs(22050.0, 256, w, 441.0), 12.0);
    e.m_fftSpacingSelection = 2;
    e.m_fftSpaceSample = 441;
    EXPECT_DOUBLE_EQ(e.PeriodMs(22050.0, 256, w, 441.0), 20.0);
    e.m_fftSpacingSelection = 3;
    e.m_fftSpacePercentOverlap = 100.0f;  // advances by 256 samples: half a frame
    EXPECT_DOUBLE_EQ(e.PeriodMs(22050.0, 256, w, 0), 256 * 1000.0 / 22050.0);
    e.m_fftSpacePercentOverlap = 0.0f;  // taken as 1 %
    EXPECT_DOUBLE_EQ(e.PeriodMs(22050.0, 256, w, 0), 256 * 1000.0 / 22050.0 / 100.0);

    e.m_maxFrequency = 8000;
    e.m_includeInfoHeader = false;
    e.m_selectFrequencyBinRange = 1;
    ASSERT_EQ(e.Save(home.File("a.set")), 1);
    ExportSpectrogramSettings f;
    f.Load(home.File("a.set"));
    EXPECT_EQ(f.m_maxFrequency, 8000);
    EXPECT_FALSE(f.m_includeInfoHeader);
    EXPECT_EQ(f.m_selectFrequencyBinRange, 1);
    EXPECT_EQ(f.m_fftSpacingSelection, 3);
    EXPECT_EQ(f.m_fftSizeIndex, 5);
    EXPECT_EQ(f.m_specifyFftSize, 1);
    EXPECT_EQ(f.m_fftSpaceSample, 441);
    EXPECT_FLOAT_EQ(f.m_fftSpaceTime, 12.0f);
}
