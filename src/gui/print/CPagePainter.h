#pragma once
// CPagePainter: draws sound windows on paper, in a PDF or SVG file or in a
// picture, the way the screen draws them (waveform or spectrogram with its
// axes, ticks, values and titles), at any scale. Printing, the print preview,
// figure export and `tavril --print-pdf` all paint through it.
//
// The spectrogram is computed for the target's own resolution (high quality)
// or the window's screen size and stretched (draft), and goes to the device
// in bands of columns, so a long sound printed at high resolution never holds
// more than one band in memory. On a one-bit device the bands are dithered.
//
// A PrintWindow is a snapshot of what a window shows; it shares the window's
// document, which must outlive the painting. UI thread only.

#include "PrintOptions.h"
#include "WindowDisplaySettings.h"

#include <QFont>
#include <QRect>
#include <QRectF>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QPainter;

namespace tavril {

class CSoundDocument;
class CTavrilView;

// One pane of a window as the screen shows it, in screen pixels relative to
// the window's view.
struct PrintPane {
    QRect rect;         // the pane
    QRect plot;         // its plot
    int channel = 0;
    double s0 = 0.0;    // first frame shown
    double spp = 1.0;   // frames per screen column
    bool lastOfRow = true;
};

struct PrintWindow {
    std::shared_ptr<CSoundDocument> doc;
    WindowDisplaySettings settings;
    QString title;       // the file name
    QRect screenRect;    // the window in the frame's window area
    QFont font;          // the font the screen draws axes with
    std::vector<PrintPane> panes;

    static PrintWindow FromView(CTavrilView& view);
    // Size of the window's panes on screen.
    QSize ViewSize() const;
};

// The device being painted: its page in device pixels and its resolution.
struct PrintTarget {
    QRectF page;
    double dpiX = 300.0, dpiY = 300.0;
    bool mono = false;        // a one-bit device: spectrogram dithered to black and white
    double screenDpiX = 96.0, screenDpiY = 96.0;
};

class CPagePainter {
public:
    explicit CPagePainter(const PrintOptions& options) : m_options(options) {}

    // Prints the windows one after another as the options say: one page per
    // window (more when a window at fixed scale needs them); `newPage` is
    // called before every page but the first and returns false to stop;
    // `status` is told which window is being printed. Returns the number of
    // pages painted.
    int Print(QPainter& p, const PrintTarget& target, const std::vector<PrintWindow>& windows,
              const std::function<bool()>& newPage,
              const std::function<void(int index, int count, const QString& title)>& status = {});

    // Paints one window with its top-left corner at `origin` (device pixels),
    // scaled from screen pixels by sx, sy. `title` adds the file name above.
    void PaintWindow(QPainter& p, const PrintTarget& target, const PrintWindow& w, QPointF origin, double sx,
                     double sy, bool title);

    // Height of the title line at vertical scale sy.
    double TitleHeight(const PrintWindow& w, double sy) const;

    // Plot rectangles painted so far, in device pixels (what the tests measure).
    const std::vector<QRectF>& PlotsPainted() const { return m_plots; }
    // The largest picture held at once, in bytes.
    size_t LargestBandBytes() const { return m_largestBand; }

private:
    int PrintFixedScale(QPainter& p, const PrintTarget& t, const PrintWindow& w, const PageRect& area,
                        const std::function<bool()>& newPage);
    // Paints `pane` with its plot at `plot` (device pixels) showing `frames`
    // frames from `s0`; margins scaled by sx, sy from the screen's.
    void PaintPane(QPainter& p, const PrintTarget& t, const PrintWindow& w, const PrintPane& pane, const QRectF& plot,
                   double s0, double frames, double sx, double sy);
    void PaintPlot(QPainter& p, const PrintTarget& t, const PrintWindow& w, int channel, const QRectF& plot,
                   double s0, double frames, double sx, double sy);
    void PaintAxes(QPainter& p, const PrintWindow& w, const PrintPane& pane, const QRectF& plot, double s0,
                   double frames, double sx, double sy);
    void PaintTitle(QPainter& p, const PrintWindow& w, const QRectF& plot, double top, double sy);

    PrintOptions m_options;
    std::vector<QRectF> m_plots;
    size_t m_largestBand = 0;
};

} // namespace tavril
