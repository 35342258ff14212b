#include "CCircularBuffer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tavril {

namespace {

void StoreBytes(unsigned char* dst, const unsigned char* src, size_t n)
{
    for (size_t i = 0; i < n; ++i) std::atomic_ref<unsigned char>(dst[i]).store(src[i], std::memory_order_relaxed);
}

void LoadBytes(unsigned char* dst, unsigned char* src, size_t n)
{
    for (size_t i = 0; i < n; ++i) dst[i] = std::atomic_ref<unsigned char>(src[i]).load(std::memory_order_relaxed);
}

} // namespace

int CCircularBuffer::Allocate(uint32_t capacityFrames, uint32_t channels, uint32_t bytesPerSample)
{
    const uint64_t bytes = uint64_t(capacityFrames) * channels * bytesPerSample;
    if (bytes == 0) {
        Free();
        return 0;
    }
    if (bytes != m_bytes || !m_data) {
        m_data.reset(new (std::nothrow) unsigned char[bytes]);
        m_bytes = m_data ? bytes : 0;
        if (!m_data) {
            m_capacity = 0;
            return 0;
        }
    }
    m_capacity = capacityFrames;
    m_channels = channels;
    m_bytesPerSample = bytesPerSample;
    m_frameBytes = channels * bytesPerSample;
    Reset();
    return 1;
}

void CCircularBuffer::Free()
{
    m_data.reset();
    m_bytes = 0;
    m_capacity = 0;
    Reset();
}

void CCircularBuffer::Reset()
{
    m_written.store(0, std::memory_order_release);
    m_reserved.store(0, std::memory_order_release);
    m_unread.store(0, std::memory_order_release);
}

void CCircularBuffer::CopyIn(uint64_t frame, const unsigned char* src, uint32_t n)
{
    const uint32_t pos = uint32_t(frame % m_capacity);
    const uint32_t first = std::min(n, m_capacity - pos);
    StoreBytes(m_data.get() + size_t(pos) * m_frameBytes, src, size_t(first) * m_frameBytes);
    if (first < n) StoreBytes(m_data.get(), src + size_t(first) * m_frameBytes, size_t(n - first) * m_frameBytes);
}

void CCircularBuffer::CopyOut(uint64_t frame, unsigned char* dst, uint32_t n) const
{
    const uint32_t pos = uint32_t(frame % m_capacity);
    const uint32_t first = std::min(n, m_capacity - pos);
    LoadBytes(dst, m_data.get() + size_t(pos) * m_frameBytes, size_t(first) * m_frameBytes);
    if (first < n) LoadBytes(dst + size_t(first) * m_frameBytes, m_data.get(), size_t(n - first) * m_frameBytes);
}

void CCircularBuffer::Write(const void* frames, uint32_t n)
{
    if (!m_data || n == 0) return;
    const auto* src = static_cast<const unsigned char*>(frames);
    const uint64_t skipped = n > m_capacity ? n - m_capacity : 0;
    const uint64_t start = m_written.load(std::memory_order_relaxed);
    // Announce before overwriting, so that a reader copying the oldest
    // frames knows they may be gone.
    m_reserved.store(start + n, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    CopyIn(start + skipped, src + skipped * m_frameBytes, uint32_t(n - skipped));
    m_written.store(start + n, std::memory_order_release);
}

uint64_t CCircularBuffer::OldestFrame() const
{
    const uint64_t w = FramesWritten();
    return w > m_capacity ? w - m_capacity : 0;
}

uint32_t CCircularBuffer::Available() const
{
    return uint32_t(std::min<uint64_t>(FramesWritten(), m_capacity));
}

uint32_t CCircularBuffer::ReadFrom(uint64_t& first, uint32_t count, void* out) const
{
    if (!m_data || count == 0) return 0;
    const uint64_t written = m_written.load(std::memory_order_acquire);
    const uint64_t oldest = written > m_capacity ? written - m_capacity : 0;
    first = std::max(first, oldest);
    if (first >= written) return 0;
    uint32_t n = uint32_t(std::min<uint64_t>(count, written - first));
    auto* dst = static_cast<unsigned char*>(out);
    CopyOut(first, dst, n);
    std::atomic_thread_fence(std::memory_order_acquire);
    const uint64_t reserved = m_reserved.load(std::memory_order_relaxed);
    const uint64_t safe = reserved > m_capacity ? reserved - m_capacity : 0;
    if (safe > first) {
        // The writer reached the oldest frames while they were copied.
        const uint64_t lost = std::min<uint64_t>(safe - first, n);
        std::memmove(dst, dst + lost * m_frameBytes, (n - lost) * size_t(m_frameBytes));
        first += lost;
        n -= uint32_t(lost);
    }
    return n;
}

uint32_t CCircularBuffer::ReadRange(int64_t first, uint32_t count, void* out) const
{
    if (first < 0) return FetchNewest(count, out);
    uint64_t from = OldestFrame() + uint64_t(first);
    return ReadFrom(from, count, out);
}

uint32_t CCircularBuffer::FetchNewest(uint32_t n, void* out) const
{
    if (!m_data) return 0;
    n = std::min(n, m_capacity);
    for (int attempt = 0;; ++attempt) {
        const uint64_t written = FramesWritten();
        const uint32_t want = uint32_t(std::min<uint64_t>(n, written));
        uint64_t first = written - want;
        const uint32_t got = ReadFrom(first, want, out);
        // Only a writer lapping the whole ring during the copy shortens it;
        // try again rather than return a gap.
        if (got == want || attempt == 8) return got;
    }
}

uint32_t CCircularBuffer::ReadUnread(int64_t max, void* out)
{
    uint64_t first = m_unread.load(std::memory_order_relaxed);
    const uint64_t written = FramesWritten();
    const uint64_t want = written > first ? written - first : 0;
    const uint32_t count = uint32_t(std::min<uint64_t>(max < 0 ? want : std::min<uint64_t>(want, uint64_t(max)),
                                                       m_capacity));
    const uint32_t got = ReadFrom(first, count, out);
    m_unread.store(first + got, std::memory_order_relaxed);
    return got;
}

uint64_t CCircularBuffer::UnreadCount() const
{
    const uint64_t written = FramesWritten();
    const uint64_t first = std::max(m_unread.load(std::memory_order_relaxed), OldestFrame());
    return written > first ? written - first : 0;
}

uint64_t CCircularBuffer::FirstUnread() const
{
    return std::max(m_unread.load(std::memory_order_relaxed), OldestFrame());
}

void CCircularBuffer::MarkReadUpTo(uint64_t frame)
{
    if (frame > m_unread.load(std::memory_order_relaxed)) m_unread.store(frame, std::memory_order_relaxed);
}

void CCircularBuffer::MarkAllRead()
{
    m_unread.store(FramesWritten(), std::memory_order_relaxed);
}

} // namespace tavril
