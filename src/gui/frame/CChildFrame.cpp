#include "frame/CChildFrame.h"

#include "view/CTavrilView.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>

namespace tavril {

CChildFrame::CChildFrame(CTavrilView* view, QWidget* parent) : QMdiSubWindow(parent), m_view(view) {
    setWidget(view);
    setAttribute(Qt::WA_DeleteOnClose);
    connect(view, &CTavrilView::TitleChanged, this, &CChildFrame::UpdateTitle);
    // The window menu's own keys (Ctrl+W closes) would collide with the
    // program's keys; every key comes from the command table.
    if (QMenu* menu = systemMenu())
        for (QAction* a : menu->actions())
            a->setShortcuts({});
    UpdateTitle();
}

void CChildFrame::UpdateTitle() {
    setWindowTitle(QString::fromStdString(m_view->Doc().Title()));
}

void CChildFrame::SetTitleBarHidden(bool hidden) {
    QRect g = geometry();
    bool visible = isVisible();
    setWindowFlags(hidden ? (Qt::SubWindow | Qt::FramelessWindowHint) : Qt::SubWindow);
    // Without a frame, a grip in the corner keeps the window sizable.
    m_view->SetSizeGripShown(hidden);
    setGeometry(g);
    if (visible)
        show();
    m_view->Redraw();
}

void CChildFrame::closeEvent(QCloseEvent* e) {
    if (m_closeGuard && !m_closeGuard(this)) {
        e->ignore();
        return;
    }
    emit Closing(this);
    QMdiSubWindow::closeEvent(e);
}

} // namespace tavril
