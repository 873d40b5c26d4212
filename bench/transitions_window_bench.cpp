// The 35 transitions played on a real show window covering the primary
// screen of the X server named by DISPLAY (run it on a 3840 x 2160 virtual
// server for the 4K figures), through the show's own screen target, so that
// presenting each piece is counted: the same figures as transitions_bench,
// with the time of each effect split into pixel work, waiting for the X
// server, sending to it, running events and pausing. Each run ends when the X
// server has drawn everything sent.
//  - Delay 0: seconds per effect against its aim (0.5 s; zooms and blending
//    2 s) and its floor (memcpy's of the frames it writes, as in
//    transitions_bench), and the same effect in memory in the same run.
//  - Delay 10 (subset, --all for every effect): duration against the sum of
//    its pauses, aim <= 1.10; the zooms against 2 s.
// The last column of Delay 0 is the time to the first piece on the screen.
// Any Qt platform: bench/wayland.py runs it on a Wayland compositor beside X.
// Usage: transitions_window_bench [--all] [--runs N] [--effects 1,33,35] [--delays 0|10|both] [--threads T]
#include <QGuiApplication>
#include <QScreen>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "bench/benchsupport.h"
#include "framework/WShowWindow.h"
#include "framework/qteventpump.h"
#include "framework/screentransitiontarget.h"
#include "show/pixels/pixelwork.h"
#include "show/transitions/blockgrid.h"
#include "show/transitions/imagetransitiontarget.h"
#include "show/transitions/transitionplayer.h"
#include "show/transitions/transitiontable.h"

using namespace orvanta;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

void settle(int ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < until) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(5);
    }
}

struct Stage {
    WShowWindow window;
    int w = 0, h = 0;
    QImage back, previous, previousSaved, memoryScreen;
    std::vector<int> blocks;
};

struct Result {
    double seconds = 0;
    TransitionTiming timing;
};

TransitionGeometry geometryOf(Stage& s, int delay) {
    TransitionGeometry g;
    g.width = s.w;
    g.height = s.h;
    g.blockSize = blockSizeFor(s.w);
    g.delay = delay;
    g.blockOrder = s.blocks;
    return g;
}

Result playOnWindow(Stage& s, int effect, int delay) {
    std::memcpy(s.previous.bits(), s.previousSaved.constBits(), static_cast<std::size_t>(s.previous.sizeInBytes()));
    WScreenCanvas& canvas = s.window.canvas();
    canvas.copyFrom(s.previous, QRect(0, 0, s.w, s.h));  // the screen shows the old picture
    canvas.waitUntilShown();
    // In a show the tick comes long after the picture was drawn: by then the
    // display has taken it and handed back what it was shown from (a Wayland
    // compositor releases its buffers only after showing the next frame).
    settle(40);
    canvas.prepareNextDrawing();  // as the show does once a step is over
    ScreenTransitionTarget::Hooks hooks;
    QtEventPump pump;
    hooks.pump = &pump;
    hooks.exitRequested = [] { return false; };
    hooks.ended = [] { return false; };
    ScreenTransitionTarget target(canvas, s.back, s.previous, QRect(0, 0, s.w, s.h), hooks);
    target.enableTiming();
    Mt19937 mt;
    mt.seed(4357);
    CRandom cr(static_cast<std::uint32_t>(effect));
    TransitionRandom random{mt, cr};
    const Clock::time_point start = Clock::now();
    playTransition(effect, geometryOf(s, delay), random, target);
    canvas.waitUntilShown();
    return {secondsSince(start), target.timing()};
}

double playInMemory(Stage& s, int effect) {
    std::memcpy(s.previous.bits(), s.previousSaved.constBits(), static_cast<std::size_t>(s.previous.sizeInBytes()));
    std::memcpy(s.memoryScreen.bits(), s.previousSaved.constBits(), static_cast<std::size_t>(s.previous.sizeInBytes()));
    ImageTransitionTarget target(s.back, s.previous, s.memoryScreen, QRect(0, 0, s.w, s.h));
    Mt19937 mt;
    mt.seed(4357);
    CRandom cr(static_cast<std::uint32_t>(effect));
    TransitionRandom random{mt, cr};
    const Clock::time_point start = Clock::now();
    playTransition(effect, geometryOf(s, 0), random, target);
    return secondsSince(start);
}

Result medianRun(Stage& s, int effect, int delay, int runs, double& low, double& high) {
    std::vector<Result> results;
    for (int k = 0; k < runs; ++k) results.push_back(playOnWindow(s, effect, delay));
    std::sort(results.begin(), results.end(), [](const Result& a, const Result& b) { return a.seconds < b.seconds; });
    low = results.front().seconds;
    high = results.back().seconds;
    return results[results.size() / 2];
}

bool isFrameEffect(const TransitionInfo& t) {
    return t.family == TransitionFamily::Zoom || t.family == TransitionFamily::Blend;
}

}  // namespace

int main(int argc, char** argv) {
    bool all = false;
    int runs = 1;
    std::string delays = "both";
    std::vector<int> chosen;
    for (int k = 1; k < argc; ++k) {
        if (!std::strcmp(argv[k], "--all")) all = true;
        else if (!std::strcmp(argv[k], "--runs") && k + 1 < argc) runs = std::clamp(std::atoi(argv[++k]), 1, 20);
        else if (!std::strcmp(argv[k], "--delays") && k + 1 < argc) delays = argv[++k];
        else if (!std::strcmp(argv[k], "--threads") && k + 1 < argc) setPixelThreads(std::atoi(argv[++k]));
        else if (!std::strcmp(argv[k], "--effects") && k + 1 < argc) {
            std::stringstream list(argv[++k]);
            for (std::string item; std::getline(list, item, ',');) chosen.push_back(std::atoi(item.c_str()));
        }
    }
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    Stage s;
    const QRect geometry = QGuiApplication::primaryScreen()->geometry();
    s.window.setGeometry(geometry);
    s.window.showFullScreen();
    settle(500);
    s.w = s.window.canvas().size().width();
    s.h = s.window.canvas().size().height();
    if (s.w <= 0 || s.h <= 0 || !s.window.isExposed()) {
        std::fprintf(stderr, "no show window on the screen\n");
        return 1;
    }
    s.back = bench::noise(s.w, s.h, 1);
    s.previousSaved = bench::noise(s.w, s.h, 2);
    s.previous = bench::noise(s.w, s.h, 2);
    s.memoryScreen = bench::noise(s.w, s.h, 2);
    s.blocks.assign(static_cast<std::size_t>(blockCountFor(s.w, s.h)), 0);
    const double memcpyMs = bench::memcpyFrameMs(s.w, s.h);
    const char* const levels[] = {"plain C++", "SSE2", "AVX2", "AVX-512"};
    auto wanted = [&](int effect, bool subset) {
        if (!chosen.empty()) return std::find(chosen.begin(), chosen.end(), effect) != chosen.end();
        static const std::vector<int> kSubset = {1, 7, 15, 17, 19, 27, 31, 32, 33, 34, 35};
        return !subset || all || std::find(kSubset.begin(), kSubset.end(), effect) != kSubset.end();
    };

    std::printf("Transitions on a real %d x %d show window (DISPLAY=%s); kernels: %s, %d thread(s); %d run(s) each\n",
                s.w, s.h, std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "", levels[static_cast<int>(vectorLevel())],
                pixelThreads(), runs);
    std::printf("Floor: memcpy of one frame = %.3f ms, times the frames an effect writes\n\n", memcpyMs);
    std::printf("Delay 0 (median%s; ms columns: where the time went)\n", runs > 1 ? ", min..max" : "");
    std::printf("%-3s %-28s %8s %8s %7s %6s %5s %8s %8s %8s %8s %8s %8s\n", "No", "Name", "seconds", "memory",
                "floor s", "xfloor", "aim", "pixels", "X wait", "sending", "events", "sends", "1st ms");
    for (const TransitionInfo& t : transitionTable()) {
        if (!wanted(t.number, false) || delays == "10") continue;
        double low = 0, high = 0;
        const Result r = medianRun(s, t.number, 0, runs, low, high);
        const double memory = playInMemory(s, t.number);
        const bench::PlanSize size = bench::planSize(t.number, geometryOf(s, 0), 4357,
                                                     static_cast<std::uint32_t>(t.number));
        const double floor = size.frames * memcpyMs / 1000.0;
        const double aim = isFrameEffect(t) ? 2.0 : 0.5;
        std::printf("%-3d %-28s %8.3f %8.3f %7.3f %6.1f %5s %8.0f %8.0f %8.0f %8.0f %8ld %8.2f", t.number, t.name,
                    r.seconds, memory, floor, r.seconds / floor, r.seconds <= aim ? "ok" : "OVER", r.timing.pixelMs,
                    r.timing.present.waitMs, r.timing.present.flushMs, r.timing.pumpMs, r.timing.present.flushes,
                    r.timing.firstPieceMs);
        if (runs > 1) std::printf("  (%.3f..%.3f)", low, high);
        std::printf("\n");
    }

    std::printf("\nDelay 10: duration against the sum of pauses (reference)%s\n",
                all || !chosen.empty() ? "" : " -- subset, --all for every effect");
    std::printf("%-3s %-28s %8s %8s %7s %8s %8s %8s %8s\n", "No", "Name", "seconds", "pauses", "ratio", "pixels",
                "X wait", "sending", "pausing");
    double worst = 0;
    for (const TransitionInfo& t : transitionTable()) {
        if (!wanted(t.number, true) || delays == "0") continue;
        double low = 0, high = 0;
        const Result r = medianRun(s, t.number, 10, runs, low, high);
        const bench::PlanSize size = bench::planSize(t.number, geometryOf(s, 10), 4357,
                                                     static_cast<std::uint32_t>(t.number));
        if (size.pauseMs == 0) {
            std::printf("%-3d %-28s %8.3f %8s %7s %8.0f %8.0f %8.0f %8.0f  (no pauses: aim < 2 s, %s)", t.number,
                        t.name, r.seconds, "none", "-", r.timing.pixelMs, r.timing.present.waitMs,
                        r.timing.present.flushMs, r.timing.sleepMs, r.seconds < 2.0 ? "ok" : "OVER");
        } else {
            const double ratio = r.seconds / (static_cast<double>(size.pauseMs) / 1000.0);
            worst = std::max(worst, ratio);
            std::printf("%-3d %-28s %8.3f %8.3f %7.3f %8.0f %8.0f %8.0f %8.0f%s", t.number, t.name, r.seconds,
                        static_cast<double>(size.pauseMs) / 1000.0, ratio, r.timing.pixelMs, r.timing.present.waitMs,
                        r.timing.present.flushMs, r.timing.sleepMs, ratio <= 1.10 ? "" : "  OVER");
        }
        if (runs > 1) std::printf("  (%.3f..%.3f)", low, high);
        std::printf("\n");
    }
    std::printf("worst ratio %.3f (aim <= 1.10)\n", worst);
    return 0;
}
