#include "print/CTavrilPrintDialog.h"

#include "common/DialogFields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>

namespace tavril {

namespace {

QGroupBox* Choice(const QString& title, QRadioButton*& a, const QString& aText, QRadioButton*& b,
                  const QString& bText, bool second, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(box);
    a = new QRadioButton(aText, box);
    b = new QRadioButton(bText, box);
    (second ? b : a)->setChecked(true);
    layout->addWidget(a);
    layout->addWidget(b);
    return box;
}

} // namespace

QString CTavrilPrintDialog::PdfPrinterName() { return QStringLiteral("PDF file"); }

CTavrilPrintDialog::CTavrilPrintDialog(const PrintOptions& o, QPrinter& printer, std::string settingsFile,
                                       QWidget* parent)
    : QDialog(parent), m_printer(printer), m_settingsFile(std::move(settingsFile)) {
    setWindowTitle(QStringLiteral("Print Setup"));

    // The printer, as a standard print set-up shows it.
    auto* printerBox = new QGroupBox(QStringLiteral("Printer"), this);
    auto* pl = new QGridLayout(printerBox);
    m_name = new QComboBox(printerBox);
    m_name->addItems(QPrinterInfo::availablePrinterNames());
    m_name->addItem(PdfPrinterName());
    const QString current = printer.outputFormat() == QPrinter::PdfFormat ? PdfPrinterName() : printer.printerName();
    if (m_name->findText(current) >= 0)
        m_name->setCurrentText(current);
    auto* nameLabel = new QLabel(QStringLiteral("&Name:"), printerBox);
    nameLabel->setBuddy(m_name);
    auto* properties = new QPushButton(QStringLiteral("&Properties"), printerBox);
    connect(properties, &QPushButton::clicked, this, [this] {
        ApplyToPrinter();
        QPageSetupDialog setup(&m_printer, this);
        setup.exec();
    });
    m_toFile = new QCheckBox(QStringLiteral("Print to fi&le"), printerBox);
    m_toFile->setChecked(printer.outputFormat() == QPrinter::PdfFormat);
    pl->addWidget(nameLabel, 0, 0);
    pl->addWidget(m_name, 0, 1);
    pl->addWidget(properties, 0, 2);
    pl->addWidget(m_toFile, 1, 1);

    auto* range = new QGroupBox(QStringLiteral("Print range"), this);
    auto* rl = new QVBoxLayout(range);
    rl->addWidget(new QRadioButton(QStringLiteral("&All"), range));
    range->setEnabled(false);

    auto* copiesBox = new QGroupBox(QStringLiteral("Copies"), this);
    auto* cl = new QFormLayout(copiesBox);
    m_copies = MakeIntField(1, 999, std::max(1, printer.copyCount()), copiesBox);
    m_collate = new QCheckBox(QStringLiteral("C&ollate"), copiesBox);
    m_collate->setChecked(printer.collateCopies());
    cl->addRow(QStringLiteral("Number of &copies:"), m_copies);
    cl->addRow(m_collate);

    auto* quality = Choice(QStringLiteral("Print Quality"), m_draft, QStringLiteral("Draft "), m_high,
                           QStringLiteral("High quality (slower)"), o.quality == 1, this);
    auto* selection = Choice(QStringLiteral("Print Selection"), m_active, QStringLiteral("Print active window "),
                             m_all, QStringLiteral("Print all windows"), o.selection == 1, this);

    auto* sizing = new QGroupBox(QStringLiteral("Spectragraph sizing options"), this);
    auto* sl = new QGridLayout(sizing);
    m_fit = new QRadioButton(QStringLiteral("Size to fit page"), sizing);
    m_scale = new QRadioButton(QStringLiteral("Scale by time/freq:"), sizing);
    (o.sizing == 1 ? m_scale : m_fit)->setChecked(true);
    m_length = MakeRealField(0.0, 1000.0, o.lengthPerSecIn, 3, sizing);
    m_perKHz = new QRadioButton(QStringLiteral("Height (in/kHz):"), sizing);
    m_total = new QRadioButton(QStringLiteral("Total Height (in):"), sizing);
    (o.heightMethod == 0 ? m_perKHz : m_total)->setChecked(true);
    m_heightPerKHz = MakeRealField(0.0, 100.0, o.heightPerKHzIn, 3, sizing);
    m_totalHeight = MakeRealField(0.0, 1000.0, o.totalHeightIn, 3, sizing);
    m_enlarge = MakeRealField(1.0, 10000.0, o.enlargementPercent, 1, sizing);
    sl->addWidget(m_fit, 0, 0, 1, 2);
    sl->addWidget(m_scale, 1, 0, 1, 2);
    sl->addWidget(new QLabel(QStringLiteral("Length (in/sec):"), sizing), 2, 0);
    sl->addWidget(m_length, 2, 1);
    sl->addWidget(m_perKHz, 3, 0);
    sl->addWidget(m_heightPerKHz, 3, 1);
    sl->addWidget(m_total, 4, 0);
    sl->addWidget(m_totalHeight, 4, 1);
    sl->addWidget(new QLabel(QStringLiteral("Enlargement (%):"), sizing), 5, 0);
    sl->addWidget(m_enlarge, 5, 1);
    auto follow = [this] {
        const bool scale = m_scale->isChecked();
        for (QWidget* w : {static_cast<QWidget*>(m_length), static_cast<QWidget*>(m_perKHz),
                           static_cast<QWidget*>(m_total), static_cast<QWidget*>(m_enlarge)})
            w->setEnabled(scale);
        m_heightPerKHz->setEnabled(scale && m_perKHz->isChecked());
        m_totalHeight->setEnabled(scale && m_total->isChecked());
    };
    for (QRadioButton* r : {m_fit, m_scale, m_perKHz, m_total})
        connect(r, &QRadioButton::toggled, this, follow);
    follow();

    m_filenames = new QCheckBox(QStringLiteral("Print filenames above each window as a title"), this);
    m_filenames->setChecked(o.filenames != 0);

    auto* margins = new QGroupBox(QStringLiteral("Margins (inches)"), this);
    auto* ml = new QFormLayout(margins);
    m_top = MakeRealField(0.0, 20.0, o.topMarginIn, 2, margins);
    m_bottom = MakeRealField(0.0, 20.0, o.bottomMarginIn, 2, margins);
    m_left = MakeRealField(0.0, 20.0, o.leftMarginIn, 2, margins);
    m_right = MakeRealField(0.0, 20.0, o.rightMarginIn, 2, margins);
    ml->addRow(QStringLiteral("Top"), m_top);
    ml->addRow(QStringLiteral("Bottom"), m_bottom);
    ml->addRow(QStringLiteral("Left"), m_left);
    ml->addRow(QStringLiteral("Right"), m_right);
    auto* orientation = Choice(QStringLiteral("Orientation"), m_portrait, QStringLiteral("P&ortrait"), m_landscape,
                               QStringLiteral("L&andscape"), o.orientation == 1, this);

    auto* buttons = MakeOkCancelButtons(this);
    QPushButton* makeDefault = buttons->addButton(QStringLiteral("Make Default"), QDialogButtonBox::ActionRole);
    connect(makeDefault, &QPushButton::clicked, this, [this] { MakeDefault(); });
    QPushButton* preview = buttons->addButton(QStringLiteral("Preview"), QDialogButtonBox::ActionRole);
    preview->setEnabled(false);
    AddHelpButton(buttons, this,
                  QStringLiteral("Draft prints the picture the screen shows, stretched to the page; high quality "
                                 "computes it for the printer's own resolution. \"Size to fit page\" keeps the "
                                 "windows' proportions; \"Scale by time/freq:\" prints so many inches per second "
                                 "and per kHz (or a total height), enlarged by the percentage, on as many pages "
                                 "as the sound needs."));

    auto* top = new QHBoxLayout;
    auto* leftColumn = new QVBoxLayout;
    leftColumn->addWidget(printerBox);
    leftColumn->addWidget(range);
    leftColumn->addWidget(copiesBox);
    leftColumn->addWidget(quality);
    leftColumn->addWidget(selection);
    auto* rightColumn = new QVBoxLayout;
    rightColumn->addWidget(sizing);
    rightColumn->addWidget(m_filenames);
    rightColumn->addWidget(margins);
    rightColumn->addWidget(orientation);
    top->addLayout(leftColumn);
    top->addLayout(rightColumn);
    StackDialog(this, {top, buttons});
}

PrintOptions CTavrilPrintDialog::Options() const {
    PrintOptions o;
    o.quality = m_high->isChecked() ? 1 : 0;
    o.selection = m_all->isChecked() ? 1 : 0;
    o.sizing = m_scale->isChecked() ? 1 : 0;
    o.filenames = m_filenames->isChecked() ? 1 : 0;
    o.enlargementPercent = static_cast<float>(m_enlarge->value());
    o.heightMethod = m_perKHz->isChecked() ? 0 : 1;
    o.heightPerKHzIn = static_cast<float>(m_heightPerKHz->value());
    o.totalHeightIn = static_cast<float>(m_totalHeight->value());
    o.lengthPerSecIn = static_cast<float>(m_length->value());
    o.topMarginIn = static_cast<float>(m_top->value());
    o.bottomMarginIn = static_cast<float>(m_bottom->value());
    o.leftMarginIn = static_cast<float>(m_left->value());
    o.rightMarginIn = static_cast<float>(m_right->value());
    o.orientation = m_landscape->isChecked() ? 1 : 0;
    return o;
}

void CTavrilPrintDialog::ApplyToPrinter() const {
    const bool pdf = m_name->currentText() == PdfPrinterName() || m_toFile->isChecked();
    if (m_name->currentText() != PdfPrinterName())
        m_printer.setPrinterName(m_name->currentText());
    m_printer.setOutputFormat(pdf ? QPrinter::PdfFormat : QPrinter::NativeFormat);
    m_printer.setCopyCount(m_copies->value());
    m_printer.setCollateCopies(m_collate->isChecked());
    m_printer.setPageOrientation(m_landscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait);
}

bool CTavrilPrintDialog::MakeDefault() {
    return ReportDefaultSaved(this, Options().Save(m_settingsFile),
                              QStringLiteral("The default print options could not be saved."));
}

} // namespace tavril
