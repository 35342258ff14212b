#include "CFileDetector.h"

#include "AtomicFile.h"
#include "CCircularBuffer.h"
#include "CSoundDetector.h"
#include "CSoundFile.h"
#include "SettingsSection.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace tavril {

namespace {

const SettingsSection<FileDetectorSettings>& Keys()
{
    using S = FileDetectorSettings;
    static const SettingsSection<S> keys = {
        {"save as clips", &S::saveAsClips},
        {"save as annotation", &S::saveAsAnnotation},
        {"delete prev annotations", &S::deletePrevAnnotations},
        {"detection start time", &S::startTime},
        {"detection stop time", &S::stopTime},
        {"detect channels from list", &S::useChannelList},
        {"detection channel list", &S::channelList},
    };
    return keys;
}

// Seconds from a settings text; `fallback` when blank or not a number.
double Seconds(const std::string& text, double fallback)
{
    const char* s = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(s, &end);
    if (end == s || errno) return fallback;
    return v;
}

constexpr uint32_t kBlockFrames = 8192;
constexpr int kRingSecs = 20;

struct Channel {
    int number = 1;
    CCircularBuffer ring;
    CSoundDetector detector;
    int count = 0;
};

// Writes `frames` samples as a one-channel WAV beside `path` and renames.
bool WriteClip(const std::string& path, double rate, uint32_t bits, const std::vector<unsigned char>& data,
               uint32_t frames, std::string& error)
{
    const std::string temp = MakeTempBeside(path, ".wav", error);
    if (temp.empty()) return false;
    CSoundFile clip;
    bool ok = clip.Create(temp, rate, 1, bits) && clip.WriteFrames(data.data(), frames) == frames;
    ok = ok && !clip.HasWriteError();
    clip.Close();
    if (!ok) {
        error = "could not write " + path;
        std::filesystem::remove(temp);
        return false;
    }
    return ReplaceWith(temp, path, error) != 0;
}

} // namespace

int FileDetectorSettings::Save(const std::string& file) const
{
    int ok = Keys().Save(file, kSection, *this);
    ok &= detector.Save(file, kSuffix);
    ok &= series.Save(file, kSuffix);
    return ok;
}

void FileDetectorSettings::Load(const std::string& file)
{
    Keys().Load(file, kSection, *this);
    detector.Load(file, kSuffix);
    series.Load(file, kSuffix);
}

std::vector<int> ParseChannelList(const std::string& text, int channels)
{
    std::vector<int> out;
    size_t i = 0;
    auto number = [&](int& v) {
        while (i < text.size() && text[i] == ' ') ++i;
        if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        v = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && v < 100000)
            v = v * 10 + (text[i++] - '0');
        while (i < text.size() && text[i] == ' ') ++i;
        return true;
    };
    while (i < text.size()) {
        int a = 0, b = 0;
        if (!number(a)) return {};
        b = a;
        if (i < text.size() && text[i] == '-') {
            ++i;
            if (!number(b) || b < a) return {};
        }
        for (int c = a; c <= b && c <= channels; ++c)
            if (c >= 1 && std::find(out.begin(), out.end(), c) == out.end()) out.push_back(c);
        if (i < text.size()) {
            if (text[i] != ',') return {};
            ++i;
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

FileDetectionReport CFileDetector::Run(const std::string& recording, FileDetectorSettings settings)
{
    FileDetectionReport report;
    m_seconds = 0.0;
    CSoundFile in;
    if (!in.Open(recording)) {
        report.error = "cannot open " + recording;
        return report;
    }
    const double rate = in.GetSampleRate();
    const uint32_t nch = in.GetChannels();
    const uint32_t bits = in.GetBitsPerSample();
    const uint32_t bytes = (bits + 7) / 8;
    const uint32_t total = in.GetFrameCount();
    if (!(rate > 0) || nch == 0 || bytes == 0 || bytes > 4) {
        report.error = recording + " has no sound this detector can read";
        return report;
    }
    report.opened = true;
    report.sampleRate = rate;
    report.channels = settings.useChannelList ? ParseChannelList(settings.channelList, int(nch)) : std::vector<int>{};
    if (!settings.useChannelList)
        for (uint32_t c = 1; c <= nch; ++c) report.channels.push_back(int(c));
    if (report.channels.empty()) {
        report.error = "the channel list \"" + settings.channelList + "\" names no channel of " + recording;
        return report;
    }
    report.counts.assign(report.channels.size(), 0);
    const double startSec = std::max(0.0, Seconds(settings.startTime, 0.0));
    const double stopSec = Seconds(settings.stopTime, -1.0);
    const uint32_t first = uint32_t(std::min<double>(total, startSec * rate));
    const uint32_t last = stopSec < 0 ? total : uint32_t(std::clamp<double>(stopSec * rate, first, total));

    DetectorParams params;
    params.sampleRate = rate;
    params.bufferSecs = kRingSecs;
    params.fftSizeCode = std::clamp(settings.detector.fftSizeCode, 0, 5);
    params.msPerLine = 0.0f;  // times are exact file positions
    std::vector<std::unique_ptr<Channel>> chans;
    for (int c : report.channels) {
        auto ch = std::make_unique<Channel>();
        ch->number = c;
        if (!ch->ring.Allocate(uint32_t(rate * (kRingSecs + 2)), 1, bytes) ||
            !ch->detector.Start(settings.detector, params)) {
            report.error = "cannot set up the detector for " + recording;
            return report;
        }
        ch->detector.Run(ch->ring, 0);  // notes the start
        chans.push_back(std::move(ch));
    }

    CSeriesNamer namer(settings.series);
    namer.RecordingStarted(0, m_recordingStart);
    if (settings.saveAsAnnotation && m_sink) m_sink->Begin(recording, settings.deletePrevAnnotations);
    const double topHz = settings.detector.freqMaxHz < 0 || settings.detector.freqMaxHz < settings.detector.freqMinHz
                             ? rate / 2
                             : settings.detector.freqMaxHz;

    std::vector<unsigned char> block(size_t(kBlockFrames) * nch * bytes);
    std::vector<unsigned char> mono(size_t(kBlockFrames) * bytes);
    std::vector<unsigned char> clip;
    in.Seek(first);
    for (uint32_t pos = first; pos < last && !m_stop; pos += kBlockFrames) {
        const uint32_t n = std::min(kBlockFrames, last - pos);
        if (in.ReadFrames(block.data(), n) == 0 && n > 0) {
            report.error = "could not read " + recording;
            break;
        }
        const int64_t nowMs = int64_t(double(pos + n - first) * 1000.0 / rate);
        for (size_t k = 0; k < chans.size(); ++k) {
            Channel& ch = *chans[k];
            const uint32_t offset = uint32_t(ch.number - 1) * bytes;
            for (uint32_t i = 0; i < n; ++i)
                std::copy_n(block.data() + (size_t(i) * nch) * bytes + offset, bytes, mono.data() + size_t(i) * bytes);
            ch.ring.Write(mono.data(), n);
            while (ch.detector.Run(ch.ring, nowMs)) {
                const DetectorResult r = ch.detector.Result();
                FileDetection d;
                d.channel = ch.number;
                d.startSec = double(first) / rate + double(r.startMs) / 1000.0;
                d.durationSec = double(r.durationMs) / 1000.0;
                if (settings.saveAsClips) {
                    uint64_t from = uint64_t(double(r.startMs) * rate / 1000.0);
                    const uint32_t want = uint32_t(double(r.durationMs) * rate / 1000.0);
                    clip.resize(size_t(want) * bytes);
                    const uint32_t got = ch.ring.ReadFrom(from, want, clip.data());
                    const SeriesName name = namer.Next(int64_t(d.startSec * 1000.0), ch.number - 1, false);
                    std::string error;
                    if (got > 0 && WriteClip(name.fullPath, rate, bits, clip, got, error)) {
                        d.clipFile = name.fullPath;
                        namer.CountStoredFile();
                        namer.RecordInFileList(name.fullPath, int64_t(d.startSec * 1000.0));
                    } else if (report.error.empty()) {
                        report.error = error.empty() ? "no sound left for a clip" : error;
                    }
                }
                if (settings.saveAsAnnotation && m_sink)
                    m_sink->Add(recording, {d.startSec, d.startSec + d.durationSec,
                                            double(settings.detector.freqMinHz), topHz, ch.number, m_comment});
                report.detections.push_back(d);
                ++report.counts[k];
                ch.detector.Reset();
            }
        }
        m_seconds = double(pos + n) / rate;
    }
    if (settings.saveAsAnnotation && m_sink) {
        std::string error;
        if (!m_sink->Finish(recording, error) && report.error.empty()) report.error = error;
    }
    return report;
}

CFileDetector::~CFileDetector()
{
    RequestStop();
    Wait();
}

void CFileDetector::Start(const std::string& recording, const FileDetectorSettings& settings)
{
    RequestStop();
    Wait();
    m_stop = false;
    m_finished = false;
    m_running = true;
    m_thread = std::thread([this, recording, settings] {
        m_report = Run(recording, settings);
        m_running = false;
        m_finished = true;
    });
}

void CFileDetector::Wait()
{
    if (m_thread.joinable()) m_thread.join();
}

} // namespace tavril
