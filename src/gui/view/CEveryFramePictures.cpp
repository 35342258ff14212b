#include "view/CEveryFramePictures.h"

#include "view/CTavrilView.h"
#include "SpectrogramColumns.h"
#include "SpectrogramPicture.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTimer>

#include <algorithm>

namespace tavril {

namespace {

// Transforms per slice of refinement: a few tens of milliseconds, so the
// window keeps scrolling, moving cursors and opening menus while it refines.
constexpr size_t kSliceFrames = 16384;
// Missing frames computed while painting: a few thousand transforms take
// milliseconds, not worth a second drawing.
constexpr size_t kQuickFillFrames = 8192;

} // namespace

CEveryFramePictures::CEveryFramePictures(CTavrilView* view) : m_view(view) {}

CEveryFramePictures::~CEveryFramePictures() = default;

CWorkerPool& CEveryFramePictures::Pool() {
    if (!m_pool)
        m_pool = std::make_unique<CWorkerPool>();
    return *m_pool;
}

void CEveryFramePictures::Clear() { m_caches.clear(); }

void CEveryFramePictures::Sync() {
    CSoundDocument& doc = m_view->Doc();
    if (m_doc != &doc) {
        m_caches.clear();
        m_doc = &doc;
        m_revision = doc.Revision();
        return;
    }
    if (m_revision == doc.Revision())
        return;
    m_revision = doc.Revision();
    // The sound changed: blocks whose samples are still the same are kept.
    CSoundFile& sound = doc.Sound();
    for (auto& [channel, cache] : m_caches) {
        cache->Configure(cache->Key(), doc.Frames());
        cache->Revalidate(MakeChannelReader(sound, channel));
    }
    sound.Close();
}

CFrameLevelCache& CEveryFramePictures::Cache(int channel) {
    Sync();
    for (auto& [ch, cache] : m_caches)
        if (ch == channel)
            return *cache;
    const WindowDisplaySettings& s = m_view->Settings();
    std::vector<int> shown;
    for (int i = 0; i < s.ChannelCount(); ++i)
        if (std::find(shown.begin(), shown.end(), s.Channel(i)) == shown.end())
            shown.push_back(s.Channel(i));
    const size_t budget = kBudgetBytes / std::max<size_t>(1, shown.size());
    m_caches.emplace_back(channel, std::make_unique<CFrameLevelCache>(budget));
    return *m_caches.back().second;
}

void CEveryFramePictures::Schedule() {
    if (!m_timer) {
        m_timer = new QTimer(this);
        m_timer->setSingleShot(true);
        connect(m_timer, &QTimer::timeout, this, &CEveryFramePictures::Step);
    }
    if (!m_timer->isActive())
        m_timer->start(0);
}

int CEveryFramePictures::PaintColumns(CSoundFile& sound, const WindowDisplaySettings& settings, int channel,
                                      double framesPerColumn, int first, int count, uint32_t* image,
                                      std::ptrdiff_t rowStride, int height, bool complete, size_t& missing) {
    CFrameLevelCache& cache = Cache(channel);
    uint32_t f0 = 0, f1 = 0;
    PrepareEveryFrame(cache, settings, m_view->Doc().Frames(), framesPerColumn, first, count, f0, f1);
    const ChannelReader read = MakeChannelReader(sound, channel);
    missing = cache.MissingFrames(f0, f1);
    if (missing > 0 && (complete || missing <= kQuickFillFrames)) {
        cache.Fill(read, &Pool(), f0, f1);
        missing = cache.MissingFrames(f0, f1);
    }
    if (missing > 0)
        return -1;
    const SpectrogramDisplay d = settings.SpectrogramDisplayFor(m_view->Doc().SampleRate());
    return PaintEveryFrameColumns(cache, read, d, framesPerColumn, first, count, image, rowStride, height);
}

void CEveryFramePictures::DrawProgress(QPainter& p, const QRect& plot, int percent) {
    const QString text = QStringLiteral("Computing every frame: %1 %").arg(percent);
    const QFontMetrics fm(p.font());
    const QRect box(plot.left() + 4, plot.top() + 4, fm.horizontalAdvance(text) + 12, fm.height() + 8);
    p.save();
    p.fillRect(box, QColor(255, 255, 224));
    p.fillRect(QRect(box.left(), box.bottom() - 2, box.width() * percent / 100, 3), QColor(64, 128, 224));
    p.setPen(Qt::black);
    p.drawRect(box.adjusted(0, 0, -1, -1));
    p.drawText(box.adjusted(6, 3, -6, -5), Qt::AlignLeft | Qt::AlignVCenter, text);
    p.restore();
}

// One slice: the panes still refining, in order, until the slice is used up.
void CEveryFramePictures::Step() {
    size_t budget = kSliceFrames;
    bool more = false;
    CSoundFile& sound = m_view->Doc().Sound();
    for (int i = 0; i < m_view->PaneCount(); ++i) {
        CViewPane* pane = m_view->Pane(i);
        if (!pane->IsRefining())
            continue;
        int channel = 0;
        uint32_t f0 = 0, f1 = 0;
        if (!pane->EveryFrameRange(channel, f0, f1)) {
            pane->RefineProgressed(0);  // the picture no longer needs it
            continue;
        }
        CFrameLevelCache& cache = Cache(channel);
        if (budget > 0) {
            const size_t made = cache.Fill(MakeChannelReader(sound, channel), &Pool(), f0, f1, budget);
            budget -= std::min(made, budget);
            if (made == 0 && !cache.IsFilled(f0, f1)) {
                // Unreadable samples: the quick picture stays.
                pane->RefineProgressed(0);
                continue;
            }
        }
        const size_t missing = cache.MissingFrames(f0, f1);
        pane->RefineProgressed(missing);
        more = more || missing > 0;
    }
    sound.Close();
    if (more)
        Schedule();
}

} // namespace tavril
