// Throughput of ReadFrames in 65536-frame blocks over a one-hour 22050 Hz
// mono 16-bit WAV, against libsndfile's sf_readf_short on the same file.
// Prints both figures and the ratio (Tavril / libsndfile) at the end.

#include "CSoundFile.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

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
constexpr uint32_t kBlock = 65536;

const std::string& BenchFile()
{
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / ("tavril-bench-" + std::to_string(getpid()) + ".wav")).string();
        tavril::CSoundFile f;
        if (!f.Create(p, kRate, 1, 16)) std::abort();
        std::vector<int16_t> block(kBlock);
        uint32_t seed = 1;
        for (uint32_t done = 0; done < kFrames;) {
            const uint32_t n = std::min(kBlock, kFrames - done);
            for (uint32_t i = 0; i < n; ++i) {
                seed = seed * 1664525u + 1013904223u;
                block[i] = static_cast<int16_t>(seed >> 16);
            }
            f.WriteFrames(block.data(), n);
            done += n;
        }
        f.Close();
        std::atexit([] { std::remove(BenchFile().c_str()); });
        return p;
    }();
    return path;
}

void BM_TavrilReadFrames(benchmark::State& state)
{
    std::vector<int16_t> buf(kBlock);
    int64_t sum = 0;
    for (auto _ : state) {
        tavril::CSoundFile f;
        f.Open(BenchFile());
        for (uint32_t done = 0; done < kFrames; done += kBlock) {
            f.ReadFrames(buf.data(), std::min(kBlock, kFrames - done), 16);
            sum += buf[0];
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetBytesProcessed(int64_t(state.iterations()) * kFrames * 2);
}

void BM_SndfileReadShort(benchmark::State& state)
{
    std::vector<short> buf(kBlock);
    int64_t sum = 0;
    for (auto _ : state) {
        SF_INFO info{};
        SNDFILE* sf = sf_open(BenchFile().c_str(), SFM_READ, &info);
        if (!sf) {
            state.SkipWithError("libsndfile could not open the file");
            return;
        }
        while (sf_readf_short(sf, buf.data(), kBlock) > 0) sum += buf[0];
        sf_close(sf);
    }
    benchmark::DoNotOptimize(sum);
    state.SetBytesProcessed(int64_t(state.iterations()) * kFrames * 2);
}

BENCHMARK(BM_TavrilReadFrames)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SndfileReadShort)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Collects each benchmark's bytes per second to print the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs) {
            auto it = r.counters.find("bytes_per_second");
            if (it != r.counters.end()) m_rates[r.benchmark_name()] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> m_rates;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    BenchFile();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double ours = reporter.m_rates["BM_TavrilReadFrames/min_time:2.000"];
    const double ref = reporter.m_rates["BM_SndfileReadShort/min_time:2.000"];
    if (ours > 0 && ref > 0)
        std::printf("\nReadFrames throughput %.0f MB/s, libsndfile %.0f MB/s: ratio %.2f (target >= 0.90)\n",
                    ours / 1e6, ref / 1e6, ours / ref);
    benchmark::Shutdown();
    return 0;
}
