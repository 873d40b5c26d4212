#pragma once
// The audio-CD drive, read with libcdio: whether the drive (a device path
// such as /dev/sr0, or a cue/bin or similar disc image) holds an audio disc,
// and how many tracks its table of contents lists. A missing drive, one that
// cannot be opened, or a path that is neither a block device nor a regular
// file answers "no" at once, without blocking.
#include "music/musicplayer.h"

namespace orvanta {

class CdioDrive final : public CdDrive {
public:
    bool holdsAudioCd(const std::string& drive) override;
    std::optional<int> trackCount(const std::string& drive) override;
};

}  // namespace orvanta
