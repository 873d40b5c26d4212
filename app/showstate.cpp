#include "app/showstate.h"

namespace orvanta {

ShowState::Admission ShowState::admit(Step step) {
    if (step == Step::Resize) {
        // The canvases must follow the window whatever the show is doing,
        // but never under a transition or a decode that works on them.
        if (ended_) return Admission::Dropped;
        if (changing_ || loading_) {
            resizeRemembered_ = true;
            return Admission::Remembered;
        }
        return Admission::Start;
    }
    if (ended_ || !showing_ || noPictures_) return Admission::Dropped;
    if (loading_) {
        // The user who presses a key while a large picture decodes gets that
        // step afterwards; the timer's tick only fills an empty place.
        if (step != Step::Tick || !remembered_) remembered_ = step;
        return Admission::Remembered;
    }
    if (changing_) return Admission::Dropped;
    return Admission::Start;
}

std::optional<Step> ShowState::takeRemembered() {
    if (resizeRemembered_) {
        resizeRemembered_ = false;
        return Step::Resize;
    }
    std::optional<Step> step = remembered_;
    remembered_.reset();
    return step;
}

ShowState::Change::Change(ShowState& state) : state_(state), outer_(!state.changing_) {
    state_.changing_ = true;
    state_.exitRequested_ = false;
}

ShowState::Change::~Change() {
    // An ended run stays "changing": it is closing, and nothing may start.
    if (outer_ && !state_.ended_) state_.changing_ = false;
}

ShowState::Loading::Loading(ShowState& state) : state_(state), outer_(!state.loading_) { state_.loading_ = true; }

ShowState::Loading::~Loading() {
    if (outer_) state_.loading_ = false;
}

}  // namespace orvanta
