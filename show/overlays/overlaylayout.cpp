#include "show/overlays/overlaylayout.h"

#include <algorithm>

namespace orvanta {

QRect messageRect(int msgPlace, QSize text, QSize show, CRandom& random) {
    const int W = show.width(), H = show.height();
    int w = text.width(), h = text.height();
    if (w > W) {
        h = h * (w / W + 3);
        w = 3 * W / 4;
    }
    int x = 0, y = 0;
    switch (msgPlace) {
    case 0: {
        const int r1 = random.next();
        const int r2 = random.next();
        // An empty text measures 0 wide: one slot, at the left edge.
        const int slotCount = w > 0 ? std::max(W / w, 1) : 1;
        x = (r1 % slotCount) * w;
        y = H * (r2 % 9) / 10;
        break;
    }
    case 1: break;
    case 2: x = W / 2 - w / 2; break;
    case 3: x = W - w; break;
    case 4: y = H / 2 - h / 2; break;
    case 5:
        x = W / 2 - w / 2;
        y = H / 2 - h / 2;
        break;
    case 6:
        x = W - w;
        y = H / 2 - h / 2;
        break;
    case 7: y = H - h; break;
    case 8:
        x = W / 2 - w / 2;
        y = H - h;
        break;
    case 9:
        x = W - w;
        y = H - h;
        break;
    default: break;  // codes outside the list, negative ones included
    }
    return {x, y, w, h};
}

QRect captionRect(int captionPlace, QSize text, QSize show) {
    const int W = show.width(), H = show.height();
    const int w = text.width(), h = text.height();
    switch (captionPlace) {
    case 0: return {0, 0, w, h};
    case 1: return {W / 2 - w / 2, 0, w, h};
    case 2: return {W - w, 0, w, h};
    case 4: return {W / 2 - w / 2, H - h, w, h};
    case 5: return {W - w, H - h, w, h};
    default: return {0, H - h, w, h};  // 3, and every code outside the list
    }
}

QRect statusTextRect(QSize text, QSize show, bool captions, int captionPlace) {
    const int x = captions && captionPlace == 3 ? show.width() - text.width() : 0;
    return {x, show.height() - text.height(), text.width(), text.height()};
}

std::string captionText(const std::string& path, bool fullPath, const std::string& date) {
    std::string text;
    if (fullPath) {
        text = path;
    } else {
        const auto slash = path.find_last_of('/');
        text = slash == std::string::npos ? path : path.substr(slash + 1);
        // A leading dot starts a hidden name, not an extension.
        const auto dot = text.find_last_of('.');
        if (dot != std::string::npos && dot > 0) text.erase(dot);
    }
    if (!date.empty()) text += "  " + date;
    return text;
}

}  // namespace orvanta
