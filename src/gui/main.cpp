// tavril: the desktop program. Wires the prompt, the document services, the
// main frame, the editing, playback and annotation commands, the sound inputs and the
// recorders together, opens the files named on the command line, and runs
// the event loop.
//
// --input-file WAV [--realtime] adds the WAV file as an input device named
// "File: NAME" (delivered as fast as it can be taken, or at its own pace
// with --realtime) and records from it by default in this session.
#include "annotate/CAnnotationCommands.h"
#include "edit/CEditCommands.h"
#include "edit/CEditServices.h"
#include "frame/CFrameEditHost.h"
#include "frame/CMainFrame.h"
#include "common/CQtPrompt.h"
#include "playback/CPlaybackCommands.h"
#include "record/CCompositeInputBackend.h"
#include "record/CRecordingController.h"

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

using namespace tavril;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavril"));
    QApplication::setApplicationVersion(QStringLiteral(TAVRIL_VERSION));

    CQtPrompt prompt;
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
    prompt.SetParent(&frame);
    CFrameEditHost host(frame);
    CFrameEditHost::RegisterSettingsGroups(frame, edit);
    CEditCommands commands(edit, host, &frame);
    CPlaybackCommands playCommands(frame, playback, loopSettings, clipboard, outputPresent);

    // Our own options; the rest are files to open.
    QStringList files;
    QString inputFile;
    bool realtime = false;
    const QStringList args = QApplication::arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--input-file") && i + 1 < args.size()) inputFile = args[++i];
        else if (args[i] == QLatin1String("--realtime")) realtime = true;
        else if (!args[i].startsWith(QLatin1Char('-'))) files << args[i];
        // other options were the toolkit's, taken by QApplication
    }

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
    if (!inputFile.isEmpty()) {
        if (!probe.Open(inputFile.toStdString())) {
            std::fprintf(stderr, "tavril: --input-file: '%s' is not a sound file this program reads\n",
                         inputFile.toLocal8Bit().constData());
            return 2;
        }
        fileInput = std::make_unique<CFileInputBackend>(
            clock, realtime ? CFileInputBackend::Pacing::Clock : CFileInputBackend::Pacing::AsFastAsPossible);
        fileDevice = "File: " + QFileInfo(inputFile).fileName().toStdString();
        fileInput->AddDevice(fileDevice, inputFile.toStdString());
        inputs.Add(*fileInput);
    }
    CPosixPriority priority;
    CAudioInputDeviceList devices(inputs, clock, &priority);
    devices.SetErrorReporter([&prompt](const std::string& text) { static_cast<IPrompt&>(prompt).ShowMessage(text); });
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
    // Annotation and logfile commands come first, then recording (ESC stops a
    // recording before a playback), playback, and the editing commands.
    CAnnotationCommands annotations(frame, prompt);
    frame.SetCommandExtension(annotations.Chain(
        recording.Extend(playCommands.Extend(CFrameEditHost::MakeExtension(commands, edit)))));
    frame.SetTypedCharacterHandlers({{}, [&](CTavrilView* v) { return playCommands.PlayForKey(v); },
                                     [&annotations](char c) { return annotations.OfferKey(c); }});
    // Every sound that starts playing is named in the data logfile.
    playback.SetHooks(&annotations);
    frame.show();

    for (const QString& f : files) frame.OpenAnyFile(f.toStdString());
    const int rc = app.exec();
    // The commands go before the frame; it must not call them on its way out.
    recording.StopRecording();
    frame.SetCommandExtension({});
    playback.SetHooks(nullptr);
    return rc;
}
