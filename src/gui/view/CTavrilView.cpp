#include "view/CTavrilView.h"

#include "view/CEveryFramePictures.h"
#include "annotate/AnnotationOverlay.h"
#include <QWheelEvent>

#include <limits>

#include "TimeScale.h"
#include "WaveformColumns.h"

#if __has_include("SpectrogramColumns.h")
#include "SpectrogramColumns.h"
#include "SpectrogramPicture.h"
#define TAVRIL_HAVE_SPECTROGRAM 1
#endif

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSizeGrip>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace tavril {

namespace {

constexpr int kHandle = 6;  // grab handle size in pixels
// Every-frame pictures: a refinement long enough for a progress indication
// (ten minutes of sound).
constexpr double kProgressSeconds = 600.0;
constexpr int kHitTolerance = 2;

double DisplayLowHz(const WindowDisplaySettings& s, double) {
    if (s.m_displayType == 0)
        return 0.0;
    return s.m_lowFreqLimitOn ? std::max(0.0, static_cast<double>(s.m_lowFreqLimit)) : 0.0;
}

double DisplayHighHz(const WindowDisplaySettings& s, double fs) {
    double nyquist = fs / 2.0;
    if (s.m_displayType == 0)
        return nyquist;
    if (s.m_highFreqLimitOn)
        return nyquist > 0.0 ? std::min(static_cast<double>(s.m_highFreqLimit), nyquist) : s.m_highFreqLimit;
    return nyquist;
}

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

QString ClockText(double seconds) {
    long long whole = static_cast<long long>(std::floor(seconds));
    if (whole < 0)
        whole = 0;
    return QString::asprintf("%02lld:%02lld:%02lld", (whole / 3600) % 24, (whole / 60) % 60, whole % 60);
}

} // namespace

// ---------------------------------------------------------------- CTavrilView

CTavrilView::CTavrilView(std::shared_ptr<CSoundDocument> doc, const WindowDisplaySettings& settings, const FrameFlags* flags,
                         QWidget* parent)
    : QWidget(parent), m_doc(std::move(doc)), m_settings(settings), m_flags(flags),
      m_everyFrame(std::make_unique<CEveryFramePictures>(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_splitter = new QSplitter(Qt::Vertical, this);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setHandleWidth(3);
    layout->addWidget(m_splitter, 1);
    m_scroll = new QScrollBar(Qt::Horizontal, this);
    layout->addWidget(m_scroll);
    // Scrolling keeps the saved pictures: each pane moves its picture and
    // computes only the columns that came into view.
    connect(m_scroll, &QScrollBar::valueChanged, this, [this] {
        for (CViewPane* p : m_panes)
            p->update();
    });
    setFocusPolicy(Qt::StrongFocus);
    RebuildPanes();
}

CTavrilView::~CTavrilView() = default;

void CTavrilView::SetSelectedAnnotation(const AnnotationRecord* r) {
    m_selectedAnnotation = r;
    for (CViewPane* p : m_panes)
        p->update();
}

void CTavrilView::SetDocument(std::shared_ptr<CSoundDocument> doc) {
    m_doc = std::move(doc);
    m_everyFrame->Clear();
    m_selectedAnnotation = nullptr;
    m_redefineArmed = false;
    m_cursors = CursorSet{};
    m_scroll->setValue(0);
    UpdateScrollBar();
    Redraw();
    emit TitleChanged();
    CursorsChanged(false);
}

void CTavrilView::SetSettings(const WindowDisplaySettings& s) {
    bool relayout = s.m_displayRowsCode != m_settings.m_displayRowsCode || s.m_channelCount != m_settings.m_channelCount ||
                    s.m_channelEntries != m_settings.m_channelEntries;
    m_settings = s;
    if (relayout)
        RebuildPanes();
    UpdateScrollBar();
    Redraw();
    CursorsChanged(false);
}

void CTavrilView::RebuildPanes() {
    // The cache budget is shared by the channels shown.
    m_everyFrame->Clear();
    for (CViewPane* p : m_panes)
        delete p;
    m_panes.clear();
    int count = Rows() * std::max(1, m_settings.ChannelCount());
    count = std::clamp(count, 1, 16 * 50);
    for (int v = 0; v < count; ++v) {
        auto* pane = new CViewPane(this, v);
        m_splitter->addWidget(pane);
        m_panes.push_back(pane);
    }
    m_cursorPane = std::min(m_cursorPane, count - 1);
    UpdateScrollBar();
}

void CTavrilView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    UpdateScrollBar();
    if (m_grip)
        m_grip->move(width() - m_grip->width(), height() - m_grip->height());
}

void CTavrilView::SetSizeGripShown(bool shown) {
    if (shown && !m_grip) {
        m_grip = new QSizeGrip(this);
        m_grip->resize(m_grip->sizeHint());
    }
    if (m_grip) {
        m_grip->move(width() - m_grip->width(), height() - m_grip->height());
        m_grip->setVisible(shown);
        m_grip->raise();
    }
}

double CTavrilView::SamplesPerPixel() const {
    int width = m_panes.empty() ? 0 : m_panes.front()->PlotRect().width();
    if (IsFixedScale())
        return FixedSamplesPerPixel(m_doc->SampleRate(), m_settings.m_msecPerLine);
    return StretchSamplesPerPixel(m_doc->Frames(), width, Rows());
}

PaneGeometry CTavrilView::Geometry(int pane) const {
    PaneGeometry g;
    CViewPane* p = m_panes[std::clamp(pane, 0, PaneCount() - 1)];
    QRect plot = p->PlotRect();
    g.left = plot.left();
    g.top = plot.top();
    g.right = plot.right();
    g.bottom = plot.bottom();
    g.spp = SamplesPerPixel();
    g.samples = m_doc->Frames();
    g.fs = m_doc->SampleRate() > 0.0 ? m_doc->SampleRate() : 22050.0;
    g.lowHz = DisplayLowHz(m_settings, g.fs);
    g.highHz = DisplayHighHz(m_settings, g.fs);
    g.fixedScale = IsFixedScale();
    g.s0 = p->FirstColumn() * g.spp;
    return g;
}

QString CTavrilView::ReadoutText() const {
    if (m_flags->hideAllCursors)
        return {};
    ReadoutOptions o;
    o.timeShown = m_settings.m_timeCursorOn;
    o.verticalShown = m_settings.m_freqAmpCursorOn;
    o.timeCursorUnits = m_settings.m_timeCursorUnits;
    o.freqCursorUnits = m_settings.m_freqAmpCursorUnits;
    o.waveform = m_settings.m_displayType == 0;
    o.timeOffsetSec = ParseTimeOffset(m_settings.m_timeOffset);
    double fs = m_doc->SampleRate();
    if (fs <= 0.0)
        return {};
    return QString::fromStdString(m_cursors.Readout(o, fs));
}

void CTavrilView::CursorsChanged(bool propagate) {
    m_cursors.Clamp(m_doc->SampleRate(), m_doc->Frames());
    for (CViewPane* p : m_panes)
        p->update();
    emit ReadoutChanged(ReadoutText());
    if (propagate)
        emit CursorsMoved(this);
}

int CTavrilView::ScrollPosition() const { return IsFixedScale() ? m_scroll->value() : 0; }

void CTavrilView::SetScrollPosition(int columns) {
    UpdateScrollBar();
    m_scroll->setValue(columns);
}

void CTavrilView::UpdateScrollBar() {
    if (!IsFixedScale() || m_panes.empty()) {
        m_scroll->setVisible(false);
        m_scroll->setRange(0, 0);
        return;
    }
    double spp = SamplesPerPixel();
    int width = std::max(1, m_panes.front()->PlotRect().width());
    double columns = spp > 0.0 ? std::ceil(m_doc->Frames() / spp) : 0.0;
    double maxPos = std::max(0.0, columns - static_cast<double>(width) * Rows());
    m_scroll->setRange(0, static_cast<int>(std::min(maxPos, 2.0e9)));
    m_scroll->setPageStep(width);
    m_scroll->setSingleStep(std::max(1, width / 20));
    m_scroll->setVisible(true);
}

void CTavrilView::wheelEvent(QWheelEvent* e) {
    const QPoint angle = e->angleDelta();
    const int delta = std::abs(angle.y()) >= std::abs(angle.x()) ? angle.y() : angle.x();
    if (delta == 0 || m_panes.empty() || !(m_doc->SampleRate() > 0.0)) {
        e->ignore();
        return;
    }
    e->accept();
    const double notches = delta / 120.0;
    if (!(e->modifiers() & Qt::ControlModifier)) {
        if (IsFixedScale())  // a stretched sound is all in view: nothing to scroll
            m_scroll->setValue(m_scroll->value() - static_cast<int>(std::lround(notches * 3 * m_scroll->singleStep())));
        return;
    }
    // The frame under the pointer stays under it.
    auto* pane = qobject_cast<CViewPane*>(childAt(e->position().toPoint()));
    if (!pane)
        pane = m_panes.front();
    const QRect plot = pane->PlotRect();
    const int x = std::clamp(pane->mapFrom(this, e->position().toPoint()).x() - plot.left(), 0, plot.width());
    const double oldSpp = SamplesPerPixel();
    const double frame = (pane->FirstColumn() + x) * oldSpp;
    if (!IsFixedScale()) {
        // From the stretched view at the scale it shows now.
        m_settings.m_stretchOrAbsolute = 1;
        m_settings.m_msecPerLine = static_cast<float>(oldSpp * 1000.0 / m_doc->SampleRate());
    }
    for (int i = 0; i < static_cast<int>(std::lround(std::abs(notches))) || i == 0; ++i)
        m_settings.m_msecPerLine =
            notches > 0 ? ZoomInMsPerLine(m_settings.m_msecPerLine) : ZoomOutMsPerLine(m_settings.m_msecPerLine);
    const double spp = SamplesPerPixel();
    Redraw();
    if (spp > 0.0)
        m_scroll->setValue(static_cast<int>(std::lround(frame / spp)) - (pane->RowIndex() * plot.width() + x));
    CursorsChanged(false);
}

void CTavrilView::GoToTime(double seconds) {
    double fs = m_doc->SampleRate();
    if (fs <= 0.0)
        return;
    if (seconds < 0.0)
        seconds = 0.0;
    double frame = std::min(seconds * fs, static_cast<double>(m_doc->Frames()));
    if (IsFixedScale()) {
        double spp = SamplesPerPixel();
        if (spp > 0.0)
            SetScrollPosition(static_cast<int>(frame / spp));
    }
    m_cursors.SetTimeCursors(static_cast<int64_t>(frame), static_cast<int64_t>(frame));
    Redraw();
    CursorsChanged();
}

void CTavrilView::Redraw() {
    UpdateScrollBar();
    for (CViewPane* p : m_panes)
        p->Invalidate();
}

QImage CTavrilView::Picture() { return grab().toImage(); }

bool CTavrilView::IsRefining() const {
    for (const CViewPane* p : m_panes)
        if (p->IsRefining())
            return true;
    return false;
}


void CTavrilView::SelectChannel(int k) {
    WindowDisplaySettings s = m_settings;
    s.SelectChannel(k);
    SetSettings(s);
}

bool CTavrilView::StepFileInFolder(int direction) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (m_doc->Path().empty() || m_doc->Sound().IsMetafile())
        return false;
    // The listing holds full paths; so must the name looked up in it.
    const fs::path current = fs::absolute(m_doc->Path(), ec).lexically_normal();
    fs::path folder = current.parent_path();
    if (folder.empty())
        folder = ".";
    std::string ext = Lower(current.extension().string());
    auto stamp = fs::last_write_time(folder, ec);
    long long stampValue = ec ? 0 : static_cast<long long>(stamp.time_since_epoch().count());
    if (m_folderListed != folder.string() + "|" + ext || stampValue != m_folderStamp || m_folderListing.empty()) {
        m_folderListing.clear();
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            if (m_folderListing.size() >= 20000)
                break;
            if (!it->is_regular_file(ec))
                continue;
            if (Lower(it->path().extension().string()) == ext)
                m_folderListing.push_back(it->path().string());
        }
        std::sort(m_folderListing.begin(), m_folderListing.end());
        m_folderListed = folder.string() + "|" + ext;
        m_folderStamp = stampValue;
    }
    auto it = std::lower_bound(m_folderListing.begin(), m_folderListing.end(), current.string());
    long idx = it - m_folderListing.begin();
    bool found = it != m_folderListing.end() && *it == current.string();
    long next = direction > 0 ? (found ? idx + 1 : idx) : idx - 1;
    if (next < 0 || next >= static_cast<long>(m_folderListing.size()))
        return false;  // first or last file: stay
    if (!m_newDocument || (m_replaceGuard && !m_replaceGuard(this)))
        return false;
    auto doc = m_newDocument();
    if (!doc->Open(m_folderListing[next]))
        return false;  // refused: the user was told, and the window keeps its sound
    SetDocument(doc);
    return true;
}

bool CTavrilView::OnCommand(Cmd id) {
    const bool cursorsUsable = !m_flags->hideAllCursors && (m_settings.m_timeCursorOn || m_settings.m_freqAmpCursorOn);
    switch (id) {
    case Cmd::ViewWaveform:
    case Cmd::ViewSpectrogram: {
        WindowDisplaySettings s = m_settings;
        s.m_displayType = id == Cmd::ViewWaveform ? 0 : 1;
        SetSettings(s);
        return true;
    }
    case Cmd::Darker:
    case Cmd::Lighter:
        if (m_settings.m_displayType == 1) {
            m_settings.m_specGain += id == Cmd::Darker ? 1.0f : -1.0f;
            Redraw();
        }
        return true;
    case Cmd::TimeScaleFit:
        m_settings.m_stretchOrAbsolute = IsFixedScale() ? 0 : 1;
        Redraw();
        CursorsChanged(false);
        return true;
    case Cmd::ZoomIn:
    case Cmd::ZoomOut:
        if (IsFixedScale()) {
            // Keep the left edge's time where it was.
            double leftFrame = ScrollPosition() * SamplesPerPixel();
            m_settings.m_msecPerLine = id == Cmd::ZoomIn ? ZoomInMsPerLine(m_settings.m_msecPerLine)
                                                      : ZoomOutMsPerLine(m_settings.m_msecPerLine);
            double spp = SamplesPerPixel();
            Redraw();
            if (spp > 0.0)
                m_scroll->setValue(static_cast<int>(leftFrame / spp));
        }
        return true;
    case Cmd::CopyBitmap:
        QApplication::clipboard()->setImage(Picture());
        return true;
    case Cmd::CursorHome:
    case Cmd::CursorEnd:
    case Cmd::CursorTopFreq:
    case Cmd::CursorBottomFreq:
    case Cmd::StepTimeLeft:
    case Cmd::StepTimeRight:
    case Cmd::StepFreqUp:
    case Cmd::StepFreqDown: {
        if (!cursorsUsable)
            return true;
        PaneGeometry g = Geometry(m_cursorPane);
        switch (id) {
        case Cmd::CursorHome: m_cursors.Home(); break;
        case Cmd::CursorEnd: m_cursors.End(m_doc->Frames()); break;
        case Cmd::CursorTopFreq: m_cursors.TopFrequency(g.fs); break;
        case Cmd::CursorBottomFreq: m_cursors.BottomFrequency(); break;
        case Cmd::StepTimeLeft: m_cursors.StepTime(-1, g); break;
        case Cmd::StepTimeRight: m_cursors.StepTime(+1, g); break;
        case Cmd::StepFreqUp: m_cursors.StepVertical(+1, g); break;
        default: m_cursors.StepVertical(-1, g); break;
        }
        // End puts the right cursor one past the last sample; it is shown
        // clamped but keeps its value, so a following selection covers the
        // whole sound.
        for (CViewPane* p : m_panes)
            p->update();
        emit ReadoutChanged(ReadoutText());
        emit CursorsMoved(this);
        return true;
    }
    case Cmd::ToggleCursorPair:
        m_cursors.stepSecond = !m_cursors.stepSecond;
        return true;
    case Cmd::Channel1: case Cmd::Channel2: case Cmd::Channel3: case Cmd::Channel4: case Cmd::Channel5:
    case Cmd::Channel6: case Cmd::Channel7: case Cmd::Channel8: case Cmd::Channel9: case Cmd::Channel10:
        SelectChannel(static_cast<int>(id) - static_cast<int>(Cmd::Channel1));
        return true;
    case Cmd::PrevFileInFolder:
        StepFileInFolder(-1);
        return true;
    case Cmd::NextFileInFolder:
        StepFileInFolder(+1);
        return true;
    default:
        return false;
    }
}

// ---------------------------------------------------------------- CViewPane

CViewPane::CViewPane(CTavrilView* view, int index) : QWidget(view), m_view(view), m_index(index) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumHeight(24);
    setMouseTracking(false);
    setContextMenuPolicy(Qt::NoContextMenu);
}

int CViewPane::RowIndex() const { return m_index / std::max(1, m_view->Settings().ChannelCount()); }

int CViewPane::ChannelShown() const {
    int entry = m_view->Settings().Channel(m_index % std::max(1, m_view->Settings().ChannelCount()));
    int channels = static_cast<int>(m_view->Doc().Channels());
    if (entry < 0)
        entry = 0;
    return channels > 0 ? std::min(entry, channels - 1) : 0;
}

bool CViewPane::IsLastOfRow() const {
    int c = std::max(1, m_view->Settings().ChannelCount());
    return (m_index + 1) % c == 0;
}

QRect CViewPane::PlotRect() const {
    const WindowDisplaySettings& s = m_view->Settings();
    QFontMetrics fm(font());
    int left = 2, top = 2, right = 2, bottom = 2;
    if (s.m_freqAmpTicksOn)
        left += 6;
    if (s.m_freqAmpTickValuesOn)
        left += fm.horizontalAdvance(QStringLiteral("-00.00")) + 8;
    if (s.m_freqAmpTitleOn)
        left += fm.maxWidth() + 6;
    if (IsLastOfRow()) {
        if (s.m_timeTicksOn)
            bottom += 6;
        if (s.m_timeTickValuesOn)
            bottom += fm.height() + 2;
        if (s.m_timeTitleOn)
            bottom += fm.height() + 2;
    }
    if (m_index == 0 && m_view->Flags().titleBarsHidden)
        top += fm.height() + 2;
    QRect r(left, top, width() - left - right, height() - top - bottom);
    if (r.width() < 1)
        r.setWidth(1);
    if (r.height() < 1)
        r.setHeight(1);
    return r;
}

void CViewPane::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    m_valid = false;
}

int CViewPane::FirstColumn() const {
    int width = PlotRect().width();
    return RowIndex() * width + m_view->ScrollPosition();
}

QImage CViewPane::RenderPlot() const {
    QRect plot = PlotRect();
    QImage img(plot.width(), plot.height(), QImage::Format_RGB32);
    m_lastColumns = RenderColumns(img, 0, plot.width(), true);
    return img;
}

bool CViewPane::EveryFrameRange(int& channel, uint32_t& f0, uint32_t& f1) const {
    const WindowDisplaySettings& s = m_view->Settings();
    CSoundDocument& doc = m_view->Doc();
    const PaneGeometry g = m_view->Geometry(m_index);
    if (s.m_displayType != 1 || doc.Frames() == 0 || !UsesEveryFrame(s, g.spp))
        return false;
    channel = ChannelShown();
    PrepareEveryFrame(m_view->EveryFrame().Cache(channel), s, doc.Frames(), g.spp, FirstColumn(), PlotRect().width(), f0, f1);
    return true;
}

void CViewPane::RefineProgressed(size_t missingFrames) {
    if (missingFrames == 0) {
        m_refining = false;
        m_progress = -1;
        Invalidate();
        return;
    }
    if (m_progress < 0)
        return;
    const int percent = static_cast<int>(100.0 * (1.0 - double(missingFrames) / double(std::max<size_t>(m_refineTotal, 1))));
    if (percent != m_progress) {
        m_progress = std::clamp(percent, 0, 99);
        update();
    }
}

int CViewPane::RenderColumns(QImage& img, int x0, int count, bool complete) const {
    const WindowDisplaySettings& s = m_view->Settings();
    const QColor background = s.m_whiteOnBlack ? Qt::black : Qt::white;
    {
        QPainter clear(&img);
        clear.fillRect(x0, 0, count, img.height(), background);
    }
    CSoundDocument& doc = m_view->Doc();
    PaneGeometry g = m_view->Geometry(m_index);
    if (doc.Frames() == 0 || g.spp <= 0.0 || count <= 0)
        return 0;
    CSoundFile& sound = doc.Sound();
    const int channel = ChannelShown();
    int computed = 0;
#ifdef TAVRIL_HAVE_SPECTROGRAM
    if (s.m_displayType == 1) {
        SpectrogramDisplay d = s.SpectrogramDisplayFor(doc.SampleRate());
        auto* bits = reinterpret_cast<uint32_t*>(img.bits()) + x0;
        const std::ptrdiff_t stride = img.bytesPerLine() / 4;
        // Columns are counted from the start of the sound, so a column's
        // picture does not depend on where the window was scrolled from.
        const int first = FirstColumn() + x0;
        computed = -1;
        if (UsesEveryFrame(s, g.spp)) {
            size_t missing = 0;
            computed = m_view->EveryFrame().PaintColumns(sound, s, channel, g.spp, first, count, bits, stride,
                                                         img.height(), complete, missing);
            if (computed < 0 && !m_refining) {
                m_refining = true;
                m_refineTotal = missing;
                // Progress is shown where the wait is long enough to wonder.
                const double seconds = double(missing) * d.Bins() / std::max(1.0, doc.SampleRate());
                m_progress = seconds > kProgressSeconds ? 0 : -1;
                m_view->EveryFrame().Schedule();
            }
        }
        if (computed < 0)
            computed = PaintSpectrogramColumns(sound, d, channel, 0, g.spp, first, count, bits, stride, img.height());
        // The painter writes 0x00RRGGBB; RGB32 wants the top byte set.
        for (int y = 0; y < img.height(); ++y) {
            auto* line = reinterpret_cast<uint32_t*>(img.scanLine(y));
            for (int x = x0; x < x0 + count; ++x)
                line[x] |= 0xFF000000u;
        }
        sound.Close();
        return computed;
    }
#endif
    const SampleReader reader = MakeChannelReader(sound, channel);
    WaveformDrawing w = ComputeWaveform(reader, doc.Frames(), g.s0, g.spp, 0, 0, img.width(), img.height());
    sound.Close();
    QPainter p(&img);
    p.setPen(s.m_whiteOnBlack ? Qt::white : Qt::black);
    if (w.polyline) {
        QPolygon poly;
        for (const auto& pt : w.points)
            poly << QPoint(pt.x, pt.y);
        p.drawPolyline(poly);
        computed = static_cast<int>(w.points.size());
    } else {
        for (const auto& seg : w.segments)
            p.drawLine(seg.x, seg.yHigh, seg.x, seg.yLow);
        computed = static_cast<int>(w.segments.size());
    }
    return computed;
}

void CViewPane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    QRect plot = PlotRect();
    const int firstColumn = FirstColumn();
    const int shift = firstColumn - m_pictureColumn;
    if (m_valid && m_picture.size() == plot.size() && shift != 0 && m_view->Settings().m_displayType == 1 &&
        std::abs(shift) < plot.width()) {
        // Scrolled: move the columns still in view, compute the new ones.
        const int w = plot.width();
        const int keep = w - std::abs(shift);
        for (int y = 0; y < m_picture.height(); ++y) {
            auto* line = reinterpret_cast<uint32_t*>(m_picture.scanLine(y));
            if (shift > 0)
                std::memmove(line, line + shift, keep * sizeof(uint32_t));
            else
                std::memmove(line - shift, line, keep * sizeof(uint32_t));
        }
        m_lastColumns = shift > 0 ? RenderColumns(m_picture, keep, shift, false) : RenderColumns(m_picture, 0, -shift, false);
        m_pictureColumn = firstColumn;
    } else if (!m_valid || m_picture.size() != plot.size() || shift != 0) {
        m_picture = QImage(plot.width(), plot.height(), QImage::Format_RGB32);
        m_lastColumns = RenderColumns(m_picture, 0, plot.width(), false);
        m_pictureColumn = firstColumn;
        m_valid = true;
    }
    p.drawImage(plot.topLeft(), m_picture);
    if (RefineProgress() >= 0)
        CEveryFramePictures::DrawProgress(p, plot, RefineProgress());
    DrawAnnotations(p, *m_view, *this, plot);
    DrawAxes(p, plot);

    CSoundDocument& doc = m_view->Doc();
    QFontMetrics fm(font());
    if (m_index == 0 && m_view->Flags().titleBarsHidden) {
        QString title = QString::fromStdString(doc.Title());
        int w = fm.horizontalAdvance(title);
        int x = w <= plot.width() ? plot.left() + (plot.width() - w) / 2 : plot.left();
        p.save();
        p.setClipRect(QRect(0, 0, width(), plot.top()));
        p.setPen(Qt::black);
        p.drawText(x, fm.ascent() + 1, title);
        p.restore();
    }
    if (doc.Channels() > 1) {
        QString label = QString::number(ChannelShown() + 1);
        QRect box(plot.right() - fm.horizontalAdvance(label) - 3, plot.top(), fm.horizontalAdvance(label) + 4,
                  fm.height());
        p.fillRect(box, Qt::white);
        p.setPen(Qt::black);
        p.drawText(box, Qt::AlignCenter, label);
    }
    if (m_index == m_view->CursorPane())
        DrawCursors(p, plot);
}

void CViewPane::DrawAxes(QPainter& p, const QRect& plot) const {
    const WindowDisplaySettings& s = m_view->Settings();
    CSoundDocument& doc = m_view->Doc();
    QFontMetrics fm(font());
    const double fs = doc.SampleRate();
    const int h = plot.height();
    const int left = plot.left(), top = plot.top();
    p.setPen(Qt::black);

    // Vertical axis. Where the set spacing crowds the ticks or their values,
    // every k-th tick (or value) of it is drawn.
    m_labelRects.clear();
    if ((s.m_freqAmpTicksOn || s.m_freqAmpTickValuesOn || s.m_freqAmpGridOn) && fs > 0.0) {
        double lowHz = DisplayLowHz(s, fs), highHz = DisplayHighHz(s, fs);
        double tickValue = s.m_freqAmpTickValue;
        TickLayout ticks = VerticalTicks(h, tickValue, s.m_displayType == 1, lowHz, highHz);
        if (ticks.count == 0 && tickValue > 0.0) {
            const double span = s.m_displayType == 1 ? (highHz - lowHz) / 1000.0 : 2.0;
            tickValue *= static_cast<double>(TickMultiple(tickValue * h / std::max(span, 1e-9), 4.0));
            ticks = VerticalTicks(h, tickValue, s.m_displayType == 1, lowHz, highHz);
        }
        const long long labelEvery = TickMultiple(ticks.spacingPx, fm.height() + 2.0);
        for (int i = 0; i < ticks.count; ++i) {
            int y = top + static_cast<int>(h - i * ticks.spacingPx);
            if (s.m_freqAmpTicksOn)
                p.drawLine(left - 5, y, left - 1, y);
            if (s.m_freqAmpGridOn) {
                p.save();
                p.setPen(QPen(Qt::gray, 1, Qt::DotLine));
                p.drawLine(left, y, plot.right(), y);
                p.restore();
            }
            if (s.m_freqAmpTickValuesOn && i % labelEvery == 0) {
                double v = s.m_displayType == 1 ? i * tickValue + lowHz / 1000.0 : i * tickValue - 1.0;
                if (s.m_displayType == 1 && s.m_freqAmpTickUnits == 1)
                    v *= 1000.0;
                QString text = QString::fromStdString(FormatAxisNumber(v));
                int tw = fm.horizontalAdvance(text);
                int ty = y + fm.ascent() / 2 - 1;
                if (ty - fm.ascent() < top)  // the top value sits level with its tick
                    ty = y + fm.ascent();
                p.drawText(left - 7 - 1 - tw, ty, text);
                m_labelRects.push_back(QRect(left - 8 - tw, ty - fm.ascent(), tw, fm.height()));
            }
        }
    }
    if (s.m_freqAmpTitleOn && !s.m_freqAmpTitle.empty()) {
        QString title = QString::fromStdString(s.VerticalTitle());
        int lines = static_cast<int>(title.size());
        int total = lines * fm.height();
        int y = std::max(top, top + (h - total) / 2);
        for (int i = 0; i < lines; ++i) {
            QString ch = title.mid(i, 1);
            p.drawText(2 + (fm.maxWidth() - fm.horizontalAdvance(ch)) / 2, y + fm.ascent() + i * fm.height(), ch);
        }
    }

    // Time axis, in the last pane of each row.
    if (!IsLastOfRow() || fs <= 0.0)
        return;
    PaneGeometry g = m_view->Geometry(m_index);
    const int width = plot.width();
    int textY = plot.bottom() + 6 + fm.ascent();
    if (s.m_timeTicksOn || s.m_timeTickValuesOn || s.m_timeGridOn) {
        const double t0 = g.s0 / fs;
        const double timeOffset = ParseTimeOffset(s.m_timeOffset);
        double tickSec = s.m_timeTickValue;
        TickLayout ticks = TimeTicks(width, tickSec, fs, g.spp, t0);
        if (ticks.count == 0 && tickSec > 0.0 && g.spp > 0.0) {
            tickSec *= static_cast<double>(TickMultiple(tickSec * fs / g.spp, 4.0));
            ticks = TimeTicks(width, tickSec, fs, g.spp, t0);
        }
        const double offset = FirstTimeTickOffset(tickSec, t0);
        auto label = [&](double v) {
            return s.m_timeUnits == 1 ? ClockText(v + timeOffset) : QString::fromStdString(FormatAxisNumber(v));
        };
        // Values stay on whole multiples of the spacing, so they read 0, 10, 20 ...
        const double lastValue = t0 + offset + std::max(0, ticks.count - 1) * tickSec;
        const int widest = std::max(fm.horizontalAdvance(label(t0 + offset)), fm.horizontalAdvance(label(lastValue)));
        const long long labelEvery = TickMultiple(ticks.spacingPx, widest + fm.horizontalAdvance(QStringLiteral("00")));
        int lastLabelRight = std::numeric_limits<int>::min();
        for (int i = 0; i < ticks.count; ++i) {
            int x = left + static_cast<int>(ticks.offsetPx) + static_cast<int>(i * ticks.spacingPx);
            if (x > plot.right())
                break;
            if (s.m_timeTicksOn)
                p.drawLine(x, plot.bottom() + 1, x, plot.bottom() + 5);
            if (s.m_timeGridOn) {
                p.save();
                p.setPen(QPen(Qt::gray, 1, Qt::DotLine));
                p.drawLine(x, plot.top(), x, plot.bottom());
                p.restore();
            }
            const double v = t0 + offset + i * tickSec;
            if (s.m_timeTickValuesOn && std::llround(v / tickSec) % labelEvery == 0) {
                QString text = label(v);
                int tw = fm.horizontalAdvance(text);
                int tx = x - tw / 2;
                if (tx + tw > plot.right())
                    tx = plot.right() - tw;
                if (tx <= lastLabelRight)
                    continue;  // the last one, pushed left from the edge, would touch its neighbour
                p.drawText(tx, textY, text);
                m_labelRects.push_back(QRect(tx, textY - fm.ascent(), tw, fm.height()));
                lastLabelRight = tx + tw;
            }
        }
    }
    if (s.m_timeTitleOn && !s.m_timeTitle.empty()) {
        QString title = QString::fromStdString(s.m_timeTitle);
        int y = textY + (s.m_timeTickValuesOn ? fm.height() : 0);
        p.drawText(left + (width - fm.horizontalAdvance(title)) / 2, y, title);
    }
}

void CViewPane::DrawCursors(QPainter& p, const QRect& plot) const {
    const WindowDisplaySettings& s = m_view->Settings();
    if (m_view->Flags().hideAllCursors || m_view->Doc().Frames() == 0)
        return;
    PaneGeometry g = m_view->Geometry(m_index);
    CursorSet c = m_view->Cursors();
    c.Clamp(g.fs, g.samples);
    PixelBox b = c.ToPixels(g);
    p.save();
    p.setClipRect(plot);
    if (s.m_timeCursorOn) {
        p.setPen(QPen(QColor(220, 0, 0), 1));
        p.drawLine(b.left, plot.top(), b.left, plot.bottom());
        p.drawLine(b.right, plot.top(), b.right, plot.bottom());
    }
    if (s.m_freqAmpCursorOn) {
        p.setPen(QPen(QColor(0, 0, 220), 1));
        p.drawLine(plot.left(), b.top, plot.right(), b.top);
        p.drawLine(plot.left(), b.bottom, plot.right(), b.bottom);
    }
    if (c.boxShown && s.m_timeCursorOn && s.m_freqAmpCursorOn) {
        p.setPen(Qt::black);
        int xs[3] = {b.left, (b.left + b.right) / 2, b.right};
        int ys[3] = {b.top, (b.top + b.bottom) / 2, b.bottom};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                if (i != 1 || j != 1)
                    p.fillRect(xs[i] - kHandle / 2, ys[j] - kHandle / 2, kHandle, kHandle, QColor(255, 200, 0));
    }
    p.restore();
}

void CViewPane::mousePressEvent(QMouseEvent* e) {
    m_view->setFocus();
    if ((e->button() == Qt::LeftButton || e->button() == Qt::RightButton) &&
        PlotRect().contains(e->position().toPoint()))
        SelectAnnotationAt(*m_view, *this, e->position().toPoint());
    if (e->button() == Qt::RightButton) {
        emit m_view->ContextMenuRequested(e->globalPosition().toPoint());
        return;
    }
    if (e->button() != Qt::LeftButton)
        return;
    const WindowDisplaySettings& s = m_view->Settings();
    const QPoint pos = e->position().toPoint();
    QRect plot = PlotRect();
    if (!plot.contains(pos)) {
        // Without title bars the margins around the plot move the window.
        if (m_view->Flags().titleBarsHidden) {
            for (QWidget* w = m_view->parentWidget(); w; w = w->parentWidget())
                if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) {
                    m_movingWindow = sub;
                    m_moveStart = e->globalPosition().toPoint();
                    m_windowStart = sub->pos();
                    break;
                }
        }
        return;
    }
    if (!(s.m_timeCursorOn || s.m_freqAmpCursorOn) || m_view->Flags().hideAllCursors)
        return;
    CursorSet& c = m_view->Cursors();
    m_view->SetCursorPane(m_index);
    PaneGeometry g = m_view->Geometry(m_index);
    PixelBox b = c.ToPixels(g);
    const bool both = s.m_timeCursorOn && s.m_freqAmpCursorOn;
    const bool insideBox = pos.x() >= b.left - kHitTolerance && pos.x() <= b.right + kHitTolerance &&
                           pos.y() >= b.top - kHitTolerance && pos.y() <= b.bottom + kHitTolerance;
    auto near = [](int a, int v) { return std::abs(a - v) <= kHitTolerance; };
    auto onHandle = [&](int hx, int hy) {
        return std::abs(pos.x() - hx) <= kHandle / 2 && std::abs(pos.y() - hy) <= kHandle / 2;
    };
    bool hitLeft = false, hitRight = false, hitTop = false, hitBottom = false;
    if (c.boxShown && both) {
        int mx = (b.left + b.right) / 2, my = (b.top + b.bottom) / 2;
        int hxs[3] = {b.left, mx, b.right}, hys[3] = {b.top, my, b.bottom};
        for (int i = 0; i < 3 && !(hitLeft || hitRight || hitTop || hitBottom); ++i)
            for (int j = 0; j < 3; ++j) {
                if ((i == 1 && j == 1) || !onHandle(hxs[i], hys[j]))
                    continue;
                hitLeft = i == 0;
                hitRight = i == 2;
                hitTop = j == 0;
                hitBottom = j == 2;
                break;
            }
    }
    if (!(hitLeft || hitRight || hitTop || hitBottom) && (!both || insideBox)) {
        if (s.m_timeCursorOn) {
            hitLeft = near(pos.x(), b.left);
            hitRight = !hitLeft && near(pos.x(), b.right);
        }
        if (s.m_freqAmpCursorOn && !(hitLeft || hitRight)) {
            hitTop = near(pos.y(), b.top);
            hitBottom = !hitTop && near(pos.y(), b.bottom);
        }
    }
    m_dragging = true;
    m_press = pos;
    if (hitLeft || hitRight || hitTop || hitBottom) {
        m_anchor = QPoint(hitLeft ? b.right : b.left, hitTop ? b.bottom : b.top);
        m_moving = QPoint(hitRight ? b.right : b.left, hitBottom ? b.bottom : b.top);
        if (hitLeft || hitRight)
            m_moving.setX(pos.x());
        if (hitTop || hitBottom)
            m_moving.setY(pos.y());
        if (!(hitLeft || hitRight))
            m_anchor.setX(b.left), m_moving.setX(b.right);
        if (!(hitTop || hitBottom))
            m_anchor.setY(b.top), m_moving.setY(b.bottom);
        m_dragX = hitLeft || hitRight;
        m_dragY = hitTop || hitBottom;
        m_keepAnchor = true;
        m_anchorTime = hitLeft ? c.rightTime : c.leftTime;
        m_anchorValue = hitTop ? c.lower : c.upper;
    } else if (m_view->Flags().shiftDown || (e->modifiers() & Qt::ShiftModifier)) {
        // Extend: the nearer edges move to the press, the far ones stay.
        bool moveLeft = std::abs(pos.x() - b.left) < std::abs(pos.x() - b.right);
        bool moveTop = std::abs(pos.y() - b.top) < std::abs(pos.y() - b.bottom);
        m_anchor = QPoint(moveLeft ? b.right : b.left, moveTop ? b.bottom : b.top);
        m_moving = pos;
        m_dragX = m_dragY = true;
        m_keepAnchor = true;
        m_anchorTime = moveLeft ? c.rightTime : c.leftTime;
        m_anchorValue = moveTop ? c.lower : c.upper;
    } else {
        m_anchor = pos;
        m_moving = QPoint(pos.x() + 1, pos.y() + 1);
        m_dragX = m_dragY = true;
        m_keepAnchor = false;
    }
    c.boxShown = false;
    UpdateCursorsFromDrag();
}

void CViewPane::UpdateCursorsFromDrag() {
    const WindowDisplaySettings& s = m_view->Settings();
    CursorSet& c = m_view->Cursors();
    PaneGeometry g = m_view->Geometry(m_index);
    c.movingTimeOnly = !m_dragY;
    c.movingVerticalOnly = !m_dragX;
    c.SetFromPixels({m_anchor.x(), m_anchor.y(), m_moving.x(), m_moving.y()}, g, s.m_timeCursorOn,
                    s.m_freqAmpCursorOn);
    c.movingTimeOnly = c.movingVerticalOnly = false;
    if (m_keepAnchor) {
        // The edges the user did not touch keep their values exactly; going
        // through their drawn pixel would shift them by a column.
        if (m_dragX && s.m_timeCursorOn) {
            uint32_t t = CursorSet::TimeAtPixel(m_moving.x(), g);
            c.leftTime = std::min(t, m_anchorTime);
            c.rightTime = std::max(t, m_anchorTime);
        }
        if (m_dragY && s.m_freqAmpCursorOn) {
            double v = CursorSet::ValueAtPixel(m_moving.y(), g);
            c.upper = std::max(v, m_anchorValue);
            c.lower = std::min(v, m_anchorValue);
        }
    }
    m_view->CursorsChanged();
}

void CViewPane::ApplyDrag(const QPoint& pos) {
    if (m_dragX)
        m_moving.setX(pos.x());
    if (m_dragY)
        m_moving.setY(pos.y());
    UpdateCursorsFromDrag();
}

void CViewPane::mouseMoveEvent(QMouseEvent* e) {
    if (m_movingWindow && (e->buttons() & Qt::LeftButton)) {
        m_movingWindow->move(m_windowStart + (e->globalPosition().toPoint() - m_moveStart));
        return;
    }
    if (m_dragging && (e->buttons() & Qt::LeftButton) && e->position().toPoint() != m_press)
        ApplyDrag(e->position().toPoint());
}

void CViewPane::mouseReleaseEvent(QMouseEvent* e) {
    if (m_movingWindow) {
        m_movingWindow = nullptr;
        return;
    }
    if (!m_dragging || e->button() != Qt::LeftButton)
        return;
    // A click that did not move keeps the one-pixel box of the press.
    if (e->position().toPoint() != m_press)
        ApplyDrag(e->position().toPoint());
    m_dragging = false;
    m_view->Cursors().boxShown = true;
    m_view->CursorsChanged(false);
}

} // namespace tavril
