// The block streamer behind both players, and the null player's timing.

#include "AudioTestUtil.h"
#include "CBlockStreamer.h"
#include "CManualClock.h"
#include "CNullSoundPlayer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace tavril {
namespace {

TEST(CBlockStreamer, FeederAndConsumerThreadsDeliverExactlyTheRange)
{
    test::TempDir dir;
    // 200000 stereo frames: left counts up, right counts down (as 16-bit).
    std::vector<int16_t> s;
    for (int i = 0; i < 200000; ++i) {
        s.push_back(static_cast<int16_t>(i));
        s.push_back(static_cast<int16_t>(-i));
    }
    const std::string path = test::WriteWav16(dir, "long.wav", 8000, 2, s);
    CBlockStreamer streamer;
    std::string error;
    ASSERT_EQ(streamer.Open({path, 1000, 150001}, error), 1) << error;
    EXPECT_EQ(streamer.FrameCount(), 149001u);
    streamer.StartFeeding();
    std::vector<int16_t> got;
    std::thread consumer([&] {
        std::vector<int16_t> chunk(2 * 1000);
        got.reserve(2 * 149001);
        while (!streamer.Finished()) {
            const uint32_t n = streamer.Pull(chunk.data(), 1000);
            got.insert(got.end(), chunk.begin(), chunk.begin() + 2 * n);
            if (n == 0)
                std::this_thread::yield();
        }
    });
    consumer.join();
    streamer.StopFeeding();
    const std::vector<int16_t> expected(s.begin() + 2 * 1000, s.begin() + 2 * 150001);
    EXPECT_EQ(got, expected);
    EXPECT_FALSE(streamer.HadReadError());

    // Ranges past the end are clipped; an empty range has nothing to play.
    ASSERT_EQ(streamer.Open({path, 199990}, error), 1);
    EXPECT_EQ(streamer.FrameCount(), 10u);
    EXPECT_EQ(streamer.Open({path, 200000}, error), 0);
    EXPECT_EQ(streamer.Open({dir.File("missing.wav")}, error), 0);
    EXPECT_EQ(streamer.Open({path, 0, UINT32_MAX, 0.0}, error), 0);
}

TEST(CBlockStreamer, AFileReplacedWhilePlayingPlaysOnUnchanged)
{
    test::TempDir dir;
    const std::vector<int16_t> old = test::Ramp(100000);
    const std::string path = test::WriteWav16(dir, "s.wav", 8000, 1, old);
    CBlockStreamer streamer;
    std::string error;
    ASSERT_EQ(streamer.Open({path}, error), 1);
    streamer.StartFeeding();
    // An edit saved meanwhile: a new file renamed over the old name.
    test::WriteWav16(dir, "new.wav", 8000, 1, std::vector<int16_t>(100000, 9));
    std::filesystem::rename(dir.File("new.wav"), path);
    std::vector<int16_t> got(100000);
    size_t n = 0;
    while (!streamer.Finished()) {
        n += streamer.Pull(got.data() + n, 4000);
        std::this_thread::yield();
    }
    EXPECT_EQ(got, old);
}

TEST(CNullSoundPlayer, LastsTheSoundsDurationAtItsSpeed)
{
    test::TempDir dir;
    const std::string path = test::WriteWav16(dir, "1s.wav", 22050, 1, std::vector<int16_t>(22050));
    CManualClock clock(500);
    CNullSoundPlayer player(clock);
    EXPECT_EQ(player.PlayPositionFrames(), -1);
    ASSERT_EQ(player.PlayAsync({path, 0, UINT32_MAX, 0.5}), 1);
    clock.AdvanceMs(1000);  // half speed: half of the 1 s sound has sounded
    EXPECT_EQ(player.PlayPositionFrames(), 11025);
    clock.AdvanceMs(999);
    EXPECT_TRUE(player.IsPlaying());
    clock.AdvanceMs(1);
    EXPECT_FALSE(player.IsPlaying());
    player.Stop();
    EXPECT_EQ(player.StopsWhilePlaying(), 0);

    // A range from 0.5 s, stopped a tenth of a second in.
    ASSERT_EQ(player.PlayAsync({path, 11025, 22050}), 1);
    clock.AdvanceMs(100);
    EXPECT_EQ(player.PlayPositionFrames(), 11025 + 2205);
    player.Stop();
    EXPECT_EQ(player.StopsWhilePlaying(), 1);
    EXPECT_FALSE(player.IsPlaying());
    ASSERT_EQ(player.History().size(), 2u);
    EXPECT_EQ(player.PlayAsync({dir.File("none.wav")}), 0);
    EXPECT_FALSE(player.ErrorText().empty());
}

} // namespace
} // namespace tavril
