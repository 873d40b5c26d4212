#pragma once
// The show timer: start(interval, repeat count; 0 = until stopped), stop and
// fire-now, which delivers one tick at once as if the timer had expired. A
// finite count is decremented by every tick, and the timer stops at 0.
#include <QObject>
#include <QTimer>

#include "framework/WEvent.h"

namespace orvanta {

class WTimer : public QObject {
public:
    WTimer();
    void start(int intervalMs, int repeatCount);
    void stop();
    void fireNow();
    bool isActive() const { return timer_.isActive(); }
    int interval() const { return timer_.interval(); }
    int remaining() const { return remaining_; }

    WEvent<> TimerEvent;

private:
    void tick();
    QTimer timer_;
    int remaining_ = 0;  // 0: repeat until stopped
};

}  // namespace orvanta
