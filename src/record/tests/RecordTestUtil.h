#pragma once
// Shared by the record tests: sounds written as WAV files, read back, and a
// recorder wired to a file-backed device on a manual clock.

#include "CAudioInputDeviceList.h"
#include "CFileInputBackend.h"
#include "CManualClock.h"
#include "CSoundFile.h"
#include "CVirtualRecorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace tavril::test {

inline void WriteWav(const std::string& path, double rate, uint32_t channels, const std::vector<int16_t>& samples)
{
    CSoundFile f;
    ASSERT_EQ(f.Create(path, rate, channels, 16), 1);
    ASSERT_EQ(f.WriteFrames(samples.data(), uint32_t(samples.size() / channels)), samples.size() / channels);
    f.Close();
}

inline std::vector<int16_t> ReadWav(const std::string& path, double* rate = nullptr)
{
    CSoundFile f;
    if (!f.Open(path)) return {};
    if (rate) *rate = f.GetSampleRate();
    std::vector<int16_t> s(size_t(f.GetFrameCount()) * f.GetChannels());
    f.ReadFrames(s.data(), f.GetFrameCount(), 16);
    return s;
}

// A file-backed device "mic" playing `wav`, a recorder on it, and a clock
// that moves in 10 ms steps with every due buffer delivered.
struct RecorderRig {
    explicit RecorderRig(const std::string& wav)
        : backend(clock, CFileInputBackend::Pacing::Manual), devices(backend, clock)
    {
        Attach(wav);
    }
    // The same over a mono 16-bit recording of `samples` written to `wav` first.
    RecorderRig(const std::string& wav, double rate, const std::vector<int16_t>& samples)
        : backend(clock, CFileInputBackend::Pacing::Manual), devices(backend, clock)
    {
        WriteWav(wav, rate, 1, samples);
        Attach(wav);
    }
    void Attach(const std::string& wav)
    {
        backend.AddDevice("mic", wav);
        devices.Fill();
        recorder.settings.deviceName = "mic";
        recorder.settings.exitOnStore = false;
    }
    void Run(uint32_t ms, bool housekeeping = false)
    {
        for (uint32_t t = 0; t < ms; t += 10) {
            clock.AdvanceMs(10);
            backend.Pump();
            if (housekeeping) recorder.Housekeeping();
        }
    }
    CManualClock clock{1000};
    CFileInputBackend backend;
    CAudioInputDeviceList devices;
    CVirtualRecorder recorder{&devices, clock};
};

} // namespace tavril::test
