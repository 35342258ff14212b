#pragma once
// CDlgExportFigure: "Export Figure": the format (PDF, SVG or PNG) and the
// resolution in dots per inch of the figure written from the active window.
//
// Modal; UI thread only.

#include "print/CFigureExport.h"

#include <QDialog>

class QComboBox;
class QSpinBox;

namespace tavril {

class CDlgExportFigure : public QDialog {
    Q_OBJECT
public:
    CDlgExportFigure(FigureFormat format, int dpi, QWidget* parent = nullptr);
    FigureFormat Format() const;
    int Dpi() const;

private:
    QComboBox* m_format;
    QSpinBox* m_dpi;
};

} // namespace tavril
