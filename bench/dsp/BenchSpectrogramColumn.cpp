// Cost of one 512-point spectrogram column (16-bit samples in, 256 grey
// levels out: window, transform, levels) with Tavril's own transform, against
// the same column computed with FFTW's single-precision real-input transform.
// Prints nanoseconds per column for both (the fastest of several repetitions)
// and the ratio (Tavril / FFTW).

#include "Fft.h"
#include "SpectrumColumn.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kBins = 256;
constexpr int kN = 2 * kBins;
constexpr int kFrames = 64;

// Birdsong-like test frames: a few partials over noise, different per frame.
const std::vector<std::vector<int16_t>>& Frames()
{
    static const std::vector<std::vector<int16_t>> frames = [] {
        std::vector<std::vector<int16_t>> v(kFrames, std::vector<int16_t>(kN));
        uint32_t seed = 12345;
        for (int f = 0; f < kFrames; ++f) {
            for (int i = 0; i < kN; ++i) {
                seed = seed * 1664525u + 1013904223u;
                const double noise = static_cast<int16_t>(seed >> 16) / 32.0;
                const double tone = 8000.0 * std::sin(2 * M_PI * (20 + f) * i / kN) +
                                    3000.0 * std::sin(2 * M_PI * (61 + 2 * f) * i / kN);
                v[f][i] = static_cast<int16_t>(std::clamp(tone + noise, -32768.0, 32767.0));
            }
        }
        return v;
    }();
    return frames;
}

void BM_TavrilColumn(benchmark::State& state)
{
    const auto& frames = Frames();
    std::vector<int32_t> levels(kBins);
    int f = 0;
    for (auto _ : state) {
        tavril::SpectrumLevels(frames[f].data(), kBins, levels.data(), tavril::kDisplayLevels, 0, 0,
                               tavril::kWindowBlackman);
        benchmark::DoNotOptimize(levels.data());
        f = (f + 1) % kFrames;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_FftwColumn(benchmark::State& state)
{
    const auto& frames = Frames();
    float* in = fftwf_alloc_real(kN);
    fftwf_complex* out = fftwf_alloc_complex(kN / 2 + 1);
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(kN, in, out, FFTW_MEASURE);
    const float* w = tavril::BuildWindow(kN, tavril::kWindowBlackman)->w.data();
    std::vector<int32_t> levels(kBins);
    int f = 0;
    for (auto _ : state) {
        const int16_t* s = frames[f].data();
        for (int i = 0; i < kN; ++i) in[i] = static_cast<float>(s[i]) * w[i];
        fftwf_execute(plan);
        for (int k = 0; k < kBins; ++k) {
            const double r = out[k][0], im = out[k][1];
            int64_t m = static_cast<int64_t>(std::sqrt(r * r + im * im)) >> 10;
            levels[kBins - 1 - k] = static_cast<int32_t>(std::min<int64_t>(m, 63));
        }
        benchmark::DoNotOptimize(levels.data());
        f = (f + 1) % kFrames;
    }
    fftwf_destroy_plan(plan);
    fftwf_free(in);
    fftwf_free(out);
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_TavrilColumn)->MinTime(0.3)->Repetitions(7);
BENCHMARK(BM_FftwColumn)->MinTime(0.3)->Repetitions(7);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        // The fastest repetition of each: on a shared machine the slower ones
        // measure the neighbours, not the code.
        for (const Run& r : runs) {
            if (r.iterations <= 0 || r.run_type != Run::RT_Iteration) continue;
            const double ns = r.GetAdjustedRealTime();
            auto [it, fresh] = m_ns.emplace(r.run_name.function_name, ns);
            if (!fresh) it->second = std::min(it->second, ns);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> m_ns;
};

} // namespace

int main(int argc, char** argv)
{
    // Repetitions of the two interleaved, so that a neighbour's load falls on both.
    std::vector<char*> args(argv, argv + argc);
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    Frames();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double ours = reporter.m_ns["BM_TavrilColumn"];
    const double ref = reporter.m_ns["BM_FftwColumn"];
    if (ours > 0 && ref > 0)
        std::printf("\n512-point column: Tavril %.0f ns, FFTW %.0f ns: ratio %.2f (target <= 1.25)\n", ours, ref,
                    ours / ref);
    benchmark::Shutdown();
    return 0;
}
