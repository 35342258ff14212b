#pragma once
// CSoundDocument: what a sound window needs from its document. It holds the
// editing document (CTavrilDoc: the user's file, the working copy every edit
// writes to, undo) and keeps the sound's length, rate and channel count at
// hand for drawing, refreshed after every change.
//
// Shared (std::shared_ptr) by every window that shows the same sound; the
// services handed in must outlive it. UI thread only.

#include "CTavrilDoc.h"

#include <memory>
#include <string>

namespace tavril {

class CSoundDocument {
public:
    static constexpr const char* kUntitled = CTavrilDoc::kUntitled;

    explicit CSoundDocument(const DocServices& services);

    // Opens the file; false when it does not exist (without a message) or
    // cannot be read (the document has told the user why).
    bool Open(const std::string& path);
    // A sound in one of the program's own temporary files, as an untitled
    // document that still has to be saved.
    bool AdoptAsUntitled(const std::string& tempFile);
    // A new, untitled document (an empty mono 16-bit 22050 Hz sound).
    void New();
    // The sound to read from: the working copy when there is one.
    CSoundFile& Sound() { return *m_doc->SoundForReading(); }
    CTavrilDoc& Doc() { return *m_doc; }
    const std::string& Path() const { return m_doc->Path(); }
    std::string Title() const;
    // Frames, rate and channels as of the last Open or Refresh; 0 for an empty sound.
    uint32_t Frames() const { return m_frames; }
    double SampleRate() const { return m_rate; }
    uint32_t Channels() const { return m_channels; }
    // Re-reads length, rate and channels after the sound changed.
    void Refresh();
    // Counts the Refresh calls: a window's cached pictures are checked
    // against the sound again when it moved on.
    uint64_t Revision() const { return m_revision; }
    // New sample rate and/or width (0 leaves one alone), applied to the
    // working copy; the user's file changes only when saved.
    void ApplyFormatInfo(double rate, uint32_t bits);

private:
    std::unique_ptr<CTavrilDoc> m_doc;
    uint32_t m_frames = 0;
    double m_rate = 0.0;
    uint32_t m_channels = 0;
    uint64_t m_revision = 0;
};

} // namespace tavril
