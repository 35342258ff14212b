#pragma once
// CSoundFile: one sound file on disk, read and written in blocks of frames.
//
// It keeps the format (rate, channels, width, frame count, where the samples
// start) and an open handle, never the sound itself. Every accessor reopens a
// closed but named object, so callers may Close after each batch of work to
// release the file. Samples in memory follow one model: ceil(bits / 8) bytes,
// little-endian, signed, except 8-bit which is unsigned with 128 as silence;
// files in other layouts (float, big-endian, wide containers) are converted on
// the fly. Operations return 1/0 (or a count) and never show anything.
//
// Ownership: the object owns its file handle and closes it (rewriting a dirty
// header) on destruction. Threading: one thread at a time per object.

#include "CFileHandle.h"
#include "SoundFormat.h"
#include "SoundHeader.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace tavril {

class ISoundCodec;
class MetafileSeries;

// Calendar time of a recording's start and where it came from.
struct RecordingTime {
    enum class Source { None, FileName, Metafile, ModificationTime };
    Source source = Source::None;
    std::tm time{};  // local calendar time; tm_year counts from 1900
};

class CSoundFile {
public:
    CSoundFile();
    ~CSoundFile();
    CSoundFile(const CSoundFile&) = delete;
    CSoundFile& operator=(const CSoundFile&) = delete;

    int Open(const std::string& name);
    int Create(const std::string& name, double sampleRate, uint32_t channels, uint32_t bits,
               uint32_t preSizeFrames = 0);
    void Close();
    void Reset();
    int EnsureOpen();

    // Frames are interleaved; `wantedBits`/`sourceBits` 0 means the file's width.
    // Reading past the end yields silence; ReadFrames returns 0 only when the
    // width is unsupported or samples inside the data could not be read.
    uint32_t ReadFrames(void* buffer, uint32_t frames, uint32_t wantedBits = 0);
    uint32_t WriteFrames(const void* buffer, uint32_t frames, uint32_t sourceBits = 0);
    // `buffer` must hold `frames` whole frames; the channel's samples end up
    // at its start.
    uint32_t ReadChannel(void* buffer, uint32_t frames, uint32_t channel, uint32_t wantedBits = 0);
    uint32_t WriteChannel(const void* samples, uint32_t frames, uint32_t channel, uint32_t bits = 0);
    void ReplaceChannel(void* frameBuffer, const void* channelSamples, uint32_t frames, uint32_t channel,
                        uint32_t bits = 0);
    uint32_t Seek(uint32_t frame);

    void SetSampleRate(double sampleRate);
    int SetBitsPerSample(uint32_t bits);
    void SwapBytes16(void* block, uint32_t frames) const;

    static SoundFormat FormatFromName(const std::string& name);
    static int ConvertSampleWidth(const void* src, uint32_t srcBits, void* dst, uint32_t dstBits,
                                  size_t samples);

    // Format accessors reopen a closed, named object when their field is 0.
    double GetSampleRate();
    uint32_t GetChannels();
    uint32_t GetBitsPerSample();
    uint32_t GetFrameCount();
    uint32_t GetDataOffset() const { return m_header.dataOffset; }
    uint32_t GetPosition() const { return m_position; }
    int32_t GetFormatType() const { return m_formatType; }
    const std::string& GetFileName() const { return m_fileName; }
    std::string GetFileTitle() const;
    bool IsOpen() const { return m_open; }
    bool IsAiffName() const { return m_formatType == kFormatAiff; }
    bool IsMetafile() const { return m_formatType == kFormatMeta; }
    bool IsHeaderDirty() const { return m_headerDirty; }
    bool IsReadOnly() const { return m_open && !m_file.IsWritable(); }
    uint32_t GetSeriesStartFrame() const { return m_seriesStartFrame; }
    const SoundHeader& GetHeader() const { return m_header; }

    uint32_t BytesPerSample() const { return (m_header.bitsPerSample + 7) / 8; }
    uint32_t BytesPerFrame() const { return m_header.channels * BytesPerSample(); }
    double DurationMs();
    uint32_t FramesToMs(uint32_t frames);
    uint32_t MsToFrames(double ms);

    // Start of the recording: from digits in the file name such as
    // "20210502_040000.WAV", else the file's modification time.
    RecordingTime GetRecordingStartTime() const;
    static bool ParseTimeFromName(const std::string& fileTitle, std::tm& out);

    // Set when the last write could not reach the disk (full disk, read-only
    // file); cleared by Open and Create.
    bool HasWriteError() const { return m_writeError; }
    // Set when the file held fewer sample bytes than its header promised at
    // the time of a read (the file shrank, or the disk failed); that read
    // returned 0 and its missing part reads as silence. Cleared by Open.
    bool HasReadError() const { return m_readError; }
    // The member files behind an open metafile (nullptr for other sounds).
    const MetafileSeries* Series() const { return m_series.get(); }
    // Why the last Open of a metafile failed.
    const std::string& SeriesError() const { return m_seriesError; }

private:
    const ISoundCodec* CodecFor(int32_t format) const;
    int ReadSamplesRaw(void* buffer, size_t samples, uint32_t memBytes);
    int WriteSamplesRaw(const void* buffer, size_t samples, uint32_t memBytes);
    bool RewriteHeader();

    bool m_headerDirty = false;
    int32_t m_formatType = kFormatWav;
    uint32_t m_position = 0;
    std::string m_fileName;
    bool m_open = false;
    CFileHandle m_file;
    SoundHeader m_header;
    uint32_t m_seriesStartFrame = 0;
    bool m_writeError = false;
    bool m_readError = false;
    std::vector<unsigned char> m_scratch;
    std::vector<unsigned char> m_scratch2;
    std::unique_ptr<MetafileSeries> m_series;  // a metafile's members, read as one sound
    std::string m_seriesError;

    int OpenSeries(const std::string& name);
};

} // namespace tavril
