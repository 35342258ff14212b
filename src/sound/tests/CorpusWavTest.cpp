// Real files from other projects' collections (../shared/corpus): every PCM
// or float WAV that sox can read opens with the format sox reports, and every
// damaged file is refused without harm. Skips where the corpus is absent.

#include "CSoundFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

using tavril::CSoundFile;
namespace fs = std::filesystem;

namespace {

const char* const kValidFolders[] = {"wavefile-ruby/valid", "hound", "scipy-wavfile", "go-audio-wav", "opensoundscape",
                                     "scikit-maad", "vocalpy", "pykanto", "crowsetta", "birdvoxdetect"};

// Files the collections call invalid that this reader deliberately opens: the
// sound data is whole, and only something it does not use is odd.
const std::set<std::string> kReadableDespiteLabel = {
    "format_chunk_after_data_chunk.wav",                               // data before fmt is legal here
    "format_chunk_extra_bytes_with_odd_size_and_missing_padding_byte.wav",  // missing pad byte tolerated
    "format_chunk_with_extra_byte_and_missing_padding_byte.wav",
    "smpl_chunk_empty.wav",                         // sampler chunk contents are not read
    "smpl_chunk_loop_count_too_high.wav",
    "smpl_chunk_truncated_sampler_specific_data.wav",
};

// Recordings cut short: they open with the whole frames present, flagged.
const std::map<std::string, uint32_t> kCutShort = {
    {"data_chunk_truncated.wav", 2240},  // 8-bit mono, 2284 bytes with the data at byte 44
    {"empty_2c.wav", 0},                 // one byte of a stereo 16-bit frame
    {"test-44100Hz-le-1ch-4bytes-early-eof.wav", 236},  // 4-byte frames, 1024 bytes, data at byte 80
};

std::string Shell(const std::string& cmd)
{
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    std::array<char, 512> buf;
    while (fgets(buf.data(), buf.size(), p)) out += buf.data();
    pclose(p);
    return out;
}

bool HaveSoxi() { return Shell("command -v soxi 2>/dev/null").find("soxi") != std::string::npos; }

struct SoxFormat {
    bool ok = false;
    long rate = 0;
    long channels = 0;
    long frames = 0;
    long precision = 0;
    std::string encoding;
};

SoxFormat Soxi(const fs::path& p)
{
    SoxFormat s;
    std::string q = p.string();  // appended, not concatenated: gcc 12 warns wrongly on "'" + s
    q.insert(q.begin(), '\'');
    q.push_back('\'');
    const std::string r = Shell("soxi -r " + q + " 2>/dev/null");
    if (r.empty()) return s;
    s.rate = std::atol(r.c_str());
    s.channels = std::atol(Shell("soxi -c " + q + " 2>/dev/null").c_str());
    s.frames = std::atol(Shell("soxi -s " + q + " 2>/dev/null").c_str());
    s.precision = std::atol(Shell("soxi -p " + q + " 2>/dev/null").c_str());
    s.encoding = Shell("soxi -e " + q + " 2>/dev/null");
    s.ok = true;
    return s;
}

std::vector<fs::path> WavFiles(const fs::path& dir)
{
    std::vector<fs::path> out;
    if (!fs::is_directory(dir)) return out;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        if (!e.is_regular_file()) continue;
        std::string ext = e.path().extension().string();
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ext == ".wav") out.push_back(e.path());
    }
    return out;
}

bool Excluded(const fs::path& p)
{
    const std::string s = p.string();
    return s.find("/invalid/") != std::string::npos || s.find("/fuzz/") != std::string::npos ||
           s.find("/unsupported/") != std::string::npos || s.find("early-eof") != std::string::npos ||
           s.find("incomplete-chunk") != std::string::npos;
}

// Where sox itself is wrong: it counts 12- and 20-bit samples as if packed,
// though the block align and the file's name say 9 and 10 samples.
const std::map<std::string, long> kFramesOverride = {{"test-1234Hz-le-1ch-10S-20bit-extra.wav", 10},
                                                     {"test-8000Hz-le-4ch-9S-12bit.wav", 9}};

} // namespace

TEST(CorpusWav, ValidFilesOpenWithTheFormatSoxReports)
{
    const auto corpus = tavril::test::CorpusDir();
    if (!corpus) GTEST_SKIP() << "../shared/corpus is absent";
    if (!HaveSoxi()) GTEST_SKIP() << "sox is not installed";
    int compared = 0;
    for (const char* folder : kValidFolders) {
        for (const fs::path& p : WavFiles(*corpus / folder)) {
            if (Excluded(p)) continue;
            const SoxFormat sox = Soxi(p);
            const bool pcm = sox.ok && (sox.encoding.find("Signed Integer PCM") != std::string::npos ||
                                        sox.encoding.find("Unsigned Integer PCM") != std::string::npos ||
                                        sox.encoding.find("Floating Point PCM") != std::string::npos);
            CSoundFile f;
            const int opened = f.Open(p.string());
            if (!pcm) continue;  // sox refuses or decodes a compressed coding: no reference to compare
            ASSERT_EQ(opened, 1) << p;
            if (f.HasTruncation()) {
                EXPECT_LE(long(f.GetFrameCount()), sox.frames) << p;  // sox counts what the header promises
                continue;
            }
            EXPECT_EQ(f.GetSampleRate(), sox.rate) << p;
            EXPECT_EQ(long(f.GetChannels()), sox.channels) << p;
            const auto over = kFramesOverride.find(p.filename().string());
            EXPECT_EQ(long(f.GetFrameCount()), over != kFramesOverride.end() ? over->second : sox.frames) << p;
            const auto enc = f.GetHeader().encoding;
            if (enc == tavril::SampleEncoding::FloatLE || enc == tavril::SampleEncoding::FloatBE) {
                EXPECT_EQ(f.GetBitsPerSample(), 32u) << "float is presented as 32-bit integers " << p;
            } else {
                // Samples in wider containers are presented at the container's width.
                EXPECT_GE(long(f.GetBitsPerSample()), sox.precision) << p;
            }
            ++compared;
        }
    }
    EXPECT_GT(compared, 80);
}

TEST(CorpusWav, SamplesMatchSoxDecoding)
{
    const auto corpus = tavril::test::CorpusDir();
    if (!corpus) GTEST_SKIP() << "../shared/corpus is absent";
    if (!HaveSoxi()) GTEST_SKIP() << "sox is not installed";
    tavril::test::TempDir dir;
    // A handful of layouts: 24-bit, extensible, float, 8-bit, RIFX, odd chunks.
    const char* const files[] = {"wavefile-ruby/valid/extensible_stereo_pcm_24_44100.wav",
                                 "wavefile-ruby/valid/mono_float_64_44100.wav",
                                 "wavefile-ruby/valid/mono_pcm_8_44100.wav",
                                 "scipy-wavfile/test-8000Hz-be-3ch-5S-24bit.wav",
                                 "go-audio-wav/padded24b.wav",
                                 "birdvoxdetect/BirdVox-full-night_unit03_00-19-45_01min.wav",
                                 "pykanto/AM/20210502_040000.WAV"};
    for (const char* rel : files) {
        const fs::path p = *corpus / rel;
        if (!fs::exists(p)) continue;
        const std::string raw = dir.File("out.raw");
        Shell("sox '" + p.string() + "' -t raw -e signed-integer -b 16 -L '" + raw + "' dither -S 2>/dev/null; true");
        // Without dither sox rounds; compare against a truncation-free width instead.
        Shell("sox -D '" + p.string() + "' -t raw -e signed-integer -b 32 -L '" + raw + "' 2>/dev/null");
        const auto bytes = tavril::test::ReadAll(raw);
        CSoundFile f;
        ASSERT_EQ(f.Open(p.string()), 1) << rel;
        const size_t n = bytes.size() / 4;
        ASSERT_EQ(n, size_t(f.GetFrameCount()) * f.GetChannels()) << rel;
        std::vector<int32_t> ours(n);
        f.ReadFrames(ours.data(), f.GetFrameCount(), 32);
        size_t mismatches = 0;
        for (size_t i = 0; i < n; ++i) {
            int32_t ref;
            std::memcpy(&ref, bytes.data() + 4 * i, 4);
            // sox and we may differ by one step of the source width for floats.
            if (std::llabs(int64_t(ref) - ours[i]) > 256) ++mismatches;
        }
        EXPECT_EQ(mismatches, 0u) << rel;
    }
}

TEST(CorpusWav, DamagedFilesAreRefusedOrOpenCutShort)
{
    const auto corpus = tavril::test::CorpusDir();
    if (!corpus) GTEST_SKIP() << "../shared/corpus is absent";
    int refused = 0;
    std::vector<fs::path> files = WavFiles(*corpus / "wavefile-ruby/invalid");
    for (const auto& p : WavFiles(*corpus / "hound/fuzz")) files.push_back(p);
    files.push_back(*corpus / "opensoundscape/empty_2c.wav");
    for (const char* s : {"scipy-wavfile/test-44100Hz-le-1ch-4bytes-early-eof.wav",
                          "scipy-wavfile/test-44100Hz-le-1ch-4bytes-early-eof-no-data.wav",
                          "scipy-wavfile/test-44100Hz-le-1ch-4bytes-incomplete-chunk.wav"})
        files.push_back(*corpus / s);
    for (const fs::path& p : files) {
        if (!fs::exists(p)) continue;
        const auto before = tavril::test::ReadAll(p.string());
        CSoundFile f;
        const int opened = f.Open(p.string());
        const auto cut = kCutShort.find(p.filename().string());
        if (cut != kCutShort.end()) {
            ASSERT_EQ(opened, 1) << p;
            EXPECT_TRUE(f.HasTruncation()) << p;
            EXPECT_EQ(f.GetFrameCount(), cut->second) << p;
        } else if (kReadableDespiteLabel.count(p.filename().string())) {
            EXPECT_EQ(opened, 1) << p;
        } else {
            EXPECT_EQ(opened, 0) << p;
            ++refused;
        }
        f.Close();
        EXPECT_EQ(tavril::test::ReadAll(p.string()), before) << "opening must not change " << p;
    }
    EXPECT_GT(refused, 30);
}
