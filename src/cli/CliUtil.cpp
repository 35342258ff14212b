#include "CliUtil.h"

#include "CSoundFile.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>

namespace tavril::cli {

namespace {

// Length of the valid UTF-8 sequence starting at `i`, 0 when there is none
// (stray continuation, overlong form, surrogate, beyond U+10FFFF, cut short).
size_t Utf8Length(const std::string& t, size_t i)
{
    const auto b = [&](size_t k) { return static_cast<unsigned char>(t[k]); };
    const unsigned char c = b(i);
    size_t n;
    uint32_t cp;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) { n = 2; cp = c & 0x1F; }
    else if (c >= 0xE0 && c <= 0xEF) { n = 3; cp = c & 0x0F; }
    else if (c >= 0xF0 && c <= 0xF4) { n = 4; cp = c & 0x07; }
    else return 0;
    if (i + n > t.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

} // namespace

std::string OpenFailureText(const std::string& path)
{
    const std::string reason = CSoundFile::OpenFailureReason(path);
    if (reason == "the file may be corrupt") return "The file may be corrupt";
    return "The file cannot be read: " + reason;
}

std::vector<std::string> SplitOperands(const std::vector<std::string>& args, std::vector<std::string>& operands)
{
    std::vector<std::string> options;
    operands.clear();
    bool ended = false;
    for (const std::string& a : args) {
        if (!ended && a == "--") ended = true;
        else (ended ? operands : options).push_back(a);
    }
    return options;
}

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const size_t n = Utf8Length(text, i);
            if (n == 0) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out.append(text, i, n);
                i += n - 1;
            }
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += "\"";
    return out;
}

std::string FormatNumber(double value)
{
    char buf[64];
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15)
        std::snprintf(buf, sizeof buf, "%.0f", value);
    else
        std::snprintf(buf, sizeof buf, "%.6g", value);
    return buf;
}

std::optional<double> ParseDouble(const std::string& text)
{
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<long long> ParseInteger(const std::string& text)
{
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size()) return std::nullopt;
    return v;
}

} // namespace tavril::cli
