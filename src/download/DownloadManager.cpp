#include "download/DownloadManager.h"

#include "base/DebugLog.h"
#include "script/PresentationModel.h"

#include <QElapsedTimer>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {
constexpr int kFastIntervalMs = 5;
constexpr int kRetryIntervalMs = 250;
constexpr int kInterruptWaitMs = 15000;
} // namespace

DownloadManager::DownloadManager(SlideShowModel& model, DebugLog& log)
    : model_(model)
    , log_(log)
{ }

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

void DownloadManager::CheckStop(bool& stop)
{
    stop = (hooks_.ExitInProgress && hooks_.ExitInProgress()) || state_.StopDownloads
        || state_.DownloadInterrupt == 1;
    if (!stop)
        return;
    if (state_.DownloadInterrupt == 1)
        state_.DownloadInterrupt = 2;
    if (hooks_.HideResourcePanel)
        hooks_.HideResourcePanel();
    if (hooks_.FocusSlideWindow)
        hooks_.FocusSlideWindow();
}

void DownloadManager::StopTransfers()
{
    state_.CurrentName.clear();
    state_.DownloadComplete = true;
}

void DownloadManager::DownloadTimerTick()
{
    if (hooks_.ExitInProgress && hooks_.ExitInProgress()) {
        if (hooks_.StopTimer)
            hooks_.StopTimer();
        return;
    }
    if (state_.DownloadComplete) {
        state_.DownloadTimerBusy = false;
        return;
    }
    if (state_.DownloadTimerBusy)
        return;
    state_.DownloadTimerBusy = true;
    if (hooks_.StopTimer)
        hooks_.StopTimer();
    ZT_DEBUG(log_, TraceDownload, "enter", u"DownloadTimer_Timer"_s);

    bool stop = false;
    for (;;) {
        CheckStop(stop);
        if (stop)
            break;
        const QString name = NextName();
        if (name == u"|") {
            ReachedStartMarker();
            break;
        }
        if (!name.isEmpty() && name != u"???" && !DownloadOneFile(name))
            break;
        if (model_.DownloadList.isEmpty()) {
            state_.DownloadComplete = true;
            if (hooks_.HideResourcePanel)
                hooks_.HideResourcePanel();
            break;
        }
    }
    if (stop) {
        StopTransfers();
        if (hooks_.HideResourcePanel)
            hooks_.HideResourcePanel();
        if (hooks_.FocusSlideWindow)
            hooks_.FocusSlideWindow();
    }
    state_.DownloadTimerBusy = false;
    ZT_DEBUG(log_, TraceDownload, "exit", u"DownloadTimer_Timer"_s);
}

// Every file before the marker is present: start the show and go on fetching behind it.
void DownloadManager::ReachedStartMarker()
{
    if (hooks_.HideResourcePanel)
        hooks_.HideResourcePanel();
    state_.StartMarkerPlaced = false;
    if (hooks_.FocusSlideWindow)
        hooks_.FocusSlideWindow();
    if (model_.DownloadList.trimmed().isEmpty())
        state_.DownloadComplete = true;
    if (!state_.SlideShowStarted) {
        state_.SlideShowStarted = true;
        if (hooks_.StartNewSlideShow)
            hooks_.StartNewSlideShow();
    }
    if (!state_.DownloadComplete) {
        ZT_DEBUG(log_, TraceDownload, "status", u"DownloadTimer enabled."_s);
        if (hooks_.RestartTimer)
            hooks_.RestartTimer(kFastIntervalMs);
    }
}

bool DownloadManager::DownloadOneFile(const QString& name)
{
    ZT_DEBUG(log_, TraceDownload, "status", u"DownloadFile = "_s + name);
    state_.CurrentName = name;
    FetchOutcome outcome = FetchOutcome::Skipped;
    if (hooks_.FetchFile)
        outcome = hooks_.FetchFile(name);
    state_.CurrentName.clear();
    switch (outcome) {
    case FetchOutcome::Retry:
        model_.DownloadList = name + u" "_s + model_.DownloadList;
        if (hooks_.RestartTimer)
            hooks_.RestartTimer(kRetryIntervalMs);
        return false;
    case FetchOutcome::StopAll:
        state_.StopDownloads = true;
        return true;
    case FetchOutcome::Done:
    case FetchOutcome::Skipped:
        break;
    }
    if (state_.StartMarkerPlaced) {
        if (state_.PreStartFilesDone < model_.PreStartFileCount)
            ++state_.PreStartFilesDone;
    } else if (state_.PostStartFilesDone < model_.PostStartFileCount) {
        ++state_.PostStartFilesDone;
    }
    return true;
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
