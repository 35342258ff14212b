#include "CFrameLevelCache.h"

#include "CWorkerPool.h"
#include "SpectrumColumn.h"

#include <algorithm>
#include <cstring>

namespace tavril {

namespace {

uint64_t HashSamples(const int16_t* s, size_t count)
{
    // FNV-1a over 64-bit words: only ever compared with itself, for the same
    // stretch of samples before and after an edit.
    uint64_t h = 0xcbf29ce484222325ull ^ count;
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        uint64_t w;
        std::memcpy(&w, s + i, sizeof w);
        h = (h ^ w) * 0x100000001b3ull;
    }
    for (; i < count; ++i) h = (h ^ static_cast<uint16_t>(s[i])) * 0x100000001b3ull;
    return h;
}

size_t Entries(uint32_t frames, int level)
{
    return (size_t(frames) + (size_t(1) << level) - 1) >> level;
}

// Bytes of a pyramid whose finest level is `finest`: levels up to a single
// entry, a validity byte per entry and a hash per finest block.
size_t PyramidBytes(uint32_t frames, int bins, int finest)
{
    size_t total = Entries(frames, finest) * sizeof(uint64_t);
    for (int level = finest;; ++level) {
        const size_t n = Entries(frames, level);
        total += n * (size_t(bins) + 1);
        if (n <= 1) break;
    }
    return total;
}

// Frame levels (0 ... 63, no threshold) of the frame starting at `samples`:
// stored in `out`, or raised into it when `keepStronger`.
void ComputeFrame(const int16_t* samples, const FrameLevelKey& key, uint8_t* __restrict out, bool keepStronger = false)
{
    alignas(64) int32_t levels[1024];
    SpectrumLevels(samples, key.bins, levels, kDisplayLevels, key.gain, 0, key.windowType);
    if (keepStronger) {
        for (int k = 0; k < key.bins; ++k) out[k] = std::max(out[k], static_cast<uint8_t>(levels[k]));
    } else {
        for (int k = 0; k < key.bins; ++k) out[k] = static_cast<uint8_t>(levels[k]);
    }
}

void MaxInto(uint8_t* __restrict dst, const uint8_t* __restrict src, int n)
{
    for (int k = 0; k < n; ++k) dst[k] = std::max(dst[k], src[k]);
}

} // namespace

CFrameLevelCache::CFrameLevelCache(size_t budgetBytes, bool followEdits)
    : m_budget(budgetBytes - budgetBytes / 16), m_followEdits(followEdits), m_edgeBudget(budgetBytes / 16)
{
}

void CFrameLevelCache::Configure(const FrameLevelKey& requested, uint32_t soundFrames)
{
    FrameLevelKey key = requested;
    key.bins = std::clamp(key.bins, 32, 1024);
    const uint32_t n = 2 * uint32_t(key.bins), hop = uint32_t(key.bins);
    const uint32_t frameCount = soundFrames >= n ? (soundFrames - n) / hop + 1 : 0;
    int finest = 0;
    while (finest < 30 && PyramidBytes(frameCount, key.bins, finest) > m_budget) ++finest;

    const bool keep = key == m_key && finest == m_finest && !m_levels.empty();
    if (!keep || frameCount != m_frameCount) {
        m_edgeIndex.clear();
        m_edgeLevels.clear();
    }
    const size_t oldBlocks = keep ? m_hash.size() : 0;
    const uint32_t oldFrames = m_frameCount;
    m_key = key;
    m_soundFrames = soundFrames;
    if (keep && frameCount == oldFrames) return;
    m_frameCount = frameCount;
    m_finest = finest;

    std::vector<std::vector<uint8_t>> levels, valid;
    for (int level = finest;; ++level) {
        const size_t entries = Entries(frameCount, level);
        levels.emplace_back(entries * size_t(key.bins), uint8_t(0));
        valid.emplace_back(entries, uint8_t(0));
        if (entries <= 1) break;
    }
    std::vector<uint64_t> hash(Entries(frameCount, finest), 0);
    // Blocks whose frames are all still there keep their levels; the block
    // that was or is now the short last one does not.
    const size_t blockFrames = size_t(1) << finest;
    const size_t kept = std::min({oldBlocks, size_t(oldFrames) / blockFrames, size_t(frameCount) / blockFrames});
    if (kept > 0) {
        std::memcpy(levels[0].data(), m_levels[0].data(), kept * size_t(key.bins));
        std::memcpy(valid[0].data(), m_valid[0].data(), kept);
        std::copy(m_hash.begin(), m_hash.begin() + kept, hash.begin());
    }
    m_levels = std::move(levels);
    m_valid = std::move(valid);
    m_hash = std::move(hash);
    if (kept > 0) BuildAncestors(0, kept);
}

size_t CFrameLevelCache::MemoryBytes() const
{
    // The edge frames' index counted at the 64 bytes per entry they are
    // allowed (a hash node and its bucket).
    size_t total = m_hash.size() * sizeof(uint64_t) + m_edgeLevels.capacity() + m_edgeIndex.size() * 64;
    for (size_t i = 0; i < m_levels.size(); ++i) total += m_levels[i].size() + m_valid[i].size();
    return total;
}

size_t CFrameLevelCache::LevelEntries(int level) const
{
    return m_valid[level - m_finest].size();
}

uint8_t* CFrameLevelCache::Entry(int level, size_t index)
{
    return m_levels[level - m_finest].data() + index * size_t(m_key.bins);
}

const uint8_t* CFrameLevelCache::Entry(int level, size_t index) const
{
    return m_levels[level - m_finest].data() + index * size_t(m_key.bins);
}

void CFrameLevelCache::BlockSpan(size_t block, uint32_t& first, uint32_t& count) const
{
    const uint32_t hop = uint32_t(m_key.bins);
    const size_t f0 = block << m_finest;
    const size_t f1 = std::min(size_t(m_frameCount), (block + 1) << m_finest);
    first = static_cast<uint32_t>(f0 * hop);
    count = static_cast<uint32_t>((f1 - f0 - 1) * hop + 2 * hop);
}

void CFrameLevelCache::DropAncestors(size_t block)
{
    for (size_t i = 1; i < m_valid.size(); ++i) m_valid[i][block >> i] = 0;
}

void CFrameLevelCache::BuildAncestors(size_t firstBlock, size_t endBlock)
{
    const int bins = m_key.bins;
    for (size_t i = 1; i < m_levels.size(); ++i) {
        firstBlock >>= 1;
        endBlock = (endBlock + 1) >> 1;
        const std::vector<uint8_t>& childValid = m_valid[i - 1];
        for (size_t j = firstBlock; j < endBlock && j < m_valid[i].size(); ++j) {
            const size_t a = 2 * j, b = 2 * j + 1;
            const bool hasB = b < childValid.size();
            if (!childValid[a] || (hasB && !childValid[b])) continue;
            uint8_t* dst = m_levels[i].data() + j * size_t(bins);
            std::memcpy(dst, m_levels[i - 1].data() + a * size_t(bins), size_t(bins));
            if (hasB) MaxInto(dst, m_levels[i - 1].data() + b * size_t(bins), bins);
            m_valid[i][j] = 1;
        }
    }
}

size_t CFrameLevelCache::Fill(const ChannelReader& read, CWorkerPool* pool, uint32_t f0, uint32_t f1,
                              size_t maxFrames)
{
    if (m_frameCount == 0 || m_levels.empty()) return 0;
    f1 = std::min(f1, m_frameCount);
    if (f0 >= f1) return 0;
    const size_t blocks = m_hash.size();
    const size_t b0 = size_t(f0) >> m_finest;
    const size_t b1 = std::min(blocks, (size_t(f1) + (size_t(1) << m_finest) - 1) >> m_finest);
    const int bins = m_key.bins;
    const size_t blockFrames = size_t(1) << m_finest;
    // One read and one parallel loop per run of missing blocks of about this
    // many frames: long enough to keep every thread busy, short enough that a
    // window refining in slices stays responsive.
    const size_t batchFrames = std::max<size_t>(blockFrames, (size_t(1) << 20) / size_t(bins));
    // Bodies of the parallel loop: about this many frames each.
    const size_t taskBlocks = std::max<size_t>(1, 64 >> m_finest);

    std::vector<int16_t> samples;
    size_t made = 0;
    size_t b = b0;
    while (b < b1) {
        if (m_valid[0][b]) {
            ++b;
            continue;
        }
        size_t end = b;
        while (end < b1 && !m_valid[0][end] && (end - b + 1) * blockFrames <= batchFrames) ++end;
        uint32_t first = 0, count = 0, lastFirst = 0, lastCount = 0;
        BlockSpan(b, first, count);
        BlockSpan(end - 1, lastFirst, lastCount);
        const uint32_t total = lastFirst + lastCount - first;
        samples.resize(total);
        if (read(first, total, samples.data()) != total) break;

        const size_t runBlocks = end - b;
        const size_t tasks = (runBlocks + taskBlocks - 1) / taskBlocks;
        const std::function<void(size_t)> body = [&](size_t t) {
            for (size_t blk = b + t * taskBlocks; blk < std::min(end, b + (t + 1) * taskBlocks); ++blk) {
                uint32_t bf = 0, bc = 0;
                BlockSpan(blk, bf, bc);
                const int16_t* s = samples.data() + (bf - first);
                uint8_t* dst = Entry(m_finest, blk);
                const size_t frames = (bc - 2 * uint32_t(bins)) / uint32_t(bins) + 1;
                for (size_t f = 0; f < frames; ++f) ComputeFrame(s + f * bins, m_key, dst, f > 0);
                if (m_followEdits) m_hash[blk] = HashSamples(s, bc);
            }
        };
        if (pool) pool->ParallelFor(tasks, body);
        else for (size_t t = 0; t < tasks; ++t) body(t);
        for (size_t blk = b; blk < end; ++blk) {
            m_valid[0][blk] = 1;
            made += std::min(size_t(m_frameCount), (blk + 1) << m_finest) - (blk << m_finest);
        }
        BuildAncestors(b, end);
        b = end;
        if (maxFrames && made >= maxFrames) break;
    }
    return made;
}

bool CFrameLevelCache::IsFilled(uint32_t f0, uint32_t f1) const
{
    return MissingFrames(f0, f1) == 0;
}

size_t CFrameLevelCache::MissingFrames(uint32_t f0, uint32_t f1) const
{
    f1 = std::min(f1, m_frameCount);
    if (f0 >= f1 || m_hash.empty()) return 0;
    const size_t b0 = size_t(f0) >> m_finest;
    const size_t b1 = std::min(m_hash.size(), (size_t(f1) + (size_t(1) << m_finest) - 1) >> m_finest);
    size_t missing = 0;
    for (size_t b = b0; b < b1; ++b)
        if (!m_valid[0][b]) missing += size_t(1) << m_finest;
    return missing;
}

size_t CFrameLevelCache::Revalidate(const ChannelReader& read)
{
    m_edgeIndex.clear();
    m_edgeLevels.clear();
    std::vector<int16_t> samples;
    size_t dropped = 0;
    for (size_t b = 0; b < m_hash.size(); ++b) {
        if (!m_valid[0][b]) continue;
        uint32_t first = 0, count = 0;
        BlockSpan(b, first, count);
        samples.resize(count);
        if (!m_followEdits || read(first, count, samples.data()) != count ||
            HashSamples(samples.data(), count) != m_hash[b]) {
            m_valid[0][b] = 0;
            DropAncestors(b);
            ++dropped;
        }
    }
    return dropped;
}

bool CFrameLevelCache::FrameLevels(const ChannelReader& read, uint32_t frame, uint8_t* levels) const
{
    if (frame >= m_frameCount) return false;
    int16_t samples[2048];
    const uint32_t n = 2 * uint32_t(m_key.bins);
    if (read(frame * uint32_t(m_key.bins), n, samples) != n) return false;
    ComputeFrame(samples, m_key, levels);
    return true;
}

bool CFrameLevelCache::StrongestLevels(const ChannelReader& read, uint32_t f0, uint32_t f1, uint8_t* levels) const
{
    f1 = std::min(f1, m_frameCount);
    if (f0 >= f1) return false;
    const int bins = m_key.bins;
    const int top = m_finest + static_cast<int>(m_levels.size()) - 1;
    alignas(64) uint8_t out[1024] = {};
    uint8_t frame[1024];
    size_t f = f0;
    while (f < f1) {
        const size_t blockFrames = size_t(1) << m_finest;
        if ((f & (blockFrames - 1)) != 0 || f + blockFrames > f1) {
            // A ragged end finer than the finest level kept.
            const auto known = m_edgeIndex.find(static_cast<uint32_t>(f));
            if (known != m_edgeIndex.end()) {
                MaxInto(out, m_edgeLevels.data() + known->second, bins);
            } else {
                if (!FrameLevels(read, static_cast<uint32_t>(f), frame)) return false;
                MaxInto(out, frame, bins);
                const size_t entryBytes = size_t(bins) + 64;  // levels and the index's share
                if ((m_edgeIndex.size() + 1) * entryBytes > m_edgeBudget) {
                    m_edgeIndex.clear();
                    m_edgeLevels.clear();
                }
                if (entryBytes <= m_edgeBudget) {
                    // Reserved whole, so that growth never doubles it past its share.
                    if (m_edgeLevels.capacity() == 0) m_edgeLevels.reserve(m_edgeBudget / entryBytes * size_t(bins));
                    m_edgeIndex.emplace(static_cast<uint32_t>(f), m_edgeLevels.size());
                    m_edgeLevels.insert(m_edgeLevels.end(), frame, frame + bins);
                }
            }
            ++f;
            continue;
        }
        int level = m_finest;
        while (level < top && (f & ((size_t(2) << level) - 1)) == 0 && f + (size_t(2) << level) <= f1 &&
               m_valid[level + 1 - m_finest][f >> (level + 1)])
            ++level;
        if (!m_valid[level - m_finest][f >> level]) return false;
        MaxInto(out, Entry(level, f >> level), bins);
        f += size_t(1) << level;
    }
    std::memcpy(levels, out, size_t(bins));
    return true;
}

} // namespace tavril
