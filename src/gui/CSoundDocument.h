#pragma once
// CSoundDocument: what a sound window needs from its document: the sound file
// object, its path and title. A thin seam over CSoundFile that the editing
// document (working copy, undo) replaces without touching the windows.
//
// Shared (std::shared_ptr) by every window that shows the same sound; used
// from the UI thread only.

#include "CSoundFile.h"

#include <string>

namespace tavril {

class CSoundDocument {
public:
    static constexpr const char* kUntitled = "untitled.wav";

    // Opens the file; false when it does not exist or cannot be read as sound.
    // A failed open still leaves the document named after the path, showing
    // an empty sound.
    bool Open(const std::string& path);
    CSoundFile& Sound() { return m_sound; }
    const std::string& Path() const { return m_path; }
    std::string Title() const;
    // Frames, rate and channels read once at open; 0 for an empty sound.
    uint32_t Frames() const { return m_frames; }
    double SampleRate() const { return m_rate; }
    uint32_t Channels() const { return m_channels; }
    // New sample rate and/or width (0 leaves one alone); the samples are not
    // converted, only their description. false when the file refused.
    bool ApplyFormatInfo(double rate, uint32_t bits);

private:
    CSoundFile m_sound;
    std::string m_path;
    uint32_t m_frames = 0;
    double m_rate = 0.0;
    uint32_t m_channels = 0;
};

} // namespace tavril
