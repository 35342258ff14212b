#include "MetafileSeries.h"

#include "CSoundFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace tavril {

namespace {

CivilTime FromTm(const std::tm& tm)
{
    CivilTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    return t;
}

} // namespace

MetafileSeries::MetafileSeries() = default;
MetafileSeries::~MetafileSeries() = default;

bool MetafileSeries::Open(const std::string& metafilePath, std::string& error)
{
    m_members.clear();
    m_files.clear();
    m_header = SoundHeader{};
    if (!m_meta.Load(metafilePath, &error)) return false;
    if (m_meta.Members().empty()) {
        error = "The metafile names no sound files.";
        return false;
    }
    std::vector<int64_t> startSeconds;
    for (const std::string& path : m_meta.Members()) {
        auto f = std::make_unique<CSoundFile>();
        if (CSoundFile::FormatFromName(path) == kFormatMeta || !f->Open(path)) {
            error = "The member sound file " + path + " cannot be opened.";
            return false;
        }
        const double rate = f->GetSampleRate();
        const uint32_t channels = f->GetChannels();
        if (m_files.empty()) {
            m_header.sampleRate = rate;
            m_header.channels = channels;
            m_header.bitsPerSample = f->GetBitsPerSample();
        } else if (rate != m_header.sampleRate || channels != m_header.channels) {
            error = "The member sound file " + path + " differs in sample rate or channels from the first one.";
            return false;
        } else {
            m_header.bitsPerSample = std::max(m_header.bitsPerSample, f->GetBitsPerSample());
        }
        m_members.push_back({path, 0, f->GetFrameCount()});
        startSeconds.push_back(FromTm(f->GetRecordingStartTime().time).EpochSeconds());
        f->Close();
        m_files.push_back(std::move(f));
    }
    const double rate = m_header.sampleRate;
    uint64_t length = 0;
    if (m_meta.IsClips() && m_members.size() >= 2) {
        // Without a start date in the metafile, the earliest clip starts it.
        const int64_t seriesStart = m_meta.HasStartDate()
                                        ? m_meta.Start().EpochSeconds()
                                        : *std::min_element(startSeconds.begin(), startSeconds.end());
        for (size_t i = 0; i < m_members.size(); ++i) {
            const double s = double(std::max<int64_t>(0, startSeconds[i] - seriesStart));
            const double first = std::trunc(rate * s);
            const double end = std::trunc(rate * (s + m_members[i].frames / rate));
            if (end > double(kMaxFrames)) {
                error = "The clips span more than a sound can hold.";
                return false;
            }
            m_members[i].startFrame = uint32_t(first);
            length = std::max<uint64_t>(length, uint64_t(end));
        }
        std::vector<size_t> order(m_members.size());
        std::iota(order.begin(), order.end(), size_t(0));
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return m_members[a].startFrame < m_members[b].startFrame; });
        std::vector<Member> members;
        std::vector<std::unique_ptr<CSoundFile>> files;
        for (size_t i : order) {
            members.push_back(m_members[i]);
            files.push_back(std::move(m_files[i]));
        }
        m_members = std::move(members);
        m_files = std::move(files);
    } else {
        for (auto& m : m_members) {
            if (length + m.frames > kMaxFrames) {
                error = "The members together are longer than a sound can hold.";
                return false;
            }
            m.startFrame = uint32_t(length);
            length += m.frames;
        }
    }
    m_header.frameCount = uint32_t(length);
    m_header.diskBytesPerSample = (m_header.bitsPerSample + 7) / 8;
    return true;
}

void MetafileSeries::Close()
{
    for (auto& f : m_files) f->Close();
}

int MetafileSeries::MemberAt(uint32_t position) const
{
    int found = -1;
    for (size_t i = 0; i < m_members.size(); ++i) {
        const Member& m = m_members[i];
        if (position >= m.startFrame && uint64_t(position) < uint64_t(m.startFrame) + m.frames) found = int(i);
        if (m.startFrame > position) break;
    }
    return found;
}

bool MetafileSeries::Read(void* buffer, uint32_t position, uint32_t frames, uint32_t bits)
{
    const uint32_t bytes = (bits + 7) / 8;
    const size_t frameBytes = size_t(bytes) * m_header.channels;
    auto* out = static_cast<unsigned char*>(buffer);
    std::memset(out, bytes == 1 ? 0x80 : 0, frameBytes * frames);
    const uint64_t end = uint64_t(position) + frames;
    bool ok = true;
    // In start order, so a later clip overwrites an earlier one it overlaps.
    for (size_t i = 0; i < m_members.size(); ++i) {
        const Member& m = m_members[i];
        const uint64_t mEnd = uint64_t(m.startFrame) + m.frames;
        if (m.startFrame >= end) break;
        if (mEnd <= position) continue;
        const uint64_t from = std::max<uint64_t>(position, m.startFrame);
        const uint64_t to = std::min<uint64_t>(end, mEnd);
        CSoundFile& f = *m_files[i];
        if (!f.Seek(uint32_t(from - m.startFrame)) && from != m.startFrame) ok = false;
        if (f.ReadFrames(out + (from - position) * frameBytes, uint32_t(to - from), bits) != to - from) ok = false;
        // A long series keeps no handle per member between reads.
        if (m_members.size() > 16) f.Close();
    }
    return ok;
}

} // namespace tavril
