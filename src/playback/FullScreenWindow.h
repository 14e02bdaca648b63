#pragma once

#include <QGraphicsView>
#include <QImage>

#include <functional>

class QGraphicsPixmapItem;
class QGraphicsProxyWidget;
class QGraphicsScene;
class QLabel;
class QWidget;

namespace zentil {

class PreviewOverlay;
class ResourcePanel;

// The one borderless window that covers the screen. It shows the 800×600 slide picture scaled to
// fit with its aspect kept and black bars around it. Panels live in the same 800×600 scene
// coordinates as the picture, so they scale with it, and mouse positions map back to them.
class FullScreenWindow : public QGraphicsView {
    Q_OBJECT
public:
    static constexpr int kVirtualWidth = 800;
    static constexpr int kVirtualHeight = 600;

    explicit FullScreenWindow(QWidget* parent = nullptr);
    ~FullScreenWindow() override;

    // Shows the window full screen (ShowFullScreen) and parks the cursor.
    void ShowFullScreen();
    // Replaces the picture on screen with the given 800×600 image.
    void ShowPicture(const QImage& picture);
    const QImage& Picture() const { return picture_; }

    // Hides the mouse cursor; moving the mouse shows it again until the next park.
    void ParkCursor();
    // Brings the window to the front and gives it the keyboard focus.
    void FocusSlideWindow();

    ResourcePanel& Resources() { return *resourcePanel_; }
    // The thumbnail preview frame and pause symbol (BorderPic).
    PreviewOverlay& Preview() { return *preview_; }
    // The picture as it is on screen with every panel over it, at 800×600.
    QImage RenderScene();
    // Maps a point of the window to the 800×600 picture coordinates.
    QPointF MapToPicture(const QPoint& windowPoint) const;

    // Key presses and releases are handed to the playback layer, which owns their meaning.
    std::function<void(QKeyEvent*)> OnKeyPress;
    std::function<void(QKeyEvent*)> OnKeyRelease;
    std::function<void(QMouseEvent*)> OnMouseMove;
    std::function<void(QMouseEvent*)> OnMouseRelease;
    std::function<void()> OnCloseRequest;
    // The window became the active window.
    std::function<void()> OnActivated;

Q_SIGNALS:
    // A new picture has been handed to the screen (benchmarks and tests watch it).
    void PictureShown();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FitPicture();
    bool DialogHasFocus() const;

    QGraphicsScene* scene_ = nullptr;
    QGraphicsPixmapItem* pictureItem_ = nullptr;
    ResourcePanel* resourcePanel_ = nullptr;
    QGraphicsProxyWidget* resourceProxy_ = nullptr;
    PreviewOverlay* preview_ = nullptr;
    QImage picture_;
};

} // namespace zentil
