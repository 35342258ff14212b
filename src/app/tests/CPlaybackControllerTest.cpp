// Playback of sound windows through the null player on a manual clock: what
// is written to the cursor-play file and when, loop timing and counting, the
// window rule, detector suspension, and the loop settings' keys.

#include "CManualClock.h"
#include "CNullSoundPlayer.h"
#include "CPlaybackController.h"
#include "CTempFiles.h"
#include "LoopPlaybackSettings.h"
#include "TestSupport.h"
#include "../../edit/tests/EditTestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tavril {
namespace {

struct FakeWindow : IPlaybackWindow {
    PlaybackSource src;
    PlaybackSource DescribeForPlayback() override { return src; }
};

struct CountingHooks : IPlaybackHooks {
    bool recording = true;
    bool detectorOff = true;
    std::vector<std::string> events;
    bool RecorderRunning() override { return recording; }
    bool DetectorOffDuringPlayback() override { return detectorOff; }
    void SuspendDetection() override { events.push_back("suspend"); }
    void ResumeDetection() override { events.push_back("resume"); }
};

class Playback : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temps.Start());
        // 2 s of stereo at 8000 Hz: left i, right -i.
        std::vector<int32_t> s;
        for (int i = 0; i < 16000; ++i) {
            s.push_back(i);
            s.push_back(-i);
        }
        ASSERT_TRUE(test::MakeWav(m_dir.File("a.wav"), 8000, 2, 16, s));
        a.src = {m_dir.File("a.wav"), false, 16000, 8000, 2};
        b.src = a.src;
        m_ctl.SetActiveWindowProvider([this] { return m_active; });
    }
    std::vector<uint32_t> StartTimes() const
    {
        std::vector<uint32_t> t;
        for (const auto& p : m_player.History())
            t.push_back(p.startMs);
        return t;
    }
    void RunFor(uint32_t ms)
    {
        for (uint32_t i = 0; i < ms; i += 10) {
            m_clock.AdvanceMs(10);
            m_ctl.Tick();
        }
    }

    test::TempDir m_dir;
    CTempFiles m_temps{m_dir.Path()};
    CManualClock m_clock{0};
    CNullSoundPlayer m_player{m_clock};
    LoopPlaybackSettings m_settings;
    CPlaybackController m_ctl{m_player, m_clock, m_temps, m_dir.File("cursorplay.wav"), m_settings};
    FakeWindow a, b;
    IPlaybackWindow* m_active = nullptr;
};

TEST_F(Playback, SelectionGoesThroughTheCursorPlayFileWrittenOnlyWhenItChanges)
{
    a.src.hasSelection = true;
    a.src.selStart = 100;
    a.src.selFrames = 5;
    a.src.channel = 1;
    ASSERT_EQ(m_ctl.SinglePlayback(&a), 1);
    uint32_t channels = 0;
    EXPECT_EQ(test::ReadWav(m_dir.File("cursorplay.wav"), &channels), (std::vector<int32_t>{-100, -101, -102, -103, -104}));
    EXPECT_EQ(channels, 1u);
    EXPECT_EQ(m_player.History().back().request.path, m_dir.File("cursorplay.wav"));
    b.src = a.src;
    ASSERT_EQ(m_ctl.SinglePlayback(&b), 1);
    EXPECT_EQ(m_ctl.CursorPlayWrites(), 1);  // the same range again, even from another window

    a.src.selFrames = 6;  // one sample more
    m_ctl.SinglePlayback(&a);
    a.src.channel = 0;    // the other channel
    m_ctl.SinglePlayback(&a);
    EXPECT_EQ(m_ctl.CursorPlayWrites(), 3);
    EXPECT_EQ(test::ReadWav(m_dir.File("cursorplay.wav")), (std::vector<int32_t>{100, 101, 102, 103, 104, 105}));

    // The sound rewritten under the same name (an edit saved): the range is read again.
    std::vector<int32_t> louder;
    for (int i = 0; i < 16000; ++i) {
        louder.push_back(2 * i % 30000);
        louder.push_back(0);
    }
    ASSERT_TRUE(test::MakeWav(m_dir.File("new.wav"), 8000, 2, 16, louder));
    std::filesystem::rename(m_dir.File("new.wav"), m_dir.File("a.wav"));
    m_ctl.SinglePlayback(&a);
    EXPECT_EQ(m_ctl.CursorPlayWrites(), 4);
    EXPECT_EQ(test::ReadWav(m_dir.File("cursorplay.wav")).front(), 200);
}

TEST_F(Playback, WhatAWindowPlays)
{
    // Whole stereo sound: the file itself, and the position line follows it.
    ASSERT_EQ(m_ctl.SinglePlayback(&a), 1);
    EXPECT_EQ(m_player.History().back().request.path, a.src.soundPath);
    m_clock.AdvanceMs(250);
    EXPECT_EQ(m_ctl.PositionInWindow(&a), 2000);
    EXPECT_EQ(m_ctl.PositionInWindow(&b), -1);

    // A selection's position counts from the sound's start.
    a.src.hasSelection = true;
    a.src.selStart = 4000;
    a.src.selFrames = 8000;
    m_ctl.SinglePlayback(&a);
    m_clock.AdvanceMs(100);
    EXPECT_EQ(m_ctl.PositionInWindow(&a), 4800);

    // Prevented, or a new sound without a file and without a selection: nothing.
    const size_t played = m_player.History().size();
    b.src.preventPlayback = true;
    EXPECT_EQ(m_ctl.SinglePlayback(&b), 0);
    b.src = a.src;
    b.src.unsaved = true;
    b.src.hasSelection = false;
    EXPECT_EQ(m_ctl.SinglePlayback(&b), 0);
    EXPECT_EQ(m_player.History().size(), played);

    // Three channels: a single-channel copy plays and is gone afterwards.
    std::vector<int32_t> three;
    for (int i = 0; i < 800; ++i)
        three.insert(three.end(), {1, 2, 3});
    ASSERT_TRUE(test::MakeWav(m_dir.File("3.wav"), 8000, 3, 16, three));
    b.src = {m_dir.File("3.wav"), false, 800, 8000, 3, 2};
    ASSERT_EQ(m_ctl.SinglePlayback(&b), 1);
    const auto last = m_player.History().back();
    EXPECT_NE(last.request.path, b.src.soundPath);
    EXPECT_EQ(last.frames, 800u);
    EXPECT_FALSE(std::filesystem::exists(last.request.path));
}

TEST_F(Playback, LoopWithCountLimitPlaysThreeTimesWithTheDelayFromEndOrStart)
{
    m_settings.limitNumberChecked = true;
    m_settings.numPlaybacks = 3;
    m_settings.loopDelayMs = 500;
    m_settings.delayStartPosition = 1;  // from the end of the 2 s sound: every 2.5 s
    m_active = &a;
    m_ctl.ToggleLoop(&a);
    RunFor(10000);
    EXPECT_EQ(StartTimes(), (std::vector<uint32_t>{0, 2500, 5000}));
    EXPECT_FALSE(m_ctl.IsLooping());

    m_clock.SetMs(100000);
    m_settings.delayStartPosition = 0;  // from the start: every 0.5 s, each cutting the last short
    const size_t before = m_player.History().size();
    m_ctl.ToggleLoop(&a);
    RunFor(5000);
    const std::vector<uint32_t> t = StartTimes();
    EXPECT_EQ(std::vector<uint32_t>(t.begin() + static_cast<std::ptrdiff_t>(before), t.end()),
              (std::vector<uint32_t>{100000, 100500, 101000}));
    EXPECT_EQ(m_player.StopsWhilePlaying(), 2);

    // A limit of one means one playback.
    m_settings.numPlaybacks = 1;
    const size_t once = m_player.History().size();
    m_ctl.ToggleLoop(&a);
    RunFor(5000);
    EXPECT_EQ(m_player.History().size(), once + 1);
}

TEST_F(Playback, LoopFollowsTheActiveWindowOrStaysWithItsOwn)
{
    b.src.soundPath = m_dir.File("b.wav");
    std::filesystem::copy_file(a.src.soundPath, b.src.soundPath);
    m_settings.loopDelayMs = 0;
    m_settings.delayStartPosition = 1;
    for (int behavior : {0, 1}) {
        m_settings.playbackBehavior = behavior;
        m_active = &a;
        const size_t before = m_player.History().size();
        m_ctl.ToggleLoop(&a);
        RunFor(2000);
        m_active = &b;
        RunFor(2000);
        m_ctl.ToggleLoop(&a);  // stops
        EXPECT_FALSE(m_ctl.IsLooping());
        EXPECT_FALSE(m_player.IsPlaying());
        const auto h = m_player.History();
        ASSERT_EQ(h.size(), before + 3) << behavior;
        EXPECT_EQ(h[before + 1].request.path, a.src.soundPath);
        EXPECT_EQ(h[before + 2].request.path, behavior == 0 ? b.src.soundPath : a.src.soundPath) << behavior;
    }
}

TEST_F(Playback, DetectionResumesAHundredMillisecondsAfterTheNominalEndAtTheChosenSpeed)
{
    CountingHooks hooks;
    m_ctl.SetHooks(&hooks);
    m_settings.playbackSpeed = 0.5;  // the 2 s sound lasts 4 s
    m_clock.SetMs(1000);
    ASSERT_EQ(m_ctl.SinglePlayback(&a), 1);
    EXPECT_EQ(hooks.events, std::vector<std::string>{"suspend"});
    m_clock.SetMs(1000 + 4099);
    m_ctl.Tick();
    EXPECT_TRUE(m_ctl.IsPlaying());
    m_clock.SetMs(1000 + 4100);
    m_ctl.Tick();
    EXPECT_FALSE(m_ctl.IsPlaying());
    EXPECT_EQ(hooks.events, (std::vector<std::string>{"suspend", "resume"}));
    m_ctl.SetHooks(nullptr);
}

TEST(LoopPlaybackSettings, ReadsItsSectionAndRefusesUnplayableValues)
{
    test::TempDir dir;
    const std::string file = dir.File("t.ini");
    std::ofstream(file) << "[Loop Playback Settings]\nLoop delay=250\nnum playbacks=4\nlimit number checked=1\n"
                           "playback behavior=0\nforce loop playback mode=1\n"
                           "delay start position (0-start, 1-end)=0\nplayback speed=0.25\n";
    LoopPlaybackSettings s;
    s.Load(file);
    EXPECT_EQ(s.loopDelayMs, 250);
    EXPECT_EQ(s.numPlaybacks, 4);
    EXPECT_TRUE(s.limitNumberChecked);
    EXPECT_EQ(s.playbackBehavior, 0);
    EXPECT_TRUE(s.forceLoopPlaybackMode);
    EXPECT_EQ(s.delayStartPosition, 0);
    EXPECT_EQ(s.playbackSpeed, 0.25);
    std::ofstream(file) << "[Loop Playback Settings]\nplayback speed=0\nLoop delay=-5\n";
    s.Load(file);
    EXPECT_EQ(s.playbackSpeed, 1.0);
    EXPECT_EQ(s.loopDelayMs, 0);
}

} // namespace
} // namespace tavril
