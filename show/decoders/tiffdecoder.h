#pragma once
// TIFF pictures through libtiff.
#include "base/WBitmap.h"
#include "show/decoders/decodepump.h"
#include "show/decoders/decodetarget.h"

#include <string>

namespace orvanta {

// Decodes the first picture of a TIFF file through libtiff's RGBA reading
// (every photometric kind, depth and compression it reads; 16-bit samples
// reduced to 8, alpha composed over the request's background), a band of
// strips or tiles at a time into the picture the show needs: whole, its
// visible corner, or reduced. orientation receives the file's orientation
// tag (1..8, as Exif numbers them), which the caller applies. The size is
// judged from the header, and every strip and tile must lie inside the
// file, before any picture data is read. Failed for damaged or truncated
// files; Abandoned when the pump reported the end of the run.
DecodeStatus decodeTiff(const std::string& path, const DecodeRequest& request, WBitmap& out, bool& reduced,
                        int& orientation);

}  // namespace orvanta
