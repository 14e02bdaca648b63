// The start-up sequence, locating the presentation, and opening another one.
#include "app/ZentilApp.h"

#include "platform/DiscDetection.h"
#include "platform/OggDecoder.h"
#include "platform/ScreenSaverInhibitor.h"
#include "platform/SingleInstance.h"
#include "playback/FullScreenWindow.h"
#include "playback/WavePlayer.h"
#include "render/SlideComposition.h"
#include "script/ScriptLoader.h"
#include "script/ScriptReader.h"
#include "script/WorkingCopies.h"
#include "storage/CacheCopy.h"
#include "storage/FolderLayout.h"
#include "storage/QuitPoints.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

const QString kErrorTitle = u"Zentil Error Message"_s;

// Places where a web browser leaves the scripts it downloads: the system temporary folder and
// the user's cache folder. A script found there is copied into the player's own cache.
bool InBrowserDownloadFolder(const QString& folder)
{
    const QString lower = QDir::cleanPath(folder).toLower() + u"/"_s;
    const QString temp = QDir::cleanPath(QDir::tempPath()).toLower() + u"/"_s;
    const QString cache = QDir::cleanPath(QDir::homePath() + u"/.cache"_s).toLower() + u"/"_s;
    return lower.startsWith(temp) || lower.startsWith(cache);
}

} // namespace

bool ZentilApp::Start(const QString& commandLine)
{
    const QString home = options_.HomeFolder.isEmpty() ? FindHomeFolder() : options_.HomeFolder;
    QDir().mkpath(home);
    instance_ = std::make_unique<SingleInstance>(home);
    if (!instance_->TryAcquire()) {
        unloadStarted_ = true; // another player runs: end at once, silently
        return false;
    }

    const QString scriptPath = ScriptPathFromCommandLine(commandLine);
    folders_ = BuildZentilFolders(home, log_);
    DeleteTempResourceFiles(folders_, log_);
    if (!CheckDecoder())
        return false;
    StartDebugTrace(scriptPath);

    screenSaver_ = std::make_unique<ScreenSaverInhibitor>();
    screenSaver_->Inhibit(u"Zentil"_s, u"Playing a presentation"_s);

    script_.Clear();
    state_.DefaultSlideShown.clear();
    SetDisplayRatio(render_.Display, log_);
    model_.CurrentSlide.Index = 0;

    if (!scriptPath.isEmpty() && QFileInfo(scriptPath).isFile() && !LocatePresentation(scriptPath))
        return false;

    window_->ShowFullScreen();
    render_.Display.FullScreenLoaded = true;
    PrepareRenderState(render_, log_);
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

// The narration decoder must be present before anything is shown.
bool ZentilApp::CheckDecoder()
{
    const QString path = OggDecoder::FindDecoder();
    if (!path.isEmpty()) {
        decoder_->SetDecoderPath(path);
        return true;
    }
    ShowMessage(kErrorTitle,
        u"Zentil cannot run because oggdec is not\rlocated in "_s
            + QCoreApplication::applicationDirPath() + u" or on the PATH."_s);
    exitCode_ = 1;
    ExecuteExitZentil();
    return false;
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
// disc, which is copied into the cache first) or, for a script a browser downloaded, in a
// cache folder of its own. False when the program must end.
bool ZentilApp::LocatePresentation(const QString& scriptPath)
{
    const ScriptReadResult read
        = LoadScriptFromFile(scriptPath, folders_.ZTTempPath, script_, log_);
    const QFileInfo file(scriptPath);
    const QString parent = file.absolutePath();
    const bool onDisc = DiscDetection::IsOnDisc(parent);
    const bool local = onDisc
        || (!InBrowserDownloadFolder(parent)
            && QFileInfo(QDir(parent).filePath(u"resources"_s)).isDir());
    if (local)
        return OpenLocalPresentation(scriptPath, read.ScriptName, read.ScriptVersion, onDisc);
    return OpenDownloadedPresentation(scriptPath, read.ScriptName, read.ScriptVersion);
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
        if (!CopyPresentationToCache(
                folders_, defn.ScriptParentFolder, defn.ScriptShortName, log_)) {
            ShowMessage(kErrorTitle,
                u"The Zentil presentation invoked from the CD drive\ris missing its resource files, and so, it can't run."_s);
            exitCode_ = 1;
            ExecuteExitZentil();
            return false;
        }
        scriptFileName_ = QDir(defn.ScriptParentFolder).filePath(defn.ScriptShortName);
    }
    if (!PassesVersionCheck(nameFromScript, version))
        return false;
    BuildPresentationFolder(folders_, defn.ScriptParentFolder, log_);
    return true;
}

bool ZentilApp::OpenDownloadedPresentation(
    const QString& scriptPath, const QString& nameFromScript, float version)
{
    SlideShowDefn& defn = model_.Defn;
    defn.ScriptShortName = nameFromScript.isEmpty()
        ? RemoveBrowserInstanceNumber(QFileInfo(scriptPath).fileName())
        : nameFromScript;
    if (!PassesVersionCheck(nameFromScript, version))
        return false;
    defn.ScriptParentFolder
        = folders_.ZentilCachePath + GetShortFileName(defn.ScriptShortName, true);
    scriptFileName_ = QDir(defn.ScriptParentFolder).filePath(defn.ScriptShortName);
    BuildPresentationFolder(folders_, defn.ScriptParentFolder, log_);
    if (QFileInfo(scriptFileName_).absoluteFilePath() != QFileInfo(scriptPath).absoluteFilePath()) {
        QFile::remove(scriptFileName_);
        QFile::copy(scriptPath, scriptFileName_);
        if (InBrowserDownloadFolder(QFileInfo(scriptPath).absolutePath()))
            QFile::remove(scriptPath);
    }
    return true;
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
    RegisterPresentFonts();
    downloads_.Reset();
    state_.SlideShowLoaded = true;
    downloadTimer_.start(5);
}

// Fonts already in the resource folder are registered now; downloaded ones as they arrive.
void ZentilApp::RegisterPresentFonts()
{
    for (const ResourceMapEntry& entry : model_.Map.Entries()) {
        if (!entry.ResourceName.endsWith(u".ttf"_s, Qt::CaseInsensitive)
            || !ResourceFilePresent(entry.ResourceName)
            || FindFontFile(fonts_, entry.ResourceName, log_))
            continue;
        const QString copy = DecompressFile(WorkingCopies(), entry.ResourceName);
        if (copy.isEmpty())
            continue;
        const QString target = QDir(folders_.SysFontFolderPath).filePath(entry.ResourceName);
        QFile::remove(target);
        if (QFile::rename(copy, target) || QFile::copy(copy, target))
            AddPrivateFont(fonts_, folders_.SysFontFolderPath, entry.ResourceName, log_);
        QFile::remove(copy);
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
    sequencer_.PlayGivenSlide(model_.StartSlide);
    state_.SlideChangeInProgress = false;
    ZT_DEBUG(log_, TraceProcedures, "exit", u"StartNewSlideShow"_s);
}

// Empties the presentation: players closed, timers and downloads stopped, model, working
// copies and private fonts gone. The debug files in the temporary folder are kept.
void ZentilApp::InitializeSlideShow()
{
    state_.CheckWavePosition = false;
    script_.EncryptFlag = false;
    downloadTimer_.stop();
    state_.CurSlideWaitingRsrcs = 0;
    state_.NextSlideWaitingRsrcs = 0;
    ++state_.SlideChangeCount; // what was being prepared for the old show is stale
    for (SlidePlay* play : { &model_.CurrentSlide, &model_.NextSlide }) {
        WaveControl(play->ResourceSet).Command(u"Stop"_s);
        WaveControl(play->ResourceSet).Command(u"Close"_s);
        play->SoundLoaded = false;
        LetEventsRun();
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
        current.Command(u"Pause"_s);
        LetEventsRun();
    }
    // Without dialogs nothing can be chosen: the same as a cancelled choice.
    const QString chosen = options_.ShowDialogs
        ? QFileDialog::getOpenFileName(window_.get(), u"Load Zentil Presentation"_s,
            folders_.ZentilSavePath, u"Zentil Files (*.zentil)"_s)
        : QString();
    if (chosen.isEmpty()) {
        if (!state_.PreviewPauseActive && current.Mode() == WaveMode::Paused)
            current.Command(u"Pause"_s);
        return;
    }
    OpenPresentation(chosen.trimmed());
}

void ZentilApp::OpenPresentation(const QString& fileName)
{
    WavePlayer& current = WaveControl(model_.CurrentSlide.ResourceSet);
    SaveQuitPoint(current.Position());
    if (state_.ShowPlaying) {
        state_.ShowPlaying = false;
        state_.DefaultSlideShown = u"load"_s;
        ShowDefaultSlide(u"load"_s);
    }
    if (downloads_.State().DownloadTimerBusy)
        downloads_.InterruptDownload([this] { LetEventsRun(); });
    state_.CheckWavePosition = false;
    InitializeSlideShow();

    const QFileInfo file(fileName);
    if (!file.isFile()) {
        ShowErrorDialog(
            u"The requested slide show, "_s + fileName + u",does not exist."_s, QString());
        if (!state_.PreviewPauseActive && current.Mode() == WaveMode::Paused)
            current.Command(u"Pause"_s);
        return;
    }
    model_.Defn.ScriptShortName = file.fileName();
    folders_.ZentilSavePath = file.absolutePath();
    SetLastSaveFolder(folders_);
    BuildPresentationFolder(folders_, folders_.ZentilSavePath, log_);
    model_.Defn.ScriptParentFolder = folders_.ZentilSavePath;
    const ScriptReadResult read
        = LoadScriptFromFile(file.absoluteFilePath(), folders_.ZTTempPath, script_, log_);
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
