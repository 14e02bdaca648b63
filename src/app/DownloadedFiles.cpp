// Files arriving from the web server (fonts, narration), the proxy settings, and fetching a
// script named by a web address.
#include "app/ZentilApp.h"

#include "download/ConnectFailureDialog.h"
#include "download/HttpTransfer.h"

#include "download/ProxyDialog.h"
#include "download/ScriptFetch.h"
#include "playback/FullScreenWindow.h"
#include "playback/ResourcePanel.h"
#include "playback/ShowController.h"
#include "script/WorkingCopies.h"

#include <QApplication>
#include <QDir>
#include <QFile>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

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
// folder, where a browser would have left it, and then opened as a browser's script is. The
// event loop runs meanwhile; the result is handled once the transfer has finished with it.
void ZentilApp::FetchStartUpScript(const QUrl& url)
{
    ReadProxySettings();
    scriptFetch_ = std::make_unique<ScriptFetch>();
    scriptFetch_->Start(url, QDir::tempPath(), proxy_, [this, url](const FetchedScript& fetched) {
        QMetaObject::invokeMethod(
            this, [this, url, fetched] { StartUpScriptFetched(url, fetched); },
            Qt::QueuedConnection);
    });
}

// An unreachable server is asked about as during a show: try again, set a proxy, or end. Any
// other failure is told, and the player starts without a presentation.
void ZentilApp::StartUpScriptFetched(const QUrl& url, const FetchedScript& fetched)
{
    scriptFetch_.reset();
    if (state_.ExitInProgress)
        return;
    if (fetched.ErrorNumber == ErrorNoConnection) {
        const ConnectFailureReply reply
            = RunConnectFailureDialog(window_.get(), options_.ShowDialogs);
        if (reply == ConnectFailureReply::ExitZentil) {
            exitCode_ = 1;
            ExecuteExitZentil();
            return;
        }
        if (reply == ConnectFailureReply::SetProxyServer)
            SetProxyServer();
        FetchStartUpScript(url);
        return;
    }
    if (fetched.FileName.isEmpty())
        ShowMessage(u"Zentil Error Message"_s,
            u"The presentation "_s + url.toString() + u" could not be fetched.\r"_s
                + fetched.Error);
    else
        scriptUrl_ = url;
    OpenStartUpScript(fetched.FileName);
}

} // namespace zentil
