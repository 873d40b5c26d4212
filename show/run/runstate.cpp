#include "show/run/runstate.h"

namespace orvanta {

bool phaseMayChange(RunPhase from, RunPhase to) {
    using P = RunPhase;
    if (from == P::Ended) return false;
    if (to == P::Ended) return true;
    switch (from) {
    case P::Starting: return to == P::Idle || to == P::Changing;
    case P::Idle: return to == P::Changing;
    case P::Changing: return to == P::Loading || to == P::Idle || to == P::Starting;
    case P::Loading: return to == P::Changing;
    case P::Ended: return false;
    }
    return false;
}

void StepQueue::push(Step step) {
    if (step == Step::Resize) {
        resize_ = true;  // twice is once: the newest size is read when it runs
        return;
    }
    // The user who presses a key while a large picture decodes gets that step
    // afterwards; the timer's tick only fills an empty place.
    if (step != Step::Tick || !step_) step_ = step;
}

std::optional<Step> StepQueue::take() {
    if (resize_) {
        resize_ = false;
        return Step::Resize;
    }
    std::optional<Step> step = step_;
    step_.reset();
    return step;
}

bool RunState::enter(RunPhase to) {
    if (!phaseMayChange(phase_, to)) return false;
    phase_ = to;
    return true;
}

void RunState::end() {
    if (phase_ == RunPhase::Changing || phase_ == RunPhase::Loading) changedBeforeEnd_ = true;
    enter(RunPhase::Ended);
    queue_.clear();
}

void RunState::beginShow() {
    showing_ = true;
    enter(RunPhase::Idle);
}

RunState::Admission RunState::admit(Step step, bool insidePump) {
    switch (phase_) {
    case RunPhase::Ended: return Admission::Dropped;
    case RunPhase::Loading: break;
    case RunPhase::Changing:
        if (step != Step::Resize) return Admission::Dropped;
        break;
    case RunPhase::Starting:
        if (step != Step::Resize) return Admission::Dropped;
        if (!insidePump) return Admission::Start;
        break;
    case RunPhase::Idle:
        // The canvases follow the window also in a run without pictures.
        if (step != Step::Resize && noPictures_) return Admission::Dropped;
        if (!insidePump) return Admission::Start;
        break;
    }
    if (step != Step::Resize && (noPictures_ || !showing_)) return Admission::Dropped;
    queue_.push(step);
    return Admission::Queued;
}

RunState::PhaseHold::PhaseHold(RunState& state, RunPhase phase) : state_(state), phase_(phase) {
    const RunPhase before = state.phase_;
    if (state.enter(phase)) before_ = before;
}

RunState::PhaseHold::~PhaseHold() {
    if (before_ && state_.phase_ == phase_) state_.enter(*before_);
}

}  // namespace orvanta
