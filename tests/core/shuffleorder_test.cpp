#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "base/mt19937.h"
#include "base/shuffleorder.h"

namespace orvanta {
namespace {

// With seed 4357 the reals are 0.817.., 0.999.., 0.510.., 0.131..:
// [0,1,2] -> k=2,j=1 -> [0,2,1] -> k=1,j=0 -> [2,0,1] -> reversed [1,0,2]
// -> k=2,j=1 -> [1,2,0] -> k=1,j=0 -> [2,1,0].
TEST(ShuffleOrder, ThreeEntriesFollowTheTwoPassesByHand) {
    Mt19937 rng;
    rng.seed(4357);
    int a[3] = {7, 7, 7};
    shuffleOrder(a, 3, true, rng);
    EXPECT_EQ(std::vector<int>(a, a + 3), (std::vector<int>{2, 1, 0}));
}

TEST(ShuffleOrder, WithoutResetPermutesTheGivenValues) {
    Mt19937 rng;
    rng.seed(4357);
    int a[3] = {10, 20, 30};
    shuffleOrder(a, 3, false, rng);
    EXPECT_EQ(std::vector<int>(a, a + 3), (std::vector<int>{30, 20, 10}));
}

class ShuffleSizes : public ::testing::TestWithParam<int> {};

TEST_P(ShuffleSizes, GivesAPermutationAndDrawsTwoRealsPerSwapStep) {
    const int n = GetParam();
    Mt19937 rng, reference;
    rng.seed(99);
    reference.seed(99);
    std::vector<int> a(static_cast<std::size_t>(std::max(n, 1)), -5);
    shuffleOrder(a.data(), n, true, rng);
    if (n > 0) {
        std::vector<int> sorted(a.begin(), a.begin() + n);
        std::sort(sorted.begin(), sorted.end());
        std::vector<int> identity(static_cast<std::size_t>(n));
        std::iota(identity.begin(), identity.end(), 0);
        EXPECT_EQ(sorted, identity);
    } else {
        EXPECT_EQ(a[0], -5);  // nothing written
    }
    for (int i = 0; i < 2 * std::max(n - 1, 0); ++i) reference.nextUint32();
    EXPECT_EQ(rng.nextUint32(), reference.nextUint32());
}

INSTANTIATE_TEST_SUITE_P(Sizes, ShuffleSizes, ::testing::Values(-1, 0, 1, 2, 3, 17, 1000));

// Every entry should be able to land everywhere: over many shuffles of 4,
// each position sees each value.
TEST(ShuffleOrder, EveryValueReachesEveryPosition) {
    Mt19937 rng;
    rng.seed(12345);
    int seen[4][4] = {};
    for (int round = 0; round < 400; ++round) {
        int a[4];
        shuffleOrder(a, 4, true, rng);
        for (int p = 0; p < 4; ++p) ++seen[p][a[p]];
    }
    for (int p = 0; p < 4; ++p)
        for (int v = 0; v < 4; ++v) EXPECT_GT(seen[p][v], 40) << "position " << p << " value " << v;
}

}  // namespace
}  // namespace orvanta
