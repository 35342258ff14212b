#include "CEditEngine.h"
#include "CSoundFile.h"
#include "CSoundFilter.h"
#include "CSoundTools.h"
#include "EditTestUtil.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>

namespace tavril {
namespace {

using test::MakeWav;
using test::ReadWav;
using test::TempDir;
namespace fs = std::filesystem;

std::vector<int32_t> Concat(std::initializer_list<std::vector<int32_t>> parts)
{
    std::vector<int32_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<int32_t> Slice(const std::vector<int32_t>& v, size_t from, size_t to)
{
    return std::vector<int32_t>(v.begin() + from, v.begin() + to);
}

class EngineTest : public ::testing::TestWithParam<size_t> {
protected:
    void SetUp() override
    {
        engine.SetBlockBytes(GetParam());
        src = dir.File("src.wav");
        work = dir.File("work.wav");
        clip = dir.File("clip.wav");
        values = test::Ramp(1000, -500, 1);
        ASSERT_TRUE(MakeWav(src, 22050, 1, 16, values));
        ASSERT_TRUE(engine.CreateLike(work, src));
    }
    // Runs `op` into a fresh working copy shaped like src and gives the result.
    template <class Op>
    std::vector<int32_t> Run(Op op)
    {
        EXPECT_TRUE(engine.CreateLike(work, src));
        EXPECT_TRUE(op()) << engine.LastError();
        return ReadWav(work);
    }
    TempDir dir;
    CEditEngine engine;
    std::string src, work, clip;
    std::vector<int32_t> values;
};

// Small blocks make every operation cross block boundaries; the results must
// equal those of one big block.
INSTANTIATE_TEST_SUITE_P(BlockSizes, EngineTest, ::testing::Values(size_t(64), size_t(70), CEditEngine::kDefaultBlockBytes));

TEST_P(EngineTest, DeleteTrimAndCutGiveExactFrames)
{
    EXPECT_EQ(Run([&] { return engine.DeleteRange(src, work, 100, 250); }),
              Concat({Slice(values, 0, 100), Slice(values, 350, 1000)}));
    EXPECT_EQ(Run([&] { return engine.Trim(src, work, 100, 250); }), Slice(values, 100, 350));
    EXPECT_EQ(Run([&] { return engine.Cut(clip, src, work, 990, -1); }), Slice(values, 0, 990));
    EXPECT_EQ(ReadWav(clip), Slice(values, 990, 1000));
    // A count reaching past the end stops at the end.
    EXPECT_TRUE(Run([&] { return engine.DeleteRange(src, work, 0, 5000); }).empty());
}

TEST_P(EngineTest, InsertModes)
{
    ASSERT_TRUE(MakeWav(clip, 22050, 1, 16, {7, 8, 9}));
    // {clip start, at, count, mode} -> expected frames.
    const struct {
        uint32_t from, at;
        int64_t count;
        CEditEngine::InsertMode mode;
        std::vector<int32_t> want;
    } cases[] = {
        {0, 10, -1, CEditEngine::kInsert, Concat({Slice(values, 0, 10), {7, 8, 9}, Slice(values, 10, 1000)})},
        {1, 10, 2, CEditEngine::kOverwrite, Concat({Slice(values, 0, 10), {8, 9}, Slice(values, 12, 1000)})},
        {0, 0, -1, CEditEngine::kInsert, Concat({{7, 8, 9}, values})},
        {0, 1000, -1, CEditEngine::kInsert, Concat({values, {7, 8, 9}})},
        {1, 0, 1, CEditEngine::kClipOnly, {8}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Run([&] { return engine.Insert(src, work, clip, c.from, c.at, c.count, c.mode); }), c.want)
            << c.from << " " << c.at << " " << c.count;
}

TEST_P(EngineTest, ClipsOfOtherWidthsAndChannelCountsAreAdapted)
{
    // 8-bit silence (128) becomes 16-bit 0; 255 becomes 127 * 256.
    ASSERT_TRUE(MakeWav(clip, 22050, 1, 8, {128, 255, 0}));
    ASSERT_TRUE(engine.Insert(src, work, clip, 0, 1, -1, CEditEngine::kInsert));
    EXPECT_EQ(Slice(ReadWav(work), 0, 5), std::vector<int32_t>({-500, 0, 32512, -32768, -499}));

    // A mono clip goes into both channels of a stereo sound.
    const std::string stereo = dir.File("stereo.wav");
    ASSERT_TRUE(MakeWav(stereo, 22050, 2, 16, {1, -1, 2, -2}));
    ASSERT_TRUE(MakeWav(clip, 22050, 1, 16, {50, 60}));
    ASSERT_TRUE(engine.CreateLike(work, stereo));
    ASSERT_TRUE(engine.Insert(stereo, work, clip, 0, 1, -1, CEditEngine::kInsert));
    EXPECT_EQ(ReadWav(work), std::vector<int32_t>({1, -1, 50, 50, 60, 60, 2, -2}));

    // Extra channels of a clip are dropped.
    ASSERT_TRUE(MakeWav(clip, 22050, 2, 16, {70, 71, 80, 81}));
    ASSERT_TRUE(engine.CreateLike(work, src));
    ASSERT_TRUE(engine.Insert(src, work, clip, 0, 1, -1, CEditEngine::kInsert));
    EXPECT_EQ(Slice(ReadWav(work), 0, 4), std::vector<int32_t>({-500, 70, 80, -499}));
}

TEST_P(EngineTest, CopyChannelToNewFileGivesMonoClip)
{
    const std::string stereo = dir.File("stereo.wav");
    ASSERT_TRUE(MakeWav(stereo, 22050, 2, 16, {1, -1, 2, -2, 3, -3, 4, -4}));
    ASSERT_TRUE(engine.CopyChannelToNewFile(clip, stereo, 1, 2, 1));
    uint32_t ch = 0;
    EXPECT_EQ(ReadWav(clip, &ch), std::vector<int32_t>({-2, -3}));
    EXPECT_EQ(ch, 1u);
    ASSERT_TRUE(engine.CopyToNewFile(clip, stereo, 2, -1));
    EXPECT_EQ(ReadWav(clip, &ch), std::vector<int32_t>({3, -3, 4, -4}));
    EXPECT_EQ(ch, 2u);
    EXPECT_FALSE(engine.CopyChannelToNewFile(clip, stereo, 0, -1, 2));
}

TEST(EngineResampleTest, ClipOfOtherRateKeepsPitchAndDuration)
{
    TempDir dir;
    CEditEngine engine;
    const std::string src = dir.File("s.wav"), work = dir.File("w.wav"), clip = dir.File("c.wav");
    ASSERT_TRUE(MakeWav(src, 44100, 1, 16, {}));
    // 0.5 s of 441 Hz at 11025 Hz.
    std::vector<int32_t> tone(5512);
    for (size_t k = 0; k < tone.size(); ++k) tone[k] = static_cast<int32_t>(10000 * std::sin(2 * M_PI * 441 * k / 11025.0));
    ASSERT_TRUE(MakeWav(clip, 11025, 1, 16, tone));
    ASSERT_TRUE(engine.CreateLike(work, src));
    ASSERT_TRUE(engine.Insert(src, work, clip, 0, 0, -1, CEditEngine::kInsert));
    double rate = 0;
    const auto out = ReadWav(work, nullptr, &rate);
    EXPECT_EQ(rate, 44100);
    EXPECT_NEAR(static_cast<double>(out.size()), 4 * 5512.0, 4.0);
    int crossings = 0;
    for (size_t k = 1000; k + 1 < 21000; ++k) crossings += (out[k] < 0) != (out[k + 1] < 0);
    // 20000 frames at 44100 Hz hold 200 periods of 441 Hz: 400 crossings.
    EXPECT_NEAR(crossings, 400, 2);
}

TEST(EngineFailureTest, UnwritableDestinationIsReported)
{
    TempDir dir;
    CEditEngine engine;
    const std::string src = dir.File("s.wav");
    ASSERT_TRUE(MakeWav(src, 8000, 1, 16, {1, 2, 3}));
    // A path under a regular file cannot be created by anyone.
    test::WriteAll(dir.File("plain"), {1});
    EXPECT_FALSE(engine.CopyToNewFile(dir.File("plain/clip.wav"), src, 0, -1));
    EXPECT_NE(engine.LastError().find("plain/clip.wav"), std::string::npos);
    EXPECT_FALSE(engine.DeleteRange(dir.File("missing.wav"), src, 0, 1));
    EXPECT_NE(engine.LastError().find("missing.wav"), std::string::npos);
    // Nor, for a user, a file in a read-only folder.
    EXPECT_EQ(test::RunUnprivileged(dir.Path(), [&] {
        const fs::path ro = dir.Path() / "ro";
        fs::create_directory(ro);
        fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(engine.CopyToNewFile((ro / "clip.wav").string(), src, 0, -1));
        EXPECT_NE(engine.LastError().find("ro/clip.wav"), std::string::npos);
        EXPECT_FALSE(fs::exists(ro / "clip.wav"));
        return ::testing::Test::HasFailure() ? 1 : 0;
    }), 0);
}

// AddressSanitizer's terabytes of shadow memory make an address-space cap meaningless (and can stall it).
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAVRIL_TEST_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(TAVRIL_TEST_ASAN)
constexpr bool kAddressSpaceCapMeaningful = false;
#else
constexpr bool kAddressSpaceCapMeaningful = true;
#endif

// The child's exit code after `fn` ran under an address-space cap of `capBytes` above its current use.
template <class Fn>
int RunCapped(size_t capBytes, Fn fn)
{
    return test::ExitCodeInChild([&] {
        size_t vm = 0;
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmSize:", 0) == 0) vm = std::stoull(line.substr(7)) * 1024;
        rlimit lim{vm + capBytes, vm + capBytes};
        return setrlimit(RLIMIT_AS, &lim) != 0 ? 3 : fn() ? 0 : 1;
    });
}

TEST(EngineStreamingTest, EditsFileLargerThanAllowedMemory)
{
    if (!kAddressSpaceCapMeaningful) GTEST_SKIP() << "memory caps are not measurable under AddressSanitizer";
    TempDir dir;
    const std::string src = dir.File("big.wav"), work = dir.File("w.wav");
    {
        CSoundFile f;
        // 48 M frames of stereo 16-bit: 192 MB, with a 1 s ramp written in.
        ASSERT_TRUE(f.Create(src, 48000, 2, 16, 48u * 1000 * 1000));
        std::vector<int16_t> mark(2 * 48000);
        for (size_t i = 0; i < mark.size(); ++i) mark[i] = static_cast<int16_t>(i % 30000);
        f.Seek(24u * 1000 * 1000);
        f.WriteFrames(mark.data(), 48000);
    }
    const int status = RunCapped(48u << 20, [&] {
        CEditEngine engine;
        return engine.CreateLike(work, src) && engine.DeleteRange(src, work, 0, 24u * 1000 * 1000);
    });
    EXPECT_EQ(status, 0);
    CSoundFile w;
    ASSERT_TRUE(w.Open(work));
    EXPECT_EQ(w.GetFrameCount(), 24u * 1000 * 1000);
    std::vector<int16_t> got(2 * 4);
    w.ReadFrames(got.data(), 4);
    EXPECT_EQ(got, std::vector<int16_t>({0, 1, 2, 3, 4, 5, 6, 7}));
    // The cap is real: holding the file whole would not fit.
    EXPECT_NE(RunCapped(48u << 20, [] { return std::vector<char>(192u << 20, 1)[5] == 1; }), 0);
}

TEST(EngineStreamingTest, ToolsAndFiltersStayWithinTheMemoryCap)
{
    if (!kAddressSpaceCapMeaningful) GTEST_SKIP() << "memory caps are not measurable under AddressSanitizer";
    TempDir dir;
    const std::string big = dir.File("big.wav"), mid = dir.File("mid.wav");
    auto make = [](const std::string& path, uint32_t frames, double rate) {
        CSoundFile f;
        if (!f.Create(path, rate, 1, 16)) return false;
        std::vector<int16_t> block(1 << 16);
        uint32_t x = 1;
        for (uint32_t done = 0; done < frames;) {
            for (int16_t& s : block) s = static_cast<int16_t>((x = x * 1103515245u + 12345u) >> 20);
            const uint32_t n = std::min<uint32_t>(block.size(), frames - done);
            f.WriteFrames(block.data(), n);
            done += n;
        }
        f.Close();
        return !f.HasWriteError();
    };
    // 96 MB for the tools; 12 MB (over 4 minutes at 22050 Hz, more noise
    // spectra than the in-memory search takes) for the filters.
    ASSERT_TRUE(make(big, 48u << 20, 48000));
    ASSERT_TRUE(make(mid, 6u << 20, 22050));
    const int status = RunCapped(32u << 20, [&] {
        CEditEngine engine;
        CSoundTools tools(engine);
        CSoundFilter filter(engine);
        const std::string a = dir.File("a.wav"), b = dir.File("b.wav"), c = dir.File("c.wav");
        const BandFilterParams p{.highpassHz = 500};
        return engine.CreateLike(a, big) && tools.Amplify(big, a, 0.5, 0) && engine.CreateLike(b, big) &&
               tools.Reverse(big, b, 0, -1, 0) && engine.CreateLike(c, mid) &&
               filter.NoiseFilter(mid, c, 0, -1, 0) && engine.CreateLike(a, mid) &&
               filter.BandFilter(mid, a, 0, -1, p, 0);
    });
    EXPECT_EQ(status, 0);
    CSoundFile r;
    ASSERT_TRUE(r.Open(dir.File("b.wav")));
    EXPECT_EQ(r.GetFrameCount(), 48u << 20);
}

} // namespace
} // namespace tavril
