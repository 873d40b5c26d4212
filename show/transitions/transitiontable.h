#pragma once
// The 35 transition effects as data: number, name as the settings page lists
// it, the shape of their steps (family, axis, sweep) and their pause rules.
// The planner (transitionplan.h) turns a row into steps.
#include <span>

#include "settings/settings.h"  // kTransitionCount

namespace orvanta {

inline constexpr int kZoomIn = 33;
inline constexpr int kZoomOut = 34;
inline constexpr int kImageBlending = 35;

// The families of effects; each comment names the effect numbers it draws.
enum class TransitionFamily {
    Lines,          // 1-8: one column or row per step, or a mirrored pair
    Snake,          // 9-12: four bands swept back and forth
    Bars,           // 13-14: sixteen bands, even ones one way, odd ones the other
    Blinds,         // 15-18: the same line in each of sixteen bands
    RandomBlocks,   // 19
    Explode,        // 20
    Implode,        // 21
    DissolveQuads,  // 22-23: four interleaved passes, every fourth line
    DissolvePairs,  // 24-25: two passes of line pairs
    FourCorners,    // 26
    RandomLines,    // 27
    ExplodeFade,    // 28: coarse explosion, then fine implosion
    ImplodeFade,    // 29: coarse implosion, then fine explosion
    CrossDissolve,  // 30: two passes of column and row quadruples
    Checkerboard,   // 31
    CellGrid,       // 32
    Zoom,           // 33-34
    Blend,          // 35
};

// Columns: pieces are 1 pixel wide (or the sweep runs across x); Rows: 1 pixel high.
enum class Axis { Columns, Rows };

// Forward: increasing counter (Zoom In); Backward: decreasing (Zoom Out,
// the second snake of each pair); the centre sweeps copy a mirrored pair.
enum class Sweep { Forward, Backward, FromCenter, TowardCenter };

// After a step whose counter c has c % modulus == 0, pause units x Delay
// milliseconds; units 0 means never.
struct PauseRule {
    int modulus = 1;
    int units = 0;
};

struct TransitionInfo {
    int number;
    const char* name;
    TransitionFamily family;
    Axis axis;
    Sweep sweep;
    PauseRule pause;      // the rule of the (first) pass
    PauseRule finePause;  // the fine second pass of 28 and 29
};

// The whole table in number order (entry k is effect k + 1).
std::span<const TransitionInfo> transitionTable();

// Row of effect number 1..35; nullptr for any other number.
const TransitionInfo* transitionInfo(int number);

}  // namespace orvanta
