#pragma once
// The show's Mersenne Twister, MT19937 as published in 1998: the 69069
// seeding rule, the standard twist and tempering, reals y / 4294967295.0 in
// [0, 1]. A draw from a generator never seeded seeds it with 4357 first.
#include <array>
#include <cstdint>

namespace orvanta {

class Mt19937 {
public:
    void seed(std::uint32_t s);
    std::uint32_t nextUint32();
    double nextReal() { return nextUint32() / 4294967295.0; }
    bool seeded() const { return index_ <= kN; }

private:
    static constexpr int kN = 624;
    std::array<std::uint32_t, kN> mt_{};
    int index_ = kN + 1;  // kN + 1: never seeded
};

}  // namespace orvanta
