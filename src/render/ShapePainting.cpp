#include "render/ShapePainting.h"

#include "render/DrawingRoutines.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <utility>

namespace zentil {

bool PenVisible(const SurfacePen& pen)
{
    return pen.Style != PenNull;
}

int PenPixels(const SurfacePen& pen)
{
    return std::max(1, pen.Width);
}

QRect Normalized(int left, int top, int right, int bottom)
{
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    return QRect(left, top, right - left, bottom - top);
}

void FillRectangle(
    QPainter& p, const SurfacePen& pen, QRgb brush, int left, int top, int right, int bottom)
{
    const QRect area = Normalized(left, top, right, bottom);
    const int x = area.x();
    const int y = area.y();
    const int width = area.width();
    const int height = area.height();
    if (width <= 0 || height <= 0)
        return;
    p.fillRect(area, ToQColor(brush));
    if (!PenVisible(pen))
        return;
    const QColor outline = ToQColor(pen.Color);
    const int wx = std::min(PenPixels(pen), width);
    const int wy = std::min(PenPixels(pen), height);
    p.fillRect(QRect(x, y, width, wy), outline);
    p.fillRect(QRect(x, y + height - wy, width, wy), outline);
    p.fillRect(QRect(x, y, wx, height), outline);
    p.fillRect(QRect(x + width - wx, y, wx, height), outline);
}

void PaintThinLine(QPainter& p, const SurfacePen& pen, double ratio, QPoint from, QPoint to)
{
    const QPointF half(pen.Width / 2.0, pen.Width / 2.0);
    const QPointF start = QPointF(from) + half;
    const QPointF delta = QPointF(to - from);
    const double steps = std::max(std::abs(delta.x()), std::abs(delta.y())) / ratio;
    if (steps < 0.5)
        return;
    const QPointF last = start + delta * (1.0 - 1.0 / std::max(1.0, steps));
    QPen qpen(ToQColor(pen.Color));
    qpen.setWidthF(pen.Width);
    qpen.setCapStyle(Qt::SquareCap);
    p.setRenderHint(QPainter::Antialiasing, from.x() != to.x() && from.y() != to.y());
    p.setPen(qpen);
    p.drawLine(QLineF(start, last));
}

QPen MakeLinePen(const SurfacePen& pen)
{
    QPen qpen(ToQColor(pen.Color));
    if (PenPixels(pen) == 1) {
        qpen.setWidth(1);
        qpen.setCapStyle(Qt::FlatCap);
    } else {
        qpen.setWidth(std::min(pen.Width, (1 << 15) - 1)); // the widest pen QPen takes
        qpen.setCapStyle(Qt::RoundCap);
    }
    qpen.setJoinStyle(Qt::RoundJoin);
    return qpen;
}

void PaintSegment(QPainter& p, SurfacePen pen, double thinRatio, QPoint from, QPoint to)
{
    if (thinRatio > 0) {
        pen.Width = PenPixels(pen);
        PaintThinLine(p, pen, thinRatio, from, to);
        return;
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(MakeLinePen(pen));
    p.drawLine(from, to);
}

void PaintOutline(
    QPainter& p, const SurfacePen& pen, double thinRatio, const QList<QPoint>& points, bool closed)
{
    if (thinRatio > 0) {
        const qsizetype segments = closed ? points.size() : points.size() - 1;
        for (qsizetype i = 0; i < segments; ++i)
            PaintSegment(p, pen, thinRatio, points[i], points[(i + 1) % points.size()]);
        return;
    }
    QPen qpen = MakeLinePen(pen);
    if (closed)
        qpen.setCapStyle(Qt::SquareCap);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(qpen);
    p.setBrush(Qt::NoBrush);
    if (closed)
        p.drawPolygon(QPolygon(points), Qt::OddEvenFill);
    else
        p.drawPolyline(QPolygon(points));
}

void WriteText(QPainter& p, const SurfaceFont& font, const QString& text, QPointF at, int alignment,
    QRgb color, bool asOutline)
{
    const QFontMetricsF metrics(font.Font);
    double dx = 0.0;
    switch (alignment & TaCenter) {
    case TaCenter:
        dx = -metrics.horizontalAdvance(text) / 2.0;
        break;
    case TaRight:
        dx = -metrics.horizontalAdvance(text);
        break;
    default:
        break;
    }
    double dy = 0.0;
    if ((alignment & TaBaseline) == 0)
        dy = metrics.ascent(); // top
    else if ((alignment & TaBaseline) == TaBottom)
        dy = -metrics.descent();
    p.save();
    p.translate(at);
    if (font.Escapement != 0)
        p.rotate(-(font.Escapement / 10.0));
    if (asOutline) {
        QPainterPath outline;
        outline.addText(QPointF(dx, dy), font.Font, text);
        p.fillPath(outline, ToQColor(color));
    } else {
        p.setPen(ToQColor(color));
        p.drawText(QPointF(dx, dy), text);
    }
    p.restore();
}

void PaintRing(QPainter& p, const SurfacePen& pen, QRgb brush, const QRectF& outer)
{
    QRectF inner = outer;
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    if (PenVisible(pen)) {
        p.setBrush(ToQColor(pen.Color));
        p.drawEllipse(outer);
        const int w = PenPixels(pen);
        inner.adjust(w, w, -w, -w);
    }
    p.setBrush(ToQColor(brush));
    if (inner.width() > 0 && inner.height() > 0)
        p.drawEllipse(inner);
}

} // namespace zentil
