#pragma once
// Favourite pictures: the shortcut that the F key writes for the picture on
// screen, named after the picture and its local last-write time.
#include <optional>
#include <string>

namespace orvanta {

inline constexpr const char* kFavouriteAddedText = " Current image added to Favorite Pictures directory.";

// The favourites directory as used: trimmed of blanks, with a trailing "/".
std::string favouritesDirectoryForUse(const std::string& directory);

struct FavouriteLink {
    std::string linkPath;     // directory + name + "-" + YYYYMMDDhhmm + extension + ".lnk"
    std::string description;  // "Shortcut to " + the picture's full path
};

// "%d%02d%02d%02d%02d" of year, month, day, hour and minute.
std::string favouriteTimeStamp(int year, int month, int day, int hour, int minute);

// The link for a picture, from its last-write time in local time; nullopt
// when the picture can no longer be found (no shortcut is written then).
std::optional<FavouriteLink> favouriteLinkFor(const std::string& directoryForUse, const std::string& picturePath);

}  // namespace orvanta
