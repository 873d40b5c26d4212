#pragma once
// The shuffle shared by the picture order, the transition choice and the music
// order: two passes of swaps driven by the MT19937 reals, with a reversal
// between them.
#include "base/mt19937.h"

namespace orvanta {

// Shuffles a[0..n-1] in place. With reset set, a[k] = k first. Draws exactly
// 2 * (n - 1) reals from rng (none when n < 2); n <= 0 leaves a untouched.
void shuffleOrder(int* a, int n, bool reset, Mt19937& rng);

}  // namespace orvanta
