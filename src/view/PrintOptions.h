#pragma once
// PrintOptions: the options of the print set-up ("Pre Print Dialog Details")
// and the page arithmetic printing and figure export share: margins in device
// pixels, the common scale that fits the printed windows on the page, and the
// size of a plot printed at a fixed number of inches per second and per kHz.
//
// Plain values and free functions; any thread. An empty file name means the
// default settings file.

#include <string>

namespace tavril {

struct PrintOptions {
    int quality = 0;        // 0 draft, 1 high quality
    int selection = 0;      // 0 active window, 1 all windows
    int sizing = 0;         // 0 size to fit page, 1 scale by time/freq
    int filenames = 0;      // file name above each window as a title
    float enlargementPercent = 100.0f;
    int heightMethod = 1;   // 0 inches per kHz, 1 total height in inches
    float heightPerKHzIn = 0.0f;
    float totalHeightIn = 1.0f;
    float lengthPerSecIn = 1.0f;
    float topMarginIn = 0.25f;
    float bottomMarginIn = 0.0f;
    float leftMarginIn = 0.1f;
    float rightMarginIn = 0.25f;
    int orientation = 0;    // 0 portrait, 1 landscape

    static constexpr const char* kSection = "Pre Print Dialog Details";
    int Save(const std::string& file) const;
    void Load(const std::string& file);
};

// A rectangle in device pixels.
struct PageRect {
    double x = 0.0, y = 0.0, width = 0.0, height = 0.0;
};

// The printable area: the page less the four margins, each converted from
// inches with the device's pixels per inch. Never negative.
PageRect PrintableArea(double pageWidthPx, double pageHeightPx, double dpiX, double dpiY, const PrintOptions& o);

// "Size to fit page": the scale from screen pixels to device pixels that fits
// an area of areaWidth x areaHeight screen pixels into the printable area and
// keeps the on-screen proportions between the two axes.
struct PrintScale {
    double x = 1.0, y = 1.0;
};
PrintScale FitToPage(const PageRect& printable, double areaWidth, double areaHeight, double screenDpiX,
                     double screenDpiY, double deviceDpiX, double deviceDpiY);

// "Scale by time/freq:": the size in device pixels of one plot showing
// `seconds` of sound over `kHzSpan` kHz, with `panes` plots stacked in the
// window (the total height is shared between them).
struct PlotSize {
    double width = 0.0, height = 0.0;
};
PlotSize FixedScalePlot(double seconds, double kHzSpan, int panes, double dpiX, double dpiY, const PrintOptions& o);

} // namespace tavril
