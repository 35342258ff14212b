// tavril: the desktop program. Wires the prompt, the document services, the
// main frame and the editing commands together, opens the files named on the
// command line, and runs the event loop.
#include "annotate/CAnnotationCommands.h"
#include "edit/CEditCommands.h"
#include "edit/CEditServices.h"
#include "frame/CFrameEditHost.h"
#include "frame/CMainFrame.h"
#include "common/CQtPrompt.h"
#include "playback/CPlaybackCommands.h"

#include "CPortAudioPlayer.h"
#include "CSteadyClock.h"

#include <QApplication>
#include <QStringList>

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
    frame.SetCommandExtension(playCommands.Extend(CFrameEditHost::MakeExtension(commands, edit)));
    frame.SetTypedCharacterHandlers({{}, [&](CTavrilView* v) { return playCommands.PlayForKey(v); }, {}});

    frame.LoadStartupSettings();
    edit.LoadSettings();
    // Annotation and logfile commands come first; the editing commands take the rest.
    CAnnotationCommands annotations(frame, prompt);
    frame.SetCommandExtension(annotations.Chain(playCommands.Extend(CFrameEditHost::MakeExtension(commands, edit))));
    frame.SetTypedCharacterHandlers({{}, [&](CTavrilView* v) { return playCommands.PlayForKey(v); },
                                     [&annotations](char c) { return annotations.OfferKey(c); }});
    // Every sound that starts playing is named in the data logfile.
    playback.SetHooks(&annotations);
    frame.show();

    const QStringList args = QApplication::arguments().mid(1);
    for (const QString& a : args) {
        if (a.startsWith(QLatin1Char('-')))
            continue;  // toolkit options were taken by QApplication
        frame.OpenAnyFile(a.toStdString());
    }
    const int rc = app.exec();
    // The commands go before the frame; it must not call them on its way out.
    frame.SetCommandExtension({});
    playback.SetHooks(nullptr);
    return rc;
}
