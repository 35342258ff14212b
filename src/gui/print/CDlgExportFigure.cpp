#include "print/CDlgExportFigure.h"

#include "common/DialogFields.h"

#include <QComboBox>
#include <QFormLayout>

namespace tavril {

CDlgExportFigure::CDlgExportFigure(FigureFormat format, int dpi, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Export Figure"));
    m_format = new QComboBox(this);
    m_format->addItems({QStringLiteral("PDF (vector text, embedded spectrogram)"),
                        QStringLiteral("SVG (vector text, embedded spectrogram)"), QStringLiteral("PNG picture")});
    m_format->setCurrentIndex(static_cast<int>(format));
    m_dpi = MakeIntField(10, 4800, dpi, this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Format:"), m_format);
    form->addRow(QStringLiteral("Resolution (dots per inch):"), m_dpi);
    auto* buttons = MakeOkCancelButtons(this);
    StackDialog(this, {form, buttons});
}

FigureFormat CDlgExportFigure::Format() const { return static_cast<FigureFormat>(m_format->currentIndex()); }

int CDlgExportFigure::Dpi() const { return m_dpi->value(); }

} // namespace tavril
