// Every enabled command of the table, fired on a window with a sound, with
// the program's command objects wired as the program wires them and every
// dialog answered: nothing crashes or hangs. Commands still disabled are
// listed with their reasons.
#include "GuiTestSupport.h"

#include "CManualClock.h"
#include "CNullSoundPlayer.h"
#include "annotate/CAnnotationCommands.h"
#include "edit/CEditCommands.h"
#include "edit/CEditServices.h"
#include "frame/CChildFrame.h"
#include "frame/CFrameEditHost.h"
#include "playback/CPlaybackCommands.h"
#include "print/CPrintCommands.h"
#include "trials/CTrialCommands.h"
#include "view/CTavrilView.h"

#include <QComboBox>
#include <QDialog>
#include <QTimer>

#include <filesystem>
#include <set>

namespace tavril::test {
namespace {

TEST(CommandWalk, EveryEnabledCommandRunsOnAWindowWithASound) {
    TempDir config, dir, temps;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.Path().string()));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir.File("data")));
    ScriptedPrompt prompt;
    CTempFiles tempFiles{temps.Path()};
    ASSERT_TRUE(tempFiles.Start());
    CSoundClipboard clipboard{dir.File("clip")};
    ASSERT_TRUE(clipboard.Prepare());
    CEditEngine engine;
    CSoundTools tools{engine};
    CSoundFilter filter{engine};
    CMultiTool multiTool{engine, tools, filter};
    CEditServices edit(DocServices{prompt, tempFiles, clipboard, engine, tools, filter, multiTool, ""});
    const DocServices docs = edit.Services();
    CManualClock clock;
    CNullSoundPlayer player(clock);
    LoopPlaybackSettings loop;
    CPlaybackController playback(player, clock, tempFiles, clipboard.CursorPlayPath(), loop);

    auto frame = std::make_unique<CMainFrame>(prompt, &docs);
    frame->resize(900, 600);
    frame->show();
    CFrameEditHost host(*frame);
    CEditCommands commands(edit, host, frame.get());
    CPlaybackCommands play(*frame, playback, loop, clipboard, true);
    CPrintCommands printing(*frame, prompt);
    CTrialCommands trials(*frame, prompt, &player, &playback);
    CAnnotationCommands annotations(*frame, prompt);
    frame->SetCommandExtension(annotations.Chain(play.Extend(CFrameEditHost::MakeExtension(commands, edit))));
    frame->AddCommandExtension(printing.Extension());
    frame->AddCommandExtension(trials.Extension());
    playback.SetHooks(&trials);
    std::vector<std::string> launched;
    annotations.SetLauncher([&](const std::vector<std::string>& argv) {
        launched.push_back(argv.empty() ? "" : argv.front());
        return true;
    });
    // Dialogs with a driver are confirmed as they open; printing goes to a PDF file.
    auto accept = [](QDialog&) { return int(QDialog::Accepted); };
    commands.SetDialogDriver(accept);
    annotations.SetDialogDriver(accept);
    trials.SetDialogDriver(accept);
    printing.SetDialogDriver([](QDialog& d) {
        if (auto* name = d.findChild<QComboBox*>())
            name->setCurrentText(QStringLiteral("PDF file"));
        return d.windowTitle() == "Print Setup" ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    // Any other modal window (message boxes, the frame's own dialogs) is closed as it opens.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            if (auto* d = qobject_cast<QDialog*>(w))
                d->reject();
            else
                w->close();
        }
    });
    closer.start(20);

    const std::string sound = dir.File("walk.wav");
    ASSERT_TRUE(WriteWav(sound, Stereo(22050, [](int i) { return int(8000 * std::sin(i * 0.2)); },
                                       [](int i) { return (i * 37) % 2000 - 1000; }), 22050.0, 2));
    int copies = 0;
    auto ensureWindow = [&] {
        frame->show();
        if (!frame->Windows().empty())
            return;
        // A fresh copy each time: some commands delete or rename the file.
        const std::string path = dir.File("walk" + std::to_string(++copies) + ".wav");
        std::filesystem::copy_file(sound, path);
        CChildFrame* w = frame->OpenSoundFile(path);
        ASSERT_NE(w, nullptr);
        w->resize(600, 300);
        w->View()->Cursors().SetTimeCursors(2000, 9000);
        w->View()->CursorsChanged();
        Settle();
    };

    std::map<std::string, std::vector<std::string>> disabled;  // reason -> commands
    int fired = 0;
    for (const CommandInfo& info : CommandInfos()) {
        if (info.id == Cmd::RecentFileList || info.id == Cmd::UserMenuList)
            continue;
        ensureWindow();
        frame->UpdateCommandStates();
        if (!frame->IsEnabled(info.id)) {
            disabled[EnableRuleName(info.rule)].push_back(info.name);
            continue;
        }
        if (info.id == Cmd::Print)
            prompt.paths.push_back(dir.File("walk.pdf"));
        SCOPED_TRACE(info.name);
        frame->Dispatch(info.id);
        Settle();
        ++fired;
    }
    // Whatever the walk left running, stop.
    if (trials.Trial().IsRunning())
        frame->Dispatch(Cmd::TrialStartTimer);
    playback.Stop();
    closer.stop();
    for (const auto& [reason, names] : disabled) {
        std::string list;
        for (const auto& n : names)
            list += " " + n;
        std::printf("disabled (%s):%s\n", reason.c_str(), list.c_str());
    }
    // Most of the table runs on one window; the rest waits for a selection or an annotation.
    EXPECT_GT(fired, 100);
    EXPECT_TRUE(std::filesystem::exists(dir.File("walk.pdf"))) << "Print reached the printer";
    // Disabled as "not available yet": only the sound analysis window and
    // playing a selected annotation.
    const std::set<std::string> notYet = {"AnalyseSound", "PlayAnnotation"};
    for (const std::string& name : disabled[EnableRuleName(EnableRule::Later)])
        EXPECT_TRUE(notYet.count(name)) << name << " is disabled as not available yet";

    playback.SetHooks(nullptr);
    frame->SetCommandExtension({});
    // The command objects go before the frame they were built on (reverse order of declaration).
}

} // namespace
} // namespace tavril::test
