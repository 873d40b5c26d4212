// The show's area-averaging stretch against Pillow's BOX resize (the named
// reference), on the pictures a show meets most: camera pictures fitted to a
// 1920 x 1080 screen. Prints the median times and the ratio ours / Pillow.
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "show/resample.h"

namespace {

struct Case {
    int sw, sh, dw, dh;
};

QImage noiseImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    std::uint32_t state = 12345;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            state = state * 1103515245u + 12345u;
            row[x] = 0xFF000000u | (state >> 8);
        }
    }
    return image;
}

double medianMs(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// Runs the Pillow script and returns its medians, one per case, or an empty
// list when no Python with Pillow is there.
std::vector<double> pillowMedians(const std::vector<Case>& cases, int runs) {
    const std::string script = directoryOf(__FILE__) + "/stretch_pillow.py";
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        std::string command = std::string(python) + " -c 'import PIL' 2>/dev/null";
        if (std::system(command.c_str()) != 0) continue;
        command = std::string(python) + " '" + script + "' " + std::to_string(runs);
        for (const Case& c : cases)
            command += " " + std::to_string(c.sw) + " " + std::to_string(c.sh) + " " + std::to_string(c.dw) + " " +
                       std::to_string(c.dh);
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) continue;
        std::vector<double> result;
        char line[256];
        while (std::fgets(line, sizeof line, pipe)) {
            char a[64], b[64];
            double ms = 0;
            if (std::sscanf(line, "%63s %63s %lf", a, b, &ms) == 3) result.push_back(ms);
        }
        if (pclose(pipe) == 0 && result.size() == cases.size()) return result;
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const std::vector<Case> cases = {{6000, 4000, 1620, 1080}, {4000, 3000, 1440, 1080}};
    std::vector<double> ours;
    for (const Case& c : cases) {
        const QImage src = noiseImage(c.sw, c.sh);
        QImage dst(c.dw, c.dh, QImage::Format_RGB32);
        orvanta::stretchBox(src, src.rect(), dst, dst.rect());  // warm-up
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            const auto start = std::chrono::steady_clock::now();
            orvanta::stretchBox(src, src.rect(), dst, dst.rect());
            times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        ours.push_back(medianMs(times));
    }
    const std::vector<double> pillow = pillowMedians(cases, runs);
    std::printf("%-22s %12s %12s %8s\n", "stretch", "stretchBox", "Pillow BOX", "ratio");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        char name[64];
        std::snprintf(name, sizeof name, "%dx%d->%dx%d", c.sw, c.sh, c.dw, c.dh);
        if (pillow.empty())
            std::printf("%-22s %9.2f ms %12s %8s\n", name, ours[i], "n/a", "n/a");
        else
            std::printf("%-22s %9.2f ms %9.2f ms %8.3f\n", name, ours[i], pillow[i], ours[i] / pillow[i]);
    }
    if (pillow.empty()) std::printf("Pillow not found (python3 with PIL): no reference ratio\n");
    return 0;
}
