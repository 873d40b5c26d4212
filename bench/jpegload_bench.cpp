// JPEG loading speed and memory.
//
// Generates a 6000 x 4000 photo-like JPEG (smooth gradients with noise,
// quality 90), then times the show's loader (loadPictureFile for a 1920 x 1080
// screen, so 1/2 scale) against djpeg from libjpeg-turbo at the same scale
// writing a BMP, median of several runs each, and prints the ratio. It then
// measures the peak memory of a fresh process loading the same picture,
// above that process's idle peak.
//
// usage: jpegload_bench [RUNS]     (default 5)
#include "show/decoders/jpegwriter.h"
#include "show/decoders/picturefile.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kWidth = 6000, kHeight = 4000;
constexpr int kScreenWidth = 1920, kScreenHeight = 1080;
const char* const kDjpeg = "/usr/bin/djpeg";

// Smooth gradients with noise from a fixed generator: the same file on every run.
bool writePhotoLikeJpeg(const std::string& path) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kWidth) * kHeight * 3);
    std::uint32_t seed = 12345;
    std::uint8_t* p = pixels.data();
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = static_cast<int>(seed >> 27) - 16;
            const int base[3] = {x * 200 / kWidth + 30, y * 180 / kHeight + 40, ((x + y) / 37) % 160 + 50};
            for (int c = 0; c < 3; ++c) *p++ = static_cast<std::uint8_t>(std::clamp(base[c] + noise, 0, 255));
        }
    return orvanta::writeJpegFile(path, pixels.data(), kWidth, kHeight, 3);
}

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int runProcess(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long statusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
    return -1;
}

orvanta::LoadContext screenContext() {
    orvanta::LoadContext context;
    context.decode.screenWidth = kScreenWidth;
    context.decode.screenHeight = kScreenHeight;
    return context;
}

// Child mode: load once and report the peak above the idle peak, in KiB.
int measureMemory(const std::string& path) {
    const long idle = statusKb("VmHWM:");
    orvanta::LoadedPicture picture;
    if (orvanta::loadPictureFile(path, screenContext(), picture) != orvanta::LoadResult::Loaded) return 1;
    std::printf("%ld\n", statusKb("VmHWM:") - idle);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--measure-memory") == 0) return measureMemory(argv[2]);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    char folder[] = "/tmp/orvanta-jpegload-XXXXXX";
    if (mkdtemp(folder) == nullptr) return 1;
    const std::string path = std::string(folder) + "/photo.jpg";
    const std::string djpegOut = std::string(folder) + "/djpeg.bmp";
    if (!writePhotoLikeJpeg(path)) return 1;

    const int denominator = 2;  // 6000 >= 2 x 1920, < 4 x 1920
    std::vector<double> ours, theirs, ppm;
    for (int i = 0; i < runs; ++i) {
        orvanta::LoadedPicture picture;
        auto start = std::chrono::steady_clock::now();
        const bool loaded = orvanta::loadPictureFile(path, screenContext(), picture) == orvanta::LoadResult::Loaded;
        ours.push_back(seconds(start));
        if (!loaded || picture.bitmap.width() != kWidth / denominator) {
            std::fprintf(stderr, "load failed\n");
            return 1;
        }
        picture = {};
        start = std::chrono::steady_clock::now();
        const int status = runProcess(
            {kDjpeg, "-scale", "1/" + std::to_string(denominator), "-bmp", "-outfile", djpegOut, path});
        theirs.push_back(seconds(start));
        if (status != 0) {
            std::fprintf(stderr, "%s failed (status %d)\n", kDjpeg, status);
            return 1;
        }
        // Also the streaming writer, which needs no whole-image buffer.
        start = std::chrono::steady_clock::now();
        runProcess({kDjpeg, "-scale", "1/" + std::to_string(denominator), "-ppm", "-outfile", djpegOut, path});
        ppm.push_back(seconds(start));
    }
    const double a = median(ours), b = median(theirs);
    std::printf("JPEG %dx%d q90 at 1/%d for a %dx%d screen, median of %d runs\n", kWidth, kHeight, denominator,
                kScreenWidth, kScreenHeight, runs);
    std::printf("  loadPictureFile   %8.1f ms\n", a * 1000);
    std::printf("  djpeg -bmp        %8.1f ms\n", b * 1000);
    std::printf("  djpeg -ppm        %8.1f ms\n", median(ppm) * 1000);
    std::printf("  ratio (ours / djpeg -bmp) %.3f\n", a / b);
    std::printf("  ratio (ours / djpeg -ppm) %.3f\n", a / median(ppm));

    // Peak memory in a fresh process: pipe the child's answer back.
    int fds[2];
    if (pipe(fds) != 0) return 1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::string self = "/proc/self/exe", flag = "--measure-memory", file = path;
    char* childArgv[] = {self.data(), flag.data(), file.data(), nullptr};
    pid_t pid = 0;
    const bool spawned = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, childArgv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    char answer[64] = {};
    const ssize_t got = spawned ? read(fds[0], answer, sizeof answer - 1) : -1;
    close(fds[0]);
    int status = 0;
    if (spawned) waitpid(pid, &status, 0);
    if (got > 0)
        std::printf("  peak memory loading %d megapixels: %.1f MB above idle\n", kWidth * kHeight / 1000000,
                    std::atol(answer) / 1024.0);

    std::remove(path.c_str());
    std::remove(djpegOut.c_str());
    rmdir(folder);
    return 0;
}
