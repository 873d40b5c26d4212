#pragma once
// HEIF, HEIC and AVIF pictures through libheif.
#include "base/WBitmap.h"
#include "show/decoders/decodepump.h"
#include "show/decoders/decodetarget.h"

#include <string>

namespace orvanta {

// Decodes the primary picture of the file with the turns and mirrors the
// file records (irot, imir) and its crop applied, once, by libheif; an Exif
// block restating the turn is not applied again, so orientation is always
// set to 1. Larger bit depths are reduced to 8, alpha is composed over the
// request's background. The size (after the turns) is judged before any
// picture data is decoded: past WBitmap's limits the file fails. The
// decoder runs on a thread of its own while the pump keeps events running;
// the end of the run abandons it at once.
DecodeStatus decodeHeif(const std::string& path, const DecodeRequest& request, WBitmap& out, bool& reduced,
                        int& orientation);

}  // namespace orvanta
