#pragma once
// The pictures of one folder as the Picture Selection page lists them: the
// entry names of picture files and of shortcuts whose target is a picture,
// and the picture to load for an entry.
#include <string>
#include <vector>

namespace orvanta {

// The names of the folder's pictures in listing order (a shortcut is listed
// by its own name); empty when the folder cannot be listed.
std::vector<std::string> picturesInFolder(const std::string& folder);

// "Selected directory has %i pictures." for the folder's picture count.
std::string pictureCountText(int count);

// The folder path with a trailing "/".
std::string withSlash(const std::string& folder);

// The file to decode for a listed entry: a shortcut's target when it
// resolves, the entry itself otherwise.
std::string pictureTarget(const std::string& path);

}  // namespace orvanta
