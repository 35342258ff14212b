#include "SoundFileProblem.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace tavril {

namespace {

uint32_t Le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint32_t Be32(const unsigned char* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }
uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint16_t Be16(const unsigned char* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

std::string DataTooShort(uint64_t have, uint64_t stated) {
    return "Its data ends before its stated size (" + std::to_string(have) + " of " + std::to_string(stated) +
           " bytes).";
}

} // namespace

std::string DescribeSoundFileProblem(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::error_code ec;
    const uint64_t size = std::filesystem::file_size(path, ec);
    if (!in || ec)
        return {};
    unsigned char head[12] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    const bool riff = in.gcount() == 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
    const bool aiff = in.gcount() == 12 && std::memcmp(head, "FORM", 4) == 0 &&
                      (std::memcmp(head + 8, "AIFF", 4) == 0 || std::memcmp(head + 8, "AIFC", 4) == 0);
    if (!riff && !aiff)
        return std::memcmp(head, "RIFX", 4) == 0 || std::memcmp(head, "RF64", 4) == 0
                   ? std::string()
                   : "It is not a sound file at all.";
    auto get32 = riff ? Le32 : Be32;
    bool haveFormat = false, haveData = false;
    uint64_t pos = 12;
    // A bounded walk: a loop of chunks or a damaged size ends it.
    for (int chunks = 0; chunks < 10000 && pos + 8 <= size; ++chunks) {
        unsigned char ch[8];
        in.seekg(static_cast<std::streamoff>(pos));
        if (!in.read(reinterpret_cast<char*>(ch), 8))
            break;
        const uint32_t length = get32(ch + 4);
        const uint64_t body = pos + 8;
        if (std::memcmp(ch, riff ? "fmt " : "COMM", 4) == 0) {
            unsigned char f[18] = {};
            in.read(reinterpret_cast<char*>(f), sizeof f);
            haveFormat = true;
            const unsigned bits = riff ? Le16(f + 14) : Be16(f + 6);
            const unsigned tag = riff ? Le16(f) : 1;
            if ((tag != 1 && tag != 3 && tag != 0xFFFE) || bits == 0 || bits > 64)
                return "Its sample format is unknown (format tag " + std::to_string(tag) + ", " +
                       std::to_string(bits) + " bits).";
        } else if (std::memcmp(ch, riff ? "data" : "SSND", 4) == 0) {
            haveData = true;
            if (body + length > size)
                return DataTooShort(size - body, length);
        }
        pos = body + length + (length & 1);
    }
    if (!haveFormat)
        return riff ? "It has no fmt chunk." : "It has no COMM chunk.";
    if (!haveData)
        return riff ? "It has no data chunk." : "It has no SSND chunk.";
    return {};
}

} // namespace tavril
