#include "playback/ShowPanels.h"

#include "playback/FullScreenWindow.h"
#include "playback/InfoPanel.h"
#include "playback/PlaybackState.h"
#include "playback/VolumePanel.h"
#include "script/PresentationModel.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>

#include <cmath>

namespace zentil {

namespace {

constexpr double kVolumePanelQuietSeconds = 5.0;
constexpr double kInfoRefreshSeconds = 1.0;
// Above the slide and the preview, below the progress panel.
constexpr qreal kPanelZ = 8;

} // namespace

ShowPanels::ShowPanels(FullScreenWindow& window, const SlideShowModel& model, PlaybackState& state,
    const VolumeMixer& mixer, std::function<double()> now)
    : scene_(*window.scene())
    , model_(model)
    , state_(state)
    , mixer_(mixer)
    , now_(std::move(now))
{
    info_ = scene_.addPixmap(QPixmap());
    info_->setZValue(kPanelZ);
    info_->hide();
}

// The volume panel is made when first wanted: the scene's first widget costs more than a
// whole slide, and the first slide does not need it.
VolumePanel& ShowPanels::Volume()
{
    if (volume_)
        return *volume_;
    volume_ = new VolumePanel(mixer_, state_, now_);
    volume_->OnFocusBack = [this] {
        if (FocusSlideWindow)
            FocusSlideWindow();
    };
    QGraphicsProxyWidget* proxy = scene_.addWidget(volume_);
    proxy->setZValue(kPanelZ + 1);
    proxy->setPos((FullScreenWindow::kVirtualWidth - volume_->width()) / 2,
        (FullScreenWindow::kVirtualHeight - volume_->height()) / 2);
    return *volume_;
}

ShowPanels::~ShowPanels() = default;

void ShowPanels::DrawInfoPanel()
{
    state_.InfoPanelTime = now_();
    const InfoPanelContent content { &model_.Info, model_.CurrentSlide.Index, model_.SlideCount(),
        QDateTime::currentDateTime(), QLocale() };
    const InfoPanelPicture picture = zentil::DrawInfoPanel(content);
    info_->setPixmap(QPixmap::fromImage(picture.Image));
    info_->setPos(picture.TopLeft);
    info_->show();
}

void ShowPanels::ToggleSlideInfo(bool refresh)
{
    if (!refresh && InfoPanelVisible())
        CloseInfoPanel();
    else
        DrawInfoPanel();
}

bool ShowPanels::InfoPanelVisible() const
{
    return info_->isVisible();
}

void ShowPanels::CloseInfoPanel()
{
    state_.InfoPanelTime = 0;
    info_->hide();
}

void ShowPanels::RefreshInfoPanel()
{
    if (InfoPanelVisible())
        DrawInfoPanel();
}

void ShowPanels::OpenVolumePanel()
{
    Volume().Open();
}

bool ShowPanels::VolumePanelVisible() const
{
    return volume_ && volume_->isVisible();
}

void ShowPanels::HideVolumePanel()
{
    if (volume_)
        volume_->Close();
}

void ShowPanels::HeartbeatTick()
{
    if (state_.VolumePanelTime != 0
        && std::abs(now_() - state_.VolumePanelTime) >= kVolumePanelQuietSeconds) {
        HideVolumePanel();
        if (ParkCursor)
            ParkCursor();
        state_.PopupMenuOpen = false;
    }
    if (state_.InfoPanelTime != 0) {
        if (!InfoPanelVisible())
            state_.InfoPanelTime = 0;
        else if (std::abs(now_() - state_.InfoPanelTime) >= kInfoRefreshSeconds)
            DrawInfoPanel();
    }
}

} // namespace zentil
