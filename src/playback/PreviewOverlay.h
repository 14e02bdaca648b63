#pragma once

#include <QGraphicsItem>
#include <QImage>
#include <QString>

namespace zentil {

// The small framed box at the right of the slide (`BorderPic`): either the thumbnail preview of
// the slide chosen with the keys (`PreviewPic` with the caption `SlideNumLabel` under it) or the
// pause symbol. It lives in the window's 800×600 scene, so it scales with the picture. It only
// draws; the playback flags that say what is on screen belong to the user-control code.
class PreviewOverlay : public QGraphicsItem {
public:
    // Thumbnails are a fifth of the slide.
    static constexpr int kThumbWidth = 160;
    static constexpr int kThumbHeight = 120;
    static constexpr int kSlideNumLabelHeight = 17;
    static constexpr int kPreviewPicOffset = 8;
    static constexpr int kSlideNumLabelTop = kThumbHeight + kPreviewPicOffset + 4; // 132
    // ThumbFrameWidth, ThumbFrameHeight.
    static constexpr int kThumbFrameWidth = kThumbWidth + 16; // 176
    static constexpr int kThumbFrameHeight = kThumbHeight + kSlideNumLabelHeight + 16; // 153

    enum class Content { Nothing, Thumbnail, Pause };

    PreviewOverlay();

    // The frame with the given thumbnail (drawn over 160×120 picture units, whatever its size in
    // pixels) and its caption; a picture that could not be read leaves the box empty inside its
    // black frame.
    void ShowThumbnail(const QImage& thumbnail, const QString& caption);
    // The pause symbol: a small bevelled box with two white bars.
    void ShowPause();
    // Hides the box (BorderPic.Visible = False).
    void HideFrame();

    Content Shown() const { return isVisible() ? content_ : Content::Nothing; }
    const QString& Caption() const { return caption_; }

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option,
        QWidget* widget = nullptr) override;

private:
    void PaintThumbnail(QPainter& painter) const;
    void PaintPause(QPainter& painter) const;

    Content content_ = Content::Nothing;
    QImage thumbnail_;
    QString caption_;
    QSize size_;
};

} // namespace zentil
