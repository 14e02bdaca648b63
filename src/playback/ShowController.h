#pragma once

#include "playback/PlaybackState.h"
#include "playback/ShowEvents.h"
#include "playback/ViewerKeys.h"

#include <QString>
#include <QtGlobal>

#include <functional>

namespace zentil {

class DebugLog;
class MonotonicClock;
class PlaybackHost;
class PreviewOverlay;
class SlideSequencer;
struct SlideShowModel;

// What the controller asks of the pieces around it. A hook left empty means the piece is not
// there: its panel is never visible, its action is never offered.
struct ShowControllerHooks {
    // Saves the quit point at the given narration position and runs the program exit.
    std::function<void(qint64 position)> LeaveShow;
    // Pops up the File menu (true) or the Slides menu (false) at the mouse.
    std::function<void(bool fileMenu)> PopUpMenu;
    // The information panel.
    std::function<bool()> InfoPanelVisible;
    std::function<void()> CloseInfoPanel;
    std::function<void()> ToggleInfoPanel;
    // The volume panel.
    std::function<bool()> VolumePanelVisible;
    std::function<void()> HideVolumePanel;
    // The start of the show: plays its first slide (StartNewSlideShow).
    std::function<void()> StartShow;
    // The window: full screen or not, help, and the blank screen (an invalid colour uncovers it).
    std::function<void()> ToggleFullScreen;
    std::function<void()> ShowHelp;
    std::function<void(const QColor&)> Blank;
};

// The player's state machine. Every event (keys, clicks, the heartbeat, a narration's end, the
// show becoming ready, a modal command) goes through Dispatch, which decides by the state what
// it does; the state changes nowhere else. Pausing, the slide choice through the thumbnail
// preview (committed after a quiet period) and leaving the program are its actions; the slide
// sequence itself is the sequencer's.
class ShowController {
public:
    ShowController(SlideShowModel& model, PlaybackState& state, PlaybackHost& host,
        SlideSequencer& sequencer, PreviewOverlay& overlay, const MonotonicClock& clock,
        DebugLog& log);

    // A navigation is committed once this long has passed without a navigation key.
    static constexpr double kNavigationQuietSeconds = 0.75;

    void SetHooks(ShowControllerHooks hooks);

    void Dispatch(const ShowEvent& event);
    ShowState State() const { return state_.State; }

    // The show itself moved on: a show was loaded (WaitingForStart), unloaded (NoShow) or has
    // ended (EndSlide). A choice or modal command under way returns to that state.
    void ShowMovedTo(ShowState state);

    // Runs a command that asks the user; with pausesNarration a playing narration waits for it.
    // The show returns to its state afterwards (or to the one the command moved it to).
    void RunModalCommand(bool pausesNarration, const std::function<void()>& command);

    // True when slide n's thumbnail file exists.
    bool ThumbnailExists(int n) const;

private:
    void RunCommand(ShowCommand command);
    void KeyDown(Qt::Key key);
    void KeyUp(Qt::Key key);
    void LeftClick();
    void RightClick();
    void MouseMove();
    void Heartbeat();
    void TogglePause();
    void ChooseSlide(ShowCommand command);
    void ChooseSlideNumber(int n);
    bool CanChoose() const;
    void StartChoice();
    void CommitChoice();
    void ExitSequence();
    void Pause();
    void Resume();
    void ShowPauseImage();
    void UnpausePresentation();
    void ShowThumbnailImage();
    int HighestSlideWithThumbnail() const;
    void PauseNarration();
    void PlayNarration();
    void TracePauseToggle() const;
    double Now() const;

    SlideShowModel& model_;
    PlaybackState& state_;
    PlaybackHost& host_;
    SlideSequencer& sequencer_;
    PreviewOverlay& overlay_;
    const MonotonicClock& clock_;
    DebugLog& log_;
    ShowControllerHooks hooks_;
    // The keys a viewer expects beyond the show's own: they turn into the controller's commands.
    ViewerKeys viewerKeys_;
    int mouseMoveCount_ = 0; // every tenth move over the slide stamps MouseMoveTime
};

} // namespace zentil
