#include "show/pixels/previewfit.h"

#include <algorithm>

namespace orvanta {

QSize previewPictureSize(QSize picture, QSize preview) {
    if (picture.isEmpty() || preview.isEmpty()) return {};
    const float scale = std::min(static_cast<float>(preview.width()) / static_cast<float>(picture.width()),
                                 static_cast<float>(preview.height()) / static_cast<float>(picture.height()));
    const float w = static_cast<float>(picture.width()) * scale;
    const float h = static_cast<float>(picture.height()) * scale;
    // A very thin picture would truncate to nothing; it keeps one pixel.
    return QSize(std::max(1, static_cast<int>(w)), std::max(1, static_cast<int>(h)));
}

QRect previewDestination(QSize picture, QSize preview) {
    if (picture.isEmpty() || preview.isEmpty()) return {};
    const double xRatio = static_cast<double>(preview.width()) / picture.width();
    const double yRatio = static_cast<double>(preview.height()) / picture.height();
    if (xRatio < 1.15 && yRatio < 1.15) return QRect(QPoint(0, 0), preview);
    const int x = preview.width() < picture.width() ? 0 : (preview.width() - picture.width()) / 2;
    const int y = preview.height() < picture.height() ? 0 : (preview.height() - picture.height()) / 2;
    return QRect(QPoint(x, y), picture);
}

}  // namespace orvanta
