#include "frame/CMainFrame.h"

#include "analyse/CAnalysisCommands.h"
#include "frame/CCommandActions.h"
#include "frame/CChildFrame.h"
#include "frame/CFrameDialogs.h"
#include "frame/CFrameFiles.h"
#include "frame/CFrameKeyRouter.h"
#include "frame/CFrameMenuLists.h"
#include "frame/CWindowArranger.h"
#include "frame/CHelpWindow.h"
#include "frame/Dialogs.h"
#include "SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tavril {

namespace fs = std::filesystem;

namespace {

using S = SettingsStore;

bool Exists(const fs::path& p) {
    std::error_code ec;
    return !p.empty() && fs::is_regular_file(p, ec);
}

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
    m_keys = std::make_unique<CFrameKeyRouter>(*this, m_flags);
    m_menuLists = std::make_unique<CFrameMenuLists>(*this);
    m_arranger = std::make_unique<CWindowArranger>(*this);
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
    m_files = std::make_unique<CFrameFiles>(*this, prompt);
    m_dialogs = std::make_unique<CFrameDialogs>(*this, prompt);
    m_dialogs->RegisterSettingsGroups(m_files->Settings());
    m_analysis = std::make_unique<CAnalysisCommands>(this, prompt);
    m_analysis->RegisterSettingsGroups(m_files->Settings());
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
            connect(m, &QMenu::aboutToShow, this, [this, m] { m_menuLists->RebuildWindowList(m); });
    m_keys->CollectMnemonicKeys(*m_actions);
    ShowMenuBar(false);
    RebuildRecentMenu();
    RebuildUserMenu();
}

void CMainFrame::RebuildRecentMenu() { m_menuLists->RebuildRecentMenu(); }

void CMainFrame::RebuildUserMenu() { m_menuLists->RebuildUserMenu(); }

void CMainFrame::ShowMenuBar(bool full) {
    QMenuBar* bar = menuBar();
    if (!bar->actions().isEmpty() && full == m_fullMenu)
        return;
    bar->clear();
    for (QMenu* m : m_actions->Bar(full ? MenuKind::Full : MenuKind::Short))
        bar->addMenu(m);
    m_fullMenu = full;
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
    // The task bar tells the program's windows apart by the active sound.
    CChildFrame* active = ActiveWindow();
    setWindowTitle(active ? active->windowTitle() + QStringLiteral(" \u2014 Tavril") : QStringLiteral("Tavril"));
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
    for (const CommandExtension& ext : m_extensions)
        if (!handled && ext.intercept)
            handled = ext.intercept(id, v);
    if (const CommandExtension* ext = ExtensionFor(id); !handled && ext && ext->run) {
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
    case Cmd::FileOpen: m_files->CmdOpen(); return true;
    case Cmd::Correlate:
        if (v)
            m_analysis->Correlate(*v);
        return true;
    case Cmd::ExportSpectrogramText:
        if (v)
            m_analysis->ExportSpectrogram(*v);
        return true;
    case Cmd::FileCloseWindow:
        if (auto* w = ActiveWindow())
            w->close();
        return true;
    case Cmd::FileCloseAll: CloseAllWindows(); return true;
    case Cmd::ImportFileList: m_files->CmdImportTextList(); return true;
    case Cmd::ExportDisplayTextList: m_files->CmdExportTextList(); return true;
    case Cmd::ExportDisplayAndSounds: m_files->CmdSaveDisplay(true); return true;
    case Cmd::SetDefaultFormat: m_dialogs->CmdDefaultFormat(); return true;
    case Cmd::MergeDisplay: m_files->CmdMergeDisplay(); return true;
    case Cmd::SaveDisplay: m_files->CmdSaveDisplay(false); return true;
    case Cmd::SaveSettings: m_files->CmdSaveSettings(); return true;
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
    case Cmd::EditUserMenu: m_dialogs->CmdEditUserMenu(); return true;
    case Cmd::WindowSettings: m_dialogs->CmdWindowSettings(false); return true;
    case Cmd::DefaultWindowSettings: m_dialogs->CmdWindowSettings(true); return true;
    case Cmd::NewWindowSizing: m_dialogs->CmdNewWindowSizing(); return true;
    case Cmd::OpenUsingActive: m_openUsingDefault = false; return true;
    case Cmd::OpenUsingDefault: m_openUsingDefault = true; return true;
    case Cmd::SetPriority: m_dialogs->CmdPriority(); return true;
    case Cmd::FormatInfo: m_dialogs->CmdFormatInfo(); return true;
    case Cmd::WindowNew:
        if (v)
            OpenLinkedWindow(v);
        return true;
    case Cmd::WindowCascade: m_arranger->Cascade(); return true;
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
    case Cmd::ResizeHeightWidth: m_arranger->ResizeAll(true, true); return true;
    case Cmd::ResizeHeight: m_arranger->ResizeAll(true, false); return true;
    case Cmd::ResizeWidth: m_arranger->ResizeAll(false, true); return true;
    case Cmd::Rearrange: m_arranger->Rearrange(); return true;
    case Cmd::FitScreen: m_arranger->FitScreen(); return true;
    case Cmd::SnapToGrid: m_snap = !m_snap; return true;
    case Cmd::StackBelow: m_stackBelow = !m_stackBelow; return true;
    case Cmd::DefaultTemplate:
        if (v) {
            m_defaultDisplay.CopyFrom(v->Settings());
            m_defaultDisplay.Save("", -1);
        }
        return true;
    case Cmd::HelpTopics:
    case Cmd::ContextHelp: m_dialogs->CmdHelp(); return true;
    case Cmd::About: m_dialogs->CmdAbout(); return true;
    case Cmd::NeighbourLeft: ActivateNeighbour(-1, 0); return true;
    case Cmd::NeighbourRight: ActivateNeighbour(1, 0); return true;
    case Cmd::NeighbourUp: ActivateNeighbour(0, -1); return true;
    case Cmd::NeighbourDown: ActivateNeighbour(0, 1); return true;
    case Cmd::RedrawAll:
        for (CChildFrame* w : Windows())
            w->View()->Redraw();
        return true;
    case Cmd::GoToTime: m_dialogs->CmdGoToTime(); return true;
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

void CMainFrame::SetReadout(const QString& text) {
    if (!m_statusHeld)
        m_statusText->setText(text.isEmpty() ? "Ready" : text);
}

void CMainFrame::SetStatusText(const QString& text) {
    m_statusHeld = false;
    SetReadout(text);
    m_statusHeld = !text.isEmpty();
}

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
    WindowDisplaySettings settings = s;
    if (doc->Channels() > 0)
        settings.KeepChannelsOf(static_cast<int>(doc->Channels()));
    auto* view = new CTavrilView(std::move(doc), settings, &m_flags);
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
    connect(w, &QWidget::windowTitleChanged, this, [this] { UpdateCommandStates(); });
    w->installEventFilter(this);
    w->show();
    m_arranger->KeepInside(w);  // the area places it; it must stay where it can be seen
    ActivateWindow(w);
    return w;
}

CChildFrame* CMainFrame::OpenSoundFile(const std::string& name) {
    // A name given relative to the working folder is kept by its full path:
    // the folder's other files, display files and the recent list need it.
    std::error_code ec;
    const std::string path = fs::absolute(name, ec).lexically_normal().string();
    auto doc = NewDocument();
    if (!doc->Open(path))
        return nullptr;  // missing, or refused and reported by the document
    m_currentFolder = fs::path(path).parent_path().string();
    AddRecentFile(path);
    CChildFrame* w = AddWindow(doc, SettingsForNewWindow());
    // A recording cut short opens with what it holds; the user must know the
    // end is missing before measuring or saving it.
    if (doc->Doc().OpenedCutShort())
        statusBar()->showMessage(QString::fromStdString(fs::path(path).filename().string()) +
                                 QStringLiteral(" ends before its stated size (a copy cut short, or a recording "
                                                "that stopped): the whole frames present are shown."));
    return w;
}

CChildFrame* CMainFrame::OpenLinkedWindow(CTavrilView* source) {
    WindowDisplaySettings s;
    s.CopyFrom(source->Settings());
    CChildFrame* w = AddWindow(source->Document(), s);
    return w;
}

bool CMainFrame::OpenAnyFile(const std::string& path) {
    if (IsDisplayFileName(path)) {
        if (!m_files->LoadDisplay(path, true))
            return false;
        AddRecentFile(path);
        return true;
    }
    if (IsSettingsFileName(path)) {
        if (!Exists(path))
            return false;
        m_files->LoadSettingsFile(path);
        AddRecentFile(path);
        return true;
    }
    if (!Exists(path)) {
        m_prompt.ShowMessage("Error opening soundfile " + path + ". The file may be corrupt", "Tavril");
        return false;
    }
    return OpenSoundFile(path) != nullptr;
}

void CMainFrame::AddRecentFile(const std::string& path) {
    std::error_code ec;
    m_recent.Add(fs::absolute(path, ec).string());
    RebuildRecentMenu();
}

void CMainFrame::PlaceWindow(CChildFrame* w, const QRect& r) { m_arranger->Place(w, r); }

void CMainFrame::ActivateNeighbour(int dx, int dy) {
    if (CChildFrame* n = m_arranger->Neighbour(dx, dy))
        ActivateWindow(n);
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

void CMainFrame::CloseAllWindows() {
    for (CChildFrame* w : Windows())
        w->close();
}

void CMainFrame::CmdNextPane(int step) {
    CTavrilView* v = ActiveView();
    if (!v || v->PaneCount() < 2)
        return;
    int next = (v->CursorPane() + step + v->PaneCount()) % v->PaneCount();
    v->SetCursorPane(next);
    v->CursorsChanged(false);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* e) {
    if (m_keys->Filter(watched, e))
        return true;
    if (m_snap && !m_arranger->IsPlacing() && (e->type() == QEvent::Move || e->type() == QEvent::Resize)) {
        if (auto* w = qobject_cast<QMdiSubWindow*>(watched))
            m_arranger->Snap(w);
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

void CMainFrame::closeEvent(QCloseEvent* e) {
    for (const CommandExtension& ext : m_extensions)
        if (ext.confirmExit && !ext.confirmExit()) {
            e->ignore();
            return;
        }
    // Every changed sound is asked about before any window closes, so that
    // Cancel on any of them keeps them all.
    std::vector<CSoundDocument*> asked;
    for (CChildFrame* w : Windows()) {
        CSoundDocument* doc = w->View()->Document().get();
        if (std::find(asked.begin(), asked.end(), doc) != asked.end())
            continue;
        asked.push_back(doc);
        if (!doc->Doc().IsModified())
            continue;
        for (const CommandExtension& ext : m_extensions)
            if (ext.confirmClose && !ext.confirmClose(doc->Doc())) {
                e->ignore();
                return;
            }
    }
    m_exitConfirmed = true;
    CloseAllWindows();
    QApplication::processEvents();
    m_exitConfirmed = false;
    if (!Windows().empty()) {
        e->ignore();
        return;
    }
    SaveExitSettings();
    QMainWindow::closeEvent(e);
}

// Also asked before a window's sound is replaced by another file (Alt+Left/Right).
bool CMainFrame::CanCloseWindow(CChildFrame* w) {
    if (m_exitConfirmed)
        return true;
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

const std::string& CMainFrame::CurrentDisplayFile() const { return m_files->CurrentDisplay(); }

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
    m_files->Settings().CreateDefaultsIfMissing();
    m_files->Settings().ReadAtStartUp();
}

void CMainFrame::SaveExitSettings() {
    m_files->Settings().WriteAtExit();
    m_recent.Save("");
    S::WriteSettingString("", "Tool Bar State", "State", saveState().toBase64().toStdString());
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

} // namespace tavril
