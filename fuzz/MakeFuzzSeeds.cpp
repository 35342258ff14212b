// Writes a small seed corpus for the header fuzzer: files of each width and
// channel count made by the program itself, plus a few foreign layouts.

#include "CSoundFile.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SEED_DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const unsigned widths[] = {8, 16, 24, 32};
    const unsigned channels[] = {1, 2};
    for (const char* ext : {".wav", ".aif"}) {
        for (unsigned bits : widths) {
            for (unsigned ch : channels) {
                tavril::CSoundFile f;
                const std::string name = dir + "/seed-" + std::to_string(bits) + "-" + std::to_string(ch) + ext;
                if (!f.Create(name, 22050, ch, bits)) continue;
                std::vector<int16_t> samples(size_t(20) * ch);
                for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i * 1000 - 9000);
                f.WriteFrames(samples.data(), 20, 16);
                f.Close();
            }
        }
    }
    return 0;
}
