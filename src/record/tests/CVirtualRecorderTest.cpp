#include "CVirtualRecorder.h"

#include "MetadataChunks.h"
#include "RecordTestUtil.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <filesystem>

namespace tavril {
namespace {

using test::ReadWav;
using test::RecorderRig;

// Every sample different, so any misplaced frame shows.
std::vector<int16_t> Counting(size_t n)
{
    std::vector<int16_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = int16_t(i % 30011 - 15000);
    return v;
}

// Five seconds of faint noise with two 300 ms calls of 3 kHz, at 1.5 s and
// at 3.5 s.
std::vector<int16_t> TwoCalls()
{
    std::vector<int16_t> source(22050 * 5);
    for (size_t i = 0; i < source.size(); ++i) {
        const double t = i / 22050.0;
        double v = 50 * std::sin(i * 0.7);
        if ((t >= 1.5 && t < 1.8) || (t >= 3.5 && t < 3.8)) v += 8000 * std::sin(2 * M_PI * 3000 * t);
        source[i] = int16_t(v);
    }
    return source;
}

std::vector<int16_t> Slice(const std::vector<int16_t>& v, size_t from, size_t n)
{
    return std::vector<int16_t>(v.begin() + long(from), v.begin() + long(from + n));
}

TEST(CVirtualRecorderTest, SaveTwiceStoresWhatCameBetween)
{
    test::TempDir dir;
    const auto source = Counting(22050 * 4);
    RecorderRig rig(dir.File("in.wav"), 22050, source);
    auto& r = rig.recorder;
    r.settings.fileNameSettings = 1;
    r.settings.series.seriesName = "take%n";
    r.settings.series.seriesPath = dir.Path().string();
    ASSERT_EQ(r.Start(), 1);
    rig.Run(1000);
    const uint64_t first = r.Ring().FramesWritten();
    StoreResult s = r.StoreKey();
    ASSERT_TRUE(s.stored) << s.error;
    EXPECT_EQ(s.fileName, dir.File("take   0.wav"));
    rig.Run(500);
    const uint64_t second = r.Ring().FramesWritten();
    s = r.StoreKey();
    ASSERT_TRUE(s.stored) << s.error;
    EXPECT_EQ(s.fileName, dir.File("take   1.wav"));
    EXPECT_GT(second, first);
    EXPECT_EQ(ReadWav(dir.File("take   0.wav")), Slice(source, 0, first));
    EXPECT_EQ(ReadWav(dir.File("take   1.wav")), Slice(source, first, second - first));
    EXPECT_TRUE(r.IsRunning());  // "exit on store" off

    // Append mode: every store extends the one file of this recording.
    r.Stop();
    r.settings.writeOver = false;
    r.settings.series.seriesName = "long%n";
    ASSERT_EQ(r.Start(), 1);
    rig.Run(300);
    ASSERT_TRUE(r.StoreKey().stored);
    rig.Run(300);
    s = r.StoreKey();
    ASSERT_TRUE(s.stored);
    EXPECT_EQ(s.fileName, dir.File("long   2.wav"));
    const auto appended = ReadWav(s.fileName);
    ASSERT_EQ(appended.size(), r.Ring().FramesWritten());
    EXPECT_EQ(appended, Slice(source, 0, appended.size()));  // the device started the file again
}

TEST(CVirtualRecorderTest, AppendingKeepsTheChunksAfterTheSamples)
{
    test::TempDir dir;
    const auto source = Counting(22050 * 2);
    RecorderRig rig(dir.File("in.wav"), 22050, source);
    auto& r = rig.recorder;
    r.settings.fileNameSettings = 1;
    r.settings.writeOver = false;
    r.settings.series.seriesName = "long%n";
    r.settings.series.seriesPath = dir.Path().string();
    ASSERT_EQ(r.Start(), 1);
    rig.Run(300);
    StoreResult s = r.StoreKey();
    ASSERT_TRUE(s.stored) << s.error;
    // Another program tagged the file: a LIST chunk behind the samples.
    auto bytes = test::ReadAll(s.fileName);
    const std::string list("LIST\x10\0\0\0INFOISFT\x04\0\0\0tav\0", 24);
    bytes.insert(bytes.end(), list.begin(), list.end());
    const uint32_t riff = uint32_t(bytes.size() - 8);
    for (int i = 0; i < 4; ++i) bytes[4 + i] = uint8_t(riff >> (8 * i));
    test::WriteAll(s.fileName, bytes);
    ASSERT_EQ(ListMetadataChunks(s.fileName).size(), 1u);

    rig.Run(300);
    s = r.StoreKey();
    ASSERT_TRUE(s.stored) << s.error;
    const auto appended = ReadWav(s.fileName);
    ASSERT_EQ(appended.size(), r.Ring().FramesWritten());
    EXPECT_EQ(appended, Slice(source, 0, appended.size()));
    const auto chunks = ListMetadataChunks(s.fileName);
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0].id, "LIST");
    const auto after = test::ReadAll(s.fileName);
    ASSERT_EQ(chunks[0].bodyOffset + 16, after.size());
    EXPECT_EQ(std::string(after.end() - 16, after.end()), list.substr(8));
    EXPECT_EQ(after[4] | after[5] << 8 | after[6] << 16 | uint32_t(after[7]) << 24, after.size() - 8);
}

TEST(CVirtualRecorderTest, FailedStoreSaysSoLeavesNoFileAndCanBeRetried)
{
    test::TempDir dir;
    const auto source = Counting(22050 * 2);
    RecorderRig rig(dir.File("in.wav"), 22050, source);
    auto& r = rig.recorder;
    r.SetDocumentFile(dir.File("gone/doc.wav"));  // the folder does not exist
    ASSERT_EQ(r.Start(), 1);
    rig.Run(500);
    const uint64_t frames = r.Ring().FramesWritten();
    StoreResult s = r.StoreKey();
    EXPECT_FALSE(s.stored);
    EXPECT_FALSE(s.error.empty());
    EXPECT_NE(r.Status().find("Could not store"), std::string::npos) << r.Status();
    EXPECT_TRUE(r.IsPaused());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);  // only in.wav

    // The folder is back: 'S' stores the same sound.
    std::filesystem::create_directory(dir.File("gone"));
    s = r.StoreKey();
    ASSERT_TRUE(s.stored) << s.error;
    EXPECT_EQ(ReadWav(dir.File("gone/doc.wav")), Slice(source, 0, frames));
}

TEST(CVirtualRecorderTest, SeriesStopNumberRefusesTheStore)
{
    test::TempDir dir;
    RecorderRig rig(dir.File("in.wav"), 22050, Counting(22050));
    auto& r = rig.recorder;
    r.settings.fileNameSettings = 1;
    r.settings.series.seriesName = "n%n";
    r.settings.series.seriesPath = dir.Path().string();
    r.settings.series.seriesNumber = 10;
    r.settings.series.stopNumber = 10;
    r.settings.series.checkStopNumber = true;
    r.settings.exitOnRecordTimeout = true;
    ASSERT_EQ(r.Start(), 1);
    rig.Run(200);
    const StoreResult s = r.StoreKey();
    EXPECT_FALSE(s.stored);
    EXPECT_FALSE(s.cont);
    EXPECT_TRUE(s.exit);
    EXPECT_FALSE(r.IsRunning());
    EXPECT_FALSE(std::filesystem::exists(dir.File("n  10.wav")));
}

// Amplitude of the `hz` component of `s` (a plain DFT at one frequency).
double Amplitude(const std::vector<int16_t>& s, double rate, double hz)
{
    std::complex<double> acc = 0;
    for (size_t i = 0; i < s.size(); ++i) acc += double(s[i]) * std::polar(1.0, -2 * M_PI * hz * i / rate);
    return 2 * std::abs(acc) / s.size();
}

TEST(CVirtualRecorderTest, DecimationKeepsEveryThirdFrameWithoutAliasing)
{
    test::TempDir dir;
    // 44100 Hz arrives in blocks of 256 frames. Decimated by 3 the new rate
    // is 14700 Hz: 15000 Hz would fold onto 300 Hz, 500 Hz must pass.
    std::vector<int16_t> source(44100 * 2);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = int16_t(8000 * std::sin(2 * M_PI * 500 * i / 44100.0) + 8000 * std::sin(2 * M_PI * 15000 * i / 44100.0));
    RecorderRig rig(dir.File("in.wav"), 44100, source);
    auto& r = rig.recorder;
    r.settings.sampleRate = 44100;
    r.settings.decimate = true;
    r.settings.decimationFactor = 3;
    r.SetDocumentFile(dir.File("out.wav"));
    ASSERT_EQ(r.Start(), 1);
    rig.clock.AdvanceMs(12);  // two blocks of 5.8 ms
    rig.backend.Pump();
    ASSERT_EQ(r.FramesReceived(), 512u);
    // Frames 0, 3, ... 255 of the first block (86), then 2, 5, ... 254 (85).
    EXPECT_EQ(r.Ring().FramesWritten(), 171u);
    rig.Run(1500);
    ASSERT_TRUE(r.StoreKey().stored);
    double rate = 0;
    const auto out = ReadWav(dir.File("out.wav"), &rate);
    EXPECT_DOUBLE_EQ(rate, 14700.0);
    const auto steady = Slice(out, 200, out.size() - 400);
    EXPECT_NEAR(Amplitude(steady, 14700, 500), 8000, 400);
    EXPECT_LT(Amplitude(steady, 14700, 300), 80);  // unfiltered it would be 8000
}

TEST(CVirtualRecorderTest, DetectedSoundsAreStoredEachWithItsPadding)
{
    test::TempDir dir;
    const auto source = TwoCalls();
    RecorderRig rig(dir.File("in.wav"), 22050, source);
    auto& r = rig.recorder;
    r.settings.detectorOn = true;
    r.settings.detector.bufferBeforeMs = 200;
    r.settings.detector.bufferAfterMs = 300;
    r.settings.detector.minSoundMs = 100;
    r.settings.fileNameSettings = 1;
    r.settings.series.seriesName = "call%n";
    r.settings.series.seriesPath = dir.Path().string();
    std::vector<StoreResult> stored;
    r.SetStoreHandler([&](const StoreResult& s) { stored.push_back(s); });
    ASSERT_EQ(r.Start(), 1);
    rig.Run(5000, true);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_NE(r.Status().find("****** SOUND DETECTED: duration "), std::string::npos);
    for (const StoreResult& s : stored) {
        ASSERT_TRUE(s.stored) << s.error;
        // 300 ms of call with 200 ms before and 300 ms after, give or take
        // a spectrum line (23 ms) at each end.
        EXPECT_NEAR(double(ReadWav(s.fileName).size()) / 22050.0, 0.8, 0.06) << s.fileName;
    }
    // The stored sound holds the call: its loudest part is the tone.
    const auto first = ReadWav(stored[0].fileName);
    EXPECT_GT(Amplitude(Slice(first, 22050 * 3 / 10, 2205), 22050, 3000), 6000);
}

TEST(CVirtualRecorderTest, DetectionWaitsWhilePlaybackRuns)
{
    test::TempDir dir;
    const auto source = TwoCalls();
    RecorderRig rig(dir.File("in.wav"), 22050, source);
    auto& r = rig.recorder;
    r.settings.detectorOn = true;
    r.settings.disableDetectorDuringPlayback = true;
    r.settings.detector.minSoundMs = 100;
    r.SetDocumentFile(dir.File("doc.wav"));
    std::vector<StoreResult> stored;
    r.SetStoreHandler([&](const StoreResult& s) { stored.push_back(s); });
    ASSERT_EQ(r.Start(), 1);
    r.PlaybackStarted();
    rig.Run(2500, true);  // the first call goes by while playing
    EXPECT_TRUE(stored.empty());
    r.PlaybackEnded();
    rig.Run(2500, true);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_GT(stored[0].startMs, 1000 + 3000);  // clock started at 1000 ms
}

TEST(CVirtualRecorderTest, PostAcquisitionMaximizesTheStoredSound)
{
    test::TempDir dir;
    std::vector<int16_t> source(22050);
    for (size_t i = 0; i < source.size(); ++i) source[i] = int16_t(1000 * std::sin(2 * M_PI * 441 * i / 22050.0));
    RecorderRig rig(dir.File("in.wav"), 22050, source);
    auto& r = rig.recorder;
    r.settings.postProcessing = true;
    r.settings.post.maximize = true;
    r.SetDocumentFile(dir.File("doc.wav"));
    ASSERT_EQ(r.Start(), 1);
    rig.Run(500);
    ASSERT_TRUE(r.StoreKey().stored);
    const auto out = ReadWav(dir.File("doc.wav"));
    ASSERT_EQ(out.size(), r.Ring().FramesWritten());
    int peak = 0;
    for (int16_t v : out) peak = std::max(peak, std::abs(int(v)));
    // A peak of about 1000 raised to full scale less the 100 of headroom:
    // 1000 x 32767 / 1100.
    EXPECT_NEAR(peak, 29788, 80);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);  // no temporaries left
}

TEST(CVirtualRecorderTest, FullBufferIsStoredEachTimeItFills)
{
    test::TempDir dir;
    const auto source = Counting(22050 * 6);
    RecorderRig rig(dir.File("in.wav"), 22050, source);
    auto& r = rig.recorder;
    r.settings.bufferSecs = 2;
    r.settings.storeBufferWhenFilled = true;
    r.settings.fileNameSettings = 1;
    r.settings.series.seriesName = "full%n";
    r.settings.series.seriesPath = dir.Path().string();
    ASSERT_EQ(r.Start(), 1);
    rig.Run(5000, true);
    EXPECT_EQ(ReadWav(dir.File("full   0.wav")), Slice(source, 0, 44100));
    EXPECT_EQ(ReadWav(dir.File("full   1.wav")), Slice(source, 44100, 44100));
    EXPECT_FALSE(std::filesystem::exists(dir.File("full   2.wav")));
}

} // namespace
} // namespace tavril
