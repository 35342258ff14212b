#pragma once
// CTavrilPrintDialog: "Print Setup", the printer choice (name, properties,
// print to file, copies, collate) together with the program's own print
// options: quality, which windows, sizing to the page or by time and
// frequency, file names as titles, margins and orientation. OK hands the
// options back and sets the printer up; "Make Default" stores the options in
// the default settings file.
//
// Modal, owned by whoever opens it; UI thread only.

#include "PrintOptions.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QPrinter;
class QRadioButton;
class QSpinBox;

namespace tavril {

class CTavrilPrintDialog : public QDialog {
    Q_OBJECT
public:
    // `printer` is set up on OK; `settingsFile` is where "Make Default"
    // writes (empty: the default settings file).
    CTavrilPrintDialog(const PrintOptions& options, QPrinter& printer, std::string settingsFile,
                       QWidget* parent = nullptr);

    PrintOptions Options() const;
    // Writes the chosen printer, copies, orientation and output file into the printer.
    void ApplyToPrinter() const;
    bool MakeDefault();

    // The printer names offered; the last one writes a PDF file.
    static QString PdfPrinterName();

private:
    QPrinter& m_printer;
    std::string m_settingsFile;
    QComboBox* m_name = nullptr;
    QCheckBox* m_toFile = nullptr;
    QSpinBox* m_copies = nullptr;
    QCheckBox* m_collate = nullptr;
    QRadioButton* m_draft = nullptr;
    QRadioButton* m_high = nullptr;
    QRadioButton* m_active = nullptr;
    QRadioButton* m_all = nullptr;
    QRadioButton* m_fit = nullptr;
    QRadioButton* m_scale = nullptr;
    QDoubleSpinBox* m_length = nullptr;
    QRadioButton* m_perKHz = nullptr;
    QRadioButton* m_total = nullptr;
    QDoubleSpinBox* m_heightPerKHz = nullptr;
    QDoubleSpinBox* m_totalHeight = nullptr;
    QDoubleSpinBox* m_enlarge = nullptr;
    QCheckBox* m_filenames = nullptr;
    QDoubleSpinBox* m_top = nullptr;
    QDoubleSpinBox* m_bottom = nullptr;
    QDoubleSpinBox* m_left = nullptr;
    QDoubleSpinBox* m_right = nullptr;
    QRadioButton* m_portrait = nullptr;
    QRadioButton* m_landscape = nullptr;
};

} // namespace tavril
