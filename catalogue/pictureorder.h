#pragma once
// What counts as a picture, and the two orders of the picture list: by path
// (bytes with A-Z folded to lower case, the separator sorting as a backslash)
// and by last-write time.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/WFilePath.h"
#include "base/WSortableVector.h"

namespace orvanta {

// Extensions as lowerExtension (base/WFilePath.h) gives them.
// ".jpg", ".jpeg", ".jpe" or ".jif": a JPEG file.
bool isJpegExtension(std::string_view lowerExt);
// A JPEG extension, ".bmp", ".png", ".heic", ".heif", ".avif", ".webp",
// ".tif", ".tiff", ".gif", ".jxl" or a camera RAW extension.
bool isPictureExtension(std::string_view lowerExt);
// ".cr2", ".cr3", ".nef", ".arw", ".orf", ".rw2", ".dng" or ".raf".
bool isRawExtension(std::string_view lowerExt);
// True for a camera RAW file with a picture of the same name beside it in
// dirBase (IMG_0001.CR2 beside IMG_0001.JPG): cameras that write both would
// otherwise show every photo twice. One listing per folder, remembered
// while the folder is unchanged.
bool isPairedRaw(const std::string& dirBase, std::string_view name);
// ".lnk": a shell shortcut.
bool isShortcutExtension(std::string_view lowerExt);

// What a file name's extension (in any letter case) makes it; no allocation,
// as it runs once per directory entry.
enum class EntryKind { Other, Picture, Shortcut };
EntryKind entryKind(std::string_view fileName);

// Negative, 0 or positive as a sorts before, with or after b: bytes compared
// as unsigned values after turning A-Z to lower case, with "/" sorting as a
// backslash would (after the digits, before "_" and the lower-case letters,
// just after a literal backslash); a prefix sorts first.
int comparePicturePaths(std::string_view a, std::string_view b);
inline bool picturePathLess(std::string_view a, std::string_view b) { return comparePicturePaths(a, b) < 0; }

// Sorts the picture list by comparePicturePaths, paths equal in that order
// by their bytes. The paths are ordered by 64-bit keys made of eight bytes at
// a time (past the part they all share), so that comparisons touch no path;
// the list's entries are then moved into place once each.
void sortPicturePaths(WSortableVector<WFilePath>& list);

// A last-write time with nanoseconds (st_mtim).
struct FileTime {
    std::int64_t seconds = 0;
    std::int32_t nanoseconds = 0;
    auto operator<=>(const FileTime&) const = default;
};

struct FileNameTime {
    std::string path;
    FileTime time;
};

// Oldest first, or newest first with newestFirst; equal times in path order.
void sortByDate(std::vector<FileNameTime>& entries, bool newestFirst);

}  // namespace orvanta
