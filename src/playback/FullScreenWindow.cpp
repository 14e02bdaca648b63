#include "playback/FullScreenWindow.h"

#include "playback/PreviewOverlay.h"
#include "playback/ResourcePanel.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

FullScreenWindow::FullScreenWindow(QWidget* parent)
    : QGraphicsView(parent)
    , scene_(new QGraphicsScene(0, 0, kVirtualWidth, kVirtualHeight, this))
{
    setObjectName(u"FullScreen"_s);
    setWindowTitle(u"Zentil"_s);
    setWindowFlag(Qt::FramelessWindowHint);
    setFrameShape(QFrame::NoFrame);
    setBackgroundBrush(Qt::black);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setRenderHint(QPainter::SmoothPixmapTransform);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setScene(scene_);

    picture_ = QImage(kVirtualWidth, kVirtualHeight, QImage::Format_RGB32);
    picture_.fill(Qt::black);
    pictureItem_ = scene_->addPixmap(QPixmap::fromImage(picture_));
    pictureItem_->setTransformationMode(Qt::SmoothTransformation);

    resourcePanel_ = new ResourcePanel;
    resourceProxy_ = scene_->addWidget(resourcePanel_);
    resourceProxy_->setPos((kVirtualWidth - resourcePanel_->width()) / 2.0,
        (kVirtualHeight - resourcePanel_->height()) / 2.0);
    resourceProxy_->setZValue(10);
    resourcePanel_->hide();

    preview_ = new PreviewOverlay;
    scene_->addItem(preview_);
}

FullScreenWindow::~FullScreenWindow() = default;

void FullScreenWindow::ShowFullScreen()
{
    // Without a window manager the full-screen request alone leaves the window at its default
    // size, so the screen's geometry is set as well.
    if (const QScreen* target = screen())
        setGeometry(target->geometry());
    showFullScreen();
    FitPicture();
    ParkCursor();
}

void FullScreenWindow::ShowPicture(const QImage& picture)
{
    picture_ = picture;
    pictureItem_->setPixmap(QPixmap::fromImage(picture_));
    Q_EMIT PictureShown();
}

void FullScreenWindow::ParkCursor()
{
    // Moving the pointer past the bottom-right corner is what the desktop does not allow
    // everywhere (Wayland); hiding the cursor over the window has the same effect for the user.
    viewport()->setCursor(Qt::BlankCursor);
}

void FullScreenWindow::FocusSlideWindow()
{
    raise();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

QImage FullScreenWindow::RenderScene()
{
    QImage image(kVirtualWidth, kVirtualHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    scene_->render(&painter, QRectF(image.rect()), scene_->sceneRect());
    return image;
}

QPointF FullScreenWindow::MapToPicture(const QPoint& windowPoint) const
{
    return mapToScene(windowPoint);
}

// The picture fills the window in one dimension, centred, with black bars in the other.
// (fitInView would leave a margin of a few pixels around it.)
void FullScreenWindow::FitPicture()
{
    const double scale = std::min(
        viewport()->width() / double(kVirtualWidth), viewport()->height() / double(kVirtualHeight));
    setTransform(QTransform::fromScale(scale, scale));
    centerOn(scene_->sceneRect().center());
}

void FullScreenWindow::resizeEvent(QResizeEvent* event)
{
    QGraphicsView::resizeEvent(event);
    FitPicture();
}

// A dialog drawn in the scene is a modal panel: while it has the focus, keys are its own. A
// panel's control that was clicked (the volume slider) never keeps them from the show.
bool FullScreenWindow::DialogHasFocus() const
{
    const QGraphicsItem* focus = scene_->focusItem();
    const QGraphicsItem* panel = focus ? focus->panel() : nullptr;
    return panel && panel->panelModality() != QGraphicsItem::NonModal;
}

void FullScreenWindow::keyPressEvent(QKeyEvent* event)
{
    if (DialogHasFocus()) {
        QGraphicsView::keyPressEvent(event);
        return;
    }
    if (OnKeyPress)
        OnKeyPress(event);
}

void FullScreenWindow::keyReleaseEvent(QKeyEvent* event)
{
    if (DialogHasFocus()) {
        QGraphicsView::keyReleaseEvent(event);
        return;
    }
    if (OnKeyRelease)
        OnKeyRelease(event);
}

void FullScreenWindow::mouseMoveEvent(QMouseEvent* event)
{
    viewport()->unsetCursor();
    if (OnMouseMove)
        OnMouseMove(event);
    QGraphicsView::mouseMoveEvent(event);
}

void FullScreenWindow::mouseReleaseEvent(QMouseEvent* event)
{
    QGraphicsView::mouseReleaseEvent(event);
    // A release over a panel's own controls belongs to that panel, not to the slide.
    const QGraphicsItem* item = itemAt(event->position().toPoint());
    if (item && item->isWidget())
        return;
    if (OnMouseRelease)
        OnMouseRelease(event);
}

void FullScreenWindow::changeEvent(QEvent* event)
{
    QGraphicsView::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && OnActivated)
        OnActivated();
}

void FullScreenWindow::closeEvent(QCloseEvent* event)
{
    // The window manager's close request runs the player's one shut-down path.
    event->ignore();
    if (OnCloseRequest)
        OnCloseRequest();
}

} // namespace zentil
