#include "playback/ShowEvents.h"

#include "playback/PlaybackState.h"

using namespace Qt::Literals::StringLiterals;

namespace zentil {

QString ShowStateName(ShowState state)
{
    switch (state) {
    case ShowState::NoShow:
        return u"NoShow"_s;
    case ShowState::WaitingForStart:
        return u"WaitingForStart"_s;
    case ShowState::Playing:
        return u"Playing"_s;
    case ShowState::Paused:
        return u"Paused"_s;
    case ShowState::ChoosingSlide:
        return u"ChoosingSlide"_s;
    case ShowState::EndSlide:
        return u"EndSlide"_s;
    case ShowState::ModalCommand:
        return u"ModalCommand"_s;
    }
    return {};
}

QString DefaultSlideName(DefaultSlide slide)
{
    switch (slide) {
    case DefaultSlide::NotShown:
        return {};
    case DefaultSlide::NoPresentation:
        return u"none"_s;
    case DefaultSlide::Loading:
        return u"load"_s;
    case DefaultSlide::EndOfShow:
        return u"end"_s;
    }
    return {};
}

// ---- The key bindings ----------------------------------------------------------------------

ShowCommand CommandForKey(Qt::Key key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Pause:
    case Qt::Key_Space:
        return ShowCommand::TogglePause;
    case Qt::Key_Escape:
        return ShowCommand::Exit;
    case Qt::Key_Home:
        return ShowCommand::FirstSlide;
    case Qt::Key_End:
        return ShowCommand::LastSlide;
    case Qt::Key_PageDown:
    case Qt::Key_Right:
    case Qt::Key_Down:
        return ShowCommand::NextSlide;
    case Qt::Key_PageUp:
    case Qt::Key_Left:
    case Qt::Key_Up:
        return ShowCommand::PreviousSlide;
    case Qt::Key_I:
        return ShowCommand::ToggleInfoPanel;
    default:
        return ShowCommand::None;
    }
}

bool IsNavigationCommand(ShowCommand command)
{
    return command == ShowCommand::FirstSlide || command == ShowCommand::LastSlide
        || command == ShowCommand::NextSlide || command == ShowCommand::PreviousSlide;
}

} // namespace zentil
