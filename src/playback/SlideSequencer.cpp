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
constexpr double kCursorHideSeconds = 5.0;
constexpr int kEndSlidePauseMs = 3000;
constexpr int kResourceWaitMs = 500;
constexpr int kResourceWaitAttempts = 2;

// A subslide timed at or past the end of its narration is shown one heartbeat before the end:
// once the narration has ended its player no longer reports "playing", and the end of the
// narration changes the slide.
qint64 DueTime(qint64 startTime, qint64 narrationLength)
{
    if (narrationLength <= 0)
        return startTime;
    return std::min(startTime, std::max<qint64>(0, narrationLength - SlideSequencer::kHeartbeatMs));
}

QString Bool(bool value)
{
    return value ? u"True"_s : u"False"_s;
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

void SlideSequencer::HeartbeatTick(bool surfacesReady)
{
    if (state_.ExitInProgress || !surfacesReady || !state_.SlideShowLoaded)
        return;

    // A narration end that arrived while the previous one was being handled runs now, once.
    if (state_.WaveControlIndex > 0 && !state_.WaveControlBusy)
        WaveControlDone(state_.WaveControlIndex, 1);

    if (host_.PlayerWindowActive() && !state_.PopupMenuOpen && state_.MouseMoveTime != 0
        && SecondsSince(state_.MouseMoveTime) >= kCursorHideSeconds) {
        state_.MouseMoveTime = 0;
        host_.ParkCursor();
    }

    if (NavigationCommit) {
        NavigationCommit();
        if (state_.ExitInProgress)
            return;
    }

    if (state_.CurSlideWaitingRsrcs > 0 && !state_.SlideChangeInProgress) {
        state_.SlideChangeInProgress = true;
        PlayGivenSlide(state_.CurSlideWaitingRsrcs);
        state_.SlideChangeInProgress = false;
    }

    if (state_.NextSlideWaitingRsrcs > 0)
        LoadNextSlide(state_.NextSlideWaitingRsrcs);

    if (!state_.CheckWavePosition || model_.CurrentSlide.Index < 1
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
    const quint64 changes = state_.SlideChangeCount;
    if (LoadSlideBackground(k, model_.NextSlide.ResourceSet)) {
        if (!SlidesChangedSince(changes))
            state_.NextSlideWaitingRsrcs = k;
        return;
    }
    state_.BuildNextSlideFlag = false;
    model_.NextSlide.Index = k;
    if (!model_.NextSlide.SoundLoaded && !OpenNextNarration(k))
        return;
    if (!model_.NextSlide.SoundLoaded)
        state_.NextSlideWaitingRsrcs = k;
}

bool SlideSequencer::SlidesChangedSince(quint64 changeCount) const
{
    return state_.SlideChangeCount != changeCount;
}

// Opens slide k's narration on the next slide's player and learns its length. Events run while
// the file is opened (its open may be retried for a long time); when the slides changed
// meanwhile, the result belongs to no slide any more: nothing is recorded and false returned.
bool SlideSequencer::OpenNextNarration(int k)
{
    const quint64 changes = state_.SlideChangeCount;
    const int set = model_.NextSlide.ResourceSet;
    const bool loaded = host_.LoadWavePlayer(model_.SlideAt(k).WaveFileName, set);
    if (SlidesChangedSince(changes))
        return false;
    model_.NextSlide.SoundLoaded = loaded;
    Slide& slide = model_.SlideAt(k);
    if (loaded && slide.WaveFileLength <= 0)
        slide.WaveFileLength = static_cast<int32_t>(host_.WaveControl(set).Length());
    return true;
}

void SlideSequencer::WaveControlDone(int index, int notifyCode)
{
    if (state_.ExitInProgress)
        return;
    ZT_DEBUG(log_, TraceProcedures, "enter",
        u"WaveControl_Done - Index = %1; NotifyCode = %2"_s.arg(index).arg(notifyCode));
    if (state_.SlideShowLoaded && notifyCode == 1) {
        if (state_.WaveControlBusy) {
            // Parked: the heartbeat replays it once this handler has finished.
            state_.WaveControlIndex = index;
            ZT_DEBUG(log_, TraceSequencing, "status",
                u"WaveControlBusy = True; WaveControlIndex = %1"_s.arg(index));
            ZT_DEBUG(log_, TraceProcedures, "exit", u"WaveControl_Done"_s);
            return;
        }
        state_.WaveControlBusy = true;
        state_.CheckWavePosition = false;
        state_.WaveControlIndex = 0;
        ChangeToNextSlide();
    }
    state_.WaveControlBusy = false;
    ZT_DEBUG(log_, TraceProcedures, "exit", u"WaveControl_Done"_s);
}

void SlideSequencer::ShowEndSlide()
{
    state_.BuildNextSlideFlag = false;
    const quint64 changes = state_.SlideChangeCount;
    host_.WaitLettingEventsRun(kEndSlidePauseMs);
    if (SlidesChangedSince(changes))
        return; // another slide was started during the pause
    model_.NextSlide.Index = 0;
    model_.NextSlide.SoundLoaded = false;
    state_.ShowPlaying = false;
    state_.DefaultSlideShown = u"end"_s;
    if (state_.ExitInProgress)
        return;
    host_.ShowDefaultSlide(u"end"_s);
    host_.TrimWavefiles();
}

// Steps of a narration's natural end after the guard: make sure the next slide is built, swap
// the two slide records, start the new narration and show the new slide.
void SlideSequencer::ChangeToNextSlide()
{
    const int following = model_.CurrentSlide.Index + 1;
    if (model_.CurrentSlide.Index >= model_.SlideCount()) {
        ShowEndSlide();
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
        const quint64 changes = state_.SlideChangeCount;
        const bool loaded = host_.LoadWavePlayer(
            model_.SlideAt(model_.NextSlide.Index).WaveFileName, model_.NextSlide.ResourceSet);
        if (SlidesChangedSince(changes))
            return; // a handler that ran meanwhile has already moved the show on
        model_.NextSlide.SoundLoaded = loaded;
    }
    if (state_.ExitInProgress)
        return;
    state_.SlideChangeInProgress = true;
    SwapSlideRecords();
    StartSwappedSlide();
    state_.SlideChangeInProgress = false;
}

// After the swap: the new narration plays, its predecessor's player closes, the slide shows and
// the one after it is prepared. Each step that lets events run is followed by a look at the
// slides: once a handler that ran meanwhile has started others, the rest is not done.
void SlideSequencer::StartSwappedSlide()
{
    const quint64 changes = state_.SlideChangeCount;
    if (!state_.ExitInProgress)
        StartCurrentNarration();
    if (SlidesChangedSince(changes))
        return;
    if (!state_.ExitInProgress) {
        StopAndClose(model_.NextSlide.ResourceSet);
        if (SlidesChangedSince(changes))
            return;
        model_.NextSlide.SoundLoaded = false;
    }
    if (!state_.ExitInProgress) {
        host_.ShowSlide(model_.CurrentSlide.Index);
        StartSubslideClock();
    }
    host_.TrimWavefiles();
    if (!SlidesChangedSince(changes) && !state_.ExitInProgress && state_.BuildNextSlideFlag)
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
    ++state_.SlideChangeCount;
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
    state_.CheckWavePosition = true;
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

void SlideSequencer::EnterWaitingDisplay(int n, bool fromPlayGivenSlide)
{
    state_.CurSlideWaitingRsrcs = fromPlayGivenSlide ? model_.CurrentSlide.Index : n;
    ZT_DEBUG(log_, TraceSequencing, "status",
        u"CurSlideWaitingRsrcs = %1"_s.arg(state_.CurSlideWaitingRsrcs));
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
    state_.CurSlideWaitingRsrcs = 0;
    state_.NextSlideWaitingRsrcs = 0;
    state_.CheckWavePosition = false;
    state_.DefaultSlideShown.clear();
    StopAndClose(model_.CurrentSlide.ResourceSet);
    model_.CurrentSlide.SoundLoaded = false;
    StopAndClose(model_.NextSlide.ResourceSet);
    model_.NextSlide.SoundLoaded = false;

    state_.CurrentSubslideIndex = 0;
    model_.CurrentSlide.Index = n;
    model_.NextSlide.Index = 0;
    state_.BuildNextSlideFlag = n < model_.SlideCount();
    const quint64 changes = ++state_.SlideChangeCount;
    if (LoadSlideBackground(n, model_.CurrentSlide.ResourceSet)) {
        if (SlidesChangedSince(changes))
            return;
        RunFatalCheck();
        EnterWaitingDisplay(n, true);
        return;
    }
    host_.HideWaitingPanel();
    host_.ShowSlide(n);
    const bool loaded
        = host_.LoadWavePlayer(model_.SlideAt(n).WaveFileName, model_.CurrentSlide.ResourceSet);
    if (SlidesChangedSince(changes))
        return;
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
    if (!SlidesChangedSince(changes))
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
    const quint64 changes = state_.SlideChangeCount;
    if (LoadSlideBackground(k, model_.NextSlide.ResourceSet)) {
        if (!SlidesChangedSince(changes))
            state_.NextSlideWaitingRsrcs = k;
        return;
    }
    state_.BuildNextSlideFlag = false;
    model_.NextSlide.Index = k;
    if (OpenNextNarration(k) && !model_.NextSlide.SoundLoaded)
        state_.NextSlideWaitingRsrcs = k;
}

void SlideSequencer::LoadNextSlide(int n)
{
    state_.NextSlideWaitingRsrcs = 0;
    // Only the slide after the one on screen is ever prepared: a request left from before a
    // slide change is stale.
    if (n <= 0 || n > model_.SlideCount() || n != model_.CurrentSlide.Index + 1)
        return;
    if (SlideResourcesMissing(n)) {
        RunFatalCheck();
        state_.NextSlideWaitingRsrcs = n;
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
    if (OpenNextNarration(n) && !model_.NextSlide.SoundLoaded)
        state_.NextSlideWaitingRsrcs = n;
}

bool SlideSequencer::LoadSlideBackground(int n, int set)
{
    ZT_DEBUG(log_, TraceTiming, "time", u"Begin LoadSlideBackground"_s);
    ZT_DEBUG(log_, TraceProcedures, "enter", u"LoadSlideBackground - SlideIndex = %1"_s.arg(n));
    const quint64 changes = state_.SlideChangeCount;
    bool missing = SlideResourcesMissing(n);
    for (int attempt = 0; missing && attempt < kResourceWaitAttempts && !state_.ExitInProgress;
         ++attempt) {
        RunFatalCheck();
        host_.WaitLettingEventsRun(kResourceWaitMs);
        ZT_DEBUG(log_, TraceSequencing, "status", u"Waited .5 seconds for resources"_s);
        missing = SlideResourcesMissing(n);
    }
    // Slides started during the waits own the drawing surfaces now: the caller's slide is stale.
    if (SlidesChangedSince(changes))
        missing = true;
    if (!missing && n >= 1 && n <= model_.SlideCount()) {
        // The surfaces are single: the set of the caller is not passed on.
        (void)set;
        host_.DrawNewBackground(model_.SlideAt(n).BackgroundIndex, 1);
    }
    ZT_DEBUG(log_, TraceProcedures, "exit", u"LoadSlideBackground - Waiting = "_s + Bool(missing));
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
    ZT_DEBUG(log_, TraceProcedures, "enter", u"PlayCurrentSubslide - SubslideIndex = %1"_s.arg(k));
    host_.ShowSubslide(model_.CurrentSlide.Index, k);

    const qint64 length = host_.WaveControl(model_.CurrentSlide.ResourceSet).Length();
    if (k >= slide.SubslideCount())
        state_.SubslideTime = length;
    else
        state_.SubslideTime = DueTime(slide.SubSlide.at(static_cast<size_t>(k)).StartTime, length);
    host_.LetEventsRun();
    ZT_DEBUG(log_, TraceProcedures, "exit", u"PlayCurrentSubslide"_s);
}

} // namespace zentil
