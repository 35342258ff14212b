#pragma once
// Helpers of the edit and app tests: WAV files from sample values and back, and a forked child.

#include "CSoundFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tavril::test {

// Interleaved values at `bits` (8-bit values given as unsigned bytes 0..255).
inline bool MakeWav(const std::string& path, double rate, uint32_t channels, uint32_t bits,
                    const std::vector<int32_t>& interleaved)
{
    CSoundFile f;
    if (!f.Create(path, rate, channels, bits)) return false;
    const uint32_t bytes = (bits + 7) / 8;
    std::vector<unsigned char> raw(interleaved.size() * bytes);
    for (size_t i = 0; i < interleaved.size(); ++i) {
        uint32_t v = static_cast<uint32_t>(interleaved[i]);
        for (uint32_t b = 0; b < bytes; ++b) raw[i * bytes + b] = static_cast<unsigned char>(v >> (8 * b));
    }
    const uint32_t frames = channels ? static_cast<uint32_t>(interleaved.size() / channels) : 0;
    if (frames && f.WriteFrames(raw.data(), frames) != frames) return false;
    f.Close();
    return !f.HasWriteError();
}

// All frames, interleaved, at the file's width (sign-extended; 8-bit as 0..255).
inline std::vector<int32_t> ReadWav(const std::string& path, uint32_t* channels = nullptr, double* rate = nullptr,
                                    uint32_t* bits = nullptr)
{
    CSoundFile f;
    if (!f.Open(path)) return {};
    const uint32_t ch = f.GetChannels(), b = f.GetBitsPerSample(), n = f.GetFrameCount();
    if (channels) *channels = ch;
    if (rate) *rate = f.GetSampleRate();
    if (bits) *bits = b;
    const uint32_t bytes = (b + 7) / 8;
    std::vector<unsigned char> raw(size_t(n) * ch * bytes);
    if (n) f.ReadFrames(raw.data(), n);
    std::vector<int32_t> out(size_t(n) * ch);
    for (size_t i = 0; i < out.size(); ++i) {
        uint32_t v = 0;
        for (uint32_t k = 0; k < bytes; ++k) v |= uint32_t(raw[i * bytes + k]) << (8 * k);
        if (bytes > 1 && bytes < 4 && (v >> (8 * bytes - 1)) & 1) v |= ~0u << (8 * bytes);
        out[i] = static_cast<int32_t>(v);
    }
    return out;
}

// Runs `body` in a forked child, so that limits it sets stay there, and gives its result as the child's
// exit code (99 when it threw, 100 + signal when it was killed); the child never returns into the runner.
inline int ExitCodeInChild(const std::function<int()>& body)
{
    const pid_t pid = fork();
    if (pid == 0) {
        int code = 99;
        try {
            code = body();
        } catch (...) {
        }
        _exit(code);
    }
    int st = 0;
    if (pid < 0 || waitpid(pid, &st, 0) != pid) return -1;
    return WIFEXITED(st) ? WEXITSTATUS(st) : 100 + WTERMSIG(st);
}

inline std::vector<int32_t> Ramp(int n, int from = 0, int step = 1)
{
    std::vector<int32_t> v(n);
    for (int i = 0; i < n; ++i) v[i] = from + i * step;
    return v;
}

} // namespace tavril::test
