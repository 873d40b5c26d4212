#pragma once
// WebP pictures through libwebp.
#include "base/WBitmap.h"
#include "show/decoders/decodepump.h"
#include "show/decoders/decodetarget.h"

#include <string>

namespace orvanta {

// Decodes a still WebP, or the first frame of an animated one. A picture the
// show would shrink is decoded by libwebp's own scaling straight at the size
// the show draws it (reduced set), one drawn unscaled only as far as the
// screen reaches; the decoder is fed a chunk of the file at a time, with the
// pump run between chunks. Alpha is composed over the request's background.
// orientation receives the Exif orientation of the file's EXIF chunk (1
// without one), which the caller applies. Failed for a malformed or
// truncated file or one past the size limits.
DecodeStatus decodeWebP(const std::string& path, const DecodeRequest& request, WBitmap& out, bool& reduced,
                        int& orientation);

}  // namespace orvanta
