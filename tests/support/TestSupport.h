#pragma once
// Helpers shared by the test programs: scratch folders, the corpus location,
// small file utilities and a builder for hand-made RIFF files.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavril::test {

// A fresh folder removed again with everything in it when the object dies.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

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

// ../shared/corpus beside the project, when it is there.
std::optional<std::filesystem::path> CorpusDir();

std::vector<unsigned char> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::vector<unsigned char>& bytes);

// Builds RIFF/WAVE files chunk by chunk, for headers no writer would make.
class RiffBuilder {
public:
    explicit RiffBuilder(const char form[4] = "WAVE", const char riff[4] = "RIFF");
    // Adds a chunk; `pad` false leaves out the pad byte after an odd size.
    RiffBuilder& Chunk(const char id[4], const std::vector<unsigned char>& body, bool pad = true);
    // Adds a chunk whose size field says `declaredSize` whatever the body is.
    RiffBuilder& RawChunk(const char id[4], uint32_t declaredSize, const std::vector<unsigned char>& body);
    std::vector<unsigned char> Bytes() const;  // RIFF size filled in

    // A PCM fmt body: tag, channels, rate, bits; block align and byte rate
    // follow ceil(bits/8) unless given; cbSize appended when `withCbSize`.
    static std::vector<unsigned char> Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                                          bool withCbSize = false, uint16_t blockAlign = 0);
    // A WAVE_FORMAT_EXTENSIBLE body with the given sub-format tag.
    static std::vector<unsigned char> FmtExtensible(uint16_t subTag, uint16_t channels, uint32_t rate,
                                                    uint16_t containerBits, uint16_t validBits);

private:
    std::vector<unsigned char> m_body;
    char m_riff[4];
    char m_form[4];
};

void Put16LE(std::vector<unsigned char>& v, uint16_t x);
void Put32LE(std::vector<unsigned char>& v, uint32_t x);
std::vector<unsigned char> Int16Bytes(const std::vector<int16_t>& samples);

// Runs `body` in a child process. When the tests run as root, the child
// first hands `dir` (and everything in it) to the unprivileged user "nobody"
// and becomes that user, so that read-only files and folders stop it as they
// stop any user. Returns what `body` returned (0 for success; its assertions
// print as usual), or 125 when the child could not become unprivileged.
int RunUnprivileged(const std::filesystem::path& dir, const std::function<int()>& body);

} // namespace tavril::test
