#include "CSoundDocument.h"

#include <filesystem>
#include <system_error>

namespace tavril {

bool CSoundDocument::Open(const std::string& path) {
    m_path = path;
    m_frames = 0;
    m_rate = 0.0;
    m_channels = 0;
    m_sound.Close();
    m_sound.Reset();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return false;
    if (!m_sound.Open(path))
        return false;
    m_frames = m_sound.GetFrameCount();
    m_rate = m_sound.GetSampleRate();
    m_channels = m_sound.GetChannels();
    m_sound.Close();  // reopened on demand by whoever reads it
    return true;
}

bool CSoundDocument::ApplyFormatInfo(double rate, uint32_t bits) {
    if (m_path.empty() || m_path == kUntitled)
        return false;
    bool ok = true;
    if (rate > 0.0 && rate != m_rate) {
        m_sound.SetSampleRate(rate);
        ok = !m_sound.HasWriteError();
    }
    if (bits > 0 && bits != m_sound.GetBitsPerSample())
        ok = m_sound.SetBitsPerSample(bits) && ok;
    m_sound.Close();
    Open(m_path);
    return ok;
}

std::string CSoundDocument::Title() const {
    return std::filesystem::path(m_path).filename().string();
}

} // namespace tavril
