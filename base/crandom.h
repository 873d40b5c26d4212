#pragma once
// The C-library-style generator of the show (0..32767): state = state *
// 1103515245 + 12345, result = bits 16 to 30 of the new state. Our own object,
// so a test with a fixed seed gets a fixed sequence whatever the C library does.
#include <cstdint>

namespace orvanta {

class CRandom {
public:
    static constexpr int kMax = 32767;
    explicit CRandom(std::uint32_t seed = 1) : state_(seed) {}
    void seed(std::uint32_t s) { state_ = s; }
    int next() {
        state_ = state_ * 1103515245U + 12345U;
        return static_cast<int>((state_ >> 16) & 0x7FFFU);
    }

private:
    std::uint32_t state_;
};

// The show's seed: t + 4357 - ms * (t div 999) in unsigned 32-bit arithmetic,
// with t the calendar time in seconds rounded to the nearest second and ms the
// milliseconds field of the current time.
std::uint32_t showSeed(std::uint32_t roundedSeconds, std::uint32_t milliseconds);

}  // namespace orvanta
