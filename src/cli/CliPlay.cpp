// tavril-cli play: plays a sound file, a time range and one channel of it,
// once or in a loop, at a chosen speed, through the default output device.

#include "CliCommand.h"
#include "CliUtil.h"

#include "AudioErrors.h"
#include "CEditEngine.h"
#include "CPortAudioPlayer.h"
#include "CTempFiles.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace tavril::cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int)
{
    g_interrupted = 1;
}

// Waits `ms` milliseconds or until Ctrl+C; false when interrupted.
bool WaitMs(int64_t ms)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!g_interrupted && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return !g_interrupted;
}

int Usage(const char* what)
{
    std::fprintf(stderr, "tavril-cli play: %s (see 'tavril-cli help play')\n", what);
    return 2;
}

int RunPlay(const std::vector<std::string>& args)
{
    std::string file;
    std::optional<double> fromS, toS;
    double speed = 1.0;
    long long loops = 1, delayMs = 0, channel = 0;  // channel 0: all channels
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 1 && a[0] == '-') {
            if (i + 1 >= args.size()) return Usage(("'" + a + "' needs a value").c_str());
            const std::string& v = args[++i];
            const std::optional<double> number = ParseDouble(v);
            const std::optional<long long> whole = ParseInteger(v);
            if (a == "--from-s" && number && *number >= 0) fromS = number;
            else if (a == "--to-s" && number && *number > 0) toS = number;
            else if (a == "--speed" && number && *number > 0 && *number <= 16) speed = *number;
            else if (a == "--channel" && whole && *whole >= 1) channel = *whole;
            else if (a == "--loop" && whole && *whole >= 1) loops = *whole;
            else if (a == "--delay-ms" && whole && *whole >= 0) delayMs = *whole;
            else if (a == "--from-s" || a == "--to-s" || a == "--speed" || a == "--channel" || a == "--loop" ||
                     a == "--delay-ms")
                return Usage(("'" + v + "' is not a valid value for " + a).c_str());
            else return Usage(("unknown option '" + a + "'").c_str());
        } else if (file.empty()) {
            file = a;
        } else {
            return Usage("only one sound file can be played");
        }
    }
    if (file.empty()) return Usage("no sound file given");

    CEditEngine engine;
    CEditEngine::Info info;
    if (!engine.GetInfo(file, info) || info.rate <= 0) {
        std::fprintf(stderr, "Error opening soundfile %s. The file may be corrupt\n", file.c_str());
        return 1;
    }
    const double from = fromS.value_or(0.0);
    const double to = toS.value_or(info.frames / info.rate);
    if (to <= from) return Usage("--to-s must come after --from-s");
    const uint32_t start = static_cast<uint32_t>(std::min<double>(std::llround(from * info.rate), info.frames));
    const uint32_t end = static_cast<uint32_t>(std::min<double>(std::llround(to * info.rate), info.frames));
    if (start >= end) {
        std::fprintf(stderr, "tavril-cli play: the range holds no sound (the file lasts %.3f s)\n",
                     info.frames / info.rate);
        return 1;
    }

    PlayRequest request{file, start, end, speed};
    // One channel of a sound is played from a single-channel copy of the range.
    std::unique_ptr<CTempFiles> temps;
    std::string extracted;
    if (channel > 0) {
        if (channel > static_cast<long long>(info.channels)) {
            std::fprintf(stderr, "tavril-cli play: the sound has %u channel(s)\n", info.channels);
            return 1;
        }
        temps = std::make_unique<CTempFiles>();
        if (temps->Start()) extracted = temps->NewName();
        if (extracted.empty() ||
            !engine.CopyChannelToNewFile(extracted, file, start, end - start, static_cast<uint32_t>(channel - 1))) {
            std::fprintf(stderr, "tavril-cli play: %s\n",
                         engine.LastError().empty() ? "cannot write a temporary file" : engine.LastError().c_str());
            if (!extracted.empty()) ::unlink(extracted.c_str());
            return 1;
        }
        request = {extracted, 0, end - start, speed};
    }

    int status = 0;
    {
        CPortAudioSystem system;
        CPortAudioPlayer player(system);
        g_interrupted = 0;
        auto previous = std::signal(SIGINT, OnInterrupt);
        for (long long n = 0; n < loops && !g_interrupted; ++n) {
            if (n > 0 && !WaitMs(delayMs)) break;
            if (!player.PlayAsync(request)) {
                std::fprintf(stderr, "%s\n", SoundIoErrorMessage(player.ErrorText()).c_str());
                status = 1;
                break;
            }
            while (player.IsPlaying() && !g_interrupted)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        player.Stop();
        std::signal(SIGINT, previous);
        if (g_interrupted) {
            std::fprintf(stderr, "tavril-cli play: stopped\n");
            status = 130;
        }
    }
    if (!extracted.empty()) ::unlink(extracted.c_str());
    return status;
}

} // namespace

extern const CliCommand kPlayCommand = {
    "play",
    "play a sound file through the default output device",
    "Usage: tavril-cli play FILE [--from-s S --to-s E] [--channel N] [--loop N --delay-ms D] [--speed F]\n"
    "Plays the sound file (or the part from S to E seconds) through the default\n"
    "output device and returns when it has played. Ctrl+C stops it.\n"
    "  --from-s S, --to-s E  the part to play, in seconds (default: all of it)\n"
    "  --channel N           play only channel N (from 1), as a single channel\n"
    "  --loop N              play it N times\n"
    "  --delay-ms D          wait D milliseconds between the end of one playback\n"
    "                        and the start of the next (default 0)\n"
    "  --speed F             playback speed: 0.5 plays twice as long and an octave\n"
    "                        lower (time expansion for high calls); default 1\n"
    "Exit status 0 when played, 1 when the file or the device failed (the\n"
    "sound system's reason is printed as 'Sound I/O Error: ...'), 2 for a wrong\n"
    "command line, 130 when stopped with Ctrl+C.\n",
    RunPlay,
};

} // namespace tavril::cli
