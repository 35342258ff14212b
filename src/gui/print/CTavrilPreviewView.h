#pragma once
// CTavrilPreviewView: the print preview: the pages the printer would get
// for the active window with the present print options, with the usual
// zoom, page and print controls.
//
// Modal; owned by whoever opens it; UI thread only.

#include <QPrintPreviewDialog>
#include <QPrinter>
#include <functional>

namespace tavril {

class CTavrilPreviewView : public QPrintPreviewDialog {
    Q_OBJECT
public:
    // `paint` draws the pages on the printer it is given.
    CTavrilPreviewView(QPrinter* printer, std::function<void(QPrinter&)> paint, QWidget* parent = nullptr);

private:
    std::function<void(QPrinter&)> m_paint;
};

} // namespace tavril
