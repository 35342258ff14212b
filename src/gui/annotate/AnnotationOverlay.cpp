#include "annotate/AnnotationOverlay.h"

#include "view/CTavrilView.h"

#include <QPainter>
#include <cmath>
#include <cstdlib>

namespace tavril {

namespace {

uint32_t FrameOf(double seconds, double fs)
{
    const double f = std::llround(seconds * fs);
    return f <= 0 ? 0u : f >= 4294967295.0 ? 4294967295u : uint32_t(f);
}

} // namespace

QRect AnnotationPixels(const AnnotationRecord& r, const PaneGeometry& g, bool spectrogram)
{
    CursorSet c;
    c.leftTime = FrameOf(r.LeftSec(), g.fs);
    c.rightTime = FrameOf(r.RightSec(), g.fs);
    c.upper = r.TopHz();
    c.lower = r.BottomHz();
    const PixelBox b = c.ToPixels(g);
    if (spectrogram) return QRect(QPoint(b.left, b.top), QPoint(b.right, b.bottom));
    const int h = g.bottom - g.top;
    return QRect(QPoint(b.left, g.top + h / 25), QPoint(b.right, g.top + h - h / 25));
}

void DrawAnnotations(QPainter& p, const CTavrilView& view, const CViewPane& pane, const QRect& plot)
{
    const WindowDisplaySettings& s = view.Settings();
    if (!s.m_showAnnotationBox && !s.m_showAnnotationText) return;
    auto& doc = const_cast<CTavrilView&>(view).Doc();
    const AnnotationFile& file = doc.Doc().Annotations();
    if (file.Count() == 0 || doc.SampleRate() <= 0) return;
    const PaneGeometry g = view.Geometry(pane.Index());
    const double t0 = g.s0 / g.fs;
    const double t1 = (g.s0 + (g.right - g.left + 1) * g.spp) / g.fs;
    const bool spectrogram = s.m_displayType != 0;
    p.save();
    p.setClipRect(plot);
    for (const AnnotationRecord* r : file.Overlapping(t0, t1, pane.ChannelShown() + 1)) {
        const QRect box = AnnotationPixels(*r, g, spectrogram);
        if (s.m_showAnnotationBox) {
            p.setPen(QPen(r == view.SelectedAnnotation() ? QColor(255, 0, 0) : QColor(0, 0, 255), 1));
            p.setBrush(Qt::NoBrush);
            p.drawLine(box.left(), box.top(), box.right(), box.top());
            p.drawLine(box.right(), box.top(), box.right(), box.bottom());
            p.drawLine(box.right(), box.bottom(), box.left(), box.bottom());
            p.drawLine(box.left(), box.bottom(), box.left(), box.top());
        }
        if (s.m_showAnnotationText && !r->Comment().empty()) {
            p.setPen(r == view.SelectedAnnotation() ? QColor(255, 0, 0) : QColor(0, 0, 255));
            p.drawText(box.left() + 2, box.top() - 2, QString::fromStdString(r->Comment()));
        }
    }
    p.restore();
}

bool SelectAnnotationAt(CTavrilView& view, const CViewPane& pane, const QPoint& pos)
{
    CSoundDocument& doc = view.Doc();
    if (!doc.Doc().HasAnnotationFile() || doc.SampleRate() <= 0) return false;
    // Re-defining a box means dragging the new one, usually elsewhere: the
    // record being re-defined stays selected meanwhile.
    if (view.RedefineArmed() && view.SelectedAnnotation()) return false;
    const PaneGeometry g = view.Geometry(pane.Index());
    const double t = CursorSet::TimeAtPixel(pos.x(), g) / g.fs;
    const double f = CursorSet::ValueAtPixel(pos.y(), g);
    const bool spectrogram = view.Settings().m_displayType != 0;
    std::vector<AnnotationRecord*> candidates;
    doc.Doc().Annotations().Containing(t, pane.ChannelShown() + 1, candidates);
    const AnnotationRecord* choice = nullptr;
    double bestTime = 1e14, bestFreq = 1e14;
    for (const AnnotationRecord* r : candidates) {
        if (spectrogram && !(r->BottomHz() <= f && f <= r->TopHz())) continue;
        const double dt = std::min(std::fabs(std::trunc(t - r->LeftSec())), std::fabs(std::trunc(t - r->RightSec())));
        const double df = std::min(std::fabs(std::trunc(f - r->BottomHz())), std::fabs(std::trunc(f - r->TopHz())));
        if (dt >= bestTime && df >= bestFreq) continue;
        choice = r;
        bestTime = dt;
        bestFreq = df;
    }
    if (choice == view.SelectedAnnotation()) return false;
    view.SetSelectedAnnotation(choice);
    return true;
}

} // namespace tavril
