#include "show/pixels/fitting.h"

#include <cstdint>

namespace orvanta {

namespace {

// Offset of a length inside a room: the whole room's slack times r / 32767,
// or 0 when the length does not fit. 64 bits: slack x 32767 may pass 2^31.
int randomOffset(int room, int length, int r) {
    if (length > room) return 0;
    return static_cast<int>(std::int64_t{room - length} * r / CRandom::kMax);
}

int centredOffset(int room, int length) { return length > room ? 0 : (room - length) / 2; }

}  // namespace

Fitting fitPicture(const Settings& settings, QSize show, QSize picture, bool reducedOnDecode, CRandom& random) {
    const int W = show.width(), H = show.height();
    const int w = picture.width(), h = picture.height();
    if (settings.Stretch) return {QRect(0, 0, W, H), true};

    bool scaled;
    if (settings.Shrink || settings.Tiled) scaled = !(W >= w && H >= h && !reducedOnDecode);
    else scaled = settings.Proportional;

    int w2 = w, h2 = h;
    if (scaled && w > 0 && h > 0) {
        // Single precision throughout, so that sizes come out exactly as the
        // stored limits and the truncation toward zero make them.
        const float vertical = static_cast<float>(H) / static_cast<float>(h);
        const float horizontal = static_cast<float>(W) / static_cast<float>(w);
        float factor = horizontal < vertical ? horizontal : vertical;
        if (factor > settings.propLimitFactor) factor = settings.propLimitFactor;
        w2 = static_cast<int>(static_cast<float>(w) * factor);
        h2 = static_cast<int>(static_cast<float>(h) * factor);
    }

    int x, y;
    if (settings.RanLocDisp) {
        const int rx = random.next();
        const int ry = random.next();
        x = randomOffset(W, w2, rx);
        y = randomOffset(H, h2, ry);
    } else {
        x = centredOffset(W, w2);
        y = centredOffset(H, h2);
    }
    return {QRect(x, y, w2, h2), scaled};
}

}  // namespace orvanta
