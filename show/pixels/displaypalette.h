#pragma once
// The logical palette a picture is shown through on palette displays.
#include "base/WBitmap.h"

#include <cstdint>
#include <vector>

namespace orvanta {

class CQuantizer;

// Entry flag: the entry is the picture's own colour and must not be merged
// with an equal system colour.
constexpr std::uint8_t kPcNoCollapse = 0x04;

struct PaletteEntry {
    std::uint8_t red = 0, green = 0, blue = 0, flags = 0;
    bool operator==(const PaletteEntry&) const = default;
};

constexpr int kDisplayPaletteSize = 256;

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
