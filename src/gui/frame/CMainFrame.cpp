#include "frame/CMainFrame.h"

#include "AnnotationMetafile.h"

#include "frame/CCommandActions.h"
#include "frame/CChildFrame.h"
#include "frame/CHelpWindow.h"
#include "frame/Dialogs.h"
#include "SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <system_error>

namespace tavril {

namespace fs = std::filesystem;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
using S = SettingsStore;

std::string Format(const char* fmt, int n) {
    char buf[128];
    std::snprintf(buf, sizeof buf, fmt, n);
    return buf;
}

// Paths read from files written elsewhere may use backslashes.
fs::path FromStored(const std::string& p) {
    std::string s = p;
    std::replace(s.begin(), s.end(), '\\', '/');
    return fs::path(s);
}

bool Exists(const fs::path& p) {
    std::error_code ec;
    return !p.empty() && fs::is_regular_file(p, ec);
}

const char* kOpenFilter =
    "All Tavril files (*.set;*.dsp;*.wav;*.sig;*.snd;*.aif;*.aiff;*.txt)|*.set;*.dsp;*.wav;*.sig;*.snd;*.aif;*.aiff;"
    "*.txt|Wave files (*.wav)|*.wav|AIFF files (*.aif;*.aiff)|*.aif;*.aiff|Signal files (*.sig)|*.sig|"
    "SND files (*.snd)|*.snd|Tavril Display files (*.dsp)|*.dsp|Tavril Setting files (*.set)|*.set|"
    "Text files (*.txt)|*.txt|";

} // namespace

CMainFrame::CMainFrame(IPrompt& prompt, const DocServices* services, QWidget* parent)
    : QMainWindow(parent), m_prompt(prompt) {
    if (services) {
        m_services = std::make_unique<DocServices>(*services);
    } else {
        m_own = std::make_unique<OwnServices>();
        // Leftover working copies of instances that no longer run go; those
        // of a Tavril still running beside this one stay.
        if (m_own->temps.Start())
            m_own->temps.CleanUpStale();
        if (m_own->clipboard.Prepare())
            m_own->clipboard.Reset();
        m_services = std::make_unique<DocServices>(
            DocServices{prompt, m_own->temps, m_own->clipboard, m_own->engine, m_own->tools, m_own->filter,
                        m_own->multiTool, std::string()});
    }
    setWindowTitle(QStringLiteral("Tavril"));
    setObjectName(QStringLiteral("CMainFrame"));
    setAcceptDrops(true);
    m_area = new QMdiArea(this);
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setBackground(QColor(128, 128, 128));
    setCentralWidget(m_area);
    connect(m_area, &QMdiArea::subWindowActivated, this, &CMainFrame::OnWindowActivated);

    m_actions = new CCommandActions(this);
    connect(m_actions, &CCommandActions::Triggered, this, &CMainFrame::Dispatch);
    BuildMenus();
    m_toolbar = m_actions->BuildToolbar(this);
    addToolBar(m_toolbar);

    m_statusText = new QLabel(QStringLiteral("Ready"), this);
    m_statusText->setObjectName(QStringLiteral("statusText"));
    m_statusText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusBar()->addWidget(m_statusText, 1);
    for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
        // The toolkit does not report lock-key states; the fields stay empty.
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(indicator));
        l->setMinimumWidth(QFontMetrics(font()).horizontalAdvance(QStringLiteral("SCRL")) + 8);
        statusBar()->addPermanentWidget(l);
    }
    RegisterOwnSettingsGroups();
    qApp->installEventFilter(this);
    resize(1000, 700);
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    qApp->removeEventFilter(this);
    // The children outlive this destructor's body; none may call back into
    // a frame that is half gone.
    m_area->disconnect(this);
    for (CChildFrame* w : Windows()) {
        w->removeEventFilter(this);
        w->disconnect(this);
        w->View()->disconnect(this);
    }
    // The documents delete their working copies through the services, which
    // are members: the windows go first.
    for (CChildFrame* w : Windows())
        delete w;
}

std::shared_ptr<CSoundDocument> CMainFrame::NewDocument() { return std::make_shared<CSoundDocument>(*m_services); }

// ------------------------------------------------------------------ menus

void CMainFrame::BuildMenus() {
    for (MenuKind kind : {MenuKind::Short, MenuKind::Full})
        for (QMenu* m : m_actions->Bar(kind))
            connect(m, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
    for (QMenu* m : m_actions->Bar(MenuKind::Full))
        if (m->title() == QStringLiteral("Window"))
            connect(m, &QMenu::aboutToShow, this, [this, m] { RebuildWindowList(m); });
    // Keys of the table that a top-level menu's mnemonic would also claim.
    for (MenuKind kind : {MenuKind::Short, MenuKind::Full})
        for (QMenu* m : m_actions->Bar(kind)) {
            QKeySequence mnemonic = QKeySequence::mnemonic(m->title());
            if (mnemonic.isEmpty())
                continue;
            std::string key = mnemonic.toString(QKeySequence::PortableText).toStdString();
            for (const KeyRow& k : KeyRows())
                if (key == k.key)
                    m_mnemonicKeys[key] = k.id;
        }
    ShowMenuBar(false);
    RebuildRecentMenu();
    RebuildUserMenu();
}

void CMainFrame::RebuildWindowList(QMenu* menu) {
    for (QAction* a : m_windowListActions)
        delete a;
    m_windowListActions.clear();
    auto ws = Windows();
    if (ws.empty())
        return;
    m_windowListActions.push_back(menu->addSeparator());
    CChildFrame* active = ActiveWindow();
    for (size_t i = 0; i < ws.size() && i < 9; ++i) {
        CChildFrame* w = ws[i];
        auto* a = menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(w->windowTitle()));
        a->setCheckable(true);
        a->setChecked(w == active);
        QPointer<CChildFrame> target(w);
        connect(a, &QAction::triggered, this, [this, target] {
            if (target)
                ActivateWindow(target.data());
        });
        m_windowListActions.push_back(a);
    }
}

void CMainFrame::ShowMenuBar(bool full) {
    QMenuBar* bar = menuBar();
    if (!bar->actions().isEmpty() && full == m_fullMenu)
        return;
    bar->clear();
    for (QMenu* m : m_actions->Bar(full ? MenuKind::Full : MenuKind::Short))
        bar->addMenu(m);
    m_fullMenu = full;
}

void CMainFrame::RebuildRecentMenu() {
    for (QAction* a : m_recentActions)
        delete a;
    m_recentActions.clear();
    for (QAction* placeholder : m_actions->Placeholders(Cmd::RecentFileList)) {
        auto* menu = qobject_cast<QMenu*>(placeholder->parent());
        placeholder->setVisible(m_recent.files.empty());
        for (size_t i = 0; i < m_recent.files.size(); ++i) {
            std::string path = m_recent.files[i];
            QString text = QStringLiteral("&%1 %2").arg(i + 1).arg(Q(path));
            auto* a = new QAction(text, menu);
            a->setStatusTip(QStringLiteral("Open this document"));
            connect(a, &QAction::triggered, this, [this, path] {
                if (!OpenAnyFile(path)) {
                    m_recent.Remove(path);
                    RebuildRecentMenu();
                }
            });
            menu->insertAction(placeholder, a);
            m_recentActions.push_back(a);
        }
    }
}

void CMainFrame::RebuildUserMenu() {
    for (QAction* a : m_userMenuActions)
        delete a;
    m_userMenuActions.clear();
    for (QAction* placeholder : m_actions->Placeholders(Cmd::UserMenuList)) {
        auto* menu = qobject_cast<QMenu*>(placeholder->parent());
        placeholder->setVisible(false);
        for (size_t i = 0; i < m_userMenu.files.size() && i < static_cast<size_t>(kMaxUserMenuEntries); ++i) {
            std::string path = m_userMenu.files[i];
            QString text = m_userMenu.hidePath ? Q(FromStored(path).filename().string()) : Q(path);
            auto* a = new QAction(text, menu);
            a->setStatusTip(QStringLiteral("Open this file of the user menu"));
            connect(a, &QAction::triggered, this, [this, path] { OpenAnyFile(path); });
            menu->insertAction(placeholder, a);
            m_userMenuActions.push_back(a);
        }
    }
}

bool CMainFrame::IsEnabled(Cmd id) const {
    const CommandInfo* info = FindCommand(id);
    if (!info)
        return false;
    CTavrilView* v = ActiveView();
    if (const CommandExtension* ext = ExtensionFor(id))
        return ext->enabled ? ext->enabled(id, v) : true;
    switch (info->rule) {
    case EnableRule::Always: return true;
    case EnableRule::NeedsView: return v != nullptr;
    case EnableRule::FixedScale: return v && v->IsFixedScale();
    case EnableRule::TwoWindows: return Windows().size() >= 2;
    case EnableRule::Later: return false;
    }
    return false;
}

void CMainFrame::UpdateCommandStates() {
    ShowMenuBar(!Windows().empty());
    for (const CommandInfo& info : CommandInfos())
        m_actions->SetEnabled(info.id, IsEnabled(info.id));
    // The short bar's settings item edits the defaults and is always there.
    CTavrilView* v = ActiveView();
    m_actions->SetChecked(Cmd::ViewWaveform, v && v->Settings().m_displayType == 0);
    m_actions->SetChecked(Cmd::ViewSpectrogram, v && v->Settings().m_displayType == 1);
    m_actions->SetChecked(Cmd::TimeScaleFit, v && !v->IsFixedScale());
    m_actions->SetChecked(Cmd::HideTitleBars, m_flags.titleBarsHidden);
    m_actions->SetChecked(Cmd::ViewToolbar, m_toolbar && m_toolbar->isVisible());
    m_actions->SetChecked(Cmd::ViewStatusBar, statusBar()->isVisible());
    m_actions->SetChecked(Cmd::OpenUsingActive, !m_openUsingDefault);
    m_actions->SetChecked(Cmd::OpenUsingDefault, m_openUsingDefault);
    m_actions->SetChecked(Cmd::SnapToGrid, m_snap);
    m_actions->SetChecked(Cmd::StackBelow, m_stackBelow);
    m_actions->SetFullText(Cmd::HideCursors, m_flags.hideAllCursors ? QStringLiteral("Make Cursors Viewable\tShift+H")
                                                                     : QStringLiteral("&Hide All Cursors\tShift+H"));
    for (QAction* p : m_actions->Placeholders(Cmd::RecentFileList))
        p->setVisible(m_recent.files.empty());
    for (const CommandInfo& info : CommandInfos())
        if (const CommandExtension* ext = ExtensionFor(info.id); ext && ext->text) {
            QString text = ext->text(info.id, v);
            if (!text.isEmpty())
                m_actions->SetFullText(info.id, text);
        }
}

// --------------------------------------------------------------- dispatch

void CMainFrame::Dispatch(Cmd id) {
    if (!IsEnabled(id))
        return;
    const CommandInfo* info = FindCommand(id);
    CTavrilView* v = ActiveView();
    bool handled = false;
    if (const CommandExtension* ext = ExtensionFor(id); ext && ext->run) {
        ext->run(id, v);
        handled = true;
    }
    if (!handled && v && (info->receiver == Receiver::View || info->receiver == Receiver::ViewOrFrame))
        handled = v->OnCommand(id);
    if (!handled)
        handled = FrameCommand(id);
    UpdateCommandStates();
    if (auto* a = ActiveView())
        SetReadout(a->ReadoutText());
}

bool CMainFrame::FrameCommand(Cmd id) {
    CTavrilView* v = ActiveView();
    switch (id) {
    case Cmd::FileNew: {
        auto doc = NewDocument();
        doc->New();
        AddWindow(doc, SettingsForNewWindow());
        return true;
    }
    case Cmd::FileOpen: CmdOpen(); return true;
    case Cmd::FileCloseWindow:
        if (auto* w = ActiveWindow())
            w->close();
        return true;
    case Cmd::FileCloseAll: CmdCloseAll(); return true;
    case Cmd::ImportFileList: CmdImportTextList(); return true;
    case Cmd::ExportDisplayTextList: CmdExportTextList(); return true;
    case Cmd::ExportDisplayAndSounds: CmdSaveDisplay(true); return true;
    case Cmd::SetDefaultFormat: CmdDefaultFormat(); return true;
    case Cmd::MergeDisplay: CmdMergeDisplay(); return true;
    case Cmd::SaveDisplay: CmdSaveDisplay(false); return true;
    case Cmd::SaveSettings: CmdSaveSettings(); return true;
    case Cmd::AppExit: close(); return true;
    case Cmd::TimeScaleFit:
        if (v)
            v->OnCommand(Cmd::TimeScaleFit);
        return true;
    case Cmd::HideCursors:
        m_flags.hideAllCursors = !m_flags.hideAllCursors;
        m_general.hideAllCursors = m_flags.hideAllCursors;
        for (CChildFrame* w : Windows())
            w->View()->CursorsChanged(false);
        if (!v)
            SetReadout({});
        return true;
    case Cmd::HideTitleBars:
        m_general.hideTitleBars = !m_flags.titleBarsHidden;
        ApplyGeneralDetails();
        return true;
    case Cmd::ViewToolbar: m_toolbar->setVisible(!m_toolbar->isVisible()); return true;
    case Cmd::ViewStatusBar: statusBar()->setVisible(!statusBar()->isVisible()); return true;
    case Cmd::EditUserMenu: CmdEditUserMenu(); return true;
    case Cmd::WindowSettings: CmdWindowSettings(false); return true;
    case Cmd::DefaultWindowSettings: CmdWindowSettings(true); return true;
    case Cmd::NewWindowSizing: CmdNewWindowSizing(); return true;
    case Cmd::OpenUsingActive: m_openUsingDefault = false; return true;
    case Cmd::OpenUsingDefault: m_openUsingDefault = true; return true;
    case Cmd::SetPriority: CmdPriority(); return true;
    case Cmd::FormatInfo: CmdFormatInfo(); return true;
    case Cmd::WindowNew:
        if (v)
            OpenLinkedWindow(v);
        return true;
    case Cmd::WindowCascade: m_area->cascadeSubWindows(); return true;
    case Cmd::WindowTile: m_area->tileSubWindows(); return true;
    case Cmd::WindowArrangeIcons: {
        int x = 0;
        for (CChildFrame* w : Windows())
            if (w->isMinimized()) {
                w->move(x, m_area->viewport()->height() - w->height());
                x += w->width();
            }
        return true;
    }
    case Cmd::ResizeHeightWidth: CmdResizeAll(true, true); return true;
    case Cmd::ResizeHeight: CmdResizeAll(true, false); return true;
    case Cmd::ResizeWidth: CmdResizeAll(false, true); return true;
    case Cmd::Rearrange: CmdRearrange(); return true;
    case Cmd::FitScreen: CmdFitScreen(); return true;
    case Cmd::SnapToGrid: m_snap = !m_snap; return true;
    case Cmd::StackBelow: m_stackBelow = !m_stackBelow; return true;
    case Cmd::DefaultTemplate:
        if (v) {
            m_defaultDisplay.CopyFrom(v->Settings());
            m_defaultDisplay.Save("", -1);
        }
        return true;
    case Cmd::HelpTopics:
    case Cmd::ContextHelp: CmdHelp(); return true;
    case Cmd::About: CmdAbout(); return true;
    case Cmd::NeighbourLeft: CmdNeighbour(-1, 0); return true;
    case Cmd::NeighbourRight: CmdNeighbour(1, 0); return true;
    case Cmd::NeighbourUp: CmdNeighbour(0, -1); return true;
    case Cmd::NeighbourDown: CmdNeighbour(0, 1); return true;
    case Cmd::RedrawAll:
        for (CChildFrame* w : Windows())
            w->View()->Redraw();
        return true;
    case Cmd::GoToTime: CmdGoToTime(); return true;
    case Cmd::NextPane: CmdNextPane(1); return true;
    case Cmd::PrevPane: CmdNextPane(-1); return true;
    default: return false;
    }
}

// ---------------------------------------------------------------- windows

std::vector<CChildFrame*> CMainFrame::Windows() const {
    std::vector<CChildFrame*> out;
    for (QMdiSubWindow* w : m_area->subWindowList(QMdiArea::CreationOrder))
        if (auto* c = qobject_cast<CChildFrame*>(w))
            out.push_back(c);
    return out;
}

CChildFrame* CMainFrame::ActiveWindow() const {
    if (auto* c = qobject_cast<CChildFrame*>(m_area->activeSubWindow()))
        return c;
    // Without window-system focus (offscreen, another program in front) the
    // area reports none; the last activated window is still the active one.
    if (m_lastActive)
        return m_lastActive.data();
    return nullptr;
}

CTavrilView* CMainFrame::ActiveView() const {
    CChildFrame* w = ActiveWindow();
    return w ? w->View() : nullptr;
}

void CMainFrame::ActivateWindow(CChildFrame* w) {
    m_lastActive = w;
    m_area->setActiveSubWindow(w);
    UpdateCommandStates();
    if (w)
        SetReadout(w->View()->ReadoutText());
}

QString CMainFrame::StatusText() const { return m_statusText->text(); }

void CMainFrame::SetReadout(const QString& text) { m_statusText->setText(text.isEmpty() ? "Ready" : text); }

WindowDisplaySettings CMainFrame::SettingsForNewWindow() const {
    WindowDisplaySettings s;
    CTavrilView* v = ActiveView();
    if (!m_openUsingDefault && v)
        s.CopyFrom(v->Settings());
    else
        s.CopyFrom(m_defaultDisplay);
    return s;
}

CChildFrame* CMainFrame::AddWindow(std::shared_ptr<CSoundDocument> doc, const WindowDisplaySettings& s) {
    CChildFrame* previous = ActiveWindow();
    auto* view = new CTavrilView(std::move(doc), s, &m_flags);
    view->SetDocumentFactory([this] { return NewDocument(); });
    view->SetWindowId(m_nextWindowId++);
    auto* w = new CChildFrame(view);
    w->SetCloseGuard([this](CChildFrame* f) { return CanCloseWindow(f); });
    view->SetReplaceGuard([this, w](CTavrilView*) { return CanCloseWindow(w); });
    m_area->addSubWindow(w);
    // The first window takes a good share of the frame; later ones follow the previous.
    QSize area = m_area->viewport()->size();
    int width = previous ? previous->width() : std::max(480, area.width() * 9 / 10);
    int height = previous ? previous->height() : std::max(240, area.height() * 3 / 5);
    if (m_grid.horizontalUseGrid && m_grid.horizontalPixels >= 2)
        width = m_grid.horizontalPixels;
    if (m_grid.verticalUseGrid && m_grid.verticalPixels >= 2)
        height = m_grid.verticalPixels;
    w->resize(width, height);
    if (m_flags.titleBarsHidden)
        w->SetTitleBarHidden(true);
    connect(view, &CTavrilView::ReadoutChanged, this, [this, view](const QString& text) {
        if (ActiveView() == view)
            SetReadout(text);
    });
    connect(view, &CTavrilView::ContextMenuRequested, this, [this, w](const QPoint& pos) {
        ActivateWindow(w);
        UpdateCommandStates();
        m_actions->Popup(MenuKind::Context)->exec(pos);
    });
    connect(view, &CTavrilView::CursorsMoved, this, &CMainFrame::OnCursorsMoved);
    connect(w, &CChildFrame::Closing, this, &CMainFrame::OnWindowClosing);
    w->installEventFilter(this);
    w->show();
    ActivateWindow(w);
    return w;
}

CChildFrame* CMainFrame::OpenSoundFile(const std::string& path) {
    auto doc = NewDocument();
    std::error_code ec;
    if (!doc->Open(path))
        return nullptr;  // no such file; one that cannot be read is reported by the document
    m_currentFolder = fs::path(path).parent_path().string();
    m_recent.Add(fs::absolute(path, ec).string());
    RebuildRecentMenu();
    return AddWindow(doc, SettingsForNewWindow());
}

CChildFrame* CMainFrame::OpenLinkedWindow(CTavrilView* source) {
    WindowDisplaySettings s;
    s.CopyFrom(source->Settings());
    CChildFrame* w = AddWindow(source->Document(), s);
    return w;
}

bool CMainFrame::OpenAnyFile(const std::string& path) {
    if (IsDisplayFileName(path)) {
        bool ok = LoadDisplay(path, true);
        if (ok) {
            m_recent.Add(path);
            RebuildRecentMenu();
        }
        return ok;
    }
    if (IsSettingsFileName(path)) {
        if (!Exists(path))
            return false;
        LoadSettingsFile(path);
        m_recent.Add(path);
        RebuildRecentMenu();
        return true;
    }
    if (!Exists(path)) {
        m_prompt.ShowMessage("Error opening soundfile " + path + ". The file may be corrupt", "Tavril");
        return false;
    }
    return OpenSoundFile(path) != nullptr;
}

void CMainFrame::OnWindowActivated(QMdiSubWindow* w) {
    if (auto* c = qobject_cast<CChildFrame*>(w))
        m_lastActive = c;
    UpdateCommandStates();
    if (CTavrilView* v = ActiveView())
        SetReadout(v->ReadoutText());
}

void CMainFrame::OnWindowClosing(CChildFrame* w) {
    if (m_lastActive == w)
        m_lastActive = nullptr;
    for (CChildFrame* other : Windows())
        if (other->View()->LinkTarget() == w->View())
            other->View()->SetLinkTarget(nullptr);
    w->removeEventFilter(this);
    // The window leaves the list only after this returns; update once it has.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_lastActive) {
                auto ws = Windows();
                if (!ws.empty())
                    m_lastActive = ws.back();
            }
            UpdateCommandStates();
            SetReadout(ActiveView() ? ActiveView()->ReadoutText() : QString());
        },
        Qt::QueuedConnection);
}

void CMainFrame::OnCursorsMoved(CTavrilView* v) {
    CTavrilView* target = v->LinkTarget();
    if (!target || target == v)
        return;
    CursorSet& t = target->Cursors();
    const CursorSet& c = v->Cursors();
    // Linked windows of different rates share times, not sample numbers.
    double ratio = v->Doc().SampleRate() > 0.0 ? target->Doc().SampleRate() / v->Doc().SampleRate() : 1.0;
    t.SetTimeCursors(static_cast<int64_t>(c.leftTime * ratio), static_cast<int64_t>(c.rightTime * ratio));
    t.SetVerticalCursors(c.upper, c.lower);
    target->CursorsChanged(false);
}

void CMainFrame::ApplyGeneralDetails() {
    m_flags.hideAllCursors = m_general.hideAllCursors != 0;
    bool hidden = m_general.hideTitleBars != 0;
    if (hidden != m_flags.titleBarsHidden) {
        m_flags.titleBarsHidden = hidden;
        for (CChildFrame* w : Windows())
            w->SetTitleBarHidden(hidden);
    }
    for (CChildFrame* w : Windows())
        w->View()->CursorsChanged(false);
    UpdateCommandStates();
}

std::vector<LayoutRect> CMainFrame::Rects(const std::vector<CChildFrame*>& ws) const {
    std::vector<LayoutRect> r;
    for (CChildFrame* w : ws)
        r.push_back({w->x(), w->y(), w->width(), w->height()});
    return r;
}

void CMainFrame::SetRects(const std::vector<CChildFrame*>& ws, const std::vector<LayoutRect>& rects) {
    bool saved = m_snapping;
    m_snapping = true;  // an arrangement is not a user's move to snap
    for (size_t i = 0; i < ws.size() && i < rects.size(); ++i)
        ws[i]->setGeometry(rects[i].x, rects[i].y, rects[i].w, rects[i].h);
    m_snapping = saved;
}

void CMainFrame::CmdCloseAll() {
    for (CChildFrame* w : Windows())
        w->close();
}

void CMainFrame::CmdResizeAll(bool height, bool width) {
    auto ws = Windows();
    auto it = std::find(ws.begin(), ws.end(), ActiveWindow());
    if (ws.size() < 2 || it == ws.end())
        return;
    SetRects(ws, ResizeAllTo(Rects(ws), static_cast<int>(it - ws.begin()), height, width));
}

void CMainFrame::CmdRearrange() {
    auto ws = Windows();
    if (ws.size() >= 2)
        SetRects(ws, Rearrange(Rects(ws)));
}

void CMainFrame::CmdFitScreen() {
    auto ws = Windows();
    if (ws.size() >= 2)
        SetRects(ws, FitToClient(Rects(ws), m_area->viewport()->width(), m_area->viewport()->height()));
}

void CMainFrame::CmdNeighbour(int dx, int dy) {
    auto ws = Windows();
    auto it = std::find(ws.begin(), ws.end(), ActiveWindow());
    if (it == ws.end())
        return;
    int n = NeighbourWindow(Rects(ws), static_cast<int>(it - ws.begin()), dx, dy);
    if (n >= 0)
        ActivateWindow(ws[n]);
}

void CMainFrame::CmdNextPane(int step) {
    CTavrilView* v = ActiveView();
    if (!v || v->PaneCount() < 2)
        return;
    int next = (v->CursorPane() + step + v->PaneCount()) % v->PaneCount();
    v->SetCursorPane(next);
    v->CursorsChanged(false);
}

void CMainFrame::CmdGoToTime() {
    CTavrilView* v = ActiveView();
    if (!v)
        return;
    std::string text;
    if (!m_prompt.AskText("Enter time to go to (HH:MM:SS, or seconds):", "Go to time in sound file", text))
        return;
    float a = 0, b = 0, c = 0;
    int n = std::sscanf(text.c_str(), "%f:%f:%f", &a, &b, &c);
    if (n <= 0) {
        m_prompt.ShowMessage("\"" + text + "\" is not a time.", "Tavril");
        return;
    }
    double seconds = n == 1 ? a : a * 3600.0 + b * 60.0 + c;
    v->GoToTime(seconds);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Shift)
            m_flags.shiftDown = e->type() == QEvent::KeyPress;
    }
    // A key of the table that is also a menu title's Alt+letter (Alt+T and
    // "&Tools") belongs to the command, as accelerators always win over
    // mnemonics: claim it before the toolkit finds two owners and runs neither.
    if (e->type() == QEvent::ShortcutOverride || e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this && !m_mnemonicKeys.empty()) {
            QKeySequence seq(k->keyCombination());
            auto it = m_mnemonicKeys.find(seq.toString(QKeySequence::PortableText).toStdString());
            if (it != m_mnemonicKeys.end()) {
                e->accept();
                if (e->type() == QEvent::KeyPress && !k->isAutoRepeat())
                    Dispatch(it->second);
                return true;
            }
        }
    }
    // A character no key of the table took goes to the typed-character owners.
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        auto* w = qobject_cast<QWidget*>(watched);
        const bool plain = !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        if (w && w->window() == this && plain && k->text().size() == 1 && k->text()[0].unicode() >= 0x20 &&
            k->text()[0].unicode() < 0x7F && !k->isAutoRepeat() &&
            // Offered once, where the key first arrives.
            (w == QApplication::focusWidget() || (!QApplication::focusWidget() && w == this)) &&
            (qobject_cast<CTavrilView*>(w) || qobject_cast<CViewPane*>(w) || w == this || w == m_area ||
             w == m_area->viewport()) &&
            OfferTypedCharacter(static_cast<char>(k->text()[0].unicode())))
            return true;
    }
    if (m_snap && !m_snapping && (e->type() == QEvent::Move || e->type() == QEvent::Resize)) {
        if (auto* w = qobject_cast<QMdiSubWindow*>(watched))
            SnapWindow(w);
    }
    return QMainWindow::eventFilter(watched, e);
}

bool CMainFrame::OfferTypedCharacter(char c) {
    if (m_typed.trialKeys && m_typed.trialKeys(c))
        return true;
    if (m_typed.playWindow)
        for (CChildFrame* w : Windows()) {
            const WindowDisplaySettings& s = w->View()->Settings();
            if (s.m_usePlayKey && s.m_playKeyValue.size() == 1 && s.m_playKeyValue[0] == c) {
                if (m_typed.playWindow(w->View()))
                    return true;
                break;  // only the first such window plays
            }
        }
    return m_typed.logKeys && m_typed.logKeys(c);
}

void CMainFrame::SnapWindow(QMdiSubWindow* w) {
    LayoutRect r{w->x(), w->y(), w->width(), w->height()};
    LayoutRect s = SnapToGrid(r, m_area->viewport()->width(), m_area->viewport()->height(),
                              m_grid.horizontalUseGrid != 0, m_grid.horizontalPixels, m_grid.verticalUseGrid != 0,
                              m_grid.verticalPixels);
    if (s == r)
        return;
    m_snapping = true;
    w->setGeometry(s.x, s.y, s.w, s.h);
    m_snapping = false;
}

void CMainFrame::closeEvent(QCloseEvent* e) {
    CmdCloseAll();
    QApplication::processEvents();
    if (!Windows().empty()) {
        e->ignore();  // a window with unsaved changes stayed open at the user's word
        return;
    }
    SaveExitSettings();
    QMainWindow::closeEvent(e);
}

// Also asked before a window's sound is replaced by another file (Alt+Left/Right).
bool CMainFrame::CanCloseWindow(CChildFrame* w) {
    CSoundDocument* doc = w->View()->Document().get();
    for (CChildFrame* other : Windows())
        if (other != w && other->View()->Document().get() == doc)
            return true;  // another window still shows the sound
    if (!doc->Doc().IsModified())
        return true;
    for (const CommandExtension& ext : m_extensions)
        if (ext.confirmClose && !ext.confirmClose(doc->Doc()))
            return false;
    return true;
}

void CMainFrame::SetCommandExtension(CommandExtension ext) {
    m_extensions.clear();
    AddCommandExtension(std::move(ext));
}

void CMainFrame::AddCommandExtension(CommandExtension ext) {
    if (ext.handles)
        m_extensions.push_back(std::move(ext));
}

const CommandExtension* CMainFrame::ExtensionFor(Cmd id) const {
    for (const CommandExtension& ext : m_extensions)
        if (ext.handles(id))
            return &ext;
    return nullptr;
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* e) {
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile())
            OpenAnyFile(url.toLocalFile().toStdString());
}

// --------------------------------------------------------------- settings

void CMainFrame::LoadStartupSettings() {
    m_recent.Load("");
    RebuildRecentMenu();
    QByteArray state = QByteArray::fromBase64(
        QByteArray::fromStdString(S::ReadSettingString("", "Tool Bar State", "State", "")));
    if (!state.isEmpty())
        restoreState(state);
    if (!S::Exists("")) {
        // First start: write what the objects hold after construction, in the
        // order of the start-up list, for every group the program has.
        static const char* const firstStart[] = {
            "General main menu settings", "Fixed frequency filter", "Default new window sizing", "Printing",
            "System priority", "Recording config and virtual recorders", "Default new window display configuration",
            "Log file settings", "Loop mode playback", "display menu list", "Multi tool", "Playback trial",
            "Klip 'n Save", "General annotation settings", "Settings for detecting sound in recording files"};
        for (const char* key : firstStart) {
            if (std::string(key) == "display menu list") {
                m_userMenu.Save("");
                continue;
            }
            auto it = m_settingsGroups.find(key);
            if (it != m_settingsGroups.end() && it->second.save)
                it->second.save("");
        }
    }
    // Then every start reads them, in the start-up order.
    static const char* const everyStart[] = {
        "Recording config and virtual recorders", "Default new window display configuration",
        "Default new window sizing", "Ramp Begin/End Details", "System priority", "Fixed frequency filter",
        "Log file settings", "Playback trial", "Loop mode playback", "General main menu settings", "Printing",
        "display menu list", "Multi tool", "Klip 'n Save", "General annotation settings",
        "Settings for detecting sound in recording files"};
    for (const char* key : everyStart) {
        auto it = m_settingsGroups.find(key);
        if (it != m_settingsGroups.end() && it->second.load)
            it->second.load("");
        if (std::string(key) == "display menu list")
            m_defaultFormat.Load("");
    }
}

void CMainFrame::SaveExitSettings() {
    // The sections written at every exit, in order; the first two belong to
    // the tools and are there when those registered them by section name.
    for (const char* section : {"Ramp Begin/End Details", "Insert Noise Dialog"}) {
        auto it = m_settingsGroups.find(section);
        if (it != m_settingsGroups.end() && it->second.save)
            it->second.save("");
    }
    m_general.hideAllCursors = m_flags.hideAllCursors;
    m_general.hideTitleBars = m_flags.titleBarsHidden;
    m_general.Save("");
    m_recent.Save("");
    S::WriteSettingString("", "Tool Bar State", "State", saveState().toBase64().toStdString());
}

void CMainFrame::ApplyPriority(int previous) {
    if (m_priority.level == previous)
        return;
    int nice = m_priority.level == 0 ? 0 : (m_priority.level == 1 ? -5 : -15);
    errno = 0;
    if (setpriority(PRIO_PROCESS, 0, nice) != 0) {
        m_prompt.ShowMessage(std::string("The priority level could not be applied: ") + std::strerror(errno) +
                                 ".\nThe program keeps running at its present priority.",
                             "Set Priority");
    }
}

// ------------------------------------------------------- display files

namespace {
// Files made of many sections are written beside their target and renamed
// over it at the end, so an interrupted save leaves the old file whole.
std::string SavingName(const std::string& path) { return path + ".saving"; }

bool Finish(const std::string& temp, const std::string& path) {
    std::error_code ec;
    if (Exists(temp))
        fs::rename(temp, path, ec);
    else
        ec = std::make_error_code(std::errc::io_error);
    if (ec)
        fs::remove(temp, ec);
    return Exists(path) && !Exists(temp);
}
} // namespace

bool CMainFrame::SaveDisplay(const std::string& path, bool exportSounds) {
    std::string temp = SavingName(path);
    std::error_code ec;
    fs::remove(temp, ec);
    if (!WriteDisplaySections(temp, path, exportSounds)) {
        fs::remove(temp, ec);
        return false;
    }
    if (!Finish(temp, path)) {
        m_prompt.ShowMessage("Could not write the display file " + path + ".", "Tavril");
        return false;
    }
    return true;
}

bool CMainFrame::WriteDisplaySections(const std::string& file, const std::string& displayPath, bool exportSounds) {
    const std::string& path = file;
    std::error_code ec;
    auto ws = Windows();
    S::WriteSettingInt(path, "Display info", "num windows", static_cast<int>(ws.size()));
    S::WriteSettingString(path, "Display info", "display file path", fs::absolute(displayPath, ec).string());
    S::WriteSettingInt(path, "Display info", "display file version", 4);
    fs::path folder = fs::absolute(displayPath, ec).parent_path();
    std::map<const CSoundDocument*, int> owner;  // first window showing each sound
    for (size_t n = 0; n < ws.size(); ++n) {
        CTavrilView* v = ws[n]->View();
        std::string section = Format("Settings for Window %d", static_cast<int>(n));
        auto found = owner.find(v->Document().get());
        bool linked = found != owner.end();
        std::string soundPath = v->Doc().Path();
        if (!linked) {
            owner[v->Document().get()] = v->WindowId();
            if (exportSounds && Exists(soundPath)) {
                fs::path target = folder / fs::path(soundPath).filename();
                // A different file of the same name is never overwritten.
                for (int k = 2; Exists(target) && !fs::equivalent(target, soundPath, ec); ++k) {
                    std::ifstream a(soundPath, std::ios::binary), b(target, std::ios::binary);
                    std::string da((std::istreambuf_iterator<char>(a)), {}), db((std::istreambuf_iterator<char>(b)), {});
                    if (da == db)
                        break;
                    fs::path base = fs::path(soundPath).stem();
                    target = folder / (base.string() + " (" + std::to_string(k) + ")" +
                                       fs::path(soundPath).extension().string());
                }
                if (!Exists(target) || !fs::equivalent(target, soundPath, ec)) {
                    fs::copy_file(soundPath, target, fs::copy_options::skip_existing, ec);
                    if (ec) {
                        m_prompt.ShowMessage("Could not copy " + soundPath + " to " + target.string() + ": " +
                                                 ec.message(),
                                             "Tavril");
                        return false;
                    }
                }
                soundPath = target.string();
            }
        }
        QRect g = ws[n]->geometry();
        S::WriteSettingInt(path, section, "Window ID", v->WindowId());
        S::WriteSettingInt(path, section, "Window scroll bar position", v->ScrollPosition());
        S::WriteSettingString(path, section, "Sound file name", linked ? "" : soundPath);
        S::WriteSettingString(path, section, "Sound file title", linked ? "" : v->Doc().Title());
        S::WriteSettingInt(path, section, "linked to window with ID", linked ? found->second : -1);
        S::WriteSettingLong(path, section, "window rect left", g.left());
        S::WriteSettingLong(path, section, "window rect top", g.top());
        S::WriteSettingLong(path, section, "window rect right", g.right() + 1);
        S::WriteSettingLong(path, section, "window rect bottom", g.bottom() + 1);
        S::WriteSettingLong(path, section, "Display bitmap file position", -1);
        v->Settings().Save(path, static_cast<int>(n));
    }
    return true;
}

std::string CMainFrame::ResolveSoundForDisplay(const std::string& displayPath, const std::string& storedDisplayPath,
                                               const std::string& storedSound, const std::string& title,
                                               std::string& browseFolder, bool& cancelled) {
    cancelled = false;
    std::error_code ec;
    fs::path displayNow = fs::absolute(displayPath, ec);
    fs::path sound = FromStored(storedSound);
    if (!storedDisplayPath.empty()) {
        fs::path then = FromStored(storedDisplayPath).parent_path();
        fs::path rel = sound.lexically_relative(then);
        if (!rel.empty() && *rel.begin() != "..") {
            fs::path candidate = displayNow.parent_path() / rel;
            if (Exists(candidate))
                return candidate.string();
        }
    }
    if (Exists(sound))
        return sound.string();
    if (title.empty())
        return {};
    fs::path name = FromStored(title).filename();
    for (const fs::path& folder : {displayNow.parent_path(), fs::current_path(ec)})
        if (Exists(folder / name))
            return (folder / name).string();
    if (!browseFolder.empty() && Exists(fs::path(browseFolder) / name))
        return (fs::path(browseFolder) / name).string();
    std::string question = "Couldn't find sound file " + storedSound + "\n\n" +
                           "It may have been deleted or moved to a different directory.\n" +
                           "If its been moved, re-save the display to store the new location." +
                           "\n\nBrowse to find this file?";
    IPrompt::Reply r = m_prompt.AskYesNoCancel(question, "Tavril");
    if (r == IPrompt::Reply::Cancel) {
        cancelled = true;
        return {};
    }
    if (r == IPrompt::Reply::No)
        return {};
    IPrompt::PathRequest req;
    req.title = "Browse for the file:";
    req.filter = "Wave files|*.wav|";
    std::string chosen;
    if (!m_prompt.ChoosePath(req, chosen) || !Exists(chosen))
        return {};
    browseFolder = fs::path(chosen).parent_path().string();
    return chosen;
}

bool CMainFrame::LoadDisplay(const std::string& path, bool closeFirst, bool tryEvery) {
    if (!Exists(path)) {
        m_prompt.ShowMessage("Error opening display file " + path + ".", "Tavril");
        return false;
    }
    int count = S::ReadSettingInt(path, "Display info", "num windows", 0);
    if (count == 0)
        count = 10000;
    count = std::min(count, 10000);
    std::string storedDisplay = S::ReadSettingString(path, "Display info", "display file path", "");
    int version = S::ReadSettingInt(path, "Display info", "display file version", 0);
    if (closeFirst)
        CmdCloseAll();
    if (version <= 0)
        return true;
    struct Loaded {
        CChildFrame* frame;
        int id;
        int linkedTo;
    };
    std::vector<Loaded> loaded;
    std::string browseFolder;
    for (int n = 0; n < count; ++n) {
        std::string section = Format("Settings for Window %d", n);
        long left = S::ReadSettingLong(path, section, "window rect left", -100000);
        if (left < -99999) {
            if (tryEvery)
                continue;
            break;
        }
        std::string sound = S::ReadSettingString(path, section, "Sound file name", "");
        std::string title = S::ReadSettingString(path, section, "Sound file title", "");
        std::shared_ptr<CSoundDocument> doc;
        if (sound.empty()) {
            doc = NewDocument();  // linked below
        } else {
            bool cancelled = false;
            std::string found = ResolveSoundForDisplay(path, storedDisplay, sound, title, browseFolder, cancelled);
            if (cancelled)
                break;
            if (found.empty()) {
                if (title.empty() && !tryEvery)
                    break;  // nothing left to search by
                continue;   // the user chose to skip this window
            }
            doc = NewDocument();
            doc->Open(found);
        }
        WindowDisplaySettings s;
        s.CopyFrom(m_defaultDisplay);
        s.Load(path, n);
        CChildFrame* w = AddWindow(doc, s);
        int id = S::ReadSettingInt(path, section, "Window ID", -1);
        int linkedTo = S::ReadSettingInt(path, section, "linked to window with ID", -1);
        long top = S::ReadSettingLong(path, section, "window rect top", 0);
        long right = S::ReadSettingLong(path, section, "window rect right", left + 400);
        long bottom = S::ReadSettingLong(path, section, "window rect bottom", top + 200);
        bool saved = m_snapping;
        m_snapping = true;
        w->setGeometry(static_cast<int>(left), static_cast<int>(top), std::max(40L, right - left),
                       std::max(30L, bottom - top));
        m_snapping = saved;
        w->View()->SetScrollPosition(S::ReadSettingInt(path, section, "Window scroll bar position", 0));
        w->View()->Redraw();
        loaded.push_back({w, id, linkedTo});
    }
    for (const Loaded& l : loaded) {
        if (l.linkedTo < 0)
            continue;
        bool linked = false;
        for (const Loaded& other : loaded)
            if (other.id == l.linkedTo && other.frame != l.frame && other.linkedTo < 0) {
                l.frame->View()->SetDocument(other.frame->View()->Document());
                l.frame->UpdateTitle();
                linked = true;
                break;
            }
        // The window it showed the sound of was skipped: an empty window
        // with no name would only puzzle.
        if (!linked)
            l.frame->close();
    }
    for (const Loaded& l : loaded)
        l.frame->View()->SetWindowId(m_nextWindowId++);
    m_currentDisplay = path;
    UpdateCommandStates();
    return true;
}

const char* const kSettingsDisplayBox = "Save the current display along with selected settings";

namespace {
// The order in which a settings file is written.
const char* const kSettingsSaveOrder[] = {
    "General main menu settings", "Fixed frequency filter", "Default new window sizing", "Printing",
    "System priority", "Recording config and virtual recorders", "Default new window display configuration",
    "Log file settings", "Loop mode playback", "Multi tool", "Playback trial", "Klip 'n Save",
    "Settings for detecting sound in recording files", "General annotation settings"};
// The order in which it is read; "the display" marks where the windows come.
const char* const kSettingsLoadOrder[] = {
    "Default new window display configuration", "Default new window sizing", "Ramp Begin/End Details",
    "System priority", "Fixed frequency filter", "Log file settings", "Printing", "Loop mode playback",
    "Recording config and virtual recorders", "Klip 'n Save", "General main menu settings", "display menu list",
    "the display", "Playback trial", "Multi tool", "Settings for detecting sound in recording files",
    "General annotation settings"};
} // namespace

void CMainFrame::SetSettingsFileGroup(const std::string& key, SettingsFileGroup group) {
    m_settingsGroups[key] = std::move(group);
}

bool CMainFrame::HasSettingsFileGroup(const std::string& key) const {
    return key == kSettingsDisplayBox || m_settingsGroups.count(key) > 0;
}

void CMainFrame::RegisterOwnSettingsGroups() {
    SetSettingsFileGroup("General main menu settings", {[this](const std::string& f) {
                                                            m_general.hideAllCursors = m_flags.hideAllCursors;
                                                            m_general.hideTitleBars = m_flags.titleBarsHidden;
                                                            m_general.Save(f);
                                                        },
                                                        [this](const std::string& f) {
                                                            m_general.Load(f);
                                                            ApplyGeneralDetails();
                                                        }});
    SetSettingsFileGroup("Default new window sizing", {[this](const std::string& f) { m_grid.Save(f); },
                                                       [this](const std::string& f) {
                                                           m_grid.Load(f);
                                                           m_snap = false;
                                                       }});
    SetSettingsFileGroup("System priority", {[this](const std::string& f) { m_priority.Save(f); },
                                             [this](const std::string& f) {
                                                 int previous = m_priority.level;
                                                 m_priority.Load(f);
                                                 ApplyPriority(previous);
                                             }});
    SetSettingsFileGroup("Default new window display configuration",
                         {[this](const std::string& f) { m_defaultDisplay.Save(f, -1); },
                          [this](const std::string& f) { m_defaultDisplay.Load(f, -1); }});
    SetSettingsFileGroup("display menu list", {nullptr, [this](const std::string& f) {
                                                   m_userMenu.Load(f);
                                                   RebuildUserMenu();
                                               }});
}

bool CMainFrame::SaveSettingsFile(const std::string& path, const std::vector<std::string>& checkBoxes) {
    if (!IsSettingsFileName(path))
        return false;
    auto has = [&](const std::string& box) {
        return std::find(checkBoxes.begin(), checkBoxes.end(), box) != checkBoxes.end();
    };
    std::string temp = SavingName(path);
    std::error_code ec;
    fs::remove(temp, ec);
    if (has(kSettingsDisplayBox) && !WriteDisplaySections(temp, path, false)) {
        fs::remove(temp, ec);
        return false;
    }
    for (const char* box : kSettingsSaveOrder) {
        auto it = m_settingsGroups.find(box);
        if (has(box) && it != m_settingsGroups.end() && it->second.save)
            it->second.save(temp);
    }
    if (!Exists(temp))  // nothing checked still leaves a file the user can open
        S::WriteSettingInt(temp, "Display info", "display file version", 0);
    if (!Finish(temp, path)) {
        m_prompt.ShowMessage("Could not write the settings file " + path + ".", "Tavril");
        return false;
    }
    return true;
}

void CMainFrame::LoadSettingsFile(const std::string& path) {
    for (const char* key : kSettingsLoadOrder) {
        if (std::string(key) == "the display") {
            // A missing count means no windows; a newer display replaces the
            // open windows; every window section is tried.
            int count = S::ReadSettingInt(path, "Display info", "num windows", 0);
            int version = S::ReadSettingInt(path, "Display info", "display file version", 0);
            if (count > 0 && version > 0) {
                if (version > 1)
                    CmdCloseAll();
                LoadDisplay(path, false, true);
            }
            continue;
        }
        auto it = m_settingsGroups.find(key);
        if (it != m_settingsGroups.end() && it->second.load)
            it->second.load(path);
    }
    UpdateCommandStates();
}

bool CMainFrame::ExportFileList(const std::string& path) {
    std::string text;
    std::vector<const CSoundDocument*> seen;
    for (CChildFrame* w : Windows()) {
        const CSoundDocument* d = w->View()->Document().get();
        if (std::find(seen.begin(), seen.end(), d) != seen.end())
            continue;  // a linked window has no sound of its own
        seen.push_back(d);
        text += w->View()->Doc().Path() + "\r\n";
    }
    std::string tmp = path + ".tmp-tavril";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            std::error_code ec;
            fs::remove(tmp, ec);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(tmp, path, ec);
    return !ec;
}

int CMainFrame::ImportFileList(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return 0;
    int opened = 0;
    std::string line;
    fs::path base = fs::absolute(path).parent_path();
    int lines = 0;
    while (std::getline(in, line) && lines++ < 100000) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos)
            continue;
        fs::path p = FromStored(line.substr(start));
        if (p.is_relative())
            p = base / p;  // names without a folder are taken beside the list
        if (!Exists(p)) {
            m_prompt.ShowMessage("Error opening soundfile " + p.string() + ". The file may be corrupt", "Tavril");
            continue;
        }
        if (OpenSoundFile(p.string()))
            ++opened;
    }
    return opened;
}

// ------------------------------------------------------------- commands

void CMainFrame::CmdOpen() {
    IPrompt::PathRequest req;
    req.title = "Select a Tavril File to Open:";
    req.filter = kOpenFilter;
    req.proposedPath = m_currentFolder;
    std::string chosen;
    if (!m_prompt.ChoosePath(req, chosen))
        return;
    OpenAnyFile(chosen);
}

void CMainFrame::CmdMergeDisplay() {
    IPrompt::PathRequest req;
    req.title = "Select a Display File to Open:";
    req.filter = "Tavril Display files|*.dsp|";
    std::string chosen;
    if (m_prompt.ChoosePath(req, chosen))
        LoadDisplay(chosen, false);
}

void CMainFrame::CmdSaveDisplay(bool exportSounds) {
    IPrompt::PathRequest req;
    req.title = exportSounds ? "Select folder and display file name to export to:" : "Select a Tavril Display Filename:";
    req.filter = "Tavril Display files|*.dsp|";
    req.defaultExtension = "dsp";
    req.forSaving = true;
    std::string chosen;
    if (!m_prompt.ChoosePath(req, chosen) || !IsDisplayFileName(chosen))
        return;
    if (SaveDisplay(chosen, exportSounds)) {
        m_recent.Add(chosen);
        RebuildRecentMenu();
    }
}

void CMainFrame::CmdSaveSettings() {
    std::vector<std::string> groups;
    std::vector<std::string> available;
    for (const auto& [key, group] : m_settingsGroups)
        if (group.save)
            available.push_back(key);
    available.push_back(kSettingsDisplayBox);
    if (!CDlgSelectSettings::Run(this, available, groups))
        return;
    IPrompt::PathRequest req;
    req.title = "Select a Tavril Settings Filename:";
    req.filter = "Tavril Setting files|*.set|";
    req.defaultExtension = "set";
    req.forSaving = true;
    std::string chosen;
    if (m_prompt.ChoosePath(req, chosen))
        SaveSettingsFile(chosen, groups);
}

void CMainFrame::CmdExportTextList() {
    IPrompt::PathRequest req;
    req.title = "Select a Text File to Export Sound File Names to:";
    req.filter = "text files|*.txt|";
    req.defaultExtension = "txt";
    req.forSaving = true;
    std::string chosen;
    if (m_prompt.ChoosePath(req, chosen) && !ExportFileList(chosen))
        m_prompt.ShowMessage("Could not write " + chosen + ".", "Tavril");
}

void CMainFrame::CmdImportTextList() {
    IPrompt::PathRequest req;
    req.title = "Select a Text File Containing Sound File Names to Import:";
    req.filter = "Text files (*.txt)|*.txt|All files (*.*)|*.*|";
    std::string chosen;
    if (m_prompt.ChoosePath(req, chosen))
        ImportFileList(chosen);
}

void CMainFrame::CmdWindowSettings(bool defaults) {
    CTavrilView* v = defaults ? nullptr : ActiveView();
    WindowDisplaySettings edited;
    edited.CopyFrom(v ? v->Settings() : m_defaultDisplay);
    edited.m_lockWindowSettings = v ? v->Settings().m_lockWindowSettings : m_defaultDisplay.m_lockWindowSettings;
    QStringList names;
    for (CChildFrame* w : Windows())
        names << w->windowTitle();
    CDlgWindowDisplaySettings dlg(edited, names, this);
    dlg.SetMakeDefault([this](const WindowDisplaySettings& s) {
        m_defaultDisplay.CopyFrom(s);
        m_defaultDisplay.Save("", -1);
    });
    int r = dlg.exec();
    if (r == QDialog::Rejected)
        return;
    WindowDisplaySettings result = dlg.Result();
    if (!v) {
        m_defaultDisplay.CopyFrom(result);
        return;
    }
    ApplyWindowSettings(v, result, dlg.ApplyToAll());
}

void CMainFrame::ApplyWindowSettings(CTavrilView* v, const WindowDisplaySettings& result, bool applyToAll) {
    auto apply = [&](CTavrilView* target) {
        WindowDisplaySettings s = target->Settings();
        s.CopyFrom(result);  // keeps the window's own lock flag and link index
        if (target == v) {
            s.m_lockWindowSettings = result.m_lockWindowSettings;
            s.m_linkedWindow = result.m_linkedWindow;
        }
        target->SetSettings(s);
    };
    if (applyToAll)
        for (CChildFrame* w : Windows())
            if (w->View() != v && !w->View()->Settings().m_lockWindowSettings)
                apply(w->View());
    apply(v);
    auto ws = Windows();
    int link = result.m_linkWindows ? result.m_linkedWindow : -1;
    v->SetLinkTarget(link >= 0 && link < static_cast<int>(ws.size()) ? ws[link]->View() : nullptr);
}

void CMainFrame::CmdFormatInfo() {
    CTavrilView* v = ActiveView();
    if (!v)
        return;
    CSoundDocument& d = v->Doc();
    unsigned bits = d.Sound().GetBitsPerSample();
    d.Sound().Close();
    CDlgFormatInfo dlg(Q(d.Path()), d.SampleRate(), bits, d.Channels(), d.Frames(), this);
    AnnotationMetafile meta;
    const bool isMeta = d.Doc().IsMetafile() && meta.Load(d.Path());
    const QString oldAnnotation = isMeta ? Q(meta.ReadKey("annotationfile")) : QString();
    const QString oldFolder = isMeta ? Q(meta.ReadKey("path")) : QString();
    dlg.SetLinks(oldAnnotation, oldFolder, isMeta);
    if (dlg.exec() != QDialog::Accepted)
        return;
    if (isMeta && (dlg.AnnotationFile() != oldAnnotation || dlg.SeriesFolder() != oldFolder)) {
        // Unsaved annotations go to the file they were read from first.
        if (d.Doc().IsModified())
            d.Doc().SaveAnnotations();
        std::string error;
        bool ok = dlg.AnnotationFile() == oldAnnotation ||
                  meta.SetAnnotationFile(dlg.AnnotationFile().toStdString(), &error);
        ok = ok && (dlg.SeriesFolder() == oldFolder || meta.SetKey("path", dlg.SeriesFolder().toStdString(), false, &error));
        if (!ok)
            m_prompt.ShowMessage("The metafile " + d.Path() + " could not be changed: " + error);
        d.Open(d.Path());
        for (CChildFrame* w : Windows())
            if (w->View()->Document().get() == &d)
                w->View()->SetDocument(w->View()->Document());
        return;
    }
    d.ApplyFormatInfo(dlg.SampleRate() != d.SampleRate() ? dlg.SampleRate() : 0.0, dlg.Bits() != bits ? dlg.Bits() : 0);
    for (CChildFrame* w : Windows())
        if (w->View()->Document().get() == &d) {
            w->View()->Redraw();
            w->View()->CursorsChanged(false);
        }
}

void CMainFrame::CmdNewWindowSizing() {
    CDlgNewWindowSizing dlg(m_grid, this);
    if (dlg.exec() == QDialog::Accepted) {
        m_grid = dlg.Result();
        if (dlg.MakeDefault())
            m_grid.Save("");
    }
}

void CMainFrame::CmdPriority() {
    CDlgPriority dlg(m_priority.level, this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    int previous = m_priority.level;
    m_priority.level = dlg.Level();
    ApplyPriority(previous);
}

void CMainFrame::CmdDefaultFormat() {
    CDlgDefaultFormat dlg(m_defaultFormat.formatType, this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    m_defaultFormat.formatType = dlg.Index();
    m_defaultFormat.Save("");
}

void CMainFrame::CmdEditUserMenu() {
    CDlgEditUserMenu dlg(m_userMenu, m_prompt, this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    m_userMenu = dlg.Result();
    if (dlg.MakeDefault())
        m_userMenu.Save("");
    RebuildUserMenu();
}

void CMainFrame::CmdHelp() {
    if (!m_help)
        m_help = new CHelpWindow(this);
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void CMainFrame::CmdAbout() {
    QMessageBox::about(this, QStringLiteral("About Tavril"),
                       QStringLiteral("<h3>Tavril %1</h3><p>A workstation for recording, viewing, measuring, "
                                      "editing and annotating animal sounds.</p><p>The demo recording "
                                      "(data/demo/spinetail.wav) is credited in data/demo/NOTICE.</p>")
                           .arg(QStringLiteral(TAVRIL_VERSION)));
}

} // namespace tavril
