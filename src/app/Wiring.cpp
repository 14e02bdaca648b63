// How the application object connects its pieces: timers, narration players, the show
// controller with the window, panels and menus, the download manager and the error reporter.
#include "app/ZentilApp.h"

#include "download/ConnectFailureDialog.h"
#include "playback/FullScreenWindow.h"
#include "playback/HelpWindow.h"
#include "playback/PopupMenus.h"
#include "playback/ResourcePanel.h"
#include "playback/ShowController.h"
#include "playback/ShowPanels.h"
#include "playback/WavePlayer.h"
#include "script/WorkingCopies.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

void ZentilApp::WireTimers()
{
    heartbeatTimer_.setInterval(SlideSequencer::kHeartbeatMs);
    connect(&heartbeatTimer_, &QTimer::timeout, this, [this] { HeartbeatTick(); });
    downloadTimer_.setSingleShot(false);
    connect(&downloadTimer_, &QTimer::timeout, this, [this] { downloads_.DownloadTimerTick(); });
    thumbnailTimer_.setInterval(ThumbnailIntervalMs);
    connect(&thumbnailTimer_, &QTimer::timeout, this, [this] { CreateThumbnailTimerTick(); });
    for (int index : { 1, 2 })
        connect(&WaveControl(index), &WavePlayer::Done, this, [this](int player, int code) {
            control_->Dispatch(ShowEvent::NarrationDone(player, code));
        });
}

// Called while the host is constructed: the functions run only later.
PlayerHostServices ZentilApp::MakeHostServices()
{
    PlayerHostServices services;
    services.Drawing = [this] { return MakeDrawingEnvironment(); };
    services.MakeWorkingCopy
        = [this](const QString& name) { return MakeUnscrambledCopy(WorkingCopies(), name); };
    services.DownloadListFinished = [this] { return downloads_.State().DownloadComplete; };
    services.ResourceFatalError = [this] {
        SaveQuitPointIfPlaying();
        errors_.MissingFileName = state_.MissingFileName;
        reporter_->DisplayResourceFatalError(state_.UnmappedResourceName);
    };
    services.SlideShown = [this] {
        if (panels_)
            panels_->RefreshInfoPanel();
    };
    return services;
}

void ZentilApp::WireErrorReporting()
{
    window_->OnCloseRequest = [this] { ExecuteExitZentil(); };
    ErrorReportingHooks errorHooks;
    errorHooks.StopWavePlayer
        = [this](int32_t index) { WaveControl(index).Command(WaveCommand::Stop); };
    errorHooks.ShutDown = [this] {
        exitCode_ = 1;
        ExecuteExitZentil();
    };
    reporter_ = std::make_unique<PlayerErrorReporter>(errors_, log_, std::move(errorHooks));
    reporter_->SetDialogParent(window_.get());
    reporter_->SetShowDialogs(options_.ShowDialogs);
}

// Keys, mouse, menus and help: each a piece of its own, handed the state it works on.
void ZentilApp::WireUserControl()
{
    panels_ = std::make_unique<ShowPanels>(
        *window_, model_, state_, mixer_, [this] { return clock_.SecondsSinceMidnight(); });
    panels_->ParkCursor = [this] { host_->ParkCursor(); };
    panels_->FocusSlideWindow = [this] { host_->FocusSlideWindow(); };
    control_ = std::make_unique<ShowController>(
        model_, state_, *host_, sequencer_, window_->Preview(), clock_, log_);
    sequencer_.EndSlideShown = [this] { control_->ShowMovedTo(ShowState::EndSlide); };
    menus_ = std::make_unique<PopupMenus>(state_, window_.get());

    ShowControllerHooks hooks;
    hooks.LeaveShow = [this](qint64 position) {
        SaveQuitPoint(position);
        ExecuteExitZentil();
    };
    hooks.PopUpMenu = [this](bool fileMenu) { menus_->PopUp(fileMenu, QCursor::pos()); };
    hooks.InfoPanelVisible = [this] { return panels_->InfoPanelVisible(); };
    hooks.CloseInfoPanel = [this] { panels_->CloseInfoPanel(); };
    hooks.ToggleInfoPanel = [this] { panels_->ToggleSlideInfo(false); };
    hooks.VolumePanelVisible = [this] { return panels_->VolumePanelVisible(); };
    hooks.HideVolumePanel = [this] { panels_->HideVolumePanel(); };
    hooks.StartShow = [this] { StartNewSlideShow(); };
    hooks.ToggleFullScreen = [this] { window_->ToggleFullScreen(); };
    hooks.ShowHelp = [this] { ShowHelp(); };
    hooks.Blank = [this](const QColor& colour) {
        if (colour.isValid())
            window_->ShowBlank(colour);
        else
            window_->HideBlank();
    };
    control_->SetHooks(std::move(hooks));

    MenuActions actions;
    actions.LoadNewShow = [this] { ExecuteFileOpen(); };
    actions.SetProxyServer
        = [this] { control_->RunModalCommand(false, [this] { SetProxyServer(); }); };
    actions.SaveCurrentShow = [this] { SaveCurrentShow(); };
    actions.AdjustVolume = [this] { panels_->OpenVolumePanel(); };
    actions.Help = [this] { ShowHelp(); };
    actions.PrintSlides = [this] { PrintSlides(); };
    actions.ExitZentil = [this] { control_->Dispatch(ShowEvent::Run(ShowCommand::Exit)); };
    actions.PauseToggle = [this] { control_->Dispatch(ShowEvent::Run(ShowCommand::TogglePause)); };
    actions.ParkCursor = [this] { host_->ParkCursor(); };
    menus_->SetActions(std::move(actions));

    window_->OnKeyPress = [this](QKeyEvent* event) {
        control_->Dispatch(
            ShowEvent::KeyDown(static_cast<Qt::Key>(event->key()), event->isAutoRepeat()));
    };
    window_->OnKeyRelease = [this](QKeyEvent* event) {
        control_->Dispatch(
            ShowEvent::KeyUp(static_cast<Qt::Key>(event->key()), event->isAutoRepeat()));
    };
    window_->OnWheel = [this](int notches) { control_->Dispatch(ShowEvent::Wheel(notches)); };
    window_->OnMouseMove
        = [this](QMouseEvent*) { control_->Dispatch(ShowEvent::Of(ShowEvent::Kind::MouseMove)); };
    window_->OnActivated = [this] { host_->ParkCursor(); };
    window_->OnMouseRelease = [this](QMouseEvent* event) {
        if (event->button() == Qt::LeftButton)
            control_->Dispatch(ShowEvent::Of(ShowEvent::Kind::LeftClick));
        else if (event->button() == Qt::RightButton)
            control_->Dispatch(ShowEvent::Of(ShowEvent::Kind::RightClick));
    };
}

void ZentilApp::SetDownloadHooks()
{
    DownloadManager::Hooks hooks;
    hooks.StartNewSlideShow
        = [this] { control_->Dispatch(ShowEvent::Of(ShowEvent::Kind::ShowReady)); };
    hooks.ShowResourcePanel = [this] {
        window_->Resources().SetCaption(model_.Defn.ShowTitle);
        window_->Resources().show();
    };
    hooks.HideResourcePanel = [this] { host_->HideWaitingPanel(); };
    hooks.ResourcePanelVisible = [this] { return host_->WaitingPanelVisible(); };
    hooks.SetPanelText = [this](const QString& text) { window_->Resources().SetText(text); };
    hooks.SetPanelBytes = [this](const QString& text) { window_->Resources().SetBytes(text); };
    hooks.SetFileProgress = [this](double share) { window_->Resources().SetFileProgress(share); };
    hooks.SetFilesProgress = [this](double share) { window_->Resources().SetFilesProgress(share); };
    hooks.FocusSlideWindow = [this] { host_->FocusSlideWindow(); };
    hooks.RestartTimer = [this](int ms) { downloadTimer_.start(ms); };
    hooks.StopTimer = [this] { downloadTimer_.stop(); };
    hooks.ExitInProgress = [this] { return state_.ExitInProgress; };
    hooks.Beep = [] { QApplication::beep(); };
    hooks.AskConnectFailure
        = [this] { return RunConnectFailureDialog(window_.get(), options_.ShowDialogs); };
    hooks.SetProxyServer = [this] { SetProxyServer(); };
    hooks.ExitZentil = [this] { ExecuteExitZentil(); };
    hooks.ResourceFatalError = [this](const QString& name) {
        state_.MissingFileName = name;
        host_->DisplayResourceFatalError();
    };
    hooks.FileArrived = [this](const QString& name) { DownloadedFileArrived(name); };
    downloads_.SetHooks(std::move(hooks));
}

} // namespace zentil
