#include "app/ZentilApp.h"

#include "platform/ScreenSaverInhibitor.h"
#include "platform/SingleInstance.h"
#include "playback/FullScreenWindow.h"
#include "playback/HelpWindow.h"
#include "playback/NarrationFiles.h"
#include "playback/PopupMenus.h"
#include "playback/PreviewOverlay.h"
#include "playback/ResourcePanel.h"
#include "playback/SaveCommand.h"
#include "playback/ShowPanels.h"
#include "playback/UserControl.h"
#include "playback/ViewerKeys.h"
#include "playback/WavePlayer.h"
#include "render/DrawingSurfaces.h"
#include "render/SlideComposition.h"
#include "script/WorkingCopies.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

ZentilApp::ZentilApp(PlayerOptions options)
    : options_(std::move(options))
    , log_(clock_)
    , wave1_(std::make_unique<WavePlayer>(
          1, options_.SilentAudio ? WaveOutputChoice::Silent : WaveOutputChoice::DefaultDevice))
    , wave2_(std::make_unique<WavePlayer>(
          2, options_.SilentAudio ? WaveOutputChoice::Silent : WaveOutputChoice::DefaultDevice))
    , window_(std::make_unique<FullScreenWindow>())
    , downloads_(model_, folders_, proxy_, log_)
    , sequencer_(model_, state_, *this, clock_, log_)
{
    heartbeatTimer_.setInterval(SlideSequencer::kHeartbeatMs);
    connect(&heartbeatTimer_, &QTimer::timeout, this, [this] { HeartbeatTick(); });
    downloadTimer_.setSingleShot(false);
    connect(&downloadTimer_, &QTimer::timeout, this, [this] { downloads_.DownloadTimerTick(); });
    thumbnailTimer_.setInterval(ThumbnailIntervalMs);
    connect(&thumbnailTimer_, &QTimer::timeout, this, [this] { CreateThumbnailTimerTick(); });
    for (WavePlayer* player : { wave1_.get(), wave2_.get() })
        connect(player, &WavePlayer::Done, this,
            [this](int index, int code) { sequencer_.WaveControlDone(index, code); });

    SetDownloadHooks();

    WireUserControl();
    window_->OnCloseRequest = [this] { ExecuteExitZentil(); };
    window_->SetScreenChoice(options_.ScreenNumber);
    window_->OnSlideSizeChanged = [this](QSize size) {
        if (render_.Surfaces.BitmapsCreated
            && RedrawAtSize(render_, model_, MakeDrawingEnvironment(), size))
            PresentForeground();
    };

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

ZentilApp::~ZentilApp()
{
    if (!unloadStarted_)
        RunShutDownSteps();
}

WorkingCopyContext ZentilApp::WorkingCopies()
{
    return WorkingCopyContext { folders_, model_, script_.EncryptFlag, *reporter_, log_ };
}

void ZentilApp::ShowErrorDialog(const QString& description, const QString& details)
{
    errors_.ErrorDescriptionText = description;
    errors_.ErrorDetailsText = details;
    reporter_->ShowErrorDisplay();
}

void ZentilApp::ShowMessage(const QString& title, const QString& text)
{
    reporter_->ShowMessage(title, text);
}

// ---- Drawing -----------------------------------------------------------------------------

DrawingEnvironment ZentilApp::MakeDrawingEnvironment()
{
    DrawingEnvironment env;
    env.ResolveResource
        = [this](const QString& name) { return GetRealFilename(WorkingCopies(), name); };
    env.ResourceMissing = [this](const QString& name) {
        ZT_DEBUG(log_, TraceDrawing, "error", u"Picture not drawn: "_s + name);
    };
    env.PictureUnreadable = [this](const QString& name, const QString& problem) {
        ZT_DEBUG(
            log_, TraceDrawing, "error", u"Picture not readable: "_s + name + u": "_s + problem);
    };
    return env;
}

void ZentilApp::PresentForeground()
{
    window_->ShowPicture(render_.Surfaces.Foreground.Image);
}

void ZentilApp::DrawNewBackground(int backgroundIndex, int set)
{
    zentil::DrawNewBackground(
        render_, model_, MakeDrawingEnvironment(), log_, backgroundIndex, set);
}

void ZentilApp::ShowSlide(int slideNumber)
{
    zentil::ShowSlide(render_, model_, MakeDrawingEnvironment(), log_, slideNumber);
    PresentForeground();
    if (panels_)
        panels_->RefreshInfoPanel();
}

void ZentilApp::HeartbeatTick()
{
    if (panels_ && !state_.ExitInProgress && state_.SlideShowLoaded)
        panels_->HeartbeatTick();
    sequencer_.HeartbeatTick(render_.Surfaces.BitmapsCreated);
}

void ZentilApp::SaveCurrentShow()
{
    state_.PopupMenuOpen = false;
    if (!state_.SlideShowLoaded || model_.SlideCount() < 1) {
        ShowMessage(u"Zentil Save Presentation"_s, u"No Zentil presentation loaded."_s);
        return;
    }
    WavePlayer& narration = WaveControl(model_.CurrentSlide.ResourceSet);
    SaveCommandContext context { folders_, model_, &narration, log_, [this] { LetEventsRun(); } };
    const SaveQuestions questions
        = options_.ShowDialogs ? DialogSaveQuestions(window_.get()) : NoDialogSaveQuestions();
    if (ExecuteFileSave1(context, questions))
        SaveQuitPoint(narration.Position());
}

void ZentilApp::ShowDefaultSlide(const QString& name)
{
    // The end slide stops playback first: both narrations end and nothing more is prepared.
    const auto stopPlayback = [this] {
        for (int index : { 1, 2 }) {
            WaveControl(index).Command(WaveCommand::Stop);
            WaveControl(index).Command(WaveCommand::Close);
        }
        model_.CurrentSlide.SoundLoaded = false;
        model_.NextSlide.SoundLoaded = false;
        state_.BuildNextSlideFlag = false;
    };
    zentil::ShowDefaultSlide(render_, model_, MakeDrawingEnvironment(), log_, name, stopPlayback);
    state_.CheckWavePosition = false;
    PresentForeground();
}

void ZentilApp::ShowSubslide(int slideNumber, int subslideNumber)
{
    (void)slideNumber; // the composition draws the subslide of the current slide
    ShowSubSlide(render_, model_, MakeDrawingEnvironment(), log_, subslideNumber);
    PresentForeground();
}

// ---- Narration ---------------------------------------------------------------------------

WavePlayer& ZentilApp::WaveControl(int index)
{
    return index == 2 ? *wave2_ : *wave1_;
}

bool ZentilApp::LoadWavePlayer(const QString& waveFileName, int set)
{
    const NarrationServices services { log_, state_.ExitInProgress,
        [this](const QString& name) { return MakeUnscrambledCopy(WorkingCopies(), name); } };
    return zentil::LoadWavePlayer(waveFileName, WaveControl(set), model_.Map, services);
}

void ZentilApp::TrimWavefiles()
{
    zentil::TrimWavefiles(model_, log_);
}

// ---- Waiting display, window and events ---------------------------------------------------

void ZentilApp::ShowWaitingPanel(const QString& caption, const QString& text)
{
    ResourcePanel& panel = window_->Resources();
    if (!caption.isEmpty())
        panel.SetCaption(caption);
    panel.SetText(text);
    panel.show();
}

void ZentilApp::HideWaitingPanel()
{
    window_->Resources().hide();
}

bool ZentilApp::WaitingPanelVisible() const
{
    return window_->Resources().isVisible();
}

void ZentilApp::FocusSlideWindow()
{
    window_->FocusSlideWindow();
}

void ZentilApp::ParkCursor()
{
    window_->ParkCursor();
}

bool ZentilApp::PlayerWindowActive() const
{
    return window_->isActiveWindow();
}

bool ZentilApp::ResourceFilePresent(const QString& fileName) const
{
    return !folders_.ResourcePath.isEmpty()
        && QFileInfo(QDir(folders_.ResourcePath).filePath(fileName)).isFile();
}

bool ZentilApp::DownloadListFinished() const
{
    return downloads_.State().DownloadComplete;
}

void ZentilApp::DisplayResourceFatalError()
{
    if (state_.ExitInProgress)
        return;
    SaveQuitPointIfPlaying();
    errors_.MissingFileName = state_.MissingFileName;
    reporter_->DisplayResourceFatalError(state_.UnmappedResourceName);
}

void ZentilApp::LetEventsRun()
{
    QCoreApplication::processEvents();
}

void ZentilApp::WaitLettingEventsRun(int milliseconds)
{
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QTimer exitWatch;
    connect(&exitWatch, &QTimer::timeout, &loop, [this, &loop] {
        if (state_.ExitInProgress)
            loop.quit();
    });
    deadline.start(milliseconds);
    exitWatch.start(SlideSequencer::kHeartbeatMs);
    loop.exec();
}

// ---- Thumbnails ----------------------------------------------------------------------------

// At most one thumbnail per tick; the timer is off while the tick works.
void ZentilApp::CreateThumbnailTimerTick()
{
    thumbnailTimer_.stop();
    const WorkingCopyContext copies = WorkingCopies();
    const DrawingEnvironment drawing = MakeDrawingEnvironment();
    // The check reports the file it found missing through the playback state; the waiting display
    // of the slides being played must not see a name from the thumbnail's slide.
    const auto slideFilesMissing = [this](int n) {
        const QString missing = state_.MissingFileName;
        const QString unmapped = state_.UnmappedResourceName;
        const bool result = sequencer_.SlideResourcesMissing(n);
        state_.MissingFileName = missing;
        state_.UnmappedResourceName = unmapped;
        return result;
    };
    const ThumbnailContext context { model_, copies, drawing, log_, state_.ExitInProgress,
        slideFilesMissing, [this] { return DownloadListFinished(); }, window_->SlideSize() };
    if (CreateThumbnailTick(thumbnails_, context) && !unloadStarted_)
        thumbnailTimer_.start();
}

// Keys, mouse, menus and help: each a piece of its own, handed the state it works on.
void ZentilApp::WireUserControl()
{
    panels_ = std::make_unique<ShowPanels>(
        *window_, model_, state_, mixer_, [this] { return clock_.SecondsSinceMidnight(); });
    panels_->ParkCursor = [this] { ParkCursor(); };
    panels_->FocusSlideWindow = [this] { FocusSlideWindow(); };
    control_ = std::make_unique<UserControl>(
        model_, state_, *this, sequencer_, window_->Preview(), clock_, log_);
    sequencer_.NavigationCommit = [this] { control_->CommitNavigation(); };
    menus_ = std::make_unique<PopupMenus>(state_, window_.get());

    UserControlHooks hooks;
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
    control_->SetHooks(std::move(hooks));

    MenuActions actions;
    actions.LoadNewShow = [this] { ExecuteFileOpen(); };
    actions.SetProxyServer = [this] { SetProxyServer(); };
    actions.SaveCurrentShow = [this] { SaveCurrentShow(); };
    actions.AdjustVolume = [this] { panels_->OpenVolumePanel(); };
    actions.Help = [this] { ShowHelp(); };
    actions.PrintSlides = [this] { PrintSlides(); };
    actions.ExitZentil = [this] { control_->ExitSequence(); };
    actions.PauseToggle = [this] { control_->PauseToggle(); };
    actions.ParkCursor = [this] { ParkCursor(); };
    menus_->SetActions(std::move(actions));

    ViewerKeyHooks viewerHooks;
    viewerHooks.ToggleFullScreen = [this] { window_->ToggleFullScreen(); };
    viewerHooks.ShowHelp = [this] { ShowHelp(); };
    viewerHooks.Leave = [this] { control_->ExitSequence(); };
    viewerHooks.Step = [this](bool forward) {
        const ControlKey key = forward ? ControlKey::Right : ControlKey::Left;
        control_->KeyDown(key);
        control_->KeyUp(key);
    };
    viewerHooks.GoToSlide = [this](int n) { control_->ChooseSlide(n); };
    viewerHooks.NarrationPlaying = [this] {
        return state_.ShowPlaying && model_.CurrentSlide.Index > 0 && !state_.PreviewPauseActive
            && state_.NewSlideNumber <= 0;
    };
    viewerHooks.PauseToggle = [this] { control_->PauseToggle(); };
    viewerHooks.Blank = [this](const QColor& colour) {
        if (colour.isValid())
            window_->ShowBlank(colour);
        else
            window_->HideBlank();
    };
    viewerKeys_.SetHooks(std::move(viewerHooks));

    window_->OnKeyPress = [this](QKeyEvent* event) {
        if (!viewerKeys_.KeyDown(event->key(), event->isAutoRepeat()))
            control_->KeyDown(ControlKeyFromQt(event->key()));
    };
    window_->OnKeyRelease = [this](QKeyEvent* event) {
        if (!viewerKeys_.KeyUp(event->key(), event->isAutoRepeat()))
            control_->KeyUp(ControlKeyFromQt(event->key()));
    };
    window_->OnWheel = [this](int notches) { viewerKeys_.Wheel(notches); };
    window_->OnMouseMove = [this](QMouseEvent*) { control_->MouseMove(); };
    window_->OnActivated = [this] { ParkCursor(); };
    window_->OnMouseRelease = [this](QMouseEvent* event) {
        if (event->button() == Qt::LeftButton) {
            // A click that closes a panel only closes it.
            const bool panelOpen = panels_->InfoPanelVisible() || panels_->VolumePanelVisible()
                || state_.VolumePanelJustShown || state_.PopupMenuOpen;
            control_->LeftButtonUp();
            if (!panelOpen)
                viewerKeys_.LeftClick();
        } else if (event->button() == Qt::RightButton) {
            control_->RightButtonUp();
        }
    };
}

HelpWindow& ZentilApp::Help()
{
    if (!help_) {
        help_ = std::make_unique<HelpWindow>(window_.get());
        help_->OnClosed = [this] { ParkCursor(); };
    }
    return *help_;
}

void ZentilApp::ShowHelp()
{
    Help().ShowHelp();
}

} // namespace zentil
