#pragma once
// CBlockStreamer: the frames of a playback, read from the WAV file in blocks
// by a feeder thread into a ring that the sound system's callback drains.
// Open reads the first block before it returns, so a stream started right
// after has sound at once; memory stays at the ring (about a second, at most
// 4 MB) whatever the file's length.
//
// Ownership: owns the open file (its descriptor keeps a replaced file's old
// contents readable) and the feeder thread. Threading: Open, StartFeeding and
// StopFeeding on the controlling thread; Pull on one consumer thread (the
// audio callback: no allocation, lock or file I/O there); the counters from
// any thread.

#include "ISoundPlayer.h"
#include "PcmFormat.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace tavril {

class CSoundFile;

class CBlockStreamer {
public:
    CBlockStreamer();
    ~CBlockStreamer();
    CBlockStreamer(const CBlockStreamer&) = delete;
    CBlockStreamer& operator=(const CBlockStreamer&) = delete;

    // Opens the file, clips the range to it and reads the first block.
    // Returns 0 with a reason in `error` when there is nothing to play.
    int Open(const PlayRequest& request, std::string& error);
    // The file's format (its rate, channels and width in memory).
    const PcmFormat& Format() const { return m_format; }
    double FileSampleRate() const { return m_fileRate; }
    uint32_t StartFrame() const { return m_startFrame; }
    uint32_t FrameCount() const { return m_frames; }

    void StartFeeding();
    void StopFeeding();

    // Copies up to `frames` frames into `out`; returns how many it had.
    uint32_t Pull(void* out, uint32_t frames);
    uint64_t FramesPulled() const { return m_read.load(std::memory_order_acquire); }
    // Every frame of the range has been pulled.
    bool Finished() const { return FramesPulled() >= m_frames; }
    // A read failed (the file shrank or the disk failed); what was missing
    // played as silence.
    bool HadReadError() const { return m_readError.load(); }

private:
    void Feed();
    bool FillOnce();

    std::unique_ptr<CSoundFile> m_file;
    PcmFormat m_format;
    double m_fileRate = 0;
    uint32_t m_startFrame = 0;
    uint32_t m_frames = 0;
    uint32_t m_frameBytes = 0;
    uint32_t m_capacityFrames = 0;  // power of two
    uint32_t m_blockFrames = 0;
    std::vector<unsigned char> m_ring;
    std::vector<unsigned char> m_block;
    uint64_t m_fed = 0;                 // feeder only: frames read from the file
    std::atomic<uint64_t> m_written{0};  // frames in the ring, ever
    std::atomic<uint64_t> m_read{0};     // frames pulled, ever
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_readError{false};
    std::thread m_feeder;
};

} // namespace tavril
