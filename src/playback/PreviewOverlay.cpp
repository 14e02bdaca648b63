#include "playback/PreviewOverlay.h"

#include <QPainter>

#include <cmath>

namespace zentil {

namespace {
constexpr double kVirtualWidth = 800.0;
constexpr double kVirtualHeight = 600.0;
// The pause box, its place (just inside the right edge of where the preview frame stands) and
// its bars, all in picture units.
constexpr double kPauseWidth = 57.6;
constexpr double kPauseHeight = 47.2;
const QColor kFrameBack(128, 128, 255);
const QColor kBevelLight(180, 180, 255);
const QColor kBevelDark(0, 0, 80);

int Nearest(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

// A raised bevel two lines wide: light along the top and left edges, dark along the bottom and
// right ones (drawn last, so they own the two far corners).
void PaintBevel(QPainter& painter, QSize size)
{
    const int w = size.width();
    const int h = size.height();
    for (int line = 0; line < 2; ++line) {
        painter.fillRect(0, line, w, 1, kBevelLight);
        painter.fillRect(line, 0, 1, h, kBevelLight);
    }
    for (int line = 1; line <= 2; ++line) {
        painter.fillRect(0, h - line, w, 1, kBevelDark);
        painter.fillRect(w - line, 0, 1, h, kBevelDark);
    }
}
} // namespace

PreviewOverlay::PreviewOverlay()
{
    setZValue(20);
    setVisible(false);
}

void PreviewOverlay::ShowThumbnail(const QImage& thumbnail, const QString& caption)
{
    prepareGeometryChange();
    content_ = Content::Thumbnail;
    // Kept at its own size: thumbnails are made at a fifth of the slide's size on screen, so
    // the view draws them pixel for pixel.
    thumbnail_ = thumbnail;
    caption_ = caption;
    size_ = QSize(kThumbFrameWidth, kThumbFrameHeight);
    // Near the right edge, centred vertically.
    setPos(Nearest(kVirtualWidth - 1.2 * kThumbFrameWidth),
        Nearest(kVirtualHeight / 2 - kThumbFrameHeight / 2.0));
    setVisible(true);
    update();
}

void PreviewOverlay::ShowPause()
{
    prepareGeometryChange();
    content_ = Content::Pause;
    size_ = QSize(Nearest(kPauseWidth), Nearest(kPauseHeight));
    // The box's right edge is where the preview frame's right edge would be.
    setPos(Nearest(kVirtualWidth - 1.2 * kThumbFrameWidth + kThumbFrameWidth - kPauseWidth),
        Nearest(kVirtualHeight / 2 - kPauseHeight / 2));
    setVisible(true);
    update();
}

void PreviewOverlay::HideFrame()
{
    setVisible(false);
}

QRectF PreviewOverlay::boundingRect() const
{
    return QRectF(QPointF(0, 0), QSizeF(size_));
}

void PreviewOverlay::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->fillRect(boundingRect(), kFrameBack);
    PaintBevel(*painter, size_);
    if (content_ == Content::Thumbnail)
        PaintThumbnail(*painter);
    else if (content_ == Content::Pause)
        PaintPause(*painter);
    painter->restore();
}

void PreviewOverlay::PaintThumbnail(QPainter& painter) const
{
    const QRect picture(kPreviewPicOffset, kPreviewPicOffset, kThumbWidth, kThumbHeight);
    if (!thumbnail_.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(QRectF(picture), thumbnail_);
    }
    // The picture is framed in black, one line over its edge pixels.
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(picture.adjusted(0, 0, -1, -1));

    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.drawText(QRect(0, kSlideNumLabelTop, kThumbFrameWidth, kSlideNumLabelHeight),
        Qt::AlignHCenter | Qt::AlignVCenter, caption_);
}

// Two white bars, each a seventeenth of the box wide, from a quarter of its height to a quarter
// from its bottom; the first starts at 1/2.75 of its width, the second at 1/1.75.
void PreviewOverlay::PaintPause(QPainter& painter) const
{
    const int barWidth = Nearest(kPauseWidth / 17);
    const int top = Nearest(kPauseHeight / 4);
    const int bottom = Nearest(kPauseHeight - top);
    for (const double start : { kPauseWidth / 2.75, kPauseWidth / 1.75 })
        painter.fillRect(Nearest(start), top, barWidth, bottom - top, Qt::white);
}

} // namespace zentil
