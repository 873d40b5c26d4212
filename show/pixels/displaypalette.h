#pragma once
// The logical palette a picture is shown through on palette displays.
#include "base/WBitmap.h"
#include "base/palette.h"

#include <cstdint>
#include <vector>

namespace orvanta {

class CQuantizer;

// Feeds the picture to the show's quantizer (which keeps every earlier
// picture's colours) and returns 256 entries: the screen's reserved colours
// (reservedColours / 2 at each end, from systemPalette, black where it is
// short) around the quantizer's colours, flagged kPcNoCollapse.
std::vector<PaletteEntry> buildDisplayPalette(const WBitmap& bitmap, CQuantizer& quantizer,
                                              const std::vector<PaletteEntry>& systemPalette, int reservedColours);

// 256 entries from a colour table (missing entries black), each with flags.
std::vector<PaletteEntry> paletteFromColorTable(const std::vector<RgbQuad>& table, std::uint8_t flags);

// The grey ramp i -> (i, i, i), each entry with flags.
std::vector<PaletteEntry> greyRampPalette(std::uint8_t flags);

}  // namespace orvanta
