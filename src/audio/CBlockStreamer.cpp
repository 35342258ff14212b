#include "CBlockStreamer.h"

#include "CSoundFile.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace tavril {

namespace {

constexpr uint32_t kMaxRingBytes = 4u << 20;
constexpr uint32_t kMinRingFrames = 16384;

uint32_t FloorPowerOfTwo(uint32_t v)
{
    uint32_t p = 1;
    while (p * 2 <= v && p < (1u << 30))
        p *= 2;
    return p;
}

} // namespace

CBlockStreamer::CBlockStreamer() = default;

CBlockStreamer::~CBlockStreamer()
{
    StopFeeding();
}

int CBlockStreamer::Open(const PlayRequest& request, std::string& error)
{
    StopFeeding();
    m_file = std::make_unique<CSoundFile>();
    if (!(request.speed > 0)) {
        error = "Invalid playback speed";
        return 0;
    }
    if (!m_file->Open(request.path)) {
        error = "Cannot open " + request.path;
        return 0;
    }
    const uint32_t total = m_file->GetFrameCount();
    const uint32_t end = std::min(request.endFrame, total);
    if (request.startFrame >= end) {
        error = "Nothing to play";
        return 0;
    }
    m_fileRate = m_file->GetSampleRate();
    const uint32_t channels = m_file->GetChannels();
    const uint32_t bits = m_file->BytesPerSample() * 8;
    if (channels == 0 || bits == 0 || bits > 32 || m_fileRate <= 0) {
        error = "Sample format not supported";
        return 0;
    }
    m_format = PcmFormat::Make(static_cast<uint32_t>(m_fileRate + 0.5), static_cast<uint16_t>(channels),
                               static_cast<uint16_t>(bits));
    m_startFrame = request.startFrame;
    m_frames = end - request.startFrame;
    m_frameBytes = m_format.blockAlign;

    // About a second of sound, a power of two of frames, within 4 MB.
    const uint32_t wanted = std::max(kMinRingFrames, m_format.samplesPerSec);
    m_capacityFrames = FloorPowerOfTwo(std::min(wanted * 2 - 1, kMaxRingBytes / m_frameBytes));
    m_blockFrames = std::max(1u, m_capacityFrames / 4);
    m_ring.assign(static_cast<size_t>(m_capacityFrames) * m_frameBytes, 0);
    m_block.assign(static_cast<size_t>(m_blockFrames) * m_frameBytes, 0);
    m_fed = 0;
    m_written.store(0);
    m_read.store(0);
    m_readError.store(false);
    m_file->Seek(m_startFrame);
    FillOnce();  // the first block is there before the stream starts
    return 1;
}

bool CBlockStreamer::FillOnce()
{
    if (m_fed >= m_frames)
        return false;
    const uint64_t used = m_written.load(std::memory_order_relaxed) - m_read.load(std::memory_order_acquire);
    const uint32_t space = m_capacityFrames - static_cast<uint32_t>(used);
    const uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(m_blockFrames, m_frames - m_fed));
    if (space < want)
        return false;
    if (!m_file->ReadFrames(m_block.data(), want))
        m_readError.store(true);  // the block holds silence where the file fell short
    const uint32_t at = static_cast<uint32_t>(m_written.load(std::memory_order_relaxed) % m_capacityFrames);
    const uint32_t first = std::min(want, m_capacityFrames - at);
    std::memcpy(m_ring.data() + static_cast<size_t>(at) * m_frameBytes, m_block.data(),
                static_cast<size_t>(first) * m_frameBytes);
    std::memcpy(m_ring.data(), m_block.data() + static_cast<size_t>(first) * m_frameBytes,
                static_cast<size_t>(want - first) * m_frameBytes);
    m_fed += want;
    m_written.fetch_add(want, std::memory_order_release);
    return true;
}

void CBlockStreamer::Feed()
{
    while (!m_stop.load() && m_fed < m_frames) {
        if (!FillOnce())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_file->Close();
}

void CBlockStreamer::StartFeeding()
{
    if (m_feeder.joinable() || !m_file)
        return;
    m_stop.store(false);
    m_feeder = std::thread([this] { Feed(); });
}

void CBlockStreamer::StopFeeding()
{
    m_stop.store(true);
    if (m_feeder.joinable())
        m_feeder.join();
}

uint32_t CBlockStreamer::Pull(void* out, uint32_t frames)
{
    const uint64_t read = m_read.load(std::memory_order_relaxed);
    const uint64_t avail = m_written.load(std::memory_order_acquire) - read;
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(frames, avail));
    if (n == 0)
        return 0;
    const uint32_t at = static_cast<uint32_t>(read % m_capacityFrames);
    const uint32_t first = std::min(n, m_capacityFrames - at);
    auto* dst = static_cast<unsigned char*>(out);
    std::memcpy(dst, m_ring.data() + static_cast<size_t>(at) * m_frameBytes, static_cast<size_t>(first) * m_frameBytes);
    std::memcpy(dst + static_cast<size_t>(first) * m_frameBytes, m_ring.data(),
                static_cast<size_t>(n - first) * m_frameBytes);
    m_read.store(read + n, std::memory_order_release);
    return n;
}

} // namespace tavril
