// Annotations in a sound window: boxes logged from a drag, drawn, picked,
// stepped through and deleted; imported tables drawn where they belong; the
// logfile commands reaching the logger.
#include "annotate/AnnotationDialogs.h"
#include "annotate/CAnnotationCommands.h"
#include "SettingsStore.h"
#include "frame/CChildFrame.h"
#include "frame/CCommandActions.h"
#include "view/CTavrilView.h"
#include "GuiTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QtTest/QTest>
#include <filesystem>
#include <functional>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace tavril;
using namespace tavril::test;

namespace {

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

int Count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

std::string Fmt(const char* f, double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}

class AnnotationWindow : public FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        m_ann = std::make_unique<CAnnotationCommands>(*m_frame, m_prompt);
        m_frame->SetCommandExtension(m_ann->Chain({}));
        TypedCharacterHandlers typed;
        typed.logKeys = [this](char c) { return m_ann->OfferKey(c); };
        m_frame->SetTypedCharacterHandlers(typed);
        m_ann->SetDialogDriver([this](QDialog& d) {
            m_shown.push_back(d.windowTitle().toStdString());
            if (m_fill) return m_fill(d);
            if (auto* c = dynamic_cast<CDlgEnterComment*>(&d)) c->CommentField()->setText(QString::fromStdString(m_comment));
            return int(QDialog::Accepted);
        });
    }
    void TearDown() override { m_frame->SetCommandExtension({}); }
    // A two-second tone shown through a metafile that links `log`.
    CTavrilView* OpenAnnotated()
    {
        ToneFile("s.wav", 44100, 2000.0);
        m_log = m_dir.File("s.log");
        std::ofstream(m_dir.File("s metafile.txt")) << "annotationfile=s.log\ns.wav\n";
        CChildFrame* w = m_frame->OpenSoundFile(m_dir.File("s metafile.txt"));
        EXPECT_NE(w, nullptr);
        w->resize(600, 300);
        Settle();
        return w->View();
    }
    void Drag(CTavrilView* v, QPoint from, QPoint to)
    {
        CViewPane* pane = v->Pane(0);
        QTest::mousePress(pane, Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(pane, to);
        QTest::mouseRelease(pane, Qt::LeftButton, Qt::NoModifier, to);
    }
    QRgb PixelAt(CTavrilView* v, QPoint p) { return v->Pane(0)->grab().toImage().pixel(p) & 0xFFFFFF; }

    std::unique_ptr<CAnnotationCommands> m_ann;
    std::vector<std::string> m_shown;              // titles of the dialogs shown
    std::function<int(QDialog&)> m_fill;           // fills a dialog in instead of the default
    std::string m_comment = "song";
    std::string m_log;
};

} // namespace

TEST_F(AnnotationWindow, ADraggedBoxIsLoggedDrawnSteppedAndDeleted)
{
    CTavrilView* v = OpenAnnotated();
    const QRect plot = v->Pane(0)->PlotRect();
    Drag(v, plot.topLeft() + QPoint(50, 40), plot.topLeft() + QPoint(250, 140));
    const std::string readout = m_frame->StatusText().toStdString();
    m_frame->Dispatch(Cmd::EditSelectionAnnotation);

    AnnotationFile& file = v->Doc().Doc().Annotations();
    ASSERT_EQ(file.Count(), 1u);
    const AnnotationRecord& r = *file.At(0);
    // The record reads back as exactly what the readout showed at the drag.
    EXPECT_EQ(readout, "Freq(KHz): Upper=" + Fmt("%1.5f", r.TopHz() / 1000) + "  Lower=" +
                           Fmt("%1.5f", r.BottomHz() / 1000) + "  DifF=" + Fmt("%1.5f", (r.TopHz() - r.BottomHz()) / 1000) +
                           "Time(sec): Left=" + Fmt("%2.4lf", r.LeftSec()) + "  Right=" + Fmt("%2.4lf", r.RightSec()) +
                           "  DifT=" + Fmt("%2.4lf", r.RightSec() - r.LeftSec()));
    EXPECT_EQ(r.LeftSec() * 22050.0, double(v->Cursors().leftTime));
    EXPECT_EQ(r.TopHz(), v->Cursors().upper);
    EXPECT_EQ(r.Comment(), "song");
    EXPECT_EQ(Count(Slurp(m_log), "\tsong\t"), 1);

    // A new box is the selected one; a click elsewhere deselects it (blue),
    // a click inside selects it again (red).
    EXPECT_EQ(v->SelectedAnnotation(), &r);
    const QPoint onTopEdge = plot.topLeft() + QPoint(100, 40);
    QTest::mouseClick(v->Pane(0), Qt::LeftButton, Qt::NoModifier, plot.topLeft() + QPoint(400, 200));
    EXPECT_EQ(v->SelectedAnnotation(), nullptr);
    EXPECT_EQ(PixelAt(v, onTopEdge), 0x0000FFu);
    QTest::mouseClick(v->Pane(0), Qt::LeftButton, Qt::NoModifier, plot.topLeft() + QPoint(150, 90));
    EXPECT_EQ(v->SelectedAnnotation(), &r);
    EXPECT_EQ(PixelAt(v, onTopEdge), 0xFF0000u);

    m_comment = "call";
    Drag(v, plot.topLeft() + QPoint(300, 60), plot.topLeft() + QPoint(350, 90));
    m_frame->Dispatch(Cmd::EditSelectionAnnotation);
    ASSERT_EQ(file.Count(), 2u);
    m_frame->Dispatch(Cmd::PrevAnnotation);
    EXPECT_EQ(v->SelectedAnnotation(), file.At(0));
    m_frame->Dispatch(Cmd::NextAnnotation);
    EXPECT_EQ(v->SelectedAnnotation(), file.At(1));

    m_prompt.replies.push_back(IPrompt::Reply::Yes);
    m_frame->Dispatch(Cmd::DeleteSelectedAnnotation);
    ASSERT_EQ(m_prompt.questions.size(), 1u);
    EXPECT_EQ(m_prompt.questions[0], "Delete this annotation?");
    ASSERT_EQ(file.Count(), 1u);
    EXPECT_EQ(v->SelectedAnnotation(), file.At(0));
    const std::string onDisk = Slurp(m_log);
    EXPECT_EQ(Count(onDisk, "an:\t"), 1);
    EXPECT_EQ(Count(onDisk, "\tcall\t"), 0);
}

TEST_F(AnnotationWindow, ARavenTableBesideTheSoundIsImportedAndDrawnOverItsPixels)
{
    ToneFile("dawn.wav", 44100, 2000.0);
    std::ofstream(m_dir.File("dawn.Table.1.selections.txt"))
        << "Selection\tView\tChannel\tBegin Time (s)\tEnd Time (s)\tLow Freq (Hz)\tHigh Freq (Hz)\tSpecies\n"
           "1\tSpectrogram 1\t1\t0.5\t1.5\t2000\t6000\tWOTH\n";
    m_prompt.replies.push_back(IPrompt::Reply::Yes);
    CChildFrame* w = m_frame->OpenSoundFile(m_dir.File("dawn.wav"));
    ASSERT_NE(w, nullptr);
    w->resize(600, 300);
    Settle();
    CTavrilView* v = w->View();
    ASSERT_EQ(m_prompt.questions.size(), 1u);
    ASSERT_EQ(v->Doc().Doc().Annotations().Count(), 1u);
    EXPECT_TRUE(std::filesystem::exists(m_dir.File("dawn annotations.log")));

    // Stretch scale: 44100 frames over the plot's columns, one column after
    // its left edge; 0 ... 11025 Hz over its height.
    const QRect plot = v->Pane(0)->PlotRect();
    const double spp = 44100.0 / plot.width(), h = plot.height() - 1;
    const int x0 = plot.left() + 1 + int(std::trunc(0.5 * 22050 / spp));
    const int x1 = plot.left() + 1 + int(std::trunc(1.5 * 22050 / spp));
    const int yTop = plot.bottom() - int(std::trunc(6000 * h / 11025));
    const int yBottom = plot.bottom() - int(std::trunc(2000 * h / 11025));
    const QImage img = v->Pane(0)->grab().toImage();
    const int xm = (x0 + x1) / 2, ym = (yTop + yBottom) / 2;
    for (QPoint p : {QPoint(x0, ym), QPoint(x1, ym), QPoint(xm, yTop), QPoint(xm, yBottom)})
        EXPECT_EQ(img.pixel(p) & 0xFFFFFF, 0x0000FFu) << p.x() << "," << p.y();
    EXPECT_NE(img.pixel(x0 - 1, ym) & 0xFFFFFF, 0x0000FFu);
    EXPECT_NE(img.pixel(xm, yTop - 1) & 0xFFFFFF, 0x0000FFu);
}

TEST_F(AnnotationWindow, LogfileCommandsAndViewerReachTheCore)
{
    CTavrilView* v = OpenAnnotated();
    std::vector<std::vector<std::string>> launched;
    m_ann->SetLauncher([&](const std::vector<std::string>& argv) {
        launched.push_back(argv);
        return true;
    });
    m_frame->Dispatch(Cmd::ViewAnnotationFile);
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0], (std::vector<std::string>{"xdg-open", m_log}));

    m_ann->Logger().Settings().logfileName = m_dir.File("session");
    m_ann->Logger().Keys().Set(U'b', "bird flew off");
    m_frame->Dispatch(Cmd::LogBegin);
    EXPECT_TRUE(m_ann->Logger().IsOn());
    m_frame->UpdateCommandStates();
    const auto items = m_frame->Actions().MenuItems(Cmd::LogBegin);
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items[0]->text().toStdString(), "Stop Logging Data\tAlt+L");
    m_comment = "first note";
    m_frame->Dispatch(Cmd::LogComment);
    EXPECT_TRUE(m_frame->OfferTypedCharacter('b'));
    const std::string log = Slurp(m_dir.File("session.txt"));
    EXPECT_EQ(Count(log, "first note\r\n"), 1) << log;
    EXPECT_EQ(Count(log, "\t\tbird flew off\r\n"), 1) << log;
    m_prompt.replies.push_back(IPrompt::Reply::Yes);
    m_frame->Dispatch(Cmd::LogClear);
    EXPECT_EQ(Slurp(m_dir.File("session.txt")), "");
    (void)v;
}

TEST_F(AnnotationWindow, EditRedefineAndTheLogActionWithoutABox)
{
    CTavrilView* v = OpenAnnotated();
    const QRect plot = v->Pane(0)->PlotRect();
    Drag(v, plot.topLeft() + QPoint(50, 40), plot.topLeft() + QPoint(250, 140));
    m_frame->Dispatch(Cmd::EditSelectionAnnotation);
    AnnotationFile& file = v->Doc().Doc().Annotations();
    ASSERT_EQ(file.Count(), 1u);

    m_fill = [](QDialog& d) {
        auto* e = dynamic_cast<CDlgEditAnnotation*>(&d);
        if (!e) return int(QDialog::Rejected);
        e->CommentField()->setText(QStringLiteral("trill"));
        e->StartField()->setValue(0.25);
        return int(QDialog::Accepted);
    };
    m_frame->Dispatch(Cmd::EditAnnotation);
    EXPECT_EQ(file.At(0)->Comment(), "trill");
    EXPECT_EQ(file.At(0)->LeftSec(), 0.25);
    EXPECT_EQ(Count(Slurp(m_log), "\t0.250000\t"), 1);

    // Armed, the next log action moves the selected box to the cursors.
    m_fill = nullptr;
    m_frame->Dispatch(Cmd::RedefineAnnotationBox);
    Drag(v, plot.topLeft() + QPoint(300, 60), plot.topLeft() + QPoint(350, 90));
    const size_t dialogs = m_shown.size();
    m_frame->Dispatch(Cmd::EditSelectionAnnotation);
    ASSERT_EQ(file.Count(), 1u);
    EXPECT_EQ(m_shown.size(), dialogs);  // no comment asked for a re-definition
    EXPECT_EQ(file.At(0)->LeftSec(), v->Cursors().leftTime / 22050.0);
    EXPECT_EQ(file.At(0)->Comment(), "trill");

    // Hidden cursors are no box: with a selected annotation, Enter edits it.
    QTest::mouseClick(v->Pane(0), Qt::LeftButton, Qt::NoModifier, plot.topLeft() + QPoint(320, 70));
    ASSERT_NE(v->SelectedAnnotation(), nullptr);
    m_frame->Dispatch(Cmd::HideCursors);
    m_fill = [](QDialog&) { return int(QDialog::Rejected); };
    m_frame->Dispatch(Cmd::EditSelectionAnnotation);
    EXPECT_EQ(m_shown.back(), "Edit Annotataion Entry");
    EXPECT_EQ(file.Count(), 1u);
}

TEST_F(AnnotationWindow, TheWizardLinksASoundAndSettingsReachTheLogAction)
{
    const std::string sound = ToneFile("night.wav", 22050, 1000.0);
    m_fill = [&](QDialog& d) {
        auto* w = dynamic_cast<CDlgAnnotationSetupWiz*>(&d);
        if (!w) return int(QDialog::Rejected);
        EXPECT_FALSE(w->Check());
        w->SoundField()->setText(QString::fromStdString(m_dir.File("none.wav")));
        w->NameField()->setText(QStringLiteral("night"));
        EXPECT_FALSE(w->Check());
        w->SoundField()->setText(QString::fromStdString(sound));
        return int(w->Check() ? QDialog::Accepted : QDialog::Rejected);
    };
    m_prompt.replies.push_back(IPrompt::Reply::Yes);
    m_frame->Dispatch(Cmd::AddAnnotationLink);
    ASSERT_GE(m_prompt.messages.size(), 4u);
    EXPECT_EQ(m_prompt.messages[0], "You need to enter at least the sound file and annotation file names!");
    EXPECT_EQ(m_prompt.messages[1], "The sound file entered does not exist!");
    EXPECT_EQ(m_prompt.messages.back().rfind("ANNOTATION LINK CREATION SUCCESSFUL!", 0), 0u);
    CTavrilView* v = m_frame->ActiveView();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Doc().Path(), m_dir.File("night metafile.txt"));
    EXPECT_EQ(v->Doc().Doc().AnnotationPath(), m_dir.File("night.log"));

    m_fill = [](QDialog& d) {
        auto* s = dynamic_cast<CDlgAnnotationSettings*>(&d);
        if (!s) return int(QDialog::Rejected);
        s->Box(0)->setChecked(false);  // "Request comment/notes"
        return int(QDialog::Accepted);
    };
    m_frame->Dispatch(Cmd::AnnotationSettings);
    EXPECT_EQ(SettingsStore::ReadSettingInt("", "Annotation settings", "Request comment", -1), 0);
    const QRect plot = v->Pane(0)->PlotRect();
    Drag(v, plot.topLeft() + QPoint(50, 40), plot.topLeft() + QPoint(250, 140));
    const size_t dialogs = m_shown.size();
    m_frame->Dispatch(Cmd::EditSelectionAnnotation);
    EXPECT_EQ(m_shown.size(), dialogs);
    EXPECT_EQ(v->Doc().Doc().Annotations().Count(), 1u);
}

TEST_F(AnnotationWindow, ReloadExportAndDeleteAndLoadNext)
{
    CTavrilView* v = OpenAnnotated();
    // Another program changed the file: F4 shows its boxes.
    std::ofstream(m_log) << "an:\ts.wav\t1\t0.1\t0.2\t3000\t1000\tfrom outside\t\n";
    QTest::keyClick(v, Qt::Key_F4);
    AnnotationFile& file = v->Doc().Doc().Annotations();
    ASSERT_EQ(file.Count(), 1u);
    EXPECT_EQ(file.At(0)->Comment(), "from outside");

    m_prompt.paths.push_back(m_dir.File("s.Table.1.selections.txt"));
    m_frame->Dispatch(Cmd::ExportAnnotations);
    EXPECT_EQ(Slurp(m_dir.File("s.Table.1.selections.txt")),
              "Selection\tView\tChannel\tBegin Time (s)\tEnd Time (s)\tLow Freq (Hz)\tHigh Freq (Hz)\tAnnotation"
              "\tBegin File\n1\tSpectrogram 1\t1\t0.100000\t0.200000\t1000.0\t3000.0\tfrom outside\ts.wav\n");

    // Alt+Shift+D: the next file of the folder replaces the deleted one.
    const std::string a = ToneFile("a1.wav"), b = ToneFile("a2.wav");
    CChildFrame* w = m_frame->OpenSoundFile(a);
    ASSERT_NE(w, nullptr);
    Settle();
    m_frame->Dispatch(Cmd::DeleteAndLoadNext);
    EXPECT_FALSE(std::filesystem::exists(a));
    EXPECT_EQ(w->View()->Doc().Path(), b);
}
