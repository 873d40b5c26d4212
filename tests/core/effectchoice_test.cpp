#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <vector>

#include "base/shuffleorder.h"
#include "settings/encodings.h"
#include "show/transitions/effectchoice.h"

namespace orvanta {
namespace {

std::vector<int> choose(EffectChoiceState& state, const std::array<int, 35>& flags, int count, Mt19937& rng,
                        int times) {
    std::vector<int> out;
    for (int k = 0; k < times; ++k) out.push_back(chooseEffect(state, flags, count, rng));
    return out;
}

std::array<int, 35> allEnabled() {
    std::array<int, 35> f;
    f.fill(1);
    return f;
}

class EffectCycleTest : public ::testing::TestWithParam<int> {};

// Each cycle of count pictures shows every effect once, in the order of the
// shuffled candidates, and the next cycle is shuffled afresh.
TEST_P(EffectCycleTest, EveryEffectOncePerCycleInTheShuffledOrder) {
    const int count = GetParam();
    EffectChoiceState state;
    Mt19937 rng, reference;
    rng.seed(2024);
    reference.seed(2024);
    const auto flags = allEnabled();
    std::vector<int> expected;
    for (int cycle = 0; cycle < 3; ++cycle) {
        std::vector<int> order(count);
        std::iota(order.begin(), order.end(), 0);
        shuffleOrder(order.data(), count, false, reference);
        for (int c : order) expected.push_back(c + 1);
    }
    const std::vector<int> got = choose(state, flags, count, rng, 3 * count);
    EXPECT_EQ(got, expected);
    std::vector<int> first(got.begin(), got.begin() + count), second(got.begin() + count, got.begin() + 2 * count);
    EXPECT_NE(first, second);
    std::sort(first.begin(), first.end());
    std::sort(second.begin(), second.end());
    for (int k = 0; k < count; ++k) {
        EXPECT_EQ(first[k], k + 1);
        EXPECT_EQ(second[k], k + 1);
    }
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutBlending, EffectCycleTest, ::testing::Values(35, 34));

TEST(EffectChoice, OnlyEffect7MeansAlways7) {
    std::array<int, 35> flags{};
    flags[6] = 1;
    for (int count : {34, 35}) {
        EffectChoiceState state;
        Mt19937 rng;
        rng.seed(7);
        for (int e : choose(state, flags, count, rng, 100)) ASSERT_EQ(e, 7);
    }
}

TEST(EffectChoice, BlendingIsNeverChosenWithoutBlending) {
    EffectChoiceState state;
    Mt19937 rng;
    rng.seed(11);
    const auto got = choose(state, allEnabled(), 34, rng, 34 * 10);
    EXPECT_EQ(std::count(got.begin(), got.end(), 35), 0);
    // Only blending enabled but unavailable: nothing to choose, one-piece copy.
    std::array<int, 35> onlyBlend{};
    onlyBlend[34] = 1;
    EXPECT_EQ(chooseEffect(state, onlyBlend, 34, rng), 0);
    EXPECT_EQ(chooseEffect(state, onlyBlend, 35, rng), 35);
}

TEST(EffectChoice, DisabledEffectsAreSkippedWithinTheCycle) {
    std::array<int, 35> flags{};
    std::vector<int> enabled;
    for (int k = 0; k < 35; k += 3) {
        flags[k] = 1;
        enabled.push_back(k + 1);
    }
    EffectChoiceState state;
    Mt19937 rng;
    rng.seed(99);
    const int n = static_cast<int>(enabled.size());
    for (int cycle = 0; cycle < 4; ++cycle) {
        std::vector<int> got = choose(state, flags, 35, rng, n);
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, enabled) << "cycle " << cycle;
    }
}

TEST(EffectChoice, NothingEnabledCopiesInOnePieceAndTouchesNothing) {
    std::array<int, 35> none{};
    EffectChoiceState state;
    state.position = 3;
    state.order[3] = 12;
    Mt19937 rng, untouched;
    rng.seed(5);
    untouched.seed(5);
    for (int count : {34, 35}) EXPECT_EQ(chooseEffect(state, none, count, rng), 0);
    EXPECT_EQ(chooseEffect(state, std::span<const int>(), 35, rng), 0);
    EXPECT_EQ(state.position, 3);
    EXPECT_EQ(state.order[3], 12);
    EXPECT_EQ(rng.nextUint32(), untouched.nextUint32());
}

TEST(EffectChoice, AStateFromAnotherCountStillFindsAnEffect) {
    // A cycle begun with 34 candidates, continued with only effect 35 enabled.
    EffectChoiceState state;
    Mt19937 rng;
    rng.seed(3);
    choose(state, allEnabled(), 34, rng, 5);
    std::array<int, 35> onlyBlend{};
    onlyBlend[34] = 1;
    EXPECT_EQ(chooseEffect(state, onlyBlend, 35, rng), 35);
}

// Reduced motion: the cross-blend when it is switched on and available,
// otherwise the picture at once; the cycle's state and the generator are
// left alone either way.
struct ReducedMotionRow {
    const char* switches;  // the Transitions string
    int count;             // 35 with blending available, else 34
    int effect;
};

class ReducedMotionTest : public ::testing::TestWithParam<ReducedMotionRow> {};

TEST_P(ReducedMotionTest, BlendOrNothing) {
    const ReducedMotionRow row = GetParam();
    std::array<int, 35> flags{};
    readTransitions(row.switches, row.count, flags.data());
    EffectChoiceState state;
    state.position = 4;
    state.order[4] = 9;
    Mt19937 rng, untouched;
    rng.seed(17);
    untouched.seed(17);
    for (int picture = 0; picture < 40; ++picture)
        ASSERT_EQ(chooseEffect(state, flags, row.count, rng, true), row.effect) << "picture " << picture;
    EXPECT_EQ(state.position, 4);
    EXPECT_EQ(state.order[4], 9);
    EXPECT_EQ(rng.nextUint32(), untouched.nextUint32());
}

const std::string kAllOn(35, '1');
const std::string kBlendOff = std::string(34, '1') + "0";
const std::string kOnlyBlend = std::string(34, '0') + "1";
const std::string kOnlyWipe = "1" + std::string(34, '0');
const std::string kAllOff(35, '0');

INSTANTIATE_TEST_SUITE_P(
    Switches, ReducedMotionTest,
    ::testing::Values(ReducedMotionRow{kAllOn.c_str(), 35, 35}, ReducedMotionRow{kOnlyBlend.c_str(), 35, 35},
                      ReducedMotionRow{kBlendOff.c_str(), 35, 0}, ReducedMotionRow{kOnlyWipe.c_str(), 35, 0},
                      ReducedMotionRow{kAllOff.c_str(), 35, 0}, ReducedMotionRow{"", 35, 0},  // a short string: all off
                      ReducedMotionRow{kAllOn.c_str(), 34, 0}));                              // no blending here

// kdeglobals: only [KDE]'s AnimationDurationFactor, and only 0, asks for it.
TEST(KdeReducedMotion, FromTheKdeGroupOnly) {
    const struct {
        const char* text;
        std::optional<bool> reduced;
    } rows[] = {
        {"[KDE]\nAnimationDurationFactor=0\n", true},
        {"[General]\nx=1\n\n[KDE]\r\n  AnimationDurationFactor = 0.0 \r\nSingleClick=false\n", true},
        {"[KDE]\nAnimationDurationFactor[$i]=0", true},
        {"[KDE]\nAnimationDurationFactor=0.5\n", false},
        {"[KDE]\nAnimationDurationFactor=0\nAnimationDurationFactor=1\n", false},  // the last one counts
        {"[KDE]\nAnimationDurationFactor=\n", std::nullopt},
        {"[KDE]\nAnimationDurationFactor=0,0\n", std::nullopt},
        {"[KDE]\n# AnimationDurationFactor=0\n", std::nullopt},
        {"[General]\nAnimationDurationFactor=0\n", std::nullopt},
        {"[KDE][Sub]\nAnimationDurationFactor=0\n", std::nullopt},
        {"AnimationDurationFactor=0\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& row : rows) EXPECT_EQ(kdeReducedMotion(row.text), row.reduced) << row.text;
}

}  // namespace
}  // namespace orvanta
