#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

namespace zentil {

class DebugLog;
class MonotonicClock;
class PlaybackHost;
struct PlaybackState;
struct SlideShowModel;

// The playback state machine: the 50 ms heartbeat, the change of slide at the end of a
// narration, starting a given slide, pre-building the next slide on the other player, waiting
// for files that have not arrived, and subslides at their narration positions.
class SlideSequencer {
public:
    SlideSequencer(SlideShowModel& model, PlaybackState& state, PlaybackHost& host,
        const MonotonicClock& clock, DebugLog& log);

    static constexpr int kHeartbeatMs = 50;

    // One tick of the heartbeat (HeartbeatTimer_Timer). surfacesReady: the drawing layers exist.
    void HeartbeatTick(bool surfacesReady = true);
    // The Done notification of WaveControl(index) (WaveControl_Done).
    void WaveControlDone(int index, int notifyCode);
    // Stops everything and starts slide n.
    // startPosition (ms) resumes the narration there; the subslides due by then follow within a
    // heartbeat each. 0 plays the slide from its start.
    void PlayGivenSlide(int n, qint64 startPosition = 0);
    void StartBuildingNextSlide();
    void LoadNextSlide(int n);
    // Waits briefly for slide n's files and draws its background; true while still waiting, or
    // when other slides were started while it waited (nothing is drawn then).
    bool LoadSlideBackground(int n, int set);
    // True when a file slide n needs is absent (sets MissingFileName / UnmappedResourceName).
    bool SlideResourcesMissing(int n);
    void PlayCurrentSubslide();

    // The key navigation's commit, run by every tick after the cursor auto-hide and before the
    // waiting slides are retried; the user-control code sets it.
    std::function<void()> NavigationCommit;

private:
    void RunFatalCheck();
    void EnterWaitingDisplay(int n, bool fromPlayGivenSlide);
    void StopAndClose(int set);
    bool SlidesChangedSince(quint64 changeCount) const;
    bool OpenNextNarration(int k);
    void StartSubslideClock();
    void BuildNextSlideAfterSubslides();
    void ChangeToNextSlide();
    void StartSwappedSlide();
    void ShowEndSlide();
    void SwapSlideRecords();
    void StartCurrentNarration();
    int OtherSet(int set) const { return set == 1 ? 2 : 1; }
    double SecondsSince(double mark) const;

    SlideShowModel& model_;
    PlaybackState& state_;
    PlaybackHost& host_;
    const MonotonicClock& clock_;
    DebugLog& log_;
};

} // namespace zentil
