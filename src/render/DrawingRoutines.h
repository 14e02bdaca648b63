#pragma once

#include "render/PictureDrawing.h"

#include <QList>
#include <QPoint>
#include <QString>

namespace zentil {

class DebugLog;
struct RenderState;

// Text alignment flags; /TEXT passes combinations of them.
enum TextAlignFlags : int {
    TaUpdateCp = 1, // draw at the given point (otherwise at the layer's origin)
    TaRight = 2,
    TaCenter = 6,
    TaBottom = 8,
    TaBaseline = 24,
};
constexpr int TextAlignCentre = TaBaseline | TaCenter | TaUpdateCp; // 31, "CJ"
constexpr int TextAlignRight = TaBaseline | TaRight | TaUpdateCp; // 27, "RJ"
constexpr int TextAlignLeft = TaBaseline | TaUpdateCp; // 25, "LJ"

// The drawing routines behind the commands. Coordinates are layer pixels. Each replaces the
// layer's brush and pen from the graphics state before it draws and returns 0 when the layer
// name is unknown, 1 otherwise.

// A rectangle covers X1..X2 by Y1..Y2 on every layer but "background", where it covers
// X1..X2−1 by Y1..Y2−1; the outline lies inside that area. With DoBlend it is a vertical
// gradient from BlendColor on the top row to FillColor on the bottom row, without outline.
int DrawBoxOnBitmap(RenderState& r, const QString& layer, int set, int X1, int Y1, int X2, int Y2);
// An ellipse inside X1..X2−1 by Y1..Y2−1.
int DrawOvalOnBitmap(RenderState& r, const QString& layer, int set, int X1, int Y1, int X2, int Y2);
// A line from (X1, Y1) towards (X2, Y2). A one-pixel line starts with the pixel at (X1, Y1) and
// stops one pixel short of (X2, Y2), whichever way it runs.
int DrawLineOnBitmap(RenderState& r, const QString& layer, int set, int X1, int Y1, int X2, int Y2);
// A polygon filled by the alternate (even-odd) rule, with its outline.
int DrawPolygonOnBitmap(RenderState& r, const QString& layer, int set, const QList<QPoint>& points);
int DrawPolylineOnBitmap(
    RenderState& r, const QString& layer, int set, const QList<QPoint>& points);
// Writes text with the layer's font; (X, Y) is the point the alignment flags name. When a
// shadow offset is not 0 the text is first written in ShadowColor at the offset position.
int DrawTextOnBitmap(RenderState& r, const QString& layer, int set, const QString& text, int X,
    int Y, int shadowX, int shadowY, int alignment, DebugLog& log);
} // namespace zentil
