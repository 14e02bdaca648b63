// How the application object connects the download manager to the window, the dialogs, fonts
// and narration, and fetches a script named by a web address.
#include "app/ZentilApp.h"

#include "download/ConnectFailureDialog.h"
#include "download/HttpTransfer.h"
#include "download/ProxyDialog.h"
#include "download/ScriptFetch.h"
#include "playback/FullScreenWindow.h"
#include "playback/ResourcePanel.h"
#include "script/WorkingCopies.h"

#include <QApplication>
#include <QDir>
#include <QFile>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

void ZentilApp::SetDownloadHooks()
{
    DownloadManager::Hooks hooks;
    hooks.StartNewSlideShow = [this] { StartNewSlideShow(); };
    hooks.ShowResourcePanel = [this] {
        window_->Resources().SetCaption(model_.Defn.ShowTitle);
        window_->Resources().show();
    };
    hooks.HideResourcePanel = [this] { HideWaitingPanel(); };
    hooks.ResourcePanelVisible = [this] { return WaitingPanelVisible(); };
    hooks.SetPanelText = [this](const QString& text) { window_->Resources().SetText(text); };
    hooks.SetPanelBytes = [this](const QString& text) { window_->Resources().SetBytes(text); };
    hooks.SetFileProgress = [this](double share) { window_->Resources().SetFileProgress(share); };
    hooks.SetFilesProgress = [this](double share) { window_->Resources().SetFilesProgress(share); };
    hooks.FocusSlideWindow = [this] { FocusSlideWindow(); };
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
        DisplayResourceFatalError();
    };
    hooks.FileArrived = [this](const QString& name) { DownloadedFileArrived(name); };
    downloads_.SetHooks(std::move(hooks));
}

// A downloaded font is registered; downloaded narration gets its working copy now, so its slide
// finds it ready.
void ZentilApp::DownloadedFileArrived(const QString& name)
{
    const QString lower = name.right(4).toLower();
    if (lower == u".ttf") {
        RegisterFont(name);
        return;
    }
    if (lower != u".wav" && lower != u".ogg")
        return;
    const int32_t index = model_.Map.GetMapIndex(name);
    if (index >= 1)
        model_.Map.At(index).LocalFileName = MakeUnscrambledCopy(WorkingCopies(), name);
}

// The font's working copy is moved into the player's font folder and registered from there.
void ZentilApp::RegisterFont(const QString& resourceName)
{
    if (FindFontFile(fonts_, resourceName, log_))
        return;
    const QString copy = MakeUnscrambledCopy(WorkingCopies(), resourceName);
    if (copy.isEmpty())
        return;
    const QString target = QDir(folders_.SysFontFolderPath).filePath(resourceName);
    QFile::remove(target);
    if (QFile::rename(copy, target) || QFile::copy(copy, target))
        AddPrivateFont(fonts_, folders_.SysFontFolderPath, resourceName, log_);
    QFile::remove(copy);
}

void ZentilApp::SetProxyServer()
{
    if (!RunProxyDialog(proxy_, folders_.ProxyServerFile, window_.get(), options_.ShowDialogs))
        return;
    if (downloadTimer_.isActive()) {
        downloadTimer_.stop();
        downloadTimer_.start(std::min(downloadTimer_.interval(), DownloadManager::kFastIntervalMs));
    }
}

// The settings file first, then the system setting, which wins when it is switched on.
void ZentilApp::ReadProxySettings()
{
    proxy_ = {};
    ReadProxyServer(proxy_, folders_.ProxyServerFile);
    GetProxyServer(proxy_);
}

// `zentil http://host/path/talk.zentil`: the script is fetched into the system temporary
// folder, where a browser would have left it, and then opened as a browser's script is.
// Returns the file, or "" (after saying why) when it could not be fetched.
QString ZentilApp::FetchScriptFromCommandLine(const QString& address)
{
    const QUrl url(address.trimmed(), QUrl::TolerantMode);
    ReadProxySettings();
    FetchedScript fetched = FetchScriptIntoFolder(url, QDir::tempPath(), proxy_);
    // An unreachable server is asked about as during a show: try again, set a proxy, or end.
    while (fetched.ErrorNumber == ErrorNoConnection) {
        const ConnectFailureReply reply
            = RunConnectFailureDialog(window_.get(), options_.ShowDialogs);
        if (reply == ConnectFailureReply::ExitZentil) {
            exitCode_ = 1;
            return {};
        }
        if (reply == ConnectFailureReply::SetProxyServer)
            SetProxyServer();
        fetched = FetchScriptIntoFolder(url, QDir::tempPath(), proxy_);
    }
    if (fetched.FileName.isEmpty()) {
        ShowMessage(u"Zentil Error Message"_s,
            u"The presentation "_s + address + u" could not be fetched.\r"_s + fetched.Error);
        return {};
    }
    scriptUrl_ = url;
    return fetched.FileName;
}

} // namespace zentil
