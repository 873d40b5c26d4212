// The show's area-averaging stretch against Pillow's BOX resize (the named
// reference), on the pictures a show meets most: camera pictures fitted to a
// 1920 x 1080 screen. Prints the median times and the ratio ours / Pillow.
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "bench/benchsupport.h"
#include "show/pixels/resample.h"

namespace {

struct Case {
    int sw, sh, dw, dh;
};

// CPU time of this thread: the figure that other work on a busy machine
// disturbs least.
double threadMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double medianMs(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Timing {
    double wall, cpu;  // medians in milliseconds
};

// Runs the Pillow script and returns its medians, one per case, or an empty
// list when no Python with Pillow is there.
std::vector<Timing> pillowMedians(const std::vector<Case>& cases, int runs) {
    const std::string script = std::string(ORVANTA_SOURCE_DIR) + "/bench/stretch_pillow.py";
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        std::string command = std::string(python) + " -c 'import PIL' 2>/dev/null";
        if (std::system(command.c_str()) != 0) continue;
        command = std::string(python) + " '" + script + "' " + std::to_string(runs);
        for (const Case& c : cases)
            command += " " + std::to_string(c.sw) + " " + std::to_string(c.sh) + " " + std::to_string(c.dw) + " " +
                       std::to_string(c.dh);
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) continue;
        std::vector<Timing> result;
        char line[256];
        while (std::fgets(line, sizeof line, pipe)) {
            char a[64], b[64];
            Timing t{};
            if (std::sscanf(line, "%63s %63s %lf %lf", a, b, &t.wall, &t.cpu) == 4) result.push_back(t);
        }
        if (pclose(pipe) == 0 && result.size() == cases.size()) return result;
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const std::vector<Case> cases = {{6000, 4000, 1620, 1080}, {4000, 3000, 1440, 1080}};
    std::vector<Timing> ours;
    for (const Case& c : cases) {
        const QImage src = orvanta::bench::noise(c.sw, c.sh, 12345);
        QImage dst(c.dw, c.dh, QImage::Format_RGB32);
        orvanta::stretchBox(src, src.rect(), dst, dst.rect());  // warm-up
        std::vector<double> wall, cpu;
        for (int i = 0; i < runs; ++i) {
            const double cpuStart = threadMs();
            const auto start = std::chrono::steady_clock::now();
            orvanta::stretchBox(src, src.rect(), dst, dst.rect());
            wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            cpu.push_back(threadMs() - cpuStart);
        }
        ours.push_back({medianMs(wall), medianMs(cpu)});
    }
    const std::vector<Timing> pillow = pillowMedians(cases, runs);
    std::printf("median of %d runs, wall clock (CPU time of the thread)\n", runs);
    std::printf("%-22s %22s %22s %16s\n", "stretch", "stretchBox ms", "Pillow BOX ms", "ratio");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        char name[64];
        std::snprintf(name, sizeof name, "%dx%d->%dx%d", c.sw, c.sh, c.dw, c.dh);
        if (pillow.empty())
            std::printf("%-22s %10.2f (%9.2f) %22s %16s\n", name, ours[i].wall, ours[i].cpu, "n/a", "n/a");
        else
            std::printf("%-22s %10.2f (%9.2f) %10.2f (%9.2f) %6.3f (%6.3f)\n", name, ours[i].wall, ours[i].cpu,
                        pillow[i].wall, pillow[i].cpu, ours[i].wall / pillow[i].wall, ours[i].cpu / pillow[i].cpu);
    }
    if (pillow.empty()) std::printf("Pillow not found (python3 with PIL): no reference ratio\n");
    return 0;
}
