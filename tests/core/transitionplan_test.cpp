#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "base/shuffleorder.h"
#include "settings/settingstable.h"
#include "show/transitions/blockgrid.h"
#include "show/transitions/effectchoice.h"
#include "show/transitions/piececoverage.h"
#include "show/transitions/transitionplan.h"
#include "show/transitions/transitiontable.h"

namespace orvanta {
namespace {

// A step as collected by the tests (the plan's piece span is only valid
// during the visit).
struct Collected {
    StepKind kind;
    std::vector<QRect> pieces;
    QRect source, destination;
    int alpha;
    bool dispatch;
    int pauseMs;
    bool closing;
};

struct Plan {
    std::vector<Collected> steps;
    std::vector<int> blockOrder;  // the block array after the plan
};

Plan collect(int effect, int w, int h, int delay = 10, std::uint32_t seed = 5489, std::uint32_t cseed = 1) {
    Plan plan;
    const int b = blockSizeFor(w);
    plan.blockOrder.assign(static_cast<std::size_t>(blockCountFor(w, h)), -1);
    Mt19937 mt;
    mt.seed(seed);
    CRandom cr(cseed);
    TransitionRandom random{mt, cr};
    const TransitionGeometry g{w, h, b, delay, plan.blockOrder};
    forEachStep(effect, g, random, [&](const TransitionStep& s) {
        plan.steps.push_back({s.kind,
                              {s.pieces.begin(), s.pieces.end()},
                              s.source,
                              s.destination,
                              s.alpha,
                              s.dispatch,
                              s.pauseMs,
                              s.closing});
        return true;
    });
    return plan;
}

// ---------------------------------------------------------------------------
// Table

// What the stored "Transitions" switches mean to the user: the character at
// position k switches the effect that the settings page lists in row k, under
// that name, and with only that one on the show plays it and nothing else,
// as its first steps show.
TEST(TransitionTable, EachStoredSwitchPlaysTheEffectListedInItsRow) {
    const int w = 64, h = 48;
    const struct {
        int position;
        const char* listed;
        bool (*looksRight)(const Plan&);
    } rows[] = {
        {0, "Wipe Left to Right",
         [](const Plan& p) {
             return p.steps.front().pieces.front().left() == 0 && p.steps.back().pieces.back().right() == w - 1;
         }},
        {10, "Wipe Top/Botton Snake", [](const Plan& p) { return p.steps.front().kind == StepKind::Pieces; }},
        {25, "Wipe Four Corners", [](const Plan& p) { return p.steps.front().pieces.size() == 4; }},
        {30, "Checkerboard Block Fill",
         [](const Plan& p) {
             return p.steps.front().pieces.front().size() == QSize(blockSizeFor(w), blockSizeFor(w));
         }},
        {32, "Zoom In", [](const Plan& p) { return p.steps.front().kind == StepKind::Stretch; }},
        {34, "Image Blending", [](const Plan& p) { return p.steps.front().kind == StepKind::Blend; }},
    };
    for (const auto& row : rows) {
        std::string stored(35, '0');
        stored[static_cast<std::size_t>(row.position)] = '1';
        Settings settings;
        parseSetting(*findSetting("Transitions"), settings, stored, 35);
        EffectChoiceState state;
        Mt19937 rng;
        rng.seed(7);
        for (int picture = 0; picture < 3; ++picture) {
            const int effect = chooseEffect(state, settings.transitions, 35, rng);
            ASSERT_NE(transitionInfo(effect), nullptr) << stored;
            EXPECT_STREQ(transitionInfo(effect)->name, row.listed) << stored;
            EXPECT_TRUE(row.looksRight(collect(effect, w, h))) << row.listed;
        }
    }
    // Every row has a name of its own, and there is no effect 0 or 36.
    std::set<std::string> names;
    for (const TransitionInfo& t : transitionTable()) names.insert(t.name);
    EXPECT_EQ(names.size(), 35u);
    EXPECT_EQ(transitionInfo(0), nullptr);
    EXPECT_EQ(transitionInfo(36), nullptr);
}

// ---------------------------------------------------------------------------
// Every piece effect, on small, odd and real show sizes: pieces inside the
// show, every pixel reached, and the closing step only where the effect's own
// geometry falls short.

struct Size {
    int w, h;
};

class PieceEffectTest : public ::testing::TestWithParam<std::tuple<int, Size>> {};

TEST_P(PieceEffectTest, PiecesStayInsideAndCoverTheShow) {
    const auto [effect, size] = GetParam();
    const Plan plan = collect(effect, size.w, size.h);
    std::vector<std::uint8_t> hit(static_cast<std::size_t>(size.w) * size.h, 0);
    const QRect show(0, 0, size.w, size.h);
    bool sawClosing = false;
    for (const Collected& s : plan.steps) {
        ASSERT_EQ(s.kind, StepKind::Pieces);
        ASSERT_FALSE(sawClosing) << "the closing step comes last";
        sawClosing = s.closing;
        for (const QRect& r : s.pieces) {
            ASSERT_FALSE(r.isEmpty());
            ASSERT_TRUE(show.contains(r)) << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
            for (int y = r.top(); y <= r.bottom(); ++y)
                std::memset(&hit[static_cast<std::size_t>(y) * size.w + r.left()], 1, r.width());
        }
    }
    EXPECT_EQ(std::count(hit.begin(), hit.end(), 0), 0);
}

std::string sizeName(const ::testing::TestParamInfo<std::tuple<int, Size>>& info) {
    const auto [effect, size] = info.param;
    return "e" + std::to_string(effect) + "_" + std::to_string(size.w) + "x" + std::to_string(size.h);
}

INSTANTIATE_TEST_SUITE_P(SmallAndOdd, PieceEffectTest,
                         ::testing::Combine(::testing::Range(1, 33),
                                            ::testing::Values(Size{64, 48}, Size{97, 61}, Size{61, 97}, Size{5, 3},
                                                              Size{1, 1})),
                         sizeName);
INSTANTIATE_TEST_SUITE_P(RealScreens, PieceEffectTest,
                         ::testing::Combine(::testing::Range(1, 33),
                                            ::testing::Values(Size{1024, 768}, Size{1400, 1050}, Size{1920, 1080})),
                         sizeName);

// Which effects need the closing step on real screens: none at 1024 x 768 and
// 1920 x 1080; at 1400 x 1050 the bands of 87 columns (14-16) and the half
// block row (19, 31).
TEST(PieceEffects, ClosingStepOnlyWhereTheGeometryFallsShort) {
    struct Case {
        Size size;
        std::map<int, int> closing;  // effect -> pixels of its closing step
    };
    const Case cases[] = {
        {{1024, 768}, {}},
        {{1920, 1080}, {}},
        {{1360, 768}, {}},
        {{1400, 1050}, {{14, 8 * 1050}, {15, 8 * 1050}, {16, 8 * 1050}, {19, 700 * 10}, {31, 700 * 10}}},
    };
    for (const Case& c : cases) {
        for (int effect = 1; effect <= 32; ++effect) {
            const Plan plan = collect(effect, c.size.w, c.size.h);
            const Collected& last = plan.steps.back();
            const auto expected = c.closing.find(effect);
            ASSERT_EQ(last.closing, expected != c.closing.end()) << "effect " << effect << " at " << c.size.w;
            if (last.closing) {
                int area = 0;
                for (const QRect& r : last.pieces) area += r.width() * r.height();
                EXPECT_EQ(area, expected->second) << "effect " << effect;
            }
        }
    }
    // Blocks: 3675 of 20 x 20 leave the right half of the last 10 rows.
    for (int effect : {19, 31}) {
        const Plan plan = collect(effect, 1400, 1050);
        ASSERT_TRUE(plan.steps.back().closing);
        EXPECT_EQ(plan.steps.back().pieces, std::vector<QRect>{QRect(700, 1040, 700, 10)});
    }
}

TEST(PieceCoverage, MissingPixelsComeOutAsFewDisjointRectangles) {
    PieceCoverage c(10, 6);
    c.mark(QRect(0, 0, 10, 2));  // rows 0-1
    c.mark(QRect(0, 2, 4, 4));   // left block of rows 2-5
    c.mark(QRect(6, 2, 4, 2));   // right block of rows 2-3
    c.mark(QRect(5, 4, 1, 1));   // one pixel splits row 4's gap
    EXPECT_EQ(c.missing(),
              (std::vector<QRect>{QRect(4, 2, 2, 2), QRect(4, 4, 1, 1), QRect(6, 4, 4, 1), QRect(4, 5, 6, 1)}));
    c.mark(QRect(0, 0, 10, 6));
    EXPECT_TRUE(c.missing().empty());
}

// Whole columns, whole rows and other pieces in any mix: exactly the pixels
// no piece reached come out, each once.
TEST(PieceCoverage, AnyMixOfColumnsRowsAndBlocksAgainstAPixelSet) {
    std::mt19937 gen(7);
    for (int round = 0; round < 200; ++round) {
        const int w = 1 + static_cast<int>(gen() % 23), h = 1 + static_cast<int>(gen() % 17);
        PieceCoverage c(w, h);
        std::vector<std::uint8_t> covered(static_cast<std::size_t>(w * h), 0);
        const int pieces = static_cast<int>(gen() % 12);
        for (int k = 0; k < pieces; ++k) {
            QRect r;
            switch (gen() % 3) {
            case 0: r = QRect(static_cast<int>(gen() % w), 0, 1 + static_cast<int>(gen() % 2), h); break;
            case 1: r = QRect(0, static_cast<int>(gen() % h), w, 1 + static_cast<int>(gen() % 2)); break;
            default:
                r = QRect(static_cast<int>(gen() % w), static_cast<int>(gen() % h), 1 + static_cast<int>(gen() % 5),
                          1 + static_cast<int>(gen() % 5));
            }
            r = r.intersected(QRect(0, 0, w, h));
            if (r.isEmpty()) continue;
            c.mark(r);
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x) covered[static_cast<std::size_t>(y * w + x)] = 1;
        }
        std::vector<std::uint8_t> seen = covered;
        for (const QRect& r : c.missing())
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x) {
                    ASSERT_EQ(seen[static_cast<std::size_t>(y * w + x)], 0)
                        << "round " << round << " at " << x << "," << y;
                    seen[static_cast<std::size_t>(y * w + x)] = 1;
                }
        for (std::uint8_t v : seen) ASSERT_EQ(v, 1) << "round " << round;
    }
}

// ---------------------------------------------------------------------------
// Step and pause counts at 1024 x 768 (X = 64, Y = 48, B = 16), worked out by
// hand from each effect's loop and pause rule.

struct CountCase {
    int effect;
    int steps;
    int pauses;
    int units;  // pause length in Delays
};

class StepCountTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(StepCountTest, StepsAndPausesFollowTheRule) {
    const CountCase c = GetParam();
    const int delay = 7;
    const Plan plan = collect(c.effect, 1024, 768, delay);
    int pauses = 0;
    for (const Collected& s : plan.steps) {
        if (s.pauseMs == 0) continue;
        ++pauses;
        EXPECT_EQ(s.pauseMs, c.units * delay);
    }
    EXPECT_EQ(static_cast<int>(plan.steps.size()), c.steps);
    EXPECT_EQ(pauses, c.pauses);
    // Delay 0 makes every effect run without pauses.
    for (const Collected& s : collect(c.effect, 1024, 768, 0).steps) ASSERT_EQ(s.pauseMs, 0);
}

INSTANTIATE_TEST_SUITE_P(
    At1024x768, StepCountTest,
    ::testing::Values(
        CountCase{1, 1024, 128, 1}, CountCase{2, 1024, 128, 1}, CountCase{3, 768, 154, 1}, CountCase{4, 768, 154, 1},
        CountCase{5, 512, 128, 1}, CountCase{6, 512, 128, 1}, CountCase{7, 384, 128, 1}, CountCase{8, 384, 128, 1},
        CountCase{9, 4096, 164, 1}, CountCase{10, 4096, 164, 1}, CountCase{11, 3072, 134, 1},
        CountCase{12, 3072, 134, 1}, CountCase{13, 1024, 128, 1}, CountCase{14, 768, 154, 1}, CountCase{15, 64, 32, 2},
        CountCase{16, 64, 32, 2}, CountCase{17, 48, 48, 1}, CountCase{18, 48, 48, 1}, CountCase{19, 3072, 154, 1},
        CountCase{20, 512, 171, 1}, CountCase{21, 384, 128, 1}, CountCase{22, 1024, 208, 1}, CountCase{23, 768, 156, 1},
        CountCase{24, 512, 172, 1}, CountCase{25, 384, 128, 1}, CountCase{26, 384, 128, 1}, CountCase{27, 1024, 205, 1},
        CountCase{28, 555, 149, 1}, CountCase{29, 641, 151, 1}, CountCase{30, 512, 172, 1}, CountCase{31, 6144, 154, 1},
        CountCase{32, 1024, 64, 1}, CountCase{33, 400, 0, 0}, CountCase{34, 400, 0, 0}, CountCase{35, 102, 99, 3}),
    [](const ::testing::TestParamInfo<CountCase>& p) { return "e" + std::to_string(p.param.effect); });

// ---------------------------------------------------------------------------
// Blocks, bands and lines on particular screens

TEST(PieceEffects, RandomBlockFillUsesTheShuffledBlockArray) {
    const Plan plan = collect(19, 1024, 768);
    ASSERT_EQ(plan.steps.size(), 3072u);
    // The caller's array now holds the order, a permutation of the blocks.
    std::vector<int> sorted = plan.blockOrder;
    std::sort(sorted.begin(), sorted.end());
    for (int k = 0; k < 3072; ++k) ASSERT_EQ(sorted[k], k);
    // The same shuffle, done independently, gives the same order.
    std::vector<int> expected(3072);
    Mt19937 mt;
    mt.seed(5489);
    shuffleOrder(expected.data(), 3072, true, mt);
    EXPECT_EQ(plan.blockOrder, expected);
    for (int k = 0; k < 3072; ++k) {
        ASSERT_EQ(plan.steps[k].pieces.size(), 1u);
        const QRect r = plan.steps[k].pieces[0];
        EXPECT_EQ(r.size(), QSize(16, 16));
        if (plan.blockOrder[k] == 70) {
            EXPECT_EQ(r, QRect(96, 16, 16, 16));
        }
    }
}

TEST(PieceEffects, BlocksOf1400x1050LeaveAHalfLastRow) {
    const Plan plan = collect(19, 1400, 1050);
    int lastRow = 0, blocks = 0;
    for (const Collected& s : plan.steps) {
        if (s.closing) continue;
        ++blocks;
        if (s.pieces.at(0).y() == 1040) ++lastRow;
    }
    EXPECT_EQ(blocks, 3675);
    EXPECT_EQ(lastRow, 35);
}

TEST(PieceEffects, CheckerboardCopiesEveryBlockOnceAlternatingByRow) {
    const Plan plan = collect(31, 1024, 768);
    ASSERT_EQ(plan.steps.size(), 2u * 3072);
    std::vector<int> copies(3072, 0);
    for (std::size_t k = 0; k < plan.steps.size(); ++k) {
        const Collected& s = plan.steps[k];
        ASSERT_LE(s.pieces.size(), 1u);
        if (s.pieces.empty()) continue;
        const int block = (s.pieces[0].y() / 16) * 64 + s.pieces[0].x() / 16;
        ++copies[block];
        const bool firstPass = k < 3072;
        const bool evenRow = (s.pieces[0].y() / 16) % 2 == 0;
        // Pass 1: even blocks of rows 0, 2, .. and odd blocks of rows 1, 3, ..
        EXPECT_EQ(block % 2 == 0, evenRow == firstPass) << k;
    }
    for (int c : copies) ASSERT_EQ(c, 1);
}

TEST(PieceEffects, SnakeBandsOf1052Over1050) {
    const Plan plan = collect(9, 1400, 1050);
    std::set<int> tops;
    for (const Collected& s : plan.steps) {
        ASSERT_EQ(s.pieces.size(), 1u);
        tops.insert(s.pieces[0].y());
        EXPECT_EQ(s.pieces[0].width(), 1);
        EXPECT_EQ(s.pieces[0].height(), s.pieces[0].y() == 789 ? 261 : 263);  // clipped at the bottom
    }
    EXPECT_EQ(tops, (std::set<int>{0, 263, 526, 789}));
    // The snake turns: band 1 runs right to left, band 2 left to right again.
    EXPECT_EQ(plan.steps[1400].pieces[0], QRect(1399, 263, 1, 263));
    EXPECT_EQ(plan.steps[2800].pieces[0], QRect(0, 526, 1, 263));
    // Effect 10 starts at the bottom band on the right.
    EXPECT_EQ(collect(10, 1400, 1050).steps[0].pieces[0], QRect(1399, 789, 1, 261));
    // Effect 12 starts at the right band at the bottom.
    EXPECT_EQ(collect(12, 1400, 1050).steps[0].pieces[0], QRect(1050, 1049, 350, 1));
}

TEST(PieceEffects, BlindsRowsOfBand15OnlyInsideTheShow) {
    // H = 1050 uses Y = 70: bands 0..14 fill the show, band 15 lies below it.
    const Plan plan = collect(17, 1400, 1050);
    ASSERT_EQ(plan.steps.size(), 70u);
    for (const Collected& s : plan.steps) EXPECT_EQ(s.pieces.size(), 15u);
    // H = 768 uses Y = 48 and all 16 bands.
    EXPECT_EQ(collect(17, 1024, 768).steps[0].pieces.size(), 16u);
}

TEST(PieceEffects, ExplodeStartsAtTheCentreSquare) {
    const Plan plan = collect(20, 64, 48);
    EXPECT_EQ(plan.steps[0].pieces, std::vector<QRect>{QRect(31, 23, 2, 2)});
    EXPECT_EQ(plan.steps[1].pieces,
              (std::vector<QRect>{QRect(30, 22, 1, 4), QRect(33, 22, 1, 4), QRect(31, 22, 2, 1), QRect(31, 25, 2, 1)}));
    // Implode fade ends its coarse pass with the 2-row middle piece.
    const Plan fade = collect(29, 64, 48);
    // i = 0, 3, .., 21 (t <= 23), then i = 24 with t = 24 > 23.
    EXPECT_EQ(fade.steps[8].pieces, std::vector<QRect>{QRect(24, 23, 16, 2)});
}

TEST(PieceEffects, SameSeedSamePlanOtherSeedOtherOrder) {
    for (int effect : {19, 27}) {
        const Plan a = collect(effect, 97, 61, 10, 42);
        const Plan b = collect(effect, 97, 61, 10, 42);
        const Plan c = collect(effect, 97, 61, 10, 43);
        ASSERT_EQ(a.steps.size(), b.steps.size());
        bool sameAsB = true, sameAsC = a.steps.size() == c.steps.size();
        for (std::size_t k = 0; k < a.steps.size(); ++k) {
            sameAsB = sameAsB && a.steps[k].pieces == b.steps[k].pieces;
            if (sameAsC) sameAsC = a.steps[k].pieces == c.steps[k].pieces;
        }
        EXPECT_TRUE(sameAsB);
        EXPECT_FALSE(sameAsC);
    }
}

TEST(PieceEffects, AShortBlockArrayIsNotOverrun) {
    std::vector<int> tiny(3, -7);
    Mt19937 mt;
    CRandom cr;
    TransitionRandom random{mt, cr};
    const TransitionGeometry g{64, 48, 8, 0, std::span<int>(tiny)};
    int steps = 0;
    forEachStep(19, g, random, [&](const TransitionStep&) { return ++steps, true; });
    EXPECT_EQ(steps, 48);
    EXPECT_EQ(tiny, std::vector<int>(3, -7));
}

TEST(PieceEffects, AVisitorThatStopsEndsThePlan) {
    int steps = 0;
    Mt19937 mt;
    CRandom cr;
    TransitionRandom random{mt, cr};
    const TransitionGeometry g{97, 61, 16, 10, {}};
    const bool finished = forEachStep(5, g, random, [&](const TransitionStep&) { return ++steps < 10; });
    EXPECT_FALSE(finished);
    EXPECT_EQ(steps, 10);  // and no closing step for the odd middle column
}

// Past 2^26 pixels no coverage map is kept; the closing step is a whole copy.
TEST(PieceEffects, AHugeShowClosesWithAWholeCopy) {
    Mt19937 mt;
    CRandom cr;
    TransitionRandom random{mt, cr};
    const TransitionGeometry g{16384, 4097, 16, 0, {}};
    int steps = 0;
    StepKind lastKind = StepKind::Pieces;
    bool lastClosing = false;
    forEachStep(3, g, random, [&](const TransitionStep& s) {
        ++steps;
        lastKind = s.kind;
        lastClosing = s.closing;
        return true;
    });
    EXPECT_EQ(steps, 4097 + 1);
    EXPECT_EQ(lastKind, StepKind::CopyAll);
    EXPECT_TRUE(lastClosing);
}

TEST(PieceEffects, EffectZeroAndUnknownNumbersCopyThePictureInOnePiece) {
    for (int effect : {0, -1, 36}) {
        const Plan plan = collect(effect, 64, 48);
        ASSERT_EQ(plan.steps.size(), 1u);
        EXPECT_EQ(plan.steps[0].kind, StepKind::CopyAll);
        EXPECT_FALSE(plan.steps[0].dispatch);
    }
    EXPECT_TRUE(collect(1, 0, 48).steps.empty());
}

// ---------------------------------------------------------------------------
// Zoom and blend

// Seeds of the C-library generator whose first value picks each corner.
std::uint32_t seedForCorner(int corner) {
    for (std::uint32_t s = 1;; ++s) {
        CRandom r(s);
        if (4 * r.next() / 32768 == corner) return s;
    }
}

TEST(ZoomEffects, FourHundredFramesAroundTheChosenCorner) {
    const int w = 1024, h = 768;
    for (int corner = 0; corner < 4; ++corner) {
        const bool right = corner % 2 == 1, bottom = corner >= 2;
        const std::uint32_t seed = seedForCorner(corner);
        const Plan in = collect(kZoomIn, w, h, 10, 5489, seed);
        ASSERT_EQ(in.steps.size(), 400u);
        for (int b = 0; b < 400; ++b) {
            const Collected& s = in.steps[b];
            ASSERT_EQ(s.kind, StepKind::Stretch);
            EXPECT_EQ(s.source, QRect(0, 0, w, h));
            EXPECT_EQ(s.destination.size(), QSize(w * (2000 + b) / 2000, h * (2000 + b) / 2000));
            // The chosen corner stays where it is.
            EXPECT_EQ(right ? s.destination.right() : s.destination.left(), right ? w - 1 : 0);
            EXPECT_EQ(bottom ? s.destination.bottom() : s.destination.top(), bottom ? h - 1 : 0);
        }
        EXPECT_EQ(in.steps.back().destination.width(), 1228);  // 1024 * 1.1995, truncated
        const Plan out = collect(kZoomOut, w, h, 10, 5489, seed);
        ASSERT_EQ(out.steps.size(), 400u);
        for (int f = 0; f < 400; ++f) {
            const int b = 399 - f;
            const Collected& s = out.steps[f];
            EXPECT_EQ(s.destination, QRect(0, 0, w, h));
            EXPECT_EQ(s.source.size(), QSize(w * (2000 - b) / 2000, h * (2000 - b) / 2000));
            EXPECT_EQ(s.source.left(), right ? b * w / 2000 : 0);
            EXPECT_EQ(s.source.top(), bottom ? b * h / 2000 : 0);
        }
        EXPECT_EQ(out.steps.back().source, QRect(0, 0, w, h));  // the picture at its true size
    }
}

TEST(BlendEffect, AlphaScheduleThenTwoFinishingBlendsAndThePicture) {
    const Plan plan = collect(kImageBlending, 64, 48, 10);
    ASSERT_EQ(plan.steps.size(), 102u);
    for (int n = 1; n <= 99; ++n) {
        const Collected& s = plan.steps[n - 1];
        ASSERT_EQ(s.kind, StepKind::Blend);
        EXPECT_EQ(s.alpha, n <= 60 ? 5 : n - 55) << n;
        EXPECT_TRUE(s.dispatch);
        EXPECT_EQ(s.pauseMs, 30);
    }
    EXPECT_EQ(plan.steps[99].alpha, 150);
    EXPECT_EQ(plan.steps[100].alpha, 200);
    EXPECT_EQ(plan.steps[101].kind, StepKind::CopyAll);
}

TEST(ZoomEffects, TheFillAfterAZoomOnlyOnA1360Show) {
    EXPECT_TRUE(fillsShowBeforeNextEffect(1360, 33));
    EXPECT_TRUE(fillsShowBeforeNextEffect(1360, 34));
    EXPECT_FALSE(fillsShowBeforeNextEffect(1360, 35));
    EXPECT_FALSE(fillsShowBeforeNextEffect(1366, 33));
    EXPECT_FALSE(fillsShowBeforeNextEffect(1920, 34));
}

TEST(Bands, WidthAndHeight) {
    EXPECT_EQ(bandWidthFor(1400), 87);
    EXPECT_EQ(bandHeightFor(1050), 70);
    EXPECT_EQ(bandHeightFor(1080), 72);
    EXPECT_EQ(bandHeightFor(900), 60);
    EXPECT_EQ(bandHeightFor(600), 40);
    EXPECT_EQ(bandHeightFor(768), 48);
    EXPECT_EQ(bandHeightFor(1200), 75);
}

}  // namespace
}  // namespace orvanta
