#pragma once
// A transition as a plan: the steps of one effect over one show geometry,
// produced lazily (an effect at 1920 x 1080 has up to ~8000 steps) and handed
// to a visitor. Pure: the same geometry and generator states give the same steps.
#include <QRect>

#include <functional>
#include <span>

#include "base/crandom.h"
#include "base/mt19937.h"

namespace orvanta {

enum class StepKind {
    Pieces,   // copy each piece of the back buffer to the same place on the screen
    Stretch,  // stretch `source` of the back buffer onto `destination` of the screen
    Blend,    // blend the back buffer over the previous-image buffer with `alpha`,
              // then copy the previous-image buffer to the screen
    CopyAll,  // copy the whole back buffer to the screen
};

struct TransitionStep {
    StepKind kind = StepKind::Pieces;
    std::span<const QRect> pieces;  // Pieces: non-empty, inside (0, 0, W, H); valid during the visit only
    QRect source;                   // Stretch; may stick out of the screen
    QRect destination;              // Stretch; may stick out of the screen
    int alpha = 0;                  // Blend: 0..255
    bool dispatch = true;           // let one event run and check the exit request afterwards
    int pauseMs = 0;                // then sleep this long (a multiple of Delay)
    bool closing = false;           // the pieces the effect's own steps left uncovered
};

struct TransitionGeometry {
    int width = 0;              // W of the show (a 1366-wide screen counts as 1360)
    int height = 0;             // H
    int blockSize = 16;         // B of the block grid
    int delay = 10;             // Delay, milliseconds per pause unit
    std::span<int> blockOrder;  // the show form's block array, (W * H) / B^2 entries
};

struct TransitionRandom {
    Mt19937& mt;       // shuffles (effects 19, 27)
    CRandom& crandom;  // the zoom corner
};

// Return false to stop the plan (the exit request was seen).
using StepVisitor = std::function<bool(const TransitionStep&)>;

// Visits the steps of effect 1..35 in order; any other number (0: Effects off)
// is one CopyAll step. Piece effects end, where their own geometry leaves pixels
// uncovered (sizes that are no multiple of the bands or blocks, an odd middle
// line), with one closing step of the missing rectangles. Returns false when
// the visitor stopped it. An empty geometry visits nothing.
bool forEachStep(int effect, const TransitionGeometry& geometry, TransitionRandom& random, const StepVisitor& visit);

// The width of the band pieces (W / 16) and the height (H / 15 when H is 600,
// 900, 1050 or 1080, else H / 16).
int bandWidthFor(int width);
int bandHeightFor(int height);

// True when the show routine must fill the show rectangle of the screen with
// the background colour before choosing the next effect: a 1360-wide show
// whose previous effect was a zoom.
bool fillsShowBeforeNextEffect(int showWidth, int previousEffect);

}  // namespace orvanta
