#include "playback/CPlayPositionLine.h"

#include "view/CTavrilView.h"

#include <QEvent>
#include <QPainter>

#include <cmath>

namespace tavril {

CPlayPositionLine::CPlayPositionLine(CTavrilView* view) : QWidget(view), m_view(view)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setObjectName(QStringLiteral("playPositionLine"));
    setGeometry(view->rect());
    view->installEventFilter(this);
    hide();
}

void CPlayPositionLine::SetFrame(int64_t frame)
{
    if (frame == m_frame)
        return;
    m_frame = frame;
    setVisible(frame >= 0);
    if (frame >= 0) {
        raise();  // panes made after this line would cover it
        update();
    }
}

std::vector<QLine> CPlayPositionLine::Lines() const
{
    std::vector<QLine> lines;
    if (m_frame < 0)
        return lines;
    for (int i = 0; i < m_view->PaneCount(); ++i) {
        const PaneGeometry g = m_view->Geometry(i);
        if (g.spp <= 0)
            continue;
        const double column = (static_cast<double>(m_frame) - g.s0) / g.spp;
        if (column < 0 || column > g.right - g.left)
            continue;  // another pane (row) shows this frame
        const QPoint origin = m_view->Pane(i)->mapTo(m_view, QPoint(0, 0));
        const int x = origin.x() + g.left + static_cast<int>(std::floor(column));
        lines.emplace_back(x, origin.y() + g.top, x, origin.y() + g.bottom);
    }
    return lines;
}

std::vector<int> CPlayPositionLine::LineXs() const
{
    std::vector<int> xs;
    for (const QLine& l : Lines())
        xs.push_back(l.x1());
    return xs;
}

void CPlayPositionLine::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(QPen(QColor(220, 30, 30), 1));
    for (const QLine& l : Lines())
        p.drawLine(l);
}

bool CPlayPositionLine::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == m_view && e->type() == QEvent::Resize)
        setGeometry(m_view->rect());
    return QWidget::eventFilter(watched, e);
}

} // namespace tavril
