#pragma once
// CCircularBuffer: a ring of interleaved sample frames written by one thread
// (the capture callback) and read by others (display fetch, detector, store).
//
// Frames are counted from the last reset with a 64-bit index that never
// wraps, so "frames since the last store" or "since the detector last ran"
// are plain differences. The writer announces the frames it is about to
// overwrite before touching them and publishes them after; a reader copies
// and then checks that announcement, dropping any frame the writer may have
// reached during the copy. So a reader never returns a torn frame, Fetch
// newest returns exactly the newest frames, and no lock is ever taken on the
// capture thread. All sample bytes are accessed atomically (relaxed), which
// keeps the sharing free of data races without slowing the writer measurably.
//
// Ownership: the ring owns its block. Threading: Allocate and Reset while no
// writer runs; Write from one thread at a time; every read from any thread;
// ReadUnread and its cursor from one reader thread.

#include <atomic>
#include <cstdint>
#include <memory>

namespace tavril {

class CCircularBuffer {
public:
    CCircularBuffer() = default;
    CCircularBuffer(const CCircularBuffer&) = delete;
    CCircularBuffer& operator=(const CCircularBuffer&) = delete;

    // Sizes the ring and resets it; keeps the block when the byte size is
    // unchanged. Returns 0 (and holds no block) when the size is 0 or cannot
    // be allocated.
    int Allocate(uint32_t capacityFrames, uint32_t channels, uint32_t bytesPerSample);
    void Free();
    void Reset();

    // Appends n frames; more than the capacity keeps only the newest.
    void Write(const void* frames, uint32_t n);

    // Copies up to `count` frames starting at absolute frame `first` (counted
    // from the reset) into `out`, in time order. Frames older than the ring
    // holds are skipped: `first` is moved to the first frame copied. Returns
    // the number copied.
    uint32_t ReadFrom(uint64_t& first, uint32_t count, void* out) const;
    // Time-order read: frame 0 is the oldest held; first < 0 means the newest
    // `count` frames.
    uint32_t ReadRange(int64_t first, uint32_t count, void* out) const;
    // Exactly the newest n frames (fewer only when fewer were written).
    uint32_t FetchNewest(uint32_t n, void* out) const;

    // The frames not yet read by ReadUnread (at most the capacity): `max` < 0
    // reads all of them. Advances the unread cursor.
    uint32_t ReadUnread(int64_t max, void* out);
    uint64_t UnreadCount() const;
    // Marks everything written so far as read.
    void MarkAllRead();
    // The first unread frame (never older than the ring holds), and marking
    // frames read up to (not including) `frame` once they are safely used.
    uint64_t FirstUnread() const;
    void MarkReadUpTo(uint64_t frame);

    uint64_t FramesWritten() const { return m_written.load(std::memory_order_acquire); }
    uint32_t Available() const;
    uint64_t OldestFrame() const;
    uint32_t WritePosition() const { return uint32_t(FramesWritten() % (m_capacity ? m_capacity : 1)); }
    bool Wrapped() const { return m_capacity && FramesWritten() >= m_capacity; }
    uint32_t Capacity() const { return m_capacity; }
    uint32_t FrameBytes() const { return m_frameBytes; }
    uint32_t Channels() const { return m_channels; }
    uint32_t BytesPerSample() const { return m_bytesPerSample; }
    bool HasBlock() const { return m_data != nullptr; }

private:
    void CopyIn(uint64_t frame, const unsigned char* src, uint32_t n);
    void CopyOut(uint64_t frame, unsigned char* dst, uint32_t n) const;

    std::unique_ptr<unsigned char[]> m_data;
    uint64_t m_bytes = 0;
    uint32_t m_capacity = 0;
    uint32_t m_channels = 0;
    uint32_t m_bytesPerSample = 0;
    uint32_t m_frameBytes = 0;
    std::atomic<uint64_t> m_written{0};   // frames complete and readable
    std::atomic<uint64_t> m_reserved{0};  // frames the writer may be writing
    std::atomic<uint64_t> m_unread{0};    // first frame ReadUnread has not returned
};

} // namespace tavril
