#pragma once
// Where a picture lands on the show rectangle: the stretching settings
// (Stretch, Proportional with its enlargement limit, Shrink Only, Tiled) and
// the placement (centred or random).
#include <QRect>
#include <QSize>

#include "base/crandom.h"
#include "settings/settings.h"

namespace orvanta {

struct Fitting {
    QRect destination;    // where the picture is drawn, relative to the show rectangle
    bool scaled = false;  // drawn by a stretch (always with Stretch on) rather than copied
};

// Fits a w x h picture (picture) onto a W x H show (show). reducedOnDecode
// marks a picture decoded at a reduced scale: it never counts as fitting.
// Uses settings.propLimitFactor. With RanLocDisp on (and Stretch off) two
// values are drawn from random, for x and then y, whatever the sizes.
Fitting fitPicture(const Settings& settings, QSize show, QSize picture, bool reducedOnDecode, CRandom& random);

}  // namespace orvanta
