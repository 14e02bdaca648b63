#pragma once

#include <QFrame>

#include <functional>

class QCheckBox;
class QSlider;

namespace zentil {

class VolumeMixer;
struct PlaybackState;

// The small panel that sets the system's master volume and mute switch: a "Volume" frame with a
// slider and a "Mute" box. It changes the mixer only, never the narration's samples. It lives in
// the slide window's 800×600 picture coordinates; the window places and shows it. Every use
// stamps VolumePanelTime so the heartbeat can close the panel after a quiet spell.
class VolumePanel : public QFrame {
    Q_OBJECT
public:
    static constexpr int kSliderMaximum = 100;

    // now gives the player's clock (seconds since midnight).
    VolumePanel(const VolumeMixer& mixer, PlaybackState& state, std::function<double()> now,
        QWidget* parent = nullptr);

    // Reads the mixer into the controls (the mute box is disabled when the mixer has no mute
    // switch), shows the panel and stamps the times that keep it and the cursor up.
    void Open();
    // Hides the panel and clears VolumePanelTime.
    void Close();

    QSlider& Slider() { return *slider_; }
    QCheckBox& MuteBox() { return *mute_; }

    // Hands the keyboard focus back to the slide after each use.
    std::function<void()> OnFocusBack;

private:
    void SliderMoved(int value);
    void MuteClicked(bool checked);
    void Touch();

    const VolumeMixer& mixer_;
    PlaybackState& state_;
    std::function<double()> now_;
    QSlider* slider_;
    QCheckBox* mute_;
};

} // namespace zentil
