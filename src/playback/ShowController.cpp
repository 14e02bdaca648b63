#include "playback/ShowController.h"

#include "base/DebugLog.h"
#include "platform/MonotonicClock.h"
#include "playback/PlaybackHost.h"
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

constexpr double kCursorHideSeconds = 5.0;

bool IsStep(ShowCommand command)
{
    return command == ShowCommand::NextSlide || command == ShowCommand::PreviousSlide;
}

} // namespace

ShowController::ShowController(SlideShowModel& model, PlaybackState& state, PlaybackHost& host,
    SlideSequencer& sequencer, PreviewOverlay& overlay, const MonotonicClock& clock, DebugLog& log)
    : model_(model)
    , state_(state)
    , host_(host)
    , sequencer_(sequencer)
    , overlay_(overlay)
    , clock_(clock)
    , log_(log)
{ }

void ShowController::SetHooks(ShowControllerHooks hooks)
{
    hooks_ = std::move(hooks);
    ViewerKeyHooks keys;
    keys.ToggleFullScreen = hooks_.ToggleFullScreen;
    keys.ShowHelp = hooks_.ShowHelp;
    keys.Blank = hooks_.Blank;
    keys.Leave = [this] { RunCommand(ShowCommand::Exit); };
    keys.Step = [this](bool forward) {
        const Qt::Key key = forward ? Qt::Key_Right : Qt::Key_Left;
        KeyDown(key);
        KeyUp(key);
    };
    keys.GoToSlide = [this](int n) { ChooseSlideNumber(n); };
    keys.NarrationPlaying = [this] { return state_.State == ShowState::Playing; };
    keys.PauseToggle = [this] { RunCommand(ShowCommand::TogglePause); };
    viewerKeys_.SetHooks(std::move(keys));
}

double ShowController::Now() const
{
    return clock_.SecondsSinceMidnight();
}

bool ShowController::ThumbnailExists(int n) const
{
    if (n < 1 || n > model_.SlideCount() || static_cast<size_t>(n) > model_.ThumbnailImage.size())
        return false;
    const QString& path = model_.ThumbnailImage[static_cast<size_t>(n - 1)];
    return !path.isEmpty() && QFileInfo(path).isFile();
}

// ---- The dispatch --------------------------------------------------------------------------

void ShowController::Dispatch(const ShowEvent& event)
{
    if (state_.ExitInProgress)
        return;
    using Kind = ShowEvent::Kind;
    switch (event.kind) {
    case Kind::KeyDown:
        if (!viewerKeys_.KeyDown(event.key, event.autoRepeat))
            KeyDown(event.key);
        return;
    case Kind::KeyUp:
        if (!viewerKeys_.KeyUp(event.key, event.autoRepeat))
            KeyUp(event.key);
        return;
    case Kind::Command:
        RunCommand(event.command);
        return;
    case Kind::LeftClick:
        LeftClick();
        return;
    case Kind::RightClick:
        RightClick();
        return;
    case Kind::MouseMove:
        MouseMove();
        return;
    case Kind::Wheel:
        viewerKeys_.Wheel(event.code);
        return;
    case Kind::Heartbeat:
        Heartbeat();
        return;
    case Kind::NarrationDone:
        sequencer_.WaveControlDone(event.player, event.code);
        // A narration that ended just as it was paused has moved the show on: it plays.
        if (event.code == 1 && state_.State == ShowState::Paused
            && host_.WaveControl(model_.CurrentSlide.ResourceSet).Mode() == WaveMode::Playing)
            ShowMovedTo(ShowState::Playing);
        return;
    case Kind::ShowReady:
        if (state_.State == ShowState::WaitingForStart
            || (state_.State == ShowState::ModalCommand
                && state_.StateBeforeCommand == ShowState::WaitingForStart)) {
            ShowMovedTo(ShowState::Playing);
            if (hooks_.StartShow)
                hooks_.StartShow();
        }
        return;
    }
}

// What a command does in each state.
void ShowController::RunCommand(ShowCommand command)
{
    const ShowState state = state_.State;
    switch (command) {
    case ShowCommand::Exit:
        ExitSequence();
        return;
    case ShowCommand::TogglePause:
        if (state == ShowState::Playing || state == ShowState::Paused
            || state == ShowState::ChoosingSlide)
            TogglePause();
        return;
    case ShowCommand::FirstSlide:
    case ShowCommand::LastSlide:
    case ShowCommand::NextSlide:
    case ShowCommand::PreviousSlide:
        if (CanChoose())
            ChooseSlide(command);
        return;
    case ShowCommand::ToggleInfoPanel:
        if (hooks_.ToggleInfoPanel)
            hooks_.ToggleInfoPanel();
        return;
    case ShowCommand::None:
        return;
    }
}

void ShowController::ShowMovedTo(ShowState state)
{
    ZT_DEBUG(log_, TraceUserControl, "status", u"ShowState = "_s + ShowStateName(state));
    // A choice under way when the show ends is made from the end slide.
    if (state_.State == ShowState::ChoosingSlide && state == ShowState::EndSlide) {
        state_.StateBeforeChoice = state;
        return;
    }
    // The pause symbol and the preview go with the pause and the choice they showed.
    if (state != ShowState::Paused && overlay_.Shown() == PreviewOverlay::Content::Pause)
        overlay_.HideFrame();
    if (state != ShowState::ChoosingSlide) {
        state_.ChosenSlide = 0;
        state_.LastNavigationKeyTime = 0;
        if (overlay_.Shown() == PreviewOverlay::Content::Thumbnail)
            overlay_.HideFrame();
    }
    if (state_.State == ShowState::ModalCommand)
        state_.StateBeforeCommand = state;
    else
        state_.State = state;
}

void ShowController::RunModalCommand(bool pausesNarration, const std::function<void()>& command)
{
    const ShowState before = state_.State;
    state_.State = ShowState::ModalCommand;
    state_.StateBeforeCommand = before;
    WavePlayer& player = host_.WaveControl(model_.CurrentSlide.ResourceSet);
    const bool pausedHere = pausesNarration && player.Mode() == WaveMode::Playing;
    if (pausedHere)
        player.Command(WaveCommand::Pause);
    command();
    if (state_.ExitInProgress)
        return;
    state_.State = state_.StateBeforeCommand;
    // Only a narration this command paused is resumed, and only when the show still plays it.
    if (pausedHere && state_.State == ShowState::Playing && player.Mode() == WaveMode::Paused)
        player.Command(WaveCommand::Pause);
}

// ---- Keys ----------------------------------------------------------------------------------

void ShowController::KeyDown(Qt::Key key)
{
    state_.LastNavigationKeyTime = Now();
    const ShowCommand command = CommandForKey(key);
    if (command != ShowCommand::ToggleInfoPanel && hooks_.InfoPanelVisible
        && hooks_.InfoPanelVisible() && hooks_.CloseInfoPanel)
        hooks_.CloseInfoPanel();
    // Without slides only Escape (and I, on its release) act.
    if (command == ShowCommand::ToggleInfoPanel
        || (command != ShowCommand::Exit && model_.SlideCount() < 1))
        return;
    RunCommand(command);
}

void ShowController::KeyUp(Qt::Key key)
{
    const ShowCommand command = CommandForKey(key);
    if (IsNavigationCommand(command))
        // The quiet period counts from the last release, so a held key commits after it ends.
        state_.LastNavigationKeyTime = Now();
    else if (command == ShowCommand::ToggleInfoPanel)
        RunCommand(command);
}

// ---- Mouse ---------------------------------------------------------------------------------

void ShowController::MouseMove()
{
    if (++mouseMoveCount_ >= 10) {
        mouseMoveCount_ = 0;
        state_.MouseMoveTime = Now();
    }
}

void ShowController::LeftClick()
{
    // A click that closes a panel or a menu only closes it; any other steps forward.
    const bool panelOpen = (hooks_.InfoPanelVisible && hooks_.InfoPanelVisible())
        || (hooks_.VolumePanelVisible && hooks_.VolumePanelVisible()) || state_.PopupMenuOpen;
    if (hooks_.InfoPanelVisible && hooks_.InfoPanelVisible() && hooks_.CloseInfoPanel)
        hooks_.CloseInfoPanel();
    if (hooks_.VolumePanelVisible && hooks_.VolumePanelVisible() && state_.VolumePanelTime > 0) {
        if (hooks_.HideVolumePanel)
            hooks_.HideVolumePanel();
        state_.VolumePanelTime = 0;
        host_.ParkCursor();
    }
    state_.PopupMenuOpen = false;
    if (!panelOpen)
        viewerKeys_.LeftClick();
}

void ShowController::RightClick()
{
    if (hooks_.InfoPanelVisible && hooks_.InfoPanelVisible() && hooks_.CloseInfoPanel)
        hooks_.CloseInfoPanel();
    if (hooks_.HideVolumePanel)
        hooks_.HideVolumePanel();
    state_.VolumePanelTime = 0;
    state_.PopupMenuOpen = true;
    if (hooks_.PopUpMenu)
        hooks_.PopUpMenu(state_.State == ShowState::NoShow);
}

// ---- Heartbeat -----------------------------------------------------------------------------

void ShowController::Heartbeat()
{
    if (!state_.SlideShowLoaded)
        return;
    if (host_.PlayerWindowActive() && !state_.PopupMenuOpen && state_.MouseMoveTime != 0
        && std::fabs(Now() - state_.MouseMoveTime) >= kCursorHideSeconds) {
        state_.MouseMoveTime = 0;
        host_.ParkCursor();
    }
    if (state_.State == ShowState::ChoosingSlide && state_.LastNavigationKeyTime != 0
        && std::fabs(Now() - state_.LastNavigationKeyTime) >= kNavigationQuietSeconds) {
        CommitChoice();
        if (state_.ExitInProgress)
            return;
    }
    if (state_.State != ShowState::WaitingForStart)
        sequencer_.HeartbeatTick();
}

// ---- Pause ---------------------------------------------------------------------------------

void ShowController::TracePauseToggle() const
{
    ZT_DEBUG(log_, TraceUserControl, "status",
        u"PauseToggle - PreviewPauseActive = "_s + BoolText(state_.State == ShowState::Paused)
            + u"; PreviewThumbnailActive = "_s
            + BoolText(state_.State == ShowState::ChoosingSlide));
}

void ShowController::TogglePause()
{
    TracePauseToggle();
    if (state_.State == ShowState::Paused) {
        Resume();
        return;
    }
    if (state_.State == ShowState::ChoosingSlide) {
        // The narration is already paused for the choice, which is cancelled.
        state_.ChosenSlide = 0;
        state_.LastNavigationKeyTime = 0;
    } else {
        PauseNarration();
    }
    Pause();
}

void ShowController::Pause()
{
    state_.State = ShowState::Paused;
    ShowPauseImage();
}

void ShowController::Resume()
{
    state_.State = ShowState::Playing;
    UnpausePresentation();
    PlayNarration();
}

// "Pause" toggles a player, so it is sent only to one that is playing.
void ShowController::PauseNarration()
{
    WavePlayer& player = host_.WaveControl(model_.CurrentSlide.ResourceSet);
    if (player.Mode() == WaveMode::Playing)
        player.Command(WaveCommand::Pause);
}

void ShowController::PlayNarration()
{
    host_.WaveControl(model_.CurrentSlide.ResourceSet).Command(WaveCommand::Play);
}

void ShowController::ShowPauseImage()
{
    overlay_.HideFrame();
    overlay_.ShowPause();
    ZT_DEBUG(log_, TraceUserControl, "status",
        u"ShowPauseImage: PreviewPauseActive = True; PreviewPauseVisible = True"_s);
}

void ShowController::UnpausePresentation()
{
    overlay_.HideFrame();
    ZT_DEBUG(log_, TraceUserControl, "status",
        u"UnpausePresentation: PreviewPauseActive = False; PreviewPauseVisible = False"_s);
}

// ---- Choosing a slide ----------------------------------------------------------------------

void ShowController::ChooseSlide(ShowCommand command)
{
    const bool starting = state_.State != ShowState::ChoosingSlide;
    if (starting) {
        StartChoice();
        // From the end slide every step goes to the last slide there is.
        if (state_.StateBeforeChoice == ShowState::EndSlide && IsStep(command))
            command = ShowCommand::LastSlide;
    }
    const int count = model_.SlideCount();
    const int chosenNow = state_.ChosenSlide;
    const bool frameHidden = overlay_.Shown() == PreviewOverlay::Content::Nothing;
    const bool atEnd = state_.StateBeforeChoice == ShowState::EndSlide;
    int chosen = 0;
    switch (command) {
    case ShowCommand::FirstSlide:
        if (frameHidden || chosenNow >= 2 || atEnd)
            chosen = 1;
        break;
    case ShowCommand::LastSlide:
        if (frameHidden || chosenNow < count || atEnd)
            chosen = HighestSlideWithThumbnail();
        break;
    case ShowCommand::NextSlide:
        if (chosenNow < count && ThumbnailExists(chosenNow + 1))
            chosen = chosenNow + 1;
        break;
    case ShowCommand::PreviousSlide:
        if (chosenNow >= 2)
            chosen = chosenNow - 1;
        break;
    default:
        break;
    }
    if (chosen < 1)
        return;
    state_.ChosenSlide = chosen;
    ShowThumbnailImage();
}

// Nothing is chosen before the show has started or while a command asks the user.
bool ShowController::CanChoose() const
{
    const ShowState state = state_.State;
    return state == ShowState::Playing || state == ShowState::Paused || state == ShowState::EndSlide
        || state == ShowState::ChoosingSlide;
}

// A slide number typed and Enter: chosen with its preview, played at the next heartbeat.
void ShowController::ChooseSlideNumber(int n)
{
    if (!CanChoose() || model_.SlideCount() < 1)
        return;
    if (state_.State != ShowState::ChoosingSlide)
        StartChoice();
    state_.ChosenSlide = std::clamp(n, 1, model_.SlideCount());
    ShowThumbnailImage();
    state_.LastNavigationKeyTime = Now() - kNavigationQuietSeconds;
}

// The first navigation key pauses the narration and starts the choice at the slide on screen.
void ShowController::StartChoice()
{
    state_.StateBeforeChoice = state_.State;
    if (state_.State == ShowState::Playing)
        PauseNarration();
    state_.State = ShowState::ChoosingSlide;
    state_.LastNavigationKeyTime = Now();
    state_.ChosenSlide = std::max(model_.CurrentSlide.Index, 1);
    ZT_DEBUG(log_, TraceUserControl, "status",
        u"Navigation started: NewSlideNumber = %1"_s.arg(state_.ChosenSlide));
}

int ShowController::HighestSlideWithThumbnail() const
{
    for (int n = model_.SlideCount(); n >= 1; --n)
        if (ThumbnailExists(n))
            return n;
    return 1;
}

void ShowController::ShowThumbnailImage()
{
    const int n = state_.ChosenSlide;
    ZT_TRACE_SCOPE_ARGS(log_, u"ShowThumbnailImage"_s, u"ThumbnailSlideNumber = %1"_s.arg(n));
    if (!ThumbnailExists(n))
        return;
    ZT_DEBUG(log_, TraceUserControl, "status",
        u"Setting PreviewThumbnailVisible = True; PreviewPauseVisible = False"_s);
    const QImage thumbnail(model_.ThumbnailImage[static_cast<size_t>(n - 1)]);
    overlay_.ShowThumbnail(thumbnail, u"%1 of %2"_s.arg(n).arg(model_.SlideCount()));
    ZT_DEBUG(log_, TraceUserControl, "status", u"Setting BorderPic.Visible = True"_s);
}

// Plays the chosen slide; coming back to the slide on screen resumes it as it was (paused stays
// paused). On the end slide nothing is playing, so even the slide it follows is started again.
void ShowController::CommitChoice()
{
    const int chosen = state_.ChosenSlide;
    ZT_DEBUG(log_, TraceUserControl, "status",
        u"HeartbeatTimer: NewSlideNumber = %1; KeyUpTime = %2"_s.arg(chosen).arg(
            DebugLog::FormatSeconds(state_.LastNavigationKeyTime)));
    const ShowState before = state_.StateBeforeChoice;
    state_.ChosenSlide = 0;
    state_.LastNavigationKeyTime = 0;
    if (chosen != model_.CurrentSlide.Index || before == ShowState::EndSlide) {
        if (overlay_.Shown() == PreviewOverlay::Content::Pause)
            UnpausePresentation();
        overlay_.HideFrame();
        state_.State = ShowState::Playing;
        sequencer_.PlayGivenSlide(chosen);
    } else if (before == ShowState::Paused) {
        Pause();
    } else {
        state_.State = ShowState::Playing;
        overlay_.HideFrame();
        PlayNarration();
    }
}

// ---- Leaving -------------------------------------------------------------------------------

void ShowController::ExitSequence()
{
    state_.SubslideClockRunning = false;
    state_.ChosenSlide = 0;
    state_.LastNavigationKeyTime = 0;
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
