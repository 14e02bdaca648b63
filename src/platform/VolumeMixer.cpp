#include "platform/VolumeMixer.h"

#include <alsa/asoundlib.h>

#include <cmath>
#include <memory>
#include <utility>

namespace zentil {

namespace {

struct MixerCloser {
    void operator()(snd_mixer_t* mixer) const { snd_mixer_close(mixer); }
};
using MixerHandle = std::unique_ptr<snd_mixer_t, MixerCloser>;

// One opened mixer and its element; empty when any step failed.
struct OpenElement {
    MixerHandle mixer;
    snd_mixer_elem_t* element = nullptr;
};

OpenElement OpenMixerElement(const QString& device, const QString& name)
{
    OpenElement result;
    snd_mixer_t* raw = nullptr;
    if (snd_mixer_open(&raw, 0) < 0)
        return result;
    MixerHandle mixer(raw);
    const QByteArray deviceName = device.toLocal8Bit();
    if (snd_mixer_attach(mixer.get(), deviceName.constData()) < 0
        || snd_mixer_selem_register(mixer.get(), nullptr, nullptr) < 0
        || snd_mixer_load(mixer.get()) < 0)
        return result;
    snd_mixer_selem_id_t* id = nullptr;
    snd_mixer_selem_id_alloca(&id);
    snd_mixer_selem_id_set_index(id, 0);
    const QByteArray elementName = name.toLocal8Bit();
    snd_mixer_selem_id_set_name(id, elementName.constData());
    result.element = snd_mixer_find_selem(mixer.get(), id);
    if (result.element)
        result.mixer = std::move(mixer);
    return result;
}

} // namespace

VolumeMixer::VolumeMixer(QString device, QString element)
    : device_(std::move(device))
    , element_(std::move(element))
{ }

std::optional<int> VolumeMixer::GetMute() const
{
    const OpenElement open = OpenMixerElement(device_, element_);
    if (!open.element || !snd_mixer_selem_has_playback_switch(open.element))
        return std::nullopt;
    int sounding = 0;
    if (snd_mixer_selem_get_playback_switch(open.element, SND_MIXER_SCHN_FRONT_LEFT, &sounding) < 0)
        return std::nullopt;
    return sounding ? 0 : 1;
}

int VolumeMixer::GetVolume() const
{
    const OpenElement open = OpenMixerElement(device_, element_);
    if (!open.element || !snd_mixer_selem_has_playback_volume(open.element))
        return -1;
    long low = 0;
    long high = 0;
    long value = 0;
    if (snd_mixer_selem_get_playback_volume_range(open.element, &low, &high) < 0 || high <= low
        || snd_mixer_selem_get_playback_volume(open.element, SND_MIXER_SCHN_FRONT_LEFT, &value) < 0)
        return -1;
    const double percent = double(value - low) * 100.0 / double(high - low);
    return int(std::nearbyint(percent));
}

void VolumeMixer::SetMute(int value) const
{
    const OpenElement open = OpenMixerElement(device_, element_);
    if (open.element && snd_mixer_selem_has_playback_switch(open.element))
        snd_mixer_selem_set_playback_switch_all(open.element, value ? 0 : 1);
}

void VolumeMixer::SetVolume(int percentage) const
{
    if (percentage < 0 || percentage > 100)
        return;
    const OpenElement open = OpenMixerElement(device_, element_);
    long low = 0;
    long high = 0;
    if (!open.element || !snd_mixer_selem_has_playback_volume(open.element)
        || snd_mixer_selem_get_playback_volume_range(open.element, &low, &high) < 0)
        return;
    const long value = low + long(std::nearbyint(double(percentage) * double(high - low) / 100.0));
    snd_mixer_selem_set_playback_volume_all(open.element, value);
}

} // namespace zentil
