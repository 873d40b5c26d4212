#pragma once
// The show's stretch: an area-averaging resampler on 32-bit B,G,R,X canvases.
#include <QImage>
#include <QRect>

namespace orvanta {

// Draws srcRect of src scaled onto dstRect of dst, each destination pixel the
// average of the source area it covers (at least one source pixel wide, so
// enlarging blends neighbours instead of repeating them). dstRect may extend
// outside dst: only the visible part is written, with the full mapping kept.
// Source pixels outside src repeat its edge. Both images must be 32 bits per
// pixel (Format_RGB32 or ARGB32); otherwise, or with an empty rectangle, or
// when srcRect does not touch src, nothing is drawn. Written pixels have X = 255.
void stretchBox(const QImage& src, QRect srcRect, QImage& dst, QRect dstRect);

}  // namespace orvanta
