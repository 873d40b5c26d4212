// Time from a show timer tick to the first piece of the transition on the
// screen, for pictures that are already decoded (the show decodes the next
// picture while the current one is on view), on a 3840 x 2160 show (unless
// --show says otherwise) with Delay 0. The show converts a picture to its
// 32-bit canvas once, when it loads it (before the tick); a tick then does
// what the show routine does:
//   previous-image buffer = copy of the back buffer, in place,
//   composePictureInto (fill, one area-averaging stretch from the canvas),
//   chooseEffect,
//   playTransition up to the return of its first drawing call.
// Pictures: generated photo-like JPEGs of 24 and 50 megapixels (6000 x 4000,
// decoded at full size for a 4K screen, and 8660 x 5774, decoded at 1/2), or
// those given with --picture; with --bmp-cycles also the same pixels as BMPs,
// which are never reduced.
// References in the same run: the 100 ms budget (ratio = measured / 100 ms)
// and a plain memcpy of one show-sized frame, the floor of any tick.
// Every cycle plays effect 0 (Effects off) and then one full cycle of
// chooseEffect, so each effect is timed once per cycle in the show's own order.
// Usage: tickfirstpiece_bench [--show WxH] [--picture WxH]... [--jpeg-cycles N] [--bmp-cycles N]
//   (defaults: 3840x2160, the two JPEGs, 2 cycles, no BMP)
#include <QImage>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/WBitmap.h"
#include "base/crandom.h"
#include "base/mt19937.h"
#include "settings/settings.h"
#include "show/decoders/jpegwriter.h"
#include "show/decoders/picturefile.h"
#include "show/pixels/canvas.h"
#include "show/pixels/composition.h"
#include "show/pixels/fitting.h"
#include "show/pixels/resample.h"
#include "show/transitions/blockgrid.h"
#include "show/transitions/effectchoice.h"
#include "show/transitions/imagetransitiontarget.h"
#include "show/transitions/transitionplan.h"
#include "show/transitions/transitionplayer.h"
#include "show/transitions/transitiontable.h"

using namespace orvanta;

namespace {

using Clock = std::chrono::steady_clock;

int showWidth = 3840, showHeight = 2160;  // --show W x H
constexpr double kBudgetMs = 100.0;

double msBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// This thread's processor time: on a busy machine it shows what a tick costs
// apart from waiting for a core.
double threadMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// A photo-like picture: smooth colour fields, hard-edged discs and a little
// sensor noise, so that the JPEG has a camera-like size and decoding cost.
WBitmap photoLike(int w, int h) {
    WBitmap bitmap;
    if (!bitmap.create(w, h, 24)) return bitmap;
    std::vector<int> fx(static_cast<std::size_t>(w)), fy(static_cast<std::size_t>(h));
    for (int x = 0; x < w; ++x) fx[x] = static_cast<int>(60 * std::sin(x * 0.0021) + 25 * std::sin(x * 0.013));
    for (int y = 0; y < h; ++y) fy[y] = static_cast<int>(70 * std::cos(y * 0.0017) + 20 * std::sin(y * 0.021));
    struct Disc {
        int cx, cy, r;
        std::uint8_t b, g, r8;
    };
    std::vector<Disc> discs;
    std::uint32_t state = 2024;
    auto next = [&state] { return state = state * 1103515245u + 12345u, state >> 8; };
    for (int k = 0; k < 12; ++k)
        discs.push_back({static_cast<int>(next() % w), static_cast<int>(next() % h),
                         150 + static_cast<int>(next() % 600), static_cast<std::uint8_t>(next()),
                         static_cast<std::uint8_t>(next()), static_cast<std::uint8_t>(next())});
    auto clamp8 = [](int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); };
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = bitmap.row(y);
        for (int x = 0; x < w; ++x, p += 3) {
            const int noise = static_cast<int>(next() & 7) - 4;
            int b = 110 + fx[x] - fy[y] / 2 + noise, g = 120 + fy[y] + noise, r = 130 + (fx[x] + fy[y]) / 2 + noise;
            for (const Disc& d : discs) {
                const int dx = x - d.cx, dy = y - d.cy;
                if (dx * dx + dy * dy < d.r * d.r) {
                    b = (b + d.b) / 2, g = (g + d.g) / 2, r = (r + d.r8) / 2;
                    break;
                }
            }
            p[0] = clamp8(b), p[1] = clamp8(g), p[2] = clamp8(r);
        }
    }
    return bitmap;
}

bool saveJpeg(const std::string& path, const WBitmap& bitmap) {
    JpegWriteOptions options;
    options.stride = bitmap.stride();
    options.bgr = true;
    return writeJpegFile(path, bitmap.row(0), bitmap.width(), bitmap.height(), 3, options);
}

long fileBytes(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return -1;
    std::fseek(f, 0, SEEK_END);
    const long n = std::ftell(f);
    std::fclose(f);
    return n;
}

// Passes the transition's drawing to an in-memory screen and notes when the
// first drawing call returned and when the first step ended (its first
// dispatch); then asks the player to stop, as an exit request would.
class FirstPieceTarget : public TransitionTarget {
public:
    explicit FirstPieceTarget(ImageTransitionTarget& inner) : inner_(inner) {}
    void begin(int effect) override { inner_.begin(effect); }
    void copyPiece(const QRect& r) override {
        draw([&] { inner_.copyPiece(r); });
    }
    void stretchToScreen(const QRect& s, const QRect& d) override {
        draw([&] { inner_.stretchToScreen(s, d); });
    }
    void blendFrame(int alpha) override {
        draw([&] { inner_.blendFrame(alpha); });
    }
    void copyAll() override {
        draw([&] { inner_.copyAll(); });
    }
    void fill(QRgb colour) override { inner_.fill(colour); }
    bool pumpAndCheckExit() override {
        if (firstPiece && !firstStep) firstStep = Clock::now();
        return firstPiece.has_value();
    }
    void sleep(int) override {}

    std::optional<Clock::time_point> firstPiece, firstStep;
    int calls = 0;

private:
    template <typename F>
    void draw(F&& f) {
        if (firstStep) return;
        f();
        ++calls;
        if (!firstPiece) firstPiece = Clock::now();
    }
    ImageTransitionTarget& inner_;
};

// The show form's state that a tick touches.
struct Show {
    Settings settings;
    // Made as the show makes its canvases.
    QImage back = makeCanvas(QSize(showWidth, showHeight));
    QImage previous = makeCanvas(QSize(showWidth, showHeight));
    QImage screen = makeCanvas(QSize(showWidth, showHeight));
    CRandom crandom{4357};
    Mt19937 mt;
    EffectChoiceState choice;
    std::vector<int> blocks;
    int previousEffect = 0;

    Show() {
        settings.Delay = 0;
        mt.seed(4357);
        back.fill(Qt::black);
        previous.fill(Qt::black);
        screen.fill(Qt::black);
        blocks.resize(static_cast<std::size_t>(blockCountFor(showWidth, showHeight)));
    }
};

struct Tick {
    int effect = 0;
    double previousCopy = 0, compose = 0, choose = 0, toFirstPiece = 0, toFirstStep = 0;
    double total = 0;  // tick to the first piece
    double cpu = 0;    // the same span in this thread's processor time
    bool drew = false;
};

// One tick of the show routine. forceEffectsOff plays effect 0, the whole
// picture in one piece, as with Effects off.
Tick tick(Show& show, const LoadedPicture& picture, const QImage& canvas, bool forceEffectsOff) {
    Tick t;
    const double c0 = threadMs();
    const Clock::time_point t0 = Clock::now();
    if (show.previous.size() == show.back.size())
        std::memcpy(show.previous.bits(), show.back.constBits(), static_cast<std::size_t>(show.back.sizeInBytes()));
    else show.previous = show.back.copy();
    const Clock::time_point t1 = Clock::now();
    const bool blitOk = composePictureInto(canvas, picture.reducedOnDecode, show.settings, show.crandom, show.back,
                                           show.back.rect());
    const Clock::time_point t2 = Clock::now();
    if (!blitOk) return t;
    ImageTransitionTarget screen(show.back, show.previous, show.screen, showClipRect(showWidth, showHeight));
    FirstPieceTarget target(screen);
    if (fillsShowBeforeNextEffect(showWidth, show.previousEffect)) target.fill(0);
    int effect = 0;
    if (!forceEffectsOff) effect = chooseEffect(show.choice, show.settings.transitions, kTransitionCount, show.mt);
    const Clock::time_point t3 = Clock::now();
    TransitionGeometry geometry;
    geometry.width = showWidth;
    geometry.height = showHeight;
    geometry.blockSize = blockSizeFor(showWidth);
    geometry.delay = show.settings.Delay;
    geometry.blockOrder = show.blocks;
    TransitionRandom random{show.mt, show.crandom};
    playTransition(effect, geometry, random, target);
    const double c1 = threadMs();  // includes the rest of the first step: at most a few pieces
    show.previousEffect = effect;
    t.effect = effect;
    t.drew = target.calls > 0 && target.firstPiece.has_value();
    if (!t.drew) return t;
    const Clock::time_point t4 = *target.firstPiece;
    const Clock::time_point t5 = target.firstStep ? *target.firstStep : t4;
    t.previousCopy = msBetween(t0, t1);
    t.compose = msBetween(t1, t2);
    t.choose = msBetween(t2, t3);
    t.toFirstPiece = msBetween(t3, t4);
    t.toFirstStep = msBetween(t3, t5);
    t.total = msBetween(t0, t4);
    t.cpu = c1 - c0;
    return t;
}

double memcpyFrameMs(int runs) {
    const std::size_t bytes = static_cast<std::size_t>(showWidth) * static_cast<std::size_t>(showHeight) * 4;
    std::vector<std::uint8_t> from(bytes, 1), to(bytes, 2);
    std::vector<double> times;
    for (int k = 0; k < runs; ++k) {
        from[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k);
        const Clock::time_point a = Clock::now();
        std::memcpy(to.data(), from.data(), bytes);
        asm volatile("" : : "r"(to.data()) : "memory");
        times.push_back(msBetween(a, Clock::now()));
    }
    return median(times);
}

// The parts of composePicture one by one, and the previous-buffer copy done
// as a QImage copy and as a copy into the existing buffer.
void printStages(const LoadedPicture& picture, int runs, double memcpyMs) {
    Show show;
    std::vector<double> copyNew, copyInto, convert, freshCanvas, touchedCanvas, fill, stretch, whole, choose;
    const QSize pictureSize(picture.bitmap.width(), picture.bitmap.height());
    for (int k = 0; k < runs; ++k) {
        Clock::time_point a = Clock::now();
        show.previous = show.back.copy();
        copyNew.push_back(msBetween(a, Clock::now()));

        a = Clock::now();
        std::memcpy(show.previous.bits(), show.back.constBits(), static_cast<std::size_t>(show.back.sizeInBytes()));
        copyInto.push_back(msBetween(a, Clock::now()));

        a = Clock::now();
        QImage canvas = picture.bitmap.toImage32();
        convert.push_back(msBetween(a, Clock::now()));

        a = Clock::now();
        show.back.fill(qRgb(0, 0, 0));
        fill.push_back(msBetween(a, Clock::now()));

        CRandom random = show.crandom;
        const Fitting fit = fitPicture(FittingRules::of(show.settings), show.back.size(), canvas.size(),
                                       picture.reducedOnDecode, random);
        a = Clock::now();
        stretchBox(canvas, canvas.rect(), show.back, fit.destination);
        stretch.push_back(msBetween(a, Clock::now()));
        canvas = QImage();

        a = Clock::now();
        composePicture(picture.bitmap, picture.reducedOnDecode, show.settings, show.crandom, show.back);
        whole.push_back(msBetween(a, Clock::now()));

        a = Clock::now();
        chooseEffect(show.choice, show.settings.transitions, kTransitionCount, show.mt);
        choose.push_back(msBetween(a, Clock::now()));
    }
    // What the conversion's fresh canvas costs by itself: allocating and first
    // touching it, against writing the same bytes into memory already there.
    // Measured apart, so that the loop above keeps the allocator's state of a tick.
    {
        QImage touched(pictureSize, QImage::Format_RGB32);
        touched.fill(0);
        for (int k = 0; k < runs; ++k) {
            Clock::time_point a = Clock::now();
            touched.fill(static_cast<uint>(k));
            touchedCanvas.push_back(msBetween(a, Clock::now()));
        }
    }
    for (int k = 0; k < runs; ++k) {
        const Clock::time_point a = Clock::now();
        QImage fresh(pictureSize, QImage::Format_RGB32);
        fresh.fill(static_cast<uint>(k));
        freshCanvas.push_back(msBetween(a, Clock::now()));
    }
    CRandom random = show.crandom;
    const Fitting fit = fitPicture(FittingRules::of(show.settings), show.back.size(),
                                   QSize(picture.bitmap.width(), picture.bitmap.height()), picture.reducedOnDecode,
                                   random);
    const double mpix = picture.bitmap.width() * static_cast<double>(picture.bitmap.height()) / 1e6;
    std::printf("  Stages, each alone (median of %d):\n", runs);
    std::printf("    previous-buffer copy, QImage::copy (a new image)       %8.2f ms  %6.2f x memcpy\n",
                median(copyNew), median(copyNew) / memcpyMs);
    std::printf("    previous-buffer copy into the existing buffer         %8.2f ms  %6.2f x memcpy\n",
                median(copyInto), median(copyInto) / memcpyMs);
    std::printf("    composePicture, whole                                 %8.2f ms\n", median(whole));
    std::printf("      toImage32 %d x %d, 24 -> 32 bit (%.0f MB out)   %8.2f ms  %6.0f Mpixel/s\n",
                picture.bitmap.width(), picture.bitmap.height(), mpix * 4, median(convert),
                mpix / median(convert) * 1e3);
    std::printf("        a fresh %d x %d canvas, allocated and filled      %8.2f ms\n", pictureSize.width(),
                pictureSize.height(), median(freshCanvas));
    std::printf("        the same fill into a canvas already in memory      %8.2f ms\n", median(touchedCanvas));
    std::printf("      background fill %d x %d                          %8.2f ms\n", showWidth, showHeight,
                median(fill));
    std::printf("      stretch %d x %d -> %d x %d                  %8.2f ms  %6.0f Mpixel/s read\n",
                picture.bitmap.width(), picture.bitmap.height(), fit.destination.width(), fit.destination.height(),
                median(stretch), mpix / median(stretch) * 1e3);
    std::printf("    chooseEffect                                          %8.4f ms\n", median(choose));
}

const char* effectName(int effect) {
    if (effect == 0) return "(Effects off: one piece)";
    const auto table = transitionTable();
    return effect >= 1 && effect <= static_cast<int>(table.size()) ? table[effect - 1].name : "?";
}

// Plays `cycles` cycles of 36 ticks and prints the per-effect and overall figures.
// Returns false when a tick drew nothing.
bool printTicks(const LoadedPicture& picture, int cycles, double memcpyMs) {
    Show show;
    // The back buffer holds a composed picture before the first tick, as in a running show.
    composePicture(picture.bitmap, picture.reducedOnDecode, show.settings, show.crandom, show.back);
    const QImage canvas = picture.bitmap.toImage32();  // made at load time in the show
    std::array<std::vector<Tick>, 36> byEffect;
    std::vector<double> all, allCpu;
    bool ok = true;
    for (int c = 0; c < cycles; ++c) {
        for (int k = 0; k <= kTransitionCount; ++k) {
            const Tick t = tick(show, picture, canvas, k == 0);
            if (!t.drew) {
                std::printf("  tick %d of cycle %d drew nothing (effect %d)!\n", k, c, t.effect);
                ok = false;
                continue;
            }
            byEffect[static_cast<std::size_t>(t.effect)].push_back(t);
            all.push_back(t.total);
            allCpu.push_back(t.cpu);
        }
    }
    std::printf(
        "  Ticks (median of %d per effect; ms; \"play\" = playTransition to the first piece, then to the end\n"
        "  of the first step; ratio = tick / %.0f ms budget; floor = tick / one frame memcpy)\n",
        cycles, kBudgetMs);
    std::printf("  %-3s %-30s %8s %8s %7s %7s %8s %8s %8s %7s %8s\n", "No", "Name", "prevcopy", "compose", "choose",
                "play", "1st step", "tick", "tick cpu", "ratio", "x floor");
    double worst = 0;
    int worstEffect = 0, over = 0;
    for (int e = 0; e <= kTransitionCount; ++e) {
        const auto& ticks = byEffect[static_cast<std::size_t>(e)];
        if (ticks.empty()) continue;
        auto med = [&](double Tick::*field) {
            std::vector<double> v;
            for (const Tick& t : ticks) v.push_back(t.*field);
            return median(v);
        };
        const double total = med(&Tick::total);
        std::printf("  %-3d %-30s %8.2f %8.2f %7.3f %7.2f %8.2f %8.2f %8.2f %7.3f %8.1f%s\n", e, effectName(e),
                    med(&Tick::previousCopy), med(&Tick::compose), med(&Tick::choose), med(&Tick::toFirstPiece),
                    med(&Tick::toFirstStep), total, med(&Tick::cpu), total / kBudgetMs, total / memcpyMs,
                    total > kBudgetMs ? "  OVER" : "");
        if (total > worst) worst = total, worstEffect = e;
        over += total > kBudgetMs;
    }
    const double overall = median(all);
    std::printf(
        "  overall (%zu ticks): median tick %.2f ms (cpu %.2f ms), ratio %.3f of the budget, %.1f x the memcpy "
        "floor;\n  worst effect %d (%s) %.2f ms, ratio %.3f; %d effect(s) over the budget\n",
        all.size(), overall, median(allCpu), overall / kBudgetMs, overall / memcpyMs, worstEffect,
        effectName(worstEffect), worst, worst / kBudgetMs, over);
    return ok;
}

bool runCase(const char* title, const std::string& path, int cycles, int stageRuns, double memcpyMs) {
    LoadContext context;
    context.decode.screenWidth = showWidth;
    context.decode.screenHeight = showHeight;
    LoadedPicture picture;
    const Clock::time_point a = Clock::now();
    const LoadResult result = loadPictureFile(path, context, picture);
    const double decodeMs = msBetween(a, Clock::now());
    if (result != LoadResult::Loaded) {
        std::printf("%s: loadPictureFile failed\n", title);
        return false;
    }
    std::printf("\n%s: %ld bytes, loaded as %d x %d, %d bit%s in %.0f ms (before timing, not part of a tick)\n", title,
                fileBytes(path), picture.bitmap.width(), picture.bitmap.height(), picture.bitmap.bitCount(),
                picture.reducedOnDecode ? ", reduced on decode" : ", full scale", decodeMs);
    printStages(picture, stageRuns, memcpyMs);
    return printTicks(picture, cycles, memcpyMs);
}

}  // namespace

int main(int argc, char** argv) {
    int jpegCycles = 2, bmpCycles = 0;
    std::vector<std::pair<int, int>> pictures;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        int a = 0, b = 0;
        if (arg == "--show" && k + 1 < argc && std::sscanf(argv[k + 1], "%dx%d", &a, &b) == 2) {
            showWidth = a, showHeight = b, ++k;
        } else if (arg == "--picture" && k + 1 < argc && std::sscanf(argv[k + 1], "%dx%d", &a, &b) == 2) {
            pictures.emplace_back(a, b), ++k;
        } else if (arg == "--jpeg-cycles" && k + 1 < argc) {
            jpegCycles = std::atoi(argv[++k]);
        } else if (arg == "--bmp-cycles" && k + 1 < argc) {
            bmpCycles = std::atoi(argv[++k]);
        } else {
            std::fprintf(stderr,
                         "usage: tickfirstpiece_bench [--show WxH] [--picture WxH]... [--jpeg-cycles 1..50] "
                         "[--bmp-cycles 0..50]\n");
            return 2;
        }
    }
    if (pictures.empty()) pictures = {{6000, 4000}, {8660, 5774}};  // 24 and 50 megapixels
    if (jpegCycles < 1 || jpegCycles > 50 || bmpCycles < 0 || bmpCycles > 50 || showWidth < 16 || showHeight < 16 ||
        showWidth > 8192 || showHeight > 8192) {
        std::fprintf(stderr, "bad arguments\n");
        return 2;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/orvanta-tickbench-XXXXXX";
    if (!mkdtemp(dir.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const double memcpyMs = memcpyFrameMs(51);
    std::printf("Tick to first piece on a %d x %d show, Delay 0\n", showWidth, showHeight);
    std::printf("References: the %.0f ms budget; floor: memcpy of one %d x %d x 4 frame = %.3f ms\n", kBudgetMs,
                showWidth, showHeight, memcpyMs);
    bool ok = true;
    for (const auto& [pw, ph] : pictures) {
        const std::string jpegPath = dir + "/photo.jpg", bmpPath = dir + "/photo.bmp";
        const Clock::time_point made = Clock::now();
        bool written = false;
        {
            const WBitmap photo = photoLike(pw, ph);
            written = !photo.isNull() && saveJpeg(jpegPath, photo) && (bmpCycles == 0 || photo.saveBmp(bmpPath));
        }
        if (!written) {
            std::printf("could not write the test pictures in %s\n", dir.c_str());
            ok = false;
            break;
        }
        const double mp = pw * static_cast<double>(ph) / 1e6;
        std::printf("\n(test pictures of %d x %d written in %.0f ms)", pw, ph, msBetween(made, Clock::now()));
        char title[96];
        std::snprintf(title, sizeof title, "JPEG %d x %d (%.0f megapixels)", pw, ph, mp);
        ok = runCase(title, jpegPath, jpegCycles, 5, memcpyMs) && ok;
        if (bmpCycles > 0) {
            std::snprintf(title, sizeof title, "BMP %d x %d (24 bit, never reduced)", pw, ph);
            ok = runCase(title, bmpPath, bmpCycles, 3, memcpyMs) && ok;
        }
        std::remove(jpegPath.c_str());
        std::remove(bmpPath.c_str());
    }
    rmdir(dir.c_str());
    return ok ? 0 : 1;
}
