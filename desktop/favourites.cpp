#include "desktop/favourites.h"

#include <sys/stat.h>

#include <cstdio>
#include <ctime>

#include "base/WFilePath.h"
#include "base/WString.h"

namespace orvanta {

std::string favouritesDirectoryForUse(const std::string& directory) { return withTrailingSlash(trimBlanks(directory)); }

std::string favouriteTimeStamp(int year, int month, int day, int hour, int minute) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d%02d%02d%02d%02d", year, month, day, hour, minute);
    return buffer;
}

std::optional<FavouriteLink> favouriteLinkFor(const std::string& directoryForUse, const std::string& picturePath) {
    struct stat st {};
    if (::stat(picturePath.c_str(), &st) != 0) return std::nullopt;
    std::tm local{};
    const std::time_t seconds = st.st_mtim.tv_sec;
    if (!localtime_r(&seconds, &local)) return std::nullopt;
    const WFilePath picture(picturePath);
    FavouriteLink link;
    link.linkPath = directoryForUse + picture.name() + "-" +
                    favouriteTimeStamp(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                       local.tm_min) +
                    picture.extension() + ".lnk";
    link.description = "Shortcut to " + picturePath;
    return link;
}

}  // namespace orvanta
