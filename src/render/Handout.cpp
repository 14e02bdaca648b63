#include "render/Handout.h"

#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

// Page furniture in points (1/72 inch).
constexpr double kHeaderHeight = 36;
constexpr double kFooterHeight = 24;
constexpr double kCaptionHeight = 16;
constexpr double kGap = 14;

struct Grid {
    int Columns;
    int Rows;
    QPageLayout::Orientation Orientation;
};

Grid GridFor(int slidesPerPage)
{
    switch (slidesPerPage) {
    case 2:
        return { 1, 2, QPageLayout::Portrait };
    case 4:
        return { 2, 2, QPageLayout::Landscape };
    case 6:
        return { 2, 3, QPageLayout::Portrait };
    default:
        return { 1, 1, QPageLayout::Landscape };
    }
}

// The handout's font at a size in points, for a painter scaled to work in points on a device of
// `scale` device pixels a point (a point size alone would be scaled twice).
QFont PageFont(double points, double scale, bool bold = false)
{
    QFont font(u"Liberation Sans"_s);
    font.setPointSizeF(points / scale);
    font.setBold(bold);
    return font;
}

// The largest 4:3 rectangle centred in the cell, above its caption.
QRectF SlideRect(const QRectF& cell)
{
    const QRectF room = cell.adjusted(0, 0, 0, -kCaptionHeight);
    const double width = std::min(room.width(), room.height() * 4.0 / 3.0);
    const double height = width * 3.0 / 4.0;
    return QRectF(
        room.center().x() - width / 2, room.top() + (room.height() - height) / 2, width, height);
}

void DrawSlideCell(
    QPainter& p, const HandoutRequest& request, int slide, const QRectF& cell, double scale)
{
    const QRectF frame = SlideRect(cell);
    if (request.PaintSlide) {
        p.save();
        request.PaintSlide(p, frame, slide);
        p.restore();
    }
    p.setPen(QPen(Qt::gray, 0.5));
    p.setBrush(Qt::NoBrush);
    p.drawRect(frame);
    p.setFont(PageFont(9, scale));
    p.setPen(Qt::black);
    p.drawText(QRectF(frame.left(), frame.bottom() + 2, frame.width(), kCaptionHeight - 2),
        Qt::AlignHCenter | Qt::AlignTop, u"Slide "_s + QString::number(slide));
}

} // namespace

bool IsHandoutLayout(int slidesPerPage)
{
    return slidesPerPage == 1 || slidesPerPage == 2 || slidesPerPage == 4 || slidesPerPage == 6;
}

int PrintHandout(QPagedPaintDevice& device, const HandoutRequest& request)
{
    const int perPage = IsHandoutLayout(request.SlidesPerPage) ? request.SlidesPerPage : 1;
    const Grid grid = GridFor(perPage);
    device.setPageOrientation(grid.Orientation);
    const int pages = std::max(1, (request.SlideCount + perPage - 1) / perPage);
    QPainter p(&device);
    if (!p.isActive())
        return 0;
    // Work in points whatever the device's resolution: text and lines stay vectors.
    const double scale = device.logicalDpiX() / 72.0;
    p.scale(scale, scale);
    const QRectF page(0, 0, device.width() / scale, device.height() / scale);
    for (int index = 0; index < pages; ++index) {
        if (index > 0)
            device.newPage();
        p.setFont(PageFont(14, scale, true));
        p.setPen(Qt::black);
        p.drawText(QRectF(page.left(), page.top(), page.width(), kHeaderHeight - 8),
            Qt::AlignLeft | Qt::AlignVCenter, request.Title);
        p.drawLine(
            QPointF(page.left(), kHeaderHeight - 6), QPointF(page.right(), kHeaderHeight - 6));
        p.setFont(PageFont(9, scale));
        p.drawText(QRectF(page.left(), page.bottom() - kFooterHeight, page.width(), kFooterHeight),
            Qt::AlignRight | Qt::AlignBottom,
            u"Page "_s + QString::number(index + 1) + u" of "_s + QString::number(pages));
        const QRectF body(page.left(), page.top() + kHeaderHeight, page.width(),
            page.height() - kHeaderHeight - kFooterHeight);
        const double cellWidth = (body.width() - kGap * (grid.Columns - 1)) / grid.Columns;
        const double cellHeight = (body.height() - kGap * (grid.Rows - 1)) / grid.Rows;
        for (int i = 0; i < perPage; ++i) {
            const int slide = index * perPage + i + 1;
            if (slide > request.SlideCount)
                break;
            const int column = i % grid.Columns;
            const int row = i / grid.Columns;
            DrawSlideCell(p, request, slide,
                QRectF(body.left() + column * (cellWidth + kGap),
                    body.top() + row * (cellHeight + kGap), cellWidth, cellHeight),
                scale);
        }
    }
    return pages;
}

} // namespace zentil
