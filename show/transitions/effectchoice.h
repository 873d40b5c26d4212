#pragma once
// The choice of the transition effect for each picture: a cycle through the
// enabled effects in a random order that is reshuffled at the start of every cycle.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "base/mt19937.h"

namespace orvanta {

struct EffectChoiceState {
    std::array<int, 35> order{};  // candidate order: a permutation of 0..count-1
    std::uint16_t position = 0;   // next position; 0 starts a new cycle
};

// Effect number 1..count for the next picture: enabledFlags[k] != 0 enables
// effect k + 1 (flags beyond the span count as disabled). count is 35 when
// blending is available, else 34 (clamped to 1..35). When no effect among the
// first count is enabled the answer is 0, "copy the picture in one piece", and
// neither the state nor the generator is touched.
//
// When the desktop asks for reduced motion, nothing moves across the screen:
// the answer is the cross-blend (35) when it is available (count 35) and
// enabled, otherwise 0; the state and the generator are left alone.
int chooseEffect(EffectChoiceState& state, std::span<const int> enabledFlags, int count, Mt19937& rng,
                 bool reducedMotion = false);

// Whether a KDE kdeglobals file asks for reduced motion: AnimationDurationFactor
// in its [KDE] group is 0 (animations off). Nothing when the group has no such
// key or its value is not a number, so that another file may answer.
std::optional<bool> kdeReducedMotion(std::string_view kdeglobals);

}  // namespace orvanta
