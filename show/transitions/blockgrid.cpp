#include "show/transitions/blockgrid.h"

namespace orvanta {

int showWidthFor(int screenWidth) { return screenWidth == 1366 ? 1360 : screenWidth; }

QRect showClipRect(int screenWidth, int screenHeight) {
    // A screen that really is 1360 wide keeps all of its columns: the 3-pixel
    // inset only exists to centre the 1360 show on a 1366 screen.
    if (screenWidth == 1366) return QRect(3, 0, 1360, screenHeight);
    return QRect(0, 0, screenWidth, screenHeight);
}

int blockSizeFor(int showWidth) {
    switch (showWidth) {
    case 640:
    case 720: return 8;
    case 800: return 10;
    case 1024: return 16;
    case 1400:
    case 1440: return 20;
    case 1680: return 21;
    case 1920: return 24;
    case 2560: return 32;
    default: return 16;
    }
}

std::int64_t blockCountFor(int showWidth, int showHeight) {
    if (showWidth <= 0 || showHeight <= 0) return 0;
    const std::int64_t b = blockSizeFor(showWidth);
    return std::int64_t{showWidth} * showHeight / (b * b);
}

QPoint blockCorner(std::int64_t j, int blockSize, int showWidth) {
    if (showWidth <= 0) return QPoint(0, 0);
    const std::int64_t along = j * blockSize;
    const std::int64_t q = along / showWidth;
    return QPoint(static_cast<int>(along - q * showWidth), static_cast<int>(q * blockSize));
}

}  // namespace orvanta
