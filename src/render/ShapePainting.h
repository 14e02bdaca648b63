#pragma once

#include "render/DrawingSurfaces.h"

#include <QList>
#include <QPen>
#include <QPoint>
#include <QRect>

class QPainter;

namespace zentil {

// The shapes of the drawing routines painted on any painter, in layer pixels: on a layer's
// picture where the drawing matches it (rectangles, lines at a larger scale, text) and, as
// vectors, on a printer from the layers' paint steps.

bool PenVisible(const SurfacePen& pen);
// The width a pen covers in pixels (a width of 0 draws like 1).
int PenPixels(const SurfacePen& pen);
// A rectangle over the pixels left..right−1, top..bottom−1 (the corners in either order).
QRect Normalized(int left, int top, int right, int bottom);
// A rectangle over the pixels left..right−1, top..bottom−1 with its outline inside.
void FillRectangle(
    QPainter& p, const SurfacePen& pen, QRgb brush, int left, int top, int right, int bottom);
// A line one virtual pixel wide on layers drawn at a larger scale: it covers the scaled pixels
// the one-pixel line covers at 800×600 (from the first point's pixel to the one before the
// second point's), so it is as wide as one scaled pixel and ends where the thin line ends.
// Straight lines stay on whole pixels; slanted ones are smoothed. With a one-pixel pen and
// ratio 1 it is the vector form of the one-pixel line.
void PaintThinLine(QPainter& p, const SurfacePen& pen, double ratio, QPoint from, QPoint to);
// The pen of wide lines (round ends and joins) and of one-pixel ones (flat ends).
QPen MakeLinePen(const SurfacePen& pen);
// The vector form of a segment as the layer draws it: a thin pen (thinRatio > 0, see
// PaintThinLine) covers the pixels the pixel line covers; a wide one is a stroke, round ends.
void PaintSegment(QPainter& p, SurfacePen pen, double thinRatio, QPoint from, QPoint to);
// A polygon's (closed) or polyline's outline in vector form.
void PaintOutline(
    QPainter& p, const SurfacePen& pen, double thinRatio, const QList<QPoint>& points, bool closed);
// An oval in vector form: the outline a ring inside the box, the inside in the brush colour.
void PaintRing(QPainter& p, const SurfacePen& pen, QRgb brush, const QRectF& outer);
// Writes text with the layer's font; at is the point the alignment flags (TextAlignFlags) name.
// asOutline paints the letters' outlines instead of text.
void WriteText(QPainter& p, const SurfaceFont& font, const QString& text, QPointF at, int alignment,
    QRgb color, bool asOutline = false);

} // namespace zentil
