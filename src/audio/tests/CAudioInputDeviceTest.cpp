// The input device over a file-backed backend stepped by a manual clock:
// buffer sizing, fan-out, format sharing, open/close rules, counters, level.

#include "AudioTestUtil.h"
#include "CAudioInputDeviceList.h"
#include "CFileInputBackend.h"
#include "CManualClock.h"
#include "CSteadyClock.h"

#include <gtest/gtest.h>

#include <thread>

namespace tavril {
namespace {

using test::RecordingListener;

TEST(CAudioInputDevice, BufferSizeAndCountFollowTheRate)
{
    // n: smallest power of two from 128 covering 5 ms (at most 2048);
    // count: trunc(0.5 * rate / n + 1), at least 5. Worked by hand.
    struct Row { double rate; uint32_t n, count; } rows[] = {
        {8000, 128, 32}, {11025, 128, 44}, {22050, 128, 87}, {44100, 256, 87}, {96000, 512, 94},
        {384000, 2048, 94}, {1000, 128, 5}, {0, 128, 60}, {-5, 128, 60},
    };
    for (const Row& r : rows) {
        uint32_t n = 0, count = 0;
        CAudioInputDevice::ChooseBufferSize(r.rate, n, count);
        EXPECT_EQ(n, r.n) << r.rate;
        EXPECT_EQ(count, r.count) << r.rate;
    }
}

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // 1 s of stereo at 22050 Hz: left a ramp, right its negation.
        std::vector<int16_t> s;
        for (int16_t v : test::Ramp(22050)) {
            s.push_back(v);
            s.push_back(static_cast<int16_t>(-v));
        }
        m_stereo = s;
        m_backend.AddDevice("Line In", test::WriteWav16(m_dir, "in.wav", 22050, 2, s));
        m_backend.AddDevice("", test::WriteWav16(m_dir, "nameless.wav", 22050, 1, {1, 2, 3}));
        m_list.SetErrorReporter([this](const std::string& m) { m_messages.push_back(m); });
        ASSERT_EQ(m_list.Fill(), 2u);
        m_device = m_list.DeviceAt(0);
    }

    test::TempDir m_dir;
    CManualClock m_clock{1000};
    CFileInputBackend m_backend{m_clock, CFileInputBackend::Pacing::Manual};
    CAudioInputDeviceList m_list{m_backend, m_clock};
    CAudioInputDevice* m_device = nullptr;
    std::vector<std::string> m_messages;
    std::vector<int16_t> m_stereo;
};

TEST_F(DeviceTest, ListFindsDevicesByExactName)
{
    EXPECT_EQ(m_list.FindByName("Line In"), 0);
    EXPECT_EQ(m_list.FindByName("line in"), -1);
    EXPECT_EQ(m_list.NameAt(7), "");
    EXPECT_EQ(m_list.DeviceAt(7), m_device);
    EXPECT_EQ(m_list.Names(), std::vector<std::string>{"Line In"});
    EXPECT_EQ(m_device->GetChannelCount(), 2u);
    m_list.RemoveAt(0);
    EXPECT_EQ(m_list.PositionOf(m_device), -1);
    EXPECT_EQ(m_list.FindByName("Line In"), -1);
}

TEST_F(DeviceTest, SecondListenerSharesTheFirstFormatAndGetsUntouchedSamples)
{
    RecordingListener first(true), second;  // the first one scribbles over its buffer
    PcmFormat asked = PcmFormat::Make(22050, 2, 16);
    ASSERT_EQ(m_device->Attach(&first, asked, "rec1"), 1);
    EXPECT_EQ(m_device->GetFramesPerBuffer(), 128u);
    EXPECT_EQ(m_device->GetAllocatedBuffers(), 87);
    PcmFormat other = PcmFormat::Make(44100, 1, 8);
    ASSERT_EQ(m_device->Attach(&second, other, "rec2"), 1);
    EXPECT_EQ(other, PcmFormat::Make(22050, 2, 16));
    EXPECT_EQ(m_device->GetCaptureName(), "rec1");

    // 100 ms at 22050 Hz is 2205 frames: 17 whole buffers of 128.
    m_clock.AdvanceMs(100);
    EXPECT_EQ(m_backend.Pump(), 17u);
    const std::vector<int16_t> expected(m_stereo.begin(), m_stereo.begin() + 17 * 128 * 2);
    EXPECT_EQ(first.Samples(), expected);
    EXPECT_EQ(second.Samples(), expected);
    EXPECT_EQ(m_device->GetTotalFrames(), 17u * 128);
    EXPECT_EQ(m_device->GetCurrentBufferPosition(), 16u * 128);
    // A 128-frame buffer lasts trunc(128000 / 22050) = 5 ms.
    EXPECT_EQ(m_device->GetBufferDurationMs(), 5u);
    EXPECT_EQ(m_device->GetBufferStartTimeMs(), 1100u - 5);
    // Listeners see the counter already moved past their buffer's number.
    EXPECT_EQ(first.sequence.front(), 2u);
    EXPECT_EQ(first.sequence.back(), 18u);
}

TEST_F(DeviceTest, ClosesWithItsLastListenerAndReopensLater)
{
    RecordingListener a, b;
    PcmFormat f = PcmFormat::Make(22050, 2, 16);
    ASSERT_EQ(m_device->Attach(&a, f, "a"), 1);
    ASSERT_EQ(m_device->Attach(&b, f, "b"), 1);
    EXPECT_EQ(m_device->Attach(&b, f, "b"), 1);
    EXPECT_EQ(m_device->GetListenerCount(), 2u);
    m_clock.AdvanceMs(12);  // 264 frames: two buffers
    m_backend.Pump();
    EXPECT_EQ(m_device->Detach(&a), 1);
    EXPECT_TRUE(m_device->IsRunning());
    m_clock.AdvanceMs(12);
    m_backend.Pump();
    EXPECT_EQ(a.buffers.load(), 2);
    EXPECT_EQ(b.buffers.load(), 4);
    EXPECT_EQ(m_device->Detach(&a), 0);
    EXPECT_EQ(m_device->Detach(&b), 1);
    EXPECT_FALSE(m_device->IsOpen());
    EXPECT_FALSE(m_device->IsRunning());
    EXPECT_EQ(m_device->GetAllocatedBuffers(), 0);
    EXPECT_EQ(m_backend.Pump(), 0u);

    // Reopened at another rate: buffers sized again, sequence numbers go on.
    m_backend.AddDevice("Line In", m_dir.File("in.wav"));
    PcmFormat again = PcmFormat::Make(22050, 1, 16);
    ASSERT_EQ(m_device->Attach(&a, again, "a"), 1);
    EXPECT_EQ(m_device->GetAllocatedBuffers(), 87);
    EXPECT_EQ(m_device->GetTotalFrames(), 0u);
    m_clock.AdvanceMs(6);
    m_backend.Pump();
    EXPECT_EQ(a.sequence.back(), 6u);
    // The mono capture of a stereo file takes its first channel.
    EXPECT_EQ(a.Samples().back(), m_stereo[2 * 127]);
}

TEST_F(DeviceTest, OpenFailuresAndNamelessDevices)
{
    RecordingListener l;
    PcmFormat f = PcmFormat::Make(22050, 1, 16);
    // A device without a name, or one that vanished, fails without a message.
    EXPECT_EQ(m_list.DeviceAt(1)->Attach(&l, f, "x"), 0);
    CFileInputBackend empty(m_clock, CFileInputBackend::Pacing::Manual);
    CAudioInputDevice gone(empty, m_clock, 0, {"Line In", 2});
    EXPECT_EQ(gone.Attach(&l, f, "x"), 0);
    EXPECT_TRUE(m_messages.empty());

    m_backend.FailNextOpen("Device unavailable");
    EXPECT_EQ(m_device->Attach(&l, f, "x"), 0);
    PcmFormat wrongRate = PcmFormat::Make(8000, 1, 16);
    EXPECT_EQ(m_device->Attach(&l, wrongRate, "x"), 0);
    EXPECT_EQ(m_messages, (std::vector<std::string>{"Sound I/O Error: Device unavailable",
                                                    "Sound I/O Error: Invalid sample rate"}));
    EXPECT_FALSE(m_device->IsOpen());
    EXPECT_EQ(m_device->GetAllocatedBuffers(), 0);
}

TEST(CAudioInputDeviceLevel, TracksExtremesAndKeepsTheLastPeriod)
{
    test::TempDir dir;
    CManualClock clock;
    CFileInputBackend backend(clock, CFileInputBackend::Pacing::Manual);
    std::vector<int16_t> s(512, 0);
    s[10] = -16384;  // -0.5 of full scale
    s[300] = 8192;   // +0.25
    backend.AddDevice("mic", test::WriteWav16(dir, "lvl.wav", 8000, 1, s));
    CAudioInputDevice dev(backend, clock, 0, {"mic", 1});
    RecordingListener l;
    PcmFormat f = PcmFormat::Make(8000, 1, 16);
    ASSERT_EQ(dev.Attach(&l, f, "x"), 1);

    clock.AdvanceMs(16);  // one buffer of 128 frames holding s[10] only, level off
    backend.Pump();
    dev.EnableLevel(true);
    clock.AdvanceMs(48);  // three more: frames 128..511
    backend.Pump();
    double lo = 0, hi = 0;
    dev.ReadLevel(lo, hi);
    EXPECT_DOUBLE_EQ(lo, 0.0);
    EXPECT_DOUBLE_EQ(hi, 0.25);
    dev.ResetLevel();
    dev.ReadLevel(lo, hi);  // nothing since the reset: the previous period
    EXPECT_DOUBLE_EQ(lo, 0.0);
    EXPECT_DOUBLE_EQ(hi, 0.25);
    clock.AdvanceMs(16);  // silence after the file's end
    backend.Pump();
    dev.ResetLevel();
    dev.ReadLevel(lo, hi);
    EXPECT_DOUBLE_EQ(lo, 0.0);
    EXPECT_DOUBLE_EQ(hi, 0.0);
}

class CountingPriority : public IPriorityControl {
public:
    int ApplyPriorityLevel(int level, std::string& whyNot) override
    {
        applied.push_back(level);
        if (level == 2) {
            whyNot = "not permitted";
            return 0;
        }
        return 1;
    }
    std::vector<int> applied;
};

TEST(CAudioInputDevicePriority, AppliesOnlyChangesAndKeepsTheLevelOnRefusal)
{
    CManualClock clock;
    CFileInputBackend backend(clock, CFileInputBackend::Pacing::Manual);
    CountingPriority priority;
    CAudioInputDevice dev(backend, clock, 0, {"mic", 1}, &priority);
    std::string why;
    EXPECT_EQ(dev.SetPriorityLevel(0, why), 1);
    EXPECT_EQ(dev.SetPriorityLevel(1, why), 1);
    EXPECT_EQ(dev.SetPriorityLevel(1, why), 1);
    EXPECT_EQ(dev.SetPriorityLevel(2, why), 0);
    EXPECT_EQ(why, "not permitted");
    EXPECT_EQ(dev.GetPriorityLevel(), 1);
    EXPECT_EQ(priority.applied, (std::vector<int>{1, 2}));
}

// Threaded: the capture thread delivers as fast as it can while listeners
// come and go; every buffer a listener got is whole and in order, and a
// detached listener hears nothing more.
TEST(CAudioInputDeviceThreads, DetachWhileCapturingLosesNothingAndReturns)
{
    test::TempDir dir;
    CSteadyClock clock;
    CFileInputBackend backend(clock, CFileInputBackend::Pacing::AsFastAsPossible);
    const std::vector<int16_t> ramp = test::Ramp(32768);
    backend.AddDevice("mic", test::WriteWav16(dir, "ramp.wav", 44100, 1, ramp), CFileInputBackend::AtEnd::Repeat);
    CAudioInputDevice dev(backend, clock, 0, {"mic", 1});
    RecordingListener a(true), b;
    PcmFormat f = PcmFormat::Make(44100, 1, 16);
    ASSERT_EQ(dev.Attach(&a, f, "a"), 1);
    while (a.buffers.load() < 20)
        std::this_thread::yield();
    ASSERT_EQ(dev.Attach(&b, f, "b"), 1);
    while (b.buffers.load() < 20)
        std::this_thread::yield();
    ASSERT_EQ(dev.Detach(&a), 1);
    const int afterDetach = a.buffers.load();
    while (b.buffers.load() < 60)
        std::this_thread::yield();
    EXPECT_EQ(a.buffers.load(), afterDetach);
    ASSERT_EQ(dev.Detach(&b), 1);
    EXPECT_FALSE(dev.IsOpen());

    for (RecordingListener* l : {&a, &b}) {
        const std::vector<int16_t> got = l->Samples();
        ASSERT_FALSE(got.empty());
        // Consecutive samples of the repeating ramp, from wherever it joined.
        for (size_t i = 1; i < got.size(); ++i)
            ASSERT_EQ(static_cast<uint16_t>(got[i]), static_cast<uint16_t>((got[i - 1] + 1) % 32768)) << i;
    }
}

} // namespace
} // namespace tavril
