#include "app/form1.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QThread>

#include "app/hackmode.h"

namespace orvanta {

Form1::Form1() = default;

Form1::~Form1() {
    // Teardown runs while every collaborator still exists.
    window_.destroyForm();
}

void Form1::setHack(std::unique_ptr<HackWindow> window) { hackWindow_ = std::move(window); }

bool Form1::pumpEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return state_.ended();
}

bool Form1::pumpUntil(std::chrono::steady_clock::time_point due) {
    using namespace std::chrono;
    for (;;) {
        if (pumpEvents()) return true;
        const auto left = duration_cast<microseconds>(due - steady_clock::now()).count();
        if (left <= 0) return false;
        // Short naps: input is seen within a millisecond and the wait still ends on time.
        QThread::usleep(static_cast<unsigned long>(std::min<long long>(left, 1000)));
    }
}

void Form1::hideCursor() {
    if (cursorHidden_) return;
    QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
    cursorHidden_ = true;
}

void Form1::showCursor() {
    if (!cursorHidden_) return;
    QGuiApplication::restoreOverrideCursor();
    cursorHidden_ = false;
}

}  // namespace orvanta
