// The start-up sequence, locating the presentation, and opening another one.
#include "app/ZentilApp.h"

#include "download/ScriptFetch.h"
#include "platform/DiscDetection.h"
#include "platform/ScreenSaverInhibitor.h"
#include "platform/SingleInstance.h"
#include "playback/FullScreenWindow.h"
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
    if (IsWebAddress(scriptPath)) {
        scriptPath = FetchScriptFromCommandLine(scriptPath);
        if (exitCode_ != 0) { // the user chose to end rather than wait for the server
            unloadStarted_ = true;
            return false;
        }
    }

    screenSaver_ = std::make_unique<ScreenSaverInhibitor>();
    screenSaver_->Inhibit(u"Zentil"_s, u"Playing a presentation"_s);

    script_.Clear();
    state_.DefaultSlideShown.clear();
    SetDisplayRatio(render_.Display, log_);
    model_.CurrentSlide.Index = 0;

    if (!scriptPath.isEmpty()) {
        if (!QFileInfo::exists(scriptPath)) {
            // Not an error that stops the player: the "none" slide invites opening another.
            QTextStream(stderr) << u"zentil: the presentation "_s << scriptPath
                                << u" was not found.\n"_s;
        } else if (!LocatePresentation(scriptPath)) {
            return false;
        }
    }

    window_->ShowFullScreen();
    // The layers take the size the slide has on screen, so it is drawn at full sharpness.
    PrepareRenderState(render_, log_, window_->SlideSize());
    PresentForeground();

    model_.CurrentSlide = SlidePlay { 0, 1, false };
    model_.NextSlide = SlidePlay { 0, 2, false };
    if (script_.MaxScriptIndex() < 1) {
        state_.ShowPlaying = false;
        state_.DefaultSlideShown = u"none"_s;
        ShowDefaultSlide(u"none"_s);
        FocusSlideWindow();
    } else {
        LoadSlideShow();
        if (unloadStarted_)
            return false;
        state_.ShowPlaying = true;
    }
    heartbeatTimer_.start();
    ZT_DEBUG(log_, TraceProcedures, "exit", u"Splash.Form_Load"_s);
    return true;
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
    ZT_DEBUG(log_, TraceProcedures, "enter", u"Splash.Form_Load"_s);
    ZT_DEBUG(log_, TraceProcedures, "status",
        u"Zentil application path = "_s + QCoreApplication::applicationDirPath() + u"/"_s);
    ZT_DEBUG(log_, TraceProcedures, "status", u"ZentilSavePath = "_s + folders_.ZentilSavePath);
    ZT_DEBUG(log_, TraceProcedures, "status", u"ZentilCachePath = "_s + folders_.ZentilCachePath);
    ZT_DEBUG(log_, TraceProcedures, "status", u"ZTTempPathID.Path = "_s + folders_.ZTTempPath);
    ZT_DEBUG(
        log_, TraceProcedures, "status", u"SysFontFolderID.Path = "_s + folders_.SysFontFolderPath);
}

// Reads the script and decides where the presentation lives: beside the script (local or on a
// disc, which is copied into the cache first) or, for a downloaded script, in a cache folder of
// its own. False when the program must end.
bool ZentilApp::LocatePresentation(const QString& scriptPath)
{
    const ScriptReadResult read
        = LoadScriptFromFile(scriptPath, folders_.ZTTempPath, script_, log_);
    if (!read.Refusal.isEmpty())
        return EndAtStartUp(read.Refusal);
    for (const ScriptMessage& message : read.Messages)
        reporter_->ScriptProblem(message.StatementNumber, message.Text);
    const QString parent = CanonicalFolder(QFileInfo(scriptPath).absolutePath());
    const bool onDisc = DiscDetection::IsOnDisc(parent);
    const bool hasResources = QFileInfo(QDir(parent).filePath(u"resources"_s)).isDir();
    const ScriptOrigin origin = onDisc
        ? ScriptOrigin::Local
        : ClassifyScriptFolder(parent, hasResources, CurrentScriptPlaces(folders_));
    // A presentation the user may not write to (an installed example, a read-only share) is
    // copied into the cache like one on a disc, so its thumbnails and fetched files have a place.
    const bool readOnly = hasResources && !QFileInfo(parent).isWritable();
    if (origin == ScriptOrigin::Local)
        return OpenLocalPresentation(
            scriptPath, read.ScriptName, read.ScriptVersion, onDisc || readOnly);
    return OpenDownloadedPresentation(
        scriptPath, read.ScriptName, read.ScriptVersion, origin == ScriptOrigin::LeftByBrowser);
}

bool ZentilApp::OpenLocalPresentation(
    const QString& scriptPath, const QString& nameFromScript, float version, bool onDisc)
{
    const QFileInfo file(scriptPath);
    SlideShowDefn& defn = model_.Defn;
    defn.ScriptParentFolder = file.absolutePath();
    defn.ScriptShortName = nameFromScript.isEmpty() ? file.fileName() : nameFromScript;
    scriptFileName_ = QDir(defn.ScriptParentFolder).filePath(defn.ScriptShortName);
    if (onDisc) {
        if (!CopyPresentationToCache(folders_, defn.ScriptParentFolder, defn.ScriptShortName, log_))
            return EndAtStartUp(
                u"The Zentil presentation invoked from the CD drive\ris missing its resource files, and so, it can't run."_s);
        scriptFileName_ = QDir(defn.ScriptParentFolder).filePath(defn.ScriptShortName);
    }
    if (!PassesVersionCheck(defn.ScriptShortName, version))
        return false;
    BuildPresentationFolder(folders_, defn.ScriptParentFolder, log_);
    return true;
}

// A downloaded script gets a cache folder named after it. The browser's copy is deleted only
// when leftByBrowser says the script lay in a browser's download folder, and only once the
// cache holds a complete copy.
bool ZentilApp::OpenDownloadedPresentation(
    const QString& scriptPath, const QString& nameFromScript, float version, bool leftByBrowser)
{
    SlideShowDefn& defn = model_.Defn;
    defn.ScriptShortName = nameFromScript.isEmpty()
        ? RemoveBrowserInstanceNumber(QFileInfo(scriptPath).fileName())
        : nameFromScript;
    if (!PassesVersionCheck(defn.ScriptShortName, version))
        return false;
    const QString folderName = CacheFolderName(defn.ScriptShortName);
    if (folderName.isEmpty())
        return EndAtStartUp(u"The Zentil presentation "_s + scriptPath
            + u" cannot be opened:\rits name "_s + defn.ScriptShortName
            + u" gives it no folder in the cache."_s);
    defn.ScriptParentFolder = folders_.ZentilCachePath + folderName;
    scriptFileName_ = QDir(defn.ScriptParentFolder).filePath(defn.ScriptShortName);
    BuildPresentationFolder(folders_, defn.ScriptParentFolder, log_);
    CopyScriptIntoCache(scriptPath, scriptFileName_, leftByBrowser, log_);
    return true;
}

// A message, then the one shut-down path with a failure exit code; always false.
bool ZentilApp::EndAtStartUp(const QString& text)
{
    ShowMessage(kErrorTitle, text);
    exitCode_ = 1;
    ExecuteExitZentil();
    return false;
}

bool ZentilApp::PassesVersionCheck(const QString& name, float version)
{
    const VersionCheck check = CheckScriptVersion(name, version);
    if (check.Passes)
        return true;
    ShowMessage(check.Title, check.Text);
    exitCode_ = 1;
    ExecuteExitZentil();
    return false;
}

// Parses the statements into the model and hands the show to the download manager, which
// starts it once every file needed first is present.
void ZentilApp::LoadSlideShow()
{
    if (state_.CheckWavePosition)
        InitializeSlideShow();
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
    // The first tick checks the files at once; thumbnails wait for the first slide.
    downloadTimer_.start(0);
}

// Fonts already in the resource folder are registered now; downloaded ones as they arrive.
void ZentilApp::RegisterPresentFonts()
{
    for (const ResourceMapEntry& entry : model_.Map.Entries()) {
        if (entry.ResourceName.endsWith(u".ttf"_s, Qt::CaseInsensitive)
            && ResourceFilePresent(entry.ResourceName))
            RegisterFont(entry.ResourceName);
    }
}

void ZentilApp::StartNewSlideShow()
{
    ZT_DEBUG(log_, TraceProcedures, "enter", u"StartNewSlideShow"_s);
    state_.SlideChangeInProgress = true;
    state_.PreviewThumbnailActive = false;
    state_.PreviewThumbnailVisible = false;
    ZT_DEBUG(log_, TraceProcedures, "status",
        u"StartNewSlideShow: PreviewThumbnailActive = False; PreviewThumbnailVisible = False"_s);
    state_.PreviewPauseActive = false;
    state_.PreviewPauseVisible = false;
    ZT_DEBUG(log_, TraceProcedures, "status",
        u"StartNewSlideShow: PreviewPauseActive = False; PreviewPauseVisible = False"_s);
    const qint64 resumeAt = std::exchange(model_.StartPosition, 0);
    sequencer_.PlayGivenSlide(model_.StartSlide, resumeAt);
    state_.SlideChangeInProgress = false;
    if (!unloadStarted_)
        thumbnailTimer_.start();
    ZT_DEBUG(log_, TraceProcedures, "exit", u"StartNewSlideShow"_s);
}

// Empties the presentation: players closed, timers and downloads stopped, model, working
// copies and private fonts gone. The debug files in the temporary folder are kept.
void ZentilApp::InitializeSlideShow()
{
    state_.CheckWavePosition = false;
    script_.EncryptFlag = false;
    downloadTimer_.stop();
    thumbnailTimer_.stop();
    // The new presentation's thumbnails are looked for from its first slide on.
    ResetThumbnails(thumbnails_);
    state_.CurSlideWaitingRsrcs = 0;
    state_.NextSlideWaitingRsrcs = 0;
    ++state_.SlideChangeCount; // what was being prepared for the old show is stale
    for (SlidePlay* play : { &model_.CurrentSlide, &model_.NextSlide }) {
        WaveControl(play->ResourceSet).Command(WaveCommand::Stop);
        WaveControl(play->ResourceSet).Command(WaveCommand::Close);
        play->SoundLoaded = false;
    }
    downloads_.Reset();
    ClearSlideShowModel(model_);
    DeleteTempResourceFiles(folders_, log_);
    state_.SlideShowLoaded = false;
    state_.DefaultSlideShown.clear();
    DeletePrivateFonts(fonts_, folders_.SysFontFolderPath, log_);
    InitializeGraphics(render_.Graphics, log_);
}

void ZentilApp::SaveQuitPoint(qint64 position)
{
    zentil::SaveQuitPoint(folders_, model_.Defn.ScriptShortName, model_.CurrentSlide.Index,
        position, !state_.DefaultSlideShown.isEmpty(), log_);
}

void ZentilApp::ExecuteFileOpen()
{
    WavePlayer& current = WaveControl(model_.CurrentSlide.ResourceSet);
    if (current.Mode() == WaveMode::Playing) {
        current.Command(WaveCommand::Pause);
    }
    QString chosen;
    if (options_.ShowDialogs)
        chosen = QFileDialog::getOpenFileName(window_.get(), u"Load Zentil Presentation"_s,
            folders_.ZentilSavePath, u"Zentil Files (*.zentil)"_s);
    else
        QTextStream(stderr) << u"Load Zentil Presentation: no dialogs in this run.\n"_s;
    if (chosen.isEmpty()) {
        if (!state_.PreviewPauseActive && current.Mode() == WaveMode::Paused)
            current.Command(WaveCommand::Pause);
        return;
    }
    OpenPresentation(chosen.trimmed());
}

void ZentilApp::OpenPresentation(const QString& fileName)
{
    WavePlayer& current = WaveControl(model_.CurrentSlide.ResourceSet);
    // A choice that names no file leaves the show on screen as it was.
    const QFileInfo file(fileName);
    if (!file.isFile()) {
        ShowErrorDialog(
            u"The requested slide show, "_s + fileName + u",does not exist."_s, QString());
        if (!state_.PreviewPauseActive && current.Mode() == WaveMode::Paused)
            current.Command(WaveCommand::Pause);
        return;
    }
    SaveQuitPoint(current.Position());
    if (state_.ShowPlaying) {
        state_.ShowPlaying = false;
        state_.DefaultSlideShown = u"load"_s;
        ShowDefaultSlide(u"load"_s);
    }
    downloads_.InterruptDownload();
    state_.CheckWavePosition = false;
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
        state_.ShowPlaying = true;
        return;
    }
    if (!check.Passes) {
        ShowMessage(check.Title, check.Text);
        script_.Clear();
    }
    state_.ShowPlaying = false;
    state_.DefaultSlideShown = u"none"_s;
    ShowDefaultSlide(u"none"_s);
}

} // namespace zentil
