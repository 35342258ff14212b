#pragma once
// Annotation boxes in a sound window: where a record is drawn in a pane and
// which record a mouse press picks. Positions come from the same cursor
// arithmetic the window uses for its own cursors (CursorSet::ToPixels,
// TimeAtPixel, ValueAtPixel), so a box drawn from a record covers exactly the
// pixels the cursors had when it was logged. Free functions; UI thread.

#include "AnnotationRecord.h"
#include "CursorSet.h"

#include <QRect>

class QPainter;

namespace tavril {

class CTavrilView;
class CViewPane;

// The pixel rectangle (inclusive) of a record in a pane with geometry `g`;
// on a waveform the box spans the plot's height less a 25th at each edge.
QRect AnnotationPixels(const AnnotationRecord& r, const PaneGeometry& g, bool spectrogram);
// Draws the boxes (blue, the selected one red) and comments of the records
// shown in the pane, as the window's settings ask.
void DrawAnnotations(QPainter& p, const CTavrilView& view, const CViewPane& pane, const QRect& plot);
// Selects the record under a press at `pos` in the pane (or none); returns
// whether the selection changed.
bool SelectAnnotationAt(CTavrilView& view, const CViewPane& pane, const QPoint& pos);

} // namespace tavril
