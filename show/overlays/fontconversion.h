#pragma once
// Font descriptions of the settings as Qt fonts and back.
#include <QFont>

#include "settings/fontdescription.h"

namespace orvanta {

// The Qt font of a description: point size, or the height in pixels when the
// point size is 0; face; weight (1..1000, 0 for normal); italic, underline,
// strikeout; an average width above 0 as a horizontal stretch (needs a
// running QGuiApplication, otherwise ignored). Faces of the classic system
// fonts ("MS Sans Serif", "Times New Roman", "Arial", "Courier New") fall
// back to their metric-compatible Liberation fonts when not installed.
//
// For a painter that works in device pixels (the show's screen canvas), the
// device pixel ratio of the screen: the point size, the pixel height and the
// average width are multiplied by it, so that the text has the size the
// screen's own texts (the dialog's) have on it.
QFont toQFont(const FontDescription& description, qreal devicePixelRatio = 1.0);

// A system font (the status text's, the loading notice's) for a painter that
// works in device pixels: its point or pixel size multiplied by the ratio.
QFont atDeviceRatio(QFont font, qreal devicePixelRatio);

// The description of a Qt font (as a font chooser returns it). The character
// set and unknown tokens are kept from `base`, and so is its face when the
// font has no family; a foundry tag after the family is left out.
FontDescription fromQFont(const QFont& font, const FontDescription& base = {});

}  // namespace orvanta
