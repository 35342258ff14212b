#pragma once
// Small helpers shared by the SIG, SND, conversion and import code: little-
// endian fields, 32-bit floats, reading the first channel of a sound as 16-bit
// values, progress reports that can stop the work, and files written beside
// their target and renamed into place. Free functions are stateless and safe
// from any thread; each object belongs to one conversion on one thread.

#include "CSoundFile.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tavril::convert {

inline uint16_t GetLE16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t GetLE32(const unsigned char* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void PutLE16(unsigned char* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void PutLE32(unsigned char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline float GetFloatLE(const unsigned char* p)
{
    const uint32_t u = GetLE32(p);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}
inline void PutFloatLE(unsigned char* p, float f)
{
    uint32_t u;
    std::memcpy(&u, &f, 4);
    PutLE32(p, u);
}

// Frames moved per block by the converters: large enough to be fast, small
// enough that an hour-long recording never has to fit in memory.
constexpr uint32_t kBlockFrames = 1u << 16;

// Reads `frames` frames from the current position of `sound` as 16-bit values
// and keeps channel 0 of each (SIG and SND hold one channel). Returns the
// frames read.
uint32_t ReadFirstChannel16(CSoundFile& sound, uint32_t frames, std::vector<int16_t>& out);

// Told the fraction of a conversion done (0 ... 1) after every block; a
// false return asks the conversion to stop.
using ProgressHook = std::function<bool(double fraction)>;

// Passes a conversion's reports on to an optional hook so that it sees them
// strictly increasing, and remembers a request to stop: once the hook has
// said false, every later report says false without asking again.
class CProgressReporter {
public:
    explicit CProgressReporter(ProgressHook hook) : m_hook(std::move(hook)) {}
    // `done` of `total` units of the part of the work that runs from `from`
    // to `to` of the whole. False: stop.
    bool Report(uint64_t done, uint64_t total, double from = 0.0, double to = 1.0);
    bool Report(double fraction);
    bool Cancelled() const { return m_cancelled; }
    // A hook for a part of the work (from ... to) reporting its own 0 ... 1.
    ProgressHook Part(double from, double to);

private:
    ProgressHook m_hook;
    double m_last = -1.0;
    bool m_cancelled = false;
};

// A file created beside `target` (same folder, so the rename cannot cross
// file systems) with a name ending in `extension`; removed again unless
// Commit() renamed it over the target.
class CTempBeside {
public:
    CTempBeside(const std::string& target, const std::string& extension);
    ~CTempBeside();
    CTempBeside(const CTempBeside&) = delete;
    CTempBeside& operator=(const CTempBeside&) = delete;
    bool Valid() const { return !m_path.empty(); }
    const std::string& Path() const { return m_path; }
    // Flushes the temporary file to disk and renames it over the target.
    bool Commit();

private:
    std::string m_target;
    std::string m_path;
};

// A name under which `path` can be opened as `format` by CSoundFile, whose
// format follows the name: `path` itself when its name already says so,
// else a symbolic link in the temporary folder that is removed with the object.
class CFormatAlias {
public:
    CFormatAlias(const std::string& path, int32_t format);
    ~CFormatAlias();
    CFormatAlias(const CFormatAlias&) = delete;
    CFormatAlias& operator=(const CFormatAlias&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    std::string m_link;
};

// ".wav", ".aif", ".sig", ".snd" or ".tmp" for other codes.
const char* ExtensionForFormat(int32_t format);

} // namespace tavril::convert
