#include "framework/qteventpump.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>

namespace orvanta {

void QtEventPump::dispatchPending() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtEventPump::nap(Clock::time_point due) {
    // Short naps: input is seen within a millisecond and a wait still ends on time.
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(due - Clock::now()).count();
    if (left > 0) QThread::usleep(static_cast<unsigned long>(std::min<long long>(left, 1000)));
}

}  // namespace orvanta
