#include "playback/FullScreenWindow.h"

#include "playback/PreviewOverlay.h"
#include "playback/ResourcePanel.h"

#include <QCursor>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <cmath>

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
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setRenderHint(QPainter::SmoothPixmapTransform);
    setRenderHint(QPainter::TextAntialiasing);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setScene(scene_);

    preview_ = new PreviewOverlay;
    scene_->addItem(preview_);
    WatchScreens();
}

ResourcePanel& FullScreenWindow::Resources()
{
    if (!resourcePanel_) {
        resourcePanel_ = new ResourcePanel;
        resourcePanel_->BeforeFirstShow = [this](ResourcePanel& panel) {
            QGraphicsProxyWidget* proxy = scene_->addWidget(&panel);
            proxy->setPos(
                (kVirtualWidth - panel.width()) / 2.0, (kVirtualHeight - panel.height()) / 2.0);
            proxy->setZValue(10);
        };
    }
    return *resourcePanel_;
}

bool FullScreenWindow::ResourcesVisible() const
{
    return resourcePanel_ && resourcePanel_->isVisible();
}

void FullScreenWindow::HideResources()
{
    if (resourcePanel_)
        resourcePanel_->hide();
}

FullScreenWindow::~FullScreenWindow()
{
    // Once shown, the panel belongs to the scene; before, to the window.
    if (resourcePanel_ && !resourcePanel_->graphicsProxyWidget())
        delete resourcePanel_;
}

void FullScreenWindow::SetScreenChoice(int screenNumber)
{
    screenChoice_ = screenNumber;
    screen_ = nullptr;
}

QScreen* FullScreenWindow::TargetScreen() const
{
    if (screen_ && QGuiApplication::screens().contains(screen_.data()))
        return screen_.data();
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screenChoice_ >= 0 && screenChoice_ < screens.size())
        return screens[screenChoice_];
    if (QScreen* pointer = QGuiApplication::screenAt(QCursor::pos()))
        return pointer;
    return QGuiApplication::primaryScreen();
}

void FullScreenWindow::WatchScreens()
{
    // The window stays on its screen while others come and go, and moves to another one only
    // when its own goes away.
    auto replace = [this] {
        if (isVisible())
            PlaceOnScreen();
    };
    connect(qApp, &QGuiApplication::screenAdded, this, replace);
    connect(qApp, &QGuiApplication::screenRemoved, this, replace);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, replace);
}

// Puts the window on its screen: covering it, or as a window of the slide's aspect in its
// middle, two thirds of its height.
void FullScreenWindow::PlaceOnScreen()
{
    QScreen* target = TargetScreen();
    if (!target)
        return;
    if (screen_ != target) {
        if (screen_)
            disconnect(screen_.data(), nullptr, this, nullptr);
        screen_ = target;
        connect(target, &QScreen::geometryChanged, this, [this] { PlaceOnScreen(); });
    }
    if (QWindow* handle = windowHandle())
        handle->setScreen(target);
    if (fullScreen_) {
        // Without a window manager the full-screen request alone leaves the window at its
        // default size, so the screen's geometry is set as well.
        setGeometry(target->geometry());
        showFullScreen();
    } else {
        const QRect area = target->availableGeometry();
        const int height = area.height() * 2 / 3;
        QRect frame(0, 0, height * kVirtualWidth / kVirtualHeight, height);
        frame.moveCenter(area.center());
        showNormal();
        setGeometry(frame);
    }
    FitPicture();
}

void FullScreenWindow::ShowFullScreen()
{
    fullScreen_ = true;
    winId(); // a native window, so that it can be put on its screen before it is shown
    PlaceOnScreen();
    ParkCursor();
}

void FullScreenWindow::ToggleFullScreen()
{
    fullScreen_ = !fullScreen_;
    // A window has the desktop's frame, so it can be moved and resized; full screen has none.
    const bool visible = isVisible();
    setWindowFlag(Qt::FramelessWindowHint, fullScreen_);
    if (visible)
        PlaceOnScreen();
    FocusSlideWindow();
}

void FullScreenWindow::ShowPicture(const QImage& picture)
{
    picture_ = picture;
    // Painted at once: the work that follows a new slide (its narration's start, the next slide's
    // preparation) must not hold the picture back from the screen.
    if (isVisible())
        viewport()->repaint();
    else
        viewport()->update();
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

QImage FullScreenWindow::RenderScene(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.drawImage(QRectF(image.rect()), picture_);
    scene_->render(&painter, QRectF(image.rect()), scene_->sceneRect());
    if (blank_.isValid())
        painter.fillRect(image.rect(), blank_);
    return image;
}

// The slide fills the window in one dimension, centred, with black bars in the other; its
// corner lies on a whole device pixel, so a picture of its size is copied unscaled.
void FullScreenWindow::FitPicture()
{
    const QSizeF area = viewport()->size();
    const double dpr = viewport()->devicePixelRatioF();
    const double ratio
        = std::min(area.width() * dpr / kVirtualWidth, area.height() * dpr / kVirtualHeight);
    const QSize device(std::max(1, int(std::lround(kVirtualWidth * ratio))),
        std::max(1, int(std::lround(kVirtualHeight * ratio))));
    const QPointF corner(std::floor((area.width() * dpr - device.width()) / 2) / dpr,
        std::floor((area.height() * dpr - device.height()) / 2) / dpr);
    slideRect_ = QRectF(corner, QSizeF(device) / dpr);
    const double sx = slideRect_.width() / kVirtualWidth;
    const double sy = slideRect_.height() / kVirtualHeight;
    setTransform(QTransform::fromScale(sx, sy));
    // The view's scene area is the whole window, aligned top-left, so the scene's origin lands
    // on the slide's corner.
    setSceneRect(QRectF(-corner.x() / sx, -corner.y() / sy, area.width() / sx, area.height() / sy));
    viewport()->update();
    if (device != slideSize_) {
        slideSize_ = device;
        if (OnSlideSizeChanged)
            OnSlideSizeChanged(device);
    }
}

void FullScreenWindow::drawBackground(QPainter* painter, const QRectF&)
{
    painter->save();
    painter->resetTransform();
    painter->fillRect(viewport()->rect(), Qt::black);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, picture_.size() != slideSize_);
    painter->drawImage(slideRect_, picture_);
    painter->restore();
}

void FullScreenWindow::drawForeground(QPainter* painter, const QRectF&)
{
    if (!blank_.isValid())
        return;
    painter->save();
    painter->resetTransform();
    painter->fillRect(viewport()->rect(), blank_);
    painter->restore();
}

void FullScreenWindow::ShowBlank(const QColor& colour)
{
    blank_ = colour;
    viewport()->update();
}

void FullScreenWindow::HideBlank()
{
    blank_ = QColor();
    viewport()->update();
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

void FullScreenWindow::wheelEvent(QWheelEvent* event)
{
    const QGraphicsItem* item = itemAt(event->position().toPoint());
    if (item && item->isWidget()) {
        QGraphicsView::wheelEvent(event);
        return;
    }
    // Touchpads report small steps; a notch is 120 eighths of a degree.
    wheelRemainder_ += event->angleDelta().y();
    const int notches = wheelRemainder_ / 120;
    wheelRemainder_ -= notches * 120;
    event->accept();
    if (notches != 0 && OnWheel)
        OnWheel(notches);
}

void FullScreenWindow::changeEvent(QEvent* event)
{
    QGraphicsView::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && OnActivated)
        OnActivated();
    if (event->type() == QEvent::ScreenChangeInternal) // the device pixel ratio may differ
        FitPicture();
}

void FullScreenWindow::closeEvent(QCloseEvent* event)
{
    // The window manager's close request runs the player's one shut-down path.
    event->ignore();
    if (OnCloseRequest)
        OnCloseRequest();
}

} // namespace zentil
