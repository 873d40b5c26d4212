#include "framework/WScreenCanvas.h"

#include <QGuiApplication>
#include <QPainter>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "framework/waylandplatform.h"
#include "framework/x11platform.h"

namespace orvanta {
namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Pieces are sent at least this often, and as soon as their region has this
// many rectangles (each is one request to the server).
constexpr auto kPiecesInterval = std::chrono::milliseconds(4);
constexpr int kPiecesRectangles = 64;
// A Wayland compositor shows at most one frame per refresh, and every frame
// sent costs Qt a copy of the whole store (the one shown stays the
// compositor's until the next arrives): pieces go about once a refresh.
constexpr auto kWaylandPiecesInterval = std::chrono::milliseconds(12);
constexpr int kWaylandPiecesRectangles = 1024;
// Qt keeps the region sent to the server since it last waited for it, and
// checks every drawing against it: past this many rectangles the program
// waits once itself, which empties that region (thousands of scattered
// blocks would otherwise make each check slower than the copy it guards).
constexpr int kSentRectangles = 256;

}  // namespace

WScreenCanvas::WScreenCanvas(QWindow* window) : window_(window), store_(window) {
    if (onWaylandPlatform()) {
        piecesInterval_ = kWaylandPiecesInterval;
        piecesRectangles_ = kWaylandPiecesRectangles;
    } else {
        piecesInterval_ = kPiecesInterval;
        piecesRectangles_ = kPiecesRectangles;
    }
}

WScreenCanvas::~WScreenCanvas() = default;

void WScreenCanvas::resize(const QSize& size) {
    finishFrames();
    spare_.reset();
    size_ = size;
    // The store is sized in device-independent pixels; pictures are device pixels.
    const qreal ratio = window_->devicePixelRatio();
    store_.resize(QSize(qRound(size.width() / ratio), qRound(size.height() / ratio)));
    if (clip_.isNull()) clip_ = QRect(QPoint(0, 0), size);
}

QImage* WScreenCanvas::begin(QBackingStore& store, const QRect& rect) {
    if (times_) {
        const Clock::time_point start = Clock::now();
        store.beginPaint(QRegion(rect));
        times_->waitMs += msSince(start);
    } else {
        store.beginPaint(QRegion(rect));
    }
    QPaintDevice* device = store.paintDevice();
    QImage* image = device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
    if (image) storesClear_ = image->hasAlphaChannel() ? 1 : 0;
    return image;
}

QImage* WScreenCanvas::beginOwn(const QRect& rect) {
    finishFrames();
    return begin(store_, rect);
}

QImage* WScreenCanvas::beginOver(QBackingStore& store, const QRect& rect) {
    if (storesClear_ == 0) return begin(store, rect);
    // A paint begun on nothing clears nothing and makes the store's current
    // pixels readable (before any paint, some platforms have none to show).
    QImage kept;
    QRect area;
    if (const QImage* image = begin(store, QRect())) {
        area = rect.intersected(image->rect());
        if (image->hasAlphaChannel() && image->depth() == 32 && !area.isEmpty()) {
            kept = QImage(area.size(), image->format());
            for (int y = 0; y < area.height(); ++y)
                std::memcpy(kept.scanLine(y), image->constScanLine(area.top() + y) + 4 * area.left(),
                            4 * static_cast<std::size_t>(area.width()));
        }
    }
    store.endPaint();
    QImage* image = begin(store, rect);
    // The store may have changed its buffer, never its size or format.
    if (!kept.isNull() && image && image->format() == kept.format() && image->rect().contains(area)) {
        for (int y = 0; y < area.height(); ++y)
            std::memcpy(image->scanLine(area.top() + y) + 4 * area.left(), kept.constScanLine(y),
                        4 * static_cast<std::size_t>(area.width()));
    }
    return image;
}

void WScreenCanvas::send(QBackingStore& store, const QRegion& region) {
    const Clock::time_point start = times_ ? Clock::now() : Clock::time_point();
    store.flush(region);
    int& sent = &store == &store_ ? sentRectangles_ : spareSentRectangles_;
    sent += region.rectCount();
    if (sent > kSentRectangles) {
        // A drawing over a pixel just sent makes Qt wait for the server and
        // forget what it had sent; nothing is drawn.
        sent = 0;
        const QRect pixel(region.begin()->topLeft(), QSize(1, 1));  // inside what was sent
        beginOver(store, pixel);
        store.endPaint();
    }
    if (times_) {
        times_->flushMs += msSince(start);
        ++times_->flushes;
    }
}

void WScreenCanvas::end(const QRect& rect) {
    store_.endPaint();
    send(store_, QRegion(rect));
}

bool WScreenCanvas::canWriteDirectly(const QImage* image, const QRect& rect) {
    return image && qFuzzyCompare(image->devicePixelRatio(), 1.0) &&
           (image->format() == QImage::Format_RGB32 || image->format() == QImage::Format_ARGB32_Premultiplied) &&
           QRect(QPoint(0, 0), image->size()).contains(rect);
}

bool WScreenCanvas::drawFrame(const QRect& rect, const std::function<void(QImage&)>& draw) {
    if (rect.isEmpty() || !clip_.contains(rect)) return false;
    sendPieces();
    if (!spare_) {
        spare_ = std::make_unique<QBackingStore>(window_);
        spare_->resize(store_.size());
    }
    // Alternate between the stores, starting with the spare one so that an
    // even number of frames ends in the window's own.
    QBackingStore& store = lastFrameStore_ == spare_.get() ? store_ : *spare_;
    // Qt waits here for the server to have read this store's frame before
    // last; the last frame has not been sent yet, so the wait is short.
    QImage* image = begin(store, rect);
    if (!canWriteDirectly(image, rect)) {
        store.endPaint();
        finishFrames();
        return false;
    }
    if (framePending_) send(*lastFrameStore_, QRegion(frameRect_));
    QImage view(image->bits() + rect.top() * image->bytesPerLine() + 4 * rect.left(), rect.width(), rect.height(),
                image->bytesPerLine(), QImage::Format_RGB32);
    draw(view);
    store.endPaint();
    lastFrameStore_ = &store;
    framePending_ = true;
    frameRect_ = rect;
    return true;
}

void WScreenCanvas::finishFrames() {
    sendPieces();
    endFrames();
}

void WScreenCanvas::endFrames() {
    if (!lastFrameStore_) return;
    QBackingStore* last = lastFrameStore_;
    lastFrameStore_ = nullptr;
    if (framePending_) send(*last, QRegion(frameRect_));
    framePending_ = false;
    if (last == &store_) return;
    // The spare store holds what the screen shows: the window's store takes
    // it over, for the drawings and repaints that follow.
    QImage* from = nullptr;
    if (QPaintDevice* device = last->paintDevice(); device && device->devType() == QInternal::Image)
        from = static_cast<QImage*>(device);
    QImage* to = begin(store_, frameRect_);
    if (from && canWriteDirectly(to, frameRect_) && from->size() == to->size()) {
        const std::size_t bytes = 4 * static_cast<std::size_t>(frameRect_.width());
        for (int y = frameRect_.top(); y <= frameRect_.bottom(); ++y)
            std::memcpy(to->scanLine(y) + 4 * frameRect_.left(), from->constScanLine(y) + 4 * frameRect_.left(), bytes);
    }
    end(frameRect_);
}

void WScreenCanvas::fill(const QRect& rect, const QColor& colour) {
    const QRect r = rect.intersected(clip_);
    if (r.isEmpty()) return;
    paint(r, [&](QPainter& p) { p.fillRect(r, colour); });
}

void WScreenCanvas::copyFrom(const QImage& source, const QRect& rect) { drawImage(rect.topLeft(), source, rect); }

void WScreenCanvas::copyInto(QImage* image, const QImage& source, const QRect& dst, const QPoint& srcOrigin) {
    const bool direct = canWriteDirectly(image, dst) && source.format() == QImage::Format_RGB32 &&
                        source.rect().contains(QRect(srcOrigin, dst.size()));
    if (direct) {
        // Plain row copies: the common case of a transition piece.
        const std::size_t bytes = static_cast<std::size_t>(dst.width()) * 4;
        const qsizetype from = source.bytesPerLine(), to = image->bytesPerLine();
        const uchar* s = source.constBits() + srcOrigin.y() * from + srcOrigin.x() * 4;
        uchar* d = image->bits() + dst.y() * to + dst.x() * 4;
        if (dst.width() == 1) {
            // A column: one pixel per row, not worth a memcpy call each.
            for (int y = 0; y < dst.height(); ++y, s += from, d += to)
                *reinterpret_cast<std::uint32_t*>(d) = *reinterpret_cast<const std::uint32_t*>(s);
            return;
        }
        for (int y = 0; y < dst.height(); ++y, s += from, d += to) std::memcpy(d, s, bytes);
    } else if (QPaintDevice* device = store_.paintDevice()) {
        QPainter painter(device);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        const qreal ratio = window_->devicePixelRatio();
        painter.scale(1 / ratio, 1 / ratio);
        painter.drawImage(dst.topLeft(), source, QRect(srcOrigin, dst.size()));
    }
}

void WScreenCanvas::drawImage(const QPoint& target, const QImage& source, const QRect& sourceRect) {
    QRect dst(target, sourceRect.size());
    dst = dst.intersected(clip_);
    if (dst.isEmpty()) return;
    const QPoint srcOrigin = sourceRect.topLeft() + (dst.topLeft() - target);
    copyInto(beginOwn(dst), source, dst, srcOrigin);
    end(dst);
}

void WScreenCanvas::copyPiece(const QImage& source, const QRect& rect) {
    const QRect dst = rect.intersected(clip_);
    if (dst.isEmpty()) return;
    endFrames();
    if (piecesPending_.isEmpty()) piecesSince_ = Clock::now();
    // Pixels not sent yet may be overwritten at once; Qt only waits for the
    // server when the piece overlaps what was sent.
    copyInto(begin(store_, dst), source, dst, dst.topLeft());
    store_.endPaint();
    piecesPending_ += dst;
    if (piecesPending_.rectCount() >= piecesRectangles_ || Clock::now() - piecesSince_ >= piecesInterval_) sendPieces();
}

void WScreenCanvas::sendPieces() {
    if (piecesPending_.isEmpty()) return;
    const QRegion pieces = piecesPending_;
    piecesPending_ = QRegion();
    send(store_, pieces);
}

bool WScreenCanvas::paintDirect(const QRect& rect, const std::function<void(QImage&)>& draw) {
    if (rect.isEmpty() || !clip_.contains(rect)) return false;
    QImage* image = beginOwn(rect);
    const bool direct = canWriteDirectly(image, rect);
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
    finishFrames();
    beginOver(store_, r);
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
    finishFrames();
    xcb_connection_t* connection = x11::qtConnection();
    if (!connection) return;
    // The server answers requests in order: once this reply is in, every
    // image sent before it has been drawn.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

void WScreenCanvas::flushAll() {
    finishFrames();
    store_.flush(QRegion(QRect(QPoint(0, 0), store_.size())));
}

void WScreenCanvas::prepareNextDrawing() {
    if (storesClear_ != 1) return;  // the stores that keep no buffer of their own sent (X11)
    finishFrames();
    begin(store_, QRect());
    store_.endPaint();
}

QImage WScreenCanvas::grab() const {
    const_cast<WScreenCanvas*>(this)->finishFrames();
    QPaintDevice* device = const_cast<QBackingStore&>(store_).paintDevice();
    if (device && device->devType() == QInternal::Image) return static_cast<QImage*>(device)->copy();
    return {};
}

}  // namespace orvanta
