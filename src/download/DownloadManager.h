#pragma once

#include <QString>

#include <functional>

namespace zentil {

class DebugLog;
struct SlideShowModel;

// The download manager's state for the presentation being played.
struct DownloadState {
    bool DownloadComplete = false; // no further downloading in this presentation
    bool DownloadTimerBusy = false; // a tick is running; a nested tick returns at once
    bool SlideShowStarted = false; // the presentation was started by the download manager
    bool StartMarkerPlaced = false;
    bool StopDownloads = false;
    int DownloadInterrupt = 0; // 0 none, 1 requested, 2 acknowledged
    int PreStartFilesDone = 0;
    int PostStartFilesDone = 0;
    QString CurrentName; // the file being fetched
};

// How one file transfer ended.
enum class FetchOutcome {
    Done, // the file is in the resource folder
    Retry, // put the name back at the head of the queue and try again shortly
    Skipped, // failed in a way that is not retried; counts as finished
    StopAll, // stop downloading for this presentation
};

// Fetches the queued resource files in order and starts the presentation once every file before
// the start marker is present. It runs from a timer owned by the application; the transfer of
// one file is done by the fetcher it is given.
class DownloadManager {
public:
    struct Hooks {
        // Fetches one file into the resource folder; without one, a file that is not present
        // cannot arrive and counts as finished (playback then reports it missing).
        std::function<FetchOutcome(const QString& name)> FetchFile;
        std::function<void()> StartNewSlideShow; // plays the start slide
        std::function<void()> HideResourcePanel;
        std::function<void()> FocusSlideWindow;
        std::function<void(int intervalMs)> RestartTimer; // (re)enables the timer
        std::function<void()> StopTimer;
        std::function<bool()> ExitInProgress;
    };

    DownloadManager(SlideShowModel& model, DebugLog& log);

    void SetHooks(Hooks hooks) { hooks_ = std::move(hooks); }
    // Resets the state for a newly loaded presentation (InitializeSlideShow's part).
    void Reset() { state_ = {}; }
    // One tick of the download timer.
    void DownloadTimerTick();
    // Asks a running download to stop and waits for it (InterruptDownload).
    void InterruptDownload(const std::function<void()>& letEventsRun);

    const DownloadState& State() const { return state_; }
    DownloadState& State() { return state_; }

private:
    QString NextName();
    void CheckStop(bool& stop);
    void StopTransfers();
    bool DownloadOneFile(const QString& name); // false: to be retried
    void ReachedStartMarker();

    SlideShowModel& model_;
    DebugLog& log_;
    DownloadState state_;
    Hooks hooks_;
};

} // namespace zentil
