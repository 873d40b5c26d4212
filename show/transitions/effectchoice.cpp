#include "show/transitions/effectchoice.h"

#include <algorithm>
#include <charconv>

#include "base/shuffleorder.h"

namespace orvanta {

int chooseEffect(EffectChoiceState& state, std::span<const int> enabledFlags, int count, Mt19937& rng,
                 bool reducedMotion) {
    count = std::clamp(count, 1, static_cast<int>(state.order.size()));
    auto enabled = [&](int candidate) {
        return static_cast<std::size_t>(candidate) < enabledFlags.size() && enabledFlags[candidate] != 0;
    };
    if (reducedMotion) {
        constexpr int kBlend = 35;
        return count == kBlend && enabled(kBlend - 1) ? kBlend : 0;
    }
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

namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::optional<bool> kdeReducedMotion(std::string_view kdeglobals) {
    std::optional<bool> answer;
    bool inKde = false;
    while (!kdeglobals.empty()) {
        const auto end = kdeglobals.find('\n');
        const std::string_view line = trimmed(kdeglobals.substr(0, end));
        kdeglobals = end == std::string_view::npos ? std::string_view() : kdeglobals.substr(end + 1);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            // "[KDE][Sub]" is a group of its own.
            inKde = line == "[KDE]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inKde || equals == std::string_view::npos) continue;
        std::string_view key = trimmed(line.substr(0, equals));
        // A key may carry flags such as "[$i]" (immutable).
        if (const auto flags = key.find('['); flags != std::string_view::npos) key = trimmed(key.substr(0, flags));
        if (key != "AnimationDurationFactor") continue;
        // Written with a decimal point whatever the locale.
        const std::string_view value = trimmed(line.substr(equals + 1));
        double factor = 1.0;
        const auto [rest, error] = std::from_chars(value.data(), value.data() + value.size(), factor);
        if (value.empty() || error != std::errc() || rest != value.data() + value.size()) continue;
        answer = factor == 0.0;  // the last entry of the group wins, as KDE reads it
    }
    return answer;
}

}  // namespace orvanta
