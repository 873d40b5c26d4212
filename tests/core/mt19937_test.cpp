#include <gtest/gtest.h>

#include <cstdint>

#include "base/mt19937.h"

namespace orvanta {
namespace {

// The first outputs of the 1998 generator seeded with 4357 by the 69069 rule.
constexpr std::uint32_t kFirstOf4357[] = {0xd13c8af5U, 0xffc27482U, 0x82a6958bU, 0x21ac240aU, 0x09110bbaU};

TEST(Mt19937, SeededWith4357GivesThePublishedOutputs) {
    Mt19937 rng;
    rng.seed(4357);
    for (std::uint32_t expected : kFirstOf4357) EXPECT_EQ(rng.nextUint32(), expected);
}

TEST(Mt19937, AnUnseededDrawSeedsWith4357) {
    Mt19937 rng;
    EXPECT_FALSE(rng.seeded());
    EXPECT_EQ(rng.nextUint32(), kFirstOf4357[0]);
    EXPECT_TRUE(rng.seeded());
    Mt19937 real;
    EXPECT_DOUBLE_EQ(real.nextReal(), kFirstOf4357[0] / 4294967295.0);
}

TEST(Mt19937, RealsAreTheOutputOver4294967295) {
    Mt19937 a, b;
    a.seed(20240601);
    b.seed(20240601);
    for (int i = 0; i < 2000; ++i) {  // crosses the 624-word twist several times
        const std::uint32_t y = a.nextUint32();
        const double u = b.nextReal();
        ASSERT_EQ(u, y / 4294967295.0) << "draw " << i;
        ASSERT_GE(u, 0.0);
        ASSERT_LE(u, 1.0);
    }
}

TEST(Mt19937, ReseedingRestartsTheSequence) {
    Mt19937 rng;
    rng.seed(4357);
    for (int i = 0; i < 700; ++i) rng.nextUint32();
    rng.seed(4357);
    EXPECT_EQ(rng.nextUint32(), kFirstOf4357[0]);
    rng.seed(1);
    EXPECT_NE(rng.nextUint32(), kFirstOf4357[0]);
}

}  // namespace
}  // namespace orvanta
