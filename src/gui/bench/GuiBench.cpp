// Timings of the desktop program against its budgets, in one run:
// start-up to an empty main window (1 s), opening a one-hour 22050 Hz mono
// recording in a 1600 x 400 spectrogram window (0.5 s, to the first picture
// and to the refined every-frame picture), redrawing it from the frame
// cache (16 ms), repainting an
// unchanged window (16 ms), and scrolling a fixed-scale window (only the
// columns that came into view are computed).
// With --edit FILE: opening a copy of FILE (a large WAV) in a window,
// deleting one minute from its middle and saving it in place, against cp of
// the file in the same run (budget: the three together at most 3 x cp).
// Needs room for three copies of FILE beside it.
//
// Usage: tavril_gui_bench [scratch folder]   (runs offscreen)
//        tavril_gui_bench --edit FILE
#include "frame/CChildFrame.h"
#include "frame/CMainFrame.h"
#include "view/CEveryFramePictures.h"
#include "common/CQtPrompt.h"
#include "CSoundFile.h"
#include "view/CTavrilView.h"

#include <QApplication>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <filesystem>
#include <vector>

using namespace tavril;
using Clock = std::chrono::steady_clock;

namespace {

// Processor time of the whole process (all threads) in ms: on a shared
// machine the wall-clock figures also measure the neighbours.
double CpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

bool WriteHour(const std::string& path) {
    CSoundFile f;
    const double rate = 22050.0;
    if (!f.Create(path, rate, 1, 16))
        return false;
    std::vector<int16_t> block(rate);
    uint32_t n = 0;
    for (int second = 0; second < 3600; ++second) {
        for (size_t i = 0; i < block.size(); ++i, ++n) {
            double t = n / rate;
            double f0 = 3000.0 + 1500.0 * std::sin(2.0 * M_PI * 0.3 * t);
            block[i] = static_cast<int16_t>(8000.0 * std::sin(2.0 * M_PI * f0 * t) * ((second % 4) ? 1.0 : 0.2) +
                                            (static_cast<int>(n * 2654435761u) >> 24));
        }
        if (f.WriteFrames(block.data(), static_cast<uint32_t>(block.size())) != block.size())
            return false;
    }
    f.Close();
    return true;
}

void Report(const char* what, double ms, double budgetMs) {
    std::printf("%-58s %9.1f ms  budget %7.1f ms  ratio %.2f\n", what, ms, budgetMs, ms / budgetMs);
}

// Copies `source` to a fresh `input`, written out, in the page cache and
// left to settle, so that every timed step starts from the same state. On
// virtual machines that hand free memory back to their host, writing into
// memory freed a moment ago is several times faster than into memory the
// host has taken back: a step timed just after a file was replaced or
// removed would otherwise get a head start.
bool Prepare(const std::string& source, const std::string& input) {
    std::filesystem::remove(input);
    const std::string cmd = "cp '" + source + "' '" + input + "' && sync && cat '" + input + "' > /dev/null && sleep 3";
    return std::system(cmd.c_str()) == 0;
}

// Open, delete a minute, save in place (on a copy of FILE, which is left
// alone); each part and the sum against cp.
int EditBench(CMainFrame& frame, const std::string& path) {
    const double mb = std::filesystem::file_size(path) / 1048576.0;
    const std::string work = path + ".edit.wav";
    const std::string input = path + ".in";
    const std::string copy = path + ".cp";
    struct Tidy {
        std::vector<std::string> files;
        ~Tidy() {
            for (const std::string& f : files)
                std::filesystem::remove(f);
        }
    } tidy{{work, input, copy}};

    if (!Prepare(path, work))
        return 1;
    auto t0 = Clock::now();
    CChildFrame* w = frame.OpenSoundFile(work);
    if (!w)
        return 1;
    CTavrilView* v = w->View();
    QApplication::processEvents();
    v->Pane(0)->repaint();
    auto t1 = Clock::now();
    CSoundDocument& doc = v->Doc();
    const uint32_t minute = static_cast<uint32_t>(60 * doc.SampleRate());
    const uint32_t from = doc.Frames() / 2;
    if (!doc.Doc().DeleteSelection({from, from + minute}))
        return 1;
    doc.Refresh();
    v->Pane(0)->repaint();
    auto t2 = Clock::now();
    if (!doc.Doc().SaveDocument(work, [](double) { return true; }))
        return 1;
    doc.Refresh();
    v->Pane(0)->repaint();
    auto t3 = Clock::now();
    w->close();
    QApplication::processEvents();

    if (!Prepare(path, input))
        return 1;
    auto c0 = Clock::now();
    if (std::system(("cp '" + input + "' '" + copy + "'").c_str()) != 0)
        return 1;
    auto c1 = Clock::now();
    // The save writes its file out to the disk before renaming it; cp with a
    // sync of its output is the like-for-like reference.
    std::filesystem::remove(copy);
    if (!Prepare(path, input))
        return 1;
    auto s0 = Clock::now();
    if (std::system(("cp '" + input + "' '" + copy + "' && sync '" + copy + "'").c_str()) != 0)
        return 1;
    auto s1 = Clock::now();

    const double cp = Ms(c0, c1);
    std::printf("file %.0f MB\n", mb);
    std::printf("%-40s %9.1f ms\n", "cp of the file", cp);
    std::printf("%-40s %9.1f ms\n", "open in a window", Ms(t0, t1));
    std::printf("%-40s %9.1f ms\n", "delete one minute (first edit)", Ms(t1, t2));
    std::printf("%-40s %9.1f ms\n", "save in place", Ms(t2, t3));
    std::printf("%-40s %9.1f ms\n", "cp of the file and a sync of the copy", Ms(s0, s1));
    std::printf("open + delete + save = %.2f x cp, %.2f x cp+sync (budget 3)\n", Ms(t0, t3) / cp,
                Ms(t0, t3) / Ms(s0, s1));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());

    auto t0 = Clock::now();
    QApplication app(argc, argv);
    if (argc > 2 && std::string(argv[1]) == "--edit") {
        CQtPrompt prompt;
        CMainFrame frame(prompt);
        frame.LoadStartupSettings();
        frame.resize(1800, 700);
        frame.show();
        return EditBench(frame, argv[2]);
    }
    std::string folder = argc > 1 ? argv[1] : QDir::tempPath().toStdString();
    CQtPrompt prompt;
    auto frame = std::make_unique<CMainFrame>(prompt);
    frame->LoadStartupSettings();
    frame->resize(1800, 700);
    frame->show();
    QApplication::processEvents();
    auto t1 = Clock::now();
    Report("start-up to an empty main window", Ms(t0, t1), 1000.0);

    std::string path = (std::filesystem::path(folder) / "tavril-bench-hour.wav").string();
    if (!std::filesystem::exists(path)) {
        std::printf("writing a one-hour recording to %s ...\n", path.c_str());
        if (!WriteHour(path)) {
            std::fprintf(stderr, "could not write %s\n", path.c_str());
            return 1;
        }
    }
    auto t2 = Clock::now();
    const double cpu2 = CpuMs();
    CChildFrame* w = frame->OpenSoundFile(path);
    if (!w)
        return 1;
    CTavrilView* v = w->View();
    CViewPane* pane = v->Pane(0);
    // Size the window so that the plot is 1600 x 400.
    QRect plot = pane->PlotRect();
    w->resize(w->width() + 1600 - plot.width(), w->height() + 400 - plot.height());
    QApplication::processEvents();
    pane->repaint();
    auto t3 = Clock::now();
    std::printf("plot %d x %d, %d columns computed\n", pane->PlotRect().width(), pane->PlotRect().height(),
                pane->LastColumnsComputed());
    Report("open one hour at 22050 Hz: first (one frame per column) picture", Ms(t2, t3), 500.0);
    // Every frame of the hour, refined between events.
    while (v->IsRefining())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    pane->repaint();
    auto t3b = Clock::now();
    std::printf("every-frame picture on %d threads, %.0f ms of processor time\n", v->EveryFrame().Pool().Threads(),
                CpuMs() - cpu2);
    Report("open one hour at 22050 Hz: full every-frame picture", Ms(t2, t3b), 500.0);
    auto t3c = Clock::now();
    v->Redraw();
    pane->repaint();
    auto t3d = Clock::now();
    Report("redraw of the every-frame picture from the frame cache", Ms(t3c, t3d), 16.0);

    auto t4 = Clock::now();
    const int repeats = 20;
    for (int i = 0; i < repeats; ++i)
        pane->repaint();
    auto t5 = Clock::now();
    Report("repaint of an unchanged window (mean of 20)", Ms(t4, t5) / repeats, 16.0);

    frame->Dispatch(Cmd::TimeScaleFit);
    pane->repaint();
    auto t6 = Clock::now();
    int computed = 0;
    for (int i = 1; i <= repeats; ++i) {
        v->SetScrollPosition(i * 40);
        pane->repaint();
        computed += pane->LastColumnsComputed();
    }
    auto t7 = Clock::now();
    std::printf("fixed scale: %d columns computed over %d scrolls of 40 columns\n", computed, repeats);
    Report("scroll by 40 columns in fixed scale (mean of 20)", Ms(t6, t7) / repeats, 16.0);
    frame.reset();
    return 0;
}
