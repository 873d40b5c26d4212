#include "show/transitions/transitiontable.h"

namespace orvanta {
namespace {

using F = TransitionFamily;
using A = Axis;
using S = Sweep;
constexpr PauseRule every(int modulus, int units = 1) { return {modulus, units}; }
constexpr PauseRule never() { return {1, 0}; }

// The names are the ones users see on the settings page, typos included
// ("Botton"): they identify the effects in help texts and support reports.
constexpr TransitionInfo kTable[kTransitionCount] = {
    {1, "Wipe Left to Right", F::Lines, A::Columns, S::Forward, every(8), never()},
    {2, "Wipe Right to Left", F::Lines, A::Columns, S::Backward, every(8), never()},
    {3, "Wipe Top to Bottom", F::Lines, A::Rows, S::Forward, every(5), never()},
    {4, "Wipe Bottom to Top", F::Lines, A::Rows, S::Backward, every(5), never()},
    {5, "Wipe Left/Right from Center", F::Lines, A::Columns, S::FromCenter, every(4), never()},
    {6, "Wipe Left/Right toward Center", F::Lines, A::Columns, S::TowardCenter, every(4), never()},
    {7, "Wipe Up/Down from Center", F::Lines, A::Rows, S::FromCenter, every(3), never()},
    {8, "Wipe Up/Down toward Center", F::Lines, A::Rows, S::TowardCenter, every(3), never()},
    {9, "Wipe Left/Right Snake", F::Snake, A::Columns, S::Forward, every(25), never()},
    {10, "Wipe Right/Left Snake", F::Snake, A::Columns, S::Backward, every(25), never()},
    {11, "Wipe Top/Botton Snake", F::Snake, A::Rows, S::Forward, every(23), never()},
    {12, "Wipe Bottom/Top Snake", F::Snake, A::Rows, S::Backward, every(23), never()},
    {13, "Wipe Horizontal Bars", F::Bars, A::Columns, S::Forward, every(8), never()},
    {14, "Wipe Vertical Bars", F::Bars, A::Rows, S::Forward, every(5), never()},
    {15, "Blinds Left to Right", F::Blinds, A::Columns, S::Forward, every(2, 2), never()},
    {16, "Blinds Right to Left", F::Blinds, A::Columns, S::Backward, every(2, 2), never()},
    {17, "Blinds Top to Bottom", F::Blinds, A::Rows, S::Forward, every(1), never()},
    {18, "Blinds Bottom to Top", F::Blinds, A::Rows, S::Backward, every(1), never()},
    {19, "Random Block Fill", F::RandomBlocks, A::Columns, S::Forward, every(20), never()},
    {20, "Explode from Center", F::Explode, A::Columns, S::Backward, every(3), never()},
    {21, "Implode toward Center", F::Implode, A::Columns, S::Forward, every(3), never()},
    {22, "Wipe Left to Right Fade", F::DissolveQuads, A::Columns, S::Forward, every(20), never()},
    {23, "Wipe Top to Bottom Fade", F::DissolveQuads, A::Rows, S::Forward, every(20), never()},
    {24, "Wipe Horizontal Fade", F::DissolvePairs, A::Columns, S::Forward, every(12), never()},
    {25, "Wipe Vertical Fade", F::DissolvePairs, A::Rows, S::Forward, every(12), never()},
    {26, "Wipe Four Corners", F::FourCorners, A::Columns, S::FromCenter, every(3), never()},
    {27, "Random Line Fill", F::RandomLines, A::Columns, S::Forward, every(5), never()},
    {28, "Explode from Center Fade", F::ExplodeFade, A::Columns, S::Backward, every(2), every(6)},
    {29, "Implode toward Center Fade", F::ImplodeFade, A::Columns, S::Forward, every(2), every(6)},
    {30, "Wipe Cross Fade", F::CrossDissolve, A::Columns, S::Forward, every(12), never()},
    {31, "Checkerboard Block Fill", F::Checkerboard, A::Columns, S::Forward, every(40), never()},
    {32, "Cell Grid Fill", F::CellGrid, A::Columns, S::Forward, every(20), never()},
    {33, "Zoom In", F::Zoom, A::Columns, S::Forward, never(), never()},
    {34, "Zoom Out", F::Zoom, A::Columns, S::Backward, never(), never()},
    {35, "Image Blending", F::Blend, A::Columns, S::Forward, every(1, 3), never()},
};

}  // namespace

std::span<const TransitionInfo> transitionTable() { return kTable; }

const TransitionInfo* transitionInfo(int number) {
    if (number < 1 || number > kTransitionCount) return nullptr;
    return &kTable[number - 1];
}

}  // namespace orvanta
