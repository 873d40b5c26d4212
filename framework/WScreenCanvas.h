#pragma once
// The screen canvas: drawing straight onto a window. It is the window's
// backing store; every drawing operation is flushed to the screen at once
// for the rectangle it changed. A clip rectangle (the 1360-pixel rule) limits
// every operation.
#include <QBackingStore>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QWindow>
#include <functional>

namespace orvanta {

class WScreenCanvas {
public:
    explicit WScreenCanvas(QWindow* window);
    ~WScreenCanvas();
    WScreenCanvas(const WScreenCanvas&) = delete;
    WScreenCanvas& operator=(const WScreenCanvas&) = delete;

    // Sizes the store to the window (device pixels); call after the window's geometry is set.
    void resize(const QSize& size);
    QSize size() const { return size_; }
    void setClip(const QRect& clip) { clip_ = clip; }
    QRect clip() const { return clip_; }

    void fill(const QRect& rect, const QColor& colour);
    // Copies `rect` of `source` (same coordinates) onto the screen.
    void copyFrom(const QImage& source, const QRect& rect);
    // Copies `sourceRect` of `source` to `target` unscaled.
    void drawImage(const QPoint& target, const QImage& source, const QRect& sourceRect);
    // Lets `draw` write the pixels of `rect` straight into the screen's 32-bit
    // image (coordinates as on screen). False, with nothing drawn, when the
    // store has no such image or `rect` is not wholly inside the clip.
    bool paintDirect(const QRect& rect, const std::function<void(QImage&)>& draw);
    // Any other drawing: `draw` paints with a QPainter clipped to `rect`.
    void paint(const QRect& rect, const std::function<void(QPainter&)>& draw);
    // Puts the whole store on screen again (after an expose).
    void flushAll();
    // What the screen shows now (for tests and the first paint).
    QImage grab() const;

private:
    QImage* begin(const QRect& rect);
    void end(const QRect& rect);
    QWindow* window_;
    QBackingStore store_;
    QSize size_;
    QRect clip_;
};

}  // namespace orvanta
