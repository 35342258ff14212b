#include "MetadataChunks.h"

#include "AiffCodec.h"
#include "CFileHandle.h"
#include "CSoundFile.h"
#include "SoundFormat.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>

namespace tavril {

namespace {

enum class Container { None, Riff, Rifx, Rf64, Form };

Container ContainerOf(CFileHandle& f)
{
    unsigned char b[12];
    if (f.ReadAt(0, b, 12) != 12) return Container::None;
    if (std::memcmp(b + 8, "WAVE", 4) == 0) {
        if (std::memcmp(b, "RIFF", 4) == 0) return Container::Riff;
        if (std::memcmp(b, "RIFX", 4) == 0) return Container::Rifx;
        if (std::memcmp(b, "RF64", 4) == 0) return Container::Rf64;
    }
    if (std::memcmp(b, "FORM", 4) == 0 && (std::memcmp(b + 8, "AIFF", 4) == 0 || std::memcmp(b + 8, "AIFC", 4) == 0))
        return Container::Form;
    return Container::None;
}

bool BigEndian(Container c) { return c == Container::Rifx || c == Container::Form; }
bool IsWav(Container c) { return c == Container::Riff || c == Container::Rifx || c == Container::Rf64; }

uint32_t Get32(const unsigned char* p, bool be)
{
    return be ? (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]
              : uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

void Put32(unsigned char* p, uint32_t v, bool be)
{
    for (int i = 0; i < 4; ++i) p[be ? i : 3 - i] = static_cast<unsigned char>(v >> (8 * (3 - i)));
}

// Chunks that describe the format and the samples: each writer makes its own.
bool IsSoundChunk(const std::string& id, Container c)
{
    static const std::set<std::string> wav = {"fmt ", "data", "fact", "ds64", "JUNK", "junk", "PAD ", "FLLR"};
    static const std::set<std::string> aiff = {"COMM", "SSND", "FVER"};
    return IsWav(c) ? wav.count(id) > 0 : aiff.count(id) > 0;
}

// Every chunk of the file in order, metadata or not.
std::vector<MetadataChunk> AllChunks(CFileHandle& f, Container c)
{
    std::vector<MetadataChunk> out;
    const uint64_t size = f.Size();
    const bool be = BigEndian(c);
    uint64_t pos = 12;
    for (int guard = 0; guard < 100000 && pos + 8 <= size; ++guard) {
        unsigned char h[8];
        if (f.ReadAt(pos, h, 8) != 8) break;
        const uint32_t n = Get32(h + 4, be);
        if (pos + 8 + uint64_t(n) > size) break;  // runs past the end: not a whole chunk
        out.push_back({std::string(reinterpret_cast<const char*>(h), 4), pos + 8, n});
        pos += 8 + uint64_t(n) + (n & 1u);
    }
    return out;
}

bool CopyRange(CFileHandle& in, uint64_t from, CFileHandle& out, uint64_t to, uint64_t bytes)
{
    std::vector<unsigned char> block(static_cast<size_t>(std::min<uint64_t>(bytes, 1u << 20)));
    for (uint64_t done = 0; done < bytes;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(block.size(), bytes - done));
        if (in.ReadAt(from + done, block.data(), n) != n) return false;
        if (out.WriteAt(to + done, block.data(), n) != n) return false;
        done += n;
    }
    return true;
}

} // namespace

std::vector<MetadataChunk> ListMetadataChunks(const std::string& path)
{
    CFileHandle f;
    if (!f.OpenReadOnly(path)) return {};
    const Container c = ContainerOf(f);
    if (c == Container::None) return {};
    std::vector<MetadataChunk> out;
    for (const auto& chunk : AllChunks(f, c))
        if (!IsSoundChunk(chunk.id, c)) out.push_back(chunk);
    return out;
}

int CarryMetadataChunks(const std::string& source, const std::string& target, std::vector<std::string>& dropped,
                        std::string& error)
{
    CFileHandle in;
    if (!in.OpenReadOnly(source)) return 1;  // nothing to carry from
    const Container from = ContainerOf(in);
    if (from == Container::None) return 1;
    CFileHandle out;
    if (!out.OpenReadWrite(target)) {
        error = "Cannot write " + target + ": " + std::strerror(out.LastError());
        return 0;
    }
    const Container to = ContainerOf(out);
    if (to == Container::None) {  // SIG, SND: no place for any chunk
        for (const auto& chunk : AllChunks(in, from))
            if (!IsSoundChunk(chunk.id, from)) dropped.push_back(chunk.id);
        return 1;
    }

    std::set<std::string> present;
    for (const auto& chunk : AllChunks(out, to)) present.insert(chunk.id);
    struct Carried {
        MetadataChunk chunk;
        std::string id;
    };
    std::vector<Carried> carry;
    for (const auto& chunk : AllChunks(in, from)) {
        if (IsSoundChunk(chunk.id, from)) continue;
        std::string id = chunk.id;
        if (IsWav(from) != IsWav(to)) {
            if (id != "id3 " && id != "ID3 ") {
                dropped.push_back(id);
                continue;
            }
            id = IsWav(to) ? "id3 " : "ID3 ";
        }
        if (present.count(id)) continue;
        carry.push_back({chunk, id});
    }
    if (carry.empty()) return 1;
    {
        CSoundFile probe;
        if (!probe.OpenReadOnly(target)) return 1;
        if (probe.GetFrameCount() == 0) {
            // Not written, but not silently lost either: the caller names them.
            for (const auto& c : carry) dropped.push_back(c.chunk.id);
            return 1;
        }
    }

    const uint64_t original = out.Size();
    const bool be = BigEndian(to);
    auto fail = [&](const std::string& what) {
        error = what + " " + target + ": " + std::strerror(out.LastError() ? out.LastError() : ENOSPC);
        out.Truncate(original);
        return 0;
    };
    uint64_t pos = original;
    const unsigned char zero = 0;
    if (pos & 1u) {
        if (out.WriteAt(pos, &zero, 1) != 1) return fail("Cannot write");
        ++pos;
    }
    for (const auto& c : carry) {
        unsigned char h[8];
        std::memcpy(h, c.id.data(), 4);
        Put32(h + 4, c.chunk.size, be);
        if (out.WriteAt(pos, h, 8) != 8) return fail("Cannot write");
        if (!CopyRange(in, c.chunk.bodyOffset, out, pos + 8, c.chunk.size)) return fail("Cannot copy the metadata into");
        pos += 8 + uint64_t(c.chunk.size);
        if (c.chunk.size & 1u) {
            if (out.WriteAt(pos, &zero, 1) != 1) return fail("Cannot write");
            ++pos;
        }
    }
    if (to == Container::Rf64) {
        for (const auto& chunk : AllChunks(out, to)) {
            if (chunk.id != "ds64" || chunk.size < 8) continue;
            unsigned char d[8];
            for (int i = 0; i < 8; ++i) d[i] = static_cast<unsigned char>((pos - 8) >> (8 * i));
            if (out.WriteAt(chunk.bodyOffset, d, 8) != 8) return fail("Cannot write");
        }
    } else {
        if (pos - 8 > UINT32_MAX) {
            error = "The metadata does not fit into " + target + " (a file of this format holds at most 4 GB)";
            out.Truncate(original);
            return 0;
        }
        unsigned char s[4];
        Put32(s, static_cast<uint32_t>(pos - 8), be);
        if (out.WriteAt(4, s, 4) != 4) return fail("Cannot write");
    }
    return 1;
}

int CarryExactRate(const std::string& source, const std::string& target)
{
    if (CSoundFile::SniffFormat(source) != kFormatAiff || CSoundFile::SniffFormat(target) != kFormatAiff) return 1;
    double exact = 0, written = 0;
    uint64_t comm = 0;
    {
        CSoundFile s, t;
        if (!s.OpenReadOnly(source) || !t.OpenReadOnly(target)) return 1;
        exact = s.GetSampleRate();
        written = t.GetSampleRate();
        comm = t.GetHeader().fmtOffset;
    }
    if (exact == std::floor(exact) || written != std::max(1.0, std::floor(exact)) || comm == 0) return 1;
    unsigned char ext[10];
    AiffCodec::DoubleToExtended(exact, ext);
    CFileHandle f;
    return f.OpenReadWrite(target) && f.WriteAt(comm + 8, ext, 10) == 10 ? 1 : 0;
}

bool FormatHoldsRate(int32_t format, double rate, std::string& why)
{
    if (format == kFormatWav && (rate != std::floor(rate) || rate > 4294967295.0)) {
        char text[160];
        std::snprintf(text, sizeof text, "the sample rate %.10g Hz cannot be stored in a WAV file (whole hertz only)",
                      rate);
        why = text;
        return false;
    }
    return true;
}

} // namespace tavril
