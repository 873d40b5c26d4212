#pragma once
// Which pixels of a show the pieces of a transition have reached so far, and
// the rest as rectangles: what the closing step of a piece effect copies.
#include <QRect>

#include <cstdint>
#include <vector>

namespace orvanta {

class PieceCoverage {
public:
    // One byte per pixel of a w x h show; the caller bounds the size. Pieces
    // that span the whole height or the whole width (columns and rows, most
    // of what the effects copy) are kept as one flag per column or row
    // instead, so that marking a column does not touch a byte on every row.
    PieceCoverage(int w, int h);

    // r must lie inside the show.
    void mark(const QRect& r);

    // The pixels not yet marked, as disjoint rectangles in row order; a strip
    // that is missing on consecutive rows comes out as one rectangle.
    std::vector<QRect> missing() const;

private:
    int w_, h_;
    std::vector<std::uint8_t> map_;
    std::vector<std::uint8_t> fullColumns_;  // 1: the column is covered top to bottom
    std::vector<std::uint8_t> fullRows_;     // 1: the row is covered edge to edge
};

}  // namespace orvanta
