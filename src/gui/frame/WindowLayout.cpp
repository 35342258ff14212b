#include "frame/WindowLayout.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>

namespace tavril {

LayoutRect SnapToGrid(LayoutRect r, int clientW, int clientH, bool fixedWidth, int width, bool fixedHeight,
                      int height) {
    LayoutRect s = r;
    s.x = std::max(0, s.x);
    s.y = std::max(0, s.y);
    if (fixedWidth && width >= 2) {
        s.w = width;
        s.x = (s.x / width) * width;
    }
    if (fixedHeight && height >= 2) {
        s.h = height;
        s.y = (s.y / height) * height;
    }
    if (s.y + s.h > clientH) {
        s.y = 0;
        s.x += s.w;
    }
    if (s.x + s.w > clientW) {
        s.x = 0;
        s.y += s.h;
    }
    s.x = std::max(0, s.x);
    s.y = std::max(0, s.y);
    return s;
}

std::vector<LayoutRect> ResizeAllTo(const std::vector<LayoutRect>& rects, int active, bool height, bool width) {
    std::vector<LayoutRect> out = rects;
    if (rects.size() < 2 || active < 0 || active >= static_cast<int>(rects.size()))
        return out;
    for (size_t i = 0; i < out.size(); ++i) {
        if (static_cast<int>(i) == active)
            continue;
        if (height)
            out[i].h = rects[active].h;
        if (width)
            out[i].w = rects[active].w;
    }
    return out;
}

void AssignGrid(const std::vector<LayoutRect>& rects, std::vector<int>& row, std::vector<int>& column) {
    const size_t n = rects.size();
    row.assign(n, 0);
    column.assign(n, 0);
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return rects[a].y != rects[b].y ? rects[a].y < rects[b].y : rects[a].x < rects[b].x;
    });
    int currentRow = -1;
    int rowTop = 0, rowTolerance = 0;
    std::vector<std::vector<size_t>> rows;
    for (size_t idx : order) {
        const LayoutRect& r = rects[idx];
        if (currentRow < 0 || r.y > rowTop + rowTolerance) {
            ++currentRow;
            rows.emplace_back();
            rowTop = r.y;
            rowTolerance = std::max(1, r.h / 2);
        }
        rows.back().push_back(idx);
        rowTolerance = std::min(rowTolerance, std::max(1, r.h / 2));
        row[idx] = currentRow;
    }
    for (auto& members : rows) {
        std::sort(members.begin(), members.end(), [&](size_t a, size_t b) { return rects[a].x < rects[b].x; });
        for (size_t c = 0; c < members.size(); ++c)
            column[members[c]] = static_cast<int>(c);
    }
}

std::vector<LayoutRect> Rearrange(const std::vector<LayoutRect>& rects) {
    std::vector<LayoutRect> out = rects;
    if (rects.size() < 2)
        return out;
    std::vector<int> row, column;
    AssignGrid(rects, row, column);
    int rows = *std::max_element(row.begin(), row.end()) + 1;
    int columns = *std::max_element(column.begin(), column.end()) + 1;
    std::vector<int> rowHeight(rows, 0), columnWidth(columns, 0);
    for (size_t i = 0; i < rects.size(); ++i) {
        rowHeight[row[i]] = std::max(rowHeight[row[i]], rects[i].h);
        columnWidth[column[i]] = std::max(columnWidth[column[i]], rects[i].w);
    }
    for (size_t i = 0; i < rects.size(); ++i) {
        out[i].x = std::accumulate(columnWidth.begin(), columnWidth.begin() + column[i], 0);
        out[i].y = std::accumulate(rowHeight.begin(), rowHeight.begin() + row[i], 0);
    }
    return out;
}

std::vector<LayoutRect> FitToClient(const std::vector<LayoutRect>& rects, int clientW, int clientH) {
    std::vector<LayoutRect> out = rects;
    if (rects.size() < 2)
        return out;
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (const auto& r : rects) {
        left = std::min(left, r.x);
        top = std::min(top, r.y);
        right = std::max(right, r.x + r.w);
        bottom = std::max(bottom, r.y + r.h);
    }
    if (right <= left || bottom <= top || clientW <= 0 || clientH <= 0)
        return out;
    double sx = static_cast<double>(clientW) / (right - left);
    double sy = static_cast<double>(clientH) / (bottom - top);
    for (auto& r : out) {
        int x0 = static_cast<int>(std::lround((r.x - left) * sx));
        int y0 = static_cast<int>(std::lround((r.y - top) * sy));
        int x1 = static_cast<int>(std::lround((r.x + r.w - left) * sx));
        int y1 = static_cast<int>(std::lround((r.y + r.h - top) * sy));
        r = {x0, y0, std::max(1, x1 - x0), std::max(1, y1 - y0)};
    }
    return out;
}

int NeighbourWindow(const std::vector<LayoutRect>& rects, int active, int dx, int dy) {
    if (active < 0 || active >= static_cast<int>(rects.size()))
        return -1;
    const LayoutRect& a = rects[active];
    double ax = a.x + a.w / 2.0, ay = a.y + a.h / 2.0;
    int best = -1;
    double bestScore = 0.0;
    for (int i = 0; i < static_cast<int>(rects.size()); ++i) {
        if (i == active)
            continue;
        double bx = rects[i].x + rects[i].w / 2.0, by = rects[i].y + rects[i].h / 2.0;
        double along = dx != 0 ? (bx - ax) * dx : (by - ay) * dy;
        double across = dx != 0 ? std::abs(by - ay) : std::abs(bx - ax);
        if (along <= 0.0)
            continue;
        double score = along + 2.0 * across;  // prefer windows in line with the active one
        if (best < 0 || score < bestScore) {
            best = i;
            bestScore = score;
        }
    }
    return best;
}

std::vector<LayoutRect> CascadeRects(const std::vector<LayoutRect>& rects, int clientW, int clientH, int step) {
    std::vector<LayoutRect> out;
    if (clientW <= 0 || clientH <= 0)
        return rects;
    const int w = std::max(clientW * 3 / 4, std::min(clientW, 200));
    const int h = std::max(clientH * 3 / 4, std::min(clientH, 100));
    step = std::max(1, step);
    const int places = std::max(1, std::min((clientW - w) / step, (clientH - h) / step) + 1);
    for (size_t i = 0; i < rects.size(); ++i) {
        const int k = static_cast<int>(i % static_cast<size_t>(places));
        out.push_back({k * step, k * step, w, h});
    }
    return out;
}

LayoutRect FitInside(LayoutRect r, int clientW, int clientH) {
    if (clientW <= 0 || clientH <= 0)
        return r;
    r.w = std::min(r.w, clientW);
    r.h = std::min(r.h, clientH);
    r.x = std::clamp(r.x, 0, clientW - r.w);
    r.y = std::clamp(r.y, 0, clientH - r.h);
    return r;
}

} // namespace tavril
