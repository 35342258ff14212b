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

} // namespace tavril::test
