#pragma once

#include <QColor>
#include <QGraphicsView>
#include <QImage>
#include <QPointer>

#include <functional>

class QGraphicsScene;
class QScreen;
class QWidget;

namespace zentil {

class PreviewOverlay;
class ResourcePanel;

// The one window of the player: full screen (borderless) or an ordinary resizable window. The
// slide keeps its 800×600 coordinates and is shown at the size it has on screen, aspect kept,
// with black bars around it: the drawing side renders it at that size in device pixels
// (OnSlideSizeChanged tells it), so the picture is copied pixel for pixel. Panels live in the
// same 800×600 scene coordinates and are drawn by the view at the screen's resolution; mouse
// positions map back to them.
class FullScreenWindow : public QGraphicsView {
    Q_OBJECT
public:
    static constexpr int kVirtualWidth = 800;
    static constexpr int kVirtualHeight = 600;

    explicit FullScreenWindow(QWidget* parent = nullptr);
    ~FullScreenWindow() override;

    // The screen to play on: its number in the system's list, or -1 for the screen the
    // pointer is on. A number that names no screen falls back to the pointer's screen.
    void SetScreenChoice(int screenNumber);
    // Shows the window full screen on the chosen screen (ShowFullScreen) and parks the cursor.
    void ShowFullScreen();
    // Switches between full screen and a window of the slide's aspect (F, F11).
    void ToggleFullScreen();
    bool IsFullScreen() const { return fullScreen_; }
    // The screen the window is kept on.
    QScreen* TargetScreen() const;

    // Replaces the picture on screen. A picture of the slide's on-screen size is shown pixel
    // for pixel; any other size is scaled to fit.
    void ShowPicture(const QImage& picture);
    const QImage& Picture() const { return picture_; }
    // The slide's size on screen in device pixels, and where it is in the window (logical).
    QSize SlideSize() const { return slideSize_; }
    QRectF SlideRect() const { return slideRect_; }

    // Covers the whole window in one colour (B: black, W: white) until HideBlank.
    void ShowBlank(const QColor& colour);
    void HideBlank();
    bool Blanked() const { return blank_.isValid(); }
    const QColor& BlankColour() const { return blank_; }

    // Hides the mouse cursor; moving the mouse shows it again until the next park.
    void ParkCursor();
    // Brings the window to the front and gives it the keyboard focus.
    void FocusSlideWindow();

    // The waiting and download panel, made when it is first needed and put into the scene when
    // it is first shown: a widget in the scene costs more than a whole slide, and most shows
    // start without ever showing it.
    ResourcePanel& Resources();
    bool ResourcesVisible() const;
    void HideResources();
    // The thumbnail preview frame and pause symbol (BorderPic).
    PreviewOverlay& Preview() { return *preview_; }
    // The picture with every panel over it at the given size (800×600 unless told).
    QImage RenderScene(QSize size = QSize(kVirtualWidth, kVirtualHeight));

    // Key presses and releases are handed to the playback layer, which owns their meaning.
    std::function<void(QKeyEvent*)> OnKeyPress;
    std::function<void(QKeyEvent*)> OnKeyRelease;
    std::function<void(QMouseEvent*)> OnMouseMove;
    std::function<void(QMouseEvent*)> OnMouseRelease;
    // The wheel turned by whole notches: positive away from the user (back), negative towards.
    std::function<void(int notches)> OnWheel;
    std::function<void()> OnCloseRequest;
    // The window became the active window.
    std::function<void()> OnActivated;
    // The slide's size on screen changed (device pixels): the picture is to be drawn again.
    std::function<void(QSize)> OnSlideSizeChanged;

Q_SIGNALS:
    // A new picture has been handed to the screen (benchmarks and tests watch it).
    void PictureShown();

protected:
    void drawBackground(QPainter* painter, const QRectF& rect) override;
    void drawForeground(QPainter* painter, const QRectF& rect) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FitPicture();
    bool DialogHasFocus() const;
    void PlaceOnScreen();
    void WatchScreens();

    QGraphicsScene* scene_ = nullptr;
    ResourcePanel* resourcePanel_ = nullptr;
    PreviewOverlay* preview_ = nullptr;
    QImage picture_; // null (black) until the first picture is shown
    QSize slideSize_ { kVirtualWidth, kVirtualHeight };
    QRectF slideRect_ { 0, 0, kVirtualWidth, kVirtualHeight };
    int screenChoice_ = -1;
    QPointer<QScreen> screen_;
    bool fullScreen_ = true;
    int wheelRemainder_ = 0;
    QColor blank_;
};

} // namespace zentil
