#pragma once
// What the transition benchmarks share: test pictures, the memcpy floor, and
// how many whole frames an effect writes.
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <vector>

#include "base/crandom.h"
#include "base/mt19937.h"
#include "show/pixels/canvas.h"
#include "show/transitions/transitionplan.h"

namespace orvanta::bench {

// A canvas as the show makes its buffers, filled with noise.
inline QImage noise(int w, int h, std::uint32_t state) {
    QImage image = makeCanvas(QSize(w, h));
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            state = state * 1103515245u + 12345u;
            row[x] = 0xFF000000u | (state >> 8);
        }
    }
    return image;
}

inline double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// This thread's processor time in seconds.
inline double threadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// The floor of any frame's work: one memcpy of a w x h 32-bit frame between
// two buffers that already exist, in milliseconds (median of `runs`).
inline double memcpyFrameMs(int w, int h, int runs = 21) {
    const std::size_t bytes = static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4;
    std::vector<std::uint8_t> from(bytes, 1), to(bytes, 2);
    std::vector<double> times;
    for (int k = 0; k < runs; ++k) {
        from[static_cast<std::size_t>(k) % bytes] = static_cast<std::uint8_t>(k);
        const auto a = std::chrono::steady_clock::now();
        std::memcpy(to.data(), from.data(), bytes);
        asm volatile("" : : "r"(to.data()) : "memory");
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - a).count());
    }
    return median(times);
}

struct PlanSize {
    double frames = 0;      // pixels written, in whole frames
    long long pauseMs = 0;  // the pauses, added up
};

// What an effect's plan writes and pauses on a w x h show with this delay,
// from the same random states as the run it describes.
inline PlanSize planSize(int effect, const TransitionGeometry& g, std::uint32_t mtSeed, std::uint32_t crSeed) {
    Mt19937 mt;
    mt.seed(mtSeed);
    CRandom cr(crSeed);
    TransitionRandom random{mt, cr};
    const QRect screen(0, 0, g.width, g.height);
    double pixels = 0;
    long long pauses = 0;
    forEachStep(effect, g, random, [&](const TransitionStep& s) {
        switch (s.kind) {
        case StepKind::Pieces:
            for (const QRect& r : s.pieces) pixels += static_cast<double>(r.width()) * r.height();
            break;
        case StepKind::Stretch: {
            const QRect r = s.destination.intersected(screen);
            pixels += static_cast<double>(r.width()) * r.height();
            break;
        }
        case StepKind::Blend:
        case StepKind::CopyAll: pixels += static_cast<double>(g.width) * g.height; break;
        }
        pauses += s.pauseMs;
        return true;
    });
    return {pixels / (static_cast<double>(g.width) * g.height), pauses};
}

}  // namespace orvanta::bench
