#include "show/transitions/imagetransitiontarget.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "show/pixels/blend.h"
#include "show/pixels/resample.h"

namespace orvanta {

ImageTransitionTarget::ImageTransitionTarget(QImage& back, QImage& previous, QImage& screen, QRect clip,
                                             StretchFunction stretch)
    : back_(back),
      previous_(previous),
      screen_(screen),
      clip_(clip.intersected(screen.rect())),
      stretch_(stretch ? stretch : &stretchBox) {}

void ImageTransitionTarget::copy(const QImage& from, QRect r) {
    r = r.intersected(clip_).intersected(from.rect());
    if (r.isEmpty() || from.depth() != 32 || screen_.depth() != 32) return;
    const std::size_t bytes = static_cast<std::size_t>(r.width()) * 4;
    const std::size_t offset = static_cast<std::size_t>(r.x()) * 4;
    if (r.width() == 1) {
        // A column: one pixel per row, not worth a memcpy call each.
        const auto* s = reinterpret_cast<const std::uint32_t*>(from.constScanLine(r.y())) + r.x();
        auto* d = reinterpret_cast<std::uint32_t*>(screen_.scanLine(r.y())) + r.x();
        const std::ptrdiff_t ss = from.bytesPerLine() / 4, ds = screen_.bytesPerLine() / 4;
        for (int y = 0; y < r.height(); ++y, s += ss, d += ds) *d = *s;
        return;
    }
    for (int y = r.top(); y <= r.bottom(); ++y)
        std::memcpy(screen_.scanLine(y) + offset, from.constScanLine(y) + offset, bytes);
}

void ImageTransitionTarget::copyPiece(const QRect& r) { copy(back_, r); }

void ImageTransitionTarget::copyAll() { copy(back_, back_.rect()); }

void ImageTransitionTarget::stretchToScreen(const QRect& src, const QRect& dst) {
    if (clip_.isEmpty()) return;
    if (clip_ == screen_.rect()) {
        stretch_(back_, src, screen_, dst);
        return;
    }
    // A view of the clip rectangle sharing the screen's pixels, so that the
    // stretch writes nothing outside it.
    QImage view(screen_.scanLine(clip_.y()) + static_cast<std::size_t>(clip_.x()) * 4, clip_.width(), clip_.height(),
                screen_.bytesPerLine(), screen_.format());
    stretch_(back_, src, view, dst.translated(-clip_.topLeft()));
}

void ImageTransitionTarget::blendFrame(int alpha) {
    const QRect shown = previous_.rect().intersected(clip_);
    if (back_.size() == previous_.size() && back_.depth() == 32 && previous_.depth() == 32 && screen_.depth() == 32 &&
        !shown.isEmpty()) {
        // Each row goes to the screen while it is still in the cache.
        blendAndCopy(back_, previous_, alpha, screen_, shown);
        return;
    }
    blendConstant(back_, previous_, alpha);
    copy(previous_, previous_.rect());
}

void ImageTransitionTarget::fill(QRgb colour) {
    if (clip_.isEmpty() || screen_.depth() != 32) return;
    const std::uint32_t pixel = 0xFF000000U | colour;
    for (int y = clip_.top(); y <= clip_.bottom(); ++y) {
        auto* d = reinterpret_cast<std::uint32_t*>(screen_.scanLine(y)) + clip_.x();
        std::fill(d, d + clip_.width(), pixel);
    }
}

void ImageTransitionTarget::sleep(int ms) {
    if (ms > 0) std::this_thread::sleep_until(clock_.next(ms));
}

}  // namespace orvanta
