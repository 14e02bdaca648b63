#include "render/DrawingRoutines.h"

#include "base/DebugLog.h"
#include "render/RenderState.h"
#include "render/ShapePainting.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

// Replaces the layer's brush and pen from the graphics state. The outline takes the fill colour
// when the pen width is 0 or a blend is on (or only for width 0 where the blend does not apply).
void ReplaceBrushAndPen(DrawingSurface& s, const GraphicsState& g, bool blendTakesFill)
{
    s.BrushColor = g.FillColor;
    QRgb penColor = g.EffectivePenColor;
    if (g.ScaledPenWidth == 0 || (blendTakesFill && g.DoBlend))
        penColor = g.FillColor;
    s.Pen = SurfacePen { g.PenStyle, g.ScaledPenWidth, penColor };
}

// The layer's steps start over when an opaque rectangle covers the whole layer.
void StartOverIfCovered(const RenderState& r, DrawingSurface& s, const QRect& area)
{
    if (r.RecordPaintSteps && area.contains(s.Image.rect()))
        s.Steps.clear();
}

// One colour channel of a colour value: 0 red, 1 green, 2 blue.
double Channel(QRgb c, int which)
{
    return double(which == 0 ? qRed(c) : which == 1 ? qGreen(c) : qBlue(c));
}

void DrawBlendedBox(
    const RenderState& r, DrawingSurface& s, GraphicsState& g, int X1, int Y1, int X2, int Y2)
{
    // Row Y1 + k (k = 0 .. |Y2 − Y1|) takes the blend colour plus k steps towards the fill
    // colour; steps are single floats as in the classic drawing. An upside-down box runs upwards.
    const int h = std::abs(Y2 - Y1); // coordinates are clamped, so this cannot overflow
    const int direction = Y2 >= Y1 ? 1 : -1;
    const QRgb blend = g.BlendColor;
    const QRgb fill = g.FillColor;
    float step[3];
    for (int c = 0; c < 3; ++c)
        step[c] = h == 0 ? 0.0F : float(Channel(fill, c) - Channel(blend, c)) / float(h);
    auto rowColor = [&](int k) {
        if (k == 0)
            return blend;
        int channel[3];
        for (int c = 0; c < 3; ++c) {
            const float v = float(Channel(blend, c)) + step[c] * float(k);
            channel[c] = std::clamp(RoundToInt(v), 0, 255);
        }
        return qRgb(channel[0], channel[1], channel[2]);
    };
    g.PenStyle = PenNull;
    const int left = std::min(X1, X2);
    const int right = std::max(X1, X2) + 1;
    if (r.RecordPaintSteps) {
        // The same rows as one vertical gradient.
        const QRect area(left, std::min(Y1, Y2), right - left, h + 1);
        StartOverIfCovered(r, s, area);
        QLinearGradient gradient(QPointF(0, Y1 + 0.5), QPointF(0, Y2 + 0.5));
        gradient.setColorAt(0, ToQColor(blend));
        gradient.setColorAt(1, ToQColor(rowColor(h)));
        s.Steps.push_back([area, gradient, blend, h](QPainter& p) {
            if (h == 0)
                p.fillRect(area, ToQColor(blend));
            else
                p.fillRect(area, gradient);
        });
    }
    // Only the rows that land on the layer are drawn.
    const int firstRow = std::max(0, std::min(Y1, Y2));
    const int lastRow = std::min(s.Image.height() - 1, std::max(Y1, Y2));
    QPainter p(&s.Image);
    for (int y = firstRow; y <= lastRow; ++y)
        p.fillRect(QRect(left, y, right - left, 1), ToQColor(rowColor((y - Y1) * direction)));
    g.FillColor = rowColor(h);
    ReplaceBrushAndPen(s, g, true);
}

// Fills the pixels whose centres lie inside the ellipse inscribed in box.
void FillEllipse(QImage& image, const QRectF& box, const QColor& color)
{
    const double a = box.width() / 2.0;
    const double b = box.height() / 2.0;
    const QPointF c = box.center();
    QPainter p(&image);
    const int top = std::max(0, int(std::floor(box.top())));
    const int bottom = std::min(image.height(), int(std::ceil(box.bottom())));
    for (int y = top; y < bottom; ++y) {
        const double dy = (y + 0.5 - c.y()) / b;
        if (dy * dy >= 1.0)
            continue;
        const double half = a * std::sqrt(1.0 - dy * dy);
        // Pixels x with x + 0.5 inside [c.x − half, c.x + half].
        const int first = int(std::ceil(c.x() - half - 0.5));
        const int last = int(std::floor(c.x() + half - 0.5));
        if (last >= first)
            p.fillRect(QRect(first, y, last - first + 1, 1), color);
    }
}

// Floor of a / b for b > 0.
qint64 FloorDiv(qint64 a, qint64 b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// A one-pixel line: one pixel per step along the longer axis, from the first point up to but
// not including the second, the other coordinate rounded to the nearest pixel (halves towards
// larger values, so a line covers the same pixels whichever way it is drawn). Only the steps
// that land on the picture are visited.
void PlotThinLine(QImage& image, QRgb color, QPoint from, QPoint to)
{
    from = QPoint(ClampCoordinate(from.x()), ClampCoordinate(from.y()));
    to = QPoint(ClampCoordinate(to.x()), ClampCoordinate(to.y()));
    const bool xMajor = std::abs(to.x() - from.x()) >= std::abs(to.y() - from.y());
    const qint64 a1 = xMajor ? from.x() : from.y();
    const qint64 m1 = xMajor ? from.y() : from.x();
    const qint64 da = (xMajor ? to.x() : to.y()) - a1;
    const qint64 dm = (xMajor ? to.y() : to.x()) - m1;
    const qint64 n = std::abs(da);
    if (n == 0)
        return;
    const qint64 step = da > 0 ? 1 : -1;
    const qint64 majorExtent = xMajor ? image.width() : image.height();
    const qint64 minorExtent = xMajor ? image.height() : image.width();
    // Steps i with 0 <= a1 + i·step < majorExtent.
    const qint64 first = std::max<qint64>(0, step > 0 ? -a1 : a1 - majorExtent + 1);
    const qint64 last = std::min<qint64>(n - 1, step > 0 ? majorExtent - 1 - a1 : a1);
    const QRgb rgb = ToQColor(color).rgb();
    for (qint64 i = first; i <= last; ++i) {
        const qint64 a = a1 + i * step;
        const qint64 m = m1 + FloorDiv(2 * i * dm + n, 2 * n);
        if (m < 0 || m >= minorExtent)
            continue;
        if (xMajor)
            image.setPixel(int(a), int(m), rgb);
        else
            image.setPixel(int(m), int(a), rgb);
    }
}

// Whether a pen one virtual pixel wide is drawn on layers at a larger scale.
bool ScaledThin(const RenderState& r)
{
    return r.Display.DisplayRatio != 1.0 && r.Graphics.PenWidth <= 1;
}

// Slanted wide lines are smoothed once the layers are larger than 800×600; at 800×600 every
// line is drawn as the reference drawing has it.
bool Smoothed(const RenderState& r, QPoint from, QPoint to)
{
    return r.Display.DisplayRatio != 1.0 && from.x() != to.x() && from.y() != to.y();
}

void DrawThinSegment(const RenderState& r, DrawingSurface& s, QPoint from, QPoint to)
{
    if (PenPixels(s.Pen) == 1) {
        PlotThinLine(s.Image, s.Pen.Color, from, to);
    } else {
        QPainter p(&s.Image);
        PaintThinLine(p, s.Pen, r.Display.DisplayRatio, from, to);
    }
}

// The ratio a thin pen is drawn at (see PaintThinLine), 0 for a wide pen.
double ThinRatio(const RenderState& r, const SurfacePen& pen)
{
    return PenPixels(pen) == 1 ? 1.0 : ScaledThin(r) ? r.Display.DisplayRatio : 0.0;
}

} // namespace

int DrawBoxOnBitmap(RenderState& r, const QString& layer, int set, int X1, int Y1, int X2, int Y2)
{
    DrawingSurface* s = FindSurfaceToDraw(r.Surfaces, layer, set);
    if (!s)
        return 0;
    GraphicsState& g = r.Graphics;
    const QRgb savedPenColor = g.EffectivePenColor;
    if (g.ScaledPenWidth == 0 || g.DoBlend)
        g.EffectivePenColor = g.FillColor;
    ReplaceBrushAndPen(*s, g, true);
    if (!s->Image.isNull()) {
        if (g.DoBlend) {
            DrawBlendedBox(r, *s, g, X1, Y1, X2, Y2);
        } else {
            // The far edge is inclusive on every layer but "background"; at a larger scale the
            // extra column and row are as wide as one scaled pixel.
            const int extra = s == &r.Surfaces.Background ? 0 : ScaledPixel(r.Display);
            QPainter p(&s->Image);
            FillRectangle(p, s->Pen, s->BrushColor, X1, Y1, X2 + extra, Y2 + extra);
            if (r.RecordPaintSteps) {
                StartOverIfCovered(r, *s, Normalized(X1, Y1, X2 + extra, Y2 + extra));
                s->Steps.push_back(
                    [pen = s->Pen, brush = s->BrushColor, X1, Y1, X2, Y2, extra](QPainter& q) {
                        FillRectangle(q, pen, brush, X1, Y1, X2 + extra, Y2 + extra);
                    });
            }
        }
    }
    g.EffectivePenColor = savedPenColor;
    return 1;
}

int DrawOvalOnBitmap(RenderState& r, const QString& layer, int set, int X1, int Y1, int X2, int Y2)
{
    DrawingSurface* s = FindSurfaceToDraw(r.Surfaces, layer, set);
    if (!s)
        return 0;
    ReplaceBrushAndPen(*s, r.Graphics, true);
    if (s->Image.isNull())
        return 1;
    QRectF outer = QRectF(QPointF(X1, Y1), QPointF(X2, Y2)).normalized();
    if (outer.width() <= 0 || outer.height() <= 0)
        return 1;
    // The outline is a ring inside the bounding box: the outer ellipse in the pen colour, the
    // inner one in the brush colour.
    if (r.RecordPaintSteps) {
        s->Steps.push_back([pen = s->Pen, brush = s->BrushColor, outer](
                               QPainter& p) { PaintRing(p, pen, brush, outer); });
    }
    if (PenVisible(s->Pen)) {
        FillEllipse(s->Image, outer, ToQColor(s->Pen.Color));
        const double w = PenPixels(s->Pen);
        outer.adjust(w, w, -w, -w);
    }
    if (outer.width() > 0 && outer.height() > 0)
        FillEllipse(s->Image, outer, ToQColor(s->BrushColor));
    return 1;
}

int DrawLineOnBitmap(RenderState& r, const QString& layer, int set, int X1, int Y1, int X2, int Y2)
{
    DrawingSurface* s = FindSurfaceToDraw(r.Surfaces, layer, set);
    if (!s)
        return 0;
    ReplaceBrushAndPen(*s, r.Graphics, false);
    s->Pen.Color = r.Graphics.EffectivePenColor;
    if (s->Image.isNull() || !PenVisible(s->Pen))
        return 1;
    if (r.RecordPaintSteps) {
        s->Steps.push_back(
            [pen = s->Pen, thin = ThinRatio(r, s->Pen), X1, Y1, X2, Y2](
                QPainter& p) { PaintSegment(p, pen, thin, QPoint(X1, Y1), QPoint(X2, Y2)); });
    }
    if (PenPixels(s->Pen) == 1) {
        PlotThinLine(s->Image, s->Pen.Color, QPoint(X1, Y1), QPoint(X2, Y2));
        return 1;
    }
    if (ScaledThin(r)) {
        DrawThinSegment(r, *s, QPoint(X1, Y1), QPoint(X2, Y2));
        return 1;
    }
    QPainter p(&s->Image);
    p.setRenderHint(QPainter::Antialiasing, Smoothed(r, QPoint(X1, Y1), QPoint(X2, Y2)));
    p.setPen(MakeLinePen(s->Pen));
    p.drawLine(QPoint(X1, Y1), QPoint(X2, Y2));
    return 1;
}

int DrawPolygonOnBitmap(RenderState& r, const QString& layer, int set, const QList<QPoint>& points)
{
    DrawingSurface* s = FindSurfaceToDraw(r.Surfaces, layer, set);
    if (!s)
        return 0;
    GraphicsState& g = r.Graphics;
    ReplaceBrushAndPen(*s, g, true);
    if (s->Image.isNull() || points.size() < 2)
        return 1;
    const QPolygon polygon(points);
    if (r.RecordPaintSteps) {
        s->Steps.push_back([pen = s->Pen, brush = s->BrushColor, thin = ThinRatio(r, s->Pen),
                               points](QPainter& q) {
            q.setPen(Qt::NoPen);
            q.setBrush(ToQColor(brush));
            q.drawPolygon(QPolygon(points), Qt::OddEvenFill);
            if (PenVisible(pen))
                PaintOutline(q, pen, thin, points, true);
        });
    }
    QPainter p(&s->Image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(ToQColor(s->BrushColor));
    p.drawPolygon(polygon, Qt::OddEvenFill);
    if (PenVisible(s->Pen) && (PenPixels(s->Pen) == 1 || ScaledThin(r))) {
        // The outline is the one-pixel lines around the ring, back to the first point.
        p.end();
        for (qsizetype i = 0; i < points.size(); ++i)
            DrawThinSegment(r, *s, points[i], points[(i + 1) % points.size()]);
    } else if (PenVisible(s->Pen)) {
        QPen pen = MakeLinePen(s->Pen);
        pen.setCapStyle(Qt::SquareCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(polygon, Qt::OddEvenFill);
    }
    return 1;
}

int DrawPolylineOnBitmap(RenderState& r, const QString& layer, int set, const QList<QPoint>& points)
{
    DrawingSurface* s = FindSurfaceToDraw(r.Surfaces, layer, set);
    if (!s)
        return 0;
    ReplaceBrushAndPen(*s, r.Graphics, false);
    if (s->Image.isNull() || points.size() < 2 || !PenVisible(s->Pen))
        return 1;
    if (r.RecordPaintSteps) {
        s->Steps.push_back([pen = s->Pen, thin = ThinRatio(r, s->Pen), points](
                               QPainter& p) { PaintOutline(p, pen, thin, points, false); });
    }
    if (PenPixels(s->Pen) == 1 || ScaledThin(r)) {
        // Each segment stops short of its end, which the next segment starts with; only the
        // last point is left out.
        for (qsizetype i = 1; i < points.size(); ++i)
            DrawThinSegment(r, *s, points[i - 1], points[i]);
        return 1;
    }
    QPainter p(&s->Image);
    p.setRenderHint(QPainter::Antialiasing, r.Display.DisplayRatio != 1.0);
    p.setPen(MakeLinePen(s->Pen));
    p.drawPolyline(QPolygon(points));
    return 1;
}

int DrawTextOnBitmap(RenderState& r, const QString& layer, int set, const QString& text, int X,
    int Y, int shadowX, int shadowY, int alignment, DebugLog& log)
{
    ZT_DEBUG(log, TraceDrawing, "status",
        u"DrawTextOnBitmap - LocalResourceSet = "_s + QString::number(set));
    DrawingSurface* s = FindSurfaceToDraw(r.Surfaces, layer, set);
    if (!s)
        return 0;
    if (s->Image.isNull() || text.isEmpty())
        return 1;
    const bool atPoint = (alignment & TaUpdateCp) != 0;
    // On a printer the shadow is an outline, so that the words are found and copied once.
    const auto write
        = [font = s->Font, text, alignment, shadow = r.Graphics.ShadowColor,
              color = r.Graphics.FontColor, at = atPoint ? QPointF(X, Y) : QPointF(0, 0),
              offset = atPoint ? QPointF(shadowX, shadowY) : QPointF(0, 0),
              shadowed = shadowX != 0 || shadowY != 0](QPainter& p, bool printed) {
              p.setRenderHint(QPainter::TextAntialiasing, true);
              p.setRenderHint(QPainter::Antialiasing, true);
              p.setFont(font.Font);
              if (shadowed)
                  WriteText(p, font, text, at + offset, alignment, shadow, printed);
              WriteText(p, font, text, at, alignment, color);
          };
    QPainter p(&s->Image);
    write(p, false);
    if (r.RecordPaintSteps)
        s->Steps.push_back([write](QPainter& q) { write(q, true); });
    return 1;
}

} // namespace zentil
