#pragma once
// The palette mode of the canvas layer: what a screen of 8 bits per pixel or
// less would show. Real desktops here are never palette devices, so the show
// switches this mode on only where a palette display is asked for (tests).
#include "base/WBitmap.h"
#include "show/pixels/displaypalette.h"

#include <QImage>
#include <QRect>
#include <vector>

namespace orvanta {

// The screen's 256-entry halftone palette: the 20 static colours at 0-9 and
// 246-255, the 6x6x6 cube (levels 0, 51, ..., 255; entry 10 + 36r + 6g + b)
// at 10-225 and 20 greys between the cube's greys at 226-245. Flags are 0.
std::vector<PaletteEntry> halftonePalette();

// The palette a picture is shown through: the display palette when it is not
// empty, else the picture's own colour table (depths of 8 bits or less, one
// entry per table entry, flags 0), else the halftone palette.
std::vector<PaletteEntry> selectPalette(const std::vector<PaletteEntry>& displayPalette, const WBitmap& picture);

// Replaces every pixel of canvas (all of it when area is null, else its part
// inside area) by the nearest palette colour: least squared RGB distance, the
// first entry on ties. A canvas of another format is converted to RGB32 first.
// An empty palette or a null canvas leaves the canvas unchanged.
void realizePalette(QImage& canvas, const std::vector<PaletteEntry>& palette, QRect area = {});

}  // namespace orvanta
