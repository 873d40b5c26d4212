// The 35 transitions played on an in-memory screen (1920 x 1080 unless told):
// real memory copies, stretches and blends, real sleeps. Two measurements:
//  - Delay 0: the cost of the pixel work alone, seconds per effect (aim: below
//    0.5 s; zooms and blending below 2 s), beside its floor: as many memcpy's
//    of a whole frame as the effect writes frames (one for a piece effect,
//    400 for a zoom, 102 for the blending), measured in the same run.
//  - Delay 10: the effect's duration against the reference, the sum of its
//    pauses; ratio aim <= 1.10. The zooms have no pauses: their time against
//    the 2 s aim. A subset by default, every effect with --all.
// Each figure is the median of --runs runs (default 1; with more, the spread
// min..max is printed too). --level 0..3 (plain, SSE2, AVX2, AVX-512) and
// --threads 1..4 choose the kernels, for comparisons in one run.
// Usage: transitions_bench [--all] [--width W --height H] [--runs N] [--level L] [--threads T]
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/benchsupport.h"
#include "show/pixels/pixelwork.h"
#include "show/transitions/blockgrid.h"
#include "show/transitions/imagetransitiontarget.h"
#include "show/transitions/transitionplayer.h"
#include "show/transitions/transitiontable.h"

using namespace orvanta;
using orvanta::bench::median;

namespace {

struct Run {
    double seconds;
    double cpuSeconds;  // this thread's processor time
};

Run play(int effect, int w, int h, int delay, std::vector<int>& blocks) {
    QImage back = bench::noise(w, h, 1), previous = bench::noise(w, h, 2), screen = bench::noise(w, h, 2);
    ImageTransitionTarget target(back, previous, screen, QRect(0, 0, w, h));
    Mt19937 mt;
    mt.seed(4357);
    CRandom cr(static_cast<std::uint32_t>(effect));
    TransitionRandom random{mt, cr};
    const TransitionGeometry g{w, h, blockSizeFor(w), delay, blocks};
    const double c0 = bench::threadSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    playTransition(effect, g, random, target);
    const auto t1 = std::chrono::steady_clock::now();
    const double c1 = bench::threadSeconds();
    if (effect != kZoomIn && screen != back) std::printf("  (effect %d did not end on the picture!)\n", effect);
    return {std::chrono::duration<double>(t1 - t0).count(), c1 - c0};
}

struct Figure {
    double seconds, low, high, cpu;
};

Figure measure(int effect, int w, int h, int delay, std::vector<int>& blocks, int runs) {
    std::vector<double> wall, cpu;
    for (int k = 0; k < runs; ++k) {
        const Run r = play(effect, w, h, delay, blocks);
        wall.push_back(r.seconds);
        cpu.push_back(r.cpuSeconds);
    }
    return {median(wall), *std::min_element(wall.begin(), wall.end()), *std::max_element(wall.begin(), wall.end()),
            median(cpu)};
}

std::string spread(const Figure& f, int runs) {
    if (runs < 2) return "";
    char text[48];
    std::snprintf(text, sizeof text, " (%.3f..%.3f)", f.low, f.high);
    return text;
}

bool isFrameEffect(const TransitionInfo& t) {
    return t.family == TransitionFamily::Zoom || t.family == TransitionFamily::Blend;
}

}  // namespace

int main(int argc, char** argv) {
    bool all = false;
    int w = 1920, h = 1080, runs = 1;
    for (int k = 1; k < argc; ++k) {
        if (!std::strcmp(argv[k], "--all")) all = true;
        else if (!std::strcmp(argv[k], "--width") && k + 1 < argc) w = std::atoi(argv[++k]);
        else if (!std::strcmp(argv[k], "--height") && k + 1 < argc) h = std::atoi(argv[++k]);
        else if (!std::strcmp(argv[k], "--runs") && k + 1 < argc) runs = std::clamp(std::atoi(argv[++k]), 1, 50);
        else if (!std::strcmp(argv[k], "--level") && k + 1 < argc)
            setVectorLevel(static_cast<VectorLevel>(std::clamp(std::atoi(argv[++k]), 0, 3)));
        else if (!std::strcmp(argv[k], "--threads") && k + 1 < argc) setPixelThreads(std::atoi(argv[++k]));
    }
    if (w <= 0 || h <= 0 || w > 8192 || h > 8192) {
        std::fprintf(stderr, "bad size\n");
        return 2;
    }
    std::vector<int> blocks(static_cast<std::size_t>(blockCountFor(w, h)));
    const char* const levels[] = {"plain C++", "SSE2", "AVX2", "AVX-512"};
    const double memcpyMs = bench::memcpyFrameMs(w, h);

    std::printf("Transitions on a %d x %d in-memory screen; kernels: %s, %d thread(s); %d run(s) each\n", w, h,
                levels[static_cast<int>(vectorLevel())], pixelThreads(), runs);
    std::printf("Floor: memcpy of one %d x %d x 4 frame = %.3f ms, times the frames an effect writes\n\n", w, h,
                memcpyMs);
    std::printf("Delay 0 (pixel work only; wall clock median%s, processor seconds)\n", runs > 1 ? " (min..max)" : "");
    std::printf("%-3s %-30s %9s %9s %8s %8s %9s %6s\n", "No", "Name", "seconds", "cpu", "frames", "floor s", "x floor",
                "aim");
    double worst = 0, total = 0;
    int over = 0;
    for (const TransitionInfo& t : transitionTable()) {
        const Figure f = measure(t.number, w, h, 0, blocks, runs);
        const TransitionGeometry g{w, h, blockSizeFor(w), 0, blocks};
        const bench::PlanSize size = bench::planSize(t.number, g, 4357, static_cast<std::uint32_t>(t.number));
        const double floor = size.frames * memcpyMs / 1000.0;
        const double aim = isFrameEffect(t) ? 2.0 : 0.5;
        std::printf("%-3d %-30s %9.3f %9.3f %8.1f %8.3f %9.1f %6s%s\n", t.number, t.name, f.seconds, f.cpu, size.frames,
                    floor, f.seconds / floor, f.seconds <= aim ? "ok" : "OVER", spread(f, runs).c_str());
        worst = std::max(worst, f.seconds / aim);
        total += f.seconds;
        over += f.seconds > aim;
    }
    std::printf("total %.2f s, %d over their aim, worst at %.2f of its aim\n\n", total, over, worst);

    const std::vector<int> subset = {7, 15, 17, 19, 31, 32, 33, 35};
    std::printf("Delay 10: duration against the sum of pauses (reference)%s\n",
                all ? "" : " -- subset, --all for every effect");
    std::printf("%-3s %-30s %9s %9s %7s\n", "No", "Name", "seconds", "pauses", "ratio");
    double worstRatio = 0;
    for (const TransitionInfo& t : transitionTable()) {
        if (!all && std::find(subset.begin(), subset.end(), t.number) == subset.end()) continue;
        const Figure f = measure(t.number, w, h, 10, blocks, runs);
        const TransitionGeometry g{w, h, blockSizeFor(w), 10, blocks};
        const bench::PlanSize size = bench::planSize(t.number, g, 4357, static_cast<std::uint32_t>(t.number));
        if (size.pauseMs == 0) {
            std::printf("%-3d %-30s %9.3f %9s %7s  (no pauses: aim < 2 s, %s)%s\n", t.number, t.name, f.seconds, "none",
                        "-", f.seconds < 2.0 ? "ok" : "OVER", spread(f, runs).c_str());
            continue;
        }
        const double ratio = f.seconds / (static_cast<double>(size.pauseMs) / 1000.0);
        worstRatio = std::max(worstRatio, ratio);
        std::printf("%-3d %-30s %9.3f %9.3f %7.3f%s%s\n", t.number, t.name, f.seconds,
                    static_cast<double>(size.pauseMs) / 1000.0, ratio, ratio <= 1.10 ? "" : "  OVER",
                    spread(f, runs).c_str());
    }
    std::printf("worst ratio %.3f (aim <= 1.10)\n", worstRatio);
    return 0;
}
