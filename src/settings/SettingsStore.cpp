#include "SettingsStore.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <locale.h>
#include <optional>
#include <pwd.h>
#include <string_view>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tavril {

namespace {

// Values pass through a 1000-byte buffer in the profile format this store
// reproduces, so a read never yields more than 999 bytes.
constexpr size_t kMaxReadChars = 999;

// Whitespace the profile format trims around names and values.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// Names compare case-insensitively; only ASCII letters fold, other bytes
// (UTF-8 sequences) must match exactly.
bool NamesEqual(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Scanning the text. Offsets index the whole file contents (BOM included).

enum class LineKind { Other, Section, Key };

struct Line {
    size_t begin = 0;       // first byte of the line
    size_t contentEnd = 0;  // end of the line without its terminator
    size_t next = 0;        // first byte of the following line
    LineKind kind = LineKind::Other;
    std::string_view name;  // section or key name, trimmed
    size_t valueBegin = 0;  // key lines: first byte of the value (after '=' and blanks)
    std::string_view value; // key lines: value, trimmed
};

// Walks the file line by line without building a table: one pass, constant
// memory, so reading is linear in the file size however long the lines are.
class LineScanner {
public:
    explicit LineScanner(std::string_view text) : m_text(text)
    {
        if (m_text.size() >= 3 && static_cast<unsigned char>(m_text[0]) == 0xEF &&
            static_cast<unsigned char>(m_text[1]) == 0xBB && static_cast<unsigned char>(m_text[2]) == 0xBF)
            m_pos = 3;
    }

    bool Next(Line& line)
    {
        if (m_pos >= m_text.size()) return false;
        line = Line{};
        line.begin = m_pos;
        size_t nl = m_text.find('\n', m_pos);
        if (nl == std::string_view::npos) {
            line.contentEnd = m_text.size();
            line.next = m_text.size();
        } else {
            line.contentEnd = nl;
            line.next = nl + 1;
        }
        if (line.contentEnd > line.begin && m_text[line.contentEnd - 1] == '\r') --line.contentEnd;
        m_pos = line.next;
        Classify(line);
        return true;
    }

private:
    void Classify(Line& line) const
    {
        std::string_view content = m_text.substr(line.begin, line.contentEnd - line.begin);
        size_t b = 0;
        while (b < content.size() && IsBlank(content[b])) ++b;
        if (b == content.size()) return;
        char first = content[b];
        if (first == ';' || first == '#') return;  // comment
        if (first == '[') {
            size_t close = content.rfind(']');
            if (close != std::string_view::npos && close > b) {
                line.kind = LineKind::Section;
                line.name = Trim(content.substr(b + 1, close - b - 1));
            }
            return;
        }
        size_t eq = content.find('=', b);
        if (eq == std::string_view::npos) return;
        std::string_view key = Trim(content.substr(b, eq - b));
        if (key.empty()) return;
        line.kind = LineKind::Key;
        line.name = key;
        size_t v = eq + 1;
        while (v < content.size() && IsBlank(content[v])) ++v;
        line.valueBegin = line.begin + v;
        line.value = Trim(content.substr(v));
    }

    std::string_view m_text;
    size_t m_pos = 0;
};

// Where a key lives (or would go) in the text.
struct KeyLocation {
    bool sectionFound = false;
    std::optional<Line> keyLine;    // the key's line, when present
    size_t insertAt = 0;            // where a new key line goes (sectionFound only)
    bool insertNeedsBreak = false;  // the line before insertAt has no terminator
};

// The first section of that name holds the key; later duplicates of the
// section are ignored for reading and writing alike, so both agree.
KeyLocation Locate(std::string_view text, std::string_view section, std::string_view key)
{
    KeyLocation loc;
    LineScanner scanner(text);
    Line line;
    bool inSection = false;
    while (scanner.Next(line)) {
        if (line.kind == LineKind::Section) {
            if (inSection) break;
            if (!loc.sectionFound && NamesEqual(line.name, section)) {
                loc.sectionFound = true;
                inSection = true;
                loc.insertAt = line.next;
                loc.insertNeedsBreak = text[line.next - 1] != '\n';
            }
            continue;
        }
        if (!inSection || line.kind != LineKind::Key) continue;
        if (NamesEqual(line.name, key)) {
            loc.keyLine = line;
            break;
        }
        // New keys follow the section's last key, ahead of the blank lines
        // and comments that lead into the next section.
        loc.insertAt = line.next;
        loc.insertNeedsBreak = text[line.next - 1] != '\n';
    }
    return loc;
}

std::string LineBreakOf(std::string_view text)
{
    size_t nl = text.find('\n');
    if (nl != std::string_view::npos && nl > 0 && text[nl - 1] == '\r') return "\r\n";
    return "\n";
}

// ---------------------------------------------------------------------------
// Files.

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }
    int Release()
    {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

enum class ReadStatus { Ok, Missing, Refused };

struct FileContents {
    ReadStatus status = ReadStatus::Missing;
    std::string text;
    mode_t mode = 0;
};

// Reads the whole file. A path that is not a regular file, cannot be read or
// is larger than the cap is refused: a mistyped path must neither block (a
// FIFO), nor eat memory, nor be taken for a settings file.
FileContents ReadFile(const std::string& path)
{
    FileContents out;
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0) {
        out.status = (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::Missing : ReadStatus::Refused;
        return out;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<uint64_t>(st.st_size) > SettingsStore::kMaxFileBytes) {
        out.status = ReadStatus::Refused;
        return out;
    }
    out.mode = st.st_mode & 07777;
    // Read to the end rather than trusting st_size, but never past the cap,
    // in case the file grows under us.
    out.text.resize(static_cast<size_t>(st.st_size));
    size_t have = 0;
    for (;;) {
        if (have == out.text.size()) {
            if (out.text.size() > SettingsStore::kMaxFileBytes) {
                out.status = ReadStatus::Refused;
                out.text.clear();
                return out;
            }
            out.text.resize(std::min<size_t>(std::max<size_t>(out.text.size() * 2, 4096),
                                             SettingsStore::kMaxFileBytes + 1));
        }
        ssize_t n = ::read(fd.Get(), out.text.data() + have, out.text.size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            out.status = ReadStatus::Refused;
            out.text.clear();
            return out;
        }
        if (n == 0) break;
        have += static_cast<size_t>(n);
    }
    out.text.resize(have);
    out.status = ReadStatus::Ok;
    return out;
}

bool WriteFully(int fd, std::string_view data)
{
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Follows symbolic links so that a settings file kept elsewhere (a dotfiles
// folder) is updated where it lives instead of the link being replaced.
std::string ResolveLinks(const std::string& path)
{
    fs::path p = path;
    std::error_code ec;
    for (int hops = 0; hops < 40; ++hops) {
        if (!fs::is_symlink(fs::symlink_status(p, ec))) return p.string();
        fs::path target = fs::read_symlink(p, ec);
        if (ec) return p.string();
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return p.string();
}

std::string ParentOf(const std::string& path)
{
    fs::path parent = fs::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

// Writes the text beside the target, flushes it to disk and renames it over
// the target, so a crash leaves either the old or the new file, never half.
bool ReplaceFile(const std::string& target, std::string_view text, std::optional<mode_t> keepMode)
{
    const std::string dir = ParentOf(target);
    const std::string base = fs::path(target).filename().string();
    static std::atomic<uint64_t> counter{0};

    std::string tmp;
    int raw = -1;
    for (int attempt = 0; attempt < 16 && raw < 0; ++attempt) {
        char suffix[48];
        uint64_t stamp = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        std::snprintf(suffix, sizeof suffix, ".%d.%llx.tmp", static_cast<int>(::getpid()),
                      static_cast<unsigned long long>(stamp + counter.fetch_add(1)));
        tmp = dir + "/." + base + suffix;
        // 0666 lets the umask decide the mode of a new file, as for any file
        // the user creates.
        raw = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (raw < 0 && errno != EEXIST) return false;
    }
    if (raw < 0) return false;
    Fd fd(raw);

    bool ok = WriteFully(fd.Get(), text);
    if (ok && keepMode) ok = ::fchmod(fd.Get(), *keepMode) == 0;
    if (ok) ok = ::fsync(fd.Get()) == 0;
    ok = (::close(fd.Release()) == 0) && ok;
    if (ok) ok = ::rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    // Make the rename itself durable; the data is already safe either way.
    Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.Get() >= 0) ::fsync(dirFd.Get());
    return true;
}

// Two running instances may save at the same moment; holding a lock on the
// folder across read-modify-rename keeps one from undoing the other's key.
class FolderLock {
public:
    explicit FolderLock(const std::string& dir) : m_fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (m_fd.Get() >= 0) {
            while (::flock(m_fd.Get(), LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~FolderLock()
    {
        if (m_fd.Get() >= 0) ::flock(m_fd.Get(), LOCK_UN);
    }

private:
    Fd m_fd;
};

std::string ChooseFile(const std::string& file)
{
    return file.empty() ? SettingsStore::DefaultSettingsPath() : file;
}

bool HasLineBreakOrNul(std::string_view s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Names that would not read back as written are refused rather than written
// into a line that means something else.
bool ValidSection(std::string_view section)
{
    return !section.empty() && !HasLineBreakOrNul(section);
}

bool ValidKey(std::string_view key)
{
    if (key.empty() || HasLineBreakOrNul(key) || key.find('=') != std::string_view::npos) return false;
    char first = key.front();
    return first != '[' && first != ';' && first != '#';
}

// Cuts to the read buffer, backing off so that a UTF-8 character is never
// split in two.
std::string CutForRead(std::string_view s)
{
    if (s.size() <= kMaxReadChars) return std::string(s);
    // s[end] is the first byte left out; when it continues a character, the
    // whole character goes.
    size_t end = kMaxReadChars;
    for (int back = 0; back < 3 && end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80; ++back) --end;
    if ((static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) end = kMaxReadChars;  // not UTF-8 anyway
    return std::string(s.substr(0, end));
}

// The text the profile lookup hands back: the stored value, or the default
// when the file, section or key is missing.
std::string ReadRaw(const std::string& file, const std::string& section, const std::string& key,
                    std::string_view defaultText)
{
    std::string_view sec = Trim(section);
    std::string_view k = Trim(key);
    std::string path = ChooseFile(file);
    if (path.empty() || sec.empty() || k.empty()) return CutForRead(defaultText);
    FileContents contents = ReadFile(path);
    if (contents.status != ReadStatus::Ok) return CutForRead(defaultText);
    KeyLocation loc = Locate(contents.text, sec, k);
    if (!loc.keyLine) return CutForRead(defaultText);
    return CutForRead(loc.keyLine->value);
}

int WriteRaw(const std::string& file, const std::string& section, const std::string& key, std::string_view value)
{
    std::string_view sec = Trim(section);
    std::string_view k = Trim(key);
    if (!ValidSection(sec) || !ValidKey(k) || HasLineBreakOrNul(value)) return 0;
    if (value.size() > SettingsStore::kMaxFileBytes) return 0;

    const bool isDefault = file.empty();
    std::string path = ChooseFile(file);
    if (path.empty()) return 0;
    path = ResolveLinks(path);
    const std::string dir = ParentOf(path);
    if (isDefault) {
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (ec) return 0;
    }

    FolderLock lock(dir);
    FileContents old = ReadFile(path);
    if (old.status == ReadStatus::Refused) return 0;
    const std::string& text = old.text;
    const std::string eol = LineBreakOf(text);

    std::string updated;
    KeyLocation loc = Locate(text, sec, k);
    if (loc.keyLine) {
        // Only the value changes; the key's spelling and spacing stay as the
        // user or an earlier write left them.
        const Line& line = *loc.keyLine;
        updated.reserve(text.size() + value.size());
        updated.append(text, 0, line.valueBegin);
        updated.append(value);
        updated.append(text, line.contentEnd, std::string::npos);
    } else if (loc.sectionFound) {
        updated.reserve(text.size() + k.size() + value.size() + 4);
        updated.append(text, 0, loc.insertAt);
        if (loc.insertNeedsBreak) updated.append(eol);
        updated.append(k).append("=").append(value).append(eol);
        updated.append(text, loc.insertAt, std::string::npos);
    } else {
        updated.reserve(text.size() + sec.size() + k.size() + value.size() + 8);
        updated.append(text);
        if (!text.empty() && text.back() != '\n') updated.append(eol);
        // A blank line between sections, unless the file already ends in one.
        bool endsBlank = updated.size() >= 2 * eol.size() &&
                         updated.compare(updated.size() - 2 * eol.size(), 2 * eol.size(), eol + eol) == 0;
        bool onlyBom = updated == "\xEF\xBB\xBF";
        if (!updated.empty() && !endsBlank && !onlyBom) updated.append(eol);
        updated.append("[").append(sec).append("]").append(eol);
        updated.append(k).append("=").append(value).append(eol);
    }

    if (updated.size() > SettingsStore::kMaxFileBytes) return 0;
    // Saving the same value again (the exit save, mostly) leaves the file
    // alone instead of costing a flush to disk.
    if (old.status == ReadStatus::Ok && updated == text) return 1;
    std::optional<mode_t> keepMode;
    if (old.status == ReadStatus::Ok) keepMode = old.mode;
    return ReplaceFile(path, updated, keepMode) ? 1 : 0;
}

// Digits after optional white space and one sign; stops at the first
// non-digit. Out-of-range values clamp instead of wrapping.
template <typename T>
T ParseInteger(std::string_view s)
{
    size_t i = 0;
    while (i < s.size() && (IsBlank(s[i]) || s[i] == '\n')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    // Accumulate towards the sign so that the most negative value fits.
    T value = 0;
    const T limit = negative ? std::numeric_limits<T>::min() : std::numeric_limits<T>::max();
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        T digit = static_cast<T>(s[i] - '0');
        if (negative) {
            if (value < (limit + digit) / 10) return limit;
            value = static_cast<T>(value * 10 - digit);
        } else {
            if (value > (limit - digit) / 10) return limit;
            value = static_cast<T>(value * 10 + digit);
        }
    }
    return value;
}

// strtod's grammar, but always with '.' as the decimal point: the GUI sets
// the user's locale, and a German one must not turn 0.5 into 0.
locale_t CLocale()
{
    static locale_t loc = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

float ParseFloat(const std::string& s)
{
    locale_t loc = CLocale();
    double d = loc ? ::strtod_l(s.c_str(), nullptr, loc) : std::strtod(s.c_str(), nullptr);
    return static_cast<float>(d);
}

std::string FormatInt(long long value)
{
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

} // namespace

// "%f" of the value widened to double, independent of the locale.
std::string SettingsStore::FormatFloat(float value)
{
    char buf[128];
    auto res = std::to_chars(buf, buf + sizeof buf, static_cast<double>(value), std::chars_format::fixed, 6);
    if (res.ec != std::errc()) return "0.000000";
    return std::string(buf, res.ptr);
}

std::string SettingsStore::DefaultSettingsPath()
{
    fs::path config;
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base
    // directory rules ask.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg && fs::path(xdg).is_absolute()) {
        config = xdg;
    } else {
        std::string home;
        if (const char* h = std::getenv("HOME"); h && *h) {
            home = h;
        } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
            home = pw->pw_dir;
        }
        if (home.empty()) return {};
        config = fs::path(home) / ".config";
    }
    return (config / "tavril" / "tavril.ini").string();
}

bool SettingsStore::Exists(const std::string& file)
{
    std::string path = ChooseFile(file);
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int SettingsStore::WriteSettingString(const std::string& file, const std::string& section, const std::string& key,
                                      const std::string& value)
{
    return WriteRaw(file, section, key, value);
}

int SettingsStore::WriteSettingInt(const std::string& file, const std::string& section, const std::string& key,
                                   int value)
{
    return WriteRaw(file, section, key, FormatInt(value));
}

int SettingsStore::WriteSettingLong(const std::string& file, const std::string& section, const std::string& key,
                                    long value)
{
    return WriteRaw(file, section, key, FormatInt(value));
}

int SettingsStore::WriteSettingFloat(const std::string& file, const std::string& section, const std::string& key,
                                     float value)
{
    return WriteRaw(file, section, key, FormatFloat(value));
}

std::string SettingsStore::ReadSettingString(const std::string& file, const std::string& section,
                                             const std::string& key, const std::string& defaultValue)
{
    return ReadRaw(file, section, key, defaultValue);
}

int SettingsStore::ReadSettingInt(const std::string& file, const std::string& section, const std::string& key,
                                  int defaultValue)
{
    return ParseInteger<int>(ReadRaw(file, section, key, FormatInt(defaultValue)));
}

long SettingsStore::ReadSettingLong(const std::string& file, const std::string& section, const std::string& key,
                                    long defaultValue)
{
    return ParseInteger<long>(ReadRaw(file, section, key, FormatInt(defaultValue)));
}

float SettingsStore::ReadSettingFloat(const std::string& file, const std::string& section, const std::string& key,
                                      float defaultValue)
{
    return ParseFloat(ReadRaw(file, section, key, FormatFloat(defaultValue)));
}

} // namespace tavril
