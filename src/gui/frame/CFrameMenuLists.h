#pragma once
// CFrameMenuLists: the menu items that are lists rather than commands: the
// recent files and the user menu (each placed where its placeholder of the
// command table stands) and the open windows at the end of the Window menu.
// Choosing an item opens its file or activates its window through the frame.
//
// Owned by the main frame, which outlives it; the items belong to their
// menus. UI thread only.

#include <vector>

class QAction;
class QMenu;

namespace tavril {

class CMainFrame;

class CFrameMenuLists {
public:
    explicit CFrameMenuLists(CMainFrame& frame);

    void RebuildRecentMenu();
    void RebuildUserMenu();
    void RebuildWindowList(QMenu* menu);

private:
    CMainFrame& m_frame;
    std::vector<QAction*> m_recentActions;
    std::vector<QAction*> m_userMenuActions;
    std::vector<QAction*> m_windowListActions;
};

} // namespace tavril
