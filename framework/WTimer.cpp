#include "framework/WTimer.h"

namespace orvanta {

WTimer::WTimer() {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
}

void WTimer::start(int intervalMs, int repeatCount) {
    remaining_ = repeatCount;
    timer_.start(intervalMs);
}

void WTimer::stop() { timer_.stop(); }

void WTimer::fireNow() { tick(); }

void WTimer::tick() {
    if (remaining_ > 0 && --remaining_ == 0) timer_.stop();
    TimerEvent.raise();
}

}  // namespace orvanta
