#include "base/crandom.h"

namespace orvanta {

std::uint32_t showSeed(std::uint32_t t, std::uint32_t ms) { return t + 4357U - ms * (t / 999U); }

}  // namespace orvanta
