#pragma once
// CChildFrame: one sound window inside the main frame's window area. Holds
// its CTavrilView, shows the sound's title in its caption, and hides its
// title bar when the frame asks.
//
// Owned by the main frame's window area (deleted on close). UI thread only.

#include <QMdiSubWindow>

namespace tavril {

class CTavrilView;

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit CChildFrame(CTavrilView* view, QWidget* parent = nullptr);
    CTavrilView* View() const { return m_view; }
    void UpdateTitle();
    void SetTitleBarHidden(bool hidden);

signals:
    void Closing(tavril::CChildFrame* frame);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    CTavrilView* m_view;
};

} // namespace tavril
