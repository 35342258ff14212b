#include "frame/CFrameMenuLists.h"

#include "frame/CChildFrame.h"
#include "frame/CCommandActions.h"
#include "frame/CMainFrame.h"
#include "CDisplayFile.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

#include <filesystem>

namespace tavril {

namespace fs = std::filesystem;

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
} // namespace

CFrameMenuLists::CFrameMenuLists(CMainFrame& frame) : m_frame(frame) {}

void CFrameMenuLists::RebuildWindowList(QMenu* menu) {
    for (QAction* a : m_windowListActions)
        delete a;
    m_windowListActions.clear();
    auto ws = m_frame.Windows();
    if (ws.empty())
        return;
    m_windowListActions.push_back(menu->addSeparator());
    CChildFrame* active = m_frame.ActiveWindow();
    for (size_t i = 0; i < ws.size() && i < 9; ++i) {
        CChildFrame* w = ws[i];
        auto* a = menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(w->windowTitle()));
        a->setCheckable(true);
        a->setChecked(w == active);
        QPointer<CChildFrame> target(w);
        QObject::connect(a, &QAction::triggered, &m_frame, [this, target] {
            if (target)
                m_frame.ActivateWindow(target.data());
        });
        m_windowListActions.push_back(a);
    }
}

void CFrameMenuLists::RebuildRecentMenu() {
    for (QAction* a : m_recentActions)
        delete a;
    m_recentActions.clear();
    for (QAction* placeholder : m_frame.Actions().Placeholders(Cmd::RecentFileList)) {
        auto* menu = qobject_cast<QMenu*>(placeholder->parent());
        placeholder->setVisible(m_frame.Recent().files.empty());
        for (size_t i = 0; i < m_frame.Recent().files.size(); ++i) {
            std::string path = m_frame.Recent().files[i];
            QString text = QStringLiteral("&%1 %2").arg(i + 1).arg(Q(path));
            auto* a = new QAction(text, menu);
            a->setStatusTip(QStringLiteral("Open this document"));
            QObject::connect(a, &QAction::triggered, &m_frame, [this, path] {
                if (!m_frame.OpenAnyFile(path)) {
                    m_frame.Recent().Remove(path);
                    RebuildRecentMenu();
                }
            });
            menu->insertAction(placeholder, a);
            m_recentActions.push_back(a);
        }
    }
}

void CFrameMenuLists::RebuildUserMenu() {
    for (QAction* a : m_userMenuActions)
        delete a;
    m_userMenuActions.clear();
    for (QAction* placeholder : m_frame.Actions().Placeholders(Cmd::UserMenuList)) {
        auto* menu = qobject_cast<QMenu*>(placeholder->parent());
        placeholder->setVisible(false);
        for (size_t i = 0; i < m_frame.UserMenu().files.size() && i < static_cast<size_t>(kMaxUserMenuEntries); ++i) {
            std::string path = m_frame.UserMenu().files[i];
            QString text = m_frame.UserMenu().hidePath ? Q(fs::path(PathFromStored(path)).filename().string()) : Q(path);
            auto* a = new QAction(text, menu);
            a->setStatusTip(QStringLiteral("Open this file of the user menu"));
            QObject::connect(a, &QAction::triggered, &m_frame, [this, path] { m_frame.OpenAnyFile(path); });
            menu->insertAction(placeholder, a);
            m_userMenuActions.push_back(a);
        }
    }
}

} // namespace tavril
