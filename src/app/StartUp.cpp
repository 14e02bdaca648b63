// The start-up sequence, locating the presentation, and opening another one.
#include "app/ZentilApp.h"

#include "app/ErrorTexts.h"
#include "app/PresentationOpening.h"

#include "download/ScriptFetch.h"
#include "platform/DiscDetection.h"
#include "platform/ScreenSaverInhibitor.h"
#include "platform/SingleInstance.h"
#include "playback/FullScreenWindow.h"
#include "playback/ShowController.h"
#include "playback/WavePlayer.h"
#include "render/SlideComposition.h"
#include "script/ScriptLoader.h"
#include "script/ScriptReader.h"
#include "script/WorkingCopies.h"
#include "storage/CacheCopy.h"
#include "storage/DownloadedScripts.h"
#include "storage/FolderLayout.h"
#include "storage/QuitPoints.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QTextStream>

#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

const QString kErrorTitle = u"Zentil Error Message"_s;

} // namespace

bool ZentilApp::Start(const QString& commandLine)
{
    folders_ = options_.HomeFolder.isEmpty()
        ? FindZentilFolders()
        : OneFolderLayout(options_.HomeFolder, FolderLayoutKind::ZentilHome);
    if (const QString problem = MakeZentilFolders(folders_); !problem.isEmpty()) {
        ShowMessage(kErrorTitle, problem);
        exitCode_ = 1;
        unloadStarted_ = true;
        return false;
    }
    instance_ = std::make_unique<SingleInstance>(folders_.HomePath);
    const SingleInstance::Outcome lock = instance_->Acquire();
    if (lock != SingleInstance::Outcome::Acquired) {
        // Another player runs: end at once, silently. Anything else is the user's to know.
        if (lock == SingleInstance::Outcome::Failed) {
            ShowMessage(kErrorTitle, instance_->FailureText());
            exitCode_ = 1;
        }
        unloadStarted_ = true;
        return false;
    }

    QString scriptPath = ScriptPathFromCommandLine(commandLine);
    folders_ = BuildZentilFolders(folders_, log_);
    DeleteTempResourceFiles(folders_, log_);
    StartDebugTrace(scriptPath);
    ZT_TRACE_SCOPE(log_, u"Splash.Form_Load"_s);
    TraceFolders();
    if (IsWebAddress(scriptPath)) {
        // The script arrives later; the player opens it when it is there (StartUpScriptFetched).
        FetchStartUpScript(QUrl(scriptPath.trimmed(), QUrl::TolerantMode));
        return true;
    }
    return OpenStartUpScript(scriptPath);
}

// The rest of the start-up, once the script is a file (or there is none): the presentation is
// opened and its first slide shown, or the "none" slide invites opening one.
bool ZentilApp::OpenStartUpScript(const QString& scriptPath)
{
    script_.Clear();
    state_.DefaultSlideShown = DefaultSlide::NotShown;
    SetDisplayRatio(render_.Display, log_);
    model_.CurrentSlide.Index = 0;

    // A script that does not exist is not an error that stops the player: the error dialog
    // says so, then the "none" slide invites opening another.
    const bool scriptMissing = !scriptPath.isEmpty() && !QFileInfo::exists(scriptPath);
    if (!scriptPath.isEmpty() && !scriptMissing) {
        const OpeningRefusal refusal
            = PresentationOpening(folders_, model_, script_, *reporter_, log_).Open(scriptPath);
        if (refusal.Refused())
            return EndAtStartUp(refusal.Title, refusal.Text);
    }

    window_->ShowFullScreen();
    // The layers take the size the slide has on screen, so it is drawn at full sharpness.
    PrepareLayerMemoryAhead(render_.Surfaces, window_->SlideSize(), workAhead_.Pool);
    PrepareRenderState(render_, log_, window_->SlideSize());
    host_->PresentForeground();
    // The screen saver is held off from the first slide on (or the slide that says there is
    // none), not from the empty picture above: the session bus and the desktop's answer are not
    // on the way to the first slide.
    connect(window_.get(), &FullScreenWindow::PictureShown, this, &ZentilApp::InhibitScreenSaver,
        static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));

    model_.CurrentSlide = SlidePlay { 0, 1, false };
    model_.NextSlide = SlidePlay { 0, 2, false };
    if (script_.MaxScriptIndex() < 1) {
        host_->ShowDefaultSlide(DefaultSlide::NoPresentation);
        control_->ShowMovedTo(ShowState::NoShow);
        host_->FocusSlideWindow();
        if (scriptMissing)
            ShowErrorDialog(MissingPresentationText(scriptPath), QString());
    } else {
        LoadSlideShow();
        if (unloadStarted_)
            return false;
    }
    heartbeatTimer_.start();
    return true;
}

void ZentilApp::InhibitScreenSaver()
{
    if (unloadStarted_ || screenSaver_)
        return;
    screenSaver_ = std::make_unique<ScreenSaverInhibitor>();
    screenSaver_->Inhibit(u"Zentil"_s, u"Playing a presentation"_s);
}

void ZentilApp::StartDebugTrace(const QString& scriptPath)
{
    if (!log_.DebugMode)
        return;
    ShowMessage(u"DownloadScriptName"_s, scriptPath);
    if (!scriptPath.isEmpty())
        ZT_DEBUG(log_, TraceProcedures, "status", u"DownloadScriptName = "_s + scriptPath);
    log_.Switches = DebugSwitches {};
    if (log_.DebugFileEnabled)
        log_.OpenDebugFile(folders_.ZTTempPath);
}

// What the trace records first, inside Splash.Form_Load.
void ZentilApp::TraceFolders()
{
    ZT_DEBUG(log_, TraceProcedures, "status",
        u"Zentil application path = "_s + QCoreApplication::applicationDirPath() + u"/"_s);
    ZT_DEBUG(log_, TraceProcedures, "status", u"ZentilSavePath = "_s + folders_.ZentilSavePath);
    ZT_DEBUG(log_, TraceProcedures, "status", u"ZentilCachePath = "_s + folders_.ZentilCachePath);
    ZT_DEBUG(log_, TraceProcedures, "status", u"ZTTempPathID.Path = "_s + folders_.ZTTempPath);
    ZT_DEBUG(
        log_, TraceProcedures, "status", u"SysFontFolderID.Path = "_s + folders_.SysFontFolderPath);
}

// A message, then the one shut-down path with a failure exit code; always false.
bool ZentilApp::EndAtStartUp(const QString& title, const QString& text)
{
    ShowMessage(title, text);
    exitCode_ = 1;
    ExecuteExitZentil();
    return false;
}

// Parses the statements into the model and hands the show to the download manager, which
// starts it once every file needed first is present.
void ZentilApp::LoadSlideShow()
{
    LoadContext context { folders_, *reporter_, log_, true,
        [this](const QString& name) { return FindFontFile(fonts_, name, log_); } };
    if (zentil::LoadSlideShow(script_, model_, context) != LoadOutcome::Loaded || unloadStarted_)
        return;
    ReadProxySettings();
    // A script fetched by its address and naming no server finds its files beside it.
    if (scriptUrl_.isValid() && model_.Connection.ServerAddress.isEmpty())
        model_.Connection = ParseConnectionSettings(ResourceFolderBeside(scriptUrl_));
    RegisterPresentFonts();
    downloads_.Reset();
    state_.SlideShowLoaded = true;
    control_->ShowMovedTo(ShowState::WaitingForStart);
    // The first tick checks the files at once; thumbnails wait for the first slide.
    downloadTimer_.start(0);
}

// Fonts already in the resource folder are registered now; downloaded ones as they arrive.
void ZentilApp::RegisterPresentFonts()
{
    for (const ResourceMapEntry& entry : model_.Map.Entries()) {
        if (entry.ResourceName.endsWith(u".ttf"_s, Qt::CaseInsensitive)
            && host_->ResourceFilePresent(entry.ResourceName))
            RegisterFont(entry.ResourceName);
    }
}

// The show's first files are present: its start slide plays (the controller has left
// WaitingForStart).
void ZentilApp::StartNewSlideShow()
{
    ZT_TRACE_SCOPE(log_, u"StartNewSlideShow"_s);
    ZT_DEBUG(log_, TraceProcedures, "status",
        u"StartNewSlideShow: PreviewThumbnailActive = False; PreviewThumbnailVisible = False"_s);
    ZT_DEBUG(log_, TraceProcedures, "status",
        u"StartNewSlideShow: PreviewPauseActive = False; PreviewPauseVisible = False"_s);
    const qint64 resumeAt = std::exchange(model_.StartPosition, 0);
    sequencer_.PlayGivenSlide(model_.StartSlide, resumeAt);
    if (!unloadStarted_)
        thumbnailTimer_.start();
}

// Empties the presentation: players closed, timers and downloads stopped, model, working
// copies and private fonts gone. The debug files in the temporary folder are kept.
void ZentilApp::InitializeSlideShow()
{
    state_.SubslideClockRunning = false;
    state_.EndSlideDue = 0;
    script_.EncryptFlag = false;
    downloadTimer_.stop();
    thumbnailTimer_.stop();
    // The new presentation's thumbnails are looked for from its first slide on.
    ResetThumbnails(thumbnails_);
    state_.SlideAwaitingFiles = 0;
    state_.NextSlideAwaitingFiles = 0;
    for (SlidePlay* play : { &model_.CurrentSlide, &model_.NextSlide }) {
        WaveControl(play->ResourceSet).Command(WaveCommand::Stop);
        WaveControl(play->ResourceSet).Command(WaveCommand::Close);
        play->SoundLoaded = false;
    }
    downloads_.Reset();
    ClearSlideShowModel(model_);
    DeleteTempResourceFiles(folders_, log_);
    state_.SlideShowLoaded = false;
    state_.DefaultSlideShown = DefaultSlide::NotShown;
    DeletePrivateFonts(fonts_, folders_.SysFontFolderPath, log_);
    InitializeGraphics(render_.Graphics, log_);
}

void ZentilApp::SaveQuitPoint(qint64 position)
{
    zentil::SaveQuitPoint(folders_, model_.Defn.ScriptShortName, model_.CurrentSlide.Index,
        position, state_.DefaultSlideShown != DefaultSlide::NotShown, log_);
}

// The narration waits while the user chooses; a cancelled choice resumes it.
void ZentilApp::ExecuteFileOpen()
{
    control_->RunModalCommand(true, [this] {
        QString chosen;
        if (options_.ShowDialogs)
            chosen = QFileDialog::getOpenFileName(window_.get(), u"Load Zentil Presentation"_s,
                folders_.ZentilSavePath, u"Zentil Files (*.zentil)"_s);
        else
            QTextStream(stderr) << u"Load Zentil Presentation: no dialogs in this run.\n"_s;
        if (!chosen.isEmpty())
            OpenPresentation(chosen.trimmed());
    });
}

void ZentilApp::OpenPresentation(const QString& fileName)
{
    WavePlayer& current = WaveControl(model_.CurrentSlide.ResourceSet);
    // A choice that names no file leaves the show on screen as it was.
    const QFileInfo file(fileName);
    if (!file.isFile()) {
        ShowErrorDialog(MissingPresentationText(fileName), QString());
        return;
    }
    SaveQuitPoint(current.Position());
    if (state_.SlideShowLoaded && state_.DefaultSlideShown != DefaultSlide::EndOfShow)
        host_->ShowDefaultSlide(DefaultSlide::Loading);
    control_->ShowMovedTo(ShowState::NoShow);
    downloads_.InterruptDownload();
    InitializeSlideShow();
    scriptUrl_.clear();

    model_.Defn.ScriptShortName = file.fileName();
    folders_.ZentilSavePath = file.absolutePath();
    SetLastSaveFolder(folders_);
    BuildPresentationFolder(folders_, folders_.ZentilSavePath, log_);
    model_.Defn.ScriptParentFolder = folders_.ZentilSavePath;
    const ScriptReadResult read
        = LoadScriptFromFile(file.absoluteFilePath(), folders_.ZTTempPath, script_, log_);
    if (!read.Refusal.isEmpty())
        ShowMessage(kErrorTitle, read.Refusal);
    for (const ScriptMessage& message : read.Messages)
        reporter_->ScriptProblem(message.StatementNumber, message.Text);
    const QString name = read.ScriptName.isEmpty() ? model_.Defn.ScriptShortName : read.ScriptName;
    const VersionCheck check = script_.MaxScriptIndex() < 1
        ? VersionCheck {}
        : CheckScriptVersion(name, read.ScriptVersion);
    if (script_.MaxScriptIndex() >= 1 && check.Passes) {
        LoadSlideShow();
        return;
    }
    if (!check.Passes) {
        ShowMessage(check.Title, check.Text);
        script_.Clear();
    }
    host_->ShowDefaultSlide(DefaultSlide::NoPresentation);
}

} // namespace zentil
