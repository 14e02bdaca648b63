#pragma once

#include "download/ConnectFailureDialog.h"
#include "download/HttpTransfer.h"

#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <vector>

namespace zentil {

class DebugLog;
struct ProxySettings;
struct SlideShowModel;
struct ZentilFolders;

// The download manager's state for the presentation being played.
struct DownloadState {
    bool DownloadComplete = false; // no further downloading in this presentation
    bool SlideShowStarted = false; // the presentation was started by the download manager
    bool StartMarkerPlaced = false; // before the show starts: selects the counters the panel shows
    bool StopDownloads = false;
    int PreStartFilesDone = 0;
    int PostStartFilesDone = 0;
    qint64 RemoteFileSize = 0; // announced size of the file last started; 0 = not announced
    ConnectFailureReply LastConnectFailureReply = ConnectFailureReply::ExitZentil;
};

// Fetches the queued resource files in queue order, a few at a time: the first file alone
// measures the rate, from which the start marker is planned; the show starts once every file
// before the marker is present, and fetching goes on behind the playing slides. A file is
// started only after every file queued before it, so nothing waits behind a file needed later.
// Nothing here waits: transfers report back by callback and the application's timer brings
// the manager back after a pause (a retry, a message to read). It reaches the window, dialogs
// and the rest of the player through its hooks.
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
        // Timer control: the next tick comes after the interval.
        std::function<void(int intervalMs)> RestartTimer;
        std::function<void()> StopTimer;
        std::function<bool()> ExitInProgress;
        // Failures.
        std::function<void()> Beep;
        std::function<ConnectFailureReply()> AskConnectFailure; // the modal dialog
        std::function<void()> SetProxyServer; // the proxy dialog
        std::function<void()> ExitZentil;
        std::function<void(const QString& name)> ResourceFatalError; // ends the program
        // A file arrived in the resource folder: register fonts, decode narration.
        std::function<void(const QString& name)> FileArrived;
    };

    DownloadManager(SlideShowModel& model, const ZentilFolders& folders, const ProxySettings& proxy,
        DebugLog& log);

    void SetHooks(Hooks hooks) { hooks_ = std::move(hooks); }
    // Resets the state for a newly loaded presentation (InitializeSlideShow's part); transfers
    // of the old one end unheard.
    void Reset();
    // One tick of the download timer: goes on from where the manager stopped.
    void DownloadTimerTick();
    // Another presentation is being opened: every transfer ends now, keeping nothing.
    void InterruptDownload();
    // Shutting down: the same, and nothing more is started.
    void StopTransfers();
    bool Busy() const { return !inFlight_.empty(); }

    const DownloadState& State() const { return state_; }
    DownloadState& State() { return state_; }
    HttpClient& Client() { return client_; }
    // How long an error stays readable in the visible panel (3 s).
    void SetMessagePause(int milliseconds) { messagePauseMs_ = milliseconds; }
    // How many transfers may run at once.
    void SetMaxTransfers(int count) { maxTransfers_ = std::max(1, count); }

    static constexpr int kFastIntervalMs = 5;
    static constexpr int kRetryIntervalMs = 250;
    static constexpr int kDefaultMaxTransfers = 4;

private:
    struct InFlight {
        quint64 Id = 0;
        QString Name;
        bool BeforeStart = false; // counted as a file before the start marker
        bool Probe = false; // measures the rate for the plan
        quint64 Order = 0; // place in the order of need
        qint64 BodyStartMs = 0;
        qint64 Announced = 0; // the size the server announced; 0 = none
    };

    void Pump();
    bool CheckStop();
    void StopAndStartWithoutDownloads();
    void ShowPanel(bool probing = false);
    void UpdateFilesBar();
    void StartNext(bool probe);
    void ReachedStartMarker();
    void PlanAfterProbe();
    void OnFinished(quint64 id, const TransferResult& result);
    void HandleFailure(const InFlight& file, const TransferResult& result);
    void AskAboutConnection();
    void Requeue(std::vector<InFlight> files);
    void Hold(int milliseconds);
    void OnProgress(quint64 id, qint64 bytes);
    void CountFinished(const InFlight& file);
    void ShowError(const QString& message);
    void Complete();

    SlideShowModel& model_;
    const ZentilFolders& folders_;
    const ProxySettings& proxy_;
    DebugLog& log_;
    DownloadState state_;
    Hooks hooks_;
    HttpClient client_;
    QElapsedTimer clock_;
    std::vector<InFlight> inFlight_;
    quint64 nextOrder_ = 0;
    bool holding_ = false; // waiting for the timer before anything new starts
    bool asking_ = false; // a dialog about a failure is up
    bool panelShown_ = false; // the preloading panel was put up for this show
    int messagePauseMs_ = 3000;
    int maxTransfers_ = kDefaultMaxTransfers;
    uint64_t generation_ = 0; // grows with every Reset
};

} // namespace zentil
