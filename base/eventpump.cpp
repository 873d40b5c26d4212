#include "base/eventpump.h"

namespace orvanta {

bool EventPump::pump() {
    ++depth_;
    // A handler that throws must not leave the depth counted up for good.
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{depth_};
    dispatchPending();
    return ended();
}

bool EventPump::pumpUntil(Clock::time_point due) {
    for (;;) {
        if (pump()) return true;
        if (Clock::now() >= due) return false;
        nap(due);
    }
}

}  // namespace orvanta
