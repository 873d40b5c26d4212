#pragma once
// Camera RAW pictures (CR2, CR3, NEF, ARW, ORF, RW2, DNG, RAF and the others
// it knows) through libraw.
#include "base/WBitmap.h"
#include "show/decoders/decodepump.h"
#include "show/decoders/decodetarget.h"

#include <string>

namespace orvanta {

// Decodes a camera RAW file for the show: the camera's embedded preview
// picture when it is at least the size the show draws the photo at (it is
// decoded like any JPEG), otherwise the sensor data demosaiced by libraw
// with the camera's white balance, at half size when half is still that
// large, then built into the picture the show needs. orientation receives
// the camera's turn as an Exif orientation (1, 3, 6 or 8), which the caller
// applies to either. The sensor's size is judged from the header, and
// weighed against the bytes of the file, before any data is unpacked.
// Unpacking and demosaicing run on a thread of their own while the pump
// keeps events running; the end of the run abandons them.
DecodeStatus decodeRaw(const std::string& path, const DecodeRequest& request, WBitmap& out, bool& reduced,
                       int& orientation);

}  // namespace orvanta
