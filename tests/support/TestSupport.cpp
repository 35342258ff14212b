#include "TestSupport.h"

#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <grp.h>
#include <fstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace tavril::test {

TempDir::TempDir()
{
    std::filesystem::path base;
    if (const char* t = std::getenv("TAVRIL_TEST_TMP"); t && *t) {
        base = t;
        std::filesystem::create_directories(base);
    } else {
        base = std::filesystem::temp_directory_path();
    }
    std::string tmpl = (base / "tavril-test-XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    m_path = buf.data();
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::optional<std::filesystem::path> CorpusDir()
{
#ifdef TAVRIL_CORPUS_DIR
    std::filesystem::path p = TAVRIL_CORPUS_DIR;
    if (std::filesystem::is_directory(p)) return p;
#endif
    return std::nullopt;
}

std::vector<unsigned char> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Put16LE(std::vector<unsigned char>& v, uint16_t x)
{
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}

void Put32LE(std::vector<unsigned char>& v, uint32_t x)
{
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}

std::vector<unsigned char> Int16Bytes(const std::vector<int16_t>& samples)
{
    std::vector<unsigned char> v;
    for (int16_t s : samples) Put16LE(v, static_cast<uint16_t>(s));
    return v;
}

RiffBuilder::RiffBuilder(const char form[4], const char riff[4])
{
    std::memcpy(m_form, form, 4);
    std::memcpy(m_riff, riff, 4);
}

RiffBuilder& RiffBuilder::Chunk(const char id[4], const std::vector<unsigned char>& body, bool pad)
{
    m_body.insert(m_body.end(), id, id + 4);
    Put32LE(m_body, static_cast<uint32_t>(body.size()));
    m_body.insert(m_body.end(), body.begin(), body.end());
    if (pad && (body.size() & 1)) m_body.push_back(0);
    return *this;
}

RiffBuilder& RiffBuilder::RawChunk(const char id[4], uint32_t declaredSize, const std::vector<unsigned char>& body)
{
    m_body.insert(m_body.end(), id, id + 4);
    Put32LE(m_body, declaredSize);
    m_body.insert(m_body.end(), body.begin(), body.end());
    return *this;
}

std::vector<unsigned char> RiffBuilder::Bytes() const
{
    std::vector<unsigned char> out(m_riff, m_riff + 4);
    Put32LE(out, static_cast<uint32_t>(4 + m_body.size()));
    out.insert(out.end(), m_form, m_form + 4);
    out.insert(out.end(), m_body.begin(), m_body.end());
    return out;
}

std::vector<unsigned char> RiffBuilder::Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                                            bool withCbSize, uint16_t blockAlign)
{
    if (blockAlign == 0) blockAlign = static_cast<uint16_t>(channels * ((bits + 7) / 8));
    std::vector<unsigned char> v;
    Put16LE(v, tag);
    Put16LE(v, channels);
    Put32LE(v, rate);
    Put32LE(v, rate * blockAlign);
    Put16LE(v, blockAlign);
    Put16LE(v, bits);
    if (withCbSize) Put16LE(v, 0);
    return v;
}

std::vector<unsigned char> RiffBuilder::FmtExtensible(uint16_t subTag, uint16_t channels, uint32_t rate,
                                                      uint16_t containerBits, uint16_t validBits)
{
    const uint16_t blockAlign = static_cast<uint16_t>(channels * (containerBits / 8));
    std::vector<unsigned char> v;
    Put16LE(v, 0xFFFE);
    Put16LE(v, channels);
    Put32LE(v, rate);
    Put32LE(v, rate * blockAlign);
    Put16LE(v, blockAlign);
    Put16LE(v, containerBits);
    Put16LE(v, 22);
    Put16LE(v, validBits);
    Put32LE(v, channels == 1 ? 4u : 3u);
    Put16LE(v, subTag);
    const unsigned char tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                    0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    v.insert(v.end(), tail, tail + 14);
    return v;
}

int RunUnprivileged(const std::filesystem::path& dir, const std::function<int()>& body)
{
    std::fflush(nullptr);  // nothing buffered is printed twice
    const pid_t child = ::fork();
    if (child < 0) return 125;
    if (child == 0) {
        if (::geteuid() == 0) {
            const uid_t nobody = 65534;
            std::error_code ec;
            bool handed = ::chown(dir.c_str(), nobody, nobody) == 0;
            for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
                 handed && !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
                handed = ::lchown(it->path().c_str(), nobody, nobody) == 0;
            if (!handed || ::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0 ||
                ::geteuid() == 0)
                ::_exit(125);
        }
        const int result = body();
        std::fflush(nullptr);
        ::_exit(result);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return 125;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

} // namespace tavril::test
