// From the play command to the first block handed to the device, through the
// null player, for a one-hour 96 kHz stereo file: the whole sound, and a 5 s
// selection in its middle (a fresh one each time, so the cursor-play file is
// written every time). The floor, in the same run, is libsndfile opening the
// file and reading its first block. Medians of 20; prints ratios.
//
// Usage: bench_play_start [FILE]  (FILE is made when missing and kept; a
// temporary one is made and removed otherwise)

#include "CManualClock.h"
#include "CNullSoundPlayer.h"
#include "CPlaybackController.h"
#include "CSoundFile.h"
#include "CTempFiles.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

using namespace tavril;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kRate = 96000;
constexpr uint32_t kFrames = kRate * 3600;
constexpr int kRuns = 20;

void MakeFile(const std::string& path)
{
    CSoundFile f;
    if (!f.Create(path, kRate, 2, 16)) {
        std::fprintf(stderr, "cannot create %s\n", path.c_str());
        std::exit(1);
    }
    std::vector<int16_t> block(2 * 65536);
    uint32_t seed = 7;
    for (uint32_t done = 0; done < kFrames;) {
        const uint32_t n = std::min<uint32_t>(65536, kFrames - done);
        for (auto& s : block) {
            seed = seed * 1664525u + 1013904223u;
            s = static_cast<int16_t>(seed >> 16);
        }
        f.WriteFrames(block.data(), n);
        done += n;
    }
    f.Close();
}

double MedianMs(const std::function<void(int)>& run)
{
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        run(i);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    return (ms[kRuns / 2 - 1] + ms[kRuns / 2]) / 2;
}

struct Window : IPlaybackWindow {
    PlaybackSource src;
    PlaybackSource DescribeForPlayback() override { return src; }
};

} // namespace

int main(int argc, char** argv)
{
    const bool keep = argc > 1;
    const std::string path = keep ? argv[1] : (fs::temp_directory_path() / ("tavril-play-" + std::to_string(getpid()) + ".wav")).string();
    if (!fs::exists(path)) {
        std::printf("writing a one-hour 96 kHz stereo file: %s\n", path.c_str());
        MakeFile(path);
    }
    const fs::path work = fs::temp_directory_path() / ("tavril-play-bench-" + std::to_string(getpid()));
    fs::create_directories(work);

    const double floorMs = MedianMs([&](int) {
        SF_INFO info{};
        SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
        std::vector<short> block(2 * 4096);
        if (!f || sf_readf_short(f, block.data(), 4096) != 4096) {
            std::fprintf(stderr, "libsndfile cannot read %s\n", path.c_str());
            std::exit(1);
        }
        sf_close(f);
    });

    CManualClock clock;
    CNullSoundPlayer player(clock);
    CTempFiles temps(work);
    temps.Start();
    LoopPlaybackSettings settings;
    CPlaybackController controller(player, clock, temps, (work / "cursorplay.wav").string(), settings);
    Window w;
    w.src = {path, false, kFrames, double(kRate), 2};
    const double wholeMs = MedianMs([&](int) {
        controller.SinglePlayback(&w);
        controller.Stop();
    });
    w.src.hasSelection = true;
    w.src.selFrames = 5 * kRate;
    const double selectionMs = MedianMs([&](int i) {
        w.src.selStart = kFrames / 2 + static_cast<uint32_t>(i);
        controller.SinglePlayback(&w);
        controller.Stop();
    });
    const auto history = player.History();
    const bool allPlayed = history.size() == 2 * kRuns && controller.CursorPlayWrites() == kRuns;

    std::printf("play command to first block, median of %d (ms)\n", kRuns);
    std::printf("  floor: libsndfile open + first block     %8.3f\n", floorMs);
    std::printf("  whole one-hour file                      %8.3f  (x%.1f of the floor)\n", wholeMs, wholeMs / floorMs);
    std::printf("  5 s selection in its middle (written)    %8.3f  (x%.1f of the floor)\n", selectionMs,
                selectionMs / floorMs);
    std::printf("budget 30 ms: %s%s\n", std::max(wholeMs, selectionMs) < 30 ? "met" : "MISSED",
                allPlayed ? "" : " (some playbacks failed!)");
    fs::remove_all(work);
    if (!keep)
        fs::remove(path);
    return allPlayed ? 0 : 1;
}
