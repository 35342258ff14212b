#pragma once
// CFigureExport: one sound window written as a figure for a paper: a PDF or
// SVG file whose axes, ticks and labels are vector text and whose spectrogram
// is an embedded picture at the figure's full resolution, or a PNG picture.
// The figure has the window's on-screen size in inches (at the screen's
// resolution); `dpi` sets how finely it is drawn. The file appears only when
// it was written whole.
//
// Free functions; UI thread (they paint with Qt).

#include "print/CPagePainter.h"

#include <string>

namespace tavril {

enum class FigureFormat { Pdf, Svg, Png };

// From the name's extension (.pdf, .svg, .png, any case); false for another.
bool FigureFormatFor(const std::string& path, FigureFormat& format);

// Largest side of a PNG figure, in pixels.
constexpr int kMaxFigurePixels = 30000;

bool WriteFigure(const PrintWindow& window, const std::string& path, FigureFormat format, int dpi,
                 std::string& error);

} // namespace tavril
