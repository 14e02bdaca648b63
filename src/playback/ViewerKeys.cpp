#include "playback/ViewerKeys.h"

#include <Qt>

#include <cstdlib>

namespace zentil {

namespace {
constexpr int kMaxTypedDigits = 5;

bool IsOwnKey(int key)
{
    switch (key) {
    case Qt::Key_F:
    case Qt::Key_F11:
    case Qt::Key_F1:
    case Qt::Key_Question:
    case Qt::Key_H:
    case Qt::Key_Q:
    case Qt::Key_B:
    case Qt::Key_Period:
    case Qt::Key_W:
    case Qt::Key_Comma:
        return true;
    default:
        return key >= Qt::Key_0 && key <= Qt::Key_9;
    }
}
} // namespace

bool ViewerKeys::IsStepKey(int key)
{
    switch (key) {
    case Qt::Key_Right:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

bool ViewerKeys::KeyDown(int key, bool autoRepeat)
{
    if (autoRepeat && !IsStepKey(key))
        return true;
    const bool digit = key >= Qt::Key_0 && key <= Qt::Key_9;
    if (digit) {
        if (typed_.size() < kMaxTypedDigits)
            typed_ += QChar(u'0' + (key - Qt::Key_0));
        return true;
    }
    const QString typed = typed_;
    typed_.clear();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !typed.isEmpty()) {
        if (hooks_.GoToSlide && !Blanked())
            hooks_.GoToSlide(typed.toInt());
        return true;
    }
    switch (key) {
    case Qt::Key_F:
    case Qt::Key_F11:
        if (hooks_.ToggleFullScreen)
            hooks_.ToggleFullScreen();
        return true;
    case Qt::Key_F1:
    case Qt::Key_Question:
    case Qt::Key_H:
        if (hooks_.ShowHelp)
            hooks_.ShowHelp();
        return true;
    case Qt::Key_Q:
        if (hooks_.Leave)
            hooks_.Leave();
        return true;
    case Qt::Key_B:
    case Qt::Key_Period:
        ToggleBlank(Qt::black);
        return true;
    case Qt::Key_W:
    case Qt::Key_Comma:
        ToggleBlank(Qt::white);
        return true;
    case Qt::Key_Escape:
        return false;
    default:
        // While the screen is blank the show's keys wait, so nothing moves unseen.
        return Blanked();
    }
}

bool ViewerKeys::KeyUp(int key, bool autoRepeat)
{
    if (autoRepeat && !IsStepKey(key))
        return true;
    return IsOwnKey(key) || (Blanked() && key != Qt::Key_Escape);
}

void ViewerKeys::Wheel(int notches)
{
    if (Blanked() || notches == 0 || !hooks_.Step)
        return;
    for (int step = 0; step < std::abs(notches); ++step)
        hooks_.Step(notches < 0);
}

void ViewerKeys::LeftClick()
{
    if (!Blanked() && hooks_.Step)
        hooks_.Step(true);
}

void ViewerKeys::ToggleBlank(const QColor& colour)
{
    if (Blanked() && blank_ == colour) {
        blank_ = QColor();
        if (hooks_.Blank)
            hooks_.Blank(blank_);
        if (pausedForBlank_ && hooks_.PauseToggle)
            hooks_.PauseToggle();
        pausedForBlank_ = false;
        return;
    }
    if (!Blanked() && hooks_.NarrationPlaying && hooks_.NarrationPlaying() && hooks_.PauseToggle) {
        hooks_.PauseToggle();
        pausedForBlank_ = true;
    }
    blank_ = colour;
    if (hooks_.Blank)
        hooks_.Blank(blank_);
}

} // namespace zentil
