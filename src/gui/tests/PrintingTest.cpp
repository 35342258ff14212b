// Printing and figures: the sizes the print options ask for, the one-bit
// paper path, the banded spectrogram, the "Print Setup" dialog's memory, and
// the PDF, SVG and PNG files checked with poppler's tools.
#include "frame/CFrameFiles.h"
#include "GuiTestSupport.h"

#include "frame/CChildFrame.h"
#include "print/CPagePainter.h"
#include "print/CPrintCommands.h"
#include "print/CTavrilPrintDialog.h"
#include "view/CTavrilView.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include <cmath>
#include <filesystem>
#include <random>

namespace tavril::test {
namespace {

namespace fs = std::filesystem;

// Bounding box of the pixels darker than `level` (grey 0..255).
QRect DarkBox(const QImage& img, int level = 250) {
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < level)
                box |= QRect(x, y, 1, 1);
    return box;
}

QString Tool(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(120000);
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput());
}

class Printing : public FrameTest {
protected:
    // Loud white noise: its spectrogram is dark over the whole plot.
    CTavrilView* NoiseWindow(uint32_t frames = 44100) {
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> d(-30000, 30000);
        std::vector<int16_t> s(frames);
        for (auto& v : s)
            v = static_cast<int16_t>(d(rng));
        const std::string path = m_dir.File("noise.wav");
        EXPECT_TRUE(WriteWav(path, s));
        CChildFrame* w = m_frame->OpenSoundFile(path);
        EXPECT_NE(w, nullptr);
        w->resize(500, 260);
        Settle();
        return w->View();
    }
    // Paints `windows` on a white picture of the page; returns the pages painted.
    int PrintOnPicture(const PrintOptions& o, const std::vector<PrintWindow>& windows, QImage& page, double dpi,
                       bool mono = false, CPagePainter* painter = nullptr) {
        page.fill(Qt::white);
        PrintTarget t;
        t.page = QRectF(0, 0, page.width(), page.height());
        t.dpiX = t.dpiY = dpi;
        t.mono = mono;
        CPagePainter own(o);
        CPagePainter& pp = painter ? *painter : own;
        QPainter p(&page);
        int pages = pp.Print(p, t, windows, [] { return true; });
        return pages;
    }
};

TEST_F(Printing, FixedScaleOneInchPerSecondAndPerKHz) {
    // A full-scale square wave: its waveform fills every column from top to bottom.
    const std::string path = m_dir.File("square.wav");
    ASSERT_TRUE(WriteWav(path, Stereo(22050, [](int i) { return i % 2 ? 32767 : -32767; }, [](int) { return 0; }),
                         22050.0, 2));
    CChildFrame* w = m_frame->OpenSoundFile(path);  // 1 s over 11.025 kHz, one channel shown
    ASSERT_NE(w, nullptr);
    w->resize(500, 260);
    WindowDisplaySettings s = w->View()->Settings();
    s.m_displayType = 0;
    w->View()->SetSettings(s);
    Settle();
    PrintOptions o;
    o.sizing = 1;
    o.lengthPerSecIn = 1.0f;
    o.heightMethod = 0;
    o.heightPerKHzIn = 1.0f;
    o.topMarginIn = o.leftMarginIn = o.rightMarginIn = o.bottomMarginIn = 0.5f;
    o.quality = 1;
    QImage page(400, 1300, QImage::Format_RGB32);  // 4 x 13 inches at 100 dpi
    ASSERT_EQ(PrintOnPicture(o, {PrintWindow::FromView(*w->View())}, page, 100.0), 1);
    // 1 inch by 11.025 inches at 100 dpi, below the top margin.
    QRect box = DarkBox(page);
    EXPECT_NEAR(box.width(), 100, 1);
    EXPECT_NEAR(box.height(), 1102.5, 1.5);
    EXPECT_GE(box.top(), 50);
    // At half the enlargement, half the size.
    o.enlargementPercent = 50.0f;
    PrintOnPicture(o, {PrintWindow::FromView(*w->View())}, page, 100.0);
    box = DarkBox(page);
    EXPECT_NEAR(box.width(), 50, 1);
    EXPECT_NEAR(box.height(), 551.25, 1.5);
}

TEST_F(Printing, FixedScaleWiderThanThePageGoesOnInStripsAndPages) {
    CTavrilView* v = NoiseWindow(22050 * 10);  // 10 s at 1 in/s: 10 inches
    PrintOptions o;
    o.sizing = 1;
    o.totalHeightIn = 2.0f;
    o.topMarginIn = o.leftMarginIn = o.rightMarginIn = o.bottomMarginIn = 0.0f;
    QImage page(450, 500, QImage::Format_RGB32);  // 4.5 x 5 inches at 100 dpi: two strips a page
    CPagePainter painter(o);
    const int pages = PrintOnPicture(o, {PrintWindow::FromView(*v)}, page, 100.0, false, &painter);
    // Each strip is at most the page less the window's axis margins; 10 inches
    // need three strips of under 4.5 inches, two on a 5-inch page.
    double total = 0.0;
    for (const QRectF& r : painter.PlotsPainted()) {
        EXPECT_LE(r.width(), 450.0);
        EXPECT_NEAR(r.height(), 200.0, 0.5);
        total += r.width();
    }
    EXPECT_NEAR(total, 1000.0, 0.5);
    EXPECT_EQ(painter.PlotsPainted().size(), 3u);
    EXPECT_EQ(pages, 2);
}

TEST_F(Printing, FitToPageKeepsTheWindowsAspectOnA4AndLetter) {
    CTavrilView* v = NoiseWindow();
    const QRect plot = v->Pane(0)->PlotRect();
    PrintOptions o;  // size to fit page, draft
    // A4 (8.27 x 11.69 in) and Letter (8.5 x 11 in) at 60 dpi, portrait and landscape.
    for (QSize size : {QSize(496, 701), QSize(510, 660), QSize(701, 496), QSize(660, 510)}) {
        QImage page(size, QImage::Format_RGB32);
        ASSERT_EQ(PrintOnPicture(o, {PrintWindow::FromView(*v)}, page, 60.0), 1);
        const QRect box = DarkBox(page);
        EXPECT_NEAR(double(box.width()) / box.height(), double(plot.width()) / plot.height(), 0.03) << size.width();
        // Inside the margins: left 0.1 in, right and top 0.25 in.
        EXPECT_GE(box.left(), 6);
        EXPECT_LE(box.right(), size.width() - 15);
        EXPECT_GE(box.top(), 15);
    }
}

TEST_F(Printing, MonochromePaperGetsDitheredBlackAndWhiteOfTheSameDarkness) {
    CTavrilView* v = NoiseWindow();
    PrintOptions o;
    QImage grey(400, 300, QImage::Format_RGB32), mono(400, 300, QImage::Format_RGB32);
    PrintOnPicture(o, {PrintWindow::FromView(*v)}, grey, 50.0, false);
    PrintOnPicture(o, {PrintWindow::FromView(*v)}, mono, 50.0, true);
    const QRect box = DarkBox(grey).adjusted(2, 2, -2, -2);
    double darkness = 0.0, black = 0.0;
    int others = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) {
            darkness += 1.0 - qGray(grey.pixel(x, y)) / 255.0;
            const QRgb m = mono.pixel(x, y) & 0xFFFFFF;
            others += m != 0 && m != 0xFFFFFF;
            black += m == 0;
        }
    EXPECT_EQ(others, 0) << "only black and white on a one-bit device";
    EXPECT_NEAR(black / darkness, 1.0, 0.05);
}

TEST_F(Printing, HighQualityPicturesGoToThePageInBands) {
    CTavrilView* v = NoiseWindow();
    PrintOptions o;
    o.quality = 1;
    o.sizing = 1;
    o.lengthPerSecIn = 10.0f;  // 20 x 10 inches at 600 dpi: 12000 x 6000 pixels, 288 MB whole
    o.totalHeightIn = 10.0f;
    QImage device(64, 64, QImage::Format_RGB32);
    PrintTarget t;
    t.page = QRectF(0, 0, 30 * 600, 30 * 600);
    t.dpiX = t.dpiY = 600;
    CPagePainter painter(o);
    QPainter p(&device);
    painter.Print(p, t, {PrintWindow::FromView(*v)}, [] { return true; });
    ASSERT_EQ(painter.PlotsPainted().size(), 1u);
    EXPECT_NEAR(painter.PlotsPainted()[0].width(), 12000, 1);
    EXPECT_GT(painter.LargestBandBytes(), 0u);
    EXPECT_LE(painter.LargestBandBytes(), 40u * 1024 * 1024);
}

TEST_F(Printing, PrintSetupRemembersTheLastConfirmedOptionsAndMakeDefaultOutlivesARestart) {
    NoiseWindow();
    CPrintCommands printing(*m_frame, m_prompt);
    m_frame->AddCommandExtension(printing.Extension());
    auto click = [](QDialog& d, const QString& text) {
        for (QAbstractButton* b : d.findChildren<QAbstractButton*>())
            if (b->text() == text) {
                b->click();
                return true;
            }
        return false;
    };
    printing.SetDialogDriver([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Print Setup");
        EXPECT_TRUE(click(d, "High quality (slower)"));
        EXPECT_TRUE(click(d, "Print all windows"));
        return int(QDialog::Accepted);
    });
    m_frame->Dispatch(Cmd::PrintSetup);
    bool seen = false;
    printing.SetDialogDriver([&](QDialog& d) {
        for (QRadioButton* r : d.findChildren<QRadioButton*>())
            if (r->text() == "High quality (slower)" || r->text() == "Print all windows") {
                EXPECT_TRUE(r->isChecked()) << r->text().toStdString();
                seen = true;
            }
        EXPECT_TRUE(click(d, "L&andscape"));
        return int(QDialog::Rejected);  // cancelled: the landscape choice is not kept
    });
    m_frame->Dispatch(Cmd::PrintSetup);
    EXPECT_TRUE(seen);
    EXPECT_EQ(printing.Options().orientation, 0);
    printing.SetDialogDriver([&](QDialog& d) {
        EXPECT_TRUE(click(d, "Make Default"));
        return int(QDialog::Rejected);
    });
    m_frame->Dispatch(Cmd::PrintSetup);
    m_frame->SetCommandExtension({});
    CPrintCommands restarted(*m_frame, m_prompt);
    EXPECT_EQ(restarted.Options().quality, 0);
    restarted.LoadSettings();
    EXPECT_EQ(restarted.Options().quality, 1);
    EXPECT_EQ(restarted.Options().selection, 1);
}

TEST_F(Printing, FiguresInEveryFormat) {
    CTavrilView* v = NoiseWindow();
    WindowDisplaySettings s = v->Settings();
    s.m_timeTicksOn = s.m_timeTickValuesOn = s.m_timeTitleOn = true;
    v->SetSettings(s);
    Settle();
    CPrintCommands printing(*m_frame, m_prompt);
    std::string error;
    const std::string pdf = m_dir.File("fig.pdf"), svg = m_dir.File("fig.svg"), png = m_dir.File("fig.png");
    ASSERT_TRUE(printing.ExportFigure(*v, pdf, FigureFormat::Pdf, 300, error)) << error;
    ASSERT_TRUE(printing.ExportFigure(*v, svg, FigureFormat::Svg, 300, error)) << error;
    ASSERT_TRUE(printing.ExportFigure(*v, png, FigureFormat::Png, 150, error)) << error;
    // The PDF: the window's size at 96 per inch, the time title as text, one picture.
    const QSize view = PrintWindow::FromView(*v).ViewSize();
    const QString info = Tool("pdfinfo", {QString::fromStdString(pdf)});
    const QRegularExpressionMatch m = QRegularExpression("Page size:\\s+([\\d.]+) x ([\\d.]+) pts").match(info);
    ASSERT_TRUE(m.hasMatch()) << info.toStdString();
    EXPECT_NEAR(m.captured(1).toDouble(), view.width() * 72.0 / 96.0, 1.0);
    EXPECT_NEAR(m.captured(2).toDouble(), view.height() * 72.0 / 96.0, 1.0);
    EXPECT_TRUE(Tool("pdftotext", {QString::fromStdString(pdf), "-"}).contains("Time (sec)"));
    const QString images = Tool("pdfimages", {"-list", QString::fromStdString(pdf)});
    EXPECT_EQ(images.count(QRegularExpression("\\n\\s+1\\s+\\d+\\s+image")), 1) << images.toStdString();
    // The SVG: text elements and an embedded picture.
    QFile f(QString::fromStdString(svg));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("Time (sec)"));
    EXPECT_TRUE(text.contains("<image"));
    // The PNG at 150 per inch.
    QImage picture(QString::fromStdString(png));
    EXPECT_NEAR(picture.width(), view.width() * 150.0 / 96.0, 1.0);
    EXPECT_NEAR(picture.dotsPerMeterX() * 0.0254, 150.0, 0.5);
    // A name the file cannot have: a clear message and no file.
    EXPECT_FALSE(printing.ExportFigure(*v, m_dir.File("no/such/folder/fig.pdf"), FigureFormat::Pdf, 300, error));
    EXPECT_FALSE(error.empty());
}

// `tavril --print-pdf` on the demo recording, against poppler and tavril-cli.
TEST_F(Printing, HeadlessPdfOfTheDemoRecording) {
    const std::string demo = std::string(TAVRIL_SOURCE_DIR) + "/data/demo/spinetail.wav";
    if (!fs::exists(demo))
        GTEST_SKIP() << "the demo recording is not in this tree";
    // A display with the axes, ticks, values and titles on.
    CChildFrame* w = m_frame->OpenSoundFile(demo);
    ASSERT_NE(w, nullptr);
    w->resize(900, 330);
    WindowDisplaySettings s = w->View()->Settings();
    s.m_timeTicksOn = s.m_timeTickValuesOn = s.m_timeTitleOn = true;
    s.m_freqAmpTicksOn = s.m_freqAmpTickValuesOn = true;
    w->View()->SetSettings(s);
    Settle();
    const std::string dsp = m_dir.File("demo.dsp");
    ASSERT_TRUE(m_frame->Files().SaveDisplay(dsp, false));
    const QString pdf = QString::fromStdString(m_dir.File("demo.pdf"));
    const QString plain = QString::fromStdString(m_dir.File("plain.pdf"));
    int rc = -1;
    Tool(TAVRIL_GUI_PATH, {"--print-pdf", pdf, "--display", QString::fromStdString(dsp)}, &rc);
    ASSERT_EQ(rc, 0);
    Tool(TAVRIL_GUI_PATH, {"--print-pdf", plain, QString::fromStdString(demo)}, &rc);
    ASSERT_EQ(rc, 0);
    // A4 is 595.28 x 841.89 points.
    EXPECT_TRUE(Tool("pdfinfo", {pdf}).contains(QRegularExpression("Page size:\\s+595(\\.\\d+)? x 84[12](\\.\\d+)? pts \\(A4\\)")));
    const QString text = Tool("pdftotext", {pdf, "-"});
    EXPECT_TRUE(text.contains("spinetail.wav"));
    EXPECT_TRUE(text.contains("Time (sec)"));
    for (const char* tick : {"0", "1", "2", "4", "6", "8"})
        EXPECT_TRUE(text.contains(QRegularExpression(QString("(^|\\s)%1(\\s|$)").arg(tick)))) << tick;
    // Two files, two pages.
    Tool(TAVRIL_GUI_PATH, {"--print-pdf", plain, QString::fromStdString(demo), QString::fromStdString(demo)}, &rc);
    EXPECT_TRUE(Tool("pdfinfo", {plain}).contains(QRegularExpression("Pages:\\s+2\\n")));
    Tool(TAVRIL_GUI_PATH, {"--print-pdf", plain, QString::fromStdString(demo)}, &rc);

    // The printed spectrogram against the command-line picture: the dark
    // parts of both, cropped to where they are and brought to one size.
    const QString prefix = QString::fromStdString(m_dir.File("page"));
    Tool("pdftoppm", {"-r", "100", "-png", "-singlefile", plain, prefix});
    QImage page(prefix + ".png");
    ASSERT_FALSE(page.isNull());
    const QString cliPng = QString::fromStdString(m_dir.File("cli.png"));
    Tool(TAVRIL_CLI_PATH, {"spectrogram", QString::fromStdString(demo), "--png", cliPng, "--width", "1600",
                          "--height", "257"}, &rc);
    ASSERT_EQ(rc, 0);
    QImage reference(cliPng);
    ASSERT_FALSE(reference.isNull());
    // The title line stands apart above the plot: start below its first white gap.
    int y = 0;
    auto rowDark = [&](int row) {
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, row)) < 200)
                return true;
        return false;
    };
    while (y < page.height() && !rowDark(y)) ++y;
    while (y < page.height() && rowDark(y)) ++y;
    const QImage plot = page.copy(0, y, page.width(), page.height() - y);
    const QImage a = plot.copy(DarkBox(plot, 200)).scaled(160, 40, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage b =
        reference.copy(DarkBox(reference, 200)).scaled(160, 40, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    const int n = 160 * 40;
    for (int yy = 0; yy < 40; ++yy)
        for (int xx = 0; xx < 160; ++xx) {
            const double va = qGray(a.pixel(xx, yy)), vb = qGray(b.pixel(xx, yy));
            sa += va, sb += vb, saa += va * va, sbb += vb * vb, sab += va * vb;
        }
    const double r = (sab - sa * sb / n) / std::sqrt((saa - sa * sa / n) * (sbb - sb * sb / n));
    EXPECT_GT(r, 0.9) << r;
}


TEST_F(Printing, HeadlessPdfRefusesWhatItCannotPrint) {
    int rc = 0;
    Tool(TAVRIL_GUI_PATH, {"--print-pdf"}, &rc);
    EXPECT_EQ(rc, 2);
    const QString out = QString::fromStdString(m_dir.File("none.pdf"));
    Tool(TAVRIL_GUI_PATH, {"--print-pdf", out}, &rc);
    EXPECT_EQ(rc, 1);
    EXPECT_FALSE(fs::exists(out.toStdString()));
    EXPECT_FALSE(fs::exists(out.toStdString() + ".part"));
}

} // namespace
} // namespace tavril::test
