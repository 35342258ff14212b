#pragma once
// CEveryFramePictures: what a sound window keeps for its every-frame
// spectrograms: per channel shown, the frame levels of the sound
// (CFrameLevelCache; together at most kBudgetBytes), the worker pool that
// computes them, and the refinement that fills them in slices between events
// while the panes show their quick one-frame-per-column pictures.
//
// Owned by its CTavrilView; UI thread only (the pool's threads only run
// transforms inside a Fill call).

#include "CFrameLevelCache.h"
#include "CWorkerPool.h"

#include <QObject>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class QPainter;
class QRect;
class QTimer;

namespace tavril {

class CTavrilView;
class CSoundDocument;
class CSoundFile;
class WindowDisplaySettings;

class CEveryFramePictures : public QObject {
    Q_OBJECT
public:
    static constexpr size_t kBudgetBytes = CFrameLevelCache::kDefaultBudgetBytes;

    explicit CEveryFramePictures(CTavrilView* view);
    ~CEveryFramePictures() override;

    // The levels of `channel` of the view's sound, checked against the sound
    // first: another document drops them all, a changed sound keeps the
    // blocks whose samples did not change.
    CFrameLevelCache& Cache(int channel);
    CWorkerPool& Pool();
    // Drops every cache (the panes or their channels changed).
    void Clear();
    // Asks for a slice of refinement after the pending events.
    void Schedule();

    // Paints columns first ... first+count-1 of a pane's every-frame picture
    // (image layout as PaintEveryFrameColumns) when its frames are at hand,
    // computing them first when `complete` or when they are few. Returns the
    // columns painted, or -1 (nothing painted) with `missing` set to the
    // frames still to compute.
    int PaintColumns(CSoundFile& sound, const WindowDisplaySettings& settings, int channel, double framesPerColumn,
                     int first, int count, uint32_t* image, std::ptrdiff_t rowStride, int height, bool complete,
                     size_t& missing);
    // The note over a plot whose picture is being refined.
    static void DrawProgress(QPainter& p, const QRect& plot, int percent);

private:
    void Sync();
    void Step();

    CTavrilView* m_view;
    std::vector<std::pair<int, std::unique_ptr<CFrameLevelCache>>> m_caches;  // per channel
    const CSoundDocument* m_doc = nullptr;
    uint64_t m_revision = 0;
    std::unique_ptr<CWorkerPool> m_pool;
    QTimer* m_timer = nullptr;
};

} // namespace tavril
