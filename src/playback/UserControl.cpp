#include "playback/UserControl.h"

#include "base/DebugLog.h"
#include "platform/MonotonicClock.h"
#include "playback/PlaybackHost.h"
#include "playback/PlaybackState.h"
#include "playback/PreviewOverlay.h"
#include "playback/SlideSequencer.h"
#include "playback/WavePlayer.h"
#include "script/PresentationModel.h"

#include <QFileInfo>
#include <QImage>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {
QString Bool(bool value)
{
    return value ? u"True"_s : u"False"_s;
}

bool IsNavigationKey(ControlKey key)
{
    switch (key) {
    case ControlKey::Home:
    case ControlKey::End:
    case ControlKey::PageUp:
    case ControlKey::Left:
    case ControlKey::Up:
    case ControlKey::PageDown:
    case ControlKey::Right:
    case ControlKey::Down:
        return true;
    default:
        return false;
    }
}

bool IsForwardKey(ControlKey key)
{
    return key == ControlKey::PageDown || key == ControlKey::Right || key == ControlKey::Down;
}

bool IsBackwardKey(ControlKey key)
{
    return key == ControlKey::PageUp || key == ControlKey::Left || key == ControlKey::Up;
}
} // namespace

ControlKey ControlKeyFromQt(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return ControlKey::Enter;
    case Qt::Key_Pause:
        return ControlKey::Pause;
    case Qt::Key_Escape:
        return ControlKey::Escape;
    case Qt::Key_Space:
        return ControlKey::Space;
    case Qt::Key_PageUp:
        return ControlKey::PageUp;
    case Qt::Key_PageDown:
        return ControlKey::PageDown;
    case Qt::Key_End:
        return ControlKey::End;
    case Qt::Key_Home:
        return ControlKey::Home;
    case Qt::Key_Left:
        return ControlKey::Left;
    case Qt::Key_Up:
        return ControlKey::Up;
    case Qt::Key_Right:
        return ControlKey::Right;
    case Qt::Key_Down:
        return ControlKey::Down;
    case Qt::Key_I:
        return ControlKey::LetterI;
    default:
        return ControlKey::Other;
    }
}

UserControl::UserControl(SlideShowModel& model, PlaybackState& state, PlaybackHost& host,
    SlideSequencer& sequencer, PreviewOverlay& overlay, const MonotonicClock& clock, DebugLog& log)
    : model_(model)
    , state_(state)
    , host_(host)
    , sequencer_(sequencer)
    , overlay_(overlay)
    , clock_(clock)
    , log_(log)
{ }

double UserControl::Now() const
{
    return clock_.SecondsSinceMidnight();
}

bool UserControl::AtEndSlide() const
{
    return state_.DefaultSlideShown == u"end"_s;
}

bool UserControl::ThumbnailExists(int n) const
{
    if (n < 1 || n > model_.SlideCount() || static_cast<size_t>(n) > model_.ThumbnailImage.size())
        return false;
    const QString& path = model_.ThumbnailImage[static_cast<size_t>(n - 1)];
    return !path.isEmpty() && QFileInfo(path).isFile();
}

// ---- Keys ----------------------------------------------------------------------------------

void UserControl::KeyDown(ControlKey key)
{
    // Player commands and the preview let events run; a key-down arriving meanwhile is dropped.
    if (keyDownBusy_ || state_.ExitInProgress)
        return;
    keyDownBusy_ = true;
    state_.NewSlideTime = Now();
    HandleKeyDown(key);
    keyDownBusy_ = false;
}

void UserControl::HandleKeyDown(ControlKey key)
{
    if (key != ControlKey::LetterI && hooks_.InfoPanelVisible && hooks_.InfoPanelVisible()
        && hooks_.CloseInfoPanel)
        hooks_.CloseInfoPanel();
    if (key == ControlKey::Escape) {
        ExitSequence();
        return;
    }
    if (model_.SlideCount() < 1)
        return;
    if (key == ControlKey::Enter || key == ControlKey::Pause || key == ControlKey::Space) {
        PauseToggle();
        return;
    }
    if (!IsNavigationKey(key))
        return;
    if (state_.NewSlideNumber <= 0)
        key = StartNavigation(key);
    Navigate(key);
}

// The first navigation key pauses the narration and starts the choice at the slide on screen.
ControlKey UserControl::StartNavigation(ControlKey key)
{
    state_.PreviewThumbnailActive = true;
    pausedBeforeNavigation_ = state_.PreviewPauseActive;
    if (state_.PreviewPauseActive)
        state_.PreviewPauseActive = false; // the narration is already paused
    else
        PauseNarration();
    state_.NewSlideTime = Now();
    state_.NewSlideNumber = std::max(model_.CurrentSlide.Index, 1);
    ZT_DEBUG(log_, TraceUserControl, "status",
        u"Navigation started: NewSlideNumber = %1"_s.arg(state_.NewSlideNumber));
    // From the end slide every step goes to the last slide there is.
    if (AtEndSlide() && (IsForwardKey(key) || IsBackwardKey(key)))
        return ControlKey::End;
    return key;
}

void UserControl::Navigate(ControlKey key)
{
    const int count = model_.SlideCount();
    const bool frameHidden = overlay_.Shown() == PreviewOverlay::Content::Nothing;
    int chosen = 0;
    if (key == ControlKey::Home) {
        if (frameHidden || state_.NewSlideNumber >= 2 || AtEndSlide())
            chosen = 1;
    } else if (key == ControlKey::End) {
        if (frameHidden || state_.NewSlideNumber < count || AtEndSlide())
            chosen = HighestSlideWithThumbnail();
    } else if (IsForwardKey(key)) {
        if (state_.NewSlideNumber < count && ThumbnailExists(state_.NewSlideNumber + 1))
            chosen = state_.NewSlideNumber + 1;
    } else if (IsBackwardKey(key)) {
        if (state_.NewSlideNumber >= 2)
            chosen = state_.NewSlideNumber - 1;
    }
    if (chosen < 1)
        return;
    state_.NewSlideNumber = chosen;
    ShowThumbnailImage();
}

void UserControl::ChooseSlide(int n)
{
    if (keyDownBusy_ || state_.ExitInProgress || model_.SlideCount() < 1 || !state_.ShowPlaying)
        return;
    if (state_.NewSlideNumber <= 0)
        StartNavigation(ControlKey::Other);
    state_.NewSlideNumber = std::clamp(n, 1, model_.SlideCount());
    ShowThumbnailImage();
    state_.NewSlideTime = Now() - kNavigationQuietSeconds;
}

int UserControl::HighestSlideWithThumbnail() const
{
    for (int n = model_.SlideCount(); n >= 1; --n)
        if (ThumbnailExists(n))
            return n;
    return 1;
}

void UserControl::KeyUp(ControlKey key)
{
    if (state_.ExitInProgress)
        return;
    if (IsNavigationKey(key)) {
        // The quiet period counts from the last release, so a held key commits after it ends.
        state_.NewSlideTime = Now();
    } else if (key == ControlKey::LetterI && hooks_.ToggleInfoPanel) {
        hooks_.ToggleInfoPanel();
    }
}

// ---- Mouse ---------------------------------------------------------------------------------

void UserControl::MouseMove()
{
    if (++mouseMoveCount_ >= 10) {
        mouseMoveCount_ = 0;
        state_.MouseMoveTime = Now();
    }
}

void UserControl::LeftButtonUp()
{
    if (hooks_.InfoPanelVisible && hooks_.InfoPanelVisible() && hooks_.CloseInfoPanel)
        hooks_.CloseInfoPanel();
    if (!state_.VolumePanelJustShown && hooks_.VolumePanelVisible && hooks_.VolumePanelVisible()
        && state_.VolumePanelTime > 0) {
        if (hooks_.HideVolumePanel)
            hooks_.HideVolumePanel();
        state_.VolumePanelTime = 0;
        host_.ParkCursor();
    }
    state_.PopupMenuOpen = false;
    state_.VolumePanelJustShown = false;
}

void UserControl::RightButtonUp()
{
    if (hooks_.InfoPanelVisible && hooks_.InfoPanelVisible() && hooks_.CloseInfoPanel)
        hooks_.CloseInfoPanel();
    if (hooks_.HideVolumePanel)
        hooks_.HideVolumePanel();
    state_.VolumePanelTime = 0;
    state_.PopupMenuOpen = true;
    const bool fileMenu = !state_.ShowPlaying && !AtEndSlide();
    if (hooks_.PopUpMenu)
        hooks_.PopUpMenu(fileMenu);
    state_.VolumePanelJustShown = false;
}

// ---- Pause ---------------------------------------------------------------------------------

// "Pause" toggles a player, so it is sent only to one that is playing.
void UserControl::PauseNarration()
{
    WavePlayer& player = host_.WaveControl(model_.CurrentSlide.ResourceSet);
    if (player.Mode() != WaveMode::Playing)
        return;
    player.Command(WaveCommand::Pause);
}

void UserControl::PlayNarration()
{
    host_.WaveControl(model_.CurrentSlide.ResourceSet).Command(WaveCommand::Play);
}

void UserControl::PauseToggle()
{
    ZT_DEBUG(log_, TraceUserControl, "status",
        u"PauseToggle - PreviewPauseActive = "_s + Bool(state_.PreviewPauseActive)
            + u"; PreviewThumbnailActive = "_s + Bool(state_.PreviewThumbnailActive));
    pausedBeforeNavigation_ = false;
    if (state_.PreviewPauseActive) {
        state_.PreviewThumbnailActive = false;
        state_.NewSlideNumber = 0;
        state_.NewSlideTime = 0;
        UnpausePresentation();
        PlayNarration();
        return;
    }
    state_.PreviewPauseActive = true;
    if (state_.PreviewThumbnailActive) {
        // The narration is already paused for the navigation, which is cancelled.
        state_.PreviewThumbnailActive = false;
        state_.PreviewThumbnailVisible = false;
        state_.NewSlideNumber = 0;
        state_.NewSlideTime = 0;
    } else {
        PauseNarration();
    }
    ShowPauseImage();
    state_.CheckWavePosition = false;
}

void UserControl::ShowPauseImage()
{
    overlay_.HideFrame();
    overlay_.ShowPause();
    state_.PreviewThumbnailVisible = false;
    state_.PreviewPauseActive = true;
    state_.PreviewPauseVisible = true;
    ZT_DEBUG(log_, TraceUserControl, "status",
        u"ShowPauseImage: PreviewPauseActive = True; PreviewPauseVisible = True"_s);
}

void UserControl::UnpausePresentation()
{
    overlay_.HideFrame();
    state_.PreviewPauseActive = false;
    state_.PreviewPauseVisible = false;
    state_.CheckWavePosition = true;
    ZT_DEBUG(log_, TraceUserControl, "status",
        u"UnpausePresentation: PreviewPauseActive = False; PreviewPauseVisible = False"_s);
}

// ---- Preview and commit --------------------------------------------------------------------

void UserControl::ShowThumbnailImage()
{
    const int n = state_.NewSlideNumber;
    ZT_DEBUG(
        log_, TraceProcedures, "enter", u"ShowThumbnailImage - ThumbnailSlideNumber = %1"_s.arg(n));
    if (ThumbnailExists(n)) {
        state_.PreviewThumbnailVisible = true;
        state_.PreviewPauseVisible = false;
        ZT_DEBUG(log_, TraceUserControl, "status",
            u"Setting PreviewThumbnailVisible = True; PreviewPauseVisible = False"_s);
        const QImage thumbnail(model_.ThumbnailImage[static_cast<size_t>(n - 1)]);
        overlay_.ShowThumbnail(thumbnail, u"%1 of %2"_s.arg(n).arg(model_.SlideCount()));
        ZT_DEBUG(log_, TraceUserControl, "status", u"Setting BorderPic.Visible = True"_s);
        host_.LetEventsRun();
    }
    ZT_DEBUG(log_, TraceProcedures, "exit", u"ShowThumbnailImage"_s);
}

void UserControl::CommitNavigation()
{
    // A narration end being handled (it may be waiting before the end slide) finishes first;
    // the choice is played right after it.
    if (commitRunning_ || state_.WaveControlBusy || state_.NewSlideNumber < 1
        || state_.NewSlideTime == 0
        || std::fabs(Now() - state_.NewSlideTime) < kNavigationQuietSeconds)
        return;
    commitRunning_ = true;
    const int chosen = state_.NewSlideNumber;
    ZT_DEBUG(log_, TraceUserControl, "status",
        u"HeartbeatTimer: NewSlideNumber = %1; KeyUpTime = %2"_s.arg(chosen).arg(
            DebugLog::FormatSeconds(state_.NewSlideTime)));
    state_.NewSlideNumber = 0;
    state_.NewSlideTime = 0;
    state_.PreviewThumbnailActive = false;
    state_.PreviewThumbnailVisible = false;
    const bool stayPaused = state_.PreviewPauseActive || pausedBeforeNavigation_;
    pausedBeforeNavigation_ = false;
    // On a built-in slide (the end slide) nothing is playing, so even the slide it follows is
    // started again rather than resumed.
    if (chosen != model_.CurrentSlide.Index || !state_.DefaultSlideShown.isEmpty()) {
        if (state_.PreviewPauseVisible)
            UnpausePresentation();
        overlay_.HideFrame();
        // Leaving the end slide for a slide of the show plays the show again.
        state_.ShowPlaying = true;
        state_.SlideChangeInProgress = true;
        sequencer_.PlayGivenSlide(chosen);
        state_.SlideChangeInProgress = false;
    } else if (stayPaused) {
        ShowPauseImage();
    } else {
        overlay_.HideFrame();
        PlayNarration();
    }
    commitRunning_ = false;
}

// ---- Leaving -------------------------------------------------------------------------------

void UserControl::ExitSequence()
{
    state_.CheckWavePosition = false;
    state_.NewSlideNumber = 0;
    state_.NewSlideTime = 0;
    // The place is taken before the players close, so the quit point keeps it.
    const qint64 position = host_.WaveControl(model_.CurrentSlide.ResourceSet).Position();
    for (SlidePlay* play : { &model_.CurrentSlide, &model_.NextSlide }) {
        WavePlayer& player = host_.WaveControl(play->ResourceSet);
        player.Command(WaveCommand::Stop);
        player.Command(WaveCommand::Close);
        play->SoundLoaded = false;
    }
    if (hooks_.LeaveShow)
        hooks_.LeaveShow(position);
}

} // namespace zentil
