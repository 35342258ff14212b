#include "SpectrogramPicture.h"

#include "SpectrumColumn.h"
#include "ViewTestUtil.h"
#include "WindowDisplaySettings.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <vector>

using namespace tavril;

namespace {

// Decodes a PNG into 0x00RRGGBB pixels with libpng's simplified API.
bool ReadPng(const std::string& path, int& width, int& height, std::vector<uint32_t>& pixels)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> buf(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, buf.data(), 0, nullptr)) return false;
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    pixels.resize(size_t(width) * height);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = (uint32_t(buf[3 * i]) << 16) | (uint32_t(buf[3 * i + 1]) << 8) | buf[3 * i + 2];
    return true;
}

} // namespace

TEST(SpectrogramPictureTest, ToneDrawsAHorizontalLineAtItsFrequency)
{
    test::TempDir dir;
    std::vector<int16_t> s(22050);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>(12000 * std::sin(2 * M_PI * 5512.5 * i / 22050));
    const std::string path = test::WriteMono(dir.File("tone.wav"), s);
    CSoundFile sound;
    ASSERT_EQ(sound.Open(path), 1);
    WindowDisplaySettings settings;
    std::vector<uint32_t> pixels;
    const int width = 200, height = 257;
    ASSERT_EQ(RenderSpectrogramPicture(sound, settings, 0, width, height, pixels), 198);
    // 5512.5 Hz is line 128 of 256: position 127 from the top, row ~128.
    const int x = 100;
    EXPECT_EQ(pixels[size_t(128) * width + x], 0x030303u);
    EXPECT_EQ(pixels[size_t(20) * width + x], kWhite);
    EXPECT_EQ(pixels[size_t(240) * width + x], kWhite);
    // Columns past the last whole frame stay white.
    for (int y = 0; y < height; ++y) ASSERT_EQ(pixels[size_t(y) * width + 199], kWhite);

    // White-on-black flips the background.
    settings.m_whiteOnBlack = true;
    RenderSpectrogramPicture(sound, settings, 0, width, height, pixels);
    EXPECT_EQ(pixels[size_t(20) * width + x], 0u);
}

TEST(SpectrogramPictureTest, EveryFrameChangesNothingUntilAColumnHoldsMoreThanOneFrame)
{
    test::TempDir dir;
    std::vector<int16_t> s(60000);
    uint32_t seed = 3;
    for (size_t i = 0; i < s.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        // Clicks every 700 samples over faint noise.
        s[i] = static_cast<int16_t>((i % 700 < 8 ? 20000 : 0) + int(seed >> 24) - 128);
    }
    CSoundFile sound;
    ASSERT_EQ(sound.Open(test::WriteMono(dir.File("clicks.wav"), s)), 1);
    WindowDisplaySettings on, off;
    off.m_showEveryFrame = false;
    std::vector<uint32_t> a, b;
    // 512-point frames start every 256 samples: 60000 / 234 columns = 256.4
    // samples per column holds two frames now and then, 60000 / 235 never.
    for (int width : {235, 300, 1000}) {
        EXPECT_EQ(RenderSpectrogramPicture(sound, on, 0, width, 64, a), RenderSpectrogramPicture(sound, off, 0, width, 64, b));
        EXPECT_EQ(a, b) << width;
    }
    for (int width : {234, 100}) {
        RenderSpectrogramPicture(sound, on, 0, width, 64, a);
        RenderSpectrogramPicture(sound, off, 0, width, 64, b);
        EXPECT_NE(a, b) << width;
    }
}

TEST(SpectrogramPictureTest, PngRoundTripsThePixels)
{
    test::TempDir dir;
    const int width = 37, height = 23;
    std::vector<uint32_t> pixels(size_t(width) * height);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint32_t(i * 2654435761u) & 0xFFFFFFu;
    const std::string out = dir.File("p.png");
    std::string error;
    ASSERT_EQ(WritePng(out, pixels.data(), width, height, &error), 1) << error;
    int w = 0, h = 0;
    std::vector<uint32_t> back;
    ASSERT_TRUE(ReadPng(out, w, h, back));
    EXPECT_EQ(w, width);
    EXPECT_EQ(h, height);
    EXPECT_EQ(back, pixels);
}

TEST(SpectrogramPictureTest, BadSizesAndPlacesAreRefused)
{
    test::TempDir dir;
    const std::string path = test::WriteMono(dir.File("short.wav"), std::vector<int16_t>(300, 500));
    CSoundFile sound;
    ASSERT_EQ(sound.Open(path), 1);
    WindowDisplaySettings settings;
    std::vector<uint32_t> pixels;
    EXPECT_EQ(RenderSpectrogramPicture(sound, settings, 0, 0, 10, pixels), -1);
    EXPECT_EQ(RenderSpectrogramPicture(sound, settings, 0, 10, kMaxPictureSide + 1, pixels), -1);
    // Shorter than one 512-point frame: a white picture.
    ASSERT_EQ(RenderSpectrogramPicture(sound, settings, 0, 10, 10, pixels), 0);
    for (uint32_t p : pixels) ASSERT_EQ(p, kWhite);

    std::string error;
    EXPECT_EQ(WritePng(dir.File("none/x.png"), pixels.data(), 10, 10, &error), 0);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(WritePng(dir.File("x.png"), pixels.data(), 0, 10, &error), 0);
}
