// tavril: the desktop program. Wires the prompt, the document services, the
// main frame, the editing, playback, annotation, recording, printing and
// trial commands, the sound inputs and the recorders together, opens the
// files named on the command line, and runs the event loop.
//
// --input-file WAV [--realtime] adds the WAV file as an input device named
// "File: NAME" (delivered as fast as it can be taken, or at its own pace
// with --realtime) and records from it by default in this session.
// `tavril --print-pdf OUT.pdf [--display FILE.dsp] FILE...` prints the
// display and the files to a PDF file without showing a window, and exits.
#include "CConsolePrompt.h"
#include "annotate/CAnnotationCommands.h"
#include "common/CQtPrompt.h"
#include "edit/CEditCommands.h"
#include "edit/CEditServices.h"
#include "frame/CFrameEditHost.h"
#include "frame/CFrameFiles.h"
#include "frame/CMainFrame.h"
#include "playback/CPlaybackCommands.h"
#include "record/CCompositeInputBackend.h"
#include "record/CRecordingController.h"
#include "print/CPrintCommands.h"
#include "trials/CTrialCommands.h"

#include "CAudioInputDeviceList.h"
#include "CFileInputBackend.h"
#include "CPortAudioInputBackend.h"
#include "CPortAudioPlayer.h"
#include "CPosixPriority.h"
#include "CRecorderList.h"
#include "CSoundFile.h"
#include "CSteadyClock.h"
#include "SettingsStore.h"

#include <QApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <memory>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace tavril;

namespace {

struct Arguments {
    bool printPdf = false;
    bool realtime = false;
    std::string pdf, display, inputFile, error;
    std::vector<std::string> files;
};

Arguments Parse(const QStringList& args) {
    Arguments a;
    for (int i = 0; i < args.size(); ++i) {
        const QString& s = args[i];
        if (s == QLatin1String("--print-pdf") || s == QLatin1String("--display")) {
            if (i + 1 >= args.size()) {
                a.error = s.toStdString() + " needs a file name";
                break;
            }
            (s == QLatin1String("--display") ? a.display : a.pdf) = args[++i].toStdString();
            a.printPdf = a.printPdf || s == QLatin1String("--print-pdf");
        } else if (s == QLatin1String("--input-file")) {
            if (i + 1 >= args.size()) {
                a.error = "--input-file needs a file name";
                break;
            }
            a.inputFile = args[++i].toStdString();
        } else if (s == QLatin1String("--realtime")) {
            a.realtime = true;
        } else if (!s.startsWith(QLatin1Char('-'))) {
            a.files.push_back(s.toStdString());  // toolkit options were taken by QApplication
        }
    }
    if (a.error.empty() && !a.display.empty() && !a.printPdf)
        a.error = "--display is used with --print-pdf";
    return a;
}

} // namespace

int main(int argc, char** argv) {
    bool headless = false;
    for (int i = 1; i < argc; ++i)
        headless = headless || std::strcmp(argv[i], "--print-pdf") == 0;
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavril"));
    QApplication::setApplicationVersion(QStringLiteral(TAVRIL_VERSION));
    const Arguments args = Parse(QApplication::arguments().mid(1));
    if (!args.error.empty()) {
        std::fprintf(stderr, "tavril: %s\nusage: tavril [--input-file WAV [--realtime]] [FILE...]\n       tavril --print-pdf OUT.pdf [--display "
                             "FILE.dsp] FILE...\n", args.error.c_str());
        return 2;
    }

    CQtPrompt qtPrompt;
    CConsolePrompt consolePrompt;
    IPrompt& prompt = headless ? static_cast<IPrompt&>(consolePrompt) : qtPrompt;
    // The objects every document edits with. Leftover working copies of
    // instances that no longer run are removed; the clipboard starts empty.
    CTempFiles temps;
    if (temps.Start())
        temps.CleanUpStale();
    CSoundClipboard clipboard;
    if (clipboard.Prepare())
        clipboard.Reset();
    CEditEngine engine;
    CSoundTools tools(engine);
    CSoundFilter filter(engine);
    CMultiTool multiTool(engine, tools, filter);
    CEditServices edit(DocServices{prompt, temps, clipboard, engine, tools, filter, multiTool, std::string()});
    const DocServices docs = edit.Services();

    // Sound output: PortAudio's default device, probed once with the
    // smallest format every card takes.
    CSteadyClock clock;
    CPortAudioSystem audio;
    CPortAudioPlayer player(audio);
    const bool outputPresent = player.IsFormatSupported(PcmFormat::Make(11025, 1, 8));
    LoopPlaybackSettings loopSettings;
    loopSettings.Load("");
    CPlaybackController playback(player, clock, temps, clipboard.CursorPlayPath(), loopSettings);

    CMainFrame frame(prompt, &docs);
    qtPrompt.SetParent(&frame);
    CFrameEditHost host(frame);
    CFrameEditHost::RegisterSettingsGroups(frame, edit);
    CEditCommands commands(edit, host, &frame);
    CPlaybackCommands playCommands(frame, playback, loopSettings, clipboard, outputPresent);
    CPrintCommands printing(frame, prompt);
    CTrialCommands trials(frame, prompt, &player, &playback);

    // Sound inputs: the cards PortAudio finds, and the file when one is given.
    CCompositeInputBackend inputs;
    std::unique_ptr<CPortAudioInputBackend> cards;
    if (audio.IsReady()) {
        cards = std::make_unique<CPortAudioInputBackend>(audio);
        inputs.Add(*cards);
    }
    std::unique_ptr<CFileInputBackend> fileInput;
    std::string fileDevice;
    CSoundFile probe;
    if (!args.inputFile.empty()) {
        if (!probe.Open(args.inputFile)) {
            std::fprintf(stderr, "tavril: --input-file: '%s' is not a sound file this program reads\n",
                         args.inputFile.c_str());
            return 2;
        }
        fileInput = std::make_unique<CFileInputBackend>(
            clock, args.realtime ? CFileInputBackend::Pacing::Clock : CFileInputBackend::Pacing::AsFastAsPossible);
        fileDevice = "File: " + QFileInfo(QString::fromStdString(args.inputFile)).fileName().toStdString();
        fileInput->AddDevice(fileDevice, args.inputFile);
        inputs.Add(*fileInput);
    }
    CPosixPriority priority;
    CAudioInputDeviceList devices(inputs, clock, &priority);
    devices.SetErrorReporter([&prompt](const std::string& text) { prompt.ShowMessage(text); });
    CRecorderList recorders(&devices, clock);
    const std::string settingsFile = SettingsStore::DefaultSettingsPath();
    recorders.Load(settingsFile);
    if (!fileDevice.empty()) {
        // The file records as it is: its rate, and stereo when it has two channels.
        CAcquisitionSettings& rts = recorders.At(0)->settings;
        rts.deviceName = fileDevice;
        rts.sampleRate = int(probe.GetSampleRate());
        rts.channels = probe.GetChannels() >= 2 ? 2 : 1;
        probe.Close();
    }
    CRecordingController recording(frame, prompt, recorders, &devices, clock, settingsFile);

    frame.LoadStartupSettings();
    edit.LoadSettings();
    printing.LoadSettings();
    trials.LoadSettings();
    // Annotation and logfile commands come first, then recording (ESC stops a
    // recording before a playback), playback, and the editing commands;
    // printing and trials after them.
    CAnnotationCommands annotations(frame, prompt);
    frame.SetCommandExtension(annotations.Chain(
        recording.Extend(playCommands.Extend(CFrameEditHost::MakeExtension(commands, edit)))));
    frame.AddCommandExtension(printing.Extension());
    frame.AddCommandExtension(trials.Extension());
    playback.SetHooks(&trials);
    // Trials switch recording and detection through the recording window and
    // keep their sound in the recorder list's trial recorder.
    trials.SetRecordingLink({[&recording] { return recording.IsRecording(); },
                             [&recording] { recording.StartRecording(); },
                             [&recording] { recording.StopRecording(); },
                             [&recorders](bool on) {
                                 for (size_t i = 0; i < recorders.Count(); ++i)
                                     recorders.At(i)->SetDetectorOn(on);
                             },
                             recorders.Find(CRecorderList::kTrial)});
    trials.SetLogLink({[&annotations](const std::string& path) {
                           annotations.Logger().SetTrialLogfile(path, true);
                           annotations.Logger().SetOn(true);
                       },
                       [&annotations](const std::string& line) {
                           annotations.Logger().LogEvent(DataLogger::Now(), line);
                       }});
    trials.SetPlaybackLogger([&annotations, &frame](const std::string& sound) {
        annotations.LogPlayed(sound, frame.ActiveView());
    });
    frame.SetTypedCharacterHandlers({[&](char c) { return trials.TypedCharacter(c); },
                                     [&](CTavrilView* v) { return playCommands.PlayForKey(v); },
                                     [&annotations](char c) { return annotations.OfferKey(c); }});
    if (headless)
        frame.resize(1024, 768);
    frame.show();

    int rc = 0;
    if (!args.display.empty() && !frame.Files().LoadDisplay(args.display, true)) {
        std::fprintf(stderr, "tavril: cannot open the display %s\n", args.display.c_str());
        rc = 1;
    }
    for (const std::string& f : args.files)
        frame.OpenAnyFile(f);
    if (headless) {
        QApplication::processEvents();
        std::string error;
        if (rc == 0 && !printing.PrintToPdf(args.pdf, error)) {
            std::fprintf(stderr, "tavril: %s\n", error.c_str());
            rc = 1;
        }
    } else {
        rc = app.exec();
    }
    // The commands go before the frame; it must not call them on its way out.
    recording.StopRecording();
    if (!headless)
        trials.SaveSettings();
    playback.SetHooks(nullptr);
    frame.SetCommandExtension({});
    playback.SetHooks(nullptr);
    return rc;
}
