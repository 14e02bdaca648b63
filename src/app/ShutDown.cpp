// The one shut-down sequence every exit passes through.
#include "app/ZentilApp.h"

#include "platform/ScreenSaverInhibitor.h"
#include "platform/SingleInstance.h"
#include "playback/FullScreenWindow.h"
#include "playback/HelpWindow.h"
#include "playback/WavePlayer.h"
#include "render/DrawingSurfaces.h"
#include "script/SlideStructureDump.h"
#include "storage/FolderLayout.h"

#include <QCoreApplication>
#include <QDir>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

void ZentilApp::ExecuteExitZentil()
{
    ZT_DEBUG(log_, TraceProcedures, "status", u"ExecuteExitZentil"_s);
    // Every way out keeps the place in a show that is playing, failures included.
    if (!unloadStarted_)
        SaveQuitPointIfPlaying();
    state_.ExitInProgress = true;
    if (unloadStarted_)
        return;
    RunShutDownSteps();
    if (options_.EndEventLoopAtExit)
        QCoreApplication::exit(exitCode_);
}

// The place in a show that is playing, kept when the player ends (a failure included).
void ZentilApp::SaveQuitPointIfPlaying()
{
    if (state_.SlideShowLoaded && state_.DefaultSlideShown != DefaultSlide::EndOfShow
        && !state_.ExitInProgress)
        SaveQuitPoint(WaveControl(model_.CurrentSlide.ResourceSet).Position());
}

// Each step is traced. The display mode, window placement and font smoothing are never changed
// on this platform, so their restore steps have nothing to do.
void ZentilApp::RunShutDownSteps()
{
    state_.ExitInProgress = true;
    unloadStarted_ = true;
    ReleaseEverything();
    // The trace ends with the steps: its file is closed last.
    if (log_.DebugMode && log_.DebugFileOpen())
        log_.CloseDebugFile();
    if (instance_)
        instance_->Release();
}

void ZentilApp::ReleaseEverything()
{
    const auto step
        = [this](const QString& text) { ZT_DEBUG(log_, TraceProcedures, "status", text); };
    ZT_TRACE_SCOPE(log_, u"Splash.Form_Unload"_s);

    heartbeatTimer_.stop();
    step(u"Setting HeartbeatTimer.Enabled = False."_s);
    downloadTimer_.stop();
    thumbnailTimer_.stop();
    ResetThumbnails(thumbnails_);
    if (help_)
        help_->hide();
    if (window_) {
        window_->hide();
        step(u"Unloading FullScreen."_s);
    }
    if (screenSaver_) {
        screenSaver_->UnInhibit();
        step(u"Restoring ScreenSaveState."_s);
    }
    if (downloads_.Busy()) {
        downloads_.StopTransfers();
        step(u"Disconnecting HTTP1"_s);
    }
    for (int index : { 1, 2 }) {
        WaveControl(index).Command(WaveCommand::Stop);
        step(u"Stopping WaveControl(%1)."_s.arg(index));
        WaveControl(index).Command(WaveCommand::Close);
        step(u"Closing WaveControl(%1)."_s.arg(index));
    }
    DeletePrivateFonts(fonts_, folders_.SysFontFolderPath, log_);
    step(u"Deleting the private fonts."_s);
    DeleteLayers(render_.Surfaces, log_);
    step(u"Deleting the bitmaps."_s);
    ReleasePresentation();
    if (!folders_.ZTTempPath.isEmpty()) {
        DeleteTempResourceFiles(folders_, log_);
        step(u"Deleting the contents of the zentil temp folder."_s);
        // The folder itself goes too unless the debug files remain in it; start-up makes it again.
        if (QDir(folders_.ZTTempPath).isEmpty())
            QDir().rmdir(folders_.ZTTempPath);
        step(u"Deleting the zentil temp folder."_s);
    }
    step(u"Setting ZTTempPathID = Nothing."_s);
    if (log_.DebugMode && log_.DebugFileOpen())
        step(u"Closing the debug file and setting DebugFileID = Nothing."_s);
}

// With the dump switch on, the structure dump is written; a presentation found corrupt loses its
// cache folder. The model itself is freed with the application object, not here: the shut-down
// can start inside a handler (a key pressed while events run during a slide change) that still
// reads the model when control returns to it.
void ZentilApp::ReleasePresentation()
{
    if (log_.DebugMode && log_.Switches.DumpSlideStructure)
        WriteSlideStructure(model_, folders_.ZTTempPath);
    script_.Clear();
    ZT_DEBUG(log_, TraceProcedures, "status", u"Erasing ScriptArray."_s);
    if (errors_.CorruptFileFound && !folders_.ZentilCachePath.isEmpty()) {
        ZT_DEBUG(log_, TraceProcedures, "status",
            u"Deleting the presentation folder in cache because a file is corrupted."_s);
        DeleteCachedPresentation(folders_, model_.Defn.ScriptParentFolder, log_);
    }
}

} // namespace zentil
