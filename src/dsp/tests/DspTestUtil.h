#pragma once
// Sound files and a scratch settings folder that the dsp tests build themselves.

#include "CSoundFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace tavril::test {

// A 16-bit WAV holding the interleaved samples.
inline std::string WriteWav(const std::string& path, double rate, uint32_t channels, const std::vector<int16_t>& v)
{
    CSoundFile s;
    EXPECT_EQ(s.Create(path, rate, channels, 16), 1);
    const uint32_t frames = static_cast<uint32_t>(v.size() / channels);
    if (frames) {
        EXPECT_EQ(s.WriteFrames(v.data(), frames, 16), frames);
    }
    s.Close();
    return path;
}

// Interleaved frames whose channel c holds f(i, c).
template <typename F>
std::vector<int16_t> Frames(uint32_t frames, uint32_t channels, F f)
{
    std::vector<int16_t> v(size_t(frames) * channels);
    for (uint32_t i = 0; i < frames; ++i)
        for (uint32_t c = 0; c < channels; ++c) v[size_t(i) * channels + c] = f(i, c);
    return v;
}

} // namespace tavril::test
