#pragma once
// CPrintCommands: the printing commands of the main frame: "&Print
// Window(s)" (the "Print Setup" dialog, then the active or every window on
// the printer), "Print Setup..." (the options and the printer alone), the
// print preview and "Export Figure...". Also the headless print of
// `tavril --print-pdf`. Keeps the options of the last confirmed print, which
// start from the "Pre Print Dialog Details" of the default settings file.
//
// Owned by main() beside the frame, which must outlive it. UI thread only.

#include "CommandTable.h"
#include "IPrompt.h"
#include "PrintOptions.h"
#include "SpectrogramTextExport.h"
#include "print/CFigureExport.h"
#include "print/CPagePainter.h"

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QDialog;
class QPrinter;

namespace tavril {

class CMainFrame;
class CTavrilView;
struct CommandExtension;

class CPrintCommands : public QObject {
    Q_OBJECT
public:
    CPrintCommands(CMainFrame& frame, IPrompt& prompt, QObject* parent = nullptr);
    ~CPrintCommands() override;

    static bool Handles(Cmd id);
    // What the frame asks and runs through.
    CommandExtension Extension();
    // Runs dialogs; tests answer them without an event loop.
    void SetDialogDriver(std::function<int(QDialog&)> driver) { m_driver = std::move(driver); }

    // Start-up: the options of the default settings file.
    void LoadSettings();
    const PrintOptions& Options() const { return m_options; }
    void SetOptions(const PrintOptions& o) { m_options = o; }
    QPrinter& Printer() { return *m_printer; }

    // The windows the options ask for: the active one, or every sound window
    // in the frame's order.
    std::vector<PrintWindow> WindowsToPrint(bool all) const;
    // Paints `windows` on `printer` with the options; the status bar says
    // which window is printing. Returns the pages painted (0: nothing could
    // be printed, `error` says why).
    int PrintOn(QPrinter& printer, const std::vector<PrintWindow>& windows, std::string& error);
    // Every window, titled with its file name, on A4 (Letter where the
    // locale measures in inches) in a PDF file.
    bool PrintToPdf(const std::string& path, std::string& error);
    bool ExportFigure(CTavrilView& view, const std::string& path, FigureFormat format, int dpi, std::string& error);

private:
    int Exec(QDialog& dialog);
    void CmdPrint(bool setupOnly);
    void CmdPreview();
    void CmdExportFigure(CTavrilView* view);

    CMainFrame& m_frame;
    IPrompt& m_prompt;
    PrintOptions m_options;
    std::unique_ptr<QPrinter> m_printer;
    std::function<int(QDialog&)> m_driver;
    FigureFormat m_figureFormat = FigureFormat::Pdf;
    int m_figureDpi = 300;
};

} // namespace tavril
