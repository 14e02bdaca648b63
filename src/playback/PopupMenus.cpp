#include "playback/PopupMenus.h"

#include "playback/PlaybackState.h"

#include <QMenu>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

PopupMenus::PopupMenus(PlaybackState& state, QWidget* parent)
    : QObject(parent)
    , state_(state)
    , fileMenu_(new QMenu(u"&File"_s, parent))
    , slideMenu_(new QMenu(u"&Slides"_s, parent))
{
    fileMenu_->setObjectName(u"FileOptions"_s);
    slideMenu_->setObjectName(u"SlideOptions"_s);

    AddItem(*fileMenu_, u"FileOpen"_s, u"&Load New Show"_s, &MenuActions::LoadNewShow, true);
    AddItem(
        *fileMenu_, u"FileSave"_s, u"&Save Current Show"_s, &MenuActions::SaveCurrentShow, true);
    AddItem(*fileMenu_, u"FilePrint"_s, u"&Print Slides"_s, &MenuActions::PrintSlides, false);
    AddItem(
        *fileMenu_, u"FileProxy"_s, u"Set P&roxy Server"_s, &MenuActions::SetProxyServer, false);
    AddItem(*fileMenu_, u"FileHelp"_s, u"&Help"_s, &MenuActions::Help, true);
    fileMenu_->addSeparator()->setObjectName(u"menuline1"_s);
    AddItem(*fileMenu_, u"FileExit"_s, u"&Exit Zentil"_s, &MenuActions::ExitZentil, false);

    pausePlay_ = slideMenu_->addAction(u"&Pause Play"_s);
    pausePlay_->setObjectName(u"PausePlay"_s);
    connect(pausePlay_, &QAction::triggered, this, [this] { ChoosePauseItem(true); });
    resumePlay_ = slideMenu_->addAction(u"&Resume Play"_s);
    resumePlay_->setObjectName(u"ResumePlay"_s);
    connect(resumePlay_, &QAction::triggered, this, [this] { ChoosePauseItem(false); });
    AddItem(*slideMenu_, u"SlideVolume"_s, u"Adjust &Volume"_s, &MenuActions::AdjustVolume, false);
    AddItem(
        *slideMenu_, u"SlideSave"_s, u"&Save Current Show"_s, &MenuActions::SaveCurrentShow, true);
    AddItem(
        *slideMenu_, u"SlideProxy"_s, u"Set P&roxy Server"_s, &MenuActions::SetProxyServer, false);
    AddItem(*slideMenu_, u"SlideHelp"_s, u"&Help"_s, &MenuActions::Help, true);
    AddItem(
        *slideMenu_, u"SlidePrintSlides"_s, u"&Print Slides"_s, &MenuActions::PrintSlides, false);
    slideMenu_->addSeparator()->setObjectName(u"menuline3"_s);
    AddItem(*slideMenu_, u"SlideExit"_s, u"&Exit Zentil"_s, &MenuActions::ExitZentil, false);

    // A menu closed without a choice ends like a click on the slide: the menu is no longer
    // open, so the cursor may be parked again.
    for (QMenu* menu : { fileMenu_, slideMenu_ })
        connect(menu, &QMenu::aboutToHide, this, [this] { state_.PopupMenuOpen = false; });
    RefreshEnabling();
}

PopupMenus::~PopupMenus() = default;

QAction* PopupMenus::AddItem(QMenu& menu, const QString& name, const QString& caption,
    std::function<void()> MenuActions::*action, bool clearsPopupFlag)
{
    QAction* item = menu.addAction(caption);
    item->setObjectName(name);
    connect(item, &QAction::triggered, this, [this, action, clearsPopupFlag] {
        // Copied first: the action may replace the menu's actions while it runs.
        const std::function<void()> run = actions_.*action;
        if (run)
            run();
        if (clearsPopupFlag)
            state_.PopupMenuOpen = false;
    });
    items_.emplace_back(item, action);
    return item;
}

void PopupMenus::SetActions(MenuActions actions)
{
    actions_ = std::move(actions);
    RefreshEnabling();
}

// Pause Play is offered while the show plays and Resume Play while it is paused, whichever way
// it was paused; Save Current Show only while a show is loaded.
void PopupMenus::RefreshEnabling()
{
    for (const auto& [item, action] : items_) {
        const bool needsShow = action == &MenuActions::SaveCurrentShow;
        item->setEnabled(
            static_cast<bool>(actions_.*action) && (!needsShow || state_.SlideShowLoaded));
    }
    const bool canToggle = static_cast<bool>(actions_.PauseToggle);
    const bool paused = state_.State == ShowState::Paused;
    pausePlay_->setEnabled(canToggle && !paused);
    resumePlay_->setEnabled(canToggle && paused);
}

void PopupMenus::ChoosePauseItem(bool pausing)
{
    if (actions_.PauseToggle)
        actions_.PauseToggle();
    pausePlay_->setEnabled(!pausing);
    resumePlay_->setEnabled(pausing);
    state_.PopupMenuOpen = false;
    if (actions_.ParkCursor)
        actions_.ParkCursor();
}

void PopupMenus::PopUp(bool fileMenu, const QPoint& globalPosition)
{
    RefreshEnabling();
    (fileMenu ? fileMenu_ : slideMenu_)->popup(globalPosition);
}

} // namespace zentil
