#pragma once

#include <QObject>

#include <functional>

class QGraphicsPixmapItem;
class QGraphicsScene;

namespace zentil {

class FullScreenWindow;
class VolumeMixer;
class VolumePanel;
struct PlaybackState;
struct SlideShowModel;

// The information panel and the volume panel over the slide, in the window's 800×600 picture
// coordinates: opening, closing and the heartbeat's auto-hide and once-a-second refresh.
class ShowPanels : public QObject {
    Q_OBJECT
public:
    // now gives the player's clock (seconds since midnight).
    ShowPanels(FullScreenWindow& window, const SlideShowModel& model, PlaybackState& state,
        const VolumeMixer& mixer, std::function<double()> now);
    ~ShowPanels() override;

    // ToggleSlideInfo: refresh false closes an open panel and opens a closed one; refresh true
    // draws it again (the clock and the slide line change).
    void ToggleSlideInfo(bool refresh);
    bool InfoPanelVisible() const;
    void CloseInfoPanel();
    // Redraws the information panel when it is open.
    void RefreshInfoPanel();

    // Opens the volume panel centred on the picture.
    void OpenVolumePanel();
    bool VolumePanelVisible() const;
    void HideVolumePanel();
    VolumePanel& Volume();

    // The heartbeat's share: closes the volume panel 5 s after its last use (parking the cursor)
    // and redraws the information panel once a second while it is open.
    void HeartbeatTick();

    // Moves the cursor off the picture.
    std::function<void()> ParkCursor;
    // Gives the keyboard focus back to the slide.
    std::function<void()> FocusSlideWindow;

private:
    void DrawInfoPanel();

    QGraphicsScene& scene_;
    const SlideShowModel& model_;
    PlaybackState& state_;
    const VolumeMixer& mixer_;
    std::function<double()> now_;
    QGraphicsPixmapItem* info_ = nullptr;
    VolumePanel* volume_ = nullptr; // owned by the scene once made
};

} // namespace zentil
