#pragma once
// CChildFrame: one sound window inside the main frame's window area. Holds
// its CTavrilView, shows the sound's title in its caption, and hides its
// title bar when the frame asks.
//
// Owned by the main frame's window area (deleted on close). UI thread only.

#include <QMdiSubWindow>
#include <functional>

namespace tavril {

class CTavrilView;

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit CChildFrame(CTavrilView* view, QWidget* parent = nullptr);
    CTavrilView* View() const { return m_view; }
    void UpdateTitle();
    void SetTitleBarHidden(bool hidden);
    // Asked before the window closes; false keeps it open.
    void SetCloseGuard(std::function<bool(CChildFrame*)> guard) { m_closeGuard = std::move(guard); }

signals:
    void Closing(tavril::CChildFrame* frame);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    CTavrilView* m_view;
    std::function<bool(CChildFrame*)> m_closeGuard;
};

} // namespace tavril
