#include "CVirtualRecorder.h"

#include "MetadataChunks.h"

#include "AtomicFile.h"
#include "CEditEngine.h"
#include "CSoundFile.h"
#include "CSoundFilter.h"
#include "CSoundTools.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace tavril {

CVirtualRecorder::CVirtualRecorder(CAudioInputDeviceList* devices, IClock& clock) : m_devices(devices), m_clock(clock)
{
}

CVirtualRecorder::~CVirtualRecorder()
{
    Stop();
    DropWorkingFile();
}

void CVirtualRecorder::CopyFrom(const CVirtualRecorder& other)
{
    description = other.description;
    pauseOnSpace = other.pauseOnSpace;
    recordOnCommand = other.recordOnCommand;
    recordOnPlayback = other.recordOnPlayback;
    stopOnCommand = other.stopOnCommand;
    stopOnPlayback = other.stopOnPlayback;
    settings = other.settings;
    supervisor = other.supervisor;
    m_devices = other.m_devices;
    m_device = nullptr;
}

CAudioInputDevice* CVirtualRecorder::ResolveDevice()
{
    if (!m_devices || m_devices->Count() == 0) return nullptr;
    const int at = settings.deviceName.empty() ? -1 : m_devices->FindByName(settings.deviceName);
    if (at < 0) {
        settings.deviceName = m_devices->NameAt(0);
        return m_devices->DeviceAt(0);
    }
    return m_devices->DeviceAt(size_t(at));
}

void CVirtualRecorder::SetStatus(const std::string& text)
{
    m_status = text;
    if (m_onStatus) m_onStatus(text);
}

int CVirtualRecorder::Attach()
{
    const uint32_t secs = uint32_t(settings.bufferSecs);
    const uint32_t bytes = uint32_t(m_format.BytesPerSample());
    const int factor = settings.decimate && settings.decimationFactor > 1 ? settings.decimationFactor : 1;
    m_ringRate = double(m_format.samplesPerSec) / factor;
    // Two seconds beyond the nominal length, so a full buffer can be stored
    // while more arrives.
    const uint32_t capacity = uint32_t(m_ringRate * (secs + 2));
    m_nominalFrames = uint64_t(m_ringRate * secs);
    if (capacity == 0) {
        SetStatus("The sample rate " + std::to_string(m_format.samplesPerSec) + " Hz is too low to record");
        return 0;
    }
    if (!m_ring.Allocate(capacity, m_format.channels, bytes)) {
        SetStatus("Not enough memory for a " + std::to_string(secs) + " s recording buffer");
        return 0;
    }
    m_decimator.Prepare(factor, m_format.channels, bytes);
    m_blocks = 0;
    m_framesIn = 0;
    m_blockStamp = uint64_t(m_clock.NowMs()) << 32;
    PcmFormat asked = m_format;
    if (!m_device->Attach(this, m_format, description)) {
        SetStatus(m_device->LastError());
        return 0;
    }
    if (!(m_format == asked)) {
        // The device already ran at another listener's format: size the ring
        // for that one before any frame arrives in it.
        m_device->Detach(this);
        return Attach();
    }
    return 1;
}

int CVirtualRecorder::Start()
{
    if (m_running) return 1;
    m_device = ResolveDevice();
    if (!m_device) {
        SetStatus("No sound input device");
        return 0;
    }
    m_format = PcmFormat::Make(uint32_t(settings.sampleRate), uint16_t(settings.channels),
                               uint16_t(settings.BitsPerSample()));
    m_framesAtLastStore = 0;
    m_framesAtLastDetect = 0;
    if (!Attach()) return 0;
    m_running = true;
    m_paused = false;
    m_device->EnableLevel(settings.spectrogram.showAmplitude);
    if (settings.detectorOn) SetDetectorOn(true);
    m_currentFile.clear();
    m_namer.RecordingStarted(int64_t(m_clock.NowMs()), std::time(nullptr));
    return 1;
}

void CVirtualRecorder::SetDetectorOn(bool on)
{
    settings.detectorOn = on;
    if (!on) {
        m_detector.Stop();
        return;
    }
    DetectorParams p;
    p.sampleRate = m_ringRate > 0 ? m_ringRate : settings.RingRate();
    p.bufferSecs = settings.bufferSecs;
    p.fftSizeCode = settings.spectrogram.rtsFftSizeCode;
    p.msPerLine = settings.msPerLine;
    m_detector.Start(settings.detector, p);
    if (m_playing && settings.disableDetectorDuringPlayback) m_detector.Suspend();
}

void CVirtualRecorder::Stop()
{
    if (settings.detectorOn) m_detector.Stop();
    if (m_device && m_running) m_device->Detach(this);
    m_running = false;
    m_paused = false;
}

void CVirtualRecorder::Pause()
{
    if (!m_running) return;
    Stop();
    m_paused = true;
}

int CVirtualRecorder::Resume()
{
    return m_paused ? Start() : 0;
}

void CVirtualRecorder::PlaybackStarted()
{
    m_playing = true;
    if (settings.disableDetectorDuringPlayback && m_detector.Enabled()) m_detector.Suspend();
}

void CVirtualRecorder::PlaybackEnded()
{
    m_playing = false;
    m_detector.Resume();
}

void CVirtualRecorder::OnInputBuffer(uint32_t frames, void* data, CAudioInputDevice& device)
{
    const uint32_t blockTime = device.GetBufferStartTimeMs();
    const uint64_t first = m_ring.FramesWritten();
    const uint32_t kept = m_decimator.Process(data, frames);
    m_blockStamp.store(uint64_t(blockTime) << 32 | uint32_t(first), std::memory_order_release);
    m_ring.Write(data, kept);
    m_framesIn.fetch_add(frames, std::memory_order_relaxed);
    m_blocks.fetch_add(1, std::memory_order_release);
}

uint64_t CVirtualRecorder::FrameAt(int64_t clockMs) const
{
    const uint64_t stamp = m_blockStamp.load(std::memory_order_acquire);
    const uint32_t blockTime = uint32_t(stamp >> 32);
    const uint64_t written = m_ring.FramesWritten();
    uint64_t blockFirst = (written & ~uint64_t(0xFFFFFFFF)) | (stamp & 0xFFFFFFFF);
    if (blockFirst > written) blockFirst -= uint64_t(1) << 32;
    const int32_t delta = int32_t(uint32_t(clockMs) - blockTime);
    const int64_t frame = int64_t(blockFirst) + int64_t(double(delta) * m_ringRate / 1000.0);
    return uint64_t(std::clamp<int64_t>(frame, int64_t(m_ring.OldestFrame()), int64_t(written)));
}

uint32_t CVirtualRecorder::FetchNewest(uint32_t n, void* out, double& levelMin, double& levelMax)
{
    levelMin = levelMax = 0.0;
    if (m_device && m_running) {
        m_device->ReadLevel(levelMin, levelMax);
        m_device->ResetLevel();
    }
    return m_ring.FetchNewest(n, out);
}

const std::string& CVirtualRecorder::WorkingFile() const
{
    if (!m_documentFile.empty()) return m_documentFile;
    if (m_workingFile.empty() && m_newWorkingFile) m_workingFile = m_newWorkingFile();
    if (m_workingFile.empty()) {
        const std::string pattern = (std::filesystem::temp_directory_path() / "TVLXXXXXX.tmp").string();
        m_workingFile = CreateUniqueFile(pattern, 4);
    }
    return m_workingFile;
}

void CVirtualRecorder::DropWorkingFile()
{
    if (m_workingFile.empty()) return;
    std::error_code ec;
    std::filesystem::remove(m_workingFile, ec);
    m_workingFile.clear();
}

int CVirtualRecorder::WriteFrames(const std::string& target, bool append, const std::vector<unsigned char>& frames,
                                  uint32_t count, std::string& error)
{
    if (target.empty()) {
        error = "no file name";
        return 0;
    }
    std::string temp = MakeTempBeside(target, ".wav", error);
    if (temp.empty()) return 0;
    auto fail = [&](const std::string& why) {
        error = why;
        std::error_code ec;
        std::filesystem::remove(temp, ec);
        return 0;
    };
    std::error_code ec;
    const bool extend = append && std::filesystem::file_size(target, ec) > 0 && !ec;
    CSoundFile out;
    if (extend) {
        if (!CopyFileBytes(target, temp, error)) return fail(error);
        if (!out.Open(temp)) return fail("cannot read " + target + " to append to it");
        if (uint32_t(out.GetSampleRate() + 0.5) != uint32_t(m_ringRate + 0.5) || out.GetChannels() != m_format.channels ||
            out.GetBitsPerSample() != m_format.bitsPerSample)
            return fail(target + " holds another sound format; nothing was appended");
        out.Seek(out.GetFrameCount());
    } else if (!out.Create(temp, m_ringRate, m_format.channels, m_format.bitsPerSample)) {
        return fail(std::strerror(errno));
    }
    const uint32_t written = out.WriteFrames(frames.data(), count);
    const bool bad = written != count || out.HasWriteError();
    out.Close();
    if (bad) return fail("the disk took only part of the sound (disk full?)");
    // The samples grew over whatever stood behind them (a LIST or bext
    // another program wrote after the data): it goes back at the end.
    std::vector<std::string> dropped;
    if (extend && !CarryMetadataChunks(target, temp, dropped, error)) return fail(error);
    if (!ReplaceWith(temp, target, error)) return 0;
    return 1;
}

void CVirtualRecorder::PostProcess(const std::string& file)
{
    const PostAcquisitionSettings& p = settings.post;
    CEditEngine engine;
    CSoundFilter filter(engine);
    CSoundTools tools(engine);
    std::string current = file;
    std::string error;
    auto step = [&](const std::function<int(const std::string&, const std::string&, uint32_t)>& op) {
        for (uint32_t ch = 0; ch < m_format.channels; ++ch) {
            const std::string next = MakeTempBeside(file, ".wav", error);
            if (next.empty()) return;
            if (!engine.CreateLike(next, current) || !op(current, next, ch)) {
                std::filesystem::remove(next);
                SetStatus("Post-acquisition processing failed: " + engine.LastError());
                return;
            }
            if (current != file) std::filesystem::remove(current);
            current = next;
        }
    };
    if (p.filter) {
        SetStatus("Filtering Data......");
        BandFilterParams bp;
        bp.highpassHz = p.highPassHz;
        bp.lowpassHz = p.lowPassHz;
        step([&](const std::string& a, const std::string& b, uint32_t ch) {
            return filter.BandFilter(a, b, 0, -1, bp, ch);
        });
    }
    if (p.noiseFilter) {
        SetStatus("Filtering Noise......");
        step([&](const std::string& a, const std::string& b, uint32_t ch) {
            return filter.NoiseFilter(a, b, 0, -1, ch);
        });
    }
    if (p.maximize)
        step([&](const std::string& a, const std::string& b, uint32_t ch) { return tools.Maximize(a, b, ch); });
    if (p.ramp)
        step([&](const std::string& a, const std::string& b, uint32_t ch) {
            return tools.Ramp(a, b, p.beginRampMs, p.endRampMs, ch);
        });
    if (current != file && !ReplaceWith(current, file, error)) SetStatus("Post-acquisition processing failed: " + error);
}

StoreResult CVirtualRecorder::StoreKey()
{
    if (settings.detectorOn && m_detector.Detected() && settings.detector.storeOnlyDetected) {
        const DetectorResult d = m_detector.Result();
        return Store(d.startMs, d.durationMs);
    }
    return Store(0, 0);
}

StoreResult CVirtualRecorder::Store(int64_t tMs, int64_t durationMs, bool readUnread)
{
    StoreResult r;
    if (m_storing) return r;
    if (!m_ring.HasBlock() || m_ring.FramesWritten() == 0) return r;
    m_storing = true;
    const int64_t now = int64_t(m_clock.NowMs());
    r.startMs = tMs ? tMs : now - durationMs;

    const uint64_t written = m_ring.FramesWritten();
    const uint64_t oldest = m_ring.OldestFrame();
    uint64_t first = 0, count = 0;
    const uint64_t wanted = uint64_t(m_ringRate * double(durationMs) / 1000.0);
    if (readUnread) {
        first = m_ring.FirstUnread();
        count = durationMs ? std::min(wanted, written - first) : written - first;
    } else if (tMs) {
        first = FrameAt(tMs);
        count = durationMs ? wanted : written - first;
    } else if (durationMs) {
        count = std::min<uint64_t>(wanted, written - oldest);
        first = written - count;
    } else {
        first = std::max(m_framesAtLastStore, oldest);
        count = written - first;
    }
    count = std::min<uint64_t>(count, written - first);

    std::string error;
    std::string target;
    std::string seriesPath;
    const bool series = settings.fileNameSettings == 1;
    bool newAppendName = false;
    if (count == 0) {
        error = "no new sound to store";
    } else if (settings.writeOver) {
        if (series) {
            const SeriesName sn = m_namer.Next(now, 0, false);
            r.cont = sn.cont;
            seriesPath = sn.fullPath;
        }
        // Without a window the series file is the only copy anyone reads:
        // write it directly rather than through a working file.
        target = series && m_documentFile.empty() ? seriesPath : WorkingFile();
    } else {
        if (m_currentFile.empty()) {
            newAppendName = true;
            if (series) {
                const SeriesName sn = m_namer.Next(now, 0, false);
                r.cont = sn.cont;
                m_currentFile = sn.fullPath;
            } else {
                m_currentFile = WorkingFile();
            }
        }
        target = m_currentFile;
    }

    bool ok = false;
    std::vector<unsigned char> frames;
    uint32_t got = 0;
    if (error.empty() && r.cont) {
        frames.resize(size_t(count) * m_ring.FrameBytes());
        got = m_ring.ReadFrom(first, uint32_t(count), frames.data());
        ok = WriteFrames(target, !settings.writeOver, frames, got, error);
        if (ok && settings.writeOver && settings.postProcessing) PostProcess(target);
        if (ok && settings.writeOver && series) {
            if (target != seriesPath) {
                std::string temp = MakeTempBeside(seriesPath, ".wav", error);
                ok = !temp.empty() && CopyFileBytes(target, temp, error) && ReplaceWith(temp, seriesPath, error);
                if (!ok && !temp.empty()) std::filesystem::remove(temp);
            }
            if (ok) {
                m_namer.CountStoredFile();
                m_namer.RecordInFileList(seriesPath, now);
                target = seriesPath;
            }
        } else if (ok && newAppendName && series) {
            m_namer.RecordInFileList(target, now);
        }
    }
    if (!ok && newAppendName && r.cont) m_currentFile.clear();

    r.fileName = target;
    r.redraw = settings.openNewDisplay || !settings.enableScrolling;
    if (ok) {
        r.stored = true;
        r.durationMs = int64_t(double(got) * 1000.0 / m_ringRate);
        m_framesAtLastStore = first + got;
        m_ring.MarkReadUpTo(first + got);
    } else if (r.cont && count > 0) {
        r.error = error;
        // Keep the sound: the ring stops filling so that storing again
        // writes the same frames.
        SetStatus("Could not store the sound to " + target + ": " + error +
                  ". The sound is kept in the recording buffer; press 'S' to try again.");
        Pause();
    } else if (!r.cont) {
        r.error = "the series stop number has been reached";
    }
    r.exit = !r.cont && settings.exitOnRecordTimeout;
    if (ok || !r.cont) {
        if (!r.cont || settings.exitOnStore) Stop();
        else if (!m_running && m_paused) Resume();
    }
    if (settings.detectorOn) m_detector.Reset();
    m_storing = false;
    if (m_onStore) m_onStore(r);
    return r;
}

void CVirtualRecorder::Housekeeping()
{
    if (m_housekeeping || !m_running) return;
    m_housekeeping = true;
    if (settings.detectorOn && m_detector.Enabled()) {
        const uint64_t written = m_ring.FramesWritten();
        if (written - m_framesAtLastDetect >= uint64_t(2 * m_detector.Bins()) || m_framesAtLastDetect == 0) {
            m_framesAtLastDetect = written;
            // "Now" is the clock time just after the newest frame.
            const uint64_t stamp = m_blockStamp.load(std::memory_order_acquire);
            const uint32_t blockFirst = uint32_t(stamp);
            const int64_t now = int64_t(stamp >> 32) +
                                int64_t(double(uint32_t(written) - blockFirst) * 1000.0 / m_ringRate);
            if (m_detector.Run(m_ring, now)) {
                const DetectorResult d = m_detector.Result();
                m_lastDetectionStart = d.startMs;
                char text[80];
                std::snprintf(text, sizeof text, "****** SOUND DETECTED: duration %lu ms",
                              static_cast<unsigned long>(d.durationMs));
                SetStatus(text);
                Store(d.startMs, d.durationMs);
            }
        }
    }
    if (m_running && settings.storeBufferWhenFilled && m_ring.UnreadCount() >= m_nominalFrames)
        Store(0, settings.bufferSecs * 1000, true);
    m_housekeeping = false;
}

} // namespace tavril
