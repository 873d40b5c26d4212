#pragma once
// The one way long work lets pending events in. Decoding, listing folders,
// composing and every transition step call pump() (or wait with pumpUntil);
// nothing else dispatches events. The pump counts how deeply it is nested,
// so that whoever decides what may start can tell a handler that runs inside
// long work from one that runs at the top of the event loop.
#include <chrono>

namespace orvanta {

class EventPump {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~EventPump() = default;

    // Lets the pending events run once (any handler may run meanwhile); true
    // when the run has ended, after which long work stops.
    bool pump();
    // Keeps events flowing until `due`, seeing input within about a
    // millisecond; true when the run ended first. Ends on time.
    bool pumpUntil(Clock::time_point due);
    // Events keep flowing until `due` or until `stop` says so; the pause of
    // a transition step, which ends on schedule also when the run ended.
    template <typename Stop>
    void pauseUntil(Clock::time_point due, Stop stop) {
        while (Clock::now() < due && !stop()) {
            pump();
            nap(due);
        }
    }

    // How many pumps are running now: 0 at the top of the event loop, 1 for
    // a handler that runs inside long work, more inside nested work.
    int depth() const { return depth_; }
    // Whether the run has ended (what pump() returns).
    virtual bool ended() const = 0;

protected:
    // Dispatches every pending event once.
    virtual void dispatchPending() = 0;
    // Sleeps briefly: at most a millisecond, and never past `due`.
    virtual void nap(Clock::time_point due) = 0;

private:
    int depth_ = 0;
};

}  // namespace orvanta
