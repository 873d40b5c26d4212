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

struct ScaledSize {
    QSize size;
    bool scaled;
};

ScaledSize scaledSize(const FittingRules& rules, QSize show, QSize picture, bool reducedOnDecode) {
    const int W = show.width(), H = show.height();
    const int w = picture.width(), h = picture.height();
    if (rules.scaling.stretch) return {show, true};

    bool scaled;
    if (rules.scaling.shrinkOnly) scaled = !(W >= w && H >= h && !reducedOnDecode);
    else scaled = rules.scaling.proportional;

    int w2 = w, h2 = h;
    if (scaled && w > 0 && h > 0) {
        // Single precision throughout, so that sizes come out exactly as the
        // stored limits and the truncation toward zero make them.
        const float vertical = static_cast<float>(H) / static_cast<float>(h);
        const float horizontal = static_cast<float>(W) / static_cast<float>(w);
        float factor = horizontal < vertical ? horizontal : vertical;
        if (factor > rules.enlargementLimit) factor = rules.enlargementLimit;
        w2 = static_cast<int>(static_cast<float>(w) * factor);
        h2 = static_cast<int>(static_cast<float>(h) * factor);
    }
    return {QSize(w2, h2), scaled};
}

}  // namespace

ShowFitting ShowFitting::of(const Settings& settings) {
    return {settings.Stretch, settings.Proportional, settings.Shrink || settings.Tiled};
}

FittingRules FittingRules::of(const Settings& settings) {
    return {ShowFitting::of(settings), settings.propLimitFactor, settings.RanLocDisp};
}

Fitting fitPicture(const FittingRules& rules, QSize show, QSize picture, bool reducedOnDecode, CRandom& random) {
    if (rules.scaling.stretch) return {QRect(QPoint(0, 0), show), true};
    const int W = show.width(), H = show.height();
    const ScaledSize size = scaledSize(rules, show, picture, reducedOnDecode);

    int x, y;
    if (rules.randomPlacement) {
        const int rx = random.next();
        const int ry = random.next();
        x = randomOffset(W, size.size.width(), rx);
        y = randomOffset(H, size.size.height(), ry);
    } else {
        x = centredOffset(W, size.size.width());
        y = centredOffset(H, size.size.height());
    }
    return {QRect(QPoint(x, y), size.size), size.scaled};
}

QSize fittedSize(const FittingRules& rules, QSize show, QSize picture, bool reducedOnDecode) {
    return scaledSize(rules, show, picture, reducedOnDecode).size;
}

}  // namespace orvanta
