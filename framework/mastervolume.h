#pragma once
// The system's master volume: ALSA's simple mixer element "Master" (playback
// volume) on the default device, seen through the scale 0..65535 that the
// settings dialog works in: 0 is the element's lowest value, 65535 its
// highest, linearly in between. The mixer is opened and closed around every
// call. Any failure (no device, no "Master" element, no playback volume, a
// refused write) changes nothing and is reported, so the caller can ignore
// it or switch its control off.
#include <optional>

namespace orvanta {

inline constexpr int kMasterVolumeMax = 65535;

// The current volume, the loudest channel's; nullopt when it cannot be read.
std::optional<int> readMasterVolume();
// Sets every channel to value (clamped to 0..65535). False when the volume
// could not be set; the channels then keep the values they had.
bool setMasterVolume(int value);

// The volume slider of the Music Selection page runs from 0 to 32760 and
// stands for half the volume.
inline constexpr int kVolumeSliderMax = 32760;
// The slider position for the current volume, or nullopt when it cannot be read.
std::optional<int> masterVolumeSliderPosition();
// Sets the volume to twice the slider position.
bool setMasterVolumeFromSlider(int position);

}  // namespace orvanta
