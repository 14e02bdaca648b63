#pragma once

#include <QObject>
#include <QPoint>

#include <functional>
#include <utility>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace zentil {

struct PlaybackState;

// What the menu items do. An item whose action is empty is shown disabled, so a feature that is
// not there is never offered as a command that silently does nothing.
struct MenuActions {
    std::function<void()> LoadNewShow; // FileOpen
    std::function<void()> SaveCurrentShow; // FileSave, SlideSave
    std::function<void()> SetProxyServer; // FileProxy, SlideProxy
    std::function<void()> PrintSlides; // FilePrint, SlidePrintSlides
    std::function<void()> Help; // FileHelp, SlideHelp
    std::function<void()> ExitZentil; // FileExit, SlideExit
    std::function<void()> AdjustVolume; // SlideVolume
    std::function<void()> PauseToggle; // PausePlay, ResumePlay
    std::function<void()> ParkCursor;
};

// The two popup menus of the slide window: File (`FileOptions`, before a show plays) and Slides
// (`SlideOptions`, while one plays or at its end). They are never in a menu bar; a right click
// pops one up. Menus and items carry their names as object names.
class PopupMenus : public QObject {
    Q_OBJECT
public:
    PopupMenus(PlaybackState& state, QWidget* parent);
    ~PopupMenus() override;

    void SetActions(MenuActions actions);
    // Pops the chosen menu up at the given screen position without waiting for the choice.
    void PopUp(bool fileMenu, const QPoint& globalPosition);

    QMenu& FileOptions() { return *fileMenu_; }
    QMenu& SlideOptions() { return *slideMenu_; }

private:
    QAction* AddItem(QMenu& menu, const QString& name, const QString& caption,
        std::function<void()> MenuActions::*action, bool clearsPopupFlag);
    void RefreshEnabling();
    void ChoosePauseItem(bool pausing);

    PlaybackState& state_;
    MenuActions actions_;
    QMenu* fileMenu_;
    QMenu* slideMenu_;
    QAction* pausePlay_ = nullptr;
    QAction* resumePlay_ = nullptr;
    std::vector<std::pair<QAction*, std::function<void()> MenuActions::*>> items_;
};

} // namespace zentil
