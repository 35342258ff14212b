// Snapping, resizing, rearranging and fitting windows.
#include "frame/CChildFrame.h"
#include "GuiTestSupport.h"
#include "TestSupport.h"
#include "frame/WindowLayout.h"

#include <QMdiArea>
#include <QMouseEvent>
#include <QtTest/QTest>
#include <memory>
#include <string>
#include "view/CTavrilView.h"
#include <gtest/gtest.h>

using namespace tavril;
using namespace tavril::test;

TEST(WindowLayout, SnapToGrid) {
    struct Row { LayoutRect in; int clientW, clientH; bool h; int hSize; bool v; LayoutRect want; };
    const Row rows[] = {
        {{450, 130, 180, 90}, 2000, 2000, true, 200, true, {400, 100, 200, 100}},  // the worked example
        {{450, 950, 100, 100}, 2000, 950, true, 200, true, {600, 0, 200, 100}},    // past the bottom: top, one width right
        {{950, 130, 100, 100}, 900, 2000, true, 200, true, {0, 200, 200, 100}},    // past the right: left, one height down
        {{-30, 130, 180, 90}, 2000, 2000, true, 1, true, {0, 100, 180, 100}},      // size 1 leaves x alone; negatives are 0
        {{33, 44, 55, 66}, 2000, 2000, false, 200, false, {33, 44, 55, 66}},       // snapping off
    };
    for (const Row& r : rows)
        EXPECT_EQ(SnapToGrid(r.in, r.clientW, r.clientH, r.h, r.hSize, r.v, 100), r.want) << r.in.x << "," << r.in.y;
}

TEST(WindowLayout, ResizeAllKeepsPositions) {
    std::vector<LayoutRect> r = {{0, 0, 100, 50}, {200, 10, 300, 80}, {50, 300, 10, 10}};
    auto h = ResizeAllTo(r, 1, true, false);
    EXPECT_EQ(h[0], (LayoutRect{0, 0, 100, 80}));
    EXPECT_EQ(h[2], (LayoutRect{50, 300, 10, 80}));
    EXPECT_EQ(h[1], r[1]);
    auto w = ResizeAllTo(r, 0, false, true);
    EXPECT_EQ(w[1], (LayoutRect{200, 10, 100, 80}));
}

TEST(WindowLayout, RearrangePacksRowsAndColumns) {
    // Two rows: a ragged top row and one window below.
    std::vector<LayoutRect> r = {{400, 5, 150, 60}, {10, 0, 200, 100}, {30, 300, 100, 40}};
    auto out = Rearrange(r);
    EXPECT_EQ(out[1], (LayoutRect{0, 0, 200, 100}));
    EXPECT_EQ(out[0], (LayoutRect{200, 0, 150, 60}));    // column 1 starts after the widest of column 0
    EXPECT_EQ(out[2], (LayoutRect{0, 100, 100, 40}));    // row 1 starts below the tallest of row 0
}

TEST(WindowLayout, FitScalesToTheClient) {
    std::vector<LayoutRect> r = {{100, 100, 100, 100}, {200, 100, 100, 100}};
    auto out = FitToClient(r, 800, 400);
    EXPECT_EQ(out[0], (LayoutRect{0, 0, 400, 400}));
    EXPECT_EQ(out[1], (LayoutRect{400, 0, 400, 400}));
}

TEST(WindowLayout, Neighbours) {
    std::vector<LayoutRect> r = {{0, 0, 100, 100}, {100, 0, 100, 100}, {0, 100, 100, 100}};
    EXPECT_EQ(NeighbourWindow(r, 0, 1, 0), 1);
    EXPECT_EQ(NeighbourWindow(r, 0, 0, 1), 2);
    EXPECT_EQ(NeighbourWindow(r, 0, -1, 0), -1);
    EXPECT_EQ(NeighbourWindow(r, 2, 0, -1), 0);
}

TEST(WindowLayout, CascadeKeepsWindowsUsable) {
    // 800 x 600 area: windows of 600 x 450, stepping by 20 while they fit
    // (8 places: 7 steps of 20 leave 600 - 450 = 150 >= 140).
    const std::vector<LayoutRect> tiny(10, LayoutRect{5, 5, 115, 40});
    const auto r = CascadeRects(tiny, 800, 600, 20);
    ASSERT_EQ(r.size(), 10u);
    EXPECT_EQ(r[0], (LayoutRect{0, 0, 600, 450}));
    EXPECT_EQ(r[2], (LayoutRect{40, 40, 600, 450}));
    EXPECT_EQ(r[7], (LayoutRect{140, 140, 600, 450}));
    EXPECT_EQ(r[8], (LayoutRect{0, 0, 600, 450}));  // starts again at the top left
}

TEST(WindowLayout, FitInsideMovesAndShrinks) {
    EXPECT_EQ(FitInside({700, 500, 300, 200}, 800, 600), (LayoutRect{500, 400, 300, 200}));
    EXPECT_EQ(FitInside({-20, 10, 900, 100}, 800, 600), (LayoutRect{0, 10, 800, 100}));
    EXPECT_EQ(FitInside({10, 10, 100, 100}, 800, 600), (LayoutRect{10, 10, 100, 100}));
}

class WindowLayoutFrame : public FrameTest {
protected:
    CMainFrame& ShowFrame(int width, int height) {
        m_frame->resize(width, height);
        m_wav = ToneFile("a.wav", 1000, 440.0);
        return *m_frame;
    }
    std::string m_wav;
};

TEST_F(WindowLayoutFrame, SnapAppliesToMovedWindows) {
    CMainFrame& frame = ShowFrame(1600, 1000);
    CChildFrame* w = frame.OpenSoundFile(m_wav);
    frame.Grid() = GridOptions{200, 1, 100, 1};
    frame.Dispatch(Cmd::SnapToGrid);
    ASSERT_TRUE(frame.SnapOn());
    w->setGeometry(450, 130, 180, 90);
    Settle();
    EXPECT_EQ(w->geometry(), QRect(400, 100, 200, 100));
    // With one window the arranging commands change nothing.
    QRect before = w->geometry();
    frame.Dispatch(Cmd::Rearrange);
    frame.Dispatch(Cmd::FitScreen);
    frame.Dispatch(Cmd::ResizeHeightWidth);
    EXPECT_EQ(w->geometry(), before);
    EXPECT_FALSE(frame.IsEnabled(Cmd::Rearrange));
}

TEST_F(WindowLayoutFrame, HiddenTitleBarsMoveWindowsByTheirMargins) {
    CMainFrame& frame = ShowFrame(1200, 800);
    CChildFrame* w = frame.OpenSoundFile(m_wav);
    w->setGeometry(100, 100, 400, 200);
    frame.Dispatch(Cmd::HideTitleBars);
    Settle();
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    CViewPane* pane = w->View()->Pane(0);
    QRect plot = pane->PlotRect();
    EXPECT_GT(plot.top(), 2);  // room for the title line
    QPoint margin(plot.left() - 1 > 0 ? plot.left() - 1 : 0, plot.center().y());
    if (plot.left() <= 0)
        margin = QPoint(plot.center().x(), plot.top() - 2);  // the title line
    QPoint start = w->pos();
    QTest::mousePress(pane, Qt::LeftButton, Qt::NoModifier, margin);
    QMouseEvent move(QEvent::MouseMove, QPointF(margin + QPoint(30, 20)),
                     QPointF(pane->mapToGlobal(margin + QPoint(30, 20))), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(pane, &move);
    QTest::mouseRelease(pane, Qt::LeftButton, Qt::NoModifier, margin + QPoint(30, 20));
    EXPECT_EQ(w->pos(), start + QPoint(30, 20));
    frame.Dispatch(Cmd::HideTitleBars);
    Settle();
    EXPECT_FALSE(w->windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(WindowLayoutFrame, ArrowKeysActivateTheNeighbouringWindow) {
    CMainFrame& frame = ShowFrame(1200, 800);
    CChildFrame* left = frame.OpenSoundFile(m_wav);
    CChildFrame* right = frame.OpenSoundFile(m_wav);
    CChildFrame* below = frame.OpenSoundFile(m_wav);
    left->setGeometry(0, 0, 300, 200);
    right->setGeometry(300, 0, 300, 200);
    below->setGeometry(0, 200, 300, 200);
    frame.ActivateWindow(left);
    frame.Dispatch(Cmd::NeighbourRight);
    EXPECT_EQ(frame.ActiveWindow(), right);
    frame.Dispatch(Cmd::NeighbourRight);  // nothing further right
    EXPECT_EQ(frame.ActiveWindow(), right);
    frame.Dispatch(Cmd::NeighbourLeft);
    frame.Dispatch(Cmd::NeighbourDown);
    EXPECT_EQ(frame.ActiveWindow(), below);
    // Rearranging packs the three on their grid.
    right->move(350, 10);
    frame.Dispatch(Cmd::Rearrange);
    EXPECT_EQ(right->pos(), QPoint(300, 0));
    EXPECT_EQ(below->pos(), QPoint(0, 200));
}

TEST_F(WindowLayoutFrame, CascadeAndNewWindowsStayInsideTheArea) {
    ShowFrame(900, 600);
    for (int i = 0; i < 4; ++i)
        m_frame->OpenSoundFile(m_wav);
    const QRect area = m_frame->Area()->viewport()->rect();
    for (CChildFrame* w : m_frame->Windows())
        EXPECT_TRUE(area.contains(w->geometry())) << w->geometry().x() << "," << w->geometry().y();
    m_frame->Dispatch(Cmd::WindowCascade);
    for (CChildFrame* w : m_frame->Windows()) {
        EXPECT_EQ(w->width(), area.width() * 3 / 4);
        EXPECT_EQ(w->height(), area.height() * 3 / 4);
        EXPECT_TRUE(area.contains(w->geometry()));
    }
}
