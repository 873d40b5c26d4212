#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <vector>

#include "catalogue/shuffleorder.h"
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

}  // namespace
}  // namespace orvanta
