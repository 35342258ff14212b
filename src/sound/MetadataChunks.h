#pragma once
// Metadata chunks: what a WAV or AIFF file holds besides its format and its
// samples (LIST/INFO, id3, bext, iXML, cue, smpl, guan; NAME, AUTH, ANNO,
// COMT, MARK, APPL). Every path that writes a new version of a sound (edit,
// tools, conversion) writes samples through a fresh header and then carries
// these chunks over from the version it replaces, so that nothing the user's
// recorder or other programs stored is lost. Free functions, stateless, any
// thread; each works on files by name and holds no handle after returning.

#include <cstdint>
#include <string>
#include <vector>

namespace tavril {

struct MetadataChunk {
    std::string id;          // four characters
    uint64_t bodyOffset = 0; // where the chunk's body starts in its file
    uint32_t size = 0;       // body size without the pad byte
};

// The metadata chunks of a WAV (RIFF, RIFX, RF64) or AIFF file in file order,
// wherever they stand relative to the samples; empty for other files. The
// walk is bounded by the file size and stops at a chunk that runs past it.
std::vector<MetadataChunk> ListMetadataChunks(const std::string& path);

// Appends to `target` (a WAV or AIFF whose chunks all end inside it) those
// metadata chunks of `source` whose id `target` does not have yet, and
// updates its container size. Between WAV and AIFF only chunks with the same
// meaning in both (ID3 tags) carry; the ids of the others go to `dropped`,
// as do all when the target has no chunks at all (SIG, SND).
// A target without samples gets none (a reader would take them for samples);
// their ids go to `dropped`.
// Returns 1, or 0 with `error` set when the target could not be written.
int CarryMetadataChunks(const std::string& source, const std::string& target, std::vector<std::string>& dropped,
                        std::string& error);

// AIFF rates need not be whole hertz, WAV rates must. When `source` is an
// AIFF with a fractional rate and `target` an AIFF whose rate is that rate
// cut to whole hertz, at least 1 (it went through a WAV working copy), the exact rate is
// written into the target. Returns 0 only when that write failed.
int CarryExactRate(const std::string& source, const std::string& target);

// Whether a file of `format` (kFormatWav, kFormatAiff, ...) can state `rate`
// exactly; `why` says what it cannot.
bool FormatHoldsRate(int32_t format, double rate, std::string& why);

} // namespace tavril
