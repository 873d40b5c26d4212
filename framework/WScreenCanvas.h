#pragma once
// The screen canvas: drawing straight onto a window. It is the window's
// backing store; every drawing operation is flushed to the screen at once
// for the rectangle it changed. A clip rectangle limits every operation (a
// 1366-wide screen shows its 1360 middle columns).
//
// Whole frames (the zoom and blend transitions draw hundreds of them) take
// another road: they are drawn in turn into the window's store and a spare
// one, and each is sent to the X server only once the next has been begun.
// Before Qt lets a drawing overwrite pixels it has sent, it waits until the
// server has read them; with one store that wait comes between every two
// frames, and the server copies a frame while the program waits. With two,
// the server copies one frame while the program draws the next.
#include <QBackingStore>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QWindow>
#include <chrono>
#include <functional>
#include <memory>

namespace orvanta {

class WScreenCanvas {
public:
    // Where presenting spends its time, when asked for: waiting until the X
    // server has read the pixels about to be overwritten (Qt does so before
    // a drawing overlaps what was last sent), and sending the changed
    // rectangle to the server.
    struct PresentTimes {
        double waitMs = 0;
        double flushMs = 0;
        long flushes = 0;
    };

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
    // One piece of a transition: as copyFrom, sent with the pieces that
    // follow it within a few milliseconds, at sendPieces, or before any other
    // operation, whichever comes first.
    void copyPiece(const QImage& source, const QRect& rect);
    void sendPieces();
    // Copies `sourceRect` of `source` to `target` unscaled.
    void drawImage(const QPoint& target, const QImage& source, const QRect& sourceRect);
    // Lets `draw` write the pixels of `rect` straight into the screen's 32-bit
    // image (coordinates as on screen). False, with nothing drawn, when the
    // store has no such image or `rect` is not wholly inside the clip.
    bool paintDirect(const QRect& rect, const std::function<void(QImage&)>& draw);
    // One frame of a sequence: as paintDirect (`draw` writes every pixel of
    // `rect`, a view with its origin at rect's corner), through the two
    // stores; it reaches the screen when the next frame begins or the
    // sequence ends. False, with nothing drawn, where paintDirect would fail.
    bool drawFrame(const QRect& rect, const std::function<void(QImage&)>& draw);
    // Ends a sequence of frames or pieces: the last ones are sent and the
    // window's store holds them. Every other operation does this first by
    // itself.
    void finishFrames();
    // Any other drawing: `draw` paints with a QPainter clipped to `rect`.
    void paint(const QRect& rect, const std::function<void(QPainter&)>& draw);
    // Puts the whole store on screen again (after an expose).
    void flushAll();
    // Returns when the X server has taken everything sent to it so far (a
    // round trip on the application's connection); at once elsewhere.
    void waitUntilShown();
    // What the screen shows now (for tests and the first paint).
    QImage grab() const;
    // Where the display keeps the buffer of the last frame until the next one
    // arrives (Wayland), the store copies the whole screen into a free buffer
    // at the first drawing after a frame was sent. Called while the show
    // waits, that copy is made then, not in the next step's first piece.
    void prepareNextDrawing();
    // Adds each operation's waiting and sending to *times; nullptr stops it.
    void setPresentTimes(PresentTimes* times) { times_ = times; }

private:
    QImage* begin(QBackingStore& store, const QRect& rect);
    // Begins a drawing in the window's own store, after any frames.
    QImage* beginOwn(const QRect& rect);
    // As begin, for a drawing over what `rect` shows (text, a status line):
    // a store with an alpha channel, as Wayland's are, has what a drawing
    // begins on cleared to transparent, so those pixels are put back first.
    QImage* beginOver(QBackingStore& store, const QRect& rect);
    void end(const QRect& rect);
    void send(QBackingStore& store, const QRegion& region);
    void endFrames();  // finishFrames without sending pending pieces
    void copyInto(QImage* image, const QImage& source, const QRect& dst, const QPoint& srcOrigin);
    static bool canWriteDirectly(const QImage* image, const QRect& rect);

    QWindow* window_;
    QBackingStore store_;
    // Whether the stores clear what a paint begins on (those with an alpha
    // channel do); -1 until a paint has shown it.
    int storesClear_ = -1;
    std::unique_ptr<QBackingStore> spare_;     // made for the first frame
    QBackingStore* lastFrameStore_ = nullptr;  // the store of the last frame drawn; null outside a sequence
    bool framePending_ = false;                // that frame has not been sent yet
    QRect frameRect_;
    QRegion piecesPending_;   // drawn in the window's store, not sent yet
    int sentRectangles_ = 0;  // sent from each store since the program last waited for the server
    int spareSentRectangles_ = 0;
    std::chrono::steady_clock::time_point piecesSince_;
    std::chrono::steady_clock::duration piecesInterval_{};  // how long pieces may wait to be sent
    int piecesRectangles_ = 0;                              // and how many may gather
    QSize size_;
    QRect clip_;
    PresentTimes* times_ = nullptr;
};

}  // namespace orvanta
