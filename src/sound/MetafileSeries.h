#pragma once
// MetafileSeries: the member sound files of a metafile read as one sound.
// In a continuous recording the members follow each other without gaps; in
// a clip recording each member sits at its own start (its recording start
// less the series start) and the stretches between clips read as silence,
// where clips overlap the later one is heard.
//
// Ownership: owns one CSoundFile per member, opened on demand and closed
// with Close. Threading: one thread at a time, like CSoundFile.

#include "MetafileText.h"
#include "SoundHeader.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavril {

class CSoundFile;

class MetafileSeries {
public:
    static constexpr uint32_t kMaxFrames = UINT32_MAX;

    MetafileSeries();
    ~MetafileSeries();

    // Reads the metafile and every member's format. False with a message
    // when the metafile or a member cannot be read, when members differ in
    // rate or channels, or when there are no members.
    bool Open(const std::string& metafilePath, std::string& error);
    void Close();

    // Rate, channels, width and length of the series (in the memory layout).
    const SoundHeader& Header() const { return m_header; }
    const MetafileText& Metafile() const { return m_meta; }

    // Fills `frames` frames from series position `position` into `buffer`
    // at `bits` per sample; stretches no member covers read as silence.
    // Returns false when a member could not be read (its part is silence).
    bool Read(void* buffer, uint32_t position, uint32_t frames, uint32_t bits);

    struct Member {
        std::string path;
        uint32_t startFrame = 0;
        uint32_t frames = 0;
    };
    const std::vector<Member>& Members() const { return m_members; }
    // The member whose span holds `position` (the later of overlapping
    // clips), or -1.
    int MemberAt(uint32_t position) const;

private:
    MetafileText m_meta;
    SoundHeader m_header;
    std::vector<Member> m_members;
    std::vector<std::unique_ptr<CSoundFile>> m_files;
};

} // namespace tavril
