#pragma once
// CTavrilView: the view of one sound window. It owns the window's display
// settings, its cursor set and the split panes that draw the sound (rows of
// the sound one under the other, each row showing the chosen channels), and
// it carries out the commands whose receiver is the view.
//
// Created by the main frame inside a CChildFrame; shares its document with
// other windows on the same sound. UI thread only.

#include "CommandTable.h"
#include "view/CSoundDocument.h"
#include "CursorSet.h"
#include "WindowDisplaySettings.h"

#include <QImage>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QScrollBar;
class QSizeGrip;
class QSplitter;

namespace tavril {

class CViewPane;

// Program-wide states the views read; owned by the main frame.
struct FrameFlags {
    bool hideAllCursors = false;
    bool titleBarsHidden = false;
    bool shiftDown = false;
};

class CTavrilView : public QWidget {
    Q_OBJECT
public:
    CTavrilView(std::shared_ptr<CSoundDocument> doc, const WindowDisplaySettings& settings, const FrameFlags* flags,
                QWidget* parent = nullptr);

    CSoundDocument& Doc() { return *m_doc; }
    std::shared_ptr<CSoundDocument> Document() const { return m_doc; }
    // Replaces the document (loading another file into the window).
    void SetDocument(std::shared_ptr<CSoundDocument> doc);

    const WindowDisplaySettings& Settings() const { return m_settings; }
    // Takes new settings; re-lays the panes out when rows or channels change.
    void SetSettings(const WindowDisplaySettings& s);
    CursorSet& Cursors() { return m_cursors; }
    const CursorSet& Cursors() const { return m_cursors; }

    // Runs a command whose receiver is the view; false when it is not one of them.
    bool OnCommand(Cmd id);
    bool IsFixedScale() const { return m_settings.m_stretchOrAbsolute == 1; }

    int PaneCount() const { return static_cast<int>(m_panes.size()); }
    CViewPane* Pane(int i) const { return m_panes[i]; }
    int Rows() const { return m_settings.m_displayRowsCode + 1; }
    // Samples per pixel column for the present width.
    double SamplesPerPixel() const;
    PaneGeometry Geometry(int pane) const;
    int CursorPane() const { return m_cursorPane; }
    void SetCursorPane(int pane) { m_cursorPane = pane; }

    QString ReadoutText() const;
    // Call after every cursor change: redraws the cursors and tells the frame.
    void CursorsChanged(bool propagate = true);

    // Horizontal scroll position in pixel columns (fixed scale only).
    int ScrollPosition() const;
    void SetScrollPosition(int columns);
    // Moves the view so that `seconds` is at the left edge (fixed) or the
    // left cursor goes there (stretch).
    void GoToTime(double seconds);

    // A size grip in the bottom right corner, for windows without a frame.
    void SetSizeGripShown(bool shown);

    // Drops the saved pictures and repaints.
    void Redraw();
    const FrameFlags& Flags() const { return *m_flags; }
    // The window's picture as the screen shows it.
    QImage Picture();

    int WindowId() const { return m_windowId; }
    void SetWindowId(int id) { m_windowId = id; }
    // The window whose cursors follow this one's (Link this view ...), or null.
    CTavrilView* LinkTarget() const { return m_linkTarget; }
    void SetLinkTarget(CTavrilView* v) { m_linkTarget = v; }

    // Where new documents come from (loading another file into the window).
    void SetDocumentFactory(std::function<std::shared_ptr<CSoundDocument>()> f) { m_newDocument = std::move(f); }

    // Asked before the window's document is replaced by another file; false keeps it.
    void SetReplaceGuard(std::function<bool(CTavrilView*)> f) { m_replaceGuard = std::move(f); }

    // Loads the previous (-1) or next (+1) file of the same type in the folder.
    bool StepFileInFolder(int direction);

    // The annotation selected in this window (none: null) and whether the
    // next log action re-defines its box. Cleared when the document changes.
    const AnnotationRecord* SelectedAnnotation() const { return m_selectedAnnotation; }
    void SetSelectedAnnotation(const AnnotationRecord* r);
    bool RedefineArmed() const { return m_redefineArmed; }
    void SetRedefineArmed(bool armed) { m_redefineArmed = armed; }

signals:
    void ReadoutChanged(const QString& text);
    void ContextMenuRequested(const QPoint& globalPos);
    void CursorsMoved(tavril::CTavrilView* view);
    void TitleChanged();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void RebuildPanes();
    void UpdateScrollBar();
    void SelectChannel(int k);

    std::shared_ptr<CSoundDocument> m_doc;
    WindowDisplaySettings m_settings;
    CursorSet m_cursors;
    const FrameFlags* m_flags;
    QSplitter* m_splitter = nullptr;
    QScrollBar* m_scroll = nullptr;
    QSizeGrip* m_grip = nullptr;
    std::vector<CViewPane*> m_panes;
    int m_cursorPane = 0;
    int m_windowId = 0;
    CTavrilView* m_linkTarget = nullptr;
    std::function<std::shared_ptr<CSoundDocument>()> m_newDocument;
    std::function<bool(CTavrilView*)> m_replaceGuard;
    const AnnotationRecord* m_selectedAnnotation = nullptr;
    bool m_redefineArmed = false;
    std::vector<std::string> m_folderListing;
    std::string m_folderListed;
    long long m_folderStamp = 0;
};

// One pane: draws one row and channel of the window's sound with its axes,
// and turns the mouse into cursor moves.
class CViewPane : public QWidget {
    Q_OBJECT
public:
    CViewPane(CTavrilView* view, int index);
    int Index() const { return m_index; }
    // The plot rectangle (inclusive right/bottom as QRect has it).
    QRect PlotRect() const;
    // Row and channel shown.
    int RowIndex() const;
    int ChannelShown() const;
    bool IsLastOfRow() const;
    void Invalidate() { m_valid = false; update(); }
    bool HasValidPicture() const { return m_valid; }
    // Renders the sound's picture (without axes) at the present size.
    QImage RenderPlot() const;
    // Columns computed by the last render (whole picture or scrolled-in part).
    int LastColumnsComputed() const { return m_lastColumns; }
    // Pixel column of the sound (counted from its start) at the plot's left edge.
    int FirstColumn() const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    // Renders `count` columns from x0 of the picture; returns how many were computed.
    int RenderColumns(QImage& img, int x0, int count) const;
    void DrawAxes(class QPainter& p, const QRect& plot) const;
    void DrawCursors(class QPainter& p, const QRect& plot) const;
    void ApplyDrag(const QPoint& pos);
    void UpdateCursorsFromDrag();

    CTavrilView* m_view;
    int m_index;
    QImage m_picture;
    bool m_valid = false;
    int m_pictureColumn = 0;
    mutable int m_lastColumns = 0;
    bool m_dragging = false;
    bool m_dragX = false, m_dragY = false;
    QPoint m_anchor, m_moving, m_press;
    bool m_keepAnchor = false;  // extending or dragging an edge: the other edges keep their values
    uint32_t m_anchorTime = 0;
    double m_anchorValue = 0.0;
    QPointer<QMdiSubWindow> m_movingWindow;  // moved by its margins while title bars are hidden
    QPoint m_moveStart, m_windowStart;
};

} // namespace tavril
