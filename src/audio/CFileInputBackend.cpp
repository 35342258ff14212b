#include "CFileInputBackend.h"

#include "CSoundFile.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

namespace tavril {

class CFileInputBackend::Stream final : public IAudioInputStream {
public:
    Stream(CFileInputBackend& owner, const Device& device, const PcmFormat& format, uint32_t framesPerBuffer,
           IAudioCaptureSink& sink)
        : m_owner(owner), m_atEnd(device.atEnd), m_format(format), m_framesPerBuffer(framesPerBuffer), m_sink(sink)
    {
        m_path = device.path;
    }
    ~Stream() override { Close(); }

    bool OpenFile(std::string& errorText)
    {
        if (!m_file.Open(m_path)) {
            errorText = "Device unavailable: cannot read " + m_path;
            return false;
        }
        if (static_cast<uint32_t>(m_file.GetSampleRate() + 0.5) != m_format.samplesPerSec) {
            errorText = "Invalid sample rate";
            return false;
        }
        m_fileChannels = m_file.GetChannels();
        m_fileFrames = m_file.GetFrameCount();
        if (m_fileChannels == 0) {
            errorText = "Device unavailable: no channels in " + m_path;
            return false;
        }
        m_remaining.store(m_fileFrames);
        m_fileBlock.resize(static_cast<size_t>(m_framesPerBuffer) * m_fileChannels * m_format.BytesPerSample());
        m_out.resize(static_cast<size_t>(m_framesPerBuffer) * m_format.blockAlign);
        return true;
    }

    int Start() override
    {
        if (m_started)
            return 1;
        m_startMs = m_owner.m_clock.NowMs();
        m_delivered = 0;
        m_started = true;
        m_stop.store(false);
        if (m_owner.m_pacing == Pacing::Clock)
            m_thread = std::thread([this] { RunClocked(); });
        else if (m_owner.m_pacing == Pacing::AsFastAsPossible)
            m_thread = std::thread([this] { RunFast(); });
        return 1;
    }

    int Stop() override
    {
        m_stop.store(true);
        if (m_thread.joinable())
            m_thread.join();
        m_started = false;
        return 1;
    }

    int Close() override
    {
        if (m_closed)
            return 1;
        Stop();
        m_file.Close();
        m_closed = true;
        m_owner.Forget(this);
        return 1;
    }

    std::string ErrorText() const override { return {}; }

    // Delivers the buffers whose time has come by the clock.
    uint32_t DeliverDue()
    {
        if (!m_started)
            return 0;
        const uint64_t elapsedMs = static_cast<uint32_t>(m_owner.m_clock.NowMs() - m_startMs);
        const uint64_t dueFrames = elapsedMs * m_format.samplesPerSec / 1000u;
        uint32_t count = 0;
        while ((m_delivered + 1) * m_framesPerBuffer <= dueFrames && !m_stop.load()) {
            DeliverOne();
            ++count;
        }
        return count;
    }

    uint32_t Remaining() const { return m_remaining.load(); }

private:
    void RunClocked()
    {
        while (!m_stop.load()) {
            DeliverDue();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    void RunFast()
    {
        while (!m_stop.load() && (m_atEnd == AtEnd::Repeat || m_remaining.load() > 0))
            DeliverOne();
    }

    void DeliverOne()
    {
        const uint32_t bytesPerSample = m_format.BytesPerSample();
        const uint32_t fileFrameBytes = m_fileChannels * bytesPerSample;
        uint32_t filled = 0;
        while (filled < m_framesPerBuffer) {
            if (m_filePos >= m_fileFrames) {
                if (m_atEnd == AtEnd::Repeat && m_fileFrames > 0) {
                    m_filePos = 0;
                    continue;
                }
                const int silence = bytesPerSample == 1 ? 128 : 0;
                std::memset(m_fileBlock.data() + static_cast<size_t>(filled) * fileFrameBytes, silence,
                            static_cast<size_t>(m_framesPerBuffer - filled) * fileFrameBytes);
                break;
            }
            const uint32_t take = std::min(m_framesPerBuffer - filled, m_fileFrames - m_filePos);
            m_file.Seek(m_filePos);
            m_file.ReadFrames(m_fileBlock.data() + static_cast<size_t>(filled) * fileFrameBytes, take,
                              m_format.bitsPerSample);
            m_filePos += take;
            filled += take;
            const uint32_t left = m_remaining.load();
            m_remaining.store(left > take ? left - take : 0);
        }
        // Channels beyond the file's repeat its last one; extra file channels are dropped.
        for (uint32_t f = 0; f < m_framesPerBuffer; ++f)
            for (uint32_t c = 0; c < m_format.channels; ++c) {
                const uint32_t src = std::min(c, m_fileChannels - 1);
                std::memcpy(m_out.data() + (static_cast<size_t>(f) * m_format.channels + c) * bytesPerSample,
                            m_fileBlock.data() + (static_cast<size_t>(f) * m_fileChannels + src) * bytesPerSample,
                            bytesPerSample);
            }
        ++m_delivered;
        m_sink.OnCapture(m_out.data(), m_framesPerBuffer);
    }

    CFileInputBackend& m_owner;
    std::string m_path;
    AtEnd m_atEnd;
    PcmFormat m_format;
    uint32_t m_framesPerBuffer;
    IAudioCaptureSink& m_sink;
    CSoundFile m_file;
    uint32_t m_fileChannels = 0;
    uint32_t m_fileFrames = 0;
    uint32_t m_filePos = 0;
    std::atomic<uint32_t> m_remaining{0};
    std::vector<unsigned char> m_fileBlock;
    std::vector<unsigned char> m_out;
    uint32_t m_startMs = 0;
    uint64_t m_delivered = 0;
    bool m_started = false;
    bool m_closed = false;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

CFileInputBackend::CFileInputBackend(IClock& clock, Pacing pacing) : m_clock(clock), m_pacing(pacing) {}

CFileInputBackend::~CFileInputBackend()
{
    std::vector<Stream*> streams;
    {
        std::lock_guard<std::mutex> lock(m_streamsMutex);
        streams = m_streams;
    }
    for (Stream* s : streams)
        s->Stop();
}

size_t CFileInputBackend::AddDevice(const std::string& name, const std::string& wavPath, AtEnd atEnd)
{
    CSoundFile file;
    uint32_t channels = 0;
    if (file.Open(wavPath))
        channels = file.GetChannels();
    m_devices.push_back({name, wavPath, atEnd, channels});
    return m_devices.size() - 1;
}

void CFileInputBackend::FailNextOpen(const std::string& errorText)
{
    m_failNextOpen = errorText;
}

std::vector<AudioDeviceInfo> CFileInputBackend::EnumerateDevices()
{
    std::vector<AudioDeviceInfo> infos;
    for (const Device& d : m_devices)
        infos.push_back({d.name, d.channels});
    return infos;
}

bool CFileInputBackend::IsFormatSupported(const PcmFormat&)
{
    return !m_devices.empty();
}

std::unique_ptr<IAudioInputStream> CFileInputBackend::Open(uint32_t deviceIndex, const PcmFormat& format,
                                                           uint32_t framesPerBuffer, uint32_t,
                                                           IAudioCaptureSink& sink, std::string& errorText)
{
    if (!m_failNextOpen.empty()) {
        errorText = m_failNextOpen;
        m_failNextOpen.clear();
        return nullptr;
    }
    if (deviceIndex >= m_devices.size()) {
        errorText = "Invalid device";
        return nullptr;
    }
    if (framesPerBuffer == 0 || format.blockAlign == 0) {
        errorText = "Invalid sample format";
        return nullptr;
    }
    auto stream = std::make_unique<Stream>(*this, m_devices[deviceIndex], format, framesPerBuffer, sink);
    if (!stream->OpenFile(errorText))
        return nullptr;
    std::lock_guard<std::mutex> lock(m_streamsMutex);
    m_streams.push_back(stream.get());
    return stream;
}

void CFileInputBackend::Forget(Stream* stream)
{
    std::lock_guard<std::mutex> lock(m_streamsMutex);
    m_streams.erase(std::remove(m_streams.begin(), m_streams.end(), stream), m_streams.end());
}

uint32_t CFileInputBackend::Pump()
{
    if (m_pacing != Pacing::Manual)
        return 0;  // the streams' own threads deliver
    std::lock_guard<std::mutex> lock(m_streamsMutex);
    uint32_t count = 0;
    for (Stream* s : m_streams)
        count += s->DeliverDue();
    return count;
}

uint32_t CFileInputBackend::RemainingFileFrames() const
{
    std::lock_guard<std::mutex> lock(m_streamsMutex);
    return m_streams.empty() ? 0 : m_streams.back()->Remaining();
}

} // namespace tavril
