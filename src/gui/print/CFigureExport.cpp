#include "print/CFigureExport.h"

#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace tavril {

bool FigureFormatFor(const std::string& path, FigureFormat& format) {
    const auto dot = path.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "pdf")
        format = FigureFormat::Pdf;
    else if (ext == "svg")
        format = FigureFormat::Svg;
    else if (ext == "png")
        format = FigureFormat::Png;
    else
        return false;
    return true;
}

bool WriteFigure(const PrintWindow& window, const std::string& path, FigureFormat format, int dpi,
                 std::string& error) {
    if (dpi < 10 || dpi > 4800) {
        error = "The resolution must be from 10 to 4800 dots per inch.";
        return false;
    }
    constexpr double kScreenDpi = 96.0;
    const QSize view = window.ViewSize();
    const double widthIn = view.width() / kScreenDpi, heightIn = view.height() / kScreenDpi;
    const int widthPx = static_cast<int>(std::ceil(widthIn * dpi));
    const int heightPx = static_cast<int>(std::ceil(heightIn * dpi));
    if (format == FigureFormat::Png && (widthPx > kMaxFigurePixels || heightPx > kMaxFigurePixels)) {
        error = "A picture of " + std::to_string(widthPx) + " x " + std::to_string(heightPx) +
                " pixels is too large; choose a lower resolution.";
        return false;
    }
    PrintOptions options;
    options.quality = 1;
    CPagePainter painter(options);
    PrintTarget target;
    target.dpiX = target.dpiY = dpi;
    target.screenDpiX = target.screenDpiY = kScreenDpi;
    const double scale = dpi / kScreenDpi;

    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        error = "Cannot write " + path + ": " + file.errorString().toStdString();
        return false;
    }
    bool painted = false;
    if (format == FigureFormat::Pdf) {
        QPdfWriter writer(&file);
        writer.setResolution(dpi);
        writer.setPageSize(QPageSize(QSizeF(widthIn, heightIn), QPageSize::Inch, QString(), QPageSize::ExactMatch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(window.title);
        writer.setCreator(QStringLiteral("Tavril"));
        QPainter p;
        if (p.begin(&writer)) {
            target.page = QRectF(0, 0, writer.width(), writer.height());
            painter.PaintWindow(p, target, window, QPointF(0, 0), scale, scale, false);
            painted = p.end();
        }
    } else if (format == FigureFormat::Svg) {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(QSize(widthPx, heightPx));
        svg.setViewBox(QRect(0, 0, widthPx, heightPx));
        svg.setResolution(dpi);
        svg.setTitle(window.title);
        QPainter p;
        if (p.begin(&svg)) {
            target.page = QRectF(0, 0, widthPx, heightPx);
            p.fillRect(target.page, Qt::white);
            painter.PaintWindow(p, target, window, QPointF(0, 0), scale, scale, false);
            painted = p.end();
        }
    } else {
        QImage img(widthPx, heightPx, QImage::Format_RGB32);
        if (img.isNull()) {
            error = "Not enough memory for a picture of that size.";
            return false;
        }
        img.fill(Qt::white);
        img.setDotsPerMeterX(static_cast<int>(std::lround(dpi / 0.0254)));
        img.setDotsPerMeterY(static_cast<int>(std::lround(dpi / 0.0254)));
        QPainter p(&img);
        target.page = QRectF(0, 0, widthPx, heightPx);
        painter.PaintWindow(p, target, window, QPointF(0, 0), scale, scale, false);
        p.end();
        painted = img.save(&file, "PNG");
    }
    if (!painted || !file.commit()) {
        error = "Cannot write " + path + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}

} // namespace tavril
