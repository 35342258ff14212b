#pragma once
// ISoundCodec: header reading and writing for one container format (WAV, AIFF).
// Codecs are stateless and may be shared; all state lives in SoundHeader and
// the caller's CFileHandle. Sample data is moved by CSoundFile, which converts
// between the header's disk encoding and the memory model (SampleCoding.h).

#include "CFileHandle.h"
#include "SoundHeader.h"

namespace tavril {

class ISoundCodec {
public:
    virtual ~ISoundCodec() = default;

    // Parses the header of an open file. Returns 1 and fills `header` when the
    // file is a supported sound, 0 otherwise (nothing allocated from header
    // sizes, no read past the file, bounded chunk walks).
    virtual int ReadHeader(CFileHandle& file, SoundHeader& header) const = 0;

    // The header a new file of this format gets: layout fields and the disk
    // encoding for `bits` (frame count 0).
    virtual SoundHeader NewHeader(double sampleRate, uint32_t channels, uint32_t bits) const = 0;

    // Writes a complete header for a new file at the file's start and sets
    // header.dataOffset. Returns 1 or 0.
    virtual int WriteHeader(CFileHandle& file, SoundHeader& header) const = 0;

    // Brings the header of an existing file up to date with `header` (rate,
    // channels, width, frame count) without disturbing its other chunks and
    // without moving the samples. Returns 1 or 0.
    virtual int RewriteHeader(CFileHandle& file, SoundHeader& header) const = 0;

    // Switches the header's disk encoding to this format's plain integer
    // coding for a new width (used when a file's width is changed).
    virtual void AdoptWidth(SoundHeader& header, uint32_t bits) const = 0;

    // Whether files of this format can hold integer samples of `bits`.
    virtual bool SupportsWidth(uint32_t bits) const = 0;
};

} // namespace tavril
