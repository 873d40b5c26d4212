#pragma once
// The picture catalogue of a show: the picture list built once at start-up
// from the chosen directories, and the choice of the picture at each step of
// the show (list order, or a fresh shuffle for every cycle). One thread; the
// build lets pending events run through a callback.
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "base/WFilePath.h"
#include "base/WSortableVector.h"
#include "base/mt19937.h"
#include "catalogue/directoryscan.h"
#include "settings/settings.h"

namespace orvanta {

enum class BuildResult {
    Ready,        // the picture list (and the order array when random) is ready
    NoPictures,   // nothing to show: no-pictures flag set, Splash and Randomize off
    Ended,        // the pump reported the show ended during the build
    MemoryError,  // an allocation failed: the caller shows the memory notice and ends the show
};

inline constexpr const char* kMemoryErrorTitle = "Orvanta Memory Error";
inline constexpr const char* kMemoryErrorText = "Unable to allocate sufficient memory.  Probably too many pictures.";

// The full path of a shortcut's target, or "" when the shortcut does not resolve.
using ShortcutResolver = std::function<std::string(const std::string& linkPath)>;

struct BuildHooks {
    PumpEvents pumpEvents;             // empty: the show is never ended meanwhile
    ShortcutResolver resolveShortcut;  // empty: no shortcut resolves
    std::size_t maxExpandedDirectories = kMaxPictureDirs;
};

// The build's pump as a show uses it: `pump` (which lets pending events run
// and says whether the show ended) at most once per interval, and on the
// calls in between only `ended`. The build calls its pump after every
// directory entry; a million entries then cost a few hundred passes through
// the event loop instead of a million, and input still runs within the
// interval.
PumpEvents throttledPump(PumpEvents pump, std::function<bool()> ended,
                         std::chrono::microseconds interval = std::chrono::milliseconds(1));

class PictureCatalogue {
public:
    explicit PictureCatalogue(Mt19937& rng) : rng_(rng) {}

    // Builds the picture list from the directory entries the settings load put
    // in settings.imageDirs (those in use whose path exists); directories()
    // then holds the directories really used. Anything but Ready leaves the
    // list empty.
    BuildResult buildPictureList(const Settings& settings, const BuildHooks& hooks);
    // The preview's one-entry list holding lastImage.
    void usePreview(const std::string& lastImage);

    // The picture-list index to show at the current position, or -1 when there
    // is nothing to show. In random order a shuffle starts every cycle.
    int nextPicturePosition();
    void advance() { ++position_; }
    // Back by two, wrapping below 0 to the end of the list; never negative.
    void stepBack();

    const WSortableVector<WFilePath>& pictures() const { return pictures_; }
    int length() const { return static_cast<int>(pictures_.size()); }
    const std::vector<std::string>& directories() const { return directories_; }
    const std::vector<int>& order() const { return order_; }
    int position() const { return position_; }
    void setPosition(int position) { position_ = position; }
    int lastOfPreviousCycle() const { return lastOfPreviousCycle_; }
    bool noPictures() const { return noPictures_; }
    bool preview() const { return preview_; }
    bool randomized() const { return randomize_; }

private:
    void reset();
    BuildResult build(const Settings& settings, const BuildHooks& hooks);
    BuildResult noPicturesFound();

    Mt19937& rng_;
    std::vector<std::string> directories_;
    WSortableVector<WFilePath> pictures_;
    std::vector<int> order_;
    int position_ = 0;
    int lastOfPreviousCycle_ = -1;
    bool noPictures_ = false;
    bool preview_ = false;
    bool randomize_ = false;
};

}  // namespace orvanta
