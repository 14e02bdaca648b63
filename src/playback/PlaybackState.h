#pragma once

#include <QString>

namespace zentil {

// Where the player is, as the user sees it. Only ShowController changes it (ShowController.cpp
// holds the one table of what each event does in each state).
enum class ShowState {
    NoShow, // no presentation: the "none" or "load" slide
    WaitingForStart, // a show is loaded; its first files are still arriving
    Playing, // a slide of the show is on screen and its narration runs
    Paused, // the narration waits; the pause symbol is shown
    ChoosingSlide, // a navigation key was pressed; the preview shows the slide chosen so far
    EndSlide, // the show has ended; the "end" slide is shown
    ModalCommand, // a command that asks the user (save, open, proxy) is running
};

// The state's name, as tests and the trace print it.
QString ShowStateName(ShowState state);

// The built-in slide on screen instead of a slide of the show.
enum class DefaultSlide {
    NotShown, // a slide of the show (or nothing yet)
    NoPresentation, // "none"
    Loading, // "load"
    EndOfShow, // "end"
};

// The built-in slide's name in the drawing code and the trace: "", "none", "load", "end".
QString DefaultSlideName(DefaultSlide slide);

// The playback engine's records: what is on screen, what is being prepared and the user's
// choice under way. Times are seconds since midnight from the monotonic clock.
struct PlaybackState {
    ShowState State = ShowState::NoShow;
    // The state ChoosingSlide returns to when the choice is the slide on screen (Playing, Paused
    // or EndSlide), and the state a modal command returns to.
    ShowState StateBeforeChoice = ShowState::Playing;
    ShowState StateBeforeCommand = ShowState::NoShow;
    DefaultSlide DefaultSlideShown = DefaultSlide::NotShown;
    bool SlideShowLoaded = false; // a presentation's model is loaded (its files may be arriving)
    bool ExitInProgress = false;

    // The sequencer's records.
    bool BuildNextSlideFlag = false; // a following slide exists and is not built yet
    int SlideAwaitingFiles = 0; // slide to show now whose files are missing; 0 = none
    int NextSlideAwaitingFiles = 0; // slide to pre-build once its files arrive; 0 = none
    bool SubslideClockRunning = false; // the heartbeat compares narration position and SubslideTime
    qint64 SubslideTime = 0; // narration position (ms) at which the next subslide is due
    int CurrentSubslideIndex = 0; // subslides of the current slide already shown
    double EndSlideDue = 0; // the last narration ended: the end slide follows at this time; 0 = no
    QString MissingFileName; // first slide file found absent
    QString UnmappedResourceName; // slide resource no download can bring

    // The choice of a slide with the keys.
    int ChosenSlide = 0; // slide shown in the preview; 0 = none
    double LastNavigationKeyTime = 0; // the quiet period counts from here; 0 = none

    // Mouse and panels.
    double MouseMoveTime = 0;
    bool PopupMenuOpen = false;
    double VolumePanelTime = 0; // last time the volume panel was shown or used; 0 = not shown
    double InfoPanelTime = 0; // last time the information panel was drawn; 0 = closed
};

} // namespace zentil
