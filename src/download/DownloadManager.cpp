#include "download/DownloadManager.h"

#include "base/DebugLog.h"
#include "download/DownloadPlanning.h"
#include "download/ProxySettings.h"
#include "script/PresentationModel.h"
#include "storage/ZentilFolders.h"

#include <QDir>
#include <QElapsedTimer>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {
constexpr int kInterruptWaitMs = 15000;
// The file-count bar: a sliver of 120 plus 4200 for the share of files, of 4320 in all.
constexpr double kFilesBarBase = 120.0;
constexpr double kFilesBarSpan = 4200.0;

const QString kNoConnectionText
    = u"The host computer could not be contacted or would not allow a connection."_s;

template <typename F, typename... Args> void Call(const F& hook, Args&&... args)
{
    if (hook)
        hook(std::forward<Args>(args)...);
}

// The address of a file: the server text followed directly by the name. A PORT option applies
// when the address names no port of its own.
QUrl FileUrl(const ConnectionSettings& connection, const QString& name)
{
    QUrl url(connection.ServerAddress.trimmed());
    url.setPath(url.path(QUrl::FullyDecoded) + name, QUrl::DecodedMode);
    if (url.port() < 0 && connection.Port != 0 && connection.Port != 80)
        url.setPort(connection.Port);
    return url;
}

bool IsSupportedServer(const QString& address)
{
    const QString lower = address.trimmed().toLower();
    return lower.startsWith(u"http://"_s) || lower.startsWith(u"https://"_s);
}
} // namespace

DownloadManager::DownloadManager(
    SlideShowModel& model, const ZentilFolders& folders, const ProxySettings& proxy, DebugLog& log)
    : model_(model)
    , folders_(folders)
    , proxy_(proxy)
    , log_(log)
{
    clock_.start();
}

void DownloadManager::Reset()
{
    ++generation_;
    state_ = {};
    state_.StartMarkerPlaced = model_.DownloadList.contains(u'|');
}

// Takes the first name off the queue; names are separated by one or more blanks.
QString DownloadManager::NextName()
{
    QString& queue = model_.DownloadList;
    queue = queue.trimmed();
    const qsizetype blank = queue.indexOf(u' ');
    QString name;
    if (blank < 0) {
        name = queue;
        queue.clear();
    } else {
        name = queue.left(blank);
        queue = queue.mid(blank + 1).trimmed();
    }
    return name;
}

bool DownloadManager::CheckStop()
{
    const bool stop = (hooks_.ExitInProgress && hooks_.ExitInProgress()) || state_.StopDownloads
        || state_.DownloadInterrupt == 1;
    if (!stop)
        return false;
    if (state_.DownloadInterrupt == 1)
        state_.DownloadInterrupt = 2;
    Call(hooks_.HideResourcePanel);
    Call(hooks_.FocusSlideWindow);
    return true;
}

void DownloadManager::StopTransfers()
{
    transfer_.Reset();
    state_.CurrentName.clear();
    state_.DownloadComplete = true;
}

void DownloadManager::UpdateFilesBar()
{
    const int done
        = state_.StartMarkerPlaced ? state_.PreStartFilesDone : state_.PostStartFilesDone;
    const int count
        = state_.StartMarkerPlaced ? model_.PreStartFileCount : model_.PostStartFileCount;
    const double share = count > 0
        ? ((done + 1.0) / count * kFilesBarSpan + kFilesBarBase) / (kFilesBarSpan + kFilesBarBase)
        : 1.0;
    Call(hooks_.SetFilesProgress, share);
}

void DownloadManager::ShowPanel(bool probing)
{
    Call(hooks_.SetPanelBytes, QString());
    Call(hooks_.SetFileProgress, 0.0);
    UpdateFilesBar();
    if (state_.StartMarkerPlaced || probing) {
        Call(hooks_.SetPanelText, u"Establishing connection to host computer..."_s);
        ZT_DEBUG(log_, TraceProcedures, "status", u"Setting ResourcePanel.Visible = True"_s);
        Call(hooks_.ShowResourcePanel);
    } else {
        Call(hooks_.SetPanelText, QString());
        Call(hooks_.HideResourcePanel);
    }
    Call(hooks_.WaitLettingEventsRun, 0);
}

void DownloadManager::DownloadTimerTick()
{
    if (hooks_.ExitInProgress && hooks_.ExitInProgress()) {
        Call(hooks_.StopTimer);
        return;
    }
    if (state_.DownloadComplete) {
        state_.DownloadTimerBusy = false;
        return;
    }
    if (state_.DownloadTimerBusy)
        return;
    state_.DownloadTimerBusy = true;
    Call(hooks_.StopTimer);
    ZT_DEBUG(log_, TraceDownload, "enter", u"DownloadTimer_Timer"_s);

    const uint64_t generation = generation_;
    if (!state_.SlideShowStarted && model_.DownloadList.contains(u"???"_s)) {
        ProbeRate();
    } else {
        if (!state_.SlideShowStarted && model_.DownloadList.indexOf(u'|') > 0)
            ShowPanel();
        RunQueue();
    }
    if (generation == generation_)
        state_.DownloadTimerBusy = false;
    ZT_DEBUG(log_, TraceDownload, "exit", u"DownloadTimer_Timer"_s);
}

// The first file measures the rate; the start marker is then placed from it.
void DownloadManager::ProbeRate()
{
    const auto stopTick = [this] {
        StopTransfers();
        Call(hooks_.HideResourcePanel);
        Call(hooks_.FocusSlideWindow);
        StartWithoutDownloads();
    };
    // The panel is up while the first file measures the rate: the user sees the show coming, and
    // a failed connection is answered in the dialog rather than skipped unseen.
    ShowPanel(true);
    if (CheckStop()) {
        stopTick();
        return;
    }
    const QString name = NextName();
    const FileOutcome outcome = DownloadOneFile(name);
    if (outcome == FileOutcome::Retry || outcome == FileOutcome::Abandoned)
        return;
    if (outcome == FileOutcome::Stop) {
        stopTick();
        return;
    }
    QString& queue = model_.DownloadList;
    queue = queue.trimmed();
    if (queue.startsWith(u"???"_s))
        queue = queue.mid(3);
    PlaceStartMarker(model_, model_.DownloadRate, model_.StartSlide);
    state_.StartMarkerPlaced = true;
    state_.PreStartFilesDone = 1;
    ZT_DEBUG(log_, TraceProcedures, "status", u"DownloadList = "_s + model_.DownloadList);
    RunQueue();
}

// Fetches names up to the start marker (which starts the show) or to the end of the queue.
void DownloadManager::RunQueue()
{
    for (;;) {
        if (CheckStop())
            break;
        const QString name = NextName();
        if (name == u"|") {
            ReachedStartMarker();
            return;
        }
        if (!name.isEmpty() && name != u"???") {
            const FileOutcome outcome = DownloadOneFile(name);
            if (outcome == FileOutcome::Retry || outcome == FileOutcome::Abandoned)
                return;
            if (outcome == FileOutcome::Stop)
                break;
        }
        if (model_.DownloadList.isEmpty()) {
            state_.DownloadComplete = true;
            Call(hooks_.HideResourcePanel);
            return;
        }
    }
    StopTransfers();
    Call(hooks_.HideResourcePanel);
    Call(hooks_.FocusSlideWindow);
    StartWithoutDownloads();
}

// Downloading has ended for good (no web server to fetch from) before the show started: the show
// starts with the files it has, and playback waits for or reports any that never came.
void DownloadManager::StartWithoutDownloads()
{
    const bool exiting = hooks_.ExitInProgress && hooks_.ExitInProgress();
    if (state_.SlideShowStarted || !state_.StopDownloads || state_.DownloadInterrupt != 0
        || exiting)
        return;
    state_.SlideShowStarted = true;
    Call(hooks_.StartNewSlideShow);
}

// Every file before the marker is present: start the show and go on fetching behind it.
void DownloadManager::ReachedStartMarker()
{
    Call(hooks_.HideResourcePanel);
    state_.StartMarkerPlaced = false;
    ShowPanel();
    Call(hooks_.FocusSlideWindow);
    if (model_.DownloadList.trimmed().isEmpty())
        state_.DownloadComplete = true;
    if (!state_.SlideShowStarted) {
        state_.SlideShowStarted = true;
        Call(hooks_.StartNewSlideShow);
    }
    if (!state_.DownloadComplete) {
        ZT_DEBUG(log_, TraceProcedures, "status", u"DownloadTimer enabled."_s);
        Call(hooks_.RestartTimer, kFastIntervalMs);
    }
}

TransferEvents DownloadManager::MakeTransferEvents()
{
    TransferEvents events;
    events.ShouldStop = [this] {
        if (!(hooks_.ExitInProgress && hooks_.ExitInProgress()) && !state_.StopDownloads
            && state_.DownloadInterrupt != 1)
            return false;
        state_.StopDownloads = true;
        // The transfer stops now and keeps nothing: the interrupt is acknowledged here, since
        // the tick itself may only go on once the caller that asked has returned.
        if (state_.DownloadInterrupt == 1)
            state_.DownloadInterrupt = 2;
        ZT_DEBUG(log_, TraceDownload, "status",
            u"HTTP1_Transfer - HTTP1 file transfer stopped due to ESC char or opening new presentation."_s);
        return true;
    };
    events.Started = [this](qint64 announced) {
        state_.RemoteFileSize = announced;
        state_.TransferStartTick = clock_.elapsed();
        Call(hooks_.SetFileProgress, 0.0);
    };
    events.Progress = [this](qint64 bytes) { OnProgress(bytes); };
    return events;
}

void DownloadManager::OnProgress(qint64 bytes)
{
    const double elapsed = static_cast<double>(clock_.elapsed() - state_.TransferStartTick + 1);
    model_.DownloadRate = static_cast<float>(static_cast<double>(bytes) / elapsed * 1000.0);
    if (state_.RemoteFileSize != 0) {
        Call(hooks_.SetPanelBytes,
            CachingCaption(bytes, state_.RemoteFileSize, model_.DownloadRate));
        Call(hooks_.SetFileProgress,
            static_cast<double>(bytes) / static_cast<double>(state_.RemoteFileSize));
    }
    ZT_DEBUG(log_, TraceDownload, "status",
        u"HTTP1_Transfer - DownloadSpeed = "_s + QString::number(model_.DownloadRate));
}

DownloadManager::FileOutcome DownloadManager::DownloadOneFile(const QString& name)
{
    ZT_DEBUG(log_, TraceProcedures, "status", u"DownloadFile = "_s + name);
    UpdateFilesBar();
    if (CheckStop())
        return FileOutcome::Stop;
    if (!IsSupportedServer(model_.Connection.ServerAddress)) {
        // Only web servers are fetched from: downloading ends for this presentation.
        state_.StopDownloads = true;
        CheckStop();
        return FileOutcome::Stop;
    }
    state_.CurrentName = name;
    state_.RemoteFileSize = 0;
    Call(hooks_.SetPanelText, u"File: "_s + name);
    Call(hooks_.SetFileProgress, 0.0);

    const uint64_t generation = generation_;
    TransferResult result;
    if (!IsPlainFileName(name) || folders_.ResourcePath.isEmpty()) {
        result = { ErrorLocalFile, u"The name "_s + name + u" is not a plain file name"_s, 0 };
    } else {
        TransferRequest request;
        request.Url = FileUrl(model_.Connection, name);
        request.LocalFileName = QDir(folders_.ResourcePath).filePath(name);
        request.UserName = model_.Connection.UserName;
        request.Password = model_.Connection.Password;
        request.ProxyEnabled = proxy_.HTTPProxyEnabled;
        request.ProxyServer = proxy_.HTTPProxyServer;
        request.ProxyPort = std::clamp(proxy_.HTTPProxyPort, 0, 65535);
        result = transfer_.Get(request, MakeTransferEvents());
        if (result.ErrorNumber == TransferOk)
            ZT_DEBUG(log_, TraceProcedures, "status",
                u"Stored "_s + request.Url.toString() + u" as LocalFileName = "_s
                    + request.LocalFileName + u"."_s);
    }
    if (generation != generation_)
        return FileOutcome::Abandoned;
    state_.CurrentName.clear();

    FileOutcome outcome = FileOutcome::Finished;
    if (result.ErrorNumber == TransferOk)
        Call(hooks_.FileArrived, name);
    else
        outcome = HandleFailure(name, result);
    if (generation != generation_)
        return FileOutcome::Abandoned;
    if (outcome == FileOutcome::Stop)
        return outcome;
    Call(hooks_.SetFileProgress, 0.0);
    Call(hooks_.SetPanelBytes, QString());
    Call(hooks_.SetPanelText, QString());
    if (outcome == FileOutcome::Retry) {
        model_.DownloadList = name + u" "_s + model_.DownloadList;
        Call(hooks_.RestartTimer, kRetryIntervalMs);
        return outcome;
    }
    CountFinished();
    return outcome;
}

DownloadManager::FileOutcome DownloadManager::HandleFailure(
    const QString& name, const TransferResult& result)
{
    ZT_DEBUG(log_, TraceProcedures, "error",
        u"HTTP1_Error ["_s + QString::number(result.ErrorNumber) + u"] "_s + result.Description);
    switch (result.ErrorNumber) {
    case ErrorNoConnection: {
        Call(hooks_.Beep);
        Call(hooks_.SetPanelBytes, kNoConnectionText);
        ZT_DEBUG(log_, TraceProcedures, "error", kNoConnectionText);
        if (!(hooks_.ResourcePanelVisible && hooks_.ResourcePanelVisible()))
            return FileOutcome::Finished; // in the background the file is skipped
        state_.ConnectFailureReply
            = hooks_.AskConnectFailure ? hooks_.AskConnectFailure() : u"exitzentil"_s;
        if (state_.ConnectFailureReply == u"setproxyserver") {
            Call(hooks_.SetProxyServer);
            return FileOutcome::Retry;
        }
        if (state_.ConnectFailureReply == u"tryagain")
            return FileOutcome::Retry;
        Call(hooks_.ExitZentil);
        return FileOutcome::Stop;
    }
    case ErrorStopped:
        if (CheckStop())
            return FileOutcome::Stop;
        ShowError(u"An overrun occurred while downloading the requested file, "_s + name + u"."_s);
        return FileOutcome::Retry;
    case ErrorFileMissing:
        Call(hooks_.ResourceFatalError, name);
        return FileOutcome::Stop;
    default:
        ShowError(u"Error ["_s + QString::number(result.ErrorNumber) + u"]:"_s + result.Description
            + u"."_s);
        return FileOutcome::Finished;
    }
}

void DownloadManager::ShowError(const QString& message)
{
    Call(hooks_.SetPanelBytes, message);
    ZT_DEBUG(log_, TraceProcedures, "error", message);
    if (hooks_.ResourcePanelVisible && hooks_.ResourcePanelVisible())
        Call(hooks_.WaitLettingEventsRun, messagePauseMs_);
}

void DownloadManager::CountFinished()
{
    if (state_.StartMarkerPlaced) {
        if (state_.PreStartFilesDone < model_.PreStartFileCount)
            ++state_.PreStartFilesDone;
    } else if (state_.PostStartFilesDone < model_.PostStartFileCount) {
        ++state_.PostStartFilesDone;
    }
}

void DownloadManager::InterruptDownload(const std::function<void()>& letEventsRun)
{
    state_.DownloadInterrupt = 1;
    QElapsedTimer waited;
    waited.start();
    while (state_.DownloadInterrupt != 2 && state_.DownloadTimerBusy
        && waited.elapsed() < kInterruptWaitMs)
        letEventsRun();
    state_.DownloadInterrupt = 0;
}

} // namespace zentil
