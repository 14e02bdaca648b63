#pragma once

#include "playback/PlaybackHost.h"
#include "render/DrawingCommands.h"
#include "render/SlideComposition.h"

#include <functional>
#include <memory>

class QTimer;

namespace zentil {

class DebugLog;
class FullScreenWindow;
class WavePlayer;
enum class WaveOutputChoice;
struct PlaybackState;
struct RenderState;
struct SlideShowModel;
struct ZentilFolders;

// What the player's host needs from the layers above playback.
struct PlayerHostServices {
    // How pictures are found while drawing (the working copies of the show's resources).
    std::function<DrawingEnvironment()> Drawing;
    // The playable file of a narration resource (its unscrambled working copy); "" when none
    // can be made.
    std::function<QString(const QString& resourceName)> MakeWorkingCopy;
    // True when the download list is finished: a missing file will not arrive.
    std::function<bool()> DownloadListFinished;
    // Tells the user about the missing file and ends the program.
    std::function<void()> ResourceFatalError;
    // A slide of the show was put on screen (panels that show its number redraw).
    std::function<void()> SlideShown;
};

// The player's PlaybackHost: slides drawn on the drawing layers and shown in the full-screen
// window, the two narration players, the waiting panel, the resource folder.
class PlayerHost : public PlaybackHost {
public:
    PlayerHost(SlideShowModel& model, PlaybackState& state, RenderState& render,
        FullScreenWindow& window, const ZentilFolders& folders, DebugLog& log,
        WaveOutputChoice output, PlayerHostServices services);
    ~PlayerHost() override;

    void DrawNewBackground(int backgroundIndex, int set) override;
    void ShowSlide(int slideNumber) override;
    void ShowDefaultSlide(DefaultSlide slide) override;
    void ShowSubslide(int slideNumber, int subslideNumber) override;
    WavePlayer& WaveControl(int index) override;
    bool LoadWavePlayer(const QString& waveFileName, int set) override;
    void TrimWavefiles() override;
    void ShowWaitingPanel(const QString& caption, const QString& text) override;
    void HideWaitingPanel() override;
    bool WaitingPanelVisible() const override;
    void FocusSlideWindow() override;
    void ParkCursor() override;
    bool PlayerWindowActive() const override;
    bool ResourceFilePresent(const QString& fileName) const override;
    bool DownloadListFinished() const override;
    void DisplayResourceFatalError() override;
    // Puts the foreground layer on screen.
    void PresentForeground();
    // How long after the next slide's background the slide itself is drawn ahead: the picture
    // just shown reaches the screen first.
    static constexpr int kDrawAheadDelayMs = 40;

private:
    void DrawNextSlideAhead();

    SlideShowModel& model_;
    PlaybackState& state_;
    RenderState& render_;
    FullScreenWindow& window_;
    const ZentilFolders& folders_;
    DebugLog& log_;
    PlayerHostServices services_;
    std::unique_ptr<WavePlayer> wave1_;
    std::unique_ptr<WavePlayer> wave2_;
    // The next slide, drawn while the current one plays, so that a slide change only swaps
    // pictures. Not with the trace on: its lines follow the drawing as the slide is shown.
    SlideDrawnAhead ahead_;
    std::unique_ptr<QTimer> aheadTimer_;
};

} // namespace zentil
