#pragma once
// The event pump over Qt's event loop: the one place of the program that
// dispatches pending events from inside long work.
#include <functional>

#include "base/eventpump.h"

namespace orvanta {

class QtEventPump final : public EventPump {
public:
    // `ended` says whether the run this pump serves has ended; none means never.
    explicit QtEventPump(std::function<bool()> ended = {}) : ended_(std::move(ended)) {}

    bool ended() const override { return ended_ && ended_(); }

protected:
    void dispatchPending() override;
    void nap(Clock::time_point due) override;

private:
    std::function<bool()> ended_;
};

}  // namespace orvanta
