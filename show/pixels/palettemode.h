#pragma once
// The palette mode of the canvas layer: what a screen of 8 bits per pixel or
// less would show. Real desktops here are never palette devices, so the show
// switches this mode on only where a palette display is asked for (tests).
#include "base/WBitmap.h"
#include "base/palette.h"

#include <QImage>
#include <QRect>
#include <vector>

namespace orvanta {

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
