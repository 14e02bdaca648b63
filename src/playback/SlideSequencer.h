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

// The slide sequence: the change of slide at the end of a narration, starting a given slide,
// pre-building the next slide on the other player, waiting for files that have not arrived
// (retried by the heartbeat), subslides at their narration positions and the end slide. It never
// waits: what cannot be done yet is recorded and taken up by a later heartbeat.
class SlideSequencer {
public:
    SlideSequencer(SlideShowModel& model, PlaybackState& state, PlaybackHost& host,
        const MonotonicClock& clock, DebugLog& log);

    static constexpr int kHeartbeatMs = 50;

    // The end slide follows the last narration's end after this pause.
    static constexpr double kEndSlidePauseSeconds = 3.0;

    // The sequencer's share of a heartbeat: slides waiting for files, the end slide once due,
    // subslides once their narration position is reached.
    void HeartbeatTick();
    // The Done notification of WaveControl(index) (WaveControl_Done): code 1 is a natural end.
    void WaveControlDone(int index, int notifyCode);
    // Stops everything and starts slide n.
    // startPosition (ms) resumes the narration there; the subslides due by then follow within a
    // heartbeat each. 0 plays the slide from its start.
    void PlayGivenSlide(int n, qint64 startPosition = 0);
    void StartBuildingNextSlide();
    void LoadNextSlide(int n);
    // Draws slide n's background when its files are present; true (nothing drawn) while any is
    // missing.
    bool LoadSlideBackground(int n, int set);
    // True when a file slide n needs is absent (sets MissingFileName / UnmappedResourceName).
    bool SlideResourcesMissing(int n);
    void PlayCurrentSubslide();

    // The end slide is on screen (the show has ended).
    std::function<void()> EndSlideShown;

private:
    void RunFatalCheck();
    void EnterWaitingDisplay(int n, bool fromPlayGivenSlide);
    void StopAndClose(int set);
    void OpenNextNarration(int k);
    void StartSubslideClock();
    void BuildNextSlideAfterSubslides();
    void ChangeToNextSlide();
    void StartSwappedSlide();
    void ShowEndSlide();
    void ScheduleEndSlide();
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
