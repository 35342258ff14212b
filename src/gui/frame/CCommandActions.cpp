#include "frame/CCommandActions.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QWidget>

namespace tavril {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

bool IsCheckable(Cmd id) {
    switch (id) {
    case Cmd::ViewWaveform:
    case Cmd::ViewSpectrogram:
    case Cmd::TimeScaleFit:
    case Cmd::HideTitleBars:
    case Cmd::ViewToolbar:
    case Cmd::ViewStatusBar:
    case Cmd::OpenUsingActive:
    case Cmd::OpenUsingDefault:
    case Cmd::SnapToGrid:
    case Cmd::StackBelow:
    case Cmd::PlaySpeedNormal:
    case Cmd::PlaySpeedHalf:
    case Cmd::PlaySpeedQuarter:
    case Cmd::PlaySpeedEighth:
        return true;
    default:
        return false;
    }
}

QIcon IconFor(Cmd id) {
    QStyle* style = QApplication::style();
    auto themed = [&](const char* name, QStyle::StandardPixmap fallback) {
        return QIcon::fromTheme(name, style->standardIcon(fallback));
    };
    switch (id) {
    case Cmd::FileNew: return themed("document-new", QStyle::SP_FileIcon);
    case Cmd::FileOpen: return themed("document-open", QStyle::SP_DialogOpenButton);
    case Cmd::FileSave: return themed("document-save", QStyle::SP_DialogSaveButton);
    case Cmd::Cut: return themed("edit-cut", QStyle::SP_TrashIcon);
    case Cmd::Copy: return themed("edit-copy", QStyle::SP_FileDialogDetailedView);
    case Cmd::Paste: return themed("edit-paste", QStyle::SP_ArrowDown);
    case Cmd::Print: return themed("document-print", QStyle::SP_ComputerIcon);
    case Cmd::About: return themed("help-about", QStyle::SP_MessageBoxInformation);
    default: return {};
    }
}

} // namespace

CCommandActions::CCommandActions(QWidget* host) : QObject(host), m_host(host) {
    for (const CommandInfo& info : CommandInfos()) {
        auto* a = new QAction(QString::fromLatin1(info.name), host);
        a->setObjectName(QString::fromLatin1("cmd.") + QString::fromLatin1(info.name));
        a->setStatusTip(Q(PromptStatusText(info)));
        a->setToolTip(Q(PromptTooltip(info)));
        a->setCheckable(IsCheckable(info.id));
        QList<QKeySequence> keys;
        for (const std::string& k : KeysFor(info.id))
            keys << QKeySequence::fromString(Q(k), QKeySequence::PortableText);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        Cmd id = info.id;
        connect(a, &QAction::triggered, this, [this, id] { emit Triggered(id); });
        host->addAction(a);
        m_commands[id] = a;
    }
    for (const MenuRow& row : MenuRows())
        AddRow(row);
}

QMenu* CCommandActions::MenuFor(MenuKind kind, const QString& path) {
    auto key = std::make_pair(static_cast<int>(kind), path);
    if (auto it = m_menus.find(key); it != m_menus.end())
        return it->second;
    QMenu* menu = nullptr;
    int bar = path.lastIndexOf('|');
    if (path.isEmpty()) {
        menu = new QMenu(m_host);
        m_popups[kind] = menu;
    } else if (bar < 0) {
        if (kind == MenuKind::Short || kind == MenuKind::Full) {
            menu = new QMenu(path, m_host);
            m_bars[kind].push_back(menu);
        } else {
            QMenu* parent = MenuFor(kind, QString());
            menu = parent->addMenu(path);
        }
    } else {
        QMenu* parent = MenuFor(kind, path.left(bar));
        menu = parent->addMenu(path.mid(bar + 1));
    }
    m_menus[key] = menu;
    return menu;
}

void CCommandActions::AddRow(const MenuRow& row) {
    QMenu* menu = MenuFor(row.menu, QString::fromLatin1(row.path));
    if (row.id == Cmd::None) {
        menu->addSeparator();
        return;
    }
    const CommandInfo* info = FindCommand(row.id);
    auto* a = new QAction(QString::fromLatin1(row.text), menu);
    a->setStatusTip(Q(PromptStatusText(*info)));
    a->setToolTip(Q(PromptTooltip(*info)));
    a->setCheckable(IsCheckable(row.id));
    a->setData(static_cast<int>(row.id));
    menu->addAction(a);
    if (row.id == Cmd::RecentFileList || row.id == Cmd::UserMenuList) {
        a->setEnabled(false);
        m_placeholders[row.id].push_back(a);
        return;
    }
    Cmd id = row.id;
    connect(a, &QAction::triggered, this, [this, id] { emit Triggered(id); });
    m_items[id].push_back(a);
}

QAction* CCommandActions::Command(Cmd id) const {
    auto it = m_commands.find(id);
    return it == m_commands.end() ? nullptr : it->second;
}

const std::vector<QMenu*>& CCommandActions::Bar(MenuKind kind) const {
    static const std::vector<QMenu*> none;
    auto it = m_bars.find(kind);
    return it == m_bars.end() ? none : it->second;
}

QMenu* CCommandActions::Popup(MenuKind kind) const {
    auto it = m_popups.find(kind);
    return it == m_popups.end() ? nullptr : it->second;
}

QToolBar* CCommandActions::BuildToolbar(QWidget* parent) {
    auto* bar = new QToolBar(QStringLiteral("Toolbar"), parent);
    bar->setObjectName(QStringLiteral("mainToolBar"));
    for (Cmd id : ToolbarRows()) {
        if (id == Cmd::None) {
            bar->addSeparator();
            continue;
        }
        const CommandInfo* info = FindCommand(id);
        auto* a = new QAction(IconFor(id), Q(PromptTooltip(*info)), bar);
        a->setToolTip(Q(PromptTooltip(*info)));
        a->setStatusTip(Q(PromptStatusText(*info)));
        a->setData(static_cast<int>(id));
        connect(a, &QAction::triggered, this, [this, id] { emit Triggered(id); });
        bar->addAction(a);
        m_items[id].push_back(a);
    }
    return bar;
}

std::vector<QAction*> CCommandActions::MenuItems(Cmd id) const {
    auto it = m_items.find(id);
    return it == m_items.end() ? std::vector<QAction*>{} : it->second;
}

std::vector<QAction*> CCommandActions::Placeholders(Cmd id) const {
    auto it = m_placeholders.find(id);
    return it == m_placeholders.end() ? std::vector<QAction*>{} : it->second;
}

void CCommandActions::SetEnabled(Cmd id, bool on) {
    if (QAction* a = Command(id))
        a->setEnabled(on);
    for (QAction* a : MenuItems(id))
        a->setEnabled(on);
}

void CCommandActions::SetChecked(Cmd id, bool on) {
    if (QAction* a = Command(id); a && a->isCheckable())
        a->setChecked(on);
    for (QAction* a : MenuItems(id))
        if (a->isCheckable())
            a->setChecked(on);
}

void CCommandActions::SetFullText(Cmd id, const QString& text) {
    for (QAction* a : MenuItems(id)) {
        // Only items whose text carries the full bar's wording change; the
        // toolbar buttons keep their tooltips.
        if (a->parent() && qobject_cast<QMenu*>(a->parent()))
            a->setText(text);
    }
}

} // namespace tavril
