#include "PrintOptions.h"

#include "SettingsSection.h"

#include <algorithm>

namespace tavril {

namespace {
const SettingsSection<PrintOptions>& Keys() {
    static const SettingsSection<PrintOptions> keys{
        {"Print Quality", &PrintOptions::quality},
        {"Print Selection", &PrintOptions::selection},
        {"Print Sizing", &PrintOptions::sizing},
        {"Print Filenames", &PrintOptions::filenames},
        {"Window print enlargement", &PrintOptions::enlargementPercent},
        {"Window print height method", &PrintOptions::heightMethod},
        {"Window print height (in/kHz)", &PrintOptions::heightPerKHzIn},
        {"Window print height", &PrintOptions::totalHeightIn},
        {"Window print length", &PrintOptions::lengthPerSecIn},
        {"Top page margin", &PrintOptions::topMarginIn},
        {"Bottom page margin", &PrintOptions::bottomMarginIn},
        {"Left page margin", &PrintOptions::leftMarginIn},
        {"Right page margin", &PrintOptions::rightMarginIn},
        {"Page orientation", &PrintOptions::orientation},
    };
    return keys;
}
} // namespace

int PrintOptions::Save(const std::string& file) const { return Keys().Save(file, kSection, *this); }
void PrintOptions::Load(const std::string& file) { Keys().Load(file, kSection, *this); }

PageRect PrintableArea(double pageWidthPx, double pageHeightPx, double dpiX, double dpiY, const PrintOptions& o) {
    PageRect r;
    r.x = std::max(0.0, static_cast<double>(o.leftMarginIn)) * dpiX;
    r.y = std::max(0.0, static_cast<double>(o.topMarginIn)) * dpiY;
    r.width = std::max(0.0, pageWidthPx - r.x - std::max(0.0, static_cast<double>(o.rightMarginIn)) * dpiX);
    r.height = std::max(0.0, pageHeightPx - r.y - std::max(0.0, static_cast<double>(o.bottomMarginIn)) * dpiY);
    return r;
}

PrintScale FitToPage(const PageRect& printable, double areaWidth, double areaHeight, double screenDpiX,
                     double screenDpiY, double deviceDpiX, double deviceDpiY) {
    PrintScale s;
    if (areaWidth <= 0.0 || areaHeight <= 0.0 || screenDpiX <= 0.0 || screenDpiY <= 0.0 || deviceDpiX <= 0.0 ||
        deviceDpiY <= 0.0)
        return s;
    // a: how much taller a device pixel is than wide, relative to the screen's.
    const double a = (screenDpiX / deviceDpiX) / (screenDpiY / deviceDpiY);
    const double fitX = printable.width / areaWidth;
    const double fitY = printable.height / (areaHeight * a);
    s.x = std::min(fitX, fitY);
    s.y = a * s.x;
    return s;
}

PlotSize FixedScalePlot(double seconds, double kHzSpan, int panes, double dpiX, double dpiY, const PrintOptions& o) {
    const double enlarge = std::max(0.0, static_cast<double>(o.enlargementPercent)) / 100.0;
    PlotSize p;
    p.width = std::max(0.0, seconds) * std::max(0.0f, o.lengthPerSecIn) * enlarge * dpiX;
    double inches = o.heightMethod == 0 ? std::max(0.0, kHzSpan) * std::max(0.0f, o.heightPerKHzIn)
                                        : std::max(0.0f, o.totalHeightIn) / std::max(1, panes);
    p.height = inches * enlarge * dpiY;
    return p;
}

} // namespace tavril
