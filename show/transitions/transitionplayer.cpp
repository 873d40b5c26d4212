#include "show/transitions/transitionplayer.h"

namespace orvanta {

bool playTransition(int effect, const TransitionGeometry& geometry, TransitionRandom& random,
                    TransitionTarget& target) {
    target.begin(effect);
    const bool finished = forEachStep(effect, geometry, random, [&target](const TransitionStep& step) {
        switch (step.kind) {
        case StepKind::Pieces:
            for (const QRect& r : step.pieces) target.copyPiece(r);
            break;
        case StepKind::Stretch: target.stretchToScreen(step.source, step.destination); break;
        case StepKind::Blend: target.blendFrame(step.alpha); break;
        case StepKind::CopyAll: target.copyAll(); break;
        }
        if (step.dispatch && target.pumpAndCheckExit()) return false;
        if (step.pauseMs > 0) target.sleep(step.pauseMs);
        return true;
    });
    target.end(finished);
    return finished;
}

namespace {
constexpr std::chrono::milliseconds kCatchUp(100);
}  // namespace

PauseClock::Clock::time_point PauseClock::next(int ms) {
    const auto now = Clock::now();
    const auto length = std::chrono::milliseconds(ms);
    due_ += length;
    // A short delay (a slow copy, the scheduler) is made up by the following
    // pauses; after a long stall the schedule restarts instead, so that the
    // steps do not rush through without pauses to catch up.
    if (due_ + kCatchUp < now) due_ = now + length;
    return due_;
}

}  // namespace orvanta
