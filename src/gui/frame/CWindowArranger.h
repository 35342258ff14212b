#pragma once
// CWindowArranger: moves and sizes the sound windows in the frame's window
// area: the Window menu's arrangements (cascade, same size, rearrange, fit
// to the frame), snapping a window the user moved to the sizing grid, the
// neighbour of the active window, and placing a window where a display file
// or the frame puts it. The arithmetic lives in WindowLayout.
//
// Owned by the main frame, which outlives it. UI thread only.

#include "frame/WindowLayout.h"

#include <vector>

class QMdiSubWindow;
class QRect;

namespace tavril {

class CChildFrame;
class CMainFrame;

class CWindowArranger {
public:
    explicit CWindowArranger(CMainFrame& frame) : m_frame(frame) {}

    void ResizeAll(bool height, bool width);
    void Rearrange();
    void FitScreen();
    void Cascade();
    // The window next to the active one in a direction, or null.
    CChildFrame* Neighbour(int dx, int dy) const;
    // Snaps a window the user moved or sized (when snapping is on).
    void Snap(QMdiSubWindow* w);
    // Places a window as asked; it is not snapped.
    void Place(CChildFrame* w, const QRect& r);
    // Moves and shrinks a window so that it lies inside the visible area.
    void KeepInside(CChildFrame* w);
    // True while a window is being placed, so its move is no user's move.
    bool IsPlacing() const { return m_placing; }

private:
    std::vector<LayoutRect> Rects(const std::vector<CChildFrame*>& ws) const;
    void SetRects(const std::vector<CChildFrame*>& ws, const std::vector<LayoutRect>& rects);
    int ClientWidth() const;
    int ClientHeight() const;

    CMainFrame& m_frame;
    bool m_placing = false;
};

} // namespace tavril
