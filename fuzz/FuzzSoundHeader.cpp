// Feeds arbitrary bytes to the sound file object as a WAV file and as an AIFF
// file: open, read at the start and the end, append a few frames so the
// header is rewritten, and reopen. Any crash, hang, sanitizer report or a
// rewritten file that no longer opens is a finding.

#include "CSoundFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string ScratchPath(const char* ext)
{
    const char* dir = std::getenv("TAVRIL_FUZZ_TMP");
    return std::string(dir && *dir ? dir : "/tmp") + "/fuzz-" + std::to_string(getpid()) + ext;
}

void Exercise(const uint8_t* data, size_t size, const char* ext)
{
    const std::string path = ScratchPath(ext);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    uint32_t framesBefore = 0;
    uint32_t appended = 0;
    {
        tavril::CSoundFile sound;
        if (!sound.Open(path)) {
            std::remove(path.c_str());
            return;
        }
        framesBefore = sound.GetFrameCount();
        const uint32_t bpf = sound.BytesPerFrame();
        if (bpf == 0) {  // formats without a codec open with no format to read
            sound.Close();
            std::remove(path.c_str());
            return;
        }
        if (bpf > 1u << 16) std::abort();  // accepted headers must be sane
        std::vector<unsigned char> buf(size_t(64) * bpf);
        sound.ReadFrames(buf.data(), 64);
        std::vector<int16_t> s16(size_t(64) * sound.GetChannels());
        sound.Seek(framesBefore > 10 ? framesBefore - 10 : 0);
        sound.ReadFrames(s16.data(), 64, 16);
        sound.Seek(framesBefore);
        // A write may be refused (a header chunk behind the samples that
        // cannot move), but then the file must stay as it was.
        appended = sound.WriteFrames(buf.data(), 3);
        sound.Close();
    }
    {
        tavril::CSoundFile again;
        if (!again.Open(path)) std::abort();  // a header rewrite broke the file
        if (again.GetFrameCount() != framesBefore + appended) std::abort();
    }
    std::remove(path.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20)) return 0;
    Exercise(data, size, ".wav");
    Exercise(data, size, ".aif");
    return 0;
}
