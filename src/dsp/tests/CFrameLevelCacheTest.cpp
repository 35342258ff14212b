#include "CFrameLevelCache.h"

#include "CWorkerPool.h"
#include "DspTestUtil.h"
#include "SpectrogramColumns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace tavril;

namespace {

int16_t Song(uint32_t i)
{
    // Chirps repeating every second over a little noise.
    const double t = (i % 22050) / 22050.0;
    return static_cast<int16_t>(6000.0 * std::sin(2 * M_PI * (1500 + 4000 * t) * t) + int((i * 2654435761u) >> 27) - 16);
}

class CFrameLevelCacheTest : public ::testing::Test {
protected:
    void Write(const std::vector<int16_t>& v)
    {
        s.Close();
        ASSERT_EQ(s.Open(test::WriteWav(dir.File("s.wav"), 22050.0, 1, v)), 1);
    }
    std::vector<int16_t> Samples(uint32_t frames)
    {
        std::vector<int16_t> v(frames);
        for (uint32_t i = 0; i < frames; ++i) v[i] = Song(i);
        return v;
    }
    // The picture drawn from `cache` at `columns` columns over the sound, 64 rows.
    std::vector<uint32_t> Picture(const CFrameLevelCache& cache, int columns)
    {
        std::vector<uint32_t> img(size_t(columns) * 64, 0);
        const ChannelReader read = MakeChannelReader(s, 0);
        EXPECT_GT(PaintEveryFrameColumns(cache, read, d, double(cache.SoundFrames()) / columns, 0, columns, img.data(),
                                         columns, 64),
                  0);
        return img;
    }
    test::TempDir dir;
    CSoundFile s;
    SpectrogramDisplay d;
    CWorkerPool pool{2};
};

} // namespace

TEST_F(CFrameLevelCacheTest, ASmallBudgetKeepsCoarserMaximaAndGivesTheSamePicture)
{
    const uint32_t frames = 600000;  // 2342 frames of 512 samples, 600 kB per pyramid level
    Write(Samples(frames));
    CFrameLevelCache whole, small(200 * 1024);
    for (CFrameLevelCache* c : {&whole, &small}) {
        c->Configure({256, 0, 0}, frames);
        c->Fill(MakeChannelReader(s, 0), &pool, 0, c->FrameCount());
    }
    EXPECT_EQ(whole.FinestLevel(), 0);
    EXPECT_GE(small.FinestLevel(), 2);
    EXPECT_LE(small.MemoryBytes(), 200u * 1024);
    // Column edges fall at every offset within the coarse blocks.
    for (int columns : {997, 313, 64}) {
        EXPECT_EQ(Picture(whole, columns), Picture(small, columns)) << columns;
        EXPECT_EQ(Picture(whole, columns), Picture(small, columns)) << columns << ", edge frames kept";
    }
}

TEST_F(CFrameLevelCacheTest, RepaintsComeFromTheCacheAndAnEditRecomputesOnlyItsStretch)
{
    const uint32_t frames = 400000;
    std::vector<int16_t> v = Samples(frames);
    Write(v);
    CFrameLevelCache cache;
    cache.Configure({256, 0, 0}, frames);
    const size_t all = cache.Fill(MakeChannelReader(s, 0), &pool, 0, cache.FrameCount());
    EXPECT_EQ(all, cache.FrameCount());
    const std::vector<uint32_t> before = Picture(cache, 500);
    // Blocks of four frames: the frames at the edges of five wide columns are
    // computed when drawn and kept.
    CFrameLevelCache small(400 * 1024);
    small.Configure({256, 0, 0}, frames);
    small.Fill(MakeChannelReader(s, 0), &pool, 0, small.FrameCount());
    ASSERT_EQ(small.FinestLevel(), 2);
    const std::vector<uint32_t> wideBefore = Picture(small, 5);
    EXPECT_EQ(wideBefore, Picture(cache, 5));
    // A second pass over a scrolled part and back finds nothing to compute.
    EXPECT_EQ(cache.Fill(MakeChannelReader(s, 0), &pool, 100, 900), 0u);
    EXPECT_EQ(Picture(cache, 500), before);

    // A loud click over samples 319744 ... 320255, at the edge of the fourth
    // wide column (sample 320000): frames of 512 samples starting every 256
    // overlap it from frame 1248 (starts 319488) to 1250 (starts 320000).
    for (uint32_t i = 319744; i < 320256; ++i) v[i] = static_cast<int16_t>((i * 2654435761u) >> 16);
    Write(v);
    EXPECT_EQ(cache.Revalidate(MakeChannelReader(s, 0)), 3u);
    EXPECT_EQ(cache.Fill(MakeChannelReader(s, 0), &pool, 0, cache.FrameCount()), 3u);
    CFrameLevelCache fresh;
    fresh.Configure({256, 0, 0}, frames);
    fresh.Fill(MakeChannelReader(s, 0), &pool, 0, fresh.FrameCount());
    const std::vector<uint32_t> after = Picture(cache, 500);
    EXPECT_EQ(after, Picture(fresh, 500));
    EXPECT_NE(after, before);
    EXPECT_GT(small.Revalidate(MakeChannelReader(s, 0)), 0u);
    small.Fill(MakeChannelReader(s, 0), &pool, 0, small.FrameCount());
    const std::vector<uint32_t> wideAfter = Picture(small, 5);
    EXPECT_EQ(wideAfter, Picture(fresh, 5));
    EXPECT_NE(wideAfter, wideBefore);
}

TEST_F(CFrameLevelCacheTest, AnotherGainOrTransformStartsAfreshAndAShorterSoundKeepsItsWholeBlocks)
{
    const uint32_t frames = 100000;
    Write(Samples(frames));
    CFrameLevelCache cache;
    cache.Configure({256, 0, 0}, frames);
    cache.Fill(MakeChannelReader(s, 0), &pool, 0, cache.FrameCount());
    cache.Configure({256, 0, 2}, frames);
    EXPECT_EQ(cache.MissingFrames(0, cache.FrameCount()), cache.FrameCount());
    cache.Fill(MakeChannelReader(s, 0), &pool, 0, cache.FrameCount());
    cache.Configure({128, 0, 2}, frames);
    EXPECT_EQ(cache.FrameCount(), (frames - 256) / 128 + 1);
    EXPECT_EQ(cache.MissingFrames(0, cache.FrameCount()), cache.FrameCount());
    cache.Fill(MakeChannelReader(s, 0), &pool, 0, cache.FrameCount());
    cache.Configure({128, 0, 2}, frames - 1000);
    EXPECT_TRUE(cache.IsFilled(0, cache.FrameCount()));
    // A cache for one picture keeps no hashes: after a change nothing holds.
    CFrameLevelCache once(CFrameLevelCache::kDefaultBudgetBytes, false);
    once.Configure({128, 0, 2}, frames);
    once.Fill(MakeChannelReader(s, 0), &pool, 0, once.FrameCount());
    EXPECT_EQ(once.Revalidate(MakeChannelReader(s, 0)), once.FrameCount());
    EXPECT_EQ(cache.Revalidate(MakeChannelReader(s, 0)), 0u);
    cache.Configure({128, 0, 2}, 100);  // shorter than a frame
    EXPECT_EQ(cache.FrameCount(), 0u);
}
