#include "playback/SlideSequencer.h"

#include "base/DebugLog.h"
#include "platform/MonotonicClock.h"
#include "playback/PlaybackHost.h"
#include "playback/PlaybackState.h"
#include "playback/WavePlayer.h"
#include "script/PresentationModel.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {
// A subslide timed at or past the end of its narration is shown one heartbeat before the end:
// once the narration has ended its player no longer reports "playing", and the end of the
// narration changes the slide.
qint64 DueTime(qint64 startTime, qint64 narrationLength)
{
    if (narrationLength <= 0)
        return startTime;
    return std::min(startTime, std::max<qint64>(0, narrationLength - SlideSequencer::kHeartbeatMs));
}
} // namespace

SlideSequencer::SlideSequencer(SlideShowModel& model, PlaybackState& state, PlaybackHost& host,
    const MonotonicClock& clock, DebugLog& log)
    : model_(model)
    , state_(state)
    , host_(host)
    , clock_(clock)
    , log_(log)
{ }

double SlideSequencer::SecondsSince(double mark) const
{
    return std::fabs(clock_.SecondsSinceMidnight() - mark);
}

void SlideSequencer::HeartbeatTick()
{
    if (state_.ExitInProgress || !state_.SlideShowLoaded)
        return;
    if (state_.SlideAwaitingFiles > 0)
        PlayGivenSlide(state_.SlideAwaitingFiles);
    if (state_.NextSlideAwaitingFiles > 0)
        LoadNextSlide(state_.NextSlideAwaitingFiles);
    if (state_.EndSlideDue != 0 && clock_.SecondsSinceMidnight() >= state_.EndSlideDue)
        ShowEndSlide();

    if (!state_.SubslideClockRunning || model_.CurrentSlide.Index < 1
        || model_.CurrentSlide.Index > model_.SlideCount())
        return;
    WavePlayer& player = host_.WaveControl(model_.CurrentSlide.ResourceSet);
    if (player.Mode() != WaveMode::Playing || player.Position() < state_.SubslideTime)
        return;
    const int count = model_.SlideAt(model_.CurrentSlide.Index).SubslideCount();
    if (state_.CurrentSubslideIndex >= count)
        return;
    ++state_.CurrentSubslideIndex;
    PlayCurrentSubslide();
    if (state_.CurrentSubslideIndex == count)
        BuildNextSlideAfterSubslides();
}

// The next slide's background shares the drawing surfaces with the subslides, so it is drawn
// only once the current slide's last subslide is on screen.
void SlideSequencer::BuildNextSlideAfterSubslides()
{
    const int k = model_.CurrentSlide.Index + 1;
    if (k > model_.SlideCount())
        return;
    if (LoadSlideBackground(k, model_.NextSlide.ResourceSet)) {
        state_.NextSlideAwaitingFiles = k;
        return;
    }
    state_.BuildNextSlideFlag = false;
    model_.NextSlide.Index = k;
    if (!model_.NextSlide.SoundLoaded)
        OpenNextNarration(k);
    if (!model_.NextSlide.SoundLoaded)
        state_.NextSlideAwaitingFiles = k;
}

// Opens slide k's narration on the next slide's player and learns its length.
void SlideSequencer::OpenNextNarration(int k)
{
    const int set = model_.NextSlide.ResourceSet;
    const bool loaded = host_.LoadWavePlayer(model_.SlideAt(k).WaveFileName, set);
    model_.NextSlide.SoundLoaded = loaded;
    Slide& slide = model_.SlideAt(k);
    if (loaded && slide.WaveFileLength <= 0)
        slide.WaveFileLength = static_cast<int32_t>(host_.WaveControl(set).Length());
}

void SlideSequencer::WaveControlDone(int index, int notifyCode)
{
    if (state_.ExitInProgress)
        return;
    ZT_TRACE_SCOPE_WITH(log_,
        u"WaveControl_Done - Index = %1; NotifyCode = %2"_s.arg(index).arg(notifyCode),
        u"WaveControl_Done"_s);
    if (!state_.SlideShowLoaded || notifyCode != 1)
        return;
    state_.SubslideClockRunning = false;
    ChangeToNextSlide();
}

// The last narration has ended: the end slide follows after a pause, unless another slide is
// started meanwhile.
void SlideSequencer::ScheduleEndSlide()
{
    state_.BuildNextSlideFlag = false;
    state_.EndSlideDue = clock_.SecondsSinceMidnight() + kEndSlidePauseSeconds;
}

// The one way the end slide comes on screen: both narrations end, nothing more is prepared.
void SlideSequencer::ShowEndSlide()
{
    state_.EndSlideDue = 0;
    model_.NextSlide.Index = 0;
    model_.NextSlide.SoundLoaded = false;
    state_.DefaultSlideShown = DefaultSlide::EndOfShow;
    state_.SubslideClockRunning = false;
    host_.ShowDefaultSlide(DefaultSlide::EndOfShow);
    host_.TrimWavefiles();
    if (EndSlideShown)
        EndSlideShown();
}

// Steps of a narration's natural end: make sure the next slide is built, swap the two slide
// records, start the new narration and show the new slide.
void SlideSequencer::ChangeToNextSlide()
{
    const int following = model_.CurrentSlide.Index + 1;
    if (model_.CurrentSlide.Index >= model_.SlideCount()) {
        ScheduleEndSlide();
        return;
    }
    if (model_.NextSlide.Index <= 0) {
        state_.BuildNextSlideFlag = false;
        if (SlideResourcesMissing(following)) {
            RunFatalCheck();
            EnterWaitingDisplay(following, false);
            return;
        }
        model_.NextSlide.Index = following;
        host_.DrawNewBackground(
            model_.SlideAt(following).BackgroundIndex, model_.NextSlide.ResourceSet);
    }
    if (!model_.NextSlide.SoundLoaded) {
        state_.BuildNextSlideFlag = false;
        if (SlideResourcesMissing(model_.NextSlide.Index)) {
            RunFatalCheck();
            EnterWaitingDisplay(following, false);
            return;
        }
        model_.NextSlide.SoundLoaded = host_.LoadWavePlayer(
            model_.SlideAt(model_.NextSlide.Index).WaveFileName, model_.NextSlide.ResourceSet);
    }
    if (state_.ExitInProgress)
        return;
    SwapSlideRecords();
    StartSwappedSlide();
}

// After the swap: the new narration plays, its predecessor's player closes, the slide shows and
// the one after it is prepared.
void SlideSequencer::StartSwappedSlide()
{
    StartCurrentNarration();
    StopAndClose(model_.NextSlide.ResourceSet);
    model_.NextSlide.SoundLoaded = false;
    host_.ShowSlide(model_.CurrentSlide.Index);
    StartSubslideClock();
    host_.TrimWavefiles();
    if (state_.BuildNextSlideFlag)
        StartBuildingNextSlide();
}

void SlideSequencer::SwapSlideRecords()
{
    model_.CurrentSlide = model_.NextSlide;
    model_.NextSlide.Index = 0;
    model_.NextSlide.ResourceSet = OtherSet(model_.CurrentSlide.ResourceSet);
    model_.NextSlide.SoundLoaded = false;
    state_.BuildNextSlideFlag = model_.CurrentSlide.Index < model_.SlideCount();
    state_.CurrentSubslideIndex = 0;
    ZT_DEBUG(log_, TraceSequencing, "status",
        u"CurrentSlide.Index = %1; CurrentSlide.ResourceSet = %2"_s.arg(model_.CurrentSlide.Index)
            .arg(model_.CurrentSlide.ResourceSet));
}

// Plays the new current slide's narration from its beginning; a failing play is traced and
// the show goes on.
void SlideSequencer::StartCurrentNarration()
{
    const int set = model_.CurrentSlide.ResourceSet;
    WavePlayer& player = host_.WaveControl(set);
    player.SetFrom(0);
    player.Command(WaveCommand::Play);
    if (player.Error() != 0) {
        ZT_DEBUG(log_, TraceSound, "status",
            u"WaveControl(%1) Play Error [%2] %3"_s.arg(set)
                .arg(player.Error())
                .arg(player.ErrorMessage()));
        player.ClearError();
    }
}

void SlideSequencer::StartSubslideClock()
{
    if (model_.CurrentSlide.Index < 1 || model_.CurrentSlide.Index > model_.SlideCount())
        return;
    const Slide& slide = model_.SlideAt(model_.CurrentSlide.Index);
    state_.CurrentSubslideIndex = 0;
    state_.SubslideTime = slide.SubslideCount() == 0
        ? slide.WaveFileLength
        : DueTime(slide.SubSlide.front().StartTime, slide.WaveFileLength);
    state_.SubslideClockRunning = true;
}

void SlideSequencer::StopAndClose(int set)
{
    WavePlayer& player = host_.WaveControl(set);
    player.Command(WaveCommand::Stop);
    player.Command(WaveCommand::Close);
}

void SlideSequencer::RunFatalCheck()
{
    if (!state_.UnmappedResourceName.isEmpty() || host_.DownloadListFinished())
        host_.DisplayResourceFatalError();
}

// Slide n waits for its files; the heartbeat tries it again. fromPlayGivenSlide: the slide was
// chosen or started (its caption names it), not reached by a narration's end.
void SlideSequencer::EnterWaitingDisplay(int n, bool fromPlayGivenSlide)
{
    state_.SlideAwaitingFiles = fromPlayGivenSlide ? model_.CurrentSlide.Index : n;
    ZT_DEBUG(log_, TraceSequencing, "status",
        u"CurSlideWaitingRsrcs = %1"_s.arg(state_.SlideAwaitingFiles));
    if (state_.ExitInProgress)
        return;
    QString caption;
    if (fromPlayGivenSlide)
        caption
            = u"Buffering Zentil Resources for Slide %1 of %2"_s.arg(n).arg(model_.SlideCount());
    if (!host_.WaitingPanelVisible())
        host_.ShowWaitingPanel(caption, u"Waiting for file "_s + state_.MissingFileName + u"."_s);
}

void SlideSequencer::PlayGivenSlide(int n, qint64 startPosition)
{
    if (model_.SlideCount() < 1 || n < 1)
        return;
    ZT_TRACE_SCOPE_ARGS(log_, u"PlayGivenSlide"_s, u"SlideIndex = %1"_s.arg(n));
    state_.SlideAwaitingFiles = 0;
    state_.NextSlideAwaitingFiles = 0;
    state_.EndSlideDue = 0;
    state_.SubslideClockRunning = false;
    state_.DefaultSlideShown = DefaultSlide::NotShown;
    StopAndClose(model_.CurrentSlide.ResourceSet);
    model_.CurrentSlide.SoundLoaded = false;
    StopAndClose(model_.NextSlide.ResourceSet);
    model_.NextSlide.SoundLoaded = false;

    state_.CurrentSubslideIndex = 0;
    model_.CurrentSlide.Index = n;
    model_.NextSlide.Index = 0;
    state_.BuildNextSlideFlag = n < model_.SlideCount();
    if (LoadSlideBackground(n, model_.CurrentSlide.ResourceSet)) {
        RunFatalCheck();
        EnterWaitingDisplay(n, true);
        return;
    }
    host_.HideWaitingPanel();
    host_.ShowSlide(n);
    const bool loaded
        = host_.LoadWavePlayer(model_.SlideAt(n).WaveFileName, model_.CurrentSlide.ResourceSet);
    model_.CurrentSlide.SoundLoaded = loaded;
    if (loaded) {
        WavePlayer& player = host_.WaveControl(model_.CurrentSlide.ResourceSet);
        Slide& slide = model_.SlideAt(n);
        if (slide.WaveFileLength <= 0)
            slide.WaveFileLength = static_cast<int32_t>(player.Length());
        StartSubslideClock();
        if (startPosition > 0 && startPosition < player.Length())
            player.SetFrom(startPosition);
        player.Command(WaveCommand::Play);
    }
    host_.FocusSlideWindow();
    if (state_.BuildNextSlideFlag)
        StartBuildingNextSlide();
    host_.TrimWavefiles();
}

void SlideSequencer::StartBuildingNextSlide()
{
    const int k = model_.CurrentSlide.Index + 1;
    if (k < 2 || k > model_.SlideCount())
        return;
    ZT_DEBUG(log_, TraceSequencing, "status", u"StartBuildingNextSlide - SlideIndex = %1"_s.arg(k));
    if (model_.SlideAt(model_.CurrentSlide.Index).SubslideCount() != 0) {
        OpenNextNarration(k);
        return;
    }
    if (LoadSlideBackground(k, model_.NextSlide.ResourceSet)) {
        state_.NextSlideAwaitingFiles = k;
        return;
    }
    state_.BuildNextSlideFlag = false;
    model_.NextSlide.Index = k;
    OpenNextNarration(k);
    if (!model_.NextSlide.SoundLoaded)
        state_.NextSlideAwaitingFiles = k;
}

void SlideSequencer::LoadNextSlide(int n)
{
    state_.NextSlideAwaitingFiles = 0;
    // Only the slide after the one on screen is ever prepared: a request left from before a
    // slide change is stale.
    if (n <= 0 || n > model_.SlideCount() || n != model_.CurrentSlide.Index + 1)
        return;
    if (SlideResourcesMissing(n)) {
        RunFatalCheck();
        state_.NextSlideAwaitingFiles = n;
        return;
    }
    state_.BuildNextSlideFlag = false;
    if (model_.CurrentSlide.Index < 1 || model_.CurrentSlide.Index > model_.SlideCount())
        return;
    const Slide& current = model_.SlideAt(model_.CurrentSlide.Index);
    const bool subslidesPending
        = current.SubslideCount() != 0 && state_.CurrentSubslideIndex < current.SubslideCount();
    if (!subslidesPending) {
        model_.NextSlide.Index = n;
        host_.DrawNewBackground(model_.SlideAt(n).BackgroundIndex, model_.NextSlide.ResourceSet);
    }
    OpenNextNarration(n);
    if (!model_.NextSlide.SoundLoaded)
        state_.NextSlideAwaitingFiles = n;
}

bool SlideSequencer::LoadSlideBackground(int n, int set)
{
    ZT_DEBUG(log_, TraceTiming, "time", u"Begin LoadSlideBackground"_s);
    ZT_TRACE_SCOPE_ARGS(log_, u"LoadSlideBackground"_s, u"SlideIndex = %1"_s.arg(n));
    const bool missing = SlideResourcesMissing(n);
    if (missing)
        RunFatalCheck();
    if (!missing && n >= 1 && n <= model_.SlideCount()) {
        // The surfaces are single: the set of the caller is not passed on.
        (void)set;
        host_.DrawNewBackground(model_.SlideAt(n).BackgroundIndex, 1);
    }
    ZT_TRACE_EXIT(u"LoadSlideBackground - Waiting = "_s + BoolText(missing));
    return missing;
}

bool SlideSequencer::SlideResourcesMissing(int n)
{
    state_.MissingFileName.clear();
    if (model_.Map.IsEmpty() || n < 1 || n > model_.SlideCount())
        return false;
    for (const QString& name : model_.SlideAt(n).ResourceName) {
        const int32_t index = model_.Map.GetMapIndex(name);
        if (index == 0) {
            state_.UnmappedResourceName = name;
            return true;
        }
        const QString& fileName = model_.Map.At(index).ResourceName;
        if (!host_.ResourceFilePresent(fileName)) {
            state_.MissingFileName = fileName;
            return true;
        }
    }
    return false;
}

void SlideSequencer::PlayCurrentSubslide()
{
    const int k = state_.CurrentSubslideIndex;
    const Slide& slide = model_.SlideAt(model_.CurrentSlide.Index);
    ZT_TRACE_SCOPE_ARGS(log_, u"PlayCurrentSubslide"_s, u"SubslideIndex = %1"_s.arg(k));
    host_.ShowSubslide(model_.CurrentSlide.Index, k);

    const qint64 length = host_.WaveControl(model_.CurrentSlide.ResourceSet).Length();
    if (k >= slide.SubslideCount())
        state_.SubslideTime = length;
    else
        state_.SubslideTime = DueTime(slide.SubSlide.at(static_cast<size_t>(k)).StartTime, length);
}

} // namespace zentil
