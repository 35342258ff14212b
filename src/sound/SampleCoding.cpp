#include "SampleCoding.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace tavril {

namespace {

// Reads a sample of `bytes` bytes as a signed integer left-justified in 64 bits,
// so that every width compares and scales alike.
inline int64_t LoadLeft(const unsigned char* p, uint32_t bytes, bool bigEndian, bool unsigned8)
{
    uint64_t v = 0;
    if (bigEndian) {
        for (uint32_t i = 0; i < bytes; ++i) v = (v << 8) | p[i];
    } else {
        for (uint32_t i = bytes; i-- > 0;) v = (v << 8) | p[i];
    }
    if (bytes == 1 && unsigned8) v ^= 0x80;  // unsigned 8-bit: 128 is silence
    return static_cast<int64_t>(v << (64 - 8 * bytes));
}

inline void StoreLeft(unsigned char* p, uint32_t bytes, int64_t left, bool bigEndian, bool unsigned8)
{
    uint64_t v = static_cast<uint64_t>(left) >> (64 - 8 * bytes);
    if (bytes == 1 && unsigned8) v ^= 0x80;
    if (bigEndian) {
        for (uint32_t i = bytes; i-- > 0;) { p[i] = static_cast<unsigned char>(v); v >>= 8; }
    } else {
        for (uint32_t i = 0; i < bytes; ++i) { p[i] = static_cast<unsigned char>(v); v >>= 8; }
    }
}

inline double LoadFloat(const unsigned char* p, uint32_t bytes, bool bigEndian)
{
    unsigned char tmp[8];
    for (uint32_t i = 0; i < bytes; ++i) tmp[i] = bigEndian ? p[bytes - 1 - i] : p[i];
    if (bytes == 4) {
        float f;
        std::memcpy(&f, tmp, 4);
        return f;
    }
    double d;
    std::memcpy(&d, tmp, 8);
    return d;
}

inline void StoreFloat(unsigned char* p, uint32_t bytes, double value, bool bigEndian)
{
    unsigned char tmp[8];
    if (bytes == 4) {
        float f = static_cast<float>(value);
        std::memcpy(tmp, &f, 4);
    } else {
        std::memcpy(tmp, &value, 8);
    }
    for (uint32_t i = 0; i < bytes; ++i) p[i] = bigEndian ? tmp[bytes - 1 - i] : tmp[i];
}

// Float in [-1, 1] to a left-justified integer of memBytes, clamped.
inline int64_t FloatToLeft(double x, uint32_t memBytes)
{
    if (std::isnan(x)) x = 0.0;
    const double scale = std::ldexp(1.0, 8 * static_cast<int>(memBytes) - 1);
    double v = std::trunc(x * scale);
    const double maxV = scale - 1.0;
    if (v > maxV) v = maxV;
    if (v < -scale) v = -scale;
    int64_t i = static_cast<int64_t>(v);
    return static_cast<int64_t>(static_cast<uint64_t>(i) << (64 - 8 * memBytes));
}

inline double LeftToFloat(int64_t left)
{
    return static_cast<double>(left) / 9223372036854775808.0;  // 2^63
}

bool ValidMemBytes(uint32_t b) { return b >= 1 && b <= 8; }

} // namespace

bool IsNativeLayout(SampleEncoding encoding, uint32_t diskBytes, uint32_t memBytes)
{
    return encoding == SampleEncoding::PcmLE && diskBytes == memBytes;
}

namespace {

struct Layout {
    SampleEncoding encoding;
    uint32_t bytes;
};

bool IsFloat(SampleEncoding e) { return e == SampleEncoding::FloatLE || e == SampleEncoding::FloatBE; }
bool IsBigEndian(SampleEncoding e) { return e == SampleEncoding::PcmBE || e == SampleEncoding::FloatBE; }

} // namespace

bool AnyBeyondFullScale(const void* disk, SampleEncoding encoding, uint32_t diskBytes, size_t samples)
{
    if (!IsFloat(encoding) || (diskBytes != 4 && diskBytes != 8)) return false;
    const auto* p = static_cast<const unsigned char*>(disk);
    const bool be = IsBigEndian(encoding);
    for (size_t i = 0; i < samples; ++i, p += diskBytes)
        if (std::fabs(LoadFloat(p, diskBytes, be)) > 1.0) return true;
    return false;
}

namespace {
// WAV 8-bit (and the memory model) is unsigned; AIFF 8-bit and the explicit
// signed coding are not.
bool IsUnsigned8(SampleEncoding e) { return e == SampleEncoding::PcmLE; }

// Moves samples between two layouts: integers stay left-justified integers
// (wider containers keep their top bytes), floats go through a double and are
// clamped at full scale when they become integers.
bool Transcode(const unsigned char* src, Layout from, unsigned char* dst, Layout to, size_t samples)
{
    for (const Layout& l : {from, to}) {
        if (l.bytes < 1 || l.bytes > 8) return false;
        if (IsFloat(l.encoding) && l.bytes != 4 && l.bytes != 8) return false;
    }
    if (from.encoding == to.encoding && from.bytes == to.bytes) {
        std::memmove(dst, src, samples * from.bytes);
        return true;
    }
    const bool fromFloat = IsFloat(from.encoding), toFloat = IsFloat(to.encoding);
    const bool fromBe = IsBigEndian(from.encoding), toBe = IsBigEndian(to.encoding);
    const bool fromU8 = IsUnsigned8(from.encoding), toU8 = IsUnsigned8(to.encoding);
    for (size_t i = 0; i < samples; ++i) {
        const unsigned char* in = src + i * from.bytes;
        unsigned char* out = dst + i * to.bytes;
        if (fromFloat) {
            const double x = LoadFloat(in, from.bytes, fromBe);
            if (toFloat) StoreFloat(out, to.bytes, x, toBe);
            else StoreLeft(out, to.bytes, FloatToLeft(x, to.bytes), toBe, toU8);
        } else {
            const int64_t left = LoadLeft(in, from.bytes, fromBe, fromU8);
            if (toFloat) StoreFloat(out, to.bytes, LeftToFloat(left), toBe);
            else StoreLeft(out, to.bytes, left, toBe, toU8);
        }
    }
    return true;
}

} // namespace

bool DecodeSamples(const void* disk, SampleEncoding encoding, uint32_t diskBytes,
                   void* mem, uint32_t memBytes, size_t samples)
{
    if (!ValidMemBytes(memBytes)) return false;
    return Transcode(static_cast<const unsigned char*>(disk), {encoding, diskBytes}, static_cast<unsigned char*>(mem),
                     {SampleEncoding::PcmLE, memBytes}, samples);
}

bool EncodeSamples(const void* mem, uint32_t memBytes, void* disk,
                   SampleEncoding encoding, uint32_t diskBytes, size_t samples)
{
    if (!ValidMemBytes(memBytes)) return false;
    return Transcode(static_cast<const unsigned char*>(mem), {SampleEncoding::PcmLE, memBytes},
                     static_cast<unsigned char*>(disk), {encoding, diskBytes}, samples);
}

namespace {

inline double ToUnit(const unsigned char* p, uint32_t bytes)
{
    switch (bytes) {
    case 1: return (static_cast<int>(p[0]) - 128) / 128.0;
    case 2: { int16_t v; std::memcpy(&v, p, 2); return v / 32768.0; }
    case 3: {
        uint32_t u = (static_cast<uint32_t>(p[0]) << 8) | (static_cast<uint32_t>(p[1]) << 16) |
                     (static_cast<uint32_t>(p[2]) << 24);
        return static_cast<int32_t>(u) / 2147483648.0;
    }
    case 4: { int32_t v; std::memcpy(&v, p, 4); return v / 2147483648.0; }
    case 8: { int64_t v; std::memcpy(&v, p, 8); return static_cast<double>(v) / 9223372036854775808.0; }
    }
    return 0.0;
}

// Truncates toward zero; values outside the target's range (impossible for
// inputs in [-1, 1)) are pinned only to keep the conversion defined.
template <typename T>
inline T Scaled(double x, double scale)
{
    double v = std::trunc(x * scale);
    const double lo = static_cast<double>(std::numeric_limits<T>::min());
    const double hi = static_cast<double>(std::numeric_limits<T>::max());
    if (!(v >= lo)) v = lo;
    if (v > hi) v = hi;
    return static_cast<T>(v);
}

inline void FromUnit(unsigned char* p, uint32_t bytes, double x)
{
    switch (bytes) {
    case 1: {
        double v = std::trunc(128.0 * x + 128.0);
        if (!(v >= 0)) v = 0;
        if (v > 255) v = 255;
        p[0] = static_cast<unsigned char>(v);
        return;
    }
    case 2: { int16_t v = Scaled<int16_t>(x, 32768.0); std::memcpy(p, &v, 2); return; }
    case 3: {
        uint32_t u = static_cast<uint32_t>(Scaled<int32_t>(x, 2147483648.0));
        p[0] = static_cast<unsigned char>(u >> 8);
        p[1] = static_cast<unsigned char>(u >> 16);
        p[2] = static_cast<unsigned char>(u >> 24);
        return;
    }
    case 4: { int32_t v = Scaled<int32_t>(x, 2147483648.0); std::memcpy(p, &v, 4); return; }
    case 8: {
        // 2^63 * x does not fit a double's 53-bit mantissa exactly; compute in
        // long double where the platform gives more precision.
        long double v = std::trunc(static_cast<long double>(x) * 9223372036854775808.0L);
        if (v >= 9223372036854775807.0L) v = 9223372036854775807.0L;
        if (v < -9223372036854775808.0L) v = -9223372036854775808.0L;
        int64_t i = static_cast<int64_t>(v);
        std::memcpy(p, &i, 8);
        return;
    }
    }
}

bool SupportedBytes(uint32_t b) { return b == 1 || b == 2 || b == 3 || b == 4 || b == 8; }

} // namespace

int ConvertSampleWidth(const void* src, uint32_t srcBits, void* dst, uint32_t dstBits, size_t samples)
{
    const uint32_t sb = (srcBits + 7) / 8;
    const uint32_t db = (dstBits + 7) / 8;
    if (!SupportedBytes(sb) || !SupportedBytes(db)) return 0;
    const auto* s = static_cast<const unsigned char*>(src);
    auto* d = static_cast<unsigned char*>(dst);
    if (sb == db) {
        std::memmove(d, s, samples * sb);
        return 1;
    }
    for (size_t i = 0; i < samples; ++i) FromUnit(d + i * db, db, ToUnit(s + i * sb, sb));
    return 1;
}

namespace {

// Between interleaved frames and channel blocks of n samples each, through a
// copy of the same size.
void Rearrange(void* data, uint32_t n, uint32_t channels, uint32_t bytesPerSample, bool toBlocks)
{
    if (channels < 2 || n == 0 || bytesPerSample == 0) return;
    auto* p = static_cast<unsigned char*>(data);
    const std::vector<unsigned char> tmp(p, p + size_t(n) * channels * bytesPerSample);
    for (uint32_t f = 0; f < n; ++f) {
        for (uint32_t c = 0; c < channels; ++c) {
            const size_t interleaved = (size_t(f) * channels + c) * bytesPerSample;
            const size_t blocked = (size_t(c) * n + f) * bytesPerSample;
            std::memcpy(p + (toBlocks ? blocked : interleaved), tmp.data() + (toBlocks ? interleaved : blocked),
                        bytesPerSample);
        }
    }
}

} // namespace

void Deinterleave(void* frames, uint32_t n, uint32_t channels, uint32_t bytesPerSample)
{
    Rearrange(frames, n, channels, bytesPerSample, true);
}

void Interleave(void* blocks, uint32_t n, uint32_t channels, uint32_t bytesPerSample)
{
    Rearrange(blocks, n, channels, bytesPerSample, false);
}

} // namespace tavril
