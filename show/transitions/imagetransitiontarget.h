#pragma once
// A transition target over three in-memory 32-bit canvases (back buffer,
// previous-image buffer, screen) of the same size: the pixel work of every
// step, with real sleeps. The show window puts its backing store behind the
// screen canvas and its event dispatching behind `pump`.
#include <QImage>

#include <functional>

#include "show/transitions/transitionplayer.h"

namespace orvanta {

class ImageTransitionTarget : public TransitionTarget {
public:
    using StretchFunction = void (*)(const QImage& src, QRect srcRect, QImage& dst, QRect dstRect);

    // The images must outlive the target. Everything drawn on the screen is
    // clipped to `clip` (the show's clip rectangle, see showClipRect). The
    // stretch defaults to the show's area-averaging resampler.
    ImageTransitionTarget(QImage& back, QImage& previous, QImage& screen, QRect clip,
                          StretchFunction stretch = nullptr);

    // Dispatches at most one event and says whether the exit request is set;
    // unset means no events and never an exit.
    std::function<bool()> pump;

    void begin(int) override { clock_.start(); }
    void copyPiece(const QRect& r) override;
    void stretchToScreen(const QRect& src, const QRect& dst) override;
    void blendFrame(int alpha) override;
    void copyAll() override;
    void fill(QRgb colour) override;
    bool pumpAndCheckExit() override { return pump ? pump() : false; }
    void sleep(int ms) override;

private:
    void copy(const QImage& from, QRect r);

    QImage& back_;
    QImage& previous_;
    QImage& screen_;
    QRect clip_;
    StretchFunction stretch_;
    PauseClock clock_;
};

}  // namespace orvanta
