#pragma once
// Where a picture lands on the show rectangle: the stretching settings
// (Stretch, Proportional with its enlargement limit, Shrink Only, Tiled) and
// the placement (centred or random).
#include <QRect>
#include <QSize>

#include "base/crandom.h"
#include "settings/settings.h"

namespace orvanta {

// The picture-stretching settings, as far as the size a picture is drawn at
// goes (and so as far as decoding cares).
struct ShowFitting {
    bool stretch = false;       // Full Screen: stretched over the whole screen
    bool proportional = false;  // always scaled to fit
    bool shrinkOnly = false;    // Shrink Only or Tiled: scaled only when it does not fit
    static ShowFitting of(const Settings& settings);
};

// Everything of the settings that fitting reads.
struct FittingRules {
    ShowFitting scaling;
    float enlargementLimit = 5000.0f;  // largest scale factor (Settings::propLimitFactor)
    bool randomPlacement = false;      // RanLocDisp: placed at random rather than centred
    static FittingRules of(const Settings& settings);
};

struct Fitting {
    QRect destination;    // where the picture is drawn, relative to the show rectangle
    bool scaled = false;  // drawn by a stretch (always with Stretch on) rather than copied
};

// Fits a w x h picture (picture) onto a W x H show (show). reducedOnDecode
// marks a picture decoded at a reduced scale: it never counts as fitting.
// With randomPlacement on (and stretch off) two values are drawn from
// random, for x and then y, whatever the sizes.
Fitting fitPicture(const FittingRules& rules, QSize show, QSize picture, bool reducedOnDecode, CRandom& random);

// The size fitPicture draws the picture at; placement plays no part in it.
QSize fittedSize(const FittingRules& rules, QSize show, QSize picture, bool reducedOnDecode);

}  // namespace orvanta
