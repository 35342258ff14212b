#include "print/CTavrilPreviewView.h"

namespace tavril {

CTavrilPreviewView::CTavrilPreviewView(QPrinter* printer, std::function<void(QPrinter&)> paint, QWidget* parent)
    : QPrintPreviewDialog(printer, parent), m_paint(std::move(paint)) {
    setWindowTitle(QStringLiteral("Print Preview"));
    connect(this, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) {
        if (p && m_paint)
            m_paint(*p);
    });
}

} // namespace tavril
