#pragma once
// The two bitmap file forms the wallpaper is written in. Both are standard
// uncompressed BMP files (14-byte file header, 40-byte information header,
// bottom row first, rows padded to 4 bytes), written through a 32 KiB buffer
// into a temporary file beside the target ("<name>.XXXXXX", locked while it
// is written) that is synced and renamed over it when complete, so that a
// reader never sees half a file. A writer killed before the rename leaves its
// temporary file behind (megabytes at 4K); each write first removes such leftovers.
//
// Form A: 8 bits per pixel with a 256-entry colour table, pixel data at 1078,
//   file size = image size + 1078, resolution and colour counts 0.
// Form B: the image at its own colour depth: 24 bits for true-colour images
//   (the X pad byte of a 32-bit canvas is not colour), 8 bits with a 256-entry
//   colour table for indexed and grey images; no colour table at 24 bits.
#include <QImage>
#include <chrono>
#include <string>
#include <vector>

#include "base/WBitmap.h"
#include "base/palette.h"

namespace orvanta {

inline constexpr int kBitmapFormAOffset = 14 + 40 + 256 * 4;  // 1078

// A temporary file this old, and not locked, is no live writer's: a write
// takes well under a second even at 4K.
inline constexpr std::chrono::seconds kBitmapTemporaryMinimumAge{60};

// Removes the temporary files of earlier writes to path that were cut short
// ("<name>.XXXXXX" beside it, unlocked and at least
// kBitmapTemporaryMinimumAge old); how many went.
int removeLeftoverBitmapTemporaries(const std::string& path);

// Bytes of one pixel row: ((width x bitCount + 31) with the low five bits cleared) / 8.
std::size_t bitmapRowSize(int width, int bitCount);

// Writes image in form A through palette (at most 256 entries, the rest of the
// table black): each pixel becomes the index of the first entry of exactly its
// colour, or of the nearest colour (least squared RGB distance) when the
// palette lacks it. False, with nothing left at path, on a null image, an
// empty palette or any write failure.
bool writeBitmapFormA(const std::string& path, const QImage& image, const std::vector<PaletteEntry>& palette);

// Writes image in form B. False, with nothing left at path, on a null image
// or any write failure.
bool writeBitmapFormB(const std::string& path, const QImage& image);
// The same for a decoded bitmap: 8 and 24 bits as they are, other depths as 24 bits.
bool writeBitmapFormB(const std::string& path, const WBitmap& bitmap);

}  // namespace orvanta
