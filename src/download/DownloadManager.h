#pragma once

#include "download/HttpTransfer.h"

#include <QElapsedTimer>
#include <QString>

#include <functional>

namespace zentil {

class DebugLog;
struct ProxySettings;
struct SlideShowModel;
struct ZentilFolders;

// The download manager's state for the presentation being played.
struct DownloadState {
    bool DownloadComplete = false; // no further downloading in this presentation
    bool DownloadTimerBusy = false; // a tick is running; a nested tick returns at once
    bool SlideShowStarted = false; // the presentation was started by the download manager
    bool StartMarkerPlaced = false; // selects the counters the panel shows
    bool StopDownloads = false;
    int DownloadInterrupt = 0; // 0 none, 1 requested, 2 acknowledged
    int PreStartFilesDone = 0;
    int PostStartFilesDone = 0;
    qint64 RemoteFileSize = 0; // announced size of the current file; 0 = not announced
    qint64 TransferStartTick = 0; // ms on the manager's clock when the body began
    QString CurrentName; // the file being fetched
    QString ConnectFailureReply;
};

// Fetches the queued resource files one at a time in queue order, measures the rate with the
// first file and plans from it where the show may start, starts the presentation once every
// file before the start marker is present, and goes on fetching behind the playing slides. It
// runs from a timer owned by the application and reaches the window, dialogs and the rest of
// the player through its hooks.
class DownloadManager {
public:
    struct Hooks {
        std::function<void()> StartNewSlideShow; // plays the start slide
        // The progress panel.
        std::function<void()> ShowResourcePanel;
        std::function<void()> HideResourcePanel;
        std::function<bool()> ResourcePanelVisible;
        std::function<void(const QString&)> SetPanelText;
        std::function<void(const QString&)> SetPanelBytes;
        std::function<void(double share)> SetFileProgress;
        std::function<void(double share)> SetFilesProgress;
        std::function<void()> FocusSlideWindow;
        // Timer control.
        std::function<void(int intervalMs)> RestartTimer; // (re)enables the timer
        std::function<void()> StopTimer;
        std::function<bool()> ExitInProgress;
        // Failures.
        std::function<void()> Beep;
        std::function<QString()> AskConnectFailure; // "tryagain", "setproxyserver", "exitzentil"
        std::function<void()> SetProxyServer; // the proxy dialog
        std::function<void()> ExitZentil;
        std::function<void(const QString& name)> ResourceFatalError; // ends the program
        // A file arrived in the resource folder: register fonts, decode narration.
        std::function<void(const QString& name)> FileArrived;
        // Lets events run for a while (so an error message can be read).
        std::function<void(int milliseconds)> WaitLettingEventsRun;
    };

    DownloadManager(SlideShowModel& model, const ZentilFolders& folders, const ProxySettings& proxy,
        DebugLog& log);

    void SetHooks(Hooks hooks) { hooks_ = std::move(hooks); }
    // Resets the state for a newly loaded presentation (InitializeSlideShow's part); a queue
    // that holds the loader's start marker starts in the preloading phase. A tick of the old
    // presentation still waiting further down the stack ends without touching the new state.
    void Reset();
    // One tick of the download timer.
    void DownloadTimerTick();
    // Asks a running download to stop and waits for it (InterruptDownload), at most 15 s.
    void InterruptDownload(const std::function<void()>& letEventsRun);

    const DownloadState& State() const { return state_; }
    DownloadState& State() { return state_; }
    HttpTransfer& Transfer() { return transfer_; }
    // How long an error stays readable in the visible panel (3 s).
    void SetMessagePause(int milliseconds) { messagePauseMs_ = milliseconds; }

    static constexpr int kFastIntervalMs = 5;
    static constexpr int kRetryIntervalMs = 250;

private:
    // Abandoned: the presentation was replaced while the transfer waited (events ran and
    // another show was opened); nothing of this tick may touch the new state.
    enum class FileOutcome { Finished, Retry, Stop, Abandoned };

    QString NextName();
    bool CheckStop();
    void StopTransfers();
    void ShowPanel(bool probing = false);
    void UpdateFilesBar();
    void ProbeRate();
    void RunQueue();
    void StartWithoutDownloads();
    void ReachedStartMarker();
    FileOutcome DownloadOneFile(const QString& name);
    FileOutcome HandleFailure(const QString& name, const TransferResult& result);
    TransferEvents MakeTransferEvents();
    void OnProgress(qint64 bytes);
    void CountFinished();
    void ShowError(const QString& message);

    SlideShowModel& model_;
    const ZentilFolders& folders_;
    const ProxySettings& proxy_;
    DebugLog& log_;
    DownloadState state_;
    Hooks hooks_;
    HttpTransfer transfer_;
    QElapsedTimer clock_;
    int messagePauseMs_ = 3000;
    uint64_t generation_ = 0; // grows with every Reset
};

} // namespace zentil
