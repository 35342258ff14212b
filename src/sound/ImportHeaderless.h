#pragma once
// Import of headerless binary sample files (raw PCM from loggers and
// acquisition cards): the bytes after an offset are taken as interleaved
// little-endian samples of a given width (8-bit unsigned) and written as a
// WAV or AIFF sound. Stateless; each call works on the files it names.

#include <cstdint>
#include <string>

namespace tavril {

// What the import dialog remembers, section "Import Headerless Binary Dialog".
struct ImportHeaderlessSettings {
    static constexpr const char* kSection = "Import Headerless Binary Dialog";
    static constexpr uint32_t kBitsChoices[5] = {8, 12, 16, 24, 32};

    int sampleRate = 22050;   // "sample rate"
    int channels = 1;         // "number of channels"
    int fileType = 0;         // "file type": 0 WAV, otherwise AIFF
    int bitsIndex = 2;        // "bits per sample": index into kBitsChoices
    long byteOffset = 0;      // "byte offset"

    // Reads the section ("" = default settings file); missing keys keep the
    // dialog's defaults. Values out of range fall back to them too.
    void Load(const std::string& settingsFile = "");
    // Writes every key; returns 1 or 0.
    int Save(const std::string& settingsFile = "") const;
    uint32_t Bits() const;
};

// The name the import writes to: the source name with ".WAV" (file type 0) or
// ".AIF" appended, its own extension kept ("rec.bin" -> "rec.bin.WAV").
std::string HeaderlessTargetName(const std::string& source, int fileType);

// Writes the samples of `source` from `byteOffset` on into the sound
// `target` (WAV or AIFF, by its name) with the given rate, channels and bits
// (8, 12, 16, 24 or 32). Only whole frames are taken; an offset at or beyond
// the end of the file gives an empty sound. The target is replaced only when
// the import succeeds. Returns 1 or 0; `message` says why it failed.
int ImportHeaderless(const std::string& source, const std::string& target, double sampleRate, uint32_t channels,
                     uint32_t bits, uint64_t byteOffset, std::string& message);
int ImportHeaderless(const std::string& source, const std::string& target, double sampleRate, uint32_t channels,
                     uint32_t bits, uint64_t byteOffset);

} // namespace tavril
