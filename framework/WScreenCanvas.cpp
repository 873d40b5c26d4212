#include "framework/WScreenCanvas.h"

#include <QGuiApplication>
#include <QPainter>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace orvanta {
namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

WScreenCanvas::WScreenCanvas(QWindow* window) : window_(window), store_(window) {}

WScreenCanvas::~WScreenCanvas() = default;

void WScreenCanvas::resize(const QSize& size) {
    size_ = size;
    // The store is sized in device-independent pixels; pictures are device pixels.
    const qreal ratio = window_->devicePixelRatio();
    store_.resize(QSize(qRound(size.width() / ratio), qRound(size.height() / ratio)));
    if (clip_.isNull()) clip_ = QRect(QPoint(0, 0), size);
}

QImage* WScreenCanvas::begin(const QRect& rect) {
    if (times_) {
        const Clock::time_point start = Clock::now();
        store_.beginPaint(QRegion(rect));
        times_->waitMs += msSince(start);
    } else {
        store_.beginPaint(QRegion(rect));
    }
    QPaintDevice* device = store_.paintDevice();
    return device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
}

void WScreenCanvas::end(const QRect& rect) {
    const Clock::time_point start = times_ ? Clock::now() : Clock::time_point();
    store_.endPaint();
    store_.flush(QRegion(rect));
    if (times_) {
        times_->flushMs += msSince(start);
        ++times_->flushes;
    }
}

void WScreenCanvas::fill(const QRect& rect, const QColor& colour) {
    const QRect r = rect.intersected(clip_);
    if (r.isEmpty()) return;
    paint(r, [&](QPainter& p) { p.fillRect(r, colour); });
}

void WScreenCanvas::copyFrom(const QImage& source, const QRect& rect) { drawImage(rect.topLeft(), source, rect); }

void WScreenCanvas::drawImage(const QPoint& target, const QImage& source, const QRect& sourceRect) {
    QRect dst(target, sourceRect.size());
    dst = dst.intersected(clip_);
    if (dst.isEmpty()) return;
    const QPoint srcOrigin = sourceRect.topLeft() + (dst.topLeft() - target);
    QImage* image = begin(dst);
    const bool direct = image && qFuzzyCompare(image->devicePixelRatio(), 1.0) &&
                        (image->format() == QImage::Format_RGB32 || image->format() == QImage::Format_ARGB32_Premultiplied) &&
                        source.format() == QImage::Format_RGB32 && QRect(QPoint(0, 0), image->size()).contains(dst) &&
                        source.rect().contains(QRect(srcOrigin, dst.size()));
    if (direct) {
        // Plain row copies: the common case of a transition piece.
        const std::size_t bytes = static_cast<std::size_t>(dst.width()) * 4;
        for (int y = 0; y < dst.height(); ++y)
            std::memcpy(image->scanLine(dst.y() + y) + dst.x() * 4, source.constScanLine(srcOrigin.y() + y) + srcOrigin.x() * 4,
                        bytes);
    } else if (QPaintDevice* device = store_.paintDevice()) {
        QPainter painter(device);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        const qreal ratio = window_->devicePixelRatio();
        painter.scale(1 / ratio, 1 / ratio);
        painter.drawImage(dst.topLeft(), source, QRect(srcOrigin, dst.size()));
    }
    end(dst);
}

bool WScreenCanvas::paintDirect(const QRect& rect, const std::function<void(QImage&)>& draw) {
    if (rect.isEmpty() || !clip_.contains(rect)) return false;
    QImage* image = begin(rect);
    const bool direct = image && qFuzzyCompare(image->devicePixelRatio(), 1.0) &&
                        (image->format() == QImage::Format_RGB32 || image->format() == QImage::Format_ARGB32_Premultiplied) &&
                        QRect(QPoint(0, 0), image->size()).contains(rect);
    if (direct) {
        // A view of exactly `rect`, so that nothing outside it is touched.
        QImage view(image->bits() + rect.top() * image->bytesPerLine() + 4 * rect.left(), rect.width(), rect.height(),
                    image->bytesPerLine(), QImage::Format_RGB32);
        draw(view);
    }
    end(rect);
    return direct;
}

void WScreenCanvas::paint(const QRect& rect, const std::function<void(QPainter&)>& draw) {
    const QRect r = rect.intersected(clip_);
    if (r.isEmpty()) return;
    begin(r);
    if (QPaintDevice* device = store_.paintDevice()) {
        QPainter painter(device);
        const qreal ratio = window_->devicePixelRatio();
        painter.scale(1 / ratio, 1 / ratio);
        painter.setClipRect(r);
        draw(painter);
    }
    end(r);
}

void WScreenCanvas::waitUntilShown() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return;
    // The server answers requests in order: once this reply is in, every
    // image sent before it has been drawn.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

void WScreenCanvas::flushAll() { store_.flush(QRegion(QRect(QPoint(0, 0), store_.size()))); }

QImage WScreenCanvas::grab() const {
    QPaintDevice* device = const_cast<QBackingStore&>(store_).paintDevice();
    if (device && device->devType() == QInternal::Image) return static_cast<QImage*>(device)->copy();
    return {};
}

}  // namespace orvanta
