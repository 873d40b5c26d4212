// Picture list build against `find DIR -type f` on the same tree of empty
// picture files: FOLDERS directories (the top one included) holding
// PER_FOLDER pictures each, built with AutoSubDir and AlphaSort on (the
// subtree listed with every picture counted, a second listing to fill the
// list, a stat of every subdirectory, the sort), with the event pump the show
// uses (Qt's event loop, at most once a millisecond). Prints the median of
// several runs of each, their ratio, the time and memory per listed picture
// (heap bytes the finished list holds), and, for comparison, one build that
// runs the event loop after every entry.
//
// The tree is generated under /tmp (and removed afterwards) unless --tree
// names a folder to keep it in, which a later run then reuses; how long
// generating took is printed.
//
// Usage: buildlist_bench [--runs N] [--folders F] [--per-folder P] [--tree DIR]
//   (defaults: 7 runs, 1000 folders, 100 pictures each)
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/mt19937.h"
#include "catalogue/picturecatalogue.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The folder of number f: the top folder, nine groups below it, and the rest
// spread over the groups, so that the expansion has depth as well as breadth.
std::string folderPath(const std::string& root, int f) {
    if (f == 0) return root;
    if (f < 10) return root + "/g" + std::to_string(f);
    return root + "/g" + std::to_string(1 + f % 9) + "/f" + std::to_string(f);
}

bool makeTree(const std::string& root, int folders, int perFolder) {
    static const char* const kExt[] = {".jpg", ".JPG", ".png", ".bmp", ".jpeg"};
    for (int f = 0; f < folders; ++f) {
        const std::string dir = folderPath(root, f);
        if (f > 0 && mkdir(dir.c_str(), 0755) != 0) return false;
        for (int i = 0; i < perFolder; ++i) {
            const std::string path = dir + "/photo_" + std::to_string(i) + kExt[i % 5];
            const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_EXCL | O_CLOEXEC, 0644);
            if (fd < 0) return false;
            close(fd);
        }
    }
    return true;
}

std::size_t heapInUse() { return mallinfo2().uordblks + mallinfo2().hblkhd; }

}  // namespace

int main(int argc, char** argv) {
    int runs = 7, folders = 1000, perFolder = 100;
    std::string kept;
    for (int k = 1; k < argc; ++k) {
        if (!std::strcmp(argv[k], "--runs") && k + 1 < argc) runs = std::clamp(std::atoi(argv[++k]), 1, 50);
        else if (!std::strcmp(argv[k], "--folders") && k + 1 < argc)
            folders = std::clamp(std::atoi(argv[++k]), 1, 10000);
        else if (!std::strcmp(argv[k], "--per-folder") && k + 1 < argc) perFolder = std::max(1, std::atoi(argv[++k]));
        else if (!std::strcmp(argv[k], "--tree") && k + 1 < argc) kept = argv[++k];
    }
    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    const long long pictures = static_cast<long long>(folders) * perFolder;

    // A kept tree is reused when its marker says it has this shape.
    std::string root;
    bool reuse = false;
    const std::string shape = std::to_string(folders) + "x" + std::to_string(perFolder);
    if (!kept.empty()) {
        root = kept;
        std::error_code ec;
        std::filesystem::create_directories(root, ec);
        reuse = std::filesystem::exists(root + "/.made-" + shape);
        if (!reuse && !std::filesystem::is_empty(root, ec)) {
            std::fprintf(stderr, "%s is neither empty nor a tree of this shape\n", root.c_str());
            return 1;
        }
    } else {
        std::string pattern = "/tmp/orvanta-buildlist-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            return 1;
        }
        root = pattern;
    }
    std::printf("tree: %d folders, %lld pictures in %s\n", folders, pictures, root.c_str());
    std::fflush(stdout);
    if (reuse) {
        std::printf("generated earlier, reused\n");
    } else {
        const Clock::time_point made = Clock::now();
        if (!makeTree(root, folders, perFolder)) {
            std::perror("creating the tree");
            if (kept.empty()) std::filesystem::remove_all(root);
            return 1;
        }
        if (!kept.empty()) std::fclose(std::fopen((root + "/.made-" + shape).c_str(), "w"));
        std::printf("generated in %.1f s (%.1f us per file)\n", msSince(made) / 1000, msSince(made) * 1000 / pictures);
    }

    orvanta::Mt19937 rng;
    orvanta::PictureCatalogue catalogue(rng);
    long loops = 0;
    const orvanta::PumpEvents eventLoop = [&loops] {
        ++loops;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return false;
    };
    const std::string findCommand = "find " + shellQuote(root) + " -type f > /dev/null";

    std::size_t bytes = 0;
    auto timeBuild = [&](const orvanta::PumpEvents& pump) {
        catalogue.usePreview("");  // drops the previous list
        orvanta::BuildHooks hooks;
        hooks.pumpEvents = pump;
        orvanta::Settings settings;
        settings.imageDirs = {{root, true}};
        settings.Count = 1;
        settings.AutoSubDir = true;
        settings.AlphaSort = true;
        settings.Randomize = false;
        const std::size_t before = heapInUse();
        const Clock::time_point t0 = Clock::now();
        const orvanta::BuildResult r = catalogue.buildPictureList(settings, hooks);
        const double ms = msSince(t0);
        const std::size_t after = heapInUse();
        bytes = after > before ? after - before : 0;
        if (r != orvanta::BuildResult::Ready || catalogue.length() != pictures) {
            std::fprintf(stderr, "build gave %d pictures (result %d)\n", catalogue.length(), static_cast<int>(r));
            return -1.0;
        }
        return ms;
    };
    auto timeFind = [&]() {
        const Clock::time_point t0 = Clock::now();
        const int rc = std::system(findCommand.c_str());
        return rc == 0 ? msSince(t0) : -1.0;
    };
    const orvanta::PumpEvents showPump = orvanta::throttledPump(eventLoop, [] { return false; });

    // One untimed round each so that both start from a warm directory cache.
    timeBuild(showPump);
    timeFind();
    std::vector<double> build, find;
    bool ok = true;
    loops = 0;
    for (int i = 0; i < runs && ok; ++i) {
        const double b = timeBuild(showPump), f = timeFind();
        ok = b >= 0 && f >= 0;
        build.push_back(b);
        find.push_back(f);
    }
    const long loopsPerBuild = loops / runs;
    const double everyEntry = ok ? timeBuild(eventLoop) : -1;

    if (kept.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    if (!ok || everyEntry < 0) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }
    const double mb = median(build), mf = median(find);
    std::printf(
        "buildPictureList (AutoSubDir, AlphaSort): median %.1f ms over %d runs (min %.1f, max %.1f; "
        "%ld passes through the event loop per build)\n",
        mb, runs, *std::min_element(build.begin(), build.end()), *std::max_element(build.begin(), build.end()),
        loopsPerBuild);
    std::printf("find DIR -type f > /dev/null:             median %.1f ms over %d runs (min %.1f, max %.1f)\n", mf,
                runs, *std::min_element(find.begin(), find.end()), *std::max_element(find.begin(), find.end()));
    std::printf("ratio build / find: %.2f (aim <= 2.5)\n", mb / mf);
    std::printf("per listed picture: %.2f us, %.0f bytes of heap held by the list\n", mb * 1000 / pictures,
                static_cast<double>(bytes) / pictures);
    std::printf("with the event loop run after every entry instead: %.1f ms (%.2f x the show's pump)\n", everyEntry,
                everyEntry / mb);
    return 0;
}
