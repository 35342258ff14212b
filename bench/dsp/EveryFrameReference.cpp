// The every-frame spectrogram picture computed the plain way, as the yardstick
// for tavril-cli spectrogram --every-frame: the sound read with libsndfile,
// every 512-point frame (one every 256 samples) windowed and transformed with
// FFTW's single-precision real-input transform on one thread, 64 grey levels
// per line, the strongest level of the frames centred in each pixel column,
// and the picture written as a binary PGM. Reference for benchmarks only.
//
// Usage: every_frame_reference SOUND OUT.pgm WIDTH HEIGHT

#include <fftw3.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstddef>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s SOUND OUT.pgm WIDTH HEIGHT\n", argv[0]);
        return 2;
    }
    const int width = std::atoi(argv[3]), height = std::atoi(argv[4]);
    SF_INFO info{};
    SNDFILE* f = sf_open(argv[1], SFM_READ, &info);
    if (!f || width < 1 || height < 1) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    constexpr int kN = 512, kBins = 256, kHop = 256;
    float* in = fftwf_alloc_real(kN);
    fftwf_complex* out = fftwf_alloc_complex(kN / 2 + 1);
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(kN, in, out, FFTW_MEASURE);
    std::vector<float> w(kN);
    for (int i = 0; i < kN; ++i)
        w[i] = static_cast<float>(0.42 - 0.5 * std::cos(2 * M_PI * i / (kN - 1)) + 0.08 * std::cos(4 * M_PI * i / (kN - 1)));

    // Streamed in blocks, as a long recording would be, with the last
    // frame's overlap carried over.
    const double spp = double(info.frames) / width;
    std::vector<unsigned char> column(size_t(width) * kBins, 0);
    constexpr sf_count_t kBlock = 1 << 16;
    std::vector<short> block(size_t(kBlock) * info.channels);
    std::vector<float> s;
    size_t first = 0;  // sound frame of s[0]
    size_t start = 0;  // next frame to transform
    for (;;) {
        const sf_count_t got = sf_readf_short(f, block.data(), kBlock);
        if (got <= 0) break;
        for (sf_count_t i = 0; i < got; ++i) s.push_back(block[size_t(i) * info.channels]);
        for (; start + kN <= first + s.size(); start += kHop) {
            const int c = static_cast<int>((start + kBins) / spp);
            if (c >= width) break;
            const float* x = s.data() + (start - first);
            for (int i = 0; i < kN; ++i) in[i] = x[i] * w[i];
            fftwf_execute(plan);
            unsigned char* col = column.data() + size_t(c) * kBins;
            for (int k = 0; k < kBins; ++k) {
                const double m = std::sqrt(double(out[k][0]) * out[k][0] + double(out[k][1]) * out[k][1]);
                const auto level = static_cast<unsigned char>(std::min<long long>(static_cast<long long>(m) >> 10, 63));
                col[k] = std::max(col[k], level);
            }
        }
        s.erase(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(start - first));
        first = start;
    }
    sf_close(f);
    std::FILE* pgm = std::fopen(argv[2], "wb");
    if (!pgm) return 1;
    std::fprintf(pgm, "P5\n%d %d\n255\n", width, height);
    std::vector<unsigned char> row(width);
    for (int y = 0; y < height; ++y) {
        const int line = std::clamp(kBins - 1 - y * kBins / height, 0, kBins - 1);
        for (int x = 0; x < width; ++x) row[x] = static_cast<unsigned char>(255 - 4 * column[size_t(x) * kBins + line]);
        std::fwrite(row.data(), 1, row.size(), pgm);
    }
    std::fclose(pgm);
    fftwf_destroy_plan(plan);
    fftwf_free(in);
    fftwf_free(out);
    return 0;
}
