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
    : model_(model)
    , state_(state)
    , now_(std::move(now))
{
    QGraphicsScene& scene = *window.scene();
    info_ = scene.addPixmap(QPixmap());
    info_->setZValue(kPanelZ);
    info_->hide();
    volume_ = new VolumePanel(mixer, state_, now_);
    volume_->OnFocusBack = [this] {
        if (FocusSlideWindow)
            FocusSlideWindow();
    };
    volumeProxy_ = scene.addWidget(volume_);
    volumeProxy_->setZValue(kPanelZ + 1);
    volumeProxy_->setPos((FullScreenWindow::kVirtualWidth - volume_->width()) / 2,
        (FullScreenWindow::kVirtualHeight - volume_->height()) / 2);
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
    volume_->Open();
}

bool ShowPanels::VolumePanelVisible() const
{
    return volume_->isVisible();
}

void ShowPanels::HideVolumePanel()
{
    volume_->Close();
}

void ShowPanels::HeartbeatTick()
{
    if (state_.VolumePanelTime != 0
        && std::abs(now_() - state_.VolumePanelTime) >= kVolumePanelQuietSeconds) {
        volume_->Close();
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
