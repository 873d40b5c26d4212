// Picture list build against `find DIR -type f` on the same tree: 100,000
// empty picture files in 1,000 folders below a temporary folder, built with
// AutoSubDir and AlphaSort on (two listings of every folder, a stat of every
// subdirectory, the sort). Prints the median of several runs of each and
// their ratio; the tree is removed afterwards.
//
// Usage: buildlist_bench [RUNS] [FOLDERS] [FILES_PER_FOLDER]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/mt19937.h"
#include "catalogue/picturecatalogue.h"

namespace {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

bool makeTree(const std::string& root, int folders, int filesPerFolder) {
    static const char* const kExt[] = {".jpg", ".JPG", ".png", ".bmp", ".jpeg"};
    for (int f = 0; f < folders; ++f) {
        // Ten top folders, each holding a tenth of the rest, so that the
        // expansion has depth as well as breadth.
        const std::string dir = f < 10 ? root + "/g" + std::to_string(f)
                                       : root + "/g" + std::to_string(f % 10) + "/f" + std::to_string(f);
        if (mkdir(dir.c_str(), 0755) != 0) return false;
        for (int i = 0; i < filesPerFolder; ++i) {
            const std::string path = dir + "/photo_" + std::to_string(i) + kExt[i % 5];
            const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_EXCL, 0644);
            if (fd < 0) return false;
            close(fd);
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const int folders = argc > 2 ? std::max(10, std::atoi(argv[2])) : 1000;
    const int perFolder = argc > 3 ? std::max(1, std::atoi(argv[3])) : 100;

    std::string pattern = "/tmp/orvanta-buildlist-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string root = pattern;
    std::printf("tree: %d folders, %d pictures in %s\n", folders, folders * perFolder, root.c_str());
    std::fflush(stdout);
    if (!makeTree(root, folders, perFolder)) {
        std::perror("creating the tree");
        std::filesystem::remove_all(root);
        return 1;
    }

    orvanta::Mt19937 rng;
    orvanta::PictureCatalogue catalogue(rng);
    orvanta::BuildHooks hooks;
    long pumps = 0;
    hooks.pumpEvents = [&pumps] {
        ++pumps;
        return false;
    };
    const std::string findCommand = "find " + shellQuote(root) + " -type f > /dev/null";

    auto timeBuild = [&]() {
        orvanta::Settings settings;
        settings.imageDirs = {{root, true}};
        settings.Count = 1;
        settings.AutoSubDir = true;
        settings.AlphaSort = true;
        settings.Randomize = false;
        const auto t0 = Clock::now();
        const orvanta::BuildResult r = catalogue.buildPictureList(settings, hooks);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        if (r != orvanta::BuildResult::Ready || catalogue.length() != folders * perFolder) {
            std::fprintf(stderr, "build gave %d pictures (result %d)\n", catalogue.length(), static_cast<int>(r));
            return -1.0;
        }
        return ms;
    };
    auto timeFind = [&]() {
        const auto t0 = Clock::now();
        const int rc = std::system(findCommand.c_str());
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        return rc == 0 ? ms : -1.0;
    };

    // One untimed round each so that both start from a warm directory cache.
    timeBuild();
    timeFind();
    std::vector<double> build, find;
    bool ok = true;
    for (int i = 0; i < runs && ok; ++i) {
        const double b = timeBuild(), f = timeFind();
        ok = b >= 0 && f >= 0;
        build.push_back(b);
        find.push_back(f);
    }

    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    if (!ok) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }
    const double mb = median(build), mf = median(find);
    std::printf("buildPictureList (AutoSubDir, AlphaSort): median %.1f ms over %d runs (%ld pump calls per build)\n",
                mb, runs, pumps / (runs + 1));
    std::printf("find DIR -type f > /dev/null:             median %.1f ms over %d runs\n", mf, runs);
    std::printf("ratio build / find: %.2f\n", mb / mf);
    return 0;
}
