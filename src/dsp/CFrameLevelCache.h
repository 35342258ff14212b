#pragma once
// CFrameLevelCache: the grey levels of every analysis frame of one channel of
// a sound (frames of 2*bins samples, one every `bins` samples: half a frame
// apart), kept as a pyramid of maxima so that the strongest level of any run
// of frames is a handful of lookups. This is what lets a window over a long
// recording show, in every pixel column, the strongest of all the frames
// that fall into it, and redraw on every zoom, scroll and repaint without a
// transform.
//
// Levels are 8 bits per frame and line: 0 ... 63 after the spectral gain but
// before the white threshold, which only ever raises a level to zero and so
// can be applied to the maximum instead of to every frame. Memory is bounded: when the
// pyramid of single frames would not fit the budget, its finest level holds
// maxima of 2, 4, ... frames, and the frames at the ragged ends of a run are
// transformed on demand. Every finest block remembers a hash of the samples it
// was computed from, so after the sound changed only blocks whose samples
// differ are computed again.
//
// Owned by one window (or one command-line run); one thread at a time. Fill
// spreads the transforms over a CWorkerPool; results do not depend on the
// number of threads.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

namespace tavril {

class CWorkerPool;

// Reads `count` samples of the cached channel from sample frame `first`;
// returns how many it read.
using ChannelReader = std::function<uint32_t(uint32_t first, uint32_t count, int16_t* out)>;

struct FrameLevelKey {
    int bins = 256;      // lines per frame; frames are 2*bins samples
    int windowType = 0;  // FftWindowType
    int gain = 0;        // integer spectral gain
    bool operator==(const FrameLevelKey&) const = default;
};

class CFrameLevelCache {
public:
    static constexpr size_t kDefaultBudgetBytes = size_t(64) << 20;

    // followEdits: keep a hash of every block's samples for Revalidate (a
    // cache for one picture only can leave it out and save the time).
    explicit CFrameLevelCache(size_t budgetBytes = kDefaultBudgetBytes, bool followEdits = true);

    // What is cached. A new key drops everything; a new length keeps the
    // blocks still inside the sound (Revalidate decides whether they hold).
    void Configure(const FrameLevelKey& key, uint32_t soundFrames);
    const FrameLevelKey& Key() const { return m_key; }
    uint32_t SoundFrames() const { return m_soundFrames; }
    // Whole frames inside the sound.
    uint32_t FrameCount() const { return m_frameCount; }
    int Bins() const { return m_key.bins; }
    // log2 of the frames per finest block (0: every frame kept).
    int FinestLevel() const { return m_finest; }
    size_t MemoryBytes() const;

    // Computes the missing blocks that overlap frames [f0, f1), at most
    // about maxFrames transforms (0: no limit). Returns the transforms made.
    size_t Fill(const ChannelReader& read, CWorkerPool* pool, uint32_t f0, uint32_t f1, size_t maxFrames = 0);
    // True when every block overlapping frames [f0, f1) is computed.
    bool IsFilled(uint32_t f0, uint32_t f1) const;
    // Frames of [f0, f1) not yet computed (for a progress indication).
    size_t MissingFrames(uint32_t f0, uint32_t f1) const;

    // Reads the sound again (after it changed) and drops the blocks whose
    // samples differ from those they were computed from (every block when
    // not following edits). Returns the number of blocks dropped.
    size_t Revalidate(const ChannelReader& read);

    // levels[bins] (highest line first) = the strongest level of every line
    // over frames [f0, f1). False (levels untouched) when a needed block is
    // not computed or a sample read fails.
    bool StrongestLevels(const ChannelReader& read, uint32_t f0, uint32_t f1, uint8_t* levels) const;

    // The levels of a single frame, computed directly (highest line first).
    bool FrameLevels(const ChannelReader& read, uint32_t frame, uint8_t* levels) const;

private:
    size_t LevelEntries(int level) const;
    uint8_t* Entry(int level, size_t index);
    const uint8_t* Entry(int level, size_t index) const;
    void DropAncestors(size_t block);
    void BuildAncestors(size_t firstBlock, size_t endBlock);
    // Samples [first, first+count) of block b's frames.
    void BlockSpan(size_t block, uint32_t& first, uint32_t& count) const;

    size_t m_budget;
    bool m_followEdits;
    FrameLevelKey m_key;
    uint32_t m_soundFrames = 0;
    uint32_t m_frameCount = 0;
    int m_finest = 0;
    // m_levels[i] is pyramid level m_finest + i: entry j covers frames
    // [j << level, (j + 1) << level), bins bytes per entry.
    std::vector<std::vector<uint8_t>> m_levels;
    std::vector<std::vector<uint8_t>> m_valid;
    std::vector<uint64_t> m_hash;  // per finest block
    // Frames at column edges finer than the finest level, kept once computed:
    // the same columns are drawn again on every repaint and scroll at one
    // zoom. A small share of the budget; emptied when full.
    mutable std::unordered_map<uint32_t, size_t> m_edgeIndex;  // frame -> offset in m_edgeLevels
    mutable std::vector<uint8_t> m_edgeLevels;
    size_t m_edgeBudget = 0;
};

} // namespace tavril
