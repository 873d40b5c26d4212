// The planner turns a row of the transition table into steps, one visitor call
// per step, so that even the 7680-step snakes at 1920 x 1080 never exist as a
// list. Each family below is one loop over its effect's counter; the pause of a
// step is decided by that counter and the row's pause rule.
//
// Pieces are clipped to the show: some effects copy bands that stick out (the
// snake bands are 1052 / 4 high on a 1050-high show). Conversely, the effects'
// own geometry leaves pixels uncovered on shows whose size is no multiple of the
// bands (a 1400-wide show has 16 blind bands of 87 columns, 8 columns short) or
// of the blocks (1400 x 1050 with blocks of 20 has half a block row missing),
// or that are odd or taller than wide. Leaving the old picture there would be
// plainly wrong, so a coverage map follows the pieces and a closing step copies
// whatever is still uncovered, merged into rectangles. On the usual screen
// sizes most effects need no closing step at all.
#include "show/transitions/transitionplan.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "base/shuffleorder.h"
#include "show/transitions/blockgrid.h"
#include "show/transitions/piececoverage.h"
#include "show/transitions/transitiontable.h"

namespace orvanta {

int bandWidthFor(int width) { return width / 16; }

int bandHeightFor(int height) {
    const bool fifteen = height == 600 || height == 900 || height == 1050 || height == 1080;
    return fifteen ? height / 15 : height / 16;
}

bool fillsShowBeforeNextEffect(int showWidth, int previousEffect) {
    return showWidth == 1360 && (previousEffect == kZoomIn || previousEffect == kZoomOut);
}

namespace {

// Above this many pixels the coverage map is not kept and a piece effect closes
// with a whole copy instead (the map costs a byte per pixel).
constexpr std::int64_t kCoverageLimit = std::int64_t{1} << 26;

// Collects the pieces of one step, clips them to the show and hands the step on.
class Emitter {
public:
    Emitter(const TransitionGeometry& g, const StepVisitor& visit)
        : w_(g.width), h_(g.height), delay_(std::max(g.delay, 0)), visit_(visit) {}

    int width() const { return w_; }
    int height() const { return h_; }

    void trackCoverage() {
        if (std::int64_t{w_} * h_ <= kCoverageLimit) coverage_.emplace_back(w_, h_);
        else coverageTooBig_ = true;
    }

    void add(const QRect& r) {
        const QRect c = r.intersected(QRect(0, 0, w_, h_));
        if (!c.isEmpty()) pieces_.push_back(c);
    }
    void column(int x) { add(QRect(x, 0, 1, h_)); }
    void row(int y) { add(QRect(0, y, w_, 1)); }

    // Ends the step whose loop counter is `counter`; false when the visitor stopped.
    bool flush(PauseRule rule, std::int64_t counter) {
        TransitionStep step;
        step.pieces = pieces_;
        step.pauseMs = pauseFor(rule, counter);
        if (!coverage_.empty())
            for (const QRect& r : pieces_) coverage_.front().mark(r);
        const bool go = visit_(step);
        pieces_.clear();
        return go;
    }

    bool send(const TransitionStep& step) { return visit_(step); }

    // The closing step of a piece effect: whatever the effect left uncovered.
    bool close() {
        TransitionStep step;
        step.closing = true;
        if (coverageTooBig_) {
            step.kind = StepKind::CopyAll;
            return visit_(step);
        }
        if (coverage_.empty()) return true;
        const std::vector<QRect> missing = coverage_.front().missing();
        if (missing.empty()) return true;
        step.pieces = missing;
        return visit_(step);
    }

    int pauseFor(PauseRule rule, std::int64_t counter) const {
        if (rule.units <= 0 || rule.modulus <= 0 || counter % rule.modulus != 0) return 0;
        return rule.units * delay_;
    }

private:
    int w_, h_, delay_;
    const StepVisitor& visit_;
    std::vector<QRect> pieces_;
    std::vector<PieceCoverage> coverage_;  // zero or one
    bool coverageTooBig_ = false;
};

// Effects 1-8.
bool lines(Emitter& e, const TransitionInfo& t) {
    const bool columns = t.axis == Axis::Columns;
    const int n = columns ? e.width() : e.height();
    auto line = [&](int i) { columns ? e.column(i) : e.row(i); };
    switch (t.sweep) {
    case Sweep::Forward:
        for (int i = 0; i < n; ++i) {
            line(i);
            if (!e.flush(t.pause, i)) return false;
        }
        return true;
    case Sweep::Backward:
        for (int i = n - 1; i >= 0; --i) {
            line(i);
            if (!e.flush(t.pause, i)) return false;
        }
        return true;
    case Sweep::FromCenter:
        for (int i = n / 2 - 1; i >= 0; --i) {
            line(i);
            line(n - 1 - i);
            if (!e.flush(t.pause, i)) return false;
        }
        return true;
    case Sweep::TowardCenter:
        for (int i = 0; i < n / 2; ++i) {
            line(i);
            line(n - 1 - i);
            if (!e.flush(t.pause, i)) return false;
        }
        return true;
    }
    return true;
}

// Effects 9-12: the counter sweeps four bands in turn, alternating direction.
// The second effect of each pair starts at the far band and the far end.
bool snake(Emitter& e, const TransitionInfo& t) {
    const int w = e.width(), h = e.height();
    const bool columns = t.axis == Axis::Columns;
    const int n = columns ? w : h;
    const int across = columns ? (h == 1050 ? 1052 : h) : w;
    const int band = across / 4;
    const int offsets[4] = {0, across / 4, across / 2, (3 * across) / 4};
    const bool reverse = t.sweep == Sweep::Backward;
    for (std::int64_t i = 0; i < std::int64_t{4} * n; ++i) {
        const int b = static_cast<int>(i / n), p = static_cast<int>(i % n);
        const int offset = offsets[reverse ? 3 - b : b];
        const int pos = ((b % 2 == 0) != reverse) ? p : n - 1 - p;
        e.add(columns ? QRect(pos, offset, 1, band) : QRect(offset, pos, band, 1));
        if (!e.flush(t.pause, i)) return false;
    }
    return true;
}

// Effects 13-14: even bands sweep one way, odd bands the other.
bool bars(Emitter& e, const TransitionInfo& t) {
    const int w = e.width(), h = e.height();
    static constexpr int kBandOrder[16] = {0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15};
    if (t.axis == Axis::Columns) {
        const int y = bandHeightFor(h);
        for (int c = 0; c < w; ++c) {
            for (int k : kBandOrder) {
                if (k >= 14 && k * y >= h) continue;
                e.add(QRect(k % 2 == 0 ? c : w - 1 - c, k * y, 1, y));
            }
            if (!e.flush(t.pause, c)) return false;
        }
    } else {
        const int x = bandWidthFor(w);
        for (int r = 0; r < h; ++r) {
            for (int k : kBandOrder) e.add(QRect(k * x, k % 2 == 0 ? r : h - 1 - r, x, 1));
            if (!e.flush(t.pause, r)) return false;
        }
    }
    return true;
}

// Effects 15-18; rows of bands 14 and 15 below the show are dropped by the clip.
bool blinds(Emitter& e, const TransitionInfo& t) {
    const bool columns = t.axis == Axis::Columns;
    const int band = columns ? bandWidthFor(e.width()) : bandHeightFor(e.height());
    for (int s = 0; s < band; ++s) {
        const int i = t.sweep == Sweep::Forward ? s : band - 1 - s;
        for (int k = 0; k < 16; ++k) columns ? e.column(i + k * band) : e.row(i + k * band);
        if (!e.flush(t.pause, i)) return false;
    }
    return true;
}

struct BlockSetup {
    int b;
    int n;
};

BlockSetup blocksOf(const TransitionGeometry& g) {
    const int b = g.blockSize > 0 ? g.blockSize : blockSizeFor(g.width);
    const std::int64_t n = std::int64_t{g.width} * g.height / (std::int64_t{b} * b);
    return {b, static_cast<int>(std::min<std::int64_t>(n, std::numeric_limits<int>::max()))};
}

// Effect 19. The show form's block array is used when it is large enough; a
// caller that passes a short one gets a private array rather than an overrun.
bool randomBlocks(Emitter& e, const TransitionInfo& t, const TransitionGeometry& g, Mt19937& mt) {
    const auto [b, n] = blocksOf(g);
    std::vector<int> own;
    int* order = g.blockOrder.data();
    if (g.blockOrder.size() < static_cast<std::size_t>(n)) {
        own.resize(n);
        order = own.data();
    }
    shuffleOrder(order, n, true, mt);
    for (int k = 0; k < n; ++k) {
        const QPoint p = blockCorner(order[k], b, g.width);
        e.add(QRect(p.x(), p.y(), b, b));
        if (!e.flush(t.pause, k)) return false;
    }
    return true;
}

// The explosion of effect 20 (stride 1) and the coarse pass of 28 (stride 3):
// an outline growing from the 2 x 2 centre square.
bool explode(Emitter& e, int stride, PauseRule rule) {
    const int w = e.width(), h = e.height();
    const int first = w / 2 - 1;
    if (first < 0) return true;
    e.add(QRect(w / 2 - 1, h / 2 - 1, 2, 2));
    int t = h / 2 - 1;
    if (!e.flush(rule, first)) return false;
    for (int i = first - stride; i >= 0; i -= stride) {
        t = std::max(t - stride, 0);
        const int height = std::min(h - 2 * t, h);
        const int width = (w - 1 - i) - (i + 1);
        e.add(QRect(i, t, 1, height));
        e.add(QRect(w - 1 - i, t, 1, height));
        e.add(QRect(i + 1, t, width, 1));
        e.add(QRect(i + 1, h - 1 - t, width, 1));
        if (!e.flush(rule, i)) return false;
    }
    return true;
}

// The implosion of effect 21 (stride 1) and the coarse pass of 29 (stride 3,
// which ends with a 2-row piece across the middle instead of stopping short).
bool implode(Emitter& e, int stride, PauseRule rule, bool lastPiece) {
    const int w = e.width(), h = e.height();
    int t = 0;
    for (int i = 0; i < w / 2; i += stride) {
        if (i > 0) t += stride;
        if (t > h / 2 - 1) {
            if (!lastPiece) return true;
            e.add(QRect(i, h / 2 - 1, w - 2 * i, 2));
            return e.flush(rule, i);
        }
        if (i == w / 2 - 1) {
            e.add(QRect(w / 2 - 1, h / 2 - 1, 2, 2));
        } else {
            e.add(QRect(i, t, 1, h - 2 * t));
            e.add(QRect(w - 1 - i, t, 1, h - 2 * t));
            e.add(QRect(i + 1, t, w - 2 - 2 * i, 1));
            e.add(QRect(i + 1, h - 1 - t, w - 2 - 2 * i, 1));
        }
        if (!e.flush(rule, i)) return false;
    }
    return true;
}

// Effects 22-23: lines 0, 4, ..; n-3, n-7, ..; 2, 6, ..; n-1, n-5, ...
bool dissolveQuads(Emitter& e, const TransitionInfo& t) {
    const bool columns = t.axis == Axis::Columns;
    const int n = columns ? e.width() : e.height();
    struct Pass {
        int start;
        bool fromEnd;
    };
    for (const Pass pass : {Pass{0, false}, Pass{3, true}, Pass{2, false}, Pass{1, true}}) {
        std::int64_t counter = 0;
        for (int off = pass.start; off < n; off += 4, counter += 4) {
            const int line = pass.fromEnd ? n - off : off;
            columns ? e.column(line) : e.row(line);
            if (!e.flush(t.pause, counter)) return false;
        }
    }
    return true;
}

// Effects 24-25 (and the column half of 30): pass 1 copies lines off and
// n-3-off for off = 0, 4, ..; pass 2 lines off and n-1-(off-2) for off = 2, 6, ...
// A 1050-high show counts as 1052 for the rows, so that the pairs mesh.
bool dissolvePairs(Emitter& e, const TransitionInfo& t) {
    const bool columns = t.axis == Axis::Columns;
    const int n = columns ? e.width() : (e.height() == 1050 ? 1052 : e.height());
    auto line = [&](int i) { columns ? e.column(i) : e.row(i); };
    for (int pass = 0; pass < 2; ++pass) {
        std::int64_t counter = 0;
        for (int off = pass == 0 ? 0 : 2; off < n; off += 4, counter += 4) {
            line(off);
            line(pass == 0 ? n - 3 - off : n - 1 - (off - 2));
            if (!e.flush(t.pause, counter)) return false;
        }
    }
    return true;
}

// Effect 30: the pairs of 24 over columns and, while off < H, over rows.
bool crossDissolve(Emitter& e, const TransitionInfo& t) {
    const int w = e.width(), h = e.height();
    for (int pass = 0; pass < 2; ++pass) {
        std::int64_t counter = 0;
        for (int off = pass == 0 ? 0 : 2; off < w; off += 4, counter += 4) {
            e.column(off);
            e.column(pass == 0 ? w - 3 - off : w - 1 - (off - 2));
            if (off < h) {
                e.row(off);
                e.row(pass == 0 ? h - 3 - off : h - 1 - (off - 2));
            }
            if (!e.flush(t.pause, counter)) return false;
        }
    }
    return true;
}

// Effect 26.
bool fourCorners(Emitter& e, const TransitionInfo& t) {
    const int w = e.width(), h = e.height();
    for (int n = 0;; ++n) {
        const int c = w / 2 - 1 - n, r = h / 2 - 1 - n;
        if (c < 0 || r < 0) return true;
        e.column(c);
        e.column(w - 1 - c);
        e.row(r);
        e.row(h - 1 - r);
        if (!e.flush(t.pause, c)) return false;
    }
}

// Effect 27.
bool randomLines(Emitter& e, const TransitionInfo& t, Mt19937& mt) {
    const int w = e.width(), h = e.height();
    std::vector<int> rows(h), cols(w);
    shuffleOrder(rows.data(), h, true, mt);
    shuffleOrder(cols.data(), w, true, mt);
    for (int i = 0; i < w; ++i) {
        e.column(cols[i]);
        if (i < h) e.row(rows[i]);
        if (!e.flush(t.pause, i)) return false;
    }
    return true;
}

// Effect 31: every block in plain order, twice; the first pass takes the even
// blocks of the first row and every second row after it and the odd blocks of
// the others, the second pass the rest. Every block is a step, copied or not.
bool checkerboard(Emitter& e, const TransitionInfo& t, const TransitionGeometry& g) {
    const auto [b, n] = blocksOf(g);
    for (int pass = 0; pass < 2; ++pass) {
        bool firstKindRow = false;
        for (int k = 0; k < n; ++k) {
            const QPoint p = blockCorner(k, b, g.width);
            if (p.x() == 0) firstKindRow = !firstKindRow;
            const bool takeEven = firstKindRow == (pass == 0);
            if ((k % 2 == 0) == takeEven) e.add(QRect(p.x(), p.y(), b, b));
            if (!e.flush(t.pause, k)) return false;
        }
    }
    return true;
}

// Effect 32.
bool cellGrid(Emitter& e, const TransitionInfo& t, const TransitionGeometry& g) {
    const int b = blocksOf(g).b;
    const int w = e.width(), h = e.height();
    for (int o = 0; o < b; ++o) {
        for (int x = o; x < w; x += b) {
            e.column(x);
            if (x < h) e.row(x);
            if (!e.flush(t.pause, x / b)) return false;
        }
    }
    return true;
}

// Effects 33-34: 400 frames around a random corner (0 top left, 1 top right,
// 2 bottom left, 3 bottom right). Sizes are truncated the way W * s is, with
// integer arithmetic so that no rounding of s creeps in.
bool zoom(Emitter& e, const TransitionInfo& t, CRandom& crandom) {
    const std::int64_t w = e.width(), h = e.height();
    const int corner = static_cast<int>(4 * std::int64_t{crandom.next()} / 32768);
    const bool right = corner == 1 || corner == 3;
    const bool bottom = corner >= 2;
    const bool in = t.sweep == Sweep::Forward;
    TransitionStep step;
    step.kind = StepKind::Stretch;
    for (int f = 0; f < 400; ++f) {
        const std::int64_t b = in ? f : 399 - f;
        const std::int64_t dx = b * w / 2000, dy = b * h / 2000;
        if (in) {
            step.source = QRect(0, 0, static_cast<int>(w), static_cast<int>(h));
            step.destination = QRect(right ? static_cast<int>(-dx) : 0, bottom ? static_cast<int>(-dy) : 0,
                                     static_cast<int>(w * (2000 + b) / 2000), static_cast<int>(h * (2000 + b) / 2000));
        } else {
            step.source = QRect(right ? static_cast<int>(dx) : 0, bottom ? static_cast<int>(dy) : 0,
                                static_cast<int>(w * (2000 - b) / 2000), static_cast<int>(h * (2000 - b) / 2000));
            step.destination = QRect(0, 0, static_cast<int>(w), static_cast<int>(h));
        }
        if (!e.send(step)) return false;
    }
    return true;
}

// Effect 35: alpha 5 for the first 60 frames, then one more per frame up to
// 44 at frame 99; two finishing blends and the picture itself.
bool blend(Emitter& e, const TransitionInfo& t) {
    TransitionStep step;
    step.kind = StepKind::Blend;
    int a = 5;
    for (int n = 1;;) {
        step.alpha = a;
        step.pauseMs = e.pauseFor(t.pause, n);
        if (!e.send(step)) return false;
        ++n;
        if (n >= 100) break;
        if (n > 60) ++a;
    }
    step.pauseMs = 0;
    step.dispatch = false;
    for (int finish : {150, 200}) {
        step.alpha = finish;
        if (!e.send(step)) return false;
    }
    TransitionStep last;
    last.kind = StepKind::CopyAll;
    last.dispatch = false;
    return e.send(last);
}

bool pieces(Emitter& e, const TransitionInfo& t, const TransitionGeometry& g, TransitionRandom& random) {
    switch (t.family) {
    case TransitionFamily::Lines: return lines(e, t);
    case TransitionFamily::Snake: return snake(e, t);
    case TransitionFamily::Bars: return bars(e, t);
    case TransitionFamily::Blinds: return blinds(e, t);
    case TransitionFamily::RandomBlocks: return randomBlocks(e, t, g, random.mt);
    case TransitionFamily::Explode: return explode(e, 1, t.pause);
    case TransitionFamily::Implode: return implode(e, 1, t.pause, false);
    case TransitionFamily::DissolveQuads: return dissolveQuads(e, t);
    case TransitionFamily::DissolvePairs: return dissolvePairs(e, t);
    case TransitionFamily::FourCorners: return fourCorners(e, t);
    case TransitionFamily::RandomLines: return randomLines(e, t, random.mt);
    case TransitionFamily::ExplodeFade: return explode(e, 3, t.pause) && implode(e, 1, t.finePause, false);
    case TransitionFamily::ImplodeFade: return implode(e, 3, t.pause, true) && explode(e, 1, t.finePause);
    case TransitionFamily::CrossDissolve: return crossDissolve(e, t);
    case TransitionFamily::Checkerboard: return checkerboard(e, t, g);
    case TransitionFamily::CellGrid: return cellGrid(e, t, g);
    case TransitionFamily::Zoom:
    case TransitionFamily::Blend: break;
    }
    return true;
}

}  // namespace

bool forEachStep(int effect, const TransitionGeometry& geometry, TransitionRandom& random, const StepVisitor& visit) {
    if (geometry.width <= 0 || geometry.height <= 0) return true;
    Emitter e(geometry, visit);
    const TransitionInfo* t = transitionInfo(effect);
    if (t == nullptr) {
        TransitionStep all;
        all.kind = StepKind::CopyAll;
        all.dispatch = false;
        return e.send(all);
    }
    if (t->family == TransitionFamily::Zoom) return zoom(e, *t, random.crandom);
    if (t->family == TransitionFamily::Blend) return blend(e, *t);
    e.trackCoverage();
    return pieces(e, *t, geometry, random) && e.close();
}

}  // namespace orvanta
