// The live recording window against its budgets, in one run: 96 kHz stereo
// input through the file-backed input paced in real time, a 1600 x 400
// window with the default spectrograph settings. Reports the user-interface
// thread's share of one core (budget 25 %), how far the display lags the
// input (budget 100 ms) and how many columns were due but never drawn
// (budget 0).
//
// Usage: tavril_recording_bench [seconds=60]   (runs offscreen)
#include "frame/CChildFrame.h"
#include "frame/CMainFrame.h"
#include "record/CRecordingController.h"
#include "view/CTavrilView.h"

#include "CAudioInputDeviceList.h"
#include "CFileInputBackend.h"
#include "CRecorderList.h"
#include "CSoundFile.h"
#include "CSteadyClock.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <random>
#include <vector>

using namespace tavril;

namespace {

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

// Thirty seconds of noise with rising calls on both channels (repeated by the input).
bool WriteInput(const std::string& path, double rate)
{
    CSoundFile f;
    if (!f.Create(path, rate, 2, 16)) return false;
    std::mt19937 gen(3);
    std::normal_distribution<double> noise(0.0, 200.0);
    std::vector<int16_t> block(size_t(rate) * 2);
    double phase = 0.0;
    for (int second = 0; second < 30; ++second) {
        for (size_t i = 0; i < block.size() / 2; ++i) {
            const double t = double(i) / rate;
            const bool call = t > 0.2 && t < 0.6;
            phase += 2.0 * M_PI * (3000.0 + 8000.0 * (t - 0.2)) / rate;
            const double v = noise(gen) + (call ? 9000.0 * std::sin(phase) : 0.0);
            block[2 * i] = block[2 * i + 1] = int16_t(std::clamp(v, -32768.0, 32767.0));
        }
        if (f.WriteFrames(block.data(), uint32_t(block.size() / 2)) != block.size() / 2) return false;
    }
    f.Close();
    return true;
}

// Messages go to stderr: a bench has nobody to click a box away.
class CPrintPrompt : public IPrompt {
public:
    void ShowMessage(const std::string& text, const std::string&) override
    {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    Reply AskYesNoCancel(const std::string& text, const std::string&) override
    {
        std::fprintf(stderr, "question (answered No): %s\n", text.c_str());
        return Reply::No;
    }
    bool ChoosePath(const PathRequest&, std::string&) override { return false; }
    bool AskText(const std::string&, const std::string&, std::string&) override { return false; }
    void BeginProgress(const std::string&) override {}
    bool UpdateProgress(double) override { return true; }
    void EndProgress() override {}
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    const double rate = 96000.0;
    const std::string input = (dir.path() + "/input-96000-2.wav").toStdString();
    if (!WriteInput(input, rate)) {
        std::fprintf(stderr, "could not write %s\n", input.c_str());
        return 1;
    }

    CSteadyClock clock;
    CFileInputBackend backend(clock, CFileInputBackend::Pacing::Clock);
    backend.AddDevice("File: input", input, CFileInputBackend::AtEnd::Repeat);
    CAudioInputDeviceList devices(backend, clock);
    CRecorderList recorders(&devices, clock);
    recorders.Initialise();
    CAcquisitionSettings& s = recorders.At(0)->settings;
    s.deviceName = "File: input";
    s.sampleRate = int(rate);
    s.channels = 2;
    s.bufferSecs = 20;

    CPrintPrompt prompt;
    CMainFrame frame(prompt);
    frame.resize(1700, 600);
    frame.show();
    CRecordingController ctl(frame, prompt, recorders, &devices, clock, (dir.path() + "/settings.ini").toStdString());
    frame.SetCommandExtension(ctl.Extend({}));
    frame.Dispatch(Cmd::FileNew);
    CChildFrame* window = frame.ActiveWindow();
    // The child's frame adds its title bar and borders around the view.
    const QSize extra = window->size() - window->View()->size();
    window->resize(QSize(1600, 400) + extra);
    QApplication::processEvents();
    frame.Dispatch(Cmd::StartRecording);
    if (!ctl.IsRecording()) {
        std::fprintf(stderr, "recording did not start: %s\n", recorders.At(0)->Status().c_str());
        return 1;
    }
    const uint32_t startMs = clock.NowMs();
    const double cpuStart = ThreadCpuMs();
    double lagSum = 0.0, lagMax = 0.0;
    int lagSamples = 0;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, [&] {
        const CVirtualRecorder& r = *recorders.At(0);
        const double lagMs = double(r.Ring().FramesWritten() - ctl.Display()->LastFrameDrawn()) * 1000.0 / rate;
        lagSum += lagMs;
        lagMax = std::max(lagMax, lagMs);
        ++lagSamples;
    });
    sample.start(997);  // out of step with the columns
    // The figures are taken while the window still records.
    QTimer::singleShot(seconds * 1000, &app, [&] {
        const double wallMs = double(clock.NowMs() - startMs);
        const double cpuMs = ThreadCpuMs() - cpuStart;
        const double due = wallMs / double(s.msPerLine);
        const double drawn = double(ctl.Display()->ColumnsDrawn());
        std::printf("recording bench: %d s of 96000 Hz stereo, window %d x %d\n", seconds,
                    ctl.Display()->width(), ctl.Display()->height());
        std::printf("  UI thread CPU     %6.1f %% of one core   (budget 25 %%)\n", 100.0 * cpuMs / wallMs);
        std::printf("  display lag       %6.1f ms mean, %.1f ms max   (budget 100 ms)\n",
                    lagSamples ? lagSum / lagSamples : 0.0, lagMax);
        std::printf("  columns           %.0f drawn of %.0f due, %.0f skipped   (budget 0)\n", drawn, due,
                    std::max(0.0, std::floor(due - drawn - 1.0)));
        std::printf("  spectra computed  %lld\n", static_cast<long long>(ctl.Display()->SpectraComputed()));
        std::printf("  frames received   %llu\n",
                    static_cast<unsigned long long>(recorders.At(0)->FramesReceived()));
        std::fflush(stdout);
        ctl.StopRecording();
        QCoreApplication::exit(0);
    });
    app.exec();
    frame.SetCommandExtension({});
    return 0;
}
