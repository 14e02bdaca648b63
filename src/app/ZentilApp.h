#pragma once

#include "app/ErrorTexts.h"
#include "app/PlayerErrorReporter.h"
#include "base/DebugLog.h"
#include "base/ErrorReporting.h"
#include "download/DownloadManager.h"
#include "download/ProxySettings.h"
#include "download/ScriptFetch.h"
#include "platform/MonotonicClock.h"
#include "platform/VolumeMixer.h"
#include "playback/PlaybackState.h"
#include "playback/PlayerHost.h"
#include "playback/SlideSequencer.h"
#include "render/DrawingCommands.h"
#include "render/RenderState.h"
#include "render/SlideFonts.h"
#include "render/Thumbnails.h"
#include "script/PresentationModel.h"
#include "storage/ZentilFolders.h"

#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <memory>

namespace zentil {

class FullScreenWindow;
class HelpWindow;
class PopupMenus;
class PlayerHost;
class ShowController;
class ShowPanels;
struct WorkingCopyContext;
class ScreenSaverInhibitor;
class SingleInstance;
class WavePlayer;

// Options of one player run; tests and the benchmark set them, the program takes the defaults.
struct PlayerOptions {
    QString HomeFolder; // one folder for all the player's files; empty: the folder rule
    bool SilentAudio = false; // play narration silently against the clock
    bool ShowDialogs = true; // false: fatal messages go to standard error, not to a box
    // The exit ends the application's event loop. Tests that drive several players in one
    // process turn it off: once the loop is told to end, no nested wait lets events run again.
    bool EndEventLoopAtExit = true;
    // The screen to play on (its number in the system's list); -1: the pointer's screen.
    int ScreenNumber = -1;
};

// The application object: owns the player's state, timers and pieces and composes them (the
// wiring is in Wiring.cpp), runs the start-up sequence, and is the one shut-down path every exit
// passes through.
class ZentilApp : public QObject {
    Q_OBJECT
public:
    explicit ZentilApp(PlayerOptions options = {});
    ~ZentilApp() override;

    // The start-up sequence for the given command line. Returns false when the program must end
    // at once (another instance, a refused script); ExitCode() then tells how.
    bool Start(const QString& commandLine);
    // ExecuteExitZentil: the one shut-down sequence; runs once, later calls do nothing.
    void ExecuteExitZentil();
    // ExecuteFileOpen: asks for another presentation and opens it.
    void ExecuteFileOpen();
    // Opens the given script in place of the current presentation (the second half of File Open).
    void OpenPresentation(const QString& fileName);
    // SetProxyServer: the "Set HTTP Proxy Server" dialog; a running download timer is restarted
    // at once, so the next transfer uses the new settings.
    void SetProxyServer();

    int ExitCode() const { return exitCode_; }
    bool Finished() const { return unloadStarted_; }

    // State, for the window's key handling and for tests.
    SlideShowModel& Model() { return model_; }
    PlaybackState& Playback() { return state_; }
    SlideSequencer& Sequencer() { return sequencer_; }
    DownloadManager& Downloads() { return downloads_; }
    FullScreenWindow& Window() { return *window_; }
    PlayerHost& Host() { return *host_; }
    QTimer& HeartbeatTimer() { return heartbeatTimer_; }
    ShowController& Control() { return *control_; }
    PopupMenus& Menus() { return *menus_; }
    // Made on first use: the first slide does not wait for it.
    HelpWindow& Help();
    // The help window, not modal; opening it again shows the same window.
    void ShowHelp();
    // Print Slides: the handout of the show through the print dialog, two slides a page.
    void PrintSlides();
    // The information and volume panels over the slide.
    ShowPanels& Panels() { return *panels_; }
    // The "Save Current Show" command; the quit point is written after a save.
    void SaveCurrentShow();
    QTimer& CreateThumbnailTimer() { return thumbnailTimer_; }
    const ThumbnailState& Thumbnails() const { return thumbnails_; }

    // The narration players WaveControl(1) and WaveControl(2).
    WavePlayer& WaveControl(int index);

private:
    void StartDebugTrace(const QString& scriptPath);
    void TraceFolders();
    bool EndAtStartUp(const QString& title, const QString& text);
    void RegisterPresentFonts();
    void RegisterFont(const QString& resourceName);
    void WireTimers();
    void WireErrorReporting();
    void SetDownloadHooks();
    PlayerHostServices MakeHostServices();
    void DownloadedFileArrived(const QString& name);
    void ReadProxySettings();
    bool OpenStartUpScript(const QString& scriptPath);
    void InhibitScreenSaver();
    void FetchStartUpScript(const QUrl& url);
    void StartUpScriptFetched(const QUrl& url, const FetchedScript& fetched);
    void ShowErrorDialog(const QString& description, const QString& details);
    void LoadSlideShow();
    void InitializeSlideShow();
    void StartNewSlideShow();
    void SaveQuitPoint(qint64 position);
    void SaveQuitPointIfPlaying();
    void ShowMessage(const QString& title, const QString& text);
    DrawingEnvironment MakeDrawingEnvironment();
    WorkingCopyContext WorkingCopies();
    void WireUserControl();
    void HeartbeatTick();
    void CreateThumbnailTimerTick();
    void RunShutDownSteps();
    void ReleaseEverything();
    void ReleasePresentation();

    // Start-up work done on other threads (picture readers, the font list, layer memory). First,
    // so it starts before the window is made; the destructor waits for it before any member
    // goes.
    struct WorkAhead {
        WorkAhead();
        QThreadPool Pool;
    } workAhead_;
    PlayerOptions options_;
    MonotonicClock clock_;
    DebugLog log_;
    ZentilFolders folders_;
    ProxySettings proxy_;
    ScriptStatements script_;
    SlideShowModel model_;
    PlaybackState state_;
    RenderState render_;
    PrivateFontList fonts_;
    std::unique_ptr<FullScreenWindow> window_;
    std::unique_ptr<PlayerHost> host_;
    std::unique_ptr<HelpWindow> help_;
    ErrorReportingState errors_;
    std::unique_ptr<PlayerErrorReporter> reporter_;
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<ScreenSaverInhibitor> screenSaver_;
    DownloadManager downloads_;
    SlideSequencer sequencer_;
    QTimer heartbeatTimer_;
    QTimer downloadTimer_;
    QTimer thumbnailTimer_;
    ThumbnailState thumbnails_;
    std::unique_ptr<ShowController> control_;
    std::unique_ptr<PopupMenus> menus_;
    VolumeMixer mixer_;
    std::unique_ptr<ShowPanels> panels_;
    std::unique_ptr<ScriptFetch> scriptFetch_; // the start-up script on its way
    QUrl scriptUrl_; // where the script was fetched from, for `zentil http://...`
    bool unloadStarted_ = false;
    int exitCode_ = 0;
};

} // namespace zentil
