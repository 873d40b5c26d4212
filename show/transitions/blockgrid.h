#pragma once
// The show rectangle's width (1360 on a 1366-wide screen) and the block grid that the block-based
// transitions (Random Block Fill, Checkerboard Block Fill, Cell Grid Fill) use.
#include <QPoint>
#include <QRect>

#include <cstdint>

namespace orvanta {

// The width the show is composed for: 1360 on a 1366-wide screen, else the
// screen's own width.
int showWidthFor(int screenWidth);

// The rectangle of the screen that the screen canvas and the back buffer are
// clipped to: 3 pixels in from the left and 1360 wide on a 1366-wide screen
// (the outer 3 columns on each side stay black), else the whole screen.
QRect showClipRect(int screenWidth, int screenHeight);

// Side B of the square blocks for a show width (the width showWidthFor gives).
int blockSizeFor(int showWidth);

// W * H / (B * B), integer division; 0 for an empty show.
std::int64_t blockCountFor(int showWidth, int showHeight);

// Corner of block j laid out row after row across a show W wide:
// q = (j * B) / W, x = j * B - q * W, y = q * B.
QPoint blockCorner(std::int64_t j, int blockSize, int showWidth);

}  // namespace orvanta
