// Playback trials on a hand-moved clock: how they start and end, the clock's
// log lines, what they switch, the trial audio and its post-trial recording,
// and events arriving while a store is in progress.
#include "CPlaybackTrial.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>

using namespace tavril;

namespace {

class FakeHost : public ITrialHost {
public:
    int64_t now = 1000000;
    std::vector<std::string> events;  // actions and logfile lines in order
    std::map<int, int> timers;        // armed timers and their periods
    bool recording = false, looping = false, singlePlaying = false, trialRecorder = false;
    int bufferSecs = 0;
    bool hasFrames = true, timerWindow = false;
    std::string status, timerText;
    std::function<void()> duringStore;

    int64_t NowSeconds() const override { return now; }
    void ArmTimer(int id, int ms) override { timers[id] = ms; }
    void KillTimer(int id) override { timers.erase(id); }
    bool IsRecording() const override { return recording; }
    void StartRecording() override { recording = true; events.push_back("record on"); }
    void StopRecording() override { recording = false; events.push_back("record off"); }
    void SetDetectorsOn(bool on) override { events.push_back(on ? "detect on" : "detect off"); }
    bool IsLoopPlaying() const override { return looping; }
    void StartLoopPlayback() override { looping = true; events.push_back("loop on"); }
    void StopLoopPlayback() override { looping = false; events.push_back("loop off"); }
    bool IsSinglePlaybackSounding() const override { return singlePlaying; }
    void PlayCue(const std::string& path, bool wait) override { events.push_back("cue " + path + (wait ? " wait" : "")); }
    bool TrialRecorderRunning() const override { return trialRecorder; }
    void StartTrialRecorder() override { trialRecorder = true; events.push_back("trial recorder on"); }
    void StopTrialRecorder() override { trialRecorder = false; events.push_back("trial recorder off"); }
    int TrialRecorderBufferSecs() const override { return bufferSecs; }
    void SetTrialRecorderBuffer(int s) override { bufferSecs = s; events.push_back("buffer " + std::to_string(s)); }
    bool TrialRecorderHasFrames() const override { return hasFrames; }
    void StoreTrialAudio(const std::string& path) override {
        events.push_back("store " + path);
        // What the event loop delivers while the first store shows its progress.
        if (auto f = std::exchange(duringStore, nullptr))
            f();
        events.push_back("stored");
    }
    void OpenLog(const std::string& path) override { events.push_back("log " + path); }
    void Log(const std::string& line) override { events.push_back(line); }
    std::string CurrentDisplayFile() const override { return "birds.dsp"; }
    void ShowStatus(const std::string& text) override { status = text; }
    void ShowTimerWindow(bool) override { timerWindow = true; }
    bool HasTimerWindow() const override { return timerWindow; }
    void ShowTimerText(const std::string& text) override { timerText = text; }
    bool AskYesNo(const std::string& q) override { events.push_back("asked " + q); return true; }

    bool Has(const std::string& e) const { return std::find(events.begin(), events.end(), e) != events.end(); }
    size_t Count(const std::string& e) const { return std::count(events.begin(), events.end(), e); }
};

class Trial : public ::testing::Test {
protected:
    void SetUp() override {
        s.logfileFolder = dir.File("logs");
        s.logfileName = "trials";
        s.soundfileFolder = dir.File("audio");
        s.soundfileName = "trial";
    }
    // Moves the clock on second by second, the trial clock ticking four times a second.
    void RunFor(int seconds) {
        for (int i = 0; i < seconds; ++i) {
            ++host.now;
            for (int k = 0; k < 4 && host.timers.count(CPlaybackTrial::kClockTimer); ++k)
                trial.OnTimer(CPlaybackTrial::kClockTimer);
        }
    }
    test::TempDir dir;
    PlaybackTrialSettings s;
    FakeHost host;
    CPlaybackTrial trial{s, host};
};

TEST_F(Trial, BeginKeyWithAndWithoutTheArmedTrigger) {
    s.useTrialTrigger = 1;
    EXPECT_TRUE(trial.TypedCharacter('b'));
    EXPECT_FALSE(trial.IsRunning()) << "the trigger is not armed";
    trial.ToggleTrigger();
    trial.TypedCharacter('b');
    EXPECT_TRUE(trial.IsRunning());
    EXPECT_FALSE(trial.TriggerArmed()) << "a trial disarms the trigger";
    EXPECT_EQ(host.timers[CPlaybackTrial::kClockTimer], 250);
    // The end key ends it; a character that is neither key is not taken.
    EXPECT_FALSE(trial.TypedCharacter('x'));
    trial.TypedCharacter('e');
    EXPECT_FALSE(trial.IsRunning());
    // Without the trigger rule the begin key starts at once; with keys off it does nothing.
    s.useTrialTrigger = 0;
    trial.KeyBegin();
    EXPECT_TRUE(trial.IsRunning());
    s.endOnKeypress = 0;
    trial.KeyEnd();
    EXPECT_TRUE(trial.IsRunning());
}

TEST_F(Trial, PlaybacksStartOnlyFromWindowsThatStartTrialsAndAreCounted) {
    s.beginOnPlayback = 1;
    trial.PlaybackHappened(false);
    EXPECT_FALSE(trial.IsRunning());
    trial.PlaybackHappened(true);
    ASSERT_TRUE(trial.IsRunning());
    EXPECT_EQ(trial.Playbacks(), 0) << "the starting playback begins the count";
    RunFor(5);
    trial.PlaybackHappened(false);
    trial.PlaybackHappened(true);
    EXPECT_EQ(trial.Playbacks(), 2);
    RunFor(4);
    EXPECT_EQ(host.status, "Trial Time: 00:00:09    Time Since Last Playback: 00:00:04  #Playbacks: 2");
}

TEST_F(Trial, TimeoutAfterTheLastPlaybackEndsTheTrialAndLogsIt) {
    s.endOnTimeout = 1;
    s.timeoutSecs = 30;
    trial.StartStop();
    ASSERT_TRUE(trial.IsRunning());
    EXPECT_TRUE(host.Has("log " + dir.File("logs") + "/trials.txt"));
    RunFor(20);
    trial.PlaybackHappened(false);
    RunFor(30);
    EXPECT_TRUE(trial.IsRunning()) << "30 s since the last playback is not yet past the timeout";
    RunFor(1);
    EXPECT_FALSE(trial.IsRunning()) << "ends at about 50 s";
    EXPECT_EQ(host.Count("*** Trial End: ***"), 1u);
    EXPECT_EQ(host.status, "Trial Time: 00:00:51    Time Since Last Playback: 00:00:31  #Playbacks: 1  ***END OF TRIAL***");
    EXPECT_FALSE(host.timers.count(CPlaybackTrial::kClockTimer)) << "the clock stops past the stop time";
}

TEST_F(Trial, TrialTimeLinesAtEveryIntervalOnceAndNotAtZero) {
    s.logTimeChecked = 1;
    s.logTimeSecs = 10;
    trial.KeyBegin();
    RunFor(35);
    std::vector<std::string> lines;
    for (const auto& e : host.events)
        if (e.rfind("Trial Time (sec):", 0) == 0)
            lines.push_back(e);
    EXPECT_EQ(lines, (std::vector<std::string>{"Trial Time (sec):\t10", "Trial Time (sec):\t20",
                                               "Trial Time (sec):\t30"}));
    EXPECT_EQ(host.events[1], "*** Trial Begin: ***");
    EXPECT_EQ(host.events[2], "Display: birds.dsp");
}

TEST_F(Trial, SwitchesOnAtTheStartAndOffAtTheirTimeouts) {
    s.recordOnAtStart = s.recordOffAtTimeout = 1;
    s.recordTimeoutSecs = 40;
    s.detectOnAtStart = s.detectOffAtEnd = 1;
    s.detectorTimeoutSecs = 20;
    s.loopOnAtStart = s.loopOffAtEnd = 1;
    s.loopTimeoutSecs = 10;
    s.endOnTimeout = 1;
    s.timeoutSecs = 5;
    trial.KeyBegin();
    EXPECT_TRUE(host.recording && host.looping);
    EXPECT_TRUE(host.Has("detect on"));
    RunFor(6);
    EXPECT_FALSE(trial.IsRunning()) << "the timeout ended the trial";
    EXPECT_FALSE(host.looping) << "loop playback stops at the end";
    EXPECT_TRUE(host.recording) << "recording goes on to its own timeout";
    RunFor(15);
    EXPECT_TRUE(host.Has("detect off"));
    EXPECT_TRUE(host.recording);
    EXPECT_EQ(host.Count("loop off"), 1u) << "once per trial";
    RunFor(19);
    EXPECT_TRUE(host.recording) << "on up to its timeout";
    EXPECT_TRUE(trial.ClockRunning());
    RunFor(1);
    EXPECT_FALSE(host.recording) << "off past the record timeout";
    EXPECT_FALSE(trial.ClockRunning()) << "the clock stops past the largest timeout";
    // Recording that was on already is left running, and its timeout does not hold the clock.
    host.events.clear();
    s.recordOffAtTimeout = 0;
    host.recording = true;
    trial.KeyBegin();
    EXPECT_FALSE(host.Has("record on"));
}

TEST_F(Trial, TrialAudioIsSavedAtOnceOrAfterThePostTrialRecording) {
    s.storeTrialAudio = s.endOnTimeout = 1;
    s.timeoutSecs = 30;
    s.soundbufAfterSecs = 0;
    s.soundbufBeforeSecs = 4;
    trial.KeyBegin();
    EXPECT_TRUE(host.Has("buffer 30"));
    EXPECT_TRUE(host.Has("trial recorder on"));
    const std::string wav = dir.File("audio") + "/trial.wav";
    EXPECT_TRUE(host.Has("Audio record: " + wav));
    trial.KeyEnd();
    EXPECT_TRUE(host.Has("store " + wav)) << "saved at the end at once";
    EXPECT_EQ(host.bufferSecs, 34) << "then the buffer holds timeout + before + after";

    // Five seconds after: saved when the post-trial timer fires.
    host.events.clear();
    host.trialRecorder = false;
    s.soundbufAfterSecs = 5;
    trial.KeyBegin();
    trial.KeyEnd();
    EXPECT_TRUE(trial.PostTrialRecording());
    EXPECT_EQ(host.timers[CPlaybackTrial::kPostTrialTimer], 5000);
    EXPECT_FALSE(host.Has("store " + wav));
    trial.OnTimer(CPlaybackTrial::kPostTrialStatusTimer);
    EXPECT_NE(host.status.find("[recording post-trial audio]"), std::string::npos);
    trial.OnTimer(CPlaybackTrial::kPostTrialTimer);
    EXPECT_TRUE(host.Has("store " + wav));
    EXPECT_FALSE(trial.PostTrialRecording());
    EXPECT_NE(host.status.find("post-trial recording SAVED"), std::string::npos);
    EXPECT_FALSE(host.timers.count(CPlaybackTrial::kPostTrialTimer));
}

TEST_F(Trial, EventsDuringAStoreWaitForItSoTheLogStaysInOrder) {
    s.storeTrialAudio = s.endOnTimeout = 1;
    s.timeoutSecs = 30;
    trial.KeyBegin();
    RunFor(3);
    // The end key and a playback arrive while "Save trial recording buffer" stores.
    host.duringStore = [&] {
        trial.PlaybackHappened(false);
        trial.KeyEnd();
        EXPECT_TRUE(trial.IsRunning()) << "the end waits for the store";
    };
    trial.SaveBufferNow();

    EXPECT_FALSE(trial.IsRunning());
    EXPECT_EQ(trial.Playbacks(), 1) << "the playback came before the end";
    const auto stored = std::find(host.events.begin(), host.events.end(), "stored");
    const auto end = std::find(host.events.begin(), host.events.end(), "*** Trial End: ***");
    ASSERT_NE(end, host.events.end());
    EXPECT_LT(stored, end);
}

TEST_F(Trial, TrialRecordingCommandAndTheTimerWindow) {
    s.timeoutSecs = 20;
    s.soundbufBeforeSecs = 3;
    s.soundbufAfterSecs = 2;
    trial.TrialRecording();
    EXPECT_TRUE(host.trialRecorder);
    EXPECT_EQ(host.bufferSecs, 25);
    trial.TrialRecording();
    EXPECT_FALSE(host.trialRecorder);
    EXPECT_FALSE(host.Has("asked The trial audio recorder is still running. Save the buffer?"))
        << "asked only while post-trial recording is pending";
    s.displayLocation = 1;
    trial.KeyBegin();
    EXPECT_TRUE(host.timerWindow);
    RunFor(9);
    EXPECT_EQ(host.timerText, "Trial:00:00:09  PB:00:00:09  #Playbacks: 0");
    trial.KeyEnd();
    EXPECT_EQ(host.timerText, "Trial:00:00:09  PB:00:00:09  #Playbacks: 0\n**END OF TRIAL**");
}

TEST(TrialSettings, SavedAndReadBack) {
    test::TempDir dir;
    PlaybackTrialSettings s;
    s.timeoutSecs = 45;
    s.beginKey = "q";
    s.logfileFolder = "/data/%Y";
    ASSERT_EQ(s.Save(dir.File("t.set")), 1);
    PlaybackTrialSettings back;
    back.Load(dir.File("t.set"));
    EXPECT_EQ(back.timeoutSecs, 45);
    EXPECT_EQ(back.beginKey, "q");
    EXPECT_EQ(back.logfileFolder, "/data/%Y");
}

} // namespace
