#include "show/pixels/palettemode.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

// Nearest-colour mapping. A palette device shows each pixel as the palette
// entry nearest to it, so realizing a palette over a full-screen canvas asks
// the same question for up to two million pixels. Searching all 256 entries
// for each one is too slow, and a cache keyed by a reduced colour (5 bits a
// channel) would give the nearest entry of the cell's centre, not of the
// pixel. Instead, as in the classic inverse-colormap method, each 8x8x8 cell
// of colour space gets, on first use, the short list of entries that can be
// nearest to some colour inside it: an entry whose smallest possible distance
// to the cell exceeds the smallest of all entries' largest distances can never
// win there. The pixel is then searched exactly among that list. The list
// keeps palette order and the search takes only strictly smaller distances,
// so ties still go to the first entry: the first of the tied entries is always
// in the list because its distance bounds its own smallest distance.

namespace orvanta {

namespace {

constexpr int kCellBits = 3;  // 8 levels per channel in a cell
constexpr int kCellsPerAxis = 256 >> kCellBits;
constexpr int kCellCount = kCellsPerAxis * kCellsPerAxis * kCellsPerAxis;

struct Extent {
    int minSq, maxSq;
};

// Smallest and largest squared distance along one axis from value v to the
// interval [lo, hi].
Extent axisExtent(int v, int lo, int hi) {
    int nearest = 0;
    if (v < lo) nearest = lo - v;
    else if (v > hi) nearest = v - hi;
    const int farthest = std::max(std::abs(v - lo), std::abs(v - hi));
    return {nearest * nearest, farthest * farthest};
}

class NearestMap {
public:
    explicit NearestMap(const std::vector<PaletteEntry>& palette)
        : palette_(palette), cellStart_(kCellCount, -1), cellCount_(kCellCount, 0) {}

    std::uint32_t map(std::uint32_t rgb) {
        const int r = static_cast<int>((rgb >> 16) & 0xFF);
        const int g = static_cast<int>((rgb >> 8) & 0xFF);
        const int b = static_cast<int>(rgb & 0xFF);
        const int cell = ((r >> kCellBits) * kCellsPerAxis + (g >> kCellBits)) * kCellsPerAxis + (b >> kCellBits);
        if (cellStart_[cell] < 0) fillCell(cell, r, g, b);
        const std::uint32_t* candidates = pool_.data() + cellStart_[cell];
        std::uint32_t best = candidates[0];
        int bestDistance = std::numeric_limits<int>::max();
        for (int i = 0; i < cellCount_[cell]; ++i) {
            const PaletteEntry& e = palette_[candidates[i]];
            const int dr = r - e.red, dg = g - e.green, db = b - e.blue;
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) {
                bestDistance = d;
                best = candidates[i];
            }
        }
        const PaletteEntry& e = palette_[best];
        return 0xFF000000u | (std::uint32_t{e.red} << 16) | (std::uint32_t{e.green} << 8) | e.blue;
    }

private:
    void fillCell(int cell, int r, int g, int b) {
        const int mask = ~((1 << kCellBits) - 1);
        const int r0 = r & mask, g0 = g & mask, b0 = b & mask;
        const int span = (1 << kCellBits) - 1;
        minDistance_.resize(palette_.size());
        int limit = std::numeric_limits<int>::max();
        for (std::size_t i = 0; i < palette_.size(); ++i) {
            const Extent er = axisExtent(palette_[i].red, r0, r0 + span);
            const Extent eg = axisExtent(palette_[i].green, g0, g0 + span);
            const Extent eb = axisExtent(palette_[i].blue, b0, b0 + span);
            minDistance_[i] = er.minSq + eg.minSq + eb.minSq;
            limit = std::min(limit, er.maxSq + eg.maxSq + eb.maxSq);
        }
        cellStart_[cell] = static_cast<std::int64_t>(pool_.size());
        for (std::size_t i = 0; i < palette_.size(); ++i)
            if (minDistance_[i] <= limit) pool_.push_back(static_cast<std::uint32_t>(i));
        cellCount_[cell] = static_cast<int>(pool_.size() - static_cast<std::size_t>(cellStart_[cell]));
    }

    const std::vector<PaletteEntry>& palette_;
    std::vector<std::int64_t> cellStart_;  // -1 until the cell is first used
    std::vector<int> cellCount_;
    std::vector<std::uint32_t> pool_;
    std::vector<int> minDistance_;
};

}  // namespace

std::vector<PaletteEntry> selectPalette(const std::vector<PaletteEntry>& displayPalette, const WBitmap& picture) {
    if (!displayPalette.empty()) return displayPalette;
    if (!picture.isNull() && picture.bitCount() <= 8 && !picture.colorTable().empty()) {
        std::vector<PaletteEntry> own;
        own.reserve(picture.colorTable().size());
        for (const RgbQuad& q : picture.colorTable()) own.push_back({q.red, q.green, q.blue, 0});
        return own;
    }
    return halftonePalette();
}

void realizePalette(QImage& canvas, const std::vector<PaletteEntry>& palette, QRect area) {
    if (palette.empty() || canvas.isNull()) return;
    const QRect bounds = area.isNull() ? canvas.rect() : area.intersected(canvas.rect());
    if (bounds.isEmpty()) return;
    if (canvas.format() != QImage::Format_RGB32) {
        canvas = canvas.convertToFormat(QImage::Format_RGB32);
        if (canvas.isNull()) return;
    }
    NearestMap nearest(palette);
    for (int y = bounds.top(); y <= bounds.bottom(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(canvas.scanLine(y));
        // Neighbouring pixels often share a colour, so the last answer is
        // kept and flat areas skip the search.
        std::uint32_t lastIn = 0, lastOut = 0;
        bool haveLast = false;
        for (int x = bounds.left(); x <= bounds.right(); ++x) {
            const std::uint32_t in = row[x] & 0xFFFFFFu;
            if (!haveLast || in != lastIn) {
                lastIn = in;
                lastOut = nearest.map(in);
                haveLast = true;
            }
            row[x] = lastOut;
        }
    }
}

}  // namespace orvanta
