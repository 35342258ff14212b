#pragma once
// CCommandActions: turns the command table into Qt objects: one command
// action per command (carrying its keys, added to the main window so the keys
// work wherever the focus is inside it), one menu item action per menu row,
// the menus of both menu bars, the context and insertion menus, and the
// toolbar. Nothing else in the program creates a QAction.
//
// Owned by the main frame; UI thread only.

#include "CommandTable.h"

#include <QObject>
#include <QString>
#include <map>
#include <vector>

class QAction;
class QMenu;
class QToolBar;
class QWidget;

namespace tavril {

class CCommandActions : public QObject {
    Q_OBJECT
public:
    // `host` receives the command actions (and so the keyboard shortcuts).
    explicit CCommandActions(QWidget* host);

    QAction* Command(Cmd id) const;
    // Top-level menus of a bar, in order, parented to `host`.
    const std::vector<QMenu*>& Bar(MenuKind kind) const;
    // A popup (context or insertion menu).
    QMenu* Popup(MenuKind kind) const;
    QToolBar* BuildToolbar(QWidget* parent);
    // Menu item actions of a command (all bars).
    std::vector<QAction*> MenuItems(Cmd id) const;
    // The placeholder item of a run-time list (recent files, user menu) in each bar.
    std::vector<QAction*> Placeholders(Cmd id) const;

    void SetEnabled(Cmd id, bool on);
    void SetChecked(Cmd id, bool on);
    // Changes the text of the command's items in the full bar.
    void SetFullText(Cmd id, const QString& text);

signals:
    void Triggered(tavril::Cmd id);

private:
    QMenu* MenuFor(MenuKind kind, const QString& path);
    void AddRow(const MenuRow& row);

    QWidget* m_host;
    std::map<Cmd, QAction*> m_commands;
    std::map<Cmd, std::vector<QAction*>> m_items;
    std::map<Cmd, std::vector<QAction*>> m_placeholders;
    std::map<MenuKind, std::vector<QMenu*>> m_bars;
    std::map<MenuKind, QMenu*> m_popups;
    std::map<std::pair<int, QString>, QMenu*> m_menus;
};

} // namespace tavril
