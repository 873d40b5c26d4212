#include "show/pixels/canvas.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace orvanta {
namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;

void release(void* memory) { std::free(memory); }

}  // namespace

QImage makeCanvas(QSize size) {
    if (size.isEmpty()) return {};
    const std::size_t stride = 4 * static_cast<std::size_t>(size.width());
    const std::size_t bytes = stride * static_cast<std::size_t>(size.height());
    if (bytes / stride != static_cast<std::size_t>(size.height()) || stride > INT32_MAX) return {};
    // Small canvases gain nothing from large pages.
    if (bytes < kLargePage) return QImage(size, QImage::Format_RGB32);
    const std::size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    void* memory = nullptr;
    if (posix_memalign(&memory, kLargePage, rounded) != 0) return {};
#if defined(MADV_HUGEPAGE)
    madvise(memory, rounded, MADV_HUGEPAGE);  // a request: without it the pages are just small
#endif
    QImage image(static_cast<uchar*>(memory), size.width(), size.height(), static_cast<qsizetype>(stride),
                 QImage::Format_RGB32, release, memory);
    if (image.isNull()) std::free(memory);
    return image;
}

}  // namespace orvanta
