#include "ConvertSupport.h"

#include "FileSafety.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavril::convert {

uint32_t ReadFirstChannel16(CSoundFile& sound, uint32_t frames, std::vector<int16_t>& out)
{
    const uint32_t channels = sound.GetChannels();
    out.resize(size_t(frames) * (channels ? channels : 1));
    if (channels == 0 || frames == 0) return 0;
    const uint32_t n = sound.ReadFrames(out.data(), frames, 16);
    for (uint32_t i = 1; i < n; ++i) out[i] = out[size_t(i) * channels];
    out.resize(n);
    return n;
}

bool CProgressReporter::Report(uint64_t done, uint64_t total, double from, double to)
{
    const double part = total == 0 ? 1.0 : double(std::min(done, total)) / double(total);
    return Report(from + (to - from) * part);
}

bool CProgressReporter::Report(double fraction)
{
    if (m_cancelled) return false;
    if (!m_hook) return true;
    fraction = std::clamp(fraction, 0.0, 1.0);
    if (fraction <= m_last) return true;
    m_last = fraction;
    if (!m_hook(fraction)) m_cancelled = true;
    return !m_cancelled;
}

ProgressHook CProgressReporter::Part(double from, double to)
{
    return [this, from, to](double f) { return Report(from + (to - from) * std::clamp(f, 0.0, 1.0)); };
}

namespace {

std::string MakeTemp(const std::string& pattern, size_t suffixLength)
{
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const int fd = ::mkstemps(buf.data(), static_cast<int>(suffixLength));
    if (fd < 0) return {};
    ::close(fd);
    return buf.data();
}

} // namespace

CTempBeside::CTempBeside(const std::string& target, const std::string& extension) : m_target(target)
{
    // A short name of its own, so that targets with names near the file
    // system's limit can be written too.
    m_path = CreateTempBeside(target, extension);
    if (m_path.empty()) return;
    // The temporary file was made private; the result gets the permissions
    // (and, where allowed, the owner) of the file it replaces.
    TakeOverAttributes(m_path, target);
}

CTempBeside::~CTempBeside()
{
    if (!m_path.empty()) ::unlink(m_path.c_str());
}

bool CTempBeside::Commit()
{
    if (m_path.empty() || IsWriteProtected(m_target)) return false;
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!synced) return false;
    if (std::rename(m_path.c_str(), m_target.c_str()) != 0) return false;
    m_path.clear();
    return true;
}

CFormatAlias::CFormatAlias(const std::string& path, int32_t format)
{
    if (CSoundFile::FormatFromName(path) == format) {
        m_path = path;
        return;
    }
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::absolute(path, ec);
    if (ec) return;
    // Named as this process's temporary files are, so that the start-up
    // clean-up of another instance spares it while this one runs.
    const std::string link = MakeTemp((std::filesystem::temp_directory_path(ec) /
                                       ("TVL" + std::to_string(::getpid()) + "_XXXXXX")).string() +
                                          ExtensionForFormat(format),
                                      std::string(ExtensionForFormat(format)).size());
    if (link.empty()) return;
    ::unlink(link.c_str());
    if (::symlink(target.c_str(), link.c_str()) != 0) return;
    m_link = link;
    m_path = link;
}

CFormatAlias::~CFormatAlias()
{
    if (!m_link.empty()) ::unlink(m_link.c_str());
}

const char* ExtensionForFormat(int32_t format)
{
    switch (format) {
    case kFormatWav: return ".wav";
    case kFormatAiff: return ".aif";
    case kFormatSig: return ".sig";
    case kFormatSnd: return ".snd";
    default: return ".tmp";
    }
}

} // namespace tavril::convert
