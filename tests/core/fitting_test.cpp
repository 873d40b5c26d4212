// Fitting and placement: the stretching modes, the enlargement limits, the
// reduced-on-decode rule and random placement.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "settings/settingstable.h"
#include "show/pixels/fitting.h"

namespace orvanta {
namespace {

enum class Mode { Stretch, Proportional, Plain, Shrink, Tiled };

Settings settingsFor(Mode mode, int propLimit = 0) {
    Settings s;
    s.Stretch = mode == Mode::Stretch;
    s.Proportional = mode == Mode::Proportional;
    s.Shrink = mode == Mode::Shrink;
    s.Tiled = mode == Mode::Tiled;
    s.PropLimit = propLimit;
    s.propLimitFactor = propLimitFactor(propLimit);
    return s;
}

struct FitCase {
    const char* name;
    Mode mode;
    int propLimit;
    QSize picture;
    bool reduced;
    QRect expected;
    bool scaled;
};

class FittingExamples : public ::testing::TestWithParam<FitCase> {};

TEST_P(FittingExamples, DestinationOnA1024x768Show) {
    const FitCase& c = GetParam();
    CRandom random(1);
    const Fitting fit = fitPicture(FittingRules::of(settingsFor(c.mode, c.propLimit)), QSize(1024, 768), c.picture,
                                   c.reduced, random);
    EXPECT_EQ(fit.destination, c.expected);
    EXPECT_EQ(fit.scaled, c.scaled);
}

// The size alone, as decoding asks it, with random placement on: the same
// size, and no value drawn.
TEST_P(FittingExamples, SizeAloneIsTheDestinationsSize) {
    const FitCase& c = GetParam();
    FittingRules rules = FittingRules::of(settingsFor(c.mode, c.propLimit));
    rules.randomPlacement = true;
    EXPECT_EQ(fittedSize(rules, QSize(1024, 768), c.picture, c.reduced), c.expected.size());
}

INSTANTIATE_TEST_SUITE_P(
    ShowModes, FittingExamples,
    ::testing::Values(
        FitCase{"ShrinkFits", Mode::Shrink, 0, {640, 480}, false, {192, 144, 640, 480}, false},
        FitCase{"ShrinkTooWide", Mode::Shrink, 0, {2048, 768}, false, {0, 192, 1024, 384}, true},
        FitCase{"ShrinkReducedOnDecode", Mode::Shrink, 0, {640, 480}, true, {0, 0, 1024, 768}, true},
        FitCase{"ShrinkExactlyTheScreen", Mode::Shrink, 0, {1024, 768}, false, {0, 0, 1024, 768}, false},
        FitCase{"ShrinkOnePixelTooHigh", Mode::Shrink, 0, {1024, 769}, false, {1, 0, 1022, 768}, true},
        FitCase{"Limit1_5", Mode::Proportional, 1, {320, 240}, false, {272, 204, 480, 360}, true},
        FitCase{"Limit2", Mode::Proportional, 2, {320, 240}, false, {192, 144, 640, 480}, true},
        FitCase{"Limit5", Mode::Proportional, 5, {100, 100}, false, {262, 134, 500, 500}, true},
        FitCase{"LimitScreen", Mode::Proportional, 0, {320, 240}, false, {0, 0, 1024, 768}, true},
        FitCase{"LimitOutOfRange", Mode::Proportional, 9, {320, 240}, false, {0, 0, 1024, 768}, true},
        FitCase{"ProportionalShrinksToo", Mode::Proportional, 1, {4000, 1000}, false, {0, 256, 1024, 256}, true},
        FitCase{"TiledFits", Mode::Tiled, 0, {300, 200}, false, {362, 284, 300, 200}, false},
        FitCase{"TiledTooLarge", Mode::Tiled, 0, {1280, 1024}, false, {32, 0, 960, 768}, true},
        FitCase{"TiledReduced", Mode::Tiled, 0, {300, 200}, true, {0, 43, 1024, 682}, true},
        FitCase{"PlainLargerThanScreen", Mode::Plain, 0, {2000, 500}, false, {0, 134, 2000, 500}, false},
        FitCase{"StretchIgnoresProportions", Mode::Stretch, 0, {320, 100}, false, {0, 0, 1024, 768}, true}),
    [](const ::testing::TestParamInfo<FitCase>& p) { return std::string(p.param.name); });

TEST(PropLimitFactor, IndexTable) {
    const float expected[] = {5000.0f, 1.5f, 2.0f, 3.0f, 4.0f, 5.0f};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(propLimitFactor(i), expected[i]) << i;
    EXPECT_EQ(propLimitFactor(6), 5000.0f);
    EXPECT_EQ(propLimitFactor(-1), 5000.0f);
}

TEST(RandomPlacement, UsesTwoFreshValuesScaledTo32767) {
    Settings s = settingsFor(Mode::Shrink);
    s.RanLocDisp = true;
    CRandom random(42), mirror(42);
    for (int i = 0; i < 50; ++i) {
        const Fitting fit = fitPicture(FittingRules::of(s), QSize(1024, 768), QSize(300, 200), false, random);
        const int rx = mirror.next(), ry = mirror.next();
        EXPECT_EQ(fit.destination, QRect(724 * rx / 32767, 568 * ry / 32767, 300, 200));
    }
}

TEST(RandomPlacement, ScreenSizedOrLargerGoesToTheOrigin) {
    Settings s = settingsFor(Mode::Plain);
    s.RanLocDisp = true;
    CRandom random(7);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(
            fitPicture(FittingRules::of(s), QSize(1024, 768), QSize(1024, 768), false, random).destination.topLeft(),
            QPoint(0, 0));
        EXPECT_EQ(
            fitPicture(FittingRules::of(s), QSize(1024, 768), QSize(3000, 2000), false, random).destination.topLeft(),
            QPoint(0, 0));
    }
}

TEST(RandomPlacement, ExtremeValuesReachBothEdges) {
    // Over many draws the picture stays on the screen and reaches its far side.
    Settings s = settingsFor(Mode::Plain);
    s.RanLocDisp = true;
    CRandom random(1);
    int maxX = 0;
    for (int i = 0; i < 2000; ++i) {
        const QRect d = fitPicture(FittingRules::of(s), QSize(1920, 1080), QSize(20, 10), false, random).destination;
        ASSERT_GE(d.left(), 0);
        ASSERT_LE(d.right(), 1919);
        ASSERT_LE(d.bottom(), 1079);
        maxX = std::max(maxX, d.left());
    }
    EXPECT_GT(maxX, 1800);
}

TEST(Fitting, DegeneratePictureDoesNotDivideByZero) {
    CRandom random(1);
    const Fitting fit = fitPicture(FittingRules::of(settingsFor(Mode::Proportional)), QSize(1024, 768), QSize(0, 0),
                                   false, random);
    EXPECT_TRUE(fit.destination.isEmpty());
}

}  // namespace
}  // namespace orvanta
