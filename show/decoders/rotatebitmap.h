#pragma once
// Turning and mirroring decoded pictures.
#include "base/WBitmap.h"

namespace orvanta {

// The picture turned by angle radians (positive turns it anticlockwise on
// screen) in a new bitmap just large enough for it, the uncovered corners
// painted with fill. Angles within 1e-5 of a multiple of pi/2 move pixels
// exactly (sizes swapped for quarter turns, depth and colour table kept; 1 and
// 4-bit pictures become 8-bit); other angles give a 24-bit bitmap sampled at
// the nearest source pixel. An empty bitmap in, or a result over the size
// limits, gives an empty bitmap.
WBitmap rotateBitmap(const WBitmap& bitmap, double angle, RgbQuad fill);

// The picture mirrored left to right (horizontal) or top to bottom; same depth
// as rotateBitmap's exact turns.
WBitmap mirrorBitmap(const WBitmap& bitmap, bool horizontal);

}  // namespace orvanta
