#include "show/transitions/effectchoice.h"

#include <algorithm>

#include "catalogue/shuffleorder.h"

namespace orvanta {

int chooseEffect(EffectChoiceState& state, std::span<const int> enabledFlags, int count, Mt19937& rng) {
    count = std::clamp(count, 1, static_cast<int>(state.order.size()));
    auto enabled = [&](int candidate) {
        return static_cast<std::size_t>(candidate) < enabledFlags.size() && enabledFlags[candidate] != 0;
    };
    // With nothing enabled the cycle below would search forever; the picture
    // is then copied in one piece, as with Effects off.
    bool any = false;
    for (int k = 0; k < count; ++k) any = any || enabled(k);
    if (!any) return 0;

    // The order is filled afresh and then shuffled without reset: the shuffle
    // draws the same reals either way, and a fresh fill keeps the order a
    // permutation of 0..count-1.
    auto newCycle = [&] {
        state.position = 0;
        for (int k = 0; k < count; ++k) state.order[k] = k;
        shuffleOrder(state.order.data(), count, false, rng);
    };
    auto advance = [&] { state.position = state.position + 1 >= count ? 0 : state.position + 1; };
    if (state.position >= count || state.position == 0) newCycle();
    // A state carried over from another count may hold no enabled candidate;
    // after one lap the cycle starts afresh, so the search always ends.
    int looked = 0;
    while (!enabled(state.order[state.position])) {
        advance();
        if (++looked == count) {
            newCycle();
            looked = 0;
        }
    }
    const int effect = state.order[state.position] + 1;
    advance();
    return effect;
}

}  // namespace orvanta
