#include "playback/VolumePanel.h"

#include "platform/VolumeMixer.h"
#include "playback/PlaybackState.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

VolumePanel::VolumePanel(
    const VolumeMixer& mixer, PlaybackState& state, std::function<double()> now, QWidget* parent)
    : QFrame(parent)
    , mixer_(mixer)
    , state_(state)
    , now_(std::move(now))
    , slider_(new QSlider(Qt::Horizontal))
    , mute_(new QCheckBox(u"Mute"_s))
{
    setObjectName(u"VolumePanel"_s);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    auto* frame = new QGroupBox(u"Volume"_s, this);
    frame->setObjectName(u"VolumeFrame"_s);
    slider_->setObjectName(u"VolumeSlider"_s);
    slider_->setRange(0, kSliderMaximum);
    slider_->setPageStep(kSliderMaximum / 10);
    mute_->setObjectName(u"MuteCheckBox"_s);
    auto* inner = new QVBoxLayout(frame);
    inner->addWidget(slider_);
    inner->addWidget(mute_);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(frame);
    setFixedSize(200, 110);
    hide();
    connect(slider_, &QSlider::valueChanged, this, &VolumePanel::SliderMoved);
    connect(slider_, &QSlider::sliderPressed, this, &VolumePanel::Touch);
    connect(mute_, &QCheckBox::clicked, this, &VolumePanel::MuteClicked);
}

void VolumePanel::Open()
{
    const int percent = mixer_.GetVolume();
    {
        const QSignalBlocker quiet(slider_);
        slider_->setValue(int(std::nearbyint(std::max(0, percent) * kSliderMaximum / 100.0)));
    }
    const std::optional<int> muted = mixer_.GetMute();
    mute_->setEnabled(muted.has_value());
    mute_->setChecked(muted.value_or(0) == 1);
    show();
    state_.VolumePanelTime = now_();
    state_.MouseMoveTime = state_.VolumePanelTime;
    state_.PopupMenuOpen = false;
}

void VolumePanel::Close()
{
    hide();
    state_.VolumePanelTime = 0;
}

void VolumePanel::SliderMoved(int value)
{
    mixer_.SetVolume(int(std::nearbyint(std::abs(double(value)) / kSliderMaximum * 100.0)));
    state_.VolumePanelTime = now_();
    if (OnFocusBack)
        OnFocusBack();
}

void VolumePanel::MuteClicked(bool checked)
{
    mixer_.SetMute(checked ? 1 : 0);
    state_.VolumePanelTime = now_();
    state_.MouseMoveTime = state_.VolumePanelTime;
    if (OnFocusBack)
        OnFocusBack();
}

void VolumePanel::Touch()
{
    state_.VolumePanelTime = now_();
    state_.MouseMoveTime = 0;
}

} // namespace zentil
