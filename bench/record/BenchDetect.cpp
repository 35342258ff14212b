// The file detector with its default settings over a one-hour 22050 Hz mono
// 16-bit recording (quiet noise with a 300 ms call every 10 s), on one
// thread, against libsndfile's sf_readf_short reading the same file. Prints
// both times, the detector's speed as a multiple of real time, and the
// ratio detector / libsndfile read.

#include "CFileDetector.h"
#include "CSoundFile.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t kRate = 22050;
constexpr uint32_t kFrames = kRate * 3600;

const std::string& BenchFile()
{
    static const std::string path = [] {
        const std::string p =
            (std::filesystem::temp_directory_path() / ("tavril-detect-" + std::to_string(getpid()) + ".wav")).string();
        tavril::CSoundFile f;
        if (!f.Create(p, kRate, 1, 16)) std::abort();
        std::vector<int16_t> block(kRate);
        uint32_t seed = 1;
        for (uint32_t s = 0; s < 3600; ++s) {
            for (uint32_t i = 0; i < kRate; ++i) {
                seed = seed * 1664525u + 1013904223u;
                double v = int16_t(seed >> 16) / 300.0;
                if (s % 10 == 5 && i < kRate * 3 / 10) v += 6000 * std::sin(2 * M_PI * 3500.0 * i / kRate);
                block[i] = int16_t(v);
            }
            f.WriteFrames(block.data(), kRate);
        }
        f.Close();
        std::atexit([] { std::remove(BenchFile().c_str()); });
        return p;
    }();
    return path;
}

void BM_DetectOneHour(benchmark::State& state)
{
    tavril::FileDetectorSettings settings;  // the built-in detector settings
    size_t found = 0;
    for (auto _ : state) {
        tavril::CFileDetector detector;
        found = detector.Run(BenchFile(), settings).detections.size();
    }
    state.counters["detections"] = double(found);
}

void BM_SndfileReadOneHour(benchmark::State& state)
{
    std::vector<short> buf(65536);
    int64_t sum = 0;
    for (auto _ : state) {
        SF_INFO info{};
        SNDFILE* sf = sf_open(BenchFile().c_str(), SFM_READ, &info);
        if (!sf) {
            state.SkipWithError("libsndfile could not open the file");
            return;
        }
        while (sf_readf_short(sf, buf.data(), 65536) > 0) sum += buf[0];
        sf_close(sf);
    }
    benchmark::DoNotOptimize(sum);
}

BENCHMARK(BM_DetectOneHour)->Unit(benchmark::kMillisecond)->MinTime(5.0);
BENCHMARK(BM_SndfileReadOneHour)->Unit(benchmark::kMillisecond)->MinTime(2.0);

class TimeReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs) m_cpuMs[r.run_name.function_name] = r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> m_cpuMs;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    BenchFile();
    TimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double detect = reporter.m_cpuMs["BM_DetectOneHour"];
    const double read = reporter.m_cpuMs["BM_SndfileReadOneHour"];
    if (detect > 0 && read > 0)
        std::printf("\nDetect one hour: %.0f ms CPU = %.0fx real time (target >= 1000x); libsndfile read %.0f ms; "
                    "ratio %.1f (target <= 4)\n",
                    detect, 3600e3 / detect, read, detect / read);
    benchmark::Shutdown();
    return 0;
}
