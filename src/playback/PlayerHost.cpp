#include "playback/PlayerHost.h"

#include "base/DebugLog.h"
#include "playback/FullScreenWindow.h"
#include "playback/NarrationFiles.h"
#include "playback/PlaybackState.h"
#include "playback/ResourcePanel.h"
#include "playback/WavePlayer.h"
#include "render/RenderState.h"
#include "render/SlideComposition.h"
#include "script/PresentationModel.h"
#include "storage/ZentilFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

PlayerHost::PlayerHost(SlideShowModel& model, PlaybackState& state, RenderState& render,
    FullScreenWindow& window, const ZentilFolders& folders, DebugLog& log, WaveOutputChoice output,
    PlayerHostServices services)
    : model_(model)
    , state_(state)
    , render_(render)
    , window_(window)
    , folders_(folders)
    , log_(log)
    , services_(std::move(services))
    , wave1_(std::make_unique<WavePlayer>(1, output))
    , wave2_(std::make_unique<WavePlayer>(2, output))
    , aheadTimer_(std::make_unique<QTimer>())
{
    aheadTimer_->setSingleShot(true);
    aheadTimer_->setInterval(kDrawAheadDelayMs);
    QObject::connect(aheadTimer_.get(), &QTimer::timeout, [this] { DrawNextSlideAhead(); });
}

PlayerHost::~PlayerHost() = default;

// ---- Drawing -----------------------------------------------------------------------------

void PlayerHost::PresentForeground()
{
    window_.ShowPicture(render_.Surfaces.Foreground.Image);
}

void PlayerHost::DrawNewBackground(int backgroundIndex, int set)
{
    zentil::DrawNewBackground(render_, model_, services_.Drawing(), log_, backgroundIndex, set);
    // The next slide's background is what its drawing starts from.
    if (!log_.DebugMode)
        aheadTimer_->start();
}

void PlayerHost::DrawNextSlideAhead()
{
    const int next = model_.NextSlide.Index;
    if (next >= 1 && next <= model_.SlideCount()
        && render_.BackgroundLayerIndex == model_.SlideAt(next).BackgroundIndex)
        ahead_ = DrawSlideAhead(render_, model_, services_.Drawing(), next);
}

void PlayerHost::ShowSlide(int slideNumber)
{
    aheadTimer_->stop();
    if (!TakeSlideDrawnAhead(render_, ahead_, slideNumber))
        zentil::ShowSlide(render_, model_, services_.Drawing(), log_, slideNumber);
    PresentForeground();
    if (services_.SlideShown)
        services_.SlideShown();
}

void PlayerHost::ShowDefaultSlide(DefaultSlide slide)
{
    // The end slide stops playback first: both narrations end and nothing more is prepared.
    const auto stopPlayback = [this] {
        for (int index : { 1, 2 }) {
            WaveControl(index).Command(WaveCommand::Stop);
            WaveControl(index).Command(WaveCommand::Close);
        }
        model_.CurrentSlide.SoundLoaded = false;
        model_.NextSlide.SoundLoaded = false;
        state_.BuildNextSlideFlag = false;
    };
    state_.DefaultSlideShown = slide;
    zentil::ShowDefaultSlide(
        render_, model_, services_.Drawing(), log_, DefaultSlideName(slide), stopPlayback);
    state_.SubslideClockRunning = false;
    PresentForeground();
}

void PlayerHost::ShowSubslide(int slideNumber, int subslideNumber)
{
    (void)slideNumber; // the composition draws the subslide of the current slide
    ShowSubSlide(render_, model_, services_.Drawing(), log_, subslideNumber);
    PresentForeground();
}

// ---- Narration ---------------------------------------------------------------------------

WavePlayer& PlayerHost::WaveControl(int index)
{
    return index == 2 ? *wave2_ : *wave1_;
}

bool PlayerHost::LoadWavePlayer(const QString& waveFileName, int set)
{
    const NarrationServices services { log_, state_.ExitInProgress, services_.MakeWorkingCopy };
    return zentil::LoadWavePlayer(waveFileName, WaveControl(set), model_.Map, services);
}

void PlayerHost::TrimWavefiles()
{
    zentil::TrimWavefiles(model_, log_);
}

// ---- Waiting display and window ------------------------------------------------------------

void PlayerHost::ShowWaitingPanel(const QString& caption, const QString& text)
{
    ResourcePanel& panel = window_.Resources();
    if (!caption.isEmpty())
        panel.SetCaption(caption);
    panel.SetText(text);
    panel.show();
}

void PlayerHost::HideWaitingPanel()
{
    window_.HideResources();
}

bool PlayerHost::WaitingPanelVisible() const
{
    return window_.ResourcesVisible();
}

void PlayerHost::FocusSlideWindow()
{
    window_.FocusSlideWindow();
}

void PlayerHost::ParkCursor()
{
    window_.ParkCursor();
}

bool PlayerHost::PlayerWindowActive() const
{
    return window_.isActiveWindow();
}

bool PlayerHost::ResourceFilePresent(const QString& fileName) const
{
    return !folders_.ResourcePath.isEmpty()
        && QFileInfo(QDir(folders_.ResourcePath).filePath(fileName)).isFile();
}

bool PlayerHost::DownloadListFinished() const
{
    return services_.DownloadListFinished && services_.DownloadListFinished();
}

void PlayerHost::DisplayResourceFatalError()
{
    if (!state_.ExitInProgress && services_.ResourceFatalError)
        services_.ResourceFatalError();
}

} // namespace zentil
