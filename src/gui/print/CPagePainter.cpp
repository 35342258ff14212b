#include "print/CPagePainter.h"

#include "CSoundFile.h"
#include "CursorSet.h"
#include "MonoDither.h"
#include "SpectrogramColumns.h"
#include "TimeScale.h"
#include "WaveformColumns.h"
#include "view/CSoundDocument.h"
#include "view/CTavrilView.h"

#include <QFontMetricsF>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <ctime>

namespace tavril {

namespace {

// Pixels of one band of spectrogram columns: 8 M pixels, 32 MB at 32 bits.
constexpr long long kBandPixels = 8LL * 1024 * 1024;
// High quality computes the spectrogram for the device up to this many
// pixels per inch; finer than that only repeats the analysis frames.
constexpr double kMaxPictureDpi = 600.0;

double LowHz(const WindowDisplaySettings& s) {
    return s.m_displayType == 1 && s.m_lowFreqLimitOn ? std::max(0.0, double(s.m_lowFreqLimit)) : 0.0;
}

double HighHz(const WindowDisplaySettings& s, double fs) {
    const double nyquist = fs / 2.0;
    if (s.m_displayType == 1 && s.m_highFreqLimitOn)
        return nyquist > 0.0 ? std::min(double(s.m_highFreqLimit), nyquist) : s.m_highFreqLimit;
    return nyquist;
}

QString ClockText(double seconds) {
    long long whole = std::max(0LL, static_cast<long long>(std::floor(seconds)));
    return QString::asprintf("%02lld:%02lld:%02lld", (whole / 3600) % 24, (whole / 60) % 60, whole % 60);
}

QFont Scaled(const QFont& f, double sy) {
    QFont out(f);
    const double px = f.pixelSize() > 0 ? f.pixelSize() : QFontInfo(f).pixelSize();
    out.setPixelSize(std::max(1, static_cast<int>(std::lround(px * sy))));
    return out;
}

QPen AxisPen(double scale) {
    QPen pen(Qt::black);
    pen.setWidthF(std::max(1.0, std::trunc(scale)));
    return pen;
}

} // namespace

PrintWindow PrintWindow::FromView(CTavrilView& view) {
    PrintWindow w;
    w.doc = view.Document();
    w.settings = view.Settings();
    w.title = QString::fromStdString(view.Doc().Title());
    w.font = view.PaneCount() > 0 ? view.Pane(0)->font() : view.font();
    QPoint at(0, 0);
    for (QWidget* x = view.parentWidget(); x; x = x->parentWidget())
        if (auto* sub = qobject_cast<QMdiSubWindow*>(x)) {
            at = view.mapTo(sub, QPoint(0, 0)) + sub->pos();
            break;
        }
    for (int i = 0; i < view.PaneCount(); ++i) {
        CViewPane* pane = view.Pane(i);
        PrintPane pp;
        pp.rect = QRect(pane->mapTo(&view, QPoint(0, 0)), pane->size());
        pp.plot = pane->PlotRect();
        const PaneGeometry g = view.Geometry(i);
        pp.s0 = g.s0;
        pp.spp = g.spp;
        pp.channel = pane->ChannelShown();
        pp.lastOfRow = pane->IsLastOfRow();
        w.panes.push_back(pp);
    }
    w.screenRect = QRect(at, w.ViewSize());
    return w;
}

QSize PrintWindow::ViewSize() const {
    QRect r;
    for (const PrintPane& p : panes)
        r |= p.rect;
    return QSize(std::max(1, r.right() + 1), std::max(1, r.bottom() + 1));
}

double CPagePainter::TitleHeight(const PrintWindow& w, double sy) const {
    return QFontMetricsF(Scaled(w.font, sy)).height() * 1.3;
}

int CPagePainter::Print(QPainter& p, const PrintTarget& t, const std::vector<PrintWindow>& windows,
                        const std::function<bool()>& newPage,
                        const std::function<void(int, int, const QString&)>& status) {
    m_plots.clear();
    PageRect area = PrintableArea(t.page.width(), t.page.height(), t.dpiX, t.dpiY, m_options);
    area.x += t.page.x();
    area.y += t.page.y();
    const bool titles = m_options.filenames != 0;
    const int count = static_cast<int>(windows.size());
    int pages = 0;
    if (m_options.sizing == 0) {
        // One scale for every window, from the rectangle around all of them,
        // so they keep their on-screen proportions to each other.
        QRect bound;
        for (const PrintWindow& w : windows)
            bound |= w.screenRect;
        PrintScale s = FitToPage(area, bound.width(), bound.height(), t.screenDpiX, t.screenDpiY, t.dpiX, t.dpiY);
        if (titles && !windows.empty()) {
            PageRect lower = area;
            lower.height = std::max(1.0, area.height - TitleHeight(windows.front(), s.y));
            s = FitToPage(lower, bound.width(), bound.height(), t.screenDpiX, t.screenDpiY, t.dpiX, t.dpiY);
        }
        for (int i = 0; i < count; ++i) {
            if (i > 0 && !newPage())
                break;
            if (status)
                status(i + 1, count, windows[i].title);
            PaintWindow(p, t, windows[i], QPointF(area.x, area.y), s.x, s.y, titles);
            ++pages;
        }
        return pages;
    }
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !newPage())
            break;
        if (status)
            status(i + 1, count, windows[i].title);
        const int used = PrintFixedScale(p, t, windows[i], area, newPage);
        if (used == 0)
            break;
        pages += used;
    }
    return pages;
}

int CPagePainter::PrintFixedScale(QPainter& p, const PrintTarget& t, const PrintWindow& w, const PageRect& area,
                                  const std::function<bool()>& newPage) {
    // Margins and text at their on-screen size in inches.
    const double sx = t.dpiX / t.screenDpiX, sy = t.dpiY / t.screenDpiY;
    const double fs = w.doc->SampleRate() > 0.0 ? w.doc->SampleRate() : 22050.0;
    const double kHz = (HighHz(w.settings, fs) - LowHz(w.settings)) / 1000.0;
    const int panes = static_cast<int>(w.panes.size());
    struct Placed {
        const PrintPane* pane;
        PlotSize size;
        double frames, left, right, top, bottom;
    };
    std::vector<Placed> placed;
    double widest = 0.0, leftMost = 0.0, rightMost = 0.0;
    for (const PrintPane& pane : w.panes) {
        Placed pl;
        pl.pane = &pane;
        pl.frames = pane.spp * pane.plot.width();
        pl.size = FixedScalePlot(pl.frames / fs, kHz, panes, t.dpiX, t.dpiY, m_options);
        pl.left = pane.plot.left() * sx;
        pl.right = (pane.rect.width() - pane.plot.right() - 1) * sx;
        pl.top = pane.plot.top() * sy;
        pl.bottom = (pane.rect.height() - pane.plot.bottom() - 1) * sy;
        widest = std::max(widest, pl.size.width);
        leftMost = std::max(leftMost, pl.left);
        rightMost = std::max(rightMost, pl.right);
        placed.push_back(pl);
    }
    if (placed.empty() || widest <= 0.0)
        return 1;
    // A plot wider than the page goes on in strips below, each the page's width.
    const double stripWidth = std::max(1.0, std::min(widest, area.width - leftMost - rightMost));
    const int strips = static_cast<int>(std::ceil(widest / stripWidth - 1e-9));
    const bool titles = m_options.filenames != 0;
    double y = area.y;
    int pages = 1;
    bool pageEmpty = true;
    for (int k = 0; k < strips; ++k) {
        double stripHeight = 0.0;
        for (const Placed& pl : placed)
            stripHeight += pl.top + pl.size.height + pl.bottom;
        const double titleH = titles && k == 0 ? TitleHeight(w, sy) : 0.0;
        if (!pageEmpty && y + titleH + stripHeight > area.y + area.height) {
            if (!newPage())
                return pages;
            ++pages;
            y = area.y;
        }
        pageEmpty = false;
        y += titleH;
        const double firstTop = y;
        QRectF firstPlot;
        for (const Placed& pl : placed) {
            const double x0 = k * stripWidth;
            const double width = std::min(stripWidth, pl.size.width - x0);
            y += pl.top;
            if (width > 0.0) {
                const QRectF plot(area.x + leftMost, y, width, pl.size.height);
                const double framesPerPx = pl.frames / pl.size.width;
                PaintPane(p, t, w, *pl.pane, plot, pl.pane->s0 + x0 * framesPerPx, width * framesPerPx, sx, sy);
                if (firstPlot.isNull())
                    firstPlot = plot;
            }
            y += pl.size.height + pl.bottom;
        }
        if (titleH > 0.0 && !firstPlot.isNull())
            PaintTitle(p, w, firstPlot, firstTop - titleH, sy);
    }
    return pages;
}

void CPagePainter::PaintWindow(QPainter& p, const PrintTarget& t, const PrintWindow& w, QPointF origin, double sx,
                               double sy, bool title) {
    const double titleH = title ? TitleHeight(w, sy) : 0.0;
    QRectF first;
    for (const PrintPane& pane : w.panes) {
        const QRectF plot(origin.x() + (pane.rect.x() + pane.plot.x()) * sx,
                          origin.y() + titleH + (pane.rect.y() + pane.plot.y()) * sy, pane.plot.width() * sx,
                          pane.plot.height() * sy);
        PaintPane(p, t, w, pane, plot, pane.s0, pane.spp * pane.plot.width(), sx, sy);
        if (first.isNull())
            first = plot;
    }
    if (title && !first.isNull())
        PaintTitle(p, w, first, origin.y(), sy);
}

void CPagePainter::PaintTitle(QPainter& p, const PrintWindow& w, const QRectF& plot, double top, double sy) {
    const QFont font = Scaled(w.font, sy);
    QFontMetricsF fm(font);
    const double width = fm.horizontalAdvance(w.title);
    const double x = width <= plot.width() ? plot.left() + (plot.width() - width) / 2 : plot.left();
    p.save();
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QPointF(x, top + fm.ascent()), w.title);
    p.restore();
}

void CPagePainter::PaintPane(QPainter& p, const PrintTarget& t, const PrintWindow& w, const PrintPane& pane,
                             const QRectF& plot, double s0, double frames, double sx, double sy) {
    PaintPlot(p, t, w, pane.channel, plot, s0, frames, sx, sy);
    PaintAxes(p, w, pane, plot, s0, frames, sx, sy);
    if (w.doc->Channels() > 1) {
        const QFont font = Scaled(w.font, sy);
        QFontMetricsF fm(font);
        const QString label = QString::number(pane.channel + 1);
        const QRectF box(plot.right() - fm.horizontalAdvance(label) - 3 * sx, plot.top(),
                         fm.horizontalAdvance(label) + 4 * sx, fm.height());
        p.save();
        p.setFont(font);
        p.fillRect(box, Qt::white);
        p.setPen(Qt::black);
        p.drawText(box, Qt::AlignCenter, label);
        p.restore();
    }
}

void CPagePainter::PaintPlot(QPainter& p, const PrintTarget& t, const PrintWindow& w, int channel,
                             const QRectF& plot, double s0, double frames, double sx, double sy) {
    m_plots.push_back(plot);
    const WindowDisplaySettings& s = w.settings;
    const QColor background = s.m_whiteOnBlack ? Qt::black : Qt::white;
    p.fillRect(plot, background);
    CSoundDocument& doc = *w.doc;
    if (doc.Frames() == 0 || !(frames > 0.0) || plot.width() < 1.0 || plot.height() < 1.0)
        return;
    // Picture pixels per device pixel: the device's own resolution (up to a
    // limit) at high quality, the screen's in a draft, stretched to the plot.
    const bool high = m_options.quality == 1;
    const double fx = high ? std::min(1.0, kMaxPictureDpi / t.dpiX) : 1.0 / sx;
    const double fy = high ? std::min(1.0, kMaxPictureDpi / t.dpiY) : 1.0 / sy;
    const int cols = static_cast<int>(std::clamp(std::lround(plot.width() * fx), 1L, 1L << 24));
    const int rows = static_cast<int>(std::clamp(std::lround(plot.height() * fy), 1L, 32768L));
    const double spp = frames / cols;
    const double colWidth = plot.width() / cols;
    CSoundFile& sound = doc.Sound();
    if (s.m_displayType == 1) {
        const SpectrogramDisplay d = s.SpectrogramDisplayFor(doc.SampleRate());
        const int band = static_cast<int>(std::clamp<long long>(kBandPixels / rows, 1, cols));
        R250 random;
        for (int c0 = 0; c0 < cols; c0 += band) {
            const int n = std::min(band, cols - c0);
            QImage img(n, rows, QImage::Format_RGB32);
            img.fill(background);
            const int painted = PaintSpectrogramColumns(sound, d, channel, static_cast<uint32_t>(s0), spp, c0, n,
                                                        reinterpret_cast<uint32_t*>(img.bits()),
                                                        img.bytesPerLine() / 4, rows);
            for (int y = 0; y < rows; ++y) {
                auto* line = reinterpret_cast<uint32_t*>(img.scanLine(y));
                for (int x = 0; x < n; ++x)
                    line[x] |= 0xFF000000u;
            }
            const QRectF target(plot.left() + c0 * colWidth, plot.top(), n * colWidth, plot.height());
            size_t held = static_cast<size_t>(img.sizeInBytes());
            if (t.mono) {
                QImage mono(n, rows, QImage::Format_Mono);
                mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
                DitherToMono(reinterpret_cast<const uint32_t*>(img.constBits()), n, rows, img.bytesPerLine() / 4,
                             mono.bits(), mono.bytesPerLine(), random);
                held += static_cast<size_t>(mono.sizeInBytes());
                p.drawImage(target, mono);
            } else {
                p.drawImage(target, img);
            }
            m_largestBand = std::max(m_largestBand, held);
            if (painted < n)
                break;  // the sound ended
        }
        sound.Close();
        return;
    }
    const SampleReader reader = MakeChannelReader(sound, channel);
    const WaveformDrawing wave = ComputeWaveform(reader, doc.Frames(), s0, spp, 0, 0, cols, rows);
    sound.Close();
    p.save();
    p.setClipRect(plot);
    p.translate(plot.topLeft());
    p.scale(colWidth, plot.height() / rows);
    QPen pen(s.m_whiteOnBlack ? Qt::white : Qt::black);
    pen.setCosmetic(true);
    pen.setWidthF(std::max(1.0, std::trunc(sx)));
    p.setPen(pen);
    if (wave.polyline) {
        QPolygonF poly;
        for (const auto& pt : wave.points)
            poly << QPointF(pt.x + 0.5, pt.y + 0.5);
        p.drawPolyline(poly);
    } else {
        for (const auto& seg : wave.segments)
            p.drawLine(QPointF(seg.x + 0.5, seg.yHigh), QPointF(seg.x + 0.5, seg.yLow + 1));
    }
    p.restore();
}

void CPagePainter::PaintAxes(QPainter& p, const PrintWindow& w, const PrintPane& pane, const QRectF& plot,
                             double s0, double frames, double sx, double sy) {
    const WindowDisplaySettings& s = w.settings;
    const double fs = w.doc->SampleRate();
    if (fs <= 0.0)
        return;
    const QFont font = Scaled(w.font, sy);
    QFontMetricsF fm(font);
    p.save();
    p.setFont(font);
    const double left = plot.left(), top = plot.top();
    const int h = static_cast<int>(std::lround(plot.height()));
    const QPen pen = AxisPen(sx);
    const double penWidth = pen.widthF();
    double widestValue = 0.0;
    if (s.m_freqAmpTicksOn || s.m_freqAmpTickValuesOn) {
        const double lowHz = LowHz(s), highHz = HighHz(s, fs);
        const TickLayout ticks = VerticalTicks(h, s.m_freqAmpTickValue, s.m_displayType == 1, lowHz, highHz);
        for (int i = 0; i < ticks.count; ++i) {
            const double y = top + std::trunc(h - i * ticks.spacingPx);
            if (s.m_freqAmpTicksOn) {
                p.setPen(AxisPen(sy));
                p.drawLine(QPointF(left - 5 * sx, y), QPointF(left - sx, y));
            }
            if (s.m_freqAmpGridOn) {
                p.setPen(QPen(Qt::gray, std::max(1.0, std::trunc(sy)), Qt::DotLine));
                p.drawLine(QPointF(left, y), QPointF(plot.right(), y));
            }
            if (s.m_freqAmpTickValuesOn) {
                double v = s.m_displayType == 1 ? i * s.m_freqAmpTickValue + lowHz / 1000.0
                                                : i * s.m_freqAmpTickValue - 1.0;
                if (s.m_displayType == 1 && s.m_freqAmpTickUnits == 1)
                    v *= 1000.0;
                const QString text = QString::fromStdString(FormatAxisNumber(v));
                const double tw = fm.horizontalAdvance(text);
                widestValue = std::max(widestValue, tw);
                double ty = y + fm.ascent() / 2 - 1;
                if (ty - fm.ascent() < top)
                    ty = y + fm.ascent();
                p.setPen(Qt::black);
                p.drawText(QPointF(left - 7 * sx - penWidth - tw, ty), text);
            }
        }
    }
    if (s.m_freqAmpTitleOn && !s.m_freqAmpTitle.empty()) {
        const QString title = QString::fromStdString(s.m_freqAmpTitle);
        const double total = title.size() * fm.height();
        double y = std::max(top, top + (plot.height() - total) / 2);
        const double x = left - 7 * sx - penWidth - widestValue - 4 * sx - fm.maxWidth();
        p.setPen(Qt::black);
        for (int i = 0; i < title.size(); ++i) {
            const QString ch = title.mid(i, 1);
            p.drawText(QPointF(x + (fm.maxWidth() - fm.horizontalAdvance(ch)) / 2, y + fm.ascent() + i * fm.height()),
                       ch);
        }
    }
    if (!pane.lastOfRow) {
        p.restore();
        return;
    }
    const double width = plot.width();
    const double spp = frames / width;
    const double textY = plot.bottom() + 6 * sy + fm.ascent();
    if (s.m_timeTicksOn || s.m_timeTickValuesOn || s.m_timeGridOn) {
        const double t0 = s0 / fs;
        const TickLayout ticks = TimeTicks(static_cast<int>(std::lround(width)), s.m_timeTickValue, fs, spp, t0);
        const double offset = FirstTimeTickOffset(s.m_timeTickValue, t0);
        const double timeOffset = ParseTimeOffset(s.m_timeOffset);
        for (int i = 0; i < ticks.count; ++i) {
            const double x = left + std::trunc(ticks.offsetPx) + std::trunc(i * ticks.spacingPx);
            if (x > plot.right())
                break;
            if (s.m_timeTicksOn) {
                p.setPen(pen);
                p.drawLine(QPointF(x, plot.bottom() + sy), QPointF(x, plot.bottom() + 5 * sy));
            }
            if (s.m_timeGridOn) {
                p.setPen(QPen(Qt::gray, std::max(1.0, std::trunc(sx)), Qt::DotLine));
                p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
            }
            if (s.m_timeTickValuesOn) {
                const double v = t0 + offset + i * s.m_timeTickValue;
                const QString text = s.m_timeUnits == 1 ? ClockText(v + timeOffset)
                                                        : QString::fromStdString(FormatAxisNumber(v));
                const double tw = fm.horizontalAdvance(text);
                double tx = x - tw / 2;
                if (tx + tw > plot.right())
                    tx = plot.right() - tw;
                p.setPen(Qt::black);
                p.drawText(QPointF(tx, textY), text);
            }
        }
    }
    if (s.m_timeTitleOn && !s.m_timeTitle.empty()) {
        const QString title = QString::fromStdString(s.m_timeTitle);
        const double y = textY + (s.m_timeTickValuesOn ? fm.height() : 0.0);
        p.setPen(Qt::black);
        p.drawText(QPointF(left + (width - fm.horizontalAdvance(title)) / 2, y), title);
    }
    p.restore();
}

} // namespace tavril
