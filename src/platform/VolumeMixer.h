#pragma once

#include <QString>

#include <optional>

namespace zentil {

// The system's master volume and mute switch, through the ALSA simple mixer element "Master" of
// the "default" device (which reaches PulseAudio or PipeWire through their ALSA plugins). Each
// operation opens the mixer, does its one job and closes it again, so a sound server that comes
// or goes while the player runs is simply met on the next call. Failures are values, never
// messages: a machine without a mixer keeps playing.
class VolumeMixer {
public:
    explicit VolumeMixer(
        QString device = QStringLiteral("default"), QString element = QStringLiteral("Master"));

    // The mute switch: 1 muted, 0 sounding; nothing when the mixer or switch is missing.
    std::optional<int> GetMute() const;
    // The volume in percent 0..100, rounded; -1 when the mixer or its volume is missing.
    int GetVolume() const;
    // Sets the mute switch (non-zero mutes); does nothing on failure.
    void SetMute(int value) const;
    // Sets the volume in percent; values outside 0..100 are ignored, as are failures.
    void SetVolume(int percentage) const;

private:
    QString device_;
    QString element_;
};

} // namespace zentil
