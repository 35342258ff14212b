#include "analyse/CAnalysisCommands.h"

#include "analyse/CDlgCompareSounds.h"
#include "analyse/CDlgExportSpectrogram.h"
#include "common/DialogFields.h"
#include "view/CTavrilView.h"
#include "CSettingsFile.h"

#include <QDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>

#include <algorithm>
#include <cmath>

namespace tavril {

namespace {

// The difference at each delay as a curve: delay to the right, difference up.
class CComparisonCurve : public QWidget {
public:
    CComparisonCurve(const std::vector<float>& values, QWidget* parent) : QWidget(parent), m_values(values) {
        setMinimumSize(420, 180);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        const QRectF plot = QRectF(rect()).adjusted(8, 8, -8, -8);
        p.setPen(Qt::gray);
        p.drawRect(plot);
        float top = 0.0f;
        for (float v : m_values)
            top = std::max(top, v);
        if (m_values.empty() || !(top > 0.0f))
            return;
        QPainterPath path;
        const double step = m_values.size() > 1 ? plot.width() / double(m_values.size() - 1) : 0.0;
        for (size_t i = 0; i < m_values.size(); ++i) {
            const QPointF pt(plot.left() + step * double(i),
                             plot.bottom() - plot.height() * std::max(0.0f, m_values[i]) / top);
            i == 0 ? path.moveTo(pt) : path.lineTo(pt);
        }
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::darkBlue, 1.5));
        p.drawPath(path);
    }

private:
    std::vector<float> m_values;
};

} // namespace

void CAnalysisCommands::RegisterSettingsGroups(CSettingsFile& groups) {
    groups.SetGroup(CompareSettings::kSection, {nullptr, [this](const std::string& f) { m_compare.Load(f); }});
    groups.SetGroup(ExportSpectrogramSettings::kSection, {nullptr, [this](const std::string& f) { m_export.Load(f); }});
}

bool CAnalysisCommands::Run(QDialog& dialog) { return m_run ? m_run(dialog) : dialog.exec() == QDialog::Accepted; }

void CAnalysisCommands::Correlate(CTavrilView& view) {
    const CursorSet& c = view.Cursors();
    if (c.rightTime < c.leftTime + 1)
        return;  // no selection: nothing to compare
    CDlgCompareSounds dlg(m_compare, m_prompt, m_parent);
    if (!Run(dlg))
        return;
    m_compare = dlg.Result();
    CSoundDocument& doc = view.Doc();
    const double rate = doc.SampleRate();
    if (!(rate > 0.0))
        return;
    CompareRequest r;
    r.bins = m_compare.Bins();
    r.periodMs = m_compare.m_overlapMs;
    r.differenceThreshold = m_compare.m_differenceThreshold;
    r.silencePercent = m_compare.m_silenceThreshold;
    r.averages = m_compare.m_numAverages;
    r.bandLowHz = std::trunc(c.lower);
    r.bandHighHz = std::trunc(c.upper);
    r.startMs = c.leftTime * 1000.0 / rate;
    r.lengthMs = (c.rightTime - c.leftTime) * 1000.0 / rate;
    r.maxDelayMs = m_compare.m_maxCompareDelayMs;
    r.channel1 = m_compare.m_channel1;
    r.channel2 = m_compare.m_channel2;
    // The sound as the window shows it: its working copy once it is edited.
    const std::string file = doc.Doc().WorkingFileName(false);
    std::string error;
    m_lastComparison = CompareChannels(file, r, &error);
    if (!error.empty()) {
        m_prompt.ShowMessage("The channels could not be compared.\n" + error, "Compare sounds");
        return;
    }
    ShowComparison(doc.Title(), r.periodMs);
}

void CAnalysisCommands::ShowComparison(const std::string& title, double periodMs) {
    QDialog dlg(m_parent);
    dlg.setWindowTitle(QStringLiteral("Compare sounds: %1").arg(QString::fromStdString(title)));
    QString summary;
    QString table = QStringLiteral("delay (ms)\tdifference\n");
    const auto& v = m_lastComparison;
    if (v.empty()) {
        summary = QStringLiteral("No delay steps: the maximum delay is shorter than one FFT period.");
    } else {
        const size_t best = static_cast<size_t>(std::min_element(v.begin(), v.end()) - v.begin());
        summary = QStringLiteral("Smallest difference %1 at a delay of %2 ms (%3 delay steps of %4 ms; 0 = identical).")
                      .arg(double(v[best]), 0, 'f', 6)
                      .arg(double(best) * periodMs, 0, 'g', 6)
                      .arg(v.size())
                      .arg(periodMs, 0, 'g', 6);
        for (size_t d = 0; d < v.size(); ++d)
            table += QStringLiteral("%1\t%2\n").arg(double(d) * periodMs, 0, 'g', 6).arg(double(v[d]), 0, 'f', 6);
    }
    auto* text = new QPlainTextEdit(table, &dlg);
    text->setReadOnly(true);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* label = new QLabel(summary, &dlg);
    label->setWordWrap(true);
    label->setObjectName(QStringLiteral("summary"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dlg);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    StackDialog(&dlg, {label, new CComparisonCurve(v, &dlg), text, buttons});
    Run(dlg);
}

void CAnalysisCommands::ExportSpectrogram(CTavrilView& view) {
    CDlgExportSpectrogram dlg(m_export, m_parent);
    if (!Run(dlg))
        return;
    m_export = dlg.Result();
    m_lastExport.clear();
    CSoundDocument& doc = view.Doc();
    if (doc.Path() == CTavrilDoc::kUntitled) {
        m_prompt.ShowMessage("Save the sound first: the text file is written beside it.",
                             "Export Spectragram to Tab-delimited Text File");
        return;
    }
    SpectrogramTextRequest r;
    r.bins = m_export.Bins(view.Settings().m_fftSizeCode);
    r.periodMs = m_export.PeriodMs(doc.SampleRate(), r.bins, view.Settings(), view.SamplesPerPixel());
    r.withHeader = m_export.m_includeInfoHeader;
    r.withRange = m_export.m_selectFrequencyBinRange == 1;
    r.lowHz = m_export.m_minFrequency;
    r.highHz = m_export.m_maxFrequency;
    const std::string output = SpectrogramTextPath(doc.Path());
    std::string error;
    if (!ExportSpectrogramText(doc.Doc().WorkingFileName(false), r, output, &error)) {
        m_prompt.ShowMessage("The spectrogram could not be exported to " + output + ".\n" + error,
                             "Export Spectragram to Tab-delimited Text File");
        return;
    }
    m_lastExport = output;
}

} // namespace tavril
