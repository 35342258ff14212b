#pragma once
// CEditEngine: the file-to-file operations every edit is built from (range
// copy, insert, delete, trim, cut, copies to a new file) plus the block-wise
// channel access the tools and filters share.
//
// Every operation opens its files through short-lived CSoundFile objects and
// closes them before returning, and moves the samples in blocks of about
// `blockBytes`, so memory stays bounded whatever the length of the sound.
// Operations return 1 for success and 0 for failure and show nothing; the
// reason of the last failure is kept in LastError() for the caller to report.
//
// Ownership: one object for the whole program, made by main() and handed to
// the documents and tools. Threading: one thread at a time.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavril {

class CSoundFile;

// How a channel is processed: 16-bit values for files up to 16 bits, 32-bit
// values for wider files so that they keep their precision.
struct SampleDomain {
    uint32_t bits = 16;         // 16 or 32
    double fullScale = 32768.0; // 2^(bits-1)
    double minValue = -32768.0;
    double maxValue = 32767.0;

    static SampleDomain ForFileBits(uint32_t fileBits);
    // trunc(v) limited to the domain's range.
    int32_t Clip(double v) const;
    // Scale factor from the 16-bit value range into this domain.
    double From16() const { return fullScale / 32768.0; }
};

class CEditEngine {
public:
    static constexpr size_t kDefaultBlockBytes = 4u << 20;

    explicit CEditEngine(size_t blockBytes = kDefaultBlockBytes);

    // Insert modes.
    enum InsertMode { kInsert = 0, kOverwrite = 1, kClipOnly = 2 };

    // Copies `count` frames (-1: to the end) of `source` from `sourceStart`
    // to `destination` at `destStart` (-1: append). When the channel counts
    // differ, a mono source goes into every channel and surplus channels are
    // dropped; widths are converted by the destination.
    int CopyFrames(const std::string& destination, const std::string& source, uint32_t sourceStart,
                   int64_t destStart, int64_t count);
    // destination := source[0, position) + clip[clipStart, clipStart + clipCount)
    //  + source[position (+ clipCount in mode 1), end); mode 2 recreates the
    // destination in the source's format with the clip range only. A clip of
    // another sample rate is resampled to the source's rate first.
    int Insert(const std::string& source, const std::string& destination, const std::string& clip,
               uint32_t clipStart, uint32_t position, int64_t clipCount, int mode);
    int CopyToNewFile(const std::string& newFile, const std::string& source, uint32_t start, int64_t count);
    int CopyChannelToNewFile(const std::string& newFile, const std::string& source, uint32_t start,
                             int64_t count, uint32_t channel);
    int DeleteRange(const std::string& previous, const std::string& working, uint32_t start, int64_t count);
    int Trim(const std::string& previous, const std::string& working, uint32_t start, int64_t count);
    int Cut(const std::string& clip, const std::string& previous, const std::string& working, uint32_t start,
            int64_t count);
    // Makes `destination` an empty file in the format of `like` (rate,
    // channels, bits).
    int CreateLike(const std::string& destination, const std::string& like);
    // The whole of `source` into `destination` (which already has its format).
    int CopyWhole(const std::string& destination, const std::string& source);
    // Writes `source` resampled to `rate` into a new WAV `destination`.
    int Resample(const std::string& destination, const std::string& source, uint32_t start, int64_t count,
                 double rate);

    // Streams frames [start, start + count) of `source` to the end of
    // `destination` (same channel count), giving `fn` the values of
    // `channel` of each block in the domain of the source's width; `fn` may
    // change them in place. `firstFrame` is the block's offset from `start`.
    // Frames beyond `count` are not touched. Other channels pass unchanged.
    using ChannelFn = std::function<bool(int32_t* values, uint32_t frames, uint64_t firstFrame)>;
    int StreamChannel(const std::string& destination, const std::string& source, uint32_t start,
                      uint32_t count, uint32_t channel, const ChannelFn& fn);
    // Reads `channel` of frames [start, start + count) block by block.
    using ReadFn = std::function<bool(const int32_t* values, uint32_t frames, uint64_t firstFrame)>;
    int ReadChannelBlocks(const std::string& source, uint32_t start, uint32_t count, uint32_t channel,
                          uint32_t domainBits, const ReadFn& fn);
    // Appends generated frames to `destination`: `fill` writes `frames`
    // values of the selected channel in the destination's domain; the other
    // channels get silence.
    using FillFn = std::function<void(int32_t* values, uint32_t frames, uint64_t firstFrame)>;
    int AppendGenerated(const std::string& destination, uint64_t frames, uint32_t channel, const FillFn& fill);

    // Reads `frames` values of `channel` of `file` from `start` at 16 or 32
    // bits into `out`; `scratch` is reused between calls.
    static int ReadChannelAt(CSoundFile& file, uint32_t start, uint32_t frames, uint32_t channel, uint32_t bits,
                             std::vector<unsigned char>& scratch, int32_t* out);
    // Rate, channels, width and length of a sound file; 0 when it cannot be
    // opened.
    struct Info {
        double rate = 0;
        uint32_t channels = 0;
        uint32_t bits = 0;
        uint32_t frames = 0;
    };
    int GetInfo(const std::string& file, Info& info);

    // Frames per block for frames of `bytesPerFrame` bytes.
    uint32_t BlockFrames(uint32_t bytesPerFrame) const;
    size_t BlockBytes() const { return m_blockBytes; }
    void SetBlockBytes(size_t bytes) { m_blockBytes = bytes < 64 ? 64 : bytes; }

    // Called with the fraction done of a long operation after each block;
    // returning false cancels it (the operation then fails with
    // WasCancelled() set). Empty: no reports.
    using ProgressFn = std::function<bool(double fraction)>;
    void SetProgress(ProgressFn fn) { m_progress = std::move(fn); }
    bool WasCancelled() const { return m_cancelled; }
    // Reports progress; false when the user asked to stop.
    bool Progress(double fraction);

    const std::string& LastError() const { return m_lastError; }
    void ClearError()
    {
        m_lastError.clear();
        m_cancelled = false;
        m_clipped = false;
    }
    // Float samples beyond full scale went through the integer value range
    // of a tool since ClearError, and were limited to full scale.
    bool HasClipped() const { return m_clipped; }
    // Records a failure reason; returns 0 so callers can `return Fail(...)`.
    int Fail(const std::string& reason);
    int FailOpen(const std::string& file);
    int FailWrite(const std::string& file);

private:
    size_t m_blockBytes;
    std::string m_lastError;
    ProgressFn m_progress;
    bool m_cancelled = false;
    bool m_clipped = false;
};

} // namespace tavril
