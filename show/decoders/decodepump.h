#pragma once
// Keeping the show responsive while a picture decodes: every decoder lets
// pending events run between its steps and at least every few milliseconds
// of its long loops, and gives up as soon as the run has ended.
#include <chrono>
#include <functional>

namespace orvanta {

enum class DecodeStatus { Decoded, Failed, Abandoned };

class DecodePump {
public:
    using Clock = std::chrono::steady_clock;

    // pump lets at most one pending event run and returns true when the run
    // has ended; an empty pump never ends anything. interval is the longest
    // a loop may run between two pumps (0: pump at every check).
    DecodePump(const std::function<bool()>& pump, std::chrono::milliseconds interval);

    // Lets events run now. True when the run has ended, now or before.
    bool now();
    // Lets events run when interval has passed since the last time. Cheap
    // enough to call for every row. True when the run has ended.
    bool due() {
        if (ended_) return true;
        if (!pump_) return false;
        if (interval_.count() > 0 && Clock::now() - last_ < interval_) return false;
        return now();
    }
    bool ended() const { return ended_; }

private:
    const std::function<bool()>& pump_;
    Clock::duration interval_;
    Clock::time_point last_;
    bool ended_ = false;
};

}  // namespace orvanta
