// tavril-cli record: a recorder headless. Sound comes from a WAV file
// delivered as a live device (as fast as it can be analysed, or paced in
// real time) or from a sound card; detected sounds, or the buffer each time
// it fills, are stored by the recorder's naming rules.

#include "CliCommand.h"
#include "CliUtil.h"

#include "CAudioInputDeviceList.h"
#include "CFileInputBackend.h"
#include "CManualClock.h"
#include "CPortAudioInputBackend.h"
#include "CRecorderList.h"
#include "CSoundFile.h"
#include "CSteadyClock.h"
#include "CVirtualRecorder.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace tavril::cli {

namespace {

constexpr const char* kName = "tavril-cli record";

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int)
{
    g_interrupted = 1;
}

int Usage(const std::string& message)
{
    std::fprintf(stderr, "%s: %s (see 'tavril-cli help record')\n", kName, message.c_str());
    return 2;
}

struct Options {
    std::string device, inputFile, settingsFile, recorder, seriesPath, seriesName;
    bool realtime = false, detect = false;
    long long rate = 0, channels = 0, bits = 0;
    double bufferS = 0, durationS = 0;
};

int Parse(const std::vector<std::string>& args, Options& o)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto text = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        auto integer = [&](long long& out, long long lo, long long hi) {
            std::string v;
            const auto n = text(v) ? ParseInteger(v) : std::nullopt;
            if (!n || *n < lo || *n > hi) return false;
            out = *n;
            return true;
        };
        auto number = [&](double& out) {
            std::string v;
            const auto n = text(v) ? ParseDouble(v) : std::nullopt;
            if (!n || !(*n > 0)) return false;
            out = *n;
            return true;
        };
        if (a == "--device") {
            if (!text(o.device)) return Usage("--device needs a device name");
        } else if (a == "--input-file") {
            if (!text(o.inputFile)) return Usage("--input-file needs a WAV file");
        } else if (a == "--realtime") {
            o.realtime = true;
        } else if (a == "--rate") {
            if (!integer(o.rate, 1000, 384000)) return Usage("--rate needs a sample rate from 1000 to 384000 Hz");
        } else if (a == "--channels") {
            if (!integer(o.channels, 1, 2)) return Usage("--channels needs 1 or 2");
        } else if (a == "--bits") {
            if (!integer(o.bits, 8, 24) || (o.bits != 8 && o.bits != 16 && o.bits != 24))
                return Usage("--bits needs 8, 16 or 24");
        } else if (a == "--buffer-s") {
            if (!number(o.bufferS) || o.bufferS > 3600) return Usage("--buffer-s needs 1 to 3600 seconds");
        } else if (a == "--duration-s") {
            if (!number(o.durationS)) return Usage("--duration-s needs a positive number of seconds");
        } else if (a == "--settings") {
            if (!text(o.settingsFile)) return Usage("--settings needs a file");
        } else if (a == "--recorder") {
            if (!text(o.recorder)) return Usage("--recorder needs a recorder's description");
        } else if (a == "--detect") {
            o.detect = true;
        } else if (a == "--series-path") {
            if (!text(o.seriesPath)) return Usage("--series-path needs a folder");
        } else if (a == "--series-name") {
            if (!text(o.seriesName)) return Usage("--series-name needs a pattern");
        } else {
            return Usage("unknown option '" + a + "'");
        }
    }
    if (o.device.empty() == o.inputFile.empty()) return Usage("give either --device NAME or --input-file WAV");
    if (o.realtime && o.inputFile.empty()) return Usage("--realtime paces an --input-file");
    if (!o.settingsFile.empty() && !std::filesystem::exists(o.settingsFile))
        return Usage("settings file '" + o.settingsFile + "' does not exist");
    return 0;
}

// The recorder's settings from the list in the settings file, then the
// command line on top.
int Configure(const Options& o, CVirtualRecorder& r, CAudioInputDeviceList& devices, IClock& clock)
{
    CRecorderList list(&devices, clock);
    list.Initialise();
    list.Load(o.settingsFile);
    const CVirtualRecorder* source = o.recorder.empty() ? list.At(0) : list.Find(o.recorder);
    if (!source) return Usage("no recorder described '" + o.recorder + "' in the settings");
    r.CopyFrom(*source);
    CAcquisitionSettings& s = r.settings;
    if (o.rate) s.sampleRate = int(o.rate);
    if (o.channels) s.channels = int(o.channels);
    if (o.bits) s.sampleSize = int(o.bits / 8 - 1);
    if (o.bufferS > 0) s.bufferSecs = std::max(1, int(o.bufferS + 0.5));
    if (o.detect) s.detectorOn = true;
    if (!o.seriesPath.empty()) s.series.seriesPath = o.seriesPath;
    if (!o.seriesName.empty()) s.series.seriesName = o.seriesName;
    // Headless, every store goes to its own file by the series rules.
    s.writeOver = true;
    if (s.fileNameSettings == 0 || !o.seriesPath.empty() || !o.seriesName.empty()) {
        s.fileNameSettings = 1;
        if (s.series.seriesName.find_first_not_of(' ') == std::string::npos) s.series.seriesName = "rec %Y%m%d-%H%M%S";
    }
    if (!s.detectorOn) s.storeBufferWhenFilled = true;
    s.exitOnStore = false;
    return 0;
}

int RunRecord(const std::vector<std::string>& args)
{
    Options o;
    if (int bad = Parse(args, o)) return bad;
    if (!o.inputFile.empty() && !std::filesystem::exists(o.inputFile))
        return Usage("'" + o.inputFile + "' does not exist");

    CManualClock manual(0);
    CSteadyClock steady;
    const bool replay = !o.inputFile.empty() && !o.realtime;
    IClock& clock = replay ? static_cast<IClock&>(manual) : steady;
    std::unique_ptr<CPortAudioSystem> portAudio;
    std::unique_ptr<IAudioInputBackend> backend;
    CFileInputBackend* fileBackend = nullptr;
    if (o.inputFile.empty()) {
        portAudio = std::make_unique<CPortAudioSystem>();
        if (!portAudio->IsReady()) {
            std::fprintf(stderr, "Sound I/O Error: %s\n", portAudio->InitError().c_str());
            return 1;
        }
        backend = std::make_unique<CPortAudioInputBackend>(*portAudio);
    } else {
        auto file = std::make_unique<CFileInputBackend>(
            clock, replay ? CFileInputBackend::Pacing::Manual : CFileInputBackend::Pacing::Clock);
        file->AddDevice("file", o.inputFile);
        fileBackend = file.get();
        backend = std::move(file);
    }
    CAudioInputDeviceList devices(*backend, clock);
    devices.Fill();
    devices.SetErrorReporter([](const std::string& m) { std::fprintf(stderr, "%s: %s\n", kName, m.c_str()); });
    // A device named on the command line must exist: recording from
    // another card than the one asked for would go unnoticed.
    if (!o.device.empty() && devices.FindByName(o.device) < 0)
        return Usage("no input device named '" + o.device + "' (see 'tavril-cli devices')");
    CVirtualRecorder recorder(&devices, clock);
    if (int bad = Configure(o, recorder, devices, clock)) return bad;
    recorder.settings.deviceName = o.device.empty() ? "file" : o.device;
    if (!o.inputFile.empty()) {
        // A replayed file is heard at its own rate; its channels and width
        // stand in for the card's unless the command line sets them.
        CSoundFile in;
        if (!in.Open(o.inputFile)) return Usage("cannot open '" + o.inputFile + "' as a sound file");
        CAcquisitionSettings& s = recorder.settings;
        if (!o.rate) {
            const double rate = in.GetSampleRate();
            if (!(rate >= 1000 && rate <= 384000))
                return Usage("'" + o.inputFile + "' is at " + FormatNumber(rate) +
                             " Hz; the recorder takes 1000 to 384000 Hz");
            s.sampleRate = int(rate + 0.5);
        }
        if (!o.channels) s.channels = in.GetChannels() >= 2 ? 2 : 1;
        if (!o.bits) s.sampleSize = in.GetBitsPerSample() <= 8 ? 0 : in.GetBitsPerSample() <= 16 ? 1 : 2;
    }

    int status = 0;
    recorder.SetStatusHandler([&](const std::string& text) {
        if (text.rfind("******", 0) == 0) std::printf("%s\n", text.c_str());
        else if (text.rfind("Could not store", 0) == 0) {
            std::fprintf(stderr, "%s: %s\n", kName, text.c_str());
            status = 1;
        }
        std::fflush(stdout);
    });
    recorder.SetStoreHandler([](const StoreResult& r) {
        if (r.stored) std::printf("%s\n", r.fileName.c_str());
        std::fflush(stdout);
    });
    if (!recorder.Start()) {
        std::fprintf(stderr, "%s: the recorder did not start: %s\n", kName, recorder.Status().c_str());
        return 1;
    }
    const auto oldHandler = std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    const uint32_t started = clock.NowMs();
    double limitMs = o.durationS > 0 ? o.durationS * 1000.0 : -1.0;
    // "Stop recording after ... min." of the recorder's settings.
    const CAcquisitionSettings& s = recorder.settings;
    if (s.checkStopTime && s.stopTimeMin > 0 && (limitMs < 0 || s.stopTimeMin * 60000.0 < limitMs))
        limitMs = s.stopTimeMin * 60000.0;
    while (!g_interrupted && recorder.IsRunning()) {
        if (!replay) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        else {
            manual.AdvanceMs(10);
            fileBackend->Pump();
        }
        recorder.Housekeeping();
        const double elapsed = double(clock.NowMs() - started);
        if (limitMs >= 0 && elapsed >= limitMs) break;
        // A replayed file ends with its last frame.
        if (limitMs < 0 && fileBackend && fileBackend->RemainingFileFrames() == 0) break;
    }
    recorder.Housekeeping();
    // Without the detector, what arrived since the last full buffer is
    // stored too; with it, only detected sounds are.
    if (!recorder.settings.detectorOn && recorder.IsRunning() && recorder.Ring().UnreadCount() > 0)
        recorder.Store(0, 0, true);
    recorder.Stop();
    std::signal(SIGINT, oldHandler);
    std::fprintf(stderr, "%s: %llu blocks, %llu frames received\n", kName,
                 static_cast<unsigned long long>(recorder.BlocksReceived()),
                 static_cast<unsigned long long>(recorder.FramesReceived()));
    return status;
}

} // namespace

extern const CliCommand kRecordCommand = {
    "record",
    "record from a sound card or a replayed file, storing detected sounds",
    "Usage: tavril-cli record (--device NAME | --input-file WAV [--realtime]) [--rate HZ]\n"
    "                         [--channels N] [--bits 8|16|24] [--buffer-s S] [--settings INI]\n"
    "                         [--recorder NAME] [--detect] [--series-path DIR]\n"
    "                         [--series-name PATTERN] [--duration-s S]\n"
    "Runs a recorder with the settings of its section in the settings file (default\n"
    "file, or INI; --recorder picks a recorder by description, default the real-time\n"
    "one), the options given overriding them. With the detector on (--detect or\n"
    "\"autodetector on\") each detected sound is stored and\n"
    "'****** SOUND DETECTED: duration N ms' printed; otherwise the buffer is stored\n"
    "each time it fills and once more at the end. Each stored file's name is printed.\n"
    "Files are named by the series pattern (\"%n\" number, \"%F\" milliseconds, \"%c\"\n"
    "channel, strftime codes), by default 'rec %Y%m%d-%H%M%S' in the series folder.\n"
    "  --input-file WAV  replay a WAV file as the input device, at its own rate,\n"
    "                    channels (at most 2) and width unless --rate, --channels or\n"
    "                    --bits say otherwise: as fast as it can be analysed, or with\n"
    "                    --realtime at its own pace\n"
    "  --device NAME     a sound input device as 'tavril-cli devices' lists it\n"
    "  --duration-s S    stop after S seconds of sound (default: the recorder's \"Stop time\"\n"
    "                    when checked, else the end of the file, or Ctrl+C); nothing is\n"
    "                    ever left half-written\n"
    "Exit status 0 when everything was stored, 1 when a store failed, 2 for a usage error.\n",
    RunRecord,
};

} // namespace tavril::cli
