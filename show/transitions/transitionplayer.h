#pragma once
// Plays a transition plan on a target: copies each step's pieces, lets one
// event run, stops at once when the exit request is seen, and pauses.
#include <QRect>
#include <QRgb>

#include <chrono>

#include "show/transitions/transitionplan.h"

namespace orvanta {

// Where a transition draws. The back buffer holds the new image, the screen
// the old one, and for blending the previous-image buffer the previous image.
class TransitionTarget {
public:
    virtual ~TransitionTarget() = default;
    virtual void begin(int /*effect*/) {}                                  // a transition of effect 0..35 starts
    virtual void end(bool /*finished*/) {}                                 // it ran to its end, or the exit stopped it
    virtual void copyPiece(const QRect& r) = 0;                            // back buffer -> screen, same place
    virtual void stretchToScreen(const QRect& src, const QRect& dst) = 0;  // back buffer -> screen
    virtual void blendFrame(int alpha) = 0;  // back over previous-image buffer, that buffer -> screen
    virtual void copyAll() = 0;              // the whole back buffer -> screen
    virtual void fill(QRgb colour) = 0;      // the show rectangle of the screen
    virtual bool pumpAndCheckExit() = 0;     // dispatch at most one event; true: the exit request is set
    virtual void sleep(int ms) = 0;
};

// Plays effect 0..35 (0: the whole picture in one piece) on the target.
// Returns true when it ran to its end, false when the exit request stopped it
// after a step (the screen keeps what was copied so far).
bool playTransition(int effect, const TransitionGeometry& geometry, TransitionRandom& random, TransitionTarget& target);

// Keeps a transition's pauses on a running schedule: each pause ends its
// length after the previous one ended, so the copying between pauses is
// absorbed and the effect lasts what its pauses add up to. A target that has
// fallen behind by more than 100 ms restarts the schedule rather than rush.
class PauseClock {
public:
    using Clock = std::chrono::steady_clock;
    void start() { due_ = Clock::now(); }
    // The moment the pause of ms milliseconds that starts now should end.
    Clock::time_point next(int ms);

private:
    Clock::time_point due_ = Clock::now();
};

}  // namespace orvanta
