#include "show/pixels/composition.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "show/pixels/fitting.h"
#include "show/pixels/resample.h"

namespace orvanta {
namespace {

bool is32Bit(const QImage& image) {
    return image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32 ||
           image.format() == QImage::Format_ARGB32_Premultiplied;
}

// Copies picture unscaled with its top-left corner at `at`, clipped by view.
void copyPicture(const QImage& picture, QImage& view, QPoint at) {
    const QRect target = QRect(at, picture.size()).intersected(view.rect());
    if (target.isEmpty()) return;
    const std::size_t bytes = 4 * static_cast<std::size_t>(target.width());
    for (int y = target.top(); y <= target.bottom(); ++y) {
        const uchar* from = picture.constScanLine(y - at.y()) + 4 * (target.left() - at.x());
        std::memcpy(view.scanLine(y) + 4 * target.left(), from, bytes);
    }
}

}  // namespace

bool composePictureInto(const QImage& pictureCanvas, bool reducedOnDecode, const Settings& settings, CRandom& random,
                        QImage& target, QRect area) {
    if (target.isNull() || !is32Bit(target)) return false;
    const QRect inside = area.intersected(target.rect());
    if (inside.isEmpty()) return false;
    // A view of the area's pixels, so that clipping to the area is the view's
    // own clipping; `shift` keeps positions relative to the area's origin
    // when the area sticks out of the target.
    QImage view(target.bits() + inside.top() * target.bytesPerLine() + 4 * inside.left(), inside.width(),
                inside.height(), target.bytesPerLine(), QImage::Format_RGB32);
    const QPoint shift = area.topLeft() - inside.topLeft();

    const Rgb& back = settings.BackColor;
    view.fill(qRgb(back.red, back.green, back.blue));
    if (pictureCanvas.isNull() || !is32Bit(pictureCanvas)) return false;

    const Fitting fit = fitPicture(FittingRules::of(settings), area.size(), pictureCanvas.size(), reducedOnDecode,
                                   random);
    if (settings.Stretch || fit.scaled) {
        stretchBox(pictureCanvas, pictureCanvas.rect(), view, fit.destination.translated(shift));
    } else if (settings.Tiled) {
        const int w = pictureCanvas.width(), h = pictureCanvas.height();
        const int columns = area.width() / w + 1, rows = area.height() / h + 1;
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < columns; ++i) copyPicture(pictureCanvas, view, shift + QPoint(i * w, j * h));
    } else {
        copyPicture(pictureCanvas, view, fit.destination.topLeft() + shift);
    }
    return true;
}

bool composePicture(const WBitmap& picture, bool reducedOnDecode, const Settings& settings, CRandom& random,
                    QImage& backBuffer) {
    // Converted once; every scaling reads this canvas, never the decoded bitmap.
    const QImage canvas = picture.toImage32();
    if (backBuffer.isNull()) return false;
    if (canvas.isNull()) {
        if (is32Bit(backBuffer)) {
            const Rgb& back = settings.BackColor;
            backBuffer.fill(qRgb(back.red, back.green, back.blue));
        }
        return false;
    }
    return composePictureInto(canvas, reducedOnDecode, settings, random, backBuffer, backBuffer.rect());
}

}  // namespace orvanta
