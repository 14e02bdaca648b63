#include "download/DownloadManager.h"

#include "base/DebugLog.h"
#include "download/DownloadPlanning.h"
#include "download/ProxySettings.h"
#include "script/PresentationModel.h"
#include "storage/ZentilFolders.h"

#include <QDir>
#include <QElapsedTimer>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {
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
    client_.SetProxyRule([this](const QUrl& address) { return ProxyFor(proxy_, address); });
}

void DownloadManager::Reset()
{
    ++generation_;
    client_.AbortAll();
    client_.Reset();
    inFlight_.clear();
    holding_ = false;
    asking_ = false;
    panelShown_ = false;
    state_ = {};
    state_.StartMarkerPlaced = model_.Queue.MarkerPlaced;
}

bool DownloadManager::CheckStop()
{
    const bool exiting = hooks_.ExitInProgress && hooks_.ExitInProgress();
    if (!exiting && !state_.StopDownloads)
        return false;
    Call(hooks_.HideResourcePanel);
    Call(hooks_.FocusSlideWindow);
    return true;
}

void DownloadManager::StopTransfers()
{
    client_.AbortAll();
    client_.Reset();
    inFlight_.clear();
    state_.DownloadComplete = true;
}

void DownloadManager::InterruptDownload()
{
    if (inFlight_.empty())
        return;
    StopTransfers();
    Call(hooks_.HideResourcePanel);
    Call(hooks_.FocusSlideWindow);
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
    Call(hooks_.SetFilesProgress, std::min(share, 1.0));
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
        panelShown_ = true;
    } else {
        Call(hooks_.SetPanelText, QString());
        Call(hooks_.HideResourcePanel);
    }
}

void DownloadManager::DownloadTimerTick()
{
    if (hooks_.ExitInProgress && hooks_.ExitInProgress()) {
        Call(hooks_.StopTimer);
        StopTransfers();
        return;
    }
    Call(hooks_.StopTimer);
    holding_ = false;
    ZT_DEBUG(log_, TraceDownload, "enter", u"DownloadTimer_Timer"_s);
    Pump();
    ZT_DEBUG(log_, TraceDownload, "exit", u"DownloadTimer_Timer"_s);
}

// Starts what may start now: the probe alone, else files in queue order up to the limit; starts
// the show once every file before the marker is present; ends when the queue is done.
void DownloadManager::Pump()
{
    if (state_.DownloadComplete || asking_ || holding_)
        return;
    if (CheckStop()) {
        StopAndStartWithoutDownloads();
        return;
    }
    DownloadQueue& queue = model_.Queue;
    if (!queue.Empty() && !IsSupportedServer(model_.Connection.ServerAddress)) {
        // Only web servers are fetched from: downloading ends for this presentation.
        state_.StopDownloads = true;
        CheckStop();
        StopAndStartWithoutDownloads();
        return;
    }
    if (queue.Probe) {
        if (!inFlight_.empty())
            return;
        if (!panelShown_)
            ShowPanel(true);
        if (!queue.BeforeStart.isEmpty()) {
            StartNext(true);
            return;
        }
        PlanAfterProbe();
    }
    if (!state_.SlideShowStarted && queue.MarkerPlaced && !panelShown_
        && !queue.BeforeStart.isEmpty())
        ShowPanel();
    while (static_cast<int>(inFlight_.size()) < maxTransfers_ && !queue.Empty() && !holding_
        && !asking_ && !state_.DownloadComplete)
        StartNext(false);
    if (state_.DownloadComplete || holding_ || asking_)
        return;
    const bool preStartRunning = std::any_of(
        inFlight_.begin(), inFlight_.end(), [](const InFlight& f) { return f.BeforeStart; });
    if (queue.MarkerPlaced && queue.BeforeStart.isEmpty() && !preStartRunning)
        ReachedStartMarker();
    if (queue.Empty() && inFlight_.empty())
        Complete();
}

void DownloadManager::Complete()
{
    if (state_.DownloadComplete)
        return;
    state_.DownloadComplete = true;
    Call(hooks_.HideResourcePanel);
}

// Downloading has ended for good before the show started (no web server to fetch from, or
// stopped): the show starts with the files it has, and playback waits for or reports any that
// never came.
void DownloadManager::StopAndStartWithoutDownloads()
{
    StopTransfers();
    Call(hooks_.HideResourcePanel);
    Call(hooks_.FocusSlideWindow);
    const bool exiting = hooks_.ExitInProgress && hooks_.ExitInProgress();
    if (state_.SlideShowStarted || !state_.StopDownloads || exiting)
        return;
    state_.SlideShowStarted = true;
    Call(hooks_.StartNewSlideShow);
}

// Every file before the marker is present: start the show and go on fetching behind it.
void DownloadManager::ReachedStartMarker()
{
    DownloadQueue& queue = model_.Queue;
    queue.MarkerPlaced = false;
    queue.BeforeStart = std::exchange(queue.AfterStart, {});
    Call(hooks_.HideResourcePanel);
    state_.StartMarkerPlaced = false;
    ShowPanel();
    Call(hooks_.FocusSlideWindow);
    if (queue.Empty() && inFlight_.empty())
        state_.DownloadComplete = true;
    if (!state_.SlideShowStarted) {
        state_.SlideShowStarted = true;
        const uint64_t generation = generation_;
        Call(hooks_.StartNewSlideShow);
        if (generation != generation_)
            return;
    }
    if (!state_.DownloadComplete)
        ZT_DEBUG(log_, TraceProcedures, "status", u"DownloadTimer enabled."_s);
}

void DownloadManager::StartNext(bool probe)
{
    DownloadQueue& queue = model_.Queue;
    InFlight file;
    if (!queue.BeforeStart.isEmpty()) {
        file.Name = queue.BeforeStart.takeFirst();
        file.BeforeStart = queue.MarkerPlaced || probe;
    } else {
        file.Name = queue.AfterStart.takeFirst();
    }
    file.Probe = probe;
    file.Order = nextOrder_++;
    const QString& name = file.Name;
    ZT_DEBUG(log_, TraceProcedures, "status", u"DownloadFile = "_s + name);
    UpdateFilesBar();
    state_.RemoteFileSize = 0;
    Call(hooks_.SetPanelText, u"File: "_s + name);
    Call(hooks_.SetFileProgress, 0.0);
    if (!IsPlainFileName(name) || folders_.ResourcePath.isEmpty()) {
        HandleFailure(
            file, { ErrorLocalFile, u"The name "_s + name + u" is not a plain file name"_s, 0 });
        return;
    }
    TransferRequest request;
    request.Url = FileUrl(model_.Connection, name);
    request.LocalFileName = QDir(folders_.ResourcePath).filePath(name);
    request.ExpectedSize = queue.ListedSizes.value(ResourceMap::FoldedKey(name), 0);
    request.UserName = model_.Connection.UserName;
    request.Password = model_.Connection.Password;
    file.BodyStartMs = clock_.elapsed();
    TransferEvents events;
    const quint64 order = file.Order;
    const auto find = [this, order]() -> InFlight* {
        for (InFlight& f : inFlight_)
            if (f.Order == order)
                return &f;
        return nullptr;
    };
    events.Started = [this, find](qint64 announced) {
        state_.RemoteFileSize = announced;
        if (InFlight* f = find()) {
            f->BodyStartMs = clock_.elapsed();
            f->Announced = announced;
        }
        Call(hooks_.SetFileProgress, 0.0);
    };
    events.Progress = [this, find](qint64 bytes) {
        if (const InFlight* f = find())
            OnProgress(f->Id, bytes);
    };
    events.Finished = [this, find](const TransferResult& result) {
        if (const InFlight* f = find())
            OnFinished(f->Id, result);
    };
    inFlight_.push_back(file);
    inFlight_.back().Id = client_.Start(request, std::move(events));
}

void DownloadManager::OnProgress(quint64 id, qint64 bytes)
{
    const auto f = std::find_if(
        inFlight_.begin(), inFlight_.end(), [id](const InFlight& x) { return x.Id == id; });
    if (f == inFlight_.end())
        return;
    const double elapsed = static_cast<double>(clock_.elapsed() - f->BodyStartMs + 1);
    model_.DownloadRate = static_cast<float>(static_cast<double>(bytes) / elapsed * 1000.0);
    if (f->Announced != 0) {
        Call(hooks_.SetPanelBytes, CachingCaption(bytes, f->Announced, model_.DownloadRate));
        Call(hooks_.SetFileProgress,
            std::min(1.0, static_cast<double>(bytes) / static_cast<double>(f->Announced)));
    }
    ZT_DEBUG(log_, TraceDownload, "status",
        u"HTTP1_Transfer - DownloadSpeed = "_s + QString::number(model_.DownloadRate));
}

void DownloadManager::OnFinished(quint64 id, const TransferResult& result)
{
    const auto at = std::find_if(
        inFlight_.begin(), inFlight_.end(), [id](const InFlight& x) { return x.Id == id; });
    if (at == inFlight_.end())
        return;
    const InFlight file = *at;
    inFlight_.erase(at);
    const uint64_t generation = generation_;
    if (result.ErrorNumber == TransferOk) {
        ZT_DEBUG(log_, TraceProcedures, "status",
            u"Stored "_s + FileUrl(model_.Connection, file.Name).toString()
                + u" as LocalFileName = "_s + QDir(folders_.ResourcePath).filePath(file.Name)
                + u"."_s);
        Call(hooks_.FileArrived, file.Name);
        if (generation != generation_)
            return;
        CountFinished(file);
    } else {
        HandleFailure(file, result);
        if (generation != generation_)
            return;
    }
    if (inFlight_.empty()) {
        Call(hooks_.SetFileProgress, 0.0);
        Call(hooks_.SetPanelBytes, QString());
        Call(hooks_.SetPanelText, QString());
    }
    if (file.Probe && model_.Queue.Probe && !holding_ && !asking_ && !state_.DownloadComplete)
        PlanAfterProbe();
    Pump();
}

// The probe has come (or was given up): the marker is planned from the measured rate.
void DownloadManager::PlanAfterProbe()
{
    PlaceStartMarker(model_, model_.DownloadRate, model_.StartSlide);
    state_.StartMarkerPlaced = true;
    state_.PreStartFilesDone = 1;
    ZT_DEBUG(log_, TraceProcedures, "status", u"DownloadList = "_s + model_.Queue.Text());
}

void DownloadManager::HandleFailure(const InFlight& file, const TransferResult& result)
{
    const QString& name = file.Name;
    ZT_DEBUG(log_, TraceProcedures, "error",
        u"HTTP1_Error ["_s + QString::number(result.ErrorNumber) + u"] "_s + result.Description);
    switch (result.ErrorNumber) {
    case ErrorNoConnection:
        Call(hooks_.Beep);
        Call(hooks_.SetPanelBytes, kNoConnectionText);
        ZT_DEBUG(log_, TraceProcedures, "error", kNoConnectionText);
        // Every running transfer goes back to the queue in its place while the user decides.
        client_.AbortAll();
        Requeue([&] {
            std::vector<InFlight> back = std::exchange(inFlight_, {});
            back.push_back(file);
            return back;
        }());
        AskAboutConnection();
        return;
    case ErrorStopped:
        if (CheckStop()) {
            StopAndStartWithoutDownloads();
            return;
        }
        Requeue({ file });
        ShowError(u"An overrun occurred while downloading the requested file, "_s + name + u"."_s);
        Hold(kRetryIntervalMs);
        return;
    case ErrorFileMissing:
        // Fatal: nothing else is fetched while the player says so and ends.
        StopTransfers();
        Call(hooks_.ResourceFatalError, name);
        return;
    default:
        ShowError(u"Error ["_s + QString::number(result.ErrorNumber) + u"]:"_s + result.Description
            + u"."_s);
        CountFinished(file);
        if (messagePauseMs_ > 0 && hooks_.ResourcePanelVisible && hooks_.ResourcePanelVisible())
            Hold(messagePauseMs_);
        return;
    }
}

// A failed connection is no missing file: the user chooses, in the foreground or while the
// show plays what it has.
void DownloadManager::AskAboutConnection()
{
    asking_ = true;
    const uint64_t generation = generation_;
    const ConnectFailureReply reply
        = hooks_.AskConnectFailure ? hooks_.AskConnectFailure() : ConnectFailureReply::ExitZentil;
    if (generation != generation_)
        return;
    asking_ = false;
    state_.LastConnectFailureReply = reply;
    switch (reply) {
    case ConnectFailureReply::SetProxyServer:
        Call(hooks_.SetProxyServer);
        client_.Reset();
        Hold(kRetryIntervalMs);
        return;
    case ConnectFailureReply::TryAgain:
        Hold(kRetryIntervalMs);
        return;
    case ConnectFailureReply::ExitZentil:
        StopTransfers();
        Call(hooks_.ExitZentil);
        return;
    }
}

// Files go back to the head of the queue, in their order of need.
void DownloadManager::Requeue(std::vector<InFlight> files)
{
    std::sort(files.begin(), files.end(),
        [](const InFlight& a, const InFlight& b) { return a.Order > b.Order; });
    DownloadQueue& queue = model_.Queue;
    for (const InFlight& f : files) {
        if (f.Probe)
            queue.Probe = true;
        if (queue.MarkerPlaced && !f.BeforeStart)
            queue.AfterStart.prepend(f.Name);
        else
            queue.BeforeStart.prepend(f.Name);
    }
}

void DownloadManager::Hold(int milliseconds)
{
    holding_ = true;
    Call(hooks_.RestartTimer, milliseconds);
}

void DownloadManager::ShowError(const QString& message)
{
    Call(hooks_.SetPanelBytes, message);
    ZT_DEBUG(log_, TraceProcedures, "error", message);
}

void DownloadManager::CountFinished(const InFlight& file)
{
    if (file.BeforeStart) {
        if (state_.PreStartFilesDone < model_.PreStartFileCount)
            ++state_.PreStartFilesDone;
    } else if (state_.PostStartFilesDone < model_.PostStartFileCount) {
        ++state_.PostStartFilesDone;
    }
}

} // namespace zentil
