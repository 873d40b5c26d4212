#include "framework/screentransitiontarget.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "show/pixels/blend.h"
#include "show/pixels/resample.h"

namespace orvanta {
namespace {

using Clock = PauseClock::Clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Appends a line to the log file, which must be a regular file or not exist
// yet; anything else is left alone.
void appendLine(const std::string& path, const std::string& line) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        const std::string text = line + "\n";
        [[maybe_unused]] const ssize_t written = ::write(fd, text.data(), text.size());
    }
    ::close(fd);
}

}  // namespace

std::string TransitionTiming::line() const {
    char text[400];
    std::snprintf(text, sizeof text,
                  "effect %d %s: %ld steps, %.1f ms (pauses %.1f ms), pixels %.1f ms, waiting for the X server "
                  "%.1f ms, sending %.1f ms (%ld rectangles), events %.1f ms, pausing %.1f ms",
                  effect, finished ? "finished" : "stopped", steps, totalMs, pausesMs, pixelMs, present.waitMs,
                  present.flushMs, present.flushes, pumpMs, sleepMs);
    return text;
}

ScreenTransitionTarget::ScreenTransitionTarget(WScreenCanvas& canvas, QImage& back, QImage& previous, QRect showRect,
                                               Hooks hooks)
    : canvas_(canvas), back_(back), previous_(previous), showRect_(showRect), hooks_(std::move(hooks)) {
    if (const char* log = std::getenv("ORVANTA_TIMING_LOG"); log && *log) {
        logPath_ = log;
        timed_ = true;
    }
}

ScreenTransitionTarget::~ScreenTransitionTarget() { canvas_.setPresentTimes(nullptr); }

void ScreenTransitionTarget::begin(int effect) {
    clock_.start();
    if (!timed_) return;
    timing_ = TransitionTiming();
    timing_.effect = effect;
    canvas_.setPresentTimes(&timing_.present);
    started_ = Clock::now();
}

void ScreenTransitionTarget::end(bool finished) {
    canvas_.finishFrames();
    if (!timed_) return;
    canvas_.setPresentTimes(nullptr);
    timing_.finished = finished;
    timing_.totalMs = msSince(started_);
    // What the canvas spent waiting and sending is inside the drawing calls.
    timing_.pixelMs = std::max(0.0, timing_.pixelMs - timing_.present.waitMs - timing_.present.flushMs);
    if (!logPath_.empty()) appendLine(logPath_, timing_.line());
}

template <typename Draw>
void ScreenTransitionTarget::timedDraw(Draw&& draw) {
    if (!timed_) {
        draw();
        return;
    }
    const Clock::time_point start = Clock::now();
    draw();
    timing_.pixelMs += msSince(start);
    if (++timing_.steps == 1) timing_.firstPieceMs = msSince(started_);
}

void ScreenTransitionTarget::copyPiece(const QRect& r) {
    timedDraw([&] { canvas_.copyPiece(back_, r); });
}

void ScreenTransitionTarget::stretchToScreen(const QRect& src, const QRect& dst) {
    timedDraw([&] {
        // A zoom frame is stretched straight into the screen when it can be:
        // 400 frames of a whole screen each are the zooms' whole cost.
        if (canvas_.drawFrame(showRect_, [&](QImage& screen) { stretchBox(back_, src, screen, dst); })) return;
        if (frame_.size() != back_.size()) frame_ = QImage(back_.size(), QImage::Format_RGB32);
        stretchBox(back_, src, frame_, dst);
        canvas_.copyFrom(frame_, showRect_);
    });
}

void ScreenTransitionTarget::blendFrame(int alpha) {
    timedDraw([&] {
        // Blended rows go to the screen while they are in the cache.
        if (back_.size() == previous_.size() && previous_.size() == showRect_.size() &&
            canvas_.drawFrame(showRect_,
                              [&](QImage& screen) { blendAndCopy(back_, previous_, alpha, screen, screen.rect()); }))
            return;
        blendConstant(back_, previous_, alpha);
        canvas_.copyFrom(previous_, showRect_);
    });
}

void ScreenTransitionTarget::copyAll() {
    timedDraw([&] { canvas_.copyFrom(back_, showRect_); });
}

void ScreenTransitionTarget::fill(QRgb colour) { canvas_.fill(showRect_, QColor::fromRgb(colour)); }

bool ScreenTransitionTarget::pumpAndCheckExit() {
    const Clock::time_point start = timed_ ? Clock::now() : Clock::time_point();
    hooks_.pump->pump();
    if (timed_) timing_.pumpMs += msSince(start);
    return hooks_.exitRequested();
}

void ScreenTransitionTarget::sleep(int ms) {
    if (ms <= 0) return;
    const Clock::time_point start = timed_ ? Clock::now() : Clock::time_point();
    if (timed_) timing_.pausesMs += ms;
    canvas_.sendPieces();  // the screen is up to date during the pause
    const auto due = clock_.next(ms);
    // Input is seen during the pause, and the pause still ends on schedule.
    hooks_.pump->pauseUntil(due, hooks_.ended);
    if (timed_) timing_.sleepMs += msSince(start);
}

}  // namespace orvanta
