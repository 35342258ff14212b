#include "CAudioInputDevice.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <thread>

namespace tavril {

namespace {

constexpr int32_t kLevelMinReset = 60000;
constexpr int32_t kLevelMaxReset = -60000;

// Lowers (raises) an atomic only ever written by one thread at a time; the
// exchange in ResetLevel may race with it, hence the compare loop.
void StoreMin(std::atomic<int32_t>& a, int32_t v)
{
    int32_t cur = a.load(std::memory_order_relaxed);
    while (v < cur && !a.compare_exchange_weak(cur, v, std::memory_order_acq_rel)) {
    }
}

void StoreMax(std::atomic<int32_t>& a, int32_t v)
{
    int32_t cur = a.load(std::memory_order_relaxed);
    while (v > cur && !a.compare_exchange_weak(cur, v, std::memory_order_acq_rel)) {
    }
}

} // namespace

CAudioInputDevice::CAudioInputDevice(IAudioInputBackend& backend, IClock& clock, uint32_t deviceIndex,
                                     const AudioDeviceInfo& info, IPriorityControl* priority)
    : m_backend(backend), m_clock(clock), m_priority(priority), m_deviceIndex(deviceIndex), m_info(info)
{
    if (m_info.channels > 2)
        m_info.channels = 2;  // recorders offer mono or stereo only
}

CAudioInputDevice::~CAudioInputDevice()
{
    Close();
}

void CAudioInputDevice::ChooseBufferSize(double sampleRate, uint32_t& framesPerBuffer, uint32_t& bufferCount)
{
    if (!(sampleRate > 0)) {
        framesPerBuffer = 128;
        bufferCount = 60;
        return;
    }
    uint32_t n = 128;
    while (n / sampleRate < 0.005 && n < 2048)
        n *= 2;
    framesPerBuffer = n;
    bufferCount = std::max(static_cast<uint32_t>(std::trunc(0.5 * sampleRate / n + 1.0)), 5u);
}

void CAudioInputDevice::SetErrorReporter(std::function<void(const std::string&)> reporter)
{
    m_reporter = std::move(reporter);
}

void CAudioInputDevice::Report(const std::string& systemText)
{
    m_lastError = SoundIoErrorMessage(systemText);
    if (m_reporter)
        m_reporter(m_lastError);
}

int CAudioInputDevice::Attach(IAudioInputListener* listener, PcmFormat& format, const std::string& captureName)
{
    if (!listener)
        return 0;
    size_t last = kMaxListeners;  // index of the last occupied slot
    for (size_t i = 0; i < kMaxListeners; ++i) {
        IAudioInputListener* l = m_listeners[i].load();
        if (l == listener) {
            if (IsRunning())
                CopyFormat(format);
            return IsRunning() ? 1 : 0;
        }
        if (l)
            last = i;
    }
    const size_t slot = last == kMaxListeners ? 0 : last + 1;
    if (slot >= kMaxListeners)
        return 0;

    if (IsRunning()) {
        // Every listener of a running device shares the first one's format.
        CopyFormat(format);
        m_listeners[slot].store(listener);
        return 1;
    }

    uint32_t n = 0, count = 0;
    ChooseBufferSize(format.samplesPerSec, n, count);
    if (!Open(format, captureName, n, count))
        return 0;

    const uint32_t rate = m_format.samplesPerSec;
    const uint32_t durationMs = static_cast<uint32_t>(static_cast<uint64_t>(m_framesPerBuffer) * 1000u / rate);
    m_bufferDurationMs.store(durationMs);
    m_bufferStartMs.store(m_clock.NowMs() - durationMs);
    m_totalFrames.store(0);
    m_bufferPosition.store(0);
    m_ringSlot = 0;
    m_running.store(true);
    m_listeners[0].store(listener);
    if (!m_stream->Start())
        Report(m_stream->ErrorText());  // the listener stays attached; it just hears nothing
    return 1;
}

int CAudioInputDevice::Detach(IAudioInputListener* listener)
{
    bool found = false;
    bool any = false;
    for (auto& slot : m_listeners) {
        IAudioInputListener* l = slot.load();
        if (l && l == listener) {
            slot.store(nullptr);
            found = true;
        } else if (l) {
            any = true;
        }
    }
    if (!found)
        return 0;
    WaitForCaptureToLeave();
    if (!any)
        Close();
    return 1;
}

size_t CAudioInputDevice::GetListenerCount() const
{
    size_t count = 0;
    for (const auto& slot : m_listeners)
        if (slot.load())
            ++count;
    return count;
}

void CAudioInputDevice::WaitForCaptureToLeave()
{
    // A capture pass that may have read a listener before it was removed ends
    // within one buffer; passes that start later see the removal.
    const uint32_t epoch = m_captureEpoch.load();
    if ((epoch & 1u) == 0)
        return;
    while (m_captureEpoch.load() == epoch)
        std::this_thread::yield();
}

int CAudioInputDevice::Open(const PcmFormat& requested, const std::string& captureName, uint32_t framesPerBuffer,
                            uint32_t bufferCount)
{
    if (m_info.name.empty())
        return 0;
    // The device list may be stale: find this device again by its name.
    const std::vector<AudioDeviceInfo> devices = m_backend.EnumerateDevices();
    auto it = std::find_if(devices.begin(), devices.end(),
                           [&](const AudioDeviceInfo& d) { return d.name == m_info.name; });
    if (it == devices.end())
        return 0;
    m_deviceIndex = static_cast<uint32_t>(it - devices.begin());

    Close();

    if (requested.channels == 0 || requested.samplesPerSec == 0 ||
        (requested.bitsPerSample != 8 && requested.bitsPerSample != 16 && requested.bitsPerSample != 24 &&
         requested.bitsPerSample != 32)) {
        Report("Invalid sample format");
        return 0;
    }
    const PcmFormat format = PcmFormat::Make(requested.samplesPerSec, requested.channels, requested.bitsPerSample);
    bufferCount = std::min<uint32_t>(bufferCount, kMaxBuffers);
    framesPerBuffer = std::min<uint32_t>(framesPerBuffer, 30000);
    const uint32_t bytes = framesPerBuffer * format.blockAlign;
    try {
        m_ring.assign(static_cast<size_t>(bytes) * bufferCount, 0);
    } catch (const std::bad_alloc&) {
        m_ring = {};
        return 0;
    }

    m_format = format;
    m_framesPerBuffer = framesPerBuffer;
    m_bufferBytes = bytes;
    m_bufferCount = bufferCount;
    m_sampleRate.store(format.samplesPerSec);

    std::string errorText;
    m_stream = m_backend.Open(m_deviceIndex, format, framesPerBuffer, bufferCount, *this, errorText);
    if (!m_stream) {
        Report(errorText);
        m_ring = {};
        m_bufferCount = 0;
        return 0;
    }
    m_captureName = captureName;
    return 1;
}

int CAudioInputDevice::Close()
{
    for (auto& slot : m_listeners)
        slot.store(nullptr);
    if (!m_stream)
        return 0;
    m_running.store(false);
    // Stop returns once no capture pass runs, so no listener still reads a
    // buffer when the ring is freed below.
    if (!m_stream->Stop())
        Report(m_stream->ErrorText());
    WaitForCaptureToLeave();
    if (!m_stream->Close())
        Report(m_stream->ErrorText());
    m_stream.reset();
    m_ring = {};
    m_bufferCount = 0;
    return 1;
}

void CAudioInputDevice::CopyFormat(PcmFormat& out) const
{
    out = m_format;
}

void CAudioInputDevice::OnCapture(const void* data, uint32_t frames)
{
    m_captureEpoch.fetch_add(1);  // odd: inside
    if (m_running.load() && m_bufferCount > 0 && data) {
        frames = std::min(frames, m_framesPerBuffer);
        const uint32_t total = m_totalFrames.load(std::memory_order_relaxed);
        m_bufferPosition.store(total, std::memory_order_release);
        m_totalFrames.store(total + frames, std::memory_order_release);
        m_bufferStartMs.store(m_clock.NowMs() - m_bufferDurationMs.load(std::memory_order_relaxed),
                              std::memory_order_release);
        const size_t bytes = static_cast<size_t>(frames) * m_format.blockAlign;
        if (m_levelEnabled.load(std::memory_order_relaxed))
            TrackLevel(static_cast<const unsigned char*>(data), frames * m_format.channels);
        m_sequence.fetch_add(1, std::memory_order_acq_rel);

        unsigned char* slot = m_ring.data() + static_cast<size_t>(m_ringSlot) * m_bufferBytes;
        m_ringSlot = (m_ringSlot + 1) % m_bufferCount;
        for (auto& entry : m_listeners) {
            IAudioInputListener* listener = entry.load();
            if (!listener)
                continue;
            std::memcpy(slot, data, bytes);
            listener->OnInputBuffer(frames, slot, *this);
        }
    }
    m_captureEpoch.fetch_add(1);  // even: outside
}

void CAudioInputDevice::TrackLevel(const unsigned char* p, uint32_t samples)
{
    // The meter works in 8-bit units for 8-bit sound and in 16-bit units for
    // everything wider, so its reset values stay outside any sample's range.
    int32_t lo = kLevelMinReset, hi = kLevelMaxReset;
    const uint32_t bytes = m_format.BytesPerSample();
    for (uint32_t i = 0; i < samples; ++i, p += bytes) {
        int32_t v;
        if (bytes == 1)
            v = static_cast<int32_t>(p[0]) - 128;
        else
            v = static_cast<int16_t>(static_cast<uint16_t>(p[bytes - 2] | (p[bytes - 1] << 8)));
        if (v < lo)
            lo = v;
        if (v > hi)
            hi = v;
    }
    StoreMin(m_levelMin, lo);
    StoreMax(m_levelMax, hi);
}

void CAudioInputDevice::EnableLevel(bool enable)
{
    m_levelEnabled.store(enable);
}

void CAudioInputDevice::ReadLevel(double& minimum, double& maximum) const
{
    const double fullScale = m_format.bitsPerSample == 8 ? 128.0 : 32768.0;
    int32_t lo = m_levelMin.load();
    int32_t hi = m_levelMax.load();
    if (lo > fullScale)
        lo = m_lastMin.load();
    if (hi < -fullScale)
        hi = m_lastMax.load();
    minimum = lo / fullScale;
    maximum = hi / fullScale;
}

void CAudioInputDevice::ResetLevel()
{
    if (m_levelMin.load() == kLevelMinReset)
        return;
    m_lastMin.store(m_levelMin.exchange(kLevelMinReset));
    m_lastMax.store(m_levelMax.exchange(kLevelMaxReset));
}

int CAudioInputDevice::SetPriorityLevel(int level, std::string& whyNot)
{
    level = std::clamp(level, 0, 2);
    if (level == m_priorityLevel)
        return 1;
    if (m_priority && !m_priority->ApplyPriorityLevel(level, whyNot))
        return 0;
    m_priorityLevel = level;
    return 1;
}

} // namespace tavril
