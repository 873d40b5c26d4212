// The 35 transitions played on a 1920 x 1080 in-memory screen: real memory
// copies, stretches and blends, real sleeps. Two measurements:
//  - Delay 0: the cost of the pixel work alone, seconds per effect (aim: below
//    0.5 s; zooms and blending below 2 s).
//  - Delay 10: the effect's duration against the reference, the sum of its
//    pauses (the duration the design gives); ratio aim <= 1.10. A subset by
//    default, every effect with --all (that takes about two minutes).
// Usage: transitions_bench [--all] [--width W --height H]
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "show/blockgrid.h"
#include "show/imagetransitiontarget.h"
#include "show/transitionplayer.h"
#include "show/transitiontable.h"

using namespace orvanta;

namespace {

QImage noise(int w, int h, std::uint32_t state) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            state = state * 1103515245u + 12345u;
            row[x] = 0xFF000000u | (state >> 8);
        }
    }
    return image;
}

struct Run {
    double seconds;
    double cpuSeconds;  // this thread's processor time: what the effect costs on an idle machine
    long long pauseMs;
};

double cpuNow() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

Run play(int effect, int w, int h, int delay, std::vector<int>& blocks) {
    QImage back = noise(w, h, 1), previous = noise(w, h, 2), screen = previous.copy();
    ImageTransitionTarget target(back, previous, screen, QRect(0, 0, w, h));
    Mt19937 mt;
    mt.seed(4357);
    CRandom cr(static_cast<std::uint32_t>(effect));
    TransitionRandom random{mt, cr};
    const TransitionGeometry g{w, h, blockSizeFor(w), delay, blocks};

    // The reference: the pauses of the same plan, added up.
    long long pauses = 0;
    {
        Mt19937 mt2;
        mt2.seed(4357);
        CRandom cr2(static_cast<std::uint32_t>(effect));
        TransitionRandom r2{mt2, cr2};
        forEachStep(effect, g, r2, [&](const TransitionStep& s) { return pauses += s.pauseMs, true; });
    }
    const double c0 = cpuNow();
    const auto t0 = std::chrono::steady_clock::now();
    playTransition(effect, g, random, target);
    const auto t1 = std::chrono::steady_clock::now();
    const double c1 = cpuNow();
    if (effect != kZoomIn && screen != back) std::printf("  (effect %d did not end on the picture!)\n", effect);
    return {std::chrono::duration<double>(t1 - t0).count(), c1 - c0, pauses};
}

}  // namespace

int main(int argc, char** argv) {
    bool all = false;
    int w = 1920, h = 1080;
    for (int k = 1; k < argc; ++k) {
        if (!std::strcmp(argv[k], "--all")) all = true;
        else if (!std::strcmp(argv[k], "--width") && k + 1 < argc) w = std::atoi(argv[++k]);
        else if (!std::strcmp(argv[k], "--height") && k + 1 < argc) h = std::atoi(argv[++k]);
    }
    if (w <= 0 || h <= 0 || w > 8192 || h > 8192) {
        std::fprintf(stderr, "bad size\n");
        return 2;
    }
    std::vector<int> blocks(static_cast<std::size_t>(blockCountFor(w, h)));

    std::printf("Transitions on a %d x %d in-memory screen\n\n", w, h);
    std::printf("Delay 0 (pixel work only; wall clock and processor seconds)\n%-3s %-32s %9s %9s %6s\n", "No", "Name",
                "seconds", "cpu", "aim");
    double worst = 0, total = 0;
    int over = 0;
    for (const TransitionInfo& t : transitionTable()) {
        const Run r = play(t.number, w, h, 0, blocks);
        const double aim = t.family == TransitionFamily::Zoom || t.family == TransitionFamily::Blend ? 2.0 : 0.5;
        std::printf("%-3d %-32s %9.3f %9.3f %6s\n", t.number, t.name, r.seconds, r.cpuSeconds,
                    r.seconds <= aim ? "ok" : "OVER");
        worst = std::max(worst, r.seconds / aim);
        total += r.seconds;
        over += r.seconds > aim;
    }
    std::printf("total %.2f s, %d over their aim, worst at %.2f of its aim\n\n", total, over, worst);

    const std::vector<int> subset = {7, 15, 17, 19, 31, 32, 35};
    std::printf("Delay 10: duration against the sum of pauses (reference)%s\n", all ? "" : " -- subset, --all for every effect");
    std::printf("%-3s %-32s %9s %9s %7s\n", "No", "Name", "seconds", "pauses", "ratio");
    double worstRatio = 0;
    for (const TransitionInfo& t : transitionTable()) {
        if (!all && std::find(subset.begin(), subset.end(), t.number) == subset.end()) continue;
        const Run r = play(t.number, w, h, 10, blocks);
        if (r.pauseMs == 0) {
            std::printf("%-3d %-32s %9.3f %9s %7s\n", t.number, t.name, r.seconds, "none", "-");
            continue;
        }
        const double ratio = r.seconds / (r.pauseMs / 1000.0);
        worstRatio = std::max(worstRatio, ratio);
        std::printf("%-3d %-32s %9.3f %9.3f %7.3f%s\n", t.number, t.name, r.seconds, r.pauseMs / 1000.0, ratio,
                    ratio <= 1.10 ? "" : "  OVER");
    }
    std::printf("worst ratio %.3f (aim <= 1.10)\n", worstRatio);
    return 0;
}
