// Conversions between WAV, AIFF, SIG and SND, the engine's format-from-name
// rule, the default file format setting and the headerless import.

#include "CSoundFile.h"
#include "DefaultFileFormat.h"
#include "ImportHeaderless.h"
#include "SigFormat.h"
#include "SndFormat.h"
#include "SettingsStore.h"
#include "SoundConvert.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <filesystem>

namespace tavril {
namespace {

using test::ReadAll;
using test::TempDir;
using test::WriteAll;

float FloatAt(const std::vector<unsigned char>& v, size_t at)
{
    uint32_t u = uint32_t(v[at]) | (uint32_t(v[at + 1]) << 8) | (uint32_t(v[at + 2]) << 16) | (uint32_t(v[at + 3]) << 24);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

uint32_t U32At(const std::vector<unsigned char>& v, size_t at)
{
    return uint32_t(v[at]) | (uint32_t(v[at + 1]) << 8) | (uint32_t(v[at + 2]) << 16) | (uint32_t(v[at + 3]) << 24);
}

uint16_t U16At(const std::vector<unsigned char>& v, size_t at) { return uint16_t(v[at] | (v[at + 1] << 8)); }

void PutFloat(std::vector<unsigned char>& v, size_t at, float f)
{
    uint32_t u;
    std::memcpy(&u, &f, 4);
    for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(u >> (8 * i));
}

std::string Text(const std::vector<unsigned char>& v, size_t at, size_t n)
{
    return std::string(v.begin() + long(at), v.begin() + long(at + n));
}

void MakeWav16(const std::string& path, double rate, uint32_t channels, const std::vector<int16_t>& interleaved)
{
    CSoundFile f;
    ASSERT_EQ(f.Create(path, rate, channels, 16), 1);
    ASSERT_EQ(f.WriteFrames(interleaved.data(), uint32_t(interleaved.size() / channels)), interleaved.size() / channels);
}

std::vector<int16_t> Read16(const std::string& path, double* rate = nullptr, uint32_t* channels = nullptr)
{
    CSoundFile f;
    if (!f.Open(path)) return {};
    if (rate) *rate = f.GetSampleRate();
    if (channels) *channels = f.GetChannels();
    std::vector<int16_t> v(size_t(f.GetFrameCount()) * f.GetChannels());
    f.ReadFrames(v.data(), f.GetFrameCount(), 16);
    return v;
}

// No conversion leaves its temporary file behind.
size_t FilesIn(const TempDir& dir)
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++n;
    return n;
}

TEST(SoundConvert, EngineFormatFromNameDropsMetafiles)
{
    EXPECT_EQ(EngineFormatFromName("/tmp/TVL1234.TMP"), kFormatWav);
    EXPECT_EQ(EngineFormatFromName("a.atl"), kFormatSnd);
    EXPECT_EQ(EngineFormatFromName("a.aiff"), kFormatAiff);
    EXPECT_EQ(EngineFormatFromName("series.txt"), kFormatUnknown);
    EXPECT_EQ(EngineFormatFromName("series.SER"), kFormatUnknown);
    EXPECT_EQ(EngineFormatFromName("a.au"), kFormatUnknown);
}

TEST(SoundConvert, SameFormatCopiesOrDoesNothing)
{
    TempDir dir;
    const std::string a = dir.File("a.wav"), b = dir.File("b.wav");
    MakeWav16(a, 8000, 1, {1, 2, 3});
    const auto original = ReadAll(a);
    EXPECT_EQ(ConvertFile(a, a, kFormatWav, kFormatWav), 1);
    EXPECT_EQ(ReadAll(a), original);
    WriteAll(b, {'o', 'l', 'd'});
    EXPECT_EQ(ConvertFile(a, b, kFormatWav, kFormatWav), 1);
    EXPECT_EQ(ReadAll(b), original);
    EXPECT_EQ(FilesIn(dir), 2u);
}

TEST(SoundConvert, PairsWithoutAConversionFailAndLeaveTheTarget)
{
    TempDir dir;
    const std::string wav = dir.File("a.wav"), target = dir.File("t.msl");
    MakeWav16(wav, 8000, 1, {1, 2, 3});
    WriteAll(target, {'k', 'e', 'e', 'p'});
    std::string why;
    EXPECT_EQ(ConvertFile(wav, target, kFormatWav, kFormatMsl, why), 0);
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(ConvertFile(target, wav, kFormatMsl, kFormatWav), 0);
    EXPECT_EQ(ConvertFile(wav, dir.File("t.sig"), kFormatAiff, kFormatSig), 0);  // only through WAV
    EXPECT_EQ(ReadAll(target), (std::vector<unsigned char>{'k', 'e', 'e', 'p'}));
    EXPECT_EQ(Read16(wav), (std::vector<int16_t>{1, 2, 3}));
    EXPECT_EQ(FilesIn(dir), 2u);
}

TEST(SoundConvert, WavAiffWavKeepsEverySampleAtEveryWidth)
{
    TempDir dir;
    for (uint32_t bits : {8u, 16u, 24u, 32u}) {
        // The middle file's name is as long as a file system allows (255 bytes).
        const std::string wav = dir.File("src.wav"), aif = dir.File(std::string(251, 'm') + ".aif"), back = dir.File("back.wav");
        const uint32_t bytes = bits / 8, channels = 2, frames = 777;
        std::vector<unsigned char> mem(size_t(frames) * channels * bytes);
        for (size_t i = 0; i < mem.size(); ++i) mem[i] = uint8_t(i * 131 + bits);
        {
            CSoundFile f;
            ASSERT_EQ(f.Create(wav, 48000, channels, bits), 1);
            f.WriteFrames(mem.data(), frames);
        }
        ASSERT_EQ(ConvertFile(wav, aif, kFormatWav, kFormatAiff), 1) << bits;
        ASSERT_EQ(ConvertFile(aif, back, kFormatAiff, kFormatWav), 1) << bits;
        CSoundFile a, w;
        ASSERT_EQ(a.Open(aif), 1);
        EXPECT_EQ(a.GetBitsPerSample(), bits);
        EXPECT_EQ(a.GetChannels(), channels);
        ASSERT_EQ(w.Open(back), 1);
        EXPECT_EQ(w.GetSampleRate(), 48000.0);
        EXPECT_EQ(w.GetBitsPerSample(), bits);
        ASSERT_EQ(w.GetFrameCount(), frames);
        std::vector<unsigned char> got(mem.size());
        w.ReadFrames(got.data(), frames);
        EXPECT_EQ(got, mem) << bits << " bits";
    }
}

TEST(SoundConvert, TwelveBitAiffBecomesSixteenBitWav)
{
    TempDir dir;
    const std::string aif = dir.File("t.aiff"), wav = dir.File("t.wav");
    const std::vector<int16_t> v = {0x7FF0, -0x8000, 0x0010, 0};
    {
        CSoundFile f;
        ASSERT_EQ(f.Create(aif, 8000, 1, 12), 1);
        f.WriteFrames(v.data(), 4);
    }
    ASSERT_EQ(ConvertFile(aif, wav, kFormatAiff, kFormatWav), 1);
    CSoundFile w;
    ASSERT_EQ(w.Open(wav), 1);
    EXPECT_EQ(w.GetBitsPerSample(), 16u);
    EXPECT_EQ(Read16(wav), v);
}

TEST(SoundConvert, SourceNamedWithoutKnownExtensionIsReadAsTheGivenFormat)
{
    TempDir dir;
    const std::string aif = dir.File("x.aif"), odd = dir.File("field-recording.dat"), wav = dir.File("w.wav");
    {
        CSoundFile f;
        ASSERT_EQ(f.Create(aif, 8000, 1, 16), 1);
        const std::vector<int16_t> v = {5, 6, 7};
        f.WriteFrames(v.data(), 3);
    }
    std::filesystem::rename(aif, odd);
    ASSERT_EQ(ConvertFile(odd, wav, kFormatAiff, kFormatWav), 1);
    EXPECT_EQ(Read16(wav), (std::vector<int16_t>{5, 6, 7}));
}

TEST(SigFormat, ThousandFramesArePaddedToEightBlocks)
{
    TempDir dir;
    const std::string wav = dir.File("a.wav"), sig = dir.File("a.sig");
    std::vector<int16_t> v(1000);
    for (size_t i = 0; i < v.size(); ++i) v[i] = int16_t(int(i % 200) * 10 - 1000);  // peak 1000 (at -1000)
    MakeWav16(wav, 22050, 1, v);
    ASSERT_EQ(ConvertFile(wav, sig, kFormatWav, kFormatSig), 1);
    const auto b = ReadAll(sig);
    ASSERT_EQ(b.size(), 1024u + 1024u * 4u);
    EXPECT_EQ(Text(b, 0, 8), "EXT 1.00");
    EXPECT_EQ(FloatAt(b, 8), 2.0f);
    EXPECT_EQ(FloatAt(b, 12), 8.0f);
    EXPECT_EQ(Text(b, 16, 8), "T   R   ");
    EXPECT_FLOAT_EQ(FloatAt(b, 24), 10.0f / 1000.0f);
    EXPECT_EQ(FloatAt(b, 28), 0.0f);
    EXPECT_EQ(FloatAt(b, 80), 1024.0f);
    EXPECT_EQ(FloatAt(b, 84), 22050.0f);
    EXPECT_FLOAT_EQ(FloatAt(b, 92), float(1024 * 1000.0 / 22050));
    EXPECT_EQ(Text(b, 96, 20), "AmplitudVolts   msec");
    EXPECT_EQ(Text(b, 136, 8), "        ");
    EXPECT_EQ(Text(b, 156, 4), "    ");
    EXPECT_EQ(Text(b, 512, 512), std::string(512, ' '));
    const std::string date = Text(b, 148, 8);
    EXPECT_EQ(date[2], '-');
    EXPECT_EQ(date[5], '-');
    EXPECT_EQ(date.find(' '), std::string::npos);
    for (size_t i = 0; i < 1024; ++i) EXPECT_EQ(FloatAt(b, 1024 + 4 * i), i < 1000 ? float(v[i]) : 0.0f) << i;
}

TEST(SigFormat, DateFieldIsMonthDayYearWithZeros)
{
    EXPECT_EQ(SigFormat::DateField(3, 7, 2026), "03-07-26");
    EXPECT_EQ(SigFormat::DateField(12, 31, 1999), "12-31-99");
    EXPECT_EQ(SigFormat::DateField(1, 1, 2000), "01-01-00");
}

TEST(SigFormat, RoundTripScalesThePeakToFullScale)
{
    TempDir dir;
    const std::string wav = dir.File("a.wav"), sig = dir.File("a.sig"), back = dir.File("b.wav");
    // Full-scale sound: comes back sample for sample (plus the padding).
    std::vector<int16_t> full = {0, 1, -1, 32767, -32767, 12345, -20000};
    MakeWav16(wav, 44100, 1, full);
    ASSERT_EQ(ConvertFile(wav, sig, kFormatWav, kFormatSig), 1);
    ASSERT_EQ(ConvertFile(sig, back, kFormatSig, kFormatWav), 1);
    double rate = 0;
    auto got = Read16(back, &rate);
    EXPECT_EQ(rate, 44100.0);
    ASSERT_EQ(got.size(), 128u);
    EXPECT_EQ(std::vector<int16_t>(got.begin(), got.begin() + 7), full);
    EXPECT_EQ(std::count(got.begin() + 7, got.end(), 0), 121);

    // A quiet sound is read back with its peak at full scale.
    std::vector<int16_t> quiet = {0, 250, -500, 1000, -1000, 7};
    MakeWav16(wav, 8000, 1, quiet);
    ASSERT_EQ(ConvertFile(wav, sig, kFormatWav, kFormatSig), 1);
    ASSERT_EQ(ConvertFile(sig, back, kFormatSig, kFormatWav), 1);
    got = Read16(back);
    ASSERT_EQ(got.size(), 128u);
    for (size_t i = 0; i < quiet.size(); ++i) EXPECT_NEAR(got[i], quiet[i] * 32767.0 / 1000.0, 1.0) << i;
}

TEST(SigFormat, SilentSoundGetsAFiniteScaleAndStaysSilent)
{
    TempDir dir;
    const std::string wav = dir.File("s.wav"), sig = dir.File("s.sig"), back = dir.File("b.wav");
    MakeWav16(wav, 8000, 1, std::vector<int16_t>(300, 0));
    ASSERT_EQ(ConvertFile(wav, sig, kFormatWav, kFormatSig), 1);
    const auto b = ReadAll(sig);
    EXPECT_TRUE(std::isfinite(FloatAt(b, 24)));
    EXPECT_GT(FloatAt(b, 24), 0.0f);
    ASSERT_EQ(ConvertFile(sig, back, kFormatSig, kFormatWav), 1);
    const auto got = Read16(back);
    EXPECT_EQ(got.size(), 384u);
    EXPECT_EQ(std::count(got.begin(), got.end(), 0), 384);
}

TEST(SigFormat, StereoSourceWritesItsFirstChannel)
{
    TempDir dir;
    const std::string wav = dir.File("st.wav"), sig = dir.File("st.sig");
    MakeWav16(wav, 8000, 2, {100, -7, 200, -7, 300, -7});
    ASSERT_EQ(ConvertFile(wav, sig, kFormatWav, kFormatSig), 1);
    const auto b = ReadAll(sig);
    EXPECT_EQ(FloatAt(b, 1024), 100.0f);
    EXPECT_EQ(FloatAt(b, 1028), 200.0f);
    EXPECT_EQ(FloatAt(b, 1032), 300.0f);
    EXPECT_EQ(FloatAt(b, 1036), 0.0f);
}

// A SIG file made by hand: header fields as given, samples after byte `dataAt`.
std::vector<unsigned char> MakeSig(char type, float version, float count, float rate, float scale, float offset,
                                   const std::vector<unsigned char>& samples, size_t extraHeader = 0)
{
    std::vector<unsigned char> b;
    b.reserve(1024 + extraHeader + samples.size());
    b.resize(1024 + extraHeader, 0);
    std::memcpy(b.data(), "EXT 1.00", 8);
    PutFloat(b, 8, version);
    b[20] = uint8_t(type);
    PutFloat(b, 24, scale);
    PutFloat(b, 28, offset);
    PutFloat(b, 80, count);
    PutFloat(b, 84, rate);
    b.insert(b.end(), samples.begin(), samples.end());
    return b;
}

std::vector<unsigned char> Floats(const std::vector<float>& v)
{
    std::vector<unsigned char> out(v.size() * 4);
    for (size_t i = 0; i < v.size(); ++i) PutFloat(out, 4 * i, v[i]);
    return out;
}

TEST(SigFormat, ReaderHandlesIntegerUnscaledAndNewerFiles)
{
    TempDir dir;
    const std::string sig = dir.File("h.sig"), wav = dir.File("h.wav");
    // Integer samples: (trunc(offset) - value) * 16, pinned to 16 bits.
    WriteAll(sig, MakeSig('I', 2.0f, 4, 10000.7f, 0, 100.9f, test::Int16Bytes({100, 0, 120, -5000})));
    ASSERT_EQ(ConvertFile(sig, wav, kFormatSig, kFormatWav), 1);
    double rate = 0;
    EXPECT_EQ(Read16(wav, &rate), (std::vector<int16_t>{0, 1600, -320, 32767}));
    EXPECT_EQ(rate, 10000.0);

    // No scale: centred on the mean, the farther extreme at full scale.
    WriteAll(sig, MakeSig('R', 2.0f, 3, 8000, 0, 0, Floats({1.0f, 3.0f, 5.0f})));
    ASSERT_EQ(ConvertFile(sig, wav, kFormatSig, kFormatWav), 1);
    EXPECT_EQ(Read16(wav), (std::vector<int16_t>{-32767, 0, 32767}));

    // Scaled samples beyond +-10 are pinned, not wrapped; the offset is subtracted.
    WriteAll(sig, MakeSig('R', 2.0f, 3, 8000, 1.0f, 1.0f, Floats({1.0f, 6.0f, 100.0f})));
    ASSERT_EQ(ConvertFile(sig, wav, kFormatSig, kFormatWav), 1);
    EXPECT_EQ(Read16(wav), (std::vector<int16_t>{0, 16383, 32767}));

    // A later version carries more header; the samples are the file's last ones.
    WriteAll(sig, MakeSig('R', 3.0f, 2, 8000, 10.0f, 0, Floats({0.5f, -0.25f}), 700));
    ASSERT_EQ(ConvertFile(sig, wav, kFormatSig, kFormatWav), 1);
    EXPECT_EQ(Read16(wav), (std::vector<int16_t>{16383, -8191}));

    // A count beyond the file is cut to what the file holds.
    WriteAll(sig, MakeSig('R', 2.0f, 1e9f, 8000, 10.0f, 0, Floats({0.5f, 0.5f})));
    ASSERT_EQ(ConvertFile(sig, wav, kFormatSig, kFormatWav), 1);
    EXPECT_EQ(Read16(wav).size(), 2u);
}

TEST(SigFormat, MalformedFilesFailWithoutTouchingTheTarget)
{
    TempDir dir;
    const std::string sig = dir.File("m.sig"), wav = dir.File("good.wav");
    MakeWav16(wav, 8000, 1, {9, 9});
    const auto good = ReadAll(wav);
    const std::vector<std::vector<unsigned char>> bad = {
        std::vector<unsigned char>(100, 0),                                     // shorter than the header
        MakeSig('R', 2.0f, 2, 0, 10, 0, Floats({1, 2})),                        // no rate
        MakeSig('R', 2.0f, 2, NAN, 10, 0, Floats({1, 2})),                      // rate not a number
        MakeSig('R', 2.0f, -5, 8000, 10, 0, Floats({1, 2})),                    // negative count
        MakeSig('R', 2.0f, INFINITY, 8000, 10, 0, Floats({1, 2})),              // endless count
        MakeSig('X', 2.0f, 2, 8000, 10, 0, Floats({1, 2})),                     // unknown sample type
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        WriteAll(sig, bad[i]);
        EXPECT_EQ(ConvertFile(sig, wav, kFormatSig, kFormatWav), 0) << i;
        EXPECT_EQ(ReadAll(wav), good) << i;
    }
    EXPECT_EQ(FilesIn(dir), 2u);
}

TEST(SndFormat, HeaderIntervalAndCodingAsSpecified)
{
    TempDir dir;
    const std::string wav = dir.File("a.wav"), snd = dir.File("a.snd"), back = dir.File("b.wav");
    MakeWav16(wav, 22050, 1, {100, -32768, 32767, 0, -1, 15, 16});
    ASSERT_EQ(ConvertFile(wav, snd, kFormatWav, kFormatSnd), 1);
    const auto b = ReadAll(snd);
    ASSERT_EQ(b.size(), 828u + 7u * 2u);
    EXPECT_EQ(U16At(b, 0), 0xAAAA);
    EXPECT_EQ(U16At(b, 2), 0x0600);
    EXPECT_EQ(U16At(b, 4), 16);
    EXPECT_EQ(U16At(b, 6), 6);
    EXPECT_EQ(U16At(b, 8), 1);
    EXPECT_EQ(U16At(b, 10), 1);
    EXPECT_EQ(U16At(b, 42), 1);
    EXPECT_EQ(Text(b, 74, 12), std::string("one channel", 12));
    EXPECT_EQ(Text(b, 714, 9), std::string("disabled", 9));
    EXPECT_EQ(Text(b, 724, 9), std::string("disabled", 9));
    EXPECT_EQ(U32At(b, 738), 181u);
    EXPECT_EQ(U32At(b, 742), 7u);
    EXPECT_EQ(Text(b, 748, 31), std::string("File converted from WAV format", 31));
    EXPECT_EQ(U16At(b, 828), 0x806);
    EXPECT_EQ(U16At(b, 830), 0x000);
    EXPECT_EQ(U16At(b, 832), 0xFFF);
    ASSERT_EQ(ConvertFile(snd, back, kFormatSnd, kFormatWav), 1);
    double rate = 0;
    EXPECT_EQ(Read16(back, &rate), (std::vector<int16_t>{96, -32768, 32752, 0, -16, 0, 16}));
    EXPECT_EQ(rate, 22099.0);  // trunc(4000000 / 181)
}

TEST(SndFormat, RatesTheIntervalCannotHoldFailCleanly)
{
    EXPECT_EQ(SndFormat::IntervalForRate(22050), 181u);
    EXPECT_EQ(SndFormat::IntervalForRate(4000000), 1u);
    EXPECT_EQ(SndFormat::IntervalForRate(4000001), 0u);  // interval would be 0
    EXPECT_EQ(SndFormat::IntervalForRate(123), 32520u);
    EXPECT_EQ(SndFormat::IntervalForRate(100), 0u);      // 40000 does not fit 16 bits
    TempDir dir;
    const std::string wav = dir.File("slow.wav"), snd = dir.File("slow.snd");
    MakeWav16(wav, 100, 1, {1, 2, 3});
    WriteAll(snd, {'o', 'l', 'd'});
    std::string why;
    EXPECT_EQ(ConvertFile(wav, snd, kFormatWav, kFormatSnd, why), 0);
    EXPECT_NE(why.find("sample rate"), std::string::npos) << why;
    EXPECT_EQ(ReadAll(snd), (std::vector<unsigned char>{'o', 'l', 'd'}));
}

TEST(SndFormat, ReaderRefusesZeroOrNegativeIntervalAndBoundsTheCount)
{
    TempDir dir;
    const std::string snd = dir.File("r.atl"), wav = dir.File("r.wav");
    std::vector<unsigned char> b(828 + 6, 0);
    const unsigned char words[6] = {0x06, 0x08, 0xFF, 0xFF, 0x00, 0x08};
    std::memcpy(b.data() + 828, words, 6);
    auto setInterval = [&](uint16_t v) { b[738] = uint8_t(v); b[739] = uint8_t(v >> 8); };
    auto setCount = [&](uint32_t v) { for (int i = 0; i < 4; ++i) b[742 + i] = uint8_t(v >> (8 * i)); };
    setCount(1000000);
    for (uint16_t interval : {uint16_t(0), uint16_t(0x8000), uint16_t(0xFFFF)}) {
        setInterval(interval);
        WriteAll(snd, b);
        EXPECT_EQ(ConvertFile(snd, wav, kFormatSnd, kFormatWav), 0) << interval;
    }
    setInterval(500);
    WriteAll(snd, b);
    ASSERT_EQ(ConvertFile(snd, wav, kFormatSnd, kFormatWav), 1);
    double rate = 0;
    EXPECT_EQ(Read16(wav, &rate), (std::vector<int16_t>{96, 32767, 0}));  // 0xFFFF pinned
    EXPECT_EQ(rate, 8000.0);
}

TEST(SoundConvert, WavSndWavLosesOnlyTheLowFourBits)
{
    TempDir dir;
    const std::string wav = dir.File("a.wav"), snd = dir.File("a.snd"), back = dir.File("b.wav");
    std::vector<int16_t> v(5000);
    for (size_t i = 0; i < v.size(); ++i) v[i] = int16_t(std::lround(30000 * std::sin(double(i) * 0.01)));
    MakeWav16(wav, 44100, 1, v);
    ASSERT_EQ(ConvertFile(wav, snd, kFormatWav, kFormatSnd), 1);
    ASSERT_EQ(ConvertFile(snd, back, kFormatSnd, kFormatWav), 1);
    const auto got = Read16(back);
    ASSERT_EQ(got.size(), v.size());
    for (size_t i = 0; i < v.size(); ++i) EXPECT_EQ(got[i], int16_t(v[i] & ~0xF)) << i;
}

TEST(DefaultFileFormat, IndexMapsToFormatsAndIsStored)
{
    EXPECT_EQ(SoundFormatFromDefaultIndex(0), kFormatWav);
    EXPECT_EQ(SoundFormatFromDefaultIndex(1), kFormatAiff);
    EXPECT_EQ(SoundFormatFromDefaultIndex(2), kFormatSig);
    EXPECT_EQ(SoundFormatFromDefaultIndex(3), kFormatUnknown);
    EXPECT_EQ(SoundFormatFromDefaultIndex(-1), kFormatUnknown);
    TempDir dir;
    const std::string ini = dir.File("settings.ini");
    EXPECT_EQ(DefaultFileFormat(ini), kFormatWav);  // missing: WAV
    EXPECT_EQ(SetDefaultFileFormat(kFormatAiff, ini), 1);
    EXPECT_EQ(SettingsStore::ReadSettingInt(ini, "Default File Format", "format type", -9), 1);
    EXPECT_EQ(DefaultFileFormat(ini), kFormatAiff);
    EXPECT_EQ(SetDefaultFileFormat(kFormatSig, ini), 1);
    EXPECT_EQ(DefaultFileFormat(ini), kFormatSig);
    EXPECT_EQ(SetDefaultFileFormat(kFormatSnd, ini), 0);  // no button for SND
    EXPECT_EQ(DefaultFileFormat(ini), kFormatSig);
    SettingsStore::WriteSettingInt(ini, "Default File Format", "format type", 7);
    EXPECT_EQ(DefaultFileFormatIndex(ini), 7);
    EXPECT_EQ(DefaultFileFormat(ini), kFormatWav);
}

TEST(ImportHeaderless, SettingsKeepTheDialogDefaultsAndRoundTrip)
{
    TempDir dir;
    const std::string ini = dir.File("s.ini");
    ImportHeaderlessSettings s;
    s.Load(ini);
    EXPECT_EQ(s.sampleRate, 22050);
    EXPECT_EQ(s.channels, 1);
    EXPECT_EQ(s.fileType, 0);
    EXPECT_EQ(s.bitsIndex, 2);
    EXPECT_EQ(s.Bits(), 16u);
    EXPECT_EQ(s.byteOffset, 0);
    s.sampleRate = 250000;
    s.channels = 4;
    s.fileType = 1;
    s.bitsIndex = 3;
    s.byteOffset = 512;
    ASSERT_EQ(s.Save(ini), 1);
    EXPECT_EQ(SettingsStore::ReadSettingInt(ini, "Import Headerless Binary Dialog", "bits per sample", -1), 3);
    ImportHeaderlessSettings t;
    t.Load(ini);
    EXPECT_EQ(t.sampleRate, 250000);
    EXPECT_EQ(t.channels, 4);
    EXPECT_EQ(t.fileType, 1);
    EXPECT_EQ(t.Bits(), 24u);
    EXPECT_EQ(t.byteOffset, 512);
    SettingsStore::WriteSettingInt(ini, "Import Headerless Binary Dialog", "bits per sample", 9);
    SettingsStore::WriteSettingInt(ini, "Import Headerless Binary Dialog", "number of channels", 0);
    t.Load(ini);
    EXPECT_EQ(t.Bits(), 16u);
    EXPECT_EQ(t.channels, 1);
}

TEST(ImportHeaderless, BytesBecomeSamplesAsTheyAre)
{
    TempDir dir;
    const std::string raw = dir.File("rec.bin");
    // 4 header bytes, then 16-bit stereo frames, then a partial frame.
    std::vector<unsigned char> bytes = {0xDE, 0xAD, 0xBE, 0xEF};
    const auto samples = test::Int16Bytes({1, -1, 1000, -1000, 32767, -32768});
    bytes.insert(bytes.end(), samples.begin(), samples.end());
    bytes.insert(bytes.end(), {0x11, 0x22, 0x33});
    WriteAll(raw, bytes);
    const std::string wav = HeaderlessTargetName(raw, 0);
    ASSERT_EQ(ImportHeaderless(raw, wav, 96000, 2, 16, 4), 1);
    EXPECT_EQ(wav, dir.File("rec.bin.WAV"));
    uint32_t channels = 0;
    double rate = 0;
    EXPECT_EQ(Read16(wav, &rate, &channels), (std::vector<int16_t>{1, -1, 1000, -1000, 32767, -32768}));
    EXPECT_EQ(channels, 2u);
    EXPECT_EQ(rate, 96000.0);

    // The same as AIFF: stored big-endian, read back identical.
    const std::string aif = HeaderlessTargetName(raw, 1);
    ASSERT_EQ(ImportHeaderless(raw, aif, 96000, 2, 16, 4), 1);
    EXPECT_EQ(Read16(aif), Read16(wav));
    const auto aifBytes = ReadAll(aif);
    EXPECT_EQ(aifBytes[54 + 4], 0x03);  // 1000 = 0x03E8, most significant byte first
    EXPECT_EQ(aifBytes[54 + 5], 0xE8);

    // 8-bit samples are unsigned, as in WAV.
    WriteAll(raw, {0x80, 0x00, 0xFF});
    ASSERT_EQ(ImportHeaderless(raw, wav, 8000, 1, 8, 0), 1);
    CSoundFile f;
    ASSERT_EQ(f.Open(wav), 1);
    std::vector<uint8_t> u(3);
    f.ReadFrames(u.data(), 3);
    EXPECT_EQ(u, (std::vector<uint8_t>{0x80, 0x00, 0xFF}));
}

TEST(ImportHeaderless, OffsetAtOrBeyondTheEndGivesAnEmptySound)
{
    TempDir dir;
    const std::string raw = dir.File("short.raw"), wav = dir.File("short.wav");
    WriteAll(raw, {1, 2, 3, 4});
    for (uint64_t offset : {4ull, 5ull, 1ull << 40}) {
        ASSERT_EQ(ImportHeaderless(raw, wav, 8000, 1, 16, offset), 1) << offset;
        CSoundFile f;
        ASSERT_EQ(f.Open(wav), 1);
        EXPECT_EQ(f.GetFrameCount(), 0u);
    }
}

TEST(ImportHeaderless, FramesSpanningManyBlocksStayAligned)
{
    // Three 24-bit channels make 9-byte frames; a block size that is not a
    // multiple of the frame size would shift every block after the first.
    TempDir dir;
    const std::string raw = dir.File("big.raw"), wav = dir.File("big.wav");
    const size_t frames = 1'200'000;  // about 10.8 MB, several blocks
    std::vector<unsigned char> bytes(frames * 9);
    uint32_t seed = 7;
    for (auto& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = uint8_t(seed >> 24);
    }
    WriteAll(raw, bytes);
    ASSERT_EQ(ImportHeaderless(raw, wav, 192000, 3, 24, 0), 1);
    CSoundFile f;
    ASSERT_EQ(f.Open(wav), 1);
    ASSERT_EQ(f.GetFrameCount(), frames);
    std::vector<unsigned char> got(bytes.size());
    f.ReadFrames(got.data(), uint32_t(frames));
    EXPECT_TRUE(got == bytes);
}

TEST(ImportHeaderless, BadParametersFailAndKeepAnExistingTarget)
{
    TempDir dir;
    const std::string raw = dir.File("r.bin"), wav = dir.File("keep.wav");
    WriteAll(raw, {1, 2, 3, 4});
    MakeWav16(wav, 8000, 1, {42});
    const auto before = ReadAll(wav);
    std::string why;
    EXPECT_EQ(ImportHeaderless(raw, wav, 8000, 1, 20, 0, why), 0);
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(ImportHeaderless(raw, wav, 8000, 0, 16, 0), 0);
    EXPECT_EQ(ImportHeaderless(raw, wav, 0, 1, 16, 0), 0);
    EXPECT_EQ(ImportHeaderless(dir.File("missing.bin"), wav, 8000, 1, 16, 0), 0);
    EXPECT_EQ(ImportHeaderless(raw, dir.File("out.raw"), 8000, 1, 16, 0), 0);
    EXPECT_EQ(ReadAll(wav), before);
    EXPECT_EQ(FilesIn(dir), 2u);
}

// ---- progress and cancel ----

namespace progress {

// A conversion of every supported kind, from a source long enough to take
// many blocks (frames) and more than one megabyte-sized byte copy block.
struct Pair {
    const char* from;
    const char* to;
    int32_t fromFormat;
    int32_t toFormat;
};

const Pair kPairs[] = {
    {"wav", "wav", kFormatWav, kFormatWav},   {"aif", "aif", kFormatAiff, kFormatAiff},
    {"wav", "aif", kFormatWav, kFormatAiff},  {"aif", "wav", kFormatAiff, kFormatWav},
    {"wav", "sig", kFormatWav, kFormatSig},   {"sig", "wav", kFormatSig, kFormatWav},
    {"wav", "snd", kFormatWav, kFormatSnd},   {"snd", "wav", kFormatSnd, kFormatWav},
};

constexpr uint32_t kFrames = 700000;  // about 11 blocks; 2.8 MB as stereo WAV

// Writes the source of `p` into `dir` as "source.<ext>".
std::string MakeSource(const TempDir& dir, const Pair& p)
{
    std::vector<int16_t> v(size_t(kFrames) * 2);
    for (size_t i = 0; i < v.size(); ++i) v[i] = int16_t(int((i * 7919) % 20000) - 10000);
    const std::string wav = dir.File("source.wav");
    MakeWav16(wav, 22050, 2, v);
    const std::string source = dir.File(std::string("source.") + p.from);
    std::string why;
    if (p.fromFormat != kFormatWav) {
        EXPECT_EQ(ConvertFile(wav, source, kFormatWav, p.fromFormat, why), 1) << why;
    }
    if (source != wav) std::filesystem::remove(wav);
    return source;
}

std::string Name(const Pair& p) { return std::string(p.from) + " to " + p.to; }

} // namespace progress

TEST(SoundConvertProgress, CancelHalfwayLeavesAnExistingTargetAndNoTemporaryFile)
{
    for (const progress::Pair& p : progress::kPairs) {
        TempDir dir;
        const std::string source = progress::MakeSource(dir, p);
        const std::string target = dir.File(std::string("target.") + p.to);
        const std::vector<unsigned char> old = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};
        WriteAll(target, old);
        const size_t filesBefore = FilesIn(dir);
        std::vector<double> seen;
        std::string why;
        const int r = ConvertFile(source, target, p.fromFormat, p.toFormat, why, [&](double f) {
            seen.push_back(f);
            return f < 0.5;
        });
        EXPECT_EQ(r, 0) << progress::Name(p);
        EXPECT_EQ(why, kConvertCancelled) << progress::Name(p);
        EXPECT_EQ(ReadAll(target), old) << progress::Name(p);
        EXPECT_EQ(FilesIn(dir), filesBefore) << progress::Name(p);
        // Stopped where it was asked to, halfway, and asked nothing more.
        ASSERT_FALSE(seen.empty()) << progress::Name(p);
        EXPECT_GE(seen.back(), 0.5) << progress::Name(p);
        EXPECT_LT(seen.back(), 0.9) << progress::Name(p);
        EXPECT_LT(seen[seen.size() - 2], 0.5) << progress::Name(p);
    }
}

TEST(SoundConvertProgress, CancelHalfwayCreatesNoTarget)
{
    for (const progress::Pair& p : progress::kPairs) {
        TempDir dir;
        const std::string source = progress::MakeSource(dir, p);
        const std::string target = dir.File(std::string("new.") + p.to);
        std::string why;
        EXPECT_EQ(ConvertFile(source, target, p.fromFormat, p.toFormat, why, [](double f) { return f < 0.5; }), 0);
        EXPECT_FALSE(std::filesystem::exists(target)) << progress::Name(p);
        EXPECT_EQ(FilesIn(dir), 1u) << progress::Name(p);  // the source alone
    }
}

TEST(SoundConvertProgress, SuccessReportsIncreasingFractionsEndingAtOne)
{
    for (const progress::Pair& p : progress::kPairs) {
        TempDir dir;
        const std::string source = progress::MakeSource(dir, p);
        const std::string target = dir.File(std::string("out.") + p.to);
        const std::string plain = dir.File(std::string("plain.") + p.to);
        std::vector<double> seen;
        std::string why;
        ASSERT_EQ(ConvertFile(source, target, p.fromFormat, p.toFormat, why, [&](double f) {
            seen.push_back(f);
            return true;
        }), 1) << progress::Name(p) << ": " << why;
        ASSERT_GE(seen.size(), 3u) << progress::Name(p);  // per block, not just at the end
        for (size_t i = 1; i < seen.size(); ++i) EXPECT_GT(seen[i], seen[i - 1]) << progress::Name(p);
        EXPECT_GE(seen.front(), 0.0);
        EXPECT_EQ(seen.back(), 1.0) << progress::Name(p);
        // The hook changes nothing in what is written.
        ASSERT_EQ(ConvertFile(source, plain, p.fromFormat, p.toFormat, why), 1);
        std::vector<unsigned char> a = ReadAll(target), b = ReadAll(plain);
        if (p.toFormat == kFormatSig && a.size() > 156 && b.size() > 156) {
            // The header's date may roll over between the two.
            std::fill(a.begin() + 148, a.begin() + 156, 0);
            std::fill(b.begin() + 148, b.begin() + 156, 0);
        }
        EXPECT_EQ(a, b) << progress::Name(p);
    }
}

TEST(SoundConvertProgress, RefusalAtTheVeryEndStillKeepsTheTarget)
{
    // The last report comes after every sample is written but before the
    // rename; a "no" there must still win.
    TempDir dir;
    const std::string source = progress::MakeSource(dir, progress::kPairs[2]);
    const std::string target = dir.File("target.aif");
    WriteAll(target, {1, 2, 3});
    std::string why;
    EXPECT_EQ(ConvertFile(source, target, kFormatWav, kFormatAiff, why, [](double f) { return f < 1.0; }), 0);
    EXPECT_EQ(ReadAll(target), (std::vector<unsigned char>{1, 2, 3}));
    EXPECT_EQ(FilesIn(dir), 2u);
    // Converting a file onto itself has nothing to cancel and says it is done.
    std::vector<double> seen;
    EXPECT_EQ(ConvertFile(source, source, kFormatWav, kFormatWav, why, [&](double f) {
        seen.push_back(f);
        return false;
    }), 1);
    EXPECT_EQ(seen, std::vector<double>{1.0});
}

} // namespace
} // namespace tavril
