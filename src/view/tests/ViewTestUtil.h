#pragma once
// Sound and text files and a scratch settings folder that the view tests share.

#include "CSoundFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace tavril::test {

// A mono 16-bit WAV holding the samples.
inline std::string WriteMono(const std::string& path, const std::vector<int16_t>& v, double rate = 22050.0)
{
    CSoundFile s;
    EXPECT_EQ(s.Create(path, rate, 1, 16), 1);
    if (!v.empty()) s.WriteFrames(v.data(), static_cast<uint32_t>(v.size()), 16);
    s.Close();
    return path;
}

inline std::string ReadText(const std::string& path)
{
    const auto bytes = ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
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
