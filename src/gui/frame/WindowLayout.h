#pragma once
// WindowLayout: the arithmetic of arranging sound windows inside the main
// frame: snapping to the sizing grid, giving all windows the active one's
// size, rearranging on a grid of rows and columns, cascading, and scaling
// the whole display to the frame. Plain rectangles in, rectangles out, no widgets, so
// every rule is tested without a screen. Any thread.

#include <vector>

namespace tavril {

struct LayoutRect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const LayoutRect&) const = default;
};

// Snaps a moved or sized window; a fixed size below 2 leaves that direction alone.
// Returns the rectangle unchanged when nothing applies.
LayoutRect SnapToGrid(LayoutRect r, int clientW, int clientH, bool fixedWidth, int width, bool fixedHeight,
                      int height);

// Every window but `active` gets its height, width or both; positions stay.
std::vector<LayoutRect> ResizeAllTo(const std::vector<LayoutRect>& rects, int active, bool height, bool width);

// Row and column of each window from where it lies: windows whose tops are
// within half the shortest height of a row's first window share that row;
// columns count from the left within a row.
void AssignGrid(const std::vector<LayoutRect>& rects, std::vector<int>& row, std::vector<int>& column);

// Packs the windows from the top left: each row as tall as its tallest window,
// each column as wide as its widest one.
std::vector<LayoutRect> Rearrange(const std::vector<LayoutRect>& rects);

// Scales positions and sizes so that the bounding box of all windows fills the client area.
std::vector<LayoutRect> FitToClient(const std::vector<LayoutRect>& rects, int clientW, int clientH);

// Cascade: every window three quarters of the client area, each one `step`
// further right and down than the one before, starting again at the top
// left when the next would leave the area.
std::vector<LayoutRect> CascadeRects(const std::vector<LayoutRect>& rects, int clientW, int clientH, int step);

// The rectangle moved, and shrunk where it is larger, so that it lies inside
// the client area.
LayoutRect FitInside(LayoutRect r, int clientW, int clientH);

// Index of the window next to `active` in a direction (dx, dy one of -1, 0, 1), or -1.
int NeighbourWindow(const std::vector<LayoutRect>& rects, int active, int dx, int dy);

} // namespace tavril
