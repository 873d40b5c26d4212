// The ALSA side of the master volume. A desktop's default device is its
// sound server's (PulseAudio's or PipeWire's "Master") or the first card's
// own "Master"; whichever it is, the element's range is mapped onto
// 0..65535, so a value read back after a write can differ from it by the
// element's step.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "framework/mastervolume.h"

namespace orvanta {

namespace {

// ALSA reports what it cannot open on stderr; the dialog says nothing.
void quietAlsaError(const char*, int, const char*, int, const char*, ...) {}

struct MixerClose {
    void operator()(snd_mixer_t* m) const { snd_mixer_close(m); }
};
using MixerHandle = std::unique_ptr<snd_mixer_t, MixerClose>;

struct Master {
    MixerHandle mixer;
    snd_mixer_elem_t* element = nullptr;
    long min = 0, max = 0;
    std::vector<snd_mixer_selem_channel_id_t> channels;
};

std::optional<Master> openMaster() {
    static const bool quiet = [] {
        snd_lib_error_set_handler(&quietAlsaError);
        return true;
    }();
    (void)quiet;
    snd_mixer_t* raw = nullptr;
    if (snd_mixer_open(&raw, 0) < 0 || !raw) return std::nullopt;
    Master m;
    m.mixer.reset(raw);
    if (snd_mixer_attach(raw, "default") < 0 || snd_mixer_selem_register(raw, nullptr, nullptr) < 0 ||
        snd_mixer_load(raw) < 0)
        return std::nullopt;
    snd_mixer_selem_id_t* id = nullptr;
    snd_mixer_selem_id_alloca(&id);
    snd_mixer_selem_id_set_index(id, 0);
    snd_mixer_selem_id_set_name(id, "Master");
    m.element = snd_mixer_find_selem(raw, id);
    if (!m.element || !snd_mixer_selem_has_playback_volume(m.element)) return std::nullopt;
    if (snd_mixer_selem_get_playback_volume_range(m.element, &m.min, &m.max) < 0 || m.max <= m.min) return std::nullopt;
    for (int c = 0; c <= SND_MIXER_SCHN_LAST; ++c) {
        const auto channel = static_cast<snd_mixer_selem_channel_id_t>(c);
        if (snd_mixer_selem_has_playback_channel(m.element, channel)) m.channels.push_back(channel);
    }
    if (m.channels.empty()) return std::nullopt;
    return m;
}

}  // namespace

std::optional<int> readMasterVolume() {
    const std::optional<Master> m = openMaster();
    if (!m) return std::nullopt;
    long loudest = m->min;
    for (const auto channel : m->channels) {
        long v = 0;
        if (snd_mixer_selem_get_playback_volume(m->element, channel, &v) < 0) return std::nullopt;
        loudest = std::max(loudest, v);
    }
    const double share = double(std::clamp(loudest, m->min, m->max) - m->min) / double(m->max - m->min);
    return static_cast<int>(std::lround(share * kMasterVolumeMax));
}

bool setMasterVolume(int value) {
    const std::optional<Master> m = openMaster();
    if (!m) return false;
    value = std::clamp(value, 0, kMasterVolumeMax);
    std::vector<long> before;
    for (const auto channel : m->channels) {
        long v = 0;
        if (snd_mixer_selem_get_playback_volume(m->element, channel, &v) < 0) return false;
        before.push_back(v);
    }
    const long target = m->min + std::lround(double(value) * double(m->max - m->min) / kMasterVolumeMax);
    for (const auto channel : m->channels) {
        if (snd_mixer_selem_set_playback_volume(m->element, channel, target) >= 0) continue;
        // A channel refused: the ones already set get their values back.
        for (std::size_t i = 0; i < m->channels.size(); ++i)
            snd_mixer_selem_set_playback_volume(m->element, m->channels[i], before[i]);
        return false;
    }
    return true;
}

std::optional<int> masterVolumeSliderPosition() {
    const std::optional<int> volume = readMasterVolume();
    if (!volume) return std::nullopt;
    return *volume / 2;
}

bool setMasterVolumeFromSlider(int position) { return setMasterVolume(2 * std::clamp(position, 0, kVolumeSliderMax)); }

}  // namespace orvanta
