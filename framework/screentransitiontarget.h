#pragma once
// The transitions' drawing on the show window: pieces of the back buffer go
// straight to the screen canvas, zoom frames are stretched straight into it,
// blend frames are blended into the previous-image buffer and shown; between
// steps pending events run, and pauses keep events flowing.
//
// With ORVANTA_TIMING_LOG naming a file, every transition appends one line
// to it saying where its time went (see TransitionTiming).
#include <QImage>
#include <QRect>

#include <functional>

#include <string>
#include "base/eventpump.h"

#include "framework/WScreenCanvas.h"
#include "show/transitions/transitionplayer.h"

namespace orvanta {

// Milliseconds of one transition, by what they were spent on.
struct TransitionTiming {
    int effect = 0;
    bool finished = false;
    long steps = 0;                       // drawing calls
    double totalMs = 0;                   // begin to end
    double pausesMs = 0;                  // the pauses the effect asked for, added up
    double pixelMs = 0;                   // copying, stretching and blending pixels
    WScreenCanvas::PresentTimes present;  // waiting for the X server, sending to it
    double pumpMs = 0;                    // pending events run between steps
    double sleepMs = 0;                   // pauses, events run meanwhile included
    double firstPieceMs = 0;              // begin to the end of the first drawing call
    // One line: "effect 33 finished: 400 steps, 1234.5 ms (pauses 0.0 ms), pixels ..., ...".
    std::string line() const;
};

class ScreenTransitionTarget : public TransitionTarget {
public:
    // The pump lets pending events in between steps and during pauses (it
    // must outlive the target); exitRequested says whether the exit request
    // is set (or the run ended), ended whether the run ended.
    struct Hooks {
        EventPump* pump = nullptr;
        std::function<bool()> exitRequested;
        std::function<bool()> ended;
    };

    // The images must outlive the target; showRect is the show's rectangle
    // in the canvas (the canvas's clip further limits what is drawn).
    ScreenTransitionTarget(WScreenCanvas& canvas, QImage& back, QImage& previous, QRect showRect, Hooks hooks);
    ~ScreenTransitionTarget() override;

    void begin(int effect) override;
    void end(bool finished) override;
    void copyPiece(const QRect& r) override;
    void stretchToScreen(const QRect& src, const QRect& dst) override;
    void blendFrame(int alpha) override;
    void copyAll() override;
    void fill(QRgb colour) override;
    bool pumpAndCheckExit() override;
    void sleep(int ms) override;

    // Times every transition from now on (the log does so by itself);
    // timing() is the last transition's.
    void enableTiming() { timed_ = true; }
    const TransitionTiming& timing() const { return timing_; }

private:
    template <typename Draw>
    void timedDraw(Draw&& draw);

    WScreenCanvas& canvas_;
    QImage& back_;
    QImage& previous_;
    QRect showRect_;
    Hooks hooks_;
    PauseClock clock_;
    QImage frame_;
    bool timed_ = false;
    std::string logPath_;
    TransitionTiming timing_;
    PauseClock::Clock::time_point started_;
};

}  // namespace orvanta
