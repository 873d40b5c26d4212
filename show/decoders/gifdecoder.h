#pragma once
// GIF pictures through giflib: the first frame only.
#include "base/WBitmap.h"
#include "show/decoders/decodepump.h"
#include "show/decoders/decodetarget.h"

#include <string>

namespace orvanta {

// Decodes the first frame of a GIF on its logical screen: the frame at its
// place, the rest of the screen and the frame's transparent pixels in the
// request's background colour. An animation shows its first frame only.
// The rows go into the picture the show needs (whole, corner or reduced);
// the screen's empty rows cost one row together. orientation is always 1.
// Failed for a damaged or truncated file, a screen past the size limits or
// an interlaced frame larger than WBitmap's limit (its rows arrive out of
// order and are held until complete).
DecodeStatus decodeGif(const std::string& path, const DecodeRequest& request, WBitmap& out, bool& reduced,
                       int& orientation);

}  // namespace orvanta
