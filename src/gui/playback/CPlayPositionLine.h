#pragma once
// CPlayPositionLine: the thin line that moves across a sound window while its
// sound plays, drawn over the window's panes at the frame the player reports.
// It never takes the mouse. Owned by the view it covers (its Qt parent);
// UI thread only.

#include <QLine>
#include <QWidget>

#include <vector>

namespace tavril {

class CTavrilView;

class CPlayPositionLine : public QWidget {
    Q_OBJECT
public:
    explicit CPlayPositionLine(CTavrilView* view);
    // The frame now sounding, or -1 to hide the line.
    void SetFrame(int64_t frame);
    int64_t Frame() const { return m_frame; }
    // Where the line stands, in the view's coordinates: one x per pane that
    // shows the frame.
    std::vector<int> LineXs() const;

protected:
    void paintEvent(QPaintEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    std::vector<QLine> Lines() const;

    CTavrilView* m_view;
    int64_t m_frame = -1;
};

} // namespace tavril
