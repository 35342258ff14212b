#pragma once
// PlaybackTrialSettings: how playback trials start and end, what they switch
// on and off, where their logfile and audio go and how their clock is shown
// ("Playback trial settings" section). Save writes every key in order; Load
// keeps the current value of a missing key.
//
// A plain value; UI thread. An empty file name means the default settings file.

#include <string>

namespace tavril {

struct PlaybackTrialSettings {
    int useTrialTrigger = 0;
    int beginOnKeypress = 1;
    int beginOnPlayback = 0;
    int endOnKeypress = 1;
    int endOnTimeout = 0;
    int timeoutSecs = 30;
    std::string logfileFolder;
    std::string logfileName = "trial log %Y-%m-%d";
    int soundbufAfterSecs = 0;
    int soundbufBeforeSecs = 0;
    std::string soundfileFolder;
    std::string soundfileName = "trial %Y-%m-%d %H-%M-%S";
    int storeEventsToLogfile = 1;
    int storeTrialAudio = 0;
    int timerWinLeft = 100, timerWinTop = 100, timerWinRight = 420, timerWinBottom = 170;
    int logTimeSecs = 10;
    int logTimeChecked = 0;
    int detectOnAtStart = 0;
    int detectOffAtEnd = 0;
    int loopOffAtEnd = 0;
    int detectorTimeoutSecs = 0;
    int loopTimeoutSecs = 0;
    int loopOnAtStart = 0;
    int recordOffAtTimeout = 0;
    int recordOnAtStart = 0;
    int recordTimeoutSecs = 0;
    int displayLocation = 0;  // 0 status bar, 1 trial timer window
    std::string beginKey = "b";
    std::string endKey = "e";
    std::string endSound;
    std::string startSound;
    int playEndSound = 0;
    int playStartSound = 0;

    static constexpr const char* kSection = "Playback trial settings";
    int Save(const std::string& file) const;
    void Load(const std::string& file);
};

} // namespace tavril
