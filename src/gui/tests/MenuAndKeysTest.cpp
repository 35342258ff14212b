// The menus, keys and toolbar the main window really shows, against the command table.
#include "frame/CCommandActions.h"
#include "frame/CChildFrame.h"
#include "frame/CHelpWindow.h"
#include "view/CTavrilView.h"
#include "GuiTestSupport.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QToolBar>
#include <QUrl>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace tavril;
using namespace tavril::test;

namespace {

using MenuAndKeys = FrameTest;

QStringList TopTitles(QMainWindow& w) {
    QStringList t;
    for (QAction* a : w.menuBar()->actions())
        t << a->text();
    return t;
}

// Visible items of a menu, separators and submenus included as "-" and ">name".
QStringList Items(QMenu* m) {
    QStringList t;
    for (QAction* a : m->actions()) {
        if (!a->isVisible())
            continue;
        if (a->isSeparator())
            t << "-";
        else if (a->menu())
            t << ">" + a->text();
        else
            t << a->text();
    }
    return t;
}

QMenu* Top(QMainWindow& w, const QString& title) {
    for (QAction* a : w.menuBar()->actions())
        if (a->text() == title)
            return a->menu();
    return nullptr;
}

// Whether some menu item of `id` reads `text`.
bool HasItem(CMainFrame& frame, Cmd id, const QString& text) {
    for (QAction* a : frame.Actions().MenuItems(id))
        if (a->text() == text)
            return true;
    return false;
}

} // namespace

TEST_F(MenuAndKeys, ShortBarUntilASoundWindowOpens) {
    CMainFrame& frame = *m_frame;
    EXPECT_EQ(TopTitles(frame), (QStringList{"&File", "&View", "&Options", "&Help"}));
    EXPECT_EQ(Items(Top(frame, "&File")),
              (QStringList{"&New\tCtrl+N", "&Open...\tCtrl+O", "-", "P&rint Setup...", "-", "Recent File", "-",
                           "E&xit"}));
    // A view-only command does nothing without a window.
    EXPECT_FALSE(frame.Actions().Command(Cmd::Trim)->isEnabled());
    EXPECT_FALSE(frame.Actions().Command(Cmd::CursorHome)->isEnabled());
    frame.Dispatch(Cmd::CursorHome);  // must not crash or open anything
    EXPECT_TRUE(frame.Windows().empty());

    std::string wav = ToneFile("a.wav", 22050);
    ASSERT_NE(frame.OpenSoundFile(wav), nullptr);
    EXPECT_EQ(TopTitles(frame), (QStringList{"&File", "&Edit", "&View", "&User-Menu", "&Options", "&Tools",
                                             "Lo&g File", "&Playback", "Window", "&Help"}));
    frame.Windows().front()->close();
    Settle();
    EXPECT_EQ(TopTitles(frame), (QStringList{"&File", "&View", "&Options", "&Help"}));
}

TEST_F(MenuAndKeys, EveryTableRowIsShownInItsMenuInOrder) {
    CMainFrame& frame = *m_frame;
    std::string wav = ToneFile("a.wav", 22050);
    ASSERT_NE(frame.OpenSoundFile(wav), nullptr);
    for (MenuKind kind : {MenuKind::Short, MenuKind::Full, MenuKind::Context, MenuKind::Insertion}) {
        // Rebuild the expected item lists per menu path from the table.
        std::map<QString, QStringList> expected;
        for (const MenuRow& r : MenuRows()) {
            if (r.menu != kind)
                continue;
            QString path = QString::fromLatin1(r.path);
            int bar = path.lastIndexOf('|');
            if (bar >= 0 || (!path.isEmpty() && (kind == MenuKind::Context || kind == MenuKind::Insertion))) {
                QString parent = bar >= 0 ? path.left(bar) : QString();
                QString sub = ">" + (bar >= 0 ? path.mid(bar + 1) : path);
                if (!expected[parent].contains(sub))
                    expected[parent] << sub;
            }
            if (r.id == Cmd::RecentFileList || r.id == Cmd::UserMenuList)
                continue;  // run-time lists, checked separately
            expected[path] << (r.id == Cmd::None ? QString("-") : QString::fromLatin1(r.text));
        }
        if (kind == MenuKind::Context) {  // the insertion menu opens from its end
            expected[QString()] << "-" << ">&Insert";
            for (const MenuRow& r : MenuRows())
                if (r.menu == MenuKind::Insertion)
                    expected["&Insert"] << QString::fromLatin1(r.text);
        }
        auto check = [&](auto&& self, QMenu* menu, const QString& path) -> void {
            ASSERT_NE(menu, nullptr) << path.toStdString();
            QStringList shown;
            for (QAction* a : menu->actions()) {
                if (a->isSeparator())
                    shown << "-";
                else if (a->menu()) {
                    shown << ">" + a->text();
                    self(self, a->menu(), path.isEmpty() ? a->text() : path + "|" + a->text());
                } else if (a->data().isValid() && (a->data().toInt() == static_cast<int>(Cmd::RecentFileList) ||
                                                    a->data().toInt() == static_cast<int>(Cmd::UserMenuList)))
                    continue;
                else if (a->data().isValid())
                    shown << a->text();
            }
            EXPECT_EQ(shown, expected[path]) << "menu " << path.toStdString();
        };
        if (kind == MenuKind::Short || kind == MenuKind::Full) {
            for (QMenu* m : frame.Actions().Bar(kind))
                check(check, m, m->title());
        } else {
            check(check, frame.Actions().Popup(kind), QString());
        }
    }
}

TEST_F(MenuAndKeys, ItemsCarryPromptsAndCommandsCarryKeys) {
    CMainFrame& frame = *m_frame;
    for (const CommandInfo& info : CommandInfos()) {
        QAction* a = frame.Actions().Command(info.id);
        ASSERT_NE(a, nullptr) << info.name;
        QStringList want;
        for (const std::string& k : KeysFor(info.id))
            want << QString::fromStdString(k);
        QStringList have;
        for (const QKeySequence& k : a->shortcuts())
            if (!k.toString(QKeySequence::PortableText).endsWith("Enter"))  // the keypad's, beside Return
                have << k.toString(QKeySequence::PortableText);
        EXPECT_EQ(have, want) << info.name;
        for (QAction* item : frame.Actions().MenuItems(info.id))
            EXPECT_EQ(item->statusTip().toStdString(), PromptStatusText(info)) << info.name;
    }
    EXPECT_EQ(frame.Actions().Command(Cmd::Undo)->shortcuts().size(), 2);
}

TEST_F(MenuAndKeys, ToolbarInOrder) {
    CMainFrame& frame = *m_frame;
    auto* bar = frame.findChild<QToolBar*>("mainToolBar");
    ASSERT_NE(bar, nullptr);
    QStringList shown;
    for (QAction* a : bar->actions())
        shown << (a->isSeparator() ? QString("-") : a->toolTip());
    EXPECT_EQ(shown, (QStringList{"New", "Open", "Save", "-", "Cut", "Copy", "Paste Insert", "-", "Print", "About"}));
}

TEST_F(MenuAndKeys, StatusBarSaysReadyAndHideCursorsRenamesItsItem) {
    CMainFrame& frame = *m_frame;
    EXPECT_EQ(frame.StatusText(), "Ready");
    std::string wav = ToneFile("a.wav", 22050);
    ASSERT_NE(frame.OpenSoundFile(wav), nullptr);
    frame.Dispatch(Cmd::HideCursors);
    EXPECT_TRUE(HasItem(frame, Cmd::HideCursors, "Make Cursors Viewable\tShift+H"));
    EXPECT_EQ(frame.StatusText(), "Ready");  // hidden cursors have no readout
    frame.Dispatch(Cmd::HideCursors);
    for (QAction* a : frame.Actions().MenuItems(Cmd::HideCursors)) {
        if (qobject_cast<QMenu*>(a->parent())) {
            EXPECT_EQ(a->text(), "&Hide All Cursors\tShift+H");
        }
    }
}

TEST_F(MenuAndKeys, RecentFilesKeepSixteenMostRecentFirst) {
    CMainFrame& frame = *m_frame;
    std::vector<std::string> paths;
    for (int i = 0; i < 18; ++i) {
        paths.push_back(ToneFile("s" + std::to_string(i) + ".wav", 100));
        ASSERT_NE(frame.OpenSoundFile(paths.back()), nullptr);
    }
    ASSERT_EQ(frame.Recent().files.size(), 16u);
    EXPECT_EQ(frame.Recent().files.front(), paths[17]);
    EXPECT_EQ(frame.Recent().files.back(), paths[2]);
    frame.OpenSoundFile(paths[5]);  // reopening moves it to the top, once
    EXPECT_EQ(frame.Recent().files.front(), paths[5]);
    EXPECT_EQ(std::count(frame.Recent().files.begin(), frame.Recent().files.end(), paths[5]), 1);
    QStringList shown = Items(Top(frame, "&File"));
    EXPECT_TRUE(shown.contains(QString("&1 %1").arg(QString::fromStdString(paths[5]))));
    EXPECT_FALSE(shown.contains("Recent File"));
}

TEST_F(MenuAndKeys, SoundWindowsAddNoKeysOfTheirOwn) {
    // The toolkit's window menu binds Ctrl+W, which would make the table's Ctrl+W ambiguous.
    CMainFrame& frame = *m_frame;
    std::string wav = ToneFile("a.wav");
    CChildFrame* w = frame.OpenSoundFile(wav);
    ASSERT_NE(w, nullptr);
    for (QAction* a : w->systemMenu()->actions())
        EXPECT_TRUE(a->shortcuts().isEmpty()) << a->text().toStdString();
}

TEST_F(MenuAndKeys, CommandsCarriedOutElsewhereAreAskedFirst) {
    CMainFrame& frame = *m_frame;
    std::vector<Cmd> ran;
    frame.SetCommandExtension(CommandExtension{
        [](Cmd id) { return id == Cmd::Trim; },
        [](Cmd, CTavrilView* v) { return v != nullptr; },
        [](Cmd, CTavrilView*) { return QString("&Trim It\tCtrl+T"); },
        [&](Cmd id, CTavrilView* v) {
            if (v)
                ran.push_back(id);
        },
        nullptr,
    });
    EXPECT_FALSE(frame.IsEnabled(Cmd::Trim));
    frame.OpenSoundFile(ToneFile("a.wav"));
    EXPECT_TRUE(frame.IsEnabled(Cmd::Trim));  // the table says later; the extension decides
    frame.Dispatch(Cmd::Trim);
    EXPECT_EQ(ran, std::vector<Cmd>{Cmd::Trim});
    EXPECT_TRUE(HasItem(frame, Cmd::Trim, "&Trim It\tCtrl+T"));
}

TEST_F(MenuAndKeys, KeypadEnterActsAsEnter) {
    CMainFrame& frame = *m_frame;
    int ran = 0;
    frame.SetCommandExtension(CommandExtension{[](Cmd id) { return id == Cmd::EditSelectionAnnotation; },
                                               [](Cmd, CTavrilView*) { return true; }, nullptr,
                                               [&](Cmd, CTavrilView*) { ++ran; }, nullptr});
    CChildFrame* w = frame.OpenSoundFile(ToneFile("a.wav"));
    QApplication::setActiveWindow(&frame);
    w->View()->setFocus();
    QTest::keyClick(w->View(), Qt::Key_Return);
    ASSERT_EQ(ran, 1);
    QTest::keyClick(w->View(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(ran, 2);
}

TEST_F(MenuAndKeys, TypedCharactersGoToTrialKeysThenPlayKeysThenTheLogfile) {
    CMainFrame& frame = *m_frame;
    std::string order;
    CTavrilView* played = nullptr;
    frame.SetTypedCharacterHandlers(TypedCharacterHandlers{
        [&](char c) {
            order += 't';
            return c == 'b';  // the trial's begin key
        },
        [&](CTavrilView* v) {
            order += 'p';
            played = v;
            return true;
        },
        [&](char c) {
            order += 'l';
            return c == 'x';
        },
    });
    ToneFile("a.wav", 500);
    CChildFrame* first = frame.OpenSoundFile(m_dir.File("a.wav"));
    CChildFrame* second = frame.OpenSoundFile(m_dir.File("a.wav"));
    for (CChildFrame* w : {first, second}) {
        WindowDisplaySettings s = w->View()->Settings();
        s.m_usePlayKey = true;
        s.m_playKeyValue = "k";
        w->View()->SetSettings(s);
    }
    EXPECT_TRUE(frame.OfferTypedCharacter('b'));
    EXPECT_EQ(order, "t");
    EXPECT_TRUE(frame.OfferTypedCharacter('k'));
    EXPECT_EQ(order, "ttp");
    EXPECT_EQ(played, first->View());  // the first window of the list plays
    EXPECT_TRUE(frame.OfferTypedCharacter('x'));
    EXPECT_FALSE(frame.OfferTypedCharacter('q'));
    EXPECT_EQ(order, "ttptltl");
    // Typed into a sound window, a character takes the same way.
    order.clear();
    QApplication::setActiveWindow(&frame);
    second->View()->setFocus();
    QTest::keyClick(second->View(), Qt::Key_X);
    EXPECT_EQ(order, "tl");
    QTest::keyClick(second->View(), Qt::Key_Q);  // nobody takes it: offered once all the same
    EXPECT_EQ(order, "tltl");
}

TEST_F(MenuAndKeys, DroppedFilesOpen) {
    CMainFrame& frame = *m_frame;
    ToneFile("a.wav", 500);
    ToneFile("b.wav", 500);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(m_dir.File("a.wav"))),
                  QUrl::fromLocalFile(QString::fromStdString(m_dir.File("b.wav"))),
                  QUrl(QStringLiteral("https://example.invalid/c.wav"))});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &drop);
    ASSERT_EQ(frame.Windows().size(), 2u);  // the remote one is not a file here
    EXPECT_EQ(frame.Windows()[1]->View()->Doc().Title(), "b.wav");
}

namespace tavril::test {
namespace {

TEST_F(FrameTest, HelpListsEveryCommandWithItsPlaceKeysAndPromptAfterAFirstHourGuide) {
    m_frame->Dispatch(Cmd::HelpTopics);
    auto* help = m_frame->findChild<CHelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_FALSE(help->isModal()) << "the help stays open beside the work";
    const QString text = help->PlainText();
    for (const char* step : {"Open.", "Measure.", "Annotate.", "Record.", "Detect."})
        EXPECT_TRUE(text.contains(step)) << step;
    // Rows as the menus and key table present them.
    const struct { const char* where; const char* keys; const char* prompt; } rows[] = {
        {"Menu > File > Print Window(s)", "Ctrl+P", "Print the active window, or entire display"},
        {"Menu > Tools > Annotation > General Annotation Settings", "", ""},
        {"Sound window's menu (right button) > Delete File and Load Next in Series", "Alt+Shift+D", ""},
        {"", "Ctrl+G", "Go to a time in the sound file"},
        {"Menu > Edit > Undo", "Ctrl+Z, Alt+Backspace", "Undo the last action"},
    };
    for (const auto& r : rows) {
        EXPECT_TRUE(text.contains(r.where)) << r.where;
        EXPECT_TRUE(text.contains(r.keys)) << r.keys;
        EXPECT_TRUE(text.contains(r.prompt)) << r.prompt;
    }
    // Every status prompt of the table is somewhere in the text.
    for (const CommandInfo& info : CommandInfos()) {
        if (info.id != Cmd::RecentFileList && info.id != Cmd::UserMenuList) {
            EXPECT_TRUE(text.contains(QString::fromStdString(PromptStatusText(info)))) << info.name;
        }
    }
    // F1 again brings the same window forward.
    m_frame->Dispatch(Cmd::HelpTopics);
    EXPECT_EQ(m_frame->findChildren<CHelpWindow*>().size(), 1);
}

} // namespace
} // namespace tavril::test
