#pragma once
// The constant-alpha blend of the Image Blending transition on 32-bit
// B,G,R,X canvases: result = (alpha * new + (255 - alpha) * old) / 255 for
// every byte, the quotient truncated.
#include <QImage>
#include <QRect>

#include <cstdint>

namespace orvanta {

// Blends n pixels of src over dst in place.
void blendRow(const std::uint32_t* src, std::uint32_t* dst, std::int64_t n, int alpha);

// Blends src over dst in place with constant alpha (clamped to 0..255), over
// the area the two images share. Does nothing unless both have 32 bits per
// pixel. Large images are blended by bands of rows on several threads.
void blendConstant(const QImage& src, QImage& dst, int alpha);

// blendConstant, and then the blended pixels inside copyRect copied to the
// same place in copyTo (a 32-bit image other than dst), each row right after
// it is blended, while it is still in the cache.
void blendAndCopy(const QImage& src, QImage& dst, int alpha, QImage& copyTo, const QRect& copyRect);

}  // namespace orvanta
