// Octree colour quantization.
//
// Every colour walks down from the root, choosing at level L the child named
// by bit (7 - L) of red, green and blue (red x 4 + green x 2 + blue). At the
// tree's depth the walk ends in a leaf that counts the pixel and sums its
// components. Whenever the leaves outnumber the allowed colours, the deepest
// level that still has inner nodes gives up one of them: its children are
// folded into it and it becomes a leaf. Each level keeps its inner nodes in a
// list with the newest in front, so the node created last is folded first;
// that favours the colours seen early in the run, which matters because the
// tree lives for the whole run and is never emptied between pictures.
//
// The table is the average colour of each leaf, in depth-first order.
#include "show/pixels/cquantizer.h"

#include <algorithm>

namespace orvanta {
namespace {

struct Masks {
    std::uint32_t red, green, blue;
};

}  // namespace

CQuantizer::CQuantizer(unsigned maxColors, unsigned colorBits)
    : maxColors_(std::max(maxColors, 1u)), colorBits_(std::clamp(colorBits, 1u, kMaxDepth)) {}

CQuantizer::~CQuantizer() = default;

bool CQuantizer::addBitmap(const WBitmap& bitmap) {
    if (bitmap.isNull()) return false;
    const int bits = bitmap.bitCount();
    const int width = bitmap.width();
    const int height = bitmap.height();
    switch (bits) {
    case 1:
    case 4:
    case 8: {
        // Indexed rows go through the colour table; an index past the end of a
        // short table reads as black rather than past the table.
        const auto& table = bitmap.colorTable();
        const unsigned perByte = 8u / static_cast<unsigned>(bits);
        const unsigned indexMask = (1u << bits) - 1u;
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* row = bitmap.row(y);
            for (int x = 0; x < width; ++x) {
                const unsigned ux = static_cast<unsigned>(x);
                const unsigned shift = (perByte - 1u - ux % perByte) * static_cast<unsigned>(bits);
                const unsigned index = (row[ux / perByte] >> shift) & indexMask;
                if (index < table.size()) {
                    const RgbQuad& c = table[index];
                    addColor(c.red, c.green, c.blue);
                } else {
                    addColor(0, 0, 0);
                }
            }
        }
        return true;
    }
    case 24:
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* p = bitmap.row(y);
            for (int x = 0; x < width; ++x, p += 3) addColor(p[2], p[1], p[0]);
        }
        return true;
    case 16:
    case 32: {
        Masks m = bits == 16 ? Masks{0x7C00, 0x03E0, 0x001F} : Masks{0xFF0000, 0x00FF00, 0x0000FF};
        if (bitmap.bitFields()) m = {bitmap.redMask(), bitmap.greenMask(), bitmap.blueMask()};
        const int bytes = bits / 8;
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* p = bitmap.row(y);
            for (int x = 0; x < width; ++x, p += bytes) {
                std::uint32_t v = p[0] | static_cast<std::uint32_t>(p[1]) << 8;
                if (bytes == 4) v |= static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
                // Widened as the canvas widens them, so that the palette holds
                // the colours the picture is shown with.
                addColor(maskedComponent(v, m.red), maskedComponent(v, m.green), maskedComponent(v, m.blue));
            }
        }
        return true;
    }
    default: return false;
    }
}

void CQuantizer::addColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    std::unique_ptr<Node>* slot = &tree_;
    for (unsigned level = 0;; ++level) {
        if (!*slot) {
            *slot = std::make_unique<Node>();
            Node* created = slot->get();
            if (level == colorBits_) {
                created->leaf = true;
                ++leafCount_;
            } else {
                created->nextReducible = reducible_[level];
                reducible_[level] = created;
            }
        }
        Node& node = **slot;
        if (node.leaf) {
            ++node.pixelCount;
            node.redSum += r;
            node.greenSum += g;
            node.blueSum += b;
            break;
        }
        const unsigned bit = 7u - level;
        const unsigned index = ((r >> bit) & 1u) << 2 | ((g >> bit) & 1u) << 1 | ((b >> bit) & 1u);
        slot = &node.children[index];
    }
    while (leafCount_ > maxColors_ && reduceTree()) {
    }
}

bool CQuantizer::reduceTree() {
    unsigned level = colorBits_ - 1;
    while (level > 0 && reducible_[level] == nullptr) --level;
    Node* node = reducible_[level];
    if (node == nullptr) return false;  // the root is already a leaf
    reducible_[level] = node->nextReducible;
    node->nextReducible = nullptr;

    std::uint32_t children = 0;
    for (auto& child : node->children) {
        if (!child) continue;
        node->pixelCount += child->pixelCount;
        node->redSum += child->redSum;
        node->greenSum += child->greenSum;
        node->blueSum += child->blueSum;
        child.reset();
        ++children;
    }
    node->leaf = true;
    // An inner node always has at least one child, because it was created on
    // the way down to one.
    leafCount_ -= children - 1;
    return true;
}

void CQuantizer::fillColorTable(RgbQuad* table) const {
    if (tree_) fillFrom(*tree_, table);
}

void CQuantizer::fillFrom(const Node& node, RgbQuad*& entry) {
    if (node.leaf) {
        const std::uint64_t n = std::max<std::uint64_t>(node.pixelCount, 1);
        *entry++ = RgbQuad{static_cast<std::uint8_t>(node.blueSum / n), static_cast<std::uint8_t>(node.greenSum / n),
                           static_cast<std::uint8_t>(node.redSum / n), 0};
        return;
    }
    for (const auto& child : node.children)
        if (child) fillFrom(*child, entry);
}

}  // namespace orvanta
