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

// Points the default settings file into a scratch folder for one test.
class ConfigHome {
public:
    ConfigHome()
    {
        if (const char* v = std::getenv("XDG_CONFIG_HOME")) m_old = v;
        setenv("XDG_CONFIG_HOME", m_dir.Path().c_str(), 1);
    }
    ~ConfigHome() { m_old ? setenv("XDG_CONFIG_HOME", m_old->c_str(), 1) : unsetenv("XDG_CONFIG_HOME"); }
    std::string File(const std::string& name) const { return m_dir.File(name); }

private:
    TempDir m_dir;
    std::optional<std::string> m_old;
};

} // namespace tavril::test
