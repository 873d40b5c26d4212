#pragma once
// Octree colour quantizer: collects the colours of any number of bitmaps into
// a tree of at most maxColors leaves and reports one averaged colour per leaf.
// The tree is never emptied between pictures, so the palette reflects every
// picture added so far.
#include "base/WBitmap.h"

#include <array>
#include <cstdint>
#include <memory>

namespace orvanta {

class CQuantizer {
public:
    // An empty tree of depth colorBits (clamped to 1..8) holding at most
    // maxColors leaves (at least 1).
    CQuantizer(unsigned maxColors, unsigned colorBits);
    ~CQuantizer();
    CQuantizer(const CQuantizer&) = delete;
    CQuantizer& operator=(const CQuantizer&) = delete;

    // Adds every pixel of a 1, 4, 8, 16, 24 or 32-bit bitmap. Returns false and
    // adds nothing for an empty bitmap or any other depth.
    bool addBitmap(const WBitmap& bitmap);
    // Adds one pixel of colour (r, g, b), reducing the tree as needed.
    void addColor(std::uint8_t r, std::uint8_t g, std::uint8_t b);

    // Number of leaves, which is the number of entries fillColorTable writes.
    unsigned leafCount() const { return leafCount_; }
    // Writes one entry per leaf, depth first, children in index order; the
    // table must have room for maxColors entries.
    void fillColorTable(RgbQuad* table) const;

private:
    struct Node {
        bool leaf = false;
        // 64-bit so that a long run of large pictures cannot wrap the sums.
        std::uint64_t pixelCount = 0;
        std::uint64_t redSum = 0, greenSum = 0, blueSum = 0;
        std::array<std::unique_ptr<Node>, 8> children;
        Node* nextReducible = nullptr;
    };
    static constexpr unsigned kMaxDepth = 8;

    // Folds the newest inner node of the deepest level into a leaf; false when
    // the tree has no inner node left.
    bool reduceTree();
    static void fillFrom(const Node& node, RgbQuad*& entry);

    std::unique_ptr<Node> tree_;
    std::uint32_t leafCount_ = 0;
    std::array<Node*, kMaxDepth + 1> reducible_{};
    std::uint32_t maxColors_;
    std::uint32_t colorBits_;
};

}  // namespace orvanta
