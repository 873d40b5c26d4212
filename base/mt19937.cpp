#include "base/mt19937.h"

namespace orvanta {

namespace {
constexpr int kM = 397;
constexpr std::uint32_t kMatrixA = 0x9908b0dfU;
constexpr std::uint32_t kUpperMask = 0x80000000U;
constexpr std::uint32_t kLowerMask = 0x7fffffffU;
}  // namespace

void Mt19937::seed(std::uint32_t s) {
    mt_[0] = s;
    for (int i = 1; i < kN; ++i) mt_[i] = 69069U * mt_[i - 1];
    index_ = kN;
}

std::uint32_t Mt19937::nextUint32() {
    static constexpr std::uint32_t mag01[2] = {0x0U, kMatrixA};
    if (index_ >= kN) {
        if (index_ == kN + 1) seed(4357);
        int k = 0;
        for (; k < kN - kM; ++k) {
            const std::uint32_t y = (mt_[k] & kUpperMask) | (mt_[k + 1] & kLowerMask);
            mt_[k] = mt_[k + kM] ^ (y >> 1) ^ mag01[y & 1U];
        }
        for (; k < kN - 1; ++k) {
            const std::uint32_t y = (mt_[k] & kUpperMask) | (mt_[k + 1] & kLowerMask);
            mt_[k] = mt_[k + (kM - kN)] ^ (y >> 1) ^ mag01[y & 1U];
        }
        const std::uint32_t y = (mt_[kN - 1] & kUpperMask) | (mt_[0] & kLowerMask);
        mt_[kN - 1] = mt_[kM - 1] ^ (y >> 1) ^ mag01[y & 1U];
        index_ = 0;
    }
    std::uint32_t y = mt_[index_++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9d2c5680U;
    y ^= (y << 15) & 0xefc60000U;
    y ^= y >> 18;
    return y;
}

}  // namespace orvanta
