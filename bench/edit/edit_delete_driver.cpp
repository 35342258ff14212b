// Driver for delete_vs_cp.sh.
//   make FILE SECONDS      writes a stereo 16-bit 48 kHz WAV of SECONDS
//   delete IN OUT FROM_S LEN_S
//                          OUT := IN without [FROM_S, FROM_S + LEN_S), the
//                          way an edit goes from the undo file to a fresh
//                          working copy
#include "CEditEngine.h"
#include "CSoundFile.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    using namespace tavril;
    if (argc >= 4 && std::string(argv[1]) == "make") {
        const uint32_t frames = static_cast<uint32_t>(std::atof(argv[3]) * 48000);
        CSoundFile f;
        if (!f.Create(argv[2], 48000, 2, 16)) return 1;
        std::vector<int16_t> block(2 * 48000);
        uint32_t x = 12345;
        for (uint32_t done = 0; done < frames;) {
            for (int16_t& s : block) s = static_cast<int16_t>((x = x * 1103515245u + 12345u) >> 16);
            const uint32_t n = std::min<uint32_t>(48000, frames - done);
            if (f.WriteFrames(block.data(), n) != n) return 1;
            done += n;
        }
        f.Close();
        return f.HasWriteError() ? 1 : 0;
    }
    if (argc >= 6 && std::string(argv[1]) == "delete") {
        CEditEngine engine;
        CSoundFile in;
        if (!in.Open(argv[2])) return 1;
        const double rate = in.GetSampleRate();
        in.Close();
        const uint32_t from = static_cast<uint32_t>(std::atof(argv[4]) * rate);
        const uint32_t len = static_cast<uint32_t>(std::atof(argv[5]) * rate);
        if (!engine.CreateLike(argv[3], argv[2]) || !engine.DeleteRange(argv[2], argv[3], from, len)) {
            std::fprintf(stderr, "%s\n", engine.LastError().c_str());
            return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "usage: %s make FILE SECONDS | delete IN OUT FROM_S LEN_S\n", argv[0]);
    return 2;
}
