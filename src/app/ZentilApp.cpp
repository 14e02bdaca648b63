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
#include "playback/ShowController.h"
#include "playback/ShowPanels.h"
#include "playback/WavePlayer.h"
#include "render/DrawingSurfaces.h"
#include "render/PictureDrawing.h"
#include "render/SlideComposition.h"
#include "script/WorkingCopies.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

ZentilApp::WorkAhead::WorkAhead()
{
    LoadPictureReadersAhead(Pool);
}

ZentilApp::ZentilApp(PlayerOptions options)
    : options_(std::move(options))
    , log_(clock_)
    , window_(std::make_unique<FullScreenWindow>())
    , host_(std::make_unique<PlayerHost>(model_, state_, render_, *window_, folders_, log_,
          options_.SilentAudio ? WaveOutputChoice::Silent : WaveOutputChoice::DefaultDevice,
          MakeHostServices()))
    , downloads_(model_, folders_, proxy_, log_)
    , sequencer_(model_, state_, *host_, clock_, log_)
{
    WireTimers();
    SetDownloadHooks();
    WireUserControl();
    WireErrorReporting();
    window_->SetScreenChoice(options_.ScreenNumber);
    window_->OnSlideSizeChanged = [this](QSize size) {
        if (render_.Surfaces.BitmapsCreated
            && RedrawAtSize(render_, model_, MakeDrawingEnvironment(), size))
            host_->PresentForeground();
    };
}

ZentilApp::~ZentilApp()
{
    workAhead_.Pool.waitForDone();
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

void ZentilApp::HeartbeatTick()
{
    if (panels_ && !state_.ExitInProgress && state_.SlideShowLoaded)
        panels_->HeartbeatTick();
    if (render_.Surfaces.BitmapsCreated)
        control_->Dispatch(ShowEvent::Of(ShowEvent::Kind::Heartbeat));
}

void ZentilApp::SaveCurrentShow()
{
    state_.PopupMenuOpen = false;
    if (!state_.SlideShowLoaded || model_.SlideCount() < 1) {
        ShowMessage(u"Zentil Save Presentation"_s, u"No Zentil presentation loaded."_s);
        return;
    }
    control_->RunModalCommand(true, [this] {
        SaveCommandContext context { folders_, model_, log_ };
        const SaveQuestions questions
            = options_.ShowDialogs ? DialogSaveQuestions(window_.get()) : NoDialogSaveQuestions();
        if (ExecuteSaveCurrentShow(context, questions))
            SaveQuitPoint(WaveControl(model_.CurrentSlide.ResourceSet).Position());
    });
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
        slideFilesMissing, [this] { return downloads_.State().DownloadComplete; },
        window_->SlideSize() };
    if (CreateThumbnailTick(thumbnails_, context) && !unloadStarted_)
        thumbnailTimer_.start();
}

WavePlayer& ZentilApp::WaveControl(int index)
{
    return host_->WaveControl(index);
}

HelpWindow& ZentilApp::Help()
{
    if (!help_) {
        help_ = std::make_unique<HelpWindow>(window_.get());
        help_->OnClosed = [this] { host_->ParkCursor(); };
    }
    return *help_;
}

void ZentilApp::ShowHelp()
{
    Help().ShowHelp();
}

} // namespace zentil
