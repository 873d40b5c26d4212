#include "base/shuffleorder.h"

#include <utility>

namespace orvanta {

namespace {

// One pass from the top down: j = floor(u * k) lies in 0..k-1, and reaches k
// only when the generator returns exactly 1.0, so the top entry usually moves.
void swapPass(int* a, int n, Mt19937& rng) {
    for (int k = n - 1; k >= 1; --k) {
        const double u = rng.nextReal();
        const int j = static_cast<int>(u * k);
        std::swap(a[k], a[j]);
    }
}

}  // namespace

void shuffleOrder(int* a, int n, bool reset, Mt19937& rng) {
    if (a == nullptr || n <= 0) return;
    if (reset)
        for (int k = 0; k < n; ++k) a[k] = k;
    swapPass(a, n, rng);
    for (int i = 0; i < n / 2; ++i) std::swap(a[i], a[n - 1 - i]);
    swapPass(a, n, rng);
}

}  // namespace orvanta
