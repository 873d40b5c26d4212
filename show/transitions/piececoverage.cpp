#include "show/transitions/piececoverage.h"

#include <cstring>

namespace orvanta {

PieceCoverage::PieceCoverage(int w, int h)
    : w_(w),
      h_(h),
      map_(static_cast<std::size_t>(w) * h, 0),
      fullColumns_(static_cast<std::size_t>(w), 0),
      fullRows_(static_cast<std::size_t>(h), 0) {}

void PieceCoverage::mark(const QRect& r) {
    if (r.height() == h_) {
        std::memset(&fullColumns_[static_cast<std::size_t>(r.left())], 1, static_cast<std::size_t>(r.width()));
        return;
    }
    if (r.width() == w_) {
        std::memset(&fullRows_[static_cast<std::size_t>(r.top())], 1, static_cast<std::size_t>(r.height()));
        return;
    }
    for (int y = r.top(); y <= r.bottom(); ++y)
        std::memset(&map_[static_cast<std::size_t>(y) * w_ + r.left()], 1, r.width());
}

// Rectangles stay open while the next row has a run of exactly the same
// columns; any other run of the row closes the open ones to its left.
std::vector<QRect> PieceCoverage::missing() const {
    struct Open {
        int x, w, y0;
    };
    std::vector<QRect> out;
    std::vector<Open> open, next;
    std::vector<std::uint8_t> merged(static_cast<std::size_t>(w_));
    auto closeAt = [&out](const Open& r, int y) { out.emplace_back(r.x, r.y0, r.w, y - r.y0); };
    for (int y = 0; y < h_; ++y) {
        // The row as covered by its own pieces and by the whole columns.
        const std::uint8_t* mapped = &map_[static_cast<std::size_t>(y) * w_];
        std::uint8_t* row = merged.data();
        for (int x = 0; x < w_; ++x)
            row[x] = static_cast<std::uint8_t>(mapped[x] | fullColumns_[static_cast<std::size_t>(x)]);
        next.clear();
        std::size_t o = 0;
        if (!fullRows_[static_cast<std::size_t>(y)] && std::memchr(row, 0, w_) != nullptr) {
            for (int x = 0; x < w_;) {
                if (row[x]) {
                    ++x;
                    continue;
                }
                int end = x;
                while (end < w_ && !row[end]) ++end;
                for (; o < open.size() && open[o].x < x; ++o) closeAt(open[o], y);
                if (o < open.size() && open[o].x == x && open[o].w == end - x) next.push_back(open[o++]);
                else next.push_back({x, end - x, y});
                x = end;
            }
        }
        for (; o < open.size(); ++o) closeAt(open[o], y);
        open.swap(next);
    }
    for (const Open& r : open) closeAt(r, h_);
    return out;
}

}  // namespace orvanta
