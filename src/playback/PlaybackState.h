#pragma once

#include <QString>

namespace zentil {

// The playback engine's state: what is on screen, what is being prepared, and the flags that
// keep re-entered handlers apart. Times are seconds since midnight from the monotonic clock.
struct PlaybackState {
    bool BuildNextSlideFlag = false; // a following slide exists and is not built yet
    int CurSlideWaitingRsrcs = 0; // slide to show now whose files are missing; 0 = none
    int NextSlideWaitingRsrcs = 0; // slide to pre-build once its files arrive; 0 = none
    bool CheckWavePosition = false; // the heartbeat compares narration position and SubslideTime
    qint64 SubslideTime = 0; // narration position (ms) at which the next subslide is due
    int CurrentSubslideIndex = 0; // subslides of the current slide already shown
    bool WaveControlBusy = false; // the narration-end handler is running
    int WaveControlIndex = 0; // player of a parked narration end; 0 = none pending
    bool SlideChangeInProgress = false;
    // Grows whenever CurrentSlide and NextSlide are given new slides (a slide started, the swap
    // at a narration's end). Code that let events run compares it with the value it began with:
    // if it moved, a handler that ran meanwhile changed the slides, and the earlier work is stale.
    quint64 SlideChangeCount = 0;
    int NewSlideNumber = 0; // slide chosen by key navigation, not yet played
    double NewSlideTime = 0; // last navigation key time; 0 = none
    bool PreviewPauseActive = false;
    bool PreviewPauseVisible = false;
    bool PreviewThumbnailActive = false;
    bool PreviewThumbnailVisible = false;
    QString DefaultSlideShown; // "none", "load", "end"; empty while a show slide is shown
    bool ShowPlaying = false;
    bool SlideShowLoaded = false;
    bool ExitInProgress = false;
    QString MissingFileName; // first slide file found absent
    QString UnmappedResourceName; // slide resource no download can bring
    double MouseMoveTime = 0;
    bool PopupMenuOpen = false;
    double VolumePanelTime = 0; // last time the volume panel was shown or used; 0 = not shown
    bool VolumePanelJustShown = false; // the release that ends the menu choice keeps the panel
    double InfoPanelTime = 0; // last time the information panel was drawn; 0 = closed
};

} // namespace zentil
