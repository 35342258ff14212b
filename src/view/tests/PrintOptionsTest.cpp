// Print set-up options in the settings file, the page arithmetic of printing,
// and the one-bit dithering used on monochrome paper.
#include "MonoDither.h"
#include "PrintOptions.h"
#include "SettingsStore.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace tavril;

TEST(PrintOptionsFile, KeysInOrderAndRoundTrip) {
    test::TempDir dir;
    const std::string file = dir.File("print.set");
    PrintOptions o;
    o.quality = 1;
    o.sizing = 1;
    o.lengthPerSecIn = 2.5f;
    o.orientation = 1;
    ASSERT_EQ(o.Save(file), 1);
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    const char* order[] = {"[Pre Print Dialog Details]", "Print Quality=", "Print Selection=", "Print Sizing=",
                           "Print Filenames=", "Window print enlargement=", "Window print height method=",
                           "Window print height (in/kHz)=", "Window print height=", "Window print length=",
                           "Top page margin=", "Bottom page margin=", "Left page margin=", "Right page margin=",
                           "Page orientation="};
    size_t at = 0;
    for (const char* key : order) {
        const size_t found = text.str().find(key, at);
        ASSERT_NE(found, std::string::npos) << key;
        at = found + 1;
    }
    PrintOptions back;
    back.Load(file);
    EXPECT_EQ(back.quality, 1);
    EXPECT_EQ(back.sizing, 1);
    EXPECT_FLOAT_EQ(back.lengthPerSecIn, 2.5f);
    EXPECT_EQ(back.orientation, 1);
    // Defaults of the set-up dialog for a file without the section.
    PrintOptions fresh;
    fresh.Load(dir.File("missing.set"));
    EXPECT_EQ(fresh.heightMethod, 1);
    EXPECT_FLOAT_EQ(fresh.totalHeightIn, 1.0f);
    EXPECT_FLOAT_EQ(fresh.enlargementPercent, 100.0f);
}

TEST(PrintPage, FitToPageKeepsAspect) {
    // A4 at 600 dpi: 4960 x 7016 pixels; margins 0.25 top, 0.25 right, 0.1 left, 0 bottom.
    PrintOptions o;
    PageRect a4 = PrintableArea(4960, 7016, 600, 600, o);
    EXPECT_NEAR(a4.x, 60.0, 1e-3);
    EXPECT_NEAR(a4.y, 150.0, 1e-3);
    EXPECT_NEAR(a4.width, 4960 - 60 - 150, 1e-3);
    EXPECT_NEAR(a4.height, 7016 - 150, 1e-3);
    // An 800 x 300 window: the width limits, 4750 / 800.
    PrintScale s = FitToPage(a4, 800, 300, 96, 96, 600, 600);
    EXPECT_NEAR(s.x, 4750.0 / 800.0, 1e-6);
    EXPECT_DOUBLE_EQ(s.y, s.x);
    // A tall window on Letter (5100 x 6600 at 600 dpi): the height limits.
    PageRect letter = PrintableArea(5100, 6600, 600, 600, o);
    s = FitToPage(letter, 200, 1000, 96, 96, 600, 600);
    EXPECT_NEAR(s.x, 6450.0 / 1000.0, 1e-6);
    // A device with twice the vertical resolution keeps the on-screen proportion.
    s = FitToPage(a4, 800, 300, 96, 96, 600, 1200);
    EXPECT_DOUBLE_EQ(s.y, 2.0 * s.x);
}

TEST(PrintPage, FixedScaleSizes) {
    PrintOptions o;
    o.lengthPerSecIn = 1.0f;
    o.heightMethod = 0;
    o.heightPerKHzIn = 1.0f;
    // 2.5 s over 11.025 kHz at 300 dpi: 750 x 3307.5 pixels.
    PlotSize p = FixedScalePlot(2.5, 11.025, 1, 300, 300, o);
    EXPECT_DOUBLE_EQ(p.width, 750.0);
    EXPECT_DOUBLE_EQ(p.height, 3307.5);
    // Total height shared by two panes, everything enlarged by half.
    o.heightMethod = 1;
    o.totalHeightIn = 2.0f;
    o.enlargementPercent = 150.0f;
    p = FixedScalePlot(2.0, 5.0, 2, 300, 300, o);
    EXPECT_DOUBLE_EQ(p.width, 900.0);
    EXPECT_DOUBLE_EQ(p.height, 450.0);
}

TEST(MonoDither, GeneratorFollowsItsRecurrence) {
    std::array<uint32_t, 250> t{};
    for (uint32_t i = 0; i < 250; ++i)
        t[i] = i;
    R250 r(t);
    // Indices move to 1 and 148 first: 1 ^ 148; then 2 ^ 149; then 3 ^ 150.
    EXPECT_EQ(r.Next(), 1u ^ 148u);
    EXPECT_EQ(r.Next(), 2u ^ 149u);
    EXPECT_EQ(r.Next(), 3u ^ 150u);
    // After 102 more calls the second index wraps to 0 and meets the changed entries.
    for (int k = 0; k < 99; ++k)
        r.Next();
    // Call 103: indices 103 and 0 (wrapped from 249).
    EXPECT_EQ(r.Next(), 103u ^ 0u);
    // Call 104: indices 104 and 1, where entry 1 was changed to 1 ^ 148.
    EXPECT_EQ(r.Next(), 104u ^ (1u ^ 148u));
}

TEST(MonoDither, DarknessIsKeptOnAverage) {
    const int w = 200, h = 200;
    // White fraction for grey g: P(trunc(r*255/32767) <= g) over r in 0..32767.
    auto expected = [](int g) {
        int count = 0;
        for (int r = 0; r < 32768; ++r)
            count += (r * 255 / 32767) <= g;
        return count / 32768.0;
    };
    R250 random;
    for (int g : {0, 64, 128, 255}) {
        std::vector<uint32_t> rgb(w * h, static_cast<uint32_t>(g * 0x010101));
        std::vector<uint8_t> bits(((w + 31) / 32) * 4 * h, 0xAA);
        DitherToMono(rgb.data(), w, h, w, bits.data(), (w + 31) / 32 * 4, random);
        int white = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                white += !(bits[y * ((w + 31) / 32 * 4) + x / 8] & (0x80 >> (x % 8)));
        EXPECT_NEAR(white / double(w * h), expected(g), 0.01) << g;
    }
    // A coloured pixel counts as black-ish grey 0: nearly all black.
    std::vector<uint32_t> red(w * h, 0xFF0000u);
    std::vector<uint8_t> bits(((w + 31) / 32) * 4 * h, 0);
    DitherToMono(red.data(), w, h, w, bits.data(), (w + 31) / 32 * 4, random);
    int black = 0;
    for (uint8_t b : bits)
        black += __builtin_popcount(b);
    EXPECT_GT(black, w * h * 99 / 100);
}
