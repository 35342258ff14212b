#pragma once
// Runs tavril-cli with arguments and captures its exit status, standard
// output and standard error; plus the sound and text files the tests share.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavril::test {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

CliResult RunCli(const std::vector<std::string>& args);

// A 16-bit WAV holding the interleaved samples.
std::string WriteWav(const std::string& path, double rate, uint32_t channels, const std::vector<int16_t>& v);
// Every sample as 16 bits, interleaved; empty when the sound cannot be opened.
std::vector<int16_t> ReadSamples(const std::string& path);
std::string ReadText(const std::string& path);

// Points the default settings file at a scratch folder while it lives.
class ScratchSettings {
public:
    ScratchSettings();
    ~ScratchSettings();

private:
    std::string m_dir;
    std::optional<std::string> m_old;
};

} // namespace tavril::test
