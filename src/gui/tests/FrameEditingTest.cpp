// Editing commands on real sound windows: windows follow the document, a deleted file's window closes,
// and a clip or import opens a window.
#include "annotate/CAnnotationCommands.h"
#include "frame/CChildFrame.h"
#include "frame/CFrameFiles.h"
#include "frame/CCommandActions.h"
#include "edit/CEditCommands.h"
#include "edit/CEditServices.h"
#include "frame/CFrameEditHost.h"
#include "common/CQtPrompt.h"
#include "view/CTavrilView.h"
#include "GuiTestSupport.h"
#include "SpectrogramPicture.h"
#include "TestSupport.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <set>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

using namespace tavril;
using namespace tavril::test;
namespace fs = std::filesystem;

namespace {

// Runs a hook at the first progress report, or shows the real progress window when `realProgress` is set.
class HookPrompt : public ScriptedPrompt {
public:
    std::function<void()> onProgress;
    IPrompt* realProgress = nullptr;
    void BeginProgress(const std::string& text) override
    {
        if (realProgress) realProgress->BeginProgress(text);
    }
    void EndProgress() override
    {
        if (realProgress) realProgress->EndProgress();
    }
    bool UpdateProgress(double fraction) override
    {
        if (realProgress) return realProgress->UpdateProgress(fraction);
        if (onProgress) {
            auto hook = std::move(onProgress);
            onProgress = nullptr;
            hook();
        }
        return true;
    }
};

class FrameEditing : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_config.Path().string()));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(m_dir.File("data")));
        ASSERT_TRUE(m_tempFiles.Start());
        ASSERT_TRUE(m_clipboard.Prepare());
        m_edit = std::make_unique<CEditServices>(
            DocServices{m_prompt, m_tempFiles, m_clipboard, m_engine, m_tools, m_filter, m_multiTool, ""});
        const DocServices docs = m_edit->Services();
        m_frame = std::make_unique<CMainFrame>(m_prompt, &docs);
        m_frame->resize(900, 600);
        m_frame->show();
        m_host = std::make_unique<CFrameEditHost>(*m_frame);
        m_cmds = std::make_unique<CEditCommands>(*m_edit, *m_host, m_frame.get());
    }
    void TearDown() override
    {
        // The frame's extension calls the commands until the frame is gone.
        m_frame.reset();
        m_host.reset();
        m_cmds.reset();
    }
    CTavrilView* Open(const std::vector<int16_t>& samples, uint32_t channels = 1)
    {
        std::string name = std::to_string(m_count++);
        name += ".wav";
        const std::string path = m_dir.File(name);
        EXPECT_TRUE(WriteWav(path, samples, 22050.0, channels));
        CChildFrame* w = m_frame->OpenSoundFile(path);
        EXPECT_NE(w, nullptr);
        Settle();
        return w ? w->View() : nullptr;
    }
    EditOutcome Run(Cmd id, CTavrilView* v)
    {
        EditContext c = CFrameEditHost::ContextFor(*v);
        EditOutcome o = m_cmds->Run(id, &c);
        Settle();
        return o;
    }
    std::vector<int16_t> Samples(CTavrilView* v)
    {
        CSoundFile& s = v->Doc().Sound();
        std::vector<int16_t> out(size_t(s.GetFrameCount()) * s.GetChannels());
        const uint32_t n = s.GetFrameCount();
        s.Seek(0);
        if (n) {
            EXPECT_EQ(s.ReadFrames(out.data(), n, 16), n);
        }
        s.Close();
        return out;
    }

    TempDir m_config, m_dir, m_temps;
    HookPrompt m_prompt;
    CTempFiles m_tempFiles{m_temps.Path()};
    CSoundClipboard m_clipboard{m_dir.File("clip")};
    CEditEngine m_engine;
    CSoundTools m_tools{m_engine};
    CSoundFilter m_filter{m_engine};
    CMultiTool m_multiTool{m_engine, m_tools, m_filter};
    std::unique_ptr<CEditServices> m_edit;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<CFrameEditHost> m_host;
    std::unique_ptr<CEditCommands> m_cmds;
    int m_count = 0;
};

std::vector<int16_t> Ramp(int n)
{
    std::vector<int16_t> s;
    for (int i = 0; i < n; ++i) s.push_back(static_cast<int16_t>(i * 3 - 5000));
    return s;
}

// The texts of a command's items in the full menu bar.
std::set<std::string> ItemTexts(CMainFrame& frame, Cmd id)
{
    std::set<std::string> out;
    for (QAction* a : frame.Actions().MenuItems(id))
        if (qobject_cast<QMenu*>(a->parent())) out.insert(a->text().toStdString());
    return out;
}

TEST_F(FrameEditing, TheSelectedChannelIsThePaneWithTheCursors)
{
    CTavrilView* v = Open(Stereo(500, [](int i) { return i; }, [](int i) { return -i; }), 2);
    ASSERT_NE(v, nullptr);
    WindowDisplaySettings s = v->Settings();
    s.m_channelList = "1,2";
    s.ParseChannelList();
    v->SetSettings(s);
    Settle();
    ASSERT_EQ(v->PaneCount(), 2);
    v->SetCursorPane(1);
    v->Cursors().SetTimeCursors(10, 20);
    EditContext c = CFrameEditHost::ContextFor(*v);
    EXPECT_EQ(c.channel, 1u);
    EXPECT_EQ(c.channels, 2u);
    EXPECT_EQ(m_cmds->MenuText(Cmd::Copy, &c).toStdString(), "&Copy Sound In All Channels\tCtrl+C");
    // A right cursor past the end (End key) stops at the last frame.
    v->Cursors().SetTimeCursors(100, 100000);
    EXPECT_EQ(CFrameEditHost::ContextFor(*v).sel.Length(), 400u);
}

TEST_F(FrameEditing, KlipNamesTakeTheClockTimeTheWindowShows)
{
    CTavrilView* v = Open(Ramp(22050 * 6));
    ASSERT_NE(v, nullptr);
    WindowDisplaySettings s = v->Settings();
    s.m_timeCursorUnits = 1;
    s.m_timeOffset = "10:30:00";
    v->SetSettings(s);
    v->Cursors().SetTimeCursors(22050 * 5 + 100, 22050 * 5 + 2000);
    m_edit->klip.autofillOn = 1;
    m_edit->klip.insertFileTime = 1;
    m_edit->klip.filenameTemplate = "%H%M%S_%c";
    const std::string clip = m_dir.File("clip.wav");
    m_prompt.paths.push_back(clip);
    EditContext c = CFrameEditHost::ContextFor(*v);
    ASSERT_TRUE(m_cmds->Run(Cmd::KlipSave, &c).done);
    ASSERT_EQ(ReadSamples(clip).size(), 1900u);
    ASSERT_EQ(m_prompt.pathRequests.size(), 1u);
    EXPECT_EQ(fs::path(m_prompt.pathRequests[0].proposedPath).filename(), "103005_1.wav");
    // Seconds units show no clock: the offset is left out.
    s.m_timeCursorUnits = 0;
    v->SetSettings(s);
    c = CFrameEditHost::ContextFor(*v);
    EXPECT_EQ(c.cursorTime.tm_hour, 0);
    EXPECT_EQ(c.cursorTime.tm_sec, 5);
}

TEST_F(FrameEditing, DeletingTheSoundFileClosesItsWindow)
{
    CTavrilView* v = Open(Ramp(100));
    ASSERT_NE(v, nullptr);
    const std::string path = v->Doc().Path();
    ASSERT_EQ(m_frame->Windows().size(), 1u);
    EXPECT_TRUE(Run(Cmd::FileDeleteAndClose, v).closeWindow);
    Settle();
    EXPECT_TRUE(m_frame->Windows().empty());
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(m_prompt.questions.empty());
}

TEST_F(FrameEditing, AHeaderlessImportOpensInANewWindow)
{
    const std::string raw = m_dir.File("logger.raw");
    WriteAll(raw, std::vector<unsigned char>(400, 0x80));
    m_prompt.paths.push_back(raw);
    m_cmds->SetDialogDriver([](QDialog&) { return int(QDialog::Accepted); });
    m_cmds->Run(Cmd::ImportHeaderless, nullptr);
    Settle();
    ASSERT_EQ(m_frame->Windows().size(), 1u);
    EXPECT_EQ(m_frame->Windows()[0]->View()->Doc().Path(), raw + ".WAV");
    EXPECT_EQ(m_frame->Windows()[0]->View()->Doc().Frames(), 200u);  // 16-bit mono by default
}

TEST_F(FrameEditing, SettingsFilesCarryTheFilterMultiToolAndKlipSettings)
{
    CFrameEditHost::RegisterSettingsGroups(*m_frame, *m_edit);
    m_edit->filter.lopassFreqHz = 4321;
    m_edit->multiTool.rampOn = 1;
    m_edit->multiTool.endRampMs = 77;
    m_edit->klip.filenameTemplate = "%f %e";
    const std::string set = m_dir.File("field season.set");
    ASSERT_TRUE(m_frame->Files().SaveSettingsFile(set, {"Fixed frequency filter", "Multi tool", "Klip 'n Save"}));
    m_edit->filter = FilterSettings{};
    m_edit->multiTool = MultiToolSettings{};
    m_edit->klip = KlipNSaveSettings{};
    m_frame->Files().LoadSettingsFile(set);
    EXPECT_EQ(m_edit->filter.lopassFreqHz, 4321);
    EXPECT_EQ(m_edit->multiTool.rampOn, 1);
    EXPECT_EQ(m_edit->multiTool.endRampMs, 77);
    EXPECT_EQ(m_edit->klip.filenameTemplate, "%f %e");

    // Exit writes the ramp and noise values of this session.
    m_edit->ramp.beginMs = 42;
    m_edit->noise.noiseAmplitudePct = 7;
    m_frame->SaveExitSettings();
    RampSettings ramp;
    ramp.Load("");
    InsertNoiseSettings noise;
    noise.Load("");
    EXPECT_EQ(ramp.beginMs, 42);
    EXPECT_EQ(noise.noiseAmplitudePct, 7);

    // Groups left unchecked are not in the file.
    const std::string only = m_dir.File("filter only.set");
    ASSERT_TRUE(m_frame->Files().SaveSettingsFile(only, {"Fixed frequency filter"}));
    const auto bytes = ReadAll(only);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("[Filter Details]"), std::string::npos);
    EXPECT_EQ(text.find("[Multi Tool Dialog]"), std::string::npos);
    EXPECT_EQ(text.find("[Klip n Save Settings]"), std::string::npos);
}

// Through the frame, wired as the program wires it: menus, keys, item texts.
TEST_F(FrameEditing, SelectDeleteUndoThroughTheFramesCommands)
{
    m_frame->SetCommandExtension(CFrameEditHost::MakeExtension(*m_cmds, *m_edit));
    CMainFrame& frame = *m_frame;
    const auto orig = Ramp(4000);
    CTavrilView* v = Open(orig);
    ASSERT_NE(v, nullptr);
    QAction* cut = frame.Actions().Command(Cmd::Cut);
    QAction* undo = frame.Actions().Command(Cmd::Undo);
    EXPECT_FALSE(cut->isEnabled());
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(frame.IsEnabled(Cmd::Paste));

    v->Cursors().SetTimeCursors(1000, 3000);
    v->CursorsChanged();
    EXPECT_TRUE(cut->isEnabled());  // its key works as soon as there is a selection
    frame.Dispatch(Cmd::DeleteSelection);
    EXPECT_EQ(v->Doc().Frames(), 2000u);
    EXPECT_EQ(v->Cursors().leftTime, v->Cursors().rightTime);  // selection cleared
    auto deleted = std::vector<int16_t>(orig.begin(), orig.begin() + 1000);
    deleted.insert(deleted.end(), orig.begin() + 3000, orig.end());
    EXPECT_EQ(Samples(v), deleted);
    EXPECT_EQ(ItemTexts(frame, Cmd::Undo), (std::set<std::string>{"Undo Delete\tCtrl+Z"}));
    ASSERT_TRUE(undo->isEnabled());
    undo->trigger();
    Settle();
    EXPECT_EQ(v->Doc().Frames(), 4000u);
    EXPECT_EQ(Samples(v), orig);
    EXPECT_EQ(ItemTexts(frame, Cmd::Undo), (std::set<std::string>{"Redo Delete\tCtrl+Z"}));
    EXPECT_EQ(ItemTexts(frame, Cmd::Copy), (std::set<std::string>{"&Copy Sound\tCtrl+C"}));
    frame.Dispatch(Cmd::Undo);  // redo
    EXPECT_EQ(Samples(v), deleted);
    frame.Dispatch(Cmd::Undo);

    v->Cursors().SetTimeCursors(0, 100);
    v->CursorsChanged();
    frame.Dispatch(Cmd::Copy);
    EXPECT_TRUE(frame.IsEnabled(Cmd::Paste));
    v->Cursors().SetTimeCursors(4000, 4000);
    v->CursorsChanged();
    frame.Dispatch(Cmd::Paste);
    EXPECT_EQ(v->Doc().Frames(), 4100u);
    EXPECT_TRUE(m_prompt.messages.empty());
}

TEST_F(FrameEditing, AnEveryFramePictureFollowsAnEditOfItsSound)
{
    // A minute of rising chirps: many frames per column of the picture.
    std::vector<int16_t> s(22050 * 60);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<int16_t>(7000 * std::sin(0.0004 * double(i % 30000) * double(i % 30000)));
    CTavrilView* v = Open(s);
    ASSERT_NE(v, nullptr);
    ASSERT_TRUE(v->Settings().m_showEveryFrame);
    CViewPane* pane = v->Pane(0);
    const QImage before = pane->RenderPlot();
    v->Cursors().SetTimeCursors(900000, 960000);
    v->CursorsChanged();
    Run(Cmd::Reverse, v);
    const QImage after = pane->RenderPlot();
    EXPECT_NE(after, before);
    CSoundFile& sound = v->Doc().Sound();
    std::vector<uint32_t> pixels;
    ASSERT_GT(RenderSpectrogramPicture(sound, v->Settings(), 0, after.width(), after.height(), pixels), 0);
    sound.Close();
    int differing = 0;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            differing += (after.pixel(x, y) & 0xFFFFFF) != pixels[size_t(y) * after.width() + x];
    EXPECT_EQ(differing, 0);
}

TEST_F(FrameEditing, InputDuringALongEditIsHeldOff)
{
    CTavrilView* v = Open(Ramp(20000));
    ASSERT_NE(v, nullptr);
    auto* w = qobject_cast<CChildFrame*>(v->parentWidget());
    ASSERT_NE(w, nullptr);
    m_engine.SetBlockBytes(1024);
    v->Cursors().SetTimeCursors(100, 200);
    bool closeAccepted = true;
    QString typed;
    m_prompt.onProgress = [&] {
        // A click in the window and a request to close it while the filter writes.
        QCloseEvent close;
        QApplication::sendEvent(w, &close);
        closeAccepted = close.isAccepted();
        QRect plot = v->Pane(0)->PlotRect();
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(plot.right() - 5, plot.center().y()),
                          v->Pane(0)->mapToGlobal(QPointF(plot.right() - 5, plot.center().y())), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(v->Pane(0), &press);
        // A message shown meanwhile still takes its answer.
        QDialog message;
        auto* field = new QLineEdit(&message);
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(field, &key);
        typed = field->text();
    };
    EditOutcome o = Run(Cmd::PresetFilter, v);
    EXPECT_TRUE(o.done);
    EXPECT_FALSE(closeAccepted);
    EXPECT_EQ(m_frame->Windows().size(), 1u);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(v->Cursors().leftTime, 100u);  // the click did not move the cursors
    EXPECT_EQ(typed, "a");
    // Afterwards the window takes input again.
    QCloseEvent close;
    QApplication::sendEvent(w, &close);
    EXPECT_TRUE(close.isAccepted());
}

TEST_F(FrameEditing, ClosingTheLastWindowOfAChangedSoundAsksFirst)
{
    m_frame->SetCommandExtension(CFrameEditHost::MakeExtension(*m_cmds, *m_edit));
    CTavrilView* v = Open(Ramp(1000));
    ASSERT_NE(v, nullptr);
    const std::string path = v->Doc().Path();
    auto* w = qobject_cast<CChildFrame*>(v->parentWidget());
    ASSERT_NE(w, nullptr);
    CChildFrame* twin = m_frame->OpenLinkedWindow(v);
    ASSERT_NE(twin, nullptr);
    Settle();
    m_frame->ActivateWindow(w);
    v->Cursors().SetTimeCursors(0, 500);
    v->CursorsChanged();
    m_frame->Dispatch(Cmd::Trim);
    ASSERT_EQ(v->Doc().Frames(), 500u);
    EXPECT_EQ(twin->View()->Doc().Frames(), 500u);  // every window on the sound follows the edit

    twin->close();  // another window still shows the sound
    Settle();
    EXPECT_TRUE(m_prompt.questions.empty());
    m_prompt.replies = {IPrompt::Reply::Cancel};
    w->close();
    Settle();
    ASSERT_EQ(m_prompt.questions.size(), 1u);
    EXPECT_EQ(m_prompt.questions[0], "Save changes to " + fs::path(path).filename().string() + "?");
    EXPECT_EQ(m_frame->Windows().size(), 1u);
    m_prompt.replies = {IPrompt::Reply::Cancel};
    EXPECT_FALSE(m_frame->close());  // nor does the program close
    EXPECT_EQ(m_frame->Windows().size(), 1u);
    m_prompt.replies = {IPrompt::Reply::Yes};
    EXPECT_TRUE(m_frame->close());
    EXPECT_TRUE(m_frame->Windows().empty());
    EXPECT_EQ(ReadSamples(path).size(), 500u);
}

// Three changed sounds: No for the first, Cancel for the second. Nothing
// closes, and the third is never asked about.
TEST_F(FrameEditing, CancelInTheExitQuestionKeepsEveryWindow)
{
    m_frame->SetCommandExtension(CFrameEditHost::MakeExtension(*m_cmds, *m_edit));
    std::vector<CTavrilView*> views;
    for (int i = 0; i < 3; ++i) {
        CTavrilView* v = Open(Ramp(1000));
        ASSERT_NE(v, nullptr);
        v->Doc().Doc().SetModifiedFlag(true);
        views.push_back(v);
    }
    m_prompt.replies = {IPrompt::Reply::No, IPrompt::Reply::Cancel};
    EXPECT_FALSE(m_frame->close());
    Settle();
    EXPECT_EQ(m_prompt.questions.size(), 2u);
    EXPECT_EQ(m_frame->Windows().size(), 3u);
    EXPECT_TRUE(m_frame->isVisible());
}

// The three "file filter index" keys choose where the file dialogs start.
TEST_F(FrameEditing, FileDialogsStartWithTheStoredFilter)
{
    CTavrilView* v = Open(Ramp(100));
    m_frame->General().openFileFilterIndex = 3;
    m_frame->General().saveAsFileFilterIndex = 2;
    m_frame->General().loadFileFilterIndex = 4;
    m_frame->Dispatch(Cmd::FileOpen);
    Run(Cmd::FileSaveAs, v);
    Run(Cmd::FileLoadInto, v);
    ASSERT_EQ(m_prompt.pathRequests.size(), 3u);  // each cancelled
    EXPECT_EQ(m_prompt.pathRequests[0].filterIndex, 3);
    EXPECT_EQ(m_prompt.pathRequests[1].filterIndex, 2);
    EXPECT_EQ(m_prompt.pathRequests[2].filterIndex, 4);
}

TEST_F(FrameEditing, CancellingASaveInItsProgressWindowKeepsTheFileAndTheEditedSound)
{
    // Two minutes of stereo sound: a save that takes many blocks.
    const uint32_t frames = 22050 * 120;
    std::vector<int16_t> stereo(size_t(frames) * 2);
    const auto tone = Tone(frames, 440.0);
    for (uint32_t i = 0; i < frames; ++i) stereo[2 * size_t(i)] = stereo[2 * size_t(i) + 1] = tone[i];
    CTavrilView* v = Open(stereo, 2);
    ASSERT_NE(v, nullptr);
    const std::string path = v->Doc().Path();
    const auto saved = ReadAll(path);
    v->Cursors().SetTimeCursors(0, 22050);
    v->CursorsChanged();
    ASSERT_TRUE(Run(Cmd::DeleteSelection, v).done);
    const auto edited = Samples(v);
    ASSERT_EQ(edited.size(), size_t(frames - 22050) * 2);

    CQtPrompt qt(m_frame.get());
    m_prompt.realProgress = &qt;
    QString shown;
    bool clicked = false;
    // The progress window runs events while it waits; the first presses Cancel.
    QTimer::singleShot(0, m_frame.get(), [&] {
        auto* progress = m_frame->findChild<QProgressDialog*>();
        if (!progress) return;
        shown = progress->labelText();
        for (QPushButton* b : progress->findChildren<QPushButton*>())
            if (b->text() == "Cancel") {
                b->click();
                clicked = true;
            }
    });
    const EditOutcome o = Run(Cmd::FileSave, v);
    ASSERT_TRUE(clicked) << "no progress window with a Cancel button";
    EXPECT_EQ(shown.toStdString(), "Saving " + fs::path(path).filename().string() + "......");
    EXPECT_FALSE(o.done);
    EXPECT_TRUE(m_cmds->SaveWasCancelled());
    EXPECT_EQ(m_frame->findChild<QProgressDialog*>(), nullptr) << "the progress window is gone";
    EXPECT_TRUE(m_prompt.messages.empty()) << m_prompt.messages[0];
    EXPECT_EQ(ReadAll(path), saved);
    // The window still shows the edited sound, still modified, with its undo.
    EXPECT_EQ(v->Doc().Frames(), frames - 22050);
    EXPECT_EQ(Samples(v), edited);
    EXPECT_TRUE(v->Doc().Doc().IsModified());
    EXPECT_TRUE(v->Doc().Doc().CanUndo());
    EXPECT_EQ(m_frame->Windows().size(), 1u);
    // Only the folder of the working copies is hidden there.
    for (const auto& e : fs::directory_iterator(fs::path(path).parent_path())) {
        if (e.path().filename() != ".tavril") {
            EXPECT_NE(e.path().filename().string()[0], '.') << "a temporary file was left: " << e.path();
        }
    }

    // Left alone, the same window saves the edited sound.
    ASSERT_TRUE(Run(Cmd::FileSave, v).done);
    EXPECT_EQ(ReadSamples(path), edited);
    EXPECT_FALSE(v->Doc().Doc().IsModified());
    m_prompt.realProgress = nullptr;
}

TEST_F(FrameEditing, AnnotationCommandsGoFirstAndSavedSoundsAreLogged)
{
    CAnnotationCommands annotations(*m_frame, m_prompt);
    m_frame->SetCommandExtension(annotations.Chain(CFrameEditHost::MakeExtension(*m_cmds, *m_edit)));
    annotations.Logger().Settings().logfileName = m_dir.File("run.log");
    m_frame->Dispatch(Cmd::LogBegin);
    CTavrilView* v = Open(Tone(4000, 440.0));
    v->Cursors().SetTimeCursors(100, 200);
    v->CursorsChanged();
    m_frame->Dispatch(Cmd::Cut);  // an editing command still reaches the editing commands
    EXPECT_EQ(v->Doc().Frames(), 3900u);
    m_frame->Dispatch(Cmd::FileSave);
    Settle();
    EXPECT_FALSE(v->Doc().Doc().IsModified());
    std::ifstream in(m_dir.File("run.log"), std::ios::binary);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "selected:\t" + fs::path(v->Doc().Path()).filename().string() + "\tsaved:\t" + v->Doc().Path() +
                        "\r");
    m_frame->SetCommandExtension({});
}

} // namespace
