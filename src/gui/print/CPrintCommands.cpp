#include "print/CPrintCommands.h"

#include "frame/CChildFrame.h"
#include "frame/CMainFrame.h"
#include "print/CDlgExportFigure.h"
#include "print/CTavrilPreviewView.h"
#include "print/CTavrilPrintDialog.h"
#include "view/CTavrilView.h"

#include "CSoundFile.h"

#include <QApplication>
#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QStatusBar>

#include <filesystem>

namespace tavril {

CPrintCommands::CPrintCommands(CMainFrame& frame, IPrompt& prompt, QObject* parent)
    : QObject(parent), m_frame(frame), m_prompt(prompt), m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

CPrintCommands::~CPrintCommands() = default;

bool CPrintCommands::Handles(Cmd id) {
    return id == Cmd::Print || id == Cmd::PrintSetup || id == Cmd::PrintPreview || id == Cmd::ExportFigure;
}

CommandExtension CPrintCommands::Extension() {
    CommandExtension ext;
    ext.handles = &CPrintCommands::Handles;
    ext.enabled = [](Cmd id, CTavrilView* v) { return id == Cmd::PrintSetup || v != nullptr; };
    ext.run = [this](Cmd id, CTavrilView* v) {
        switch (id) {
        case Cmd::Print: CmdPrint(false); break;
        case Cmd::PrintSetup: CmdPrint(true); break;
        case Cmd::PrintPreview: CmdPreview(); break;
        case Cmd::ExportFigure: CmdExportFigure(v); break;
        default: break;
        }
    };
    return ext;
}

void CPrintCommands::LoadSettings() {
    m_options.Load("");
}

int CPrintCommands::Exec(QDialog& dialog) { return m_driver ? m_driver(dialog) : dialog.exec(); }

std::vector<PrintWindow> CPrintCommands::WindowsToPrint(bool all) const {
    std::vector<PrintWindow> out;
    if (all) {
        for (CChildFrame* w : m_frame.Windows())
            out.push_back(PrintWindow::FromView(*w->View()));
    } else if (CTavrilView* v = m_frame.ActiveView()) {
        out.push_back(PrintWindow::FromView(*v));
    }
    return out;
}

int CPrintCommands::PrintOn(QPrinter& printer, const std::vector<PrintWindow>& windows, std::string& error) {
    if (windows.empty()) {
        error = "There is no sound window to print.";
        return 0;
    }
    printer.setDocName(windows.size() > 1 ? QStringLiteral("Tavril display") : QStringLiteral("Tavril window"));
    printer.setFullPage(true);
    printer.setPageOrientation(m_options.orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPainter p;
    if (!p.begin(&printer)) {
        error = "The print job could not be started.";
        return 0;
    }
    PrintTarget t;
    t.page = printer.paperRect(QPrinter::DevicePixel);
    t.page.moveTo(0, 0);
    t.dpiX = printer.logicalDpiX();
    t.dpiY = printer.logicalDpiY();
    t.mono = printer.colorMode() == QPrinter::GrayScale;
    if (CTavrilView* v = m_frame.ActiveView()) {
        t.screenDpiX = v->logicalDpiX();
        t.screenDpiY = v->logicalDpiY();
    }
    CPagePainter painter(m_options);
    const int pages = painter.Print(
        p, t, windows, [&] { return printer.newPage(); },
        [this](int index, int count, const QString& title) {
            const QString text = count > 1 ? QString::asprintf("Printing %s (%d of %d)", qPrintable(title), index, count)
                                           : QString::asprintf("Printing %s", qPrintable(title));
            m_frame.statusBar()->showMessage(text);
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    p.end();
    m_frame.statusBar()->clearMessage();
    return pages;
}

bool CPrintCommands::PrintToPdf(const std::string& path, std::string& error) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(600);
    printer.setPageSize(QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
                            ? QPageSize(QPageSize::Letter)
                            : QPageSize(QPageSize::A4));
    // Written beside the target and renamed, so a failed print leaves no half file.
    const std::string partial = path + ".part";
    printer.setOutputFileName(QString::fromStdString(partial));
    const PrintOptions kept = m_options;
    m_options.filenames = 1;
    const int pages = PrintOn(printer, WindowsToPrint(true), error);
    m_options = kept;
    std::error_code ec;
    if (pages == 0) {
        std::filesystem::remove(partial, ec);
        return false;
    }
    std::filesystem::rename(partial, path, ec);
    if (ec) {
        error = "Cannot write " + path + ": " + ec.message();
        std::filesystem::remove(partial, ec);
        return false;
    }
    return true;
}

bool CPrintCommands::ExportFigure(CTavrilView& view, const std::string& path, FigureFormat format, int dpi,
                                  std::string& error) {
    return WriteFigure(PrintWindow::FromView(view), path, format, dpi, error);
}

void CPrintCommands::CmdPrint(bool setupOnly) {
    CTavrilPrintDialog dlg(m_options, *m_printer, std::string(), &m_frame);
    if (Exec(dlg) != QDialog::Accepted)
        return;
    m_options = dlg.Options();
    dlg.ApplyToPrinter();
    if (setupOnly)
        return;
    if (m_printer->outputFormat() == QPrinter::PdfFormat) {
        IPrompt::PathRequest req;
        req.title = "Print to file";
        req.filter = "PDF files (*.pdf)|*.pdf|";
        req.defaultExtension = "pdf";
        req.forSaving = true;
        std::string out;
        if (!m_prompt.ChoosePath(req, out))
            return;
        m_printer->setOutputFileName(QString::fromStdString(out));
    }
    std::string error;
    if (PrintOn(*m_printer, WindowsToPrint(m_options.selection == 1), error) == 0)
        m_prompt.ShowMessage(error);
}

void CPrintCommands::CmdPreview() {
    CTavrilPreviewView preview(m_printer.get(), [this](QPrinter& printer) {
        std::string error;
        PrintOn(printer, WindowsToPrint(false), error);
    }, &m_frame);
    Exec(preview);
}

void CPrintCommands::CmdExportFigure(CTavrilView* view) {
    if (!view)
        return;
    CDlgExportFigure dlg(m_figureFormat, m_figureDpi, &m_frame);
    if (Exec(dlg) != QDialog::Accepted)
        return;
    m_figureFormat = dlg.Format();
    m_figureDpi = dlg.Dpi();
    static const char* const kExt[] = {"pdf", "svg", "png"};
    static const char* const kFilter[] = {"PDF files (*.pdf)|*.pdf|", "SVG files (*.svg)|*.svg|",
                                          "PNG pictures (*.png)|*.png|"};
    const int f = static_cast<int>(m_figureFormat);
    IPrompt::PathRequest req;
    req.title = "Export Figure";
    req.filter = kFilter[f];
    req.defaultExtension = kExt[f];
    req.forSaving = true;
    const std::string sound = view->Doc().Path();
    if (!sound.empty())
        req.proposedPath = std::filesystem::path(sound).replace_extension(kExt[f]).string();
    std::string path;
    if (!m_prompt.ChoosePath(req, path))
        return;
    std::string error;
    if (!ExportFigure(*view, path, m_figureFormat, m_figureDpi, error))
        m_prompt.ShowMessage(error);
}

} // namespace tavril

