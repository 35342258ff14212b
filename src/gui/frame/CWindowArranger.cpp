#include "frame/CWindowArranger.h"

#include "frame/CChildFrame.h"
#include "frame/CMainFrame.h"

#include <QMdiArea>
#include <QRect>

#include <algorithm>

namespace tavril {

int CWindowArranger::ClientWidth() const { return m_frame.Area()->viewport()->width(); }
int CWindowArranger::ClientHeight() const { return m_frame.Area()->viewport()->height(); }

std::vector<LayoutRect> CWindowArranger::Rects(const std::vector<CChildFrame*>& ws) const {
    std::vector<LayoutRect> r;
    for (CChildFrame* w : ws)
        r.push_back({w->x(), w->y(), w->width(), w->height()});
    return r;
}

void CWindowArranger::SetRects(const std::vector<CChildFrame*>& ws, const std::vector<LayoutRect>& rects) {
    const bool saved = m_placing;
    m_placing = true;
    for (size_t i = 0; i < ws.size() && i < rects.size(); ++i)
        ws[i]->setGeometry(rects[i].x, rects[i].y, rects[i].w, rects[i].h);
    m_placing = saved;
}

void CWindowArranger::ResizeAll(bool height, bool width) {
    auto ws = m_frame.Windows();
    auto it = std::find(ws.begin(), ws.end(), m_frame.ActiveWindow());
    if (ws.size() < 2 || it == ws.end())
        return;
    SetRects(ws, ResizeAllTo(Rects(ws), static_cast<int>(it - ws.begin()), height, width));
}

void CWindowArranger::Rearrange() {
    auto ws = m_frame.Windows();
    if (ws.size() >= 2)
        SetRects(ws, tavril::Rearrange(Rects(ws)));
}

void CWindowArranger::FitScreen() {
    auto ws = m_frame.Windows();
    if (ws.size() >= 2)
        SetRects(ws, FitToClient(Rects(ws), ClientWidth(), ClientHeight()));
}

void CWindowArranger::Cascade() {
    auto ws = m_frame.Windows();
    // Each window steps down by its title bar, so every title stays visible.
    const int step = ws.empty() ? 0 : std::max(16, ws.front()->height() - ws.front()->widget()->height());
    SetRects(ws, CascadeRects(Rects(ws), ClientWidth(), ClientHeight(), step));
}

CChildFrame* CWindowArranger::Neighbour(int dx, int dy) const {
    auto ws = m_frame.Windows();
    auto it = std::find(ws.begin(), ws.end(), m_frame.ActiveWindow());
    if (it == ws.end())
        return nullptr;
    const int n = NeighbourWindow(Rects(ws), static_cast<int>(it - ws.begin()), dx, dy);
    return n >= 0 ? ws[n] : nullptr;
}

void CWindowArranger::Snap(QMdiSubWindow* w) {
    const GridOptions& grid = m_frame.Grid();
    const LayoutRect r{w->x(), w->y(), w->width(), w->height()};
    const LayoutRect s = SnapToGrid(r, ClientWidth(), ClientHeight(), grid.horizontalUseGrid != 0,
                                    grid.horizontalPixels, grid.verticalUseGrid != 0, grid.verticalPixels);
    if (s == r)
        return;
    m_placing = true;
    w->setGeometry(s.x, s.y, s.w, s.h);
    m_placing = false;
}

void CWindowArranger::Place(CChildFrame* w, const QRect& r) {
    SetRects({w}, {{r.x(), r.y(), r.width(), r.height()}});
}

void CWindowArranger::KeepInside(CChildFrame* w) {
    const LayoutRect r{w->x(), w->y(), w->width(), w->height()};
    const LayoutRect inside = FitInside(r, ClientWidth(), ClientHeight());
    if (!(inside == r))
        SetRects({w}, {inside});
}

} // namespace tavril
