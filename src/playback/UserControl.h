#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

namespace zentil {

class DebugLog;
class MonotonicClock;
class PlaybackHost;
class PreviewOverlay;
class SlideSequencer;
struct PlaybackState;
struct SlideShowModel;

// The keys of the slide window, in the numbers the behaviour is described with.
enum class ControlKey : int {
    Other = 0,
    Enter = 13,
    Pause = 19,
    Escape = 27,
    Space = 32,
    PageUp = 33,
    PageDown = 34,
    End = 35,
    Home = 36,
    Left = 37,
    Up = 38,
    Right = 39,
    Down = 40,
    LetterI = 73,
};

// Maps a Qt key code to the key it is for the slide window.
ControlKey ControlKeyFromQt(int qtKey);

// What the user-control code asks of the pieces around it. A hook left empty means the piece is
// not there: its panel is never visible, its action is never offered.
struct UserControlHooks {
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
};

// Turns keys, mouse actions and the pause commands into playback state: pausing and resuming
// (with the pause symbol), choosing another slide through a short-lived thumbnail preview that
// the heartbeat commits after a quiet period, and leaving the program. The window forwards its
// events here; the overlay only draws what this code decides.
class UserControl {
public:
    UserControl(SlideShowModel& model, PlaybackState& state, PlaybackHost& host,
        SlideSequencer& sequencer, PreviewOverlay& overlay, const MonotonicClock& clock,
        DebugLog& log);

    // Navigation is committed once this long has passed without a navigation key.
    static constexpr double kNavigationQuietSeconds = 0.75;

    void SetHooks(UserControlHooks hooks) { hooks_ = std::move(hooks); }

    void KeyDown(ControlKey key);
    void KeyUp(ControlKey key);
    void MouseMove();
    void LeftButtonUp();
    void RightButtonUp();

    // The pause toggle of the pause keys and the Slides menu.
    void PauseToggle();
    // The exit sequence of Escape and the menus' Exit items.
    void ExitSequence();
    // Heartbeat: plays the slide chosen with the keys once the quiet period is over.
    void CommitNavigation();

    void ShowPauseImage();
    void UnpausePresentation();
    void ShowThumbnailImage();
    // Chooses slide n (a number typed by the user) with its preview; it is played at the next
    // heartbeat, without the quiet period.
    void ChooseSlide(int n);
    // True when slide n's thumbnail file exists.
    bool ThumbnailExists(int n) const;

    bool KeyDownBusy() const { return keyDownBusy_; }

private:
    void HandleKeyDown(ControlKey key);
    ControlKey StartNavigation(ControlKey key);
    void Navigate(ControlKey key);
    int HighestSlideWithThumbnail() const;
    void PauseNarration();
    void PlayNarration();
    bool AtEndSlide() const;
    double Now() const;

    SlideShowModel& model_;
    PlaybackState& state_;
    PlaybackHost& host_;
    SlideSequencer& sequencer_;
    PreviewOverlay& overlay_;
    const MonotonicClock& clock_;
    DebugLog& log_;
    UserControlHooks hooks_;
    bool keyDownBusy_ = false; // a key-down is being handled; another one meanwhile is dropped
    int mouseMoveCount_ = 0; // every tenth move over the slide stamps MouseMoveTime
    bool commitRunning_ = false; // a navigation commit is running
    bool pausedBeforeNavigation_ = false; // coming back to the slide on screen stays paused
};

} // namespace zentil
