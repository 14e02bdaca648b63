#pragma once

#include "playback/PlaybackState.h"

#include <QString>

namespace zentil {

class WavePlayer;

// What the slide sequencer and the show controller ask of the rest of the player: the picture side,
// the narration players, the waiting panel and the fatal-error path. The application object
// implements it over the real drawing surfaces, players and window; tests implement it to watch the
// sequence.
class PlaybackHost {
public:
    virtual ~PlaybackHost() = default;

    // Drawing (the surfaces are single: `set` is passed through for the trace only).
    virtual void DrawNewBackground(int backgroundIndex, int set) = 0;
    virtual void ShowSlide(int slideNumber) = 0;
    virtual void ShowDefaultSlide(DefaultSlide slide) = 0;
    // Shows subslide k of the slide: redraws the background first when the subslide's differs
    // from the one last drawn, then draws the subslide over the source layer and shows it.
    virtual void ShowSubslide(int slideNumber, int subslideNumber) = 0;

    // Narration: WaveControl(1) and WaveControl(2).
    virtual WavePlayer& WaveControl(int index) = 0;
    // Opens the slide's narration in WaveControl(set); false when it cannot be opened.
    virtual bool LoadWavePlayer(const QString& waveFileName, int set) = 0;
    virtual void TrimWavefiles() = 0;

    // The waiting display.
    virtual void ShowWaitingPanel(const QString& caption, const QString& text) = 0;
    virtual void HideWaitingPanel() = 0;
    virtual bool WaitingPanelVisible() const = 0;
    virtual void FocusSlideWindow() = 0;
    virtual void ParkCursor() = 0;
    // True while the player's window is the active window of the desktop.
    virtual bool PlayerWindowActive() const = 0;

    // True when a file of that resource-map name is in the presentation's resource folder.
    virtual bool ResourceFilePresent(const QString& fileName) const = 0;
    // True when the download manager has finished its whole list: nothing more can arrive.
    virtual bool DownloadListFinished() const = 0;
    // Reports the missing file and ends the program.
    virtual void DisplayResourceFatalError() = 0;
};

} // namespace zentil
