#pragma once
// JPEG XL pictures through libjxl.
#include "base/WBitmap.h"
#include "show/decoders/decodepump.h"
#include "show/decoders/decodetarget.h"

#include <string>

namespace orvanta {

// Decodes the first frame of a JPEG XL file (bare codestream or container),
// feeding the decoder a chunk of the file at a time with the pump run
// between chunks. 8 bits per sample, alpha composed over the request's
// background, then built into the picture the show needs. orientation
// receives the codestream's orientation (1..8), which the caller applies.
// The size is judged from the header before any picture data is decoded:
// past WBitmap's limits the file fails, as does a damaged or truncated one.
DecodeStatus decodeJxl(const std::string& path, const DecodeRequest& request, WBitmap& out, bool& reduced,
                       int& orientation);

}  // namespace orvanta
