#pragma once
// Palette entries, as a palette display holds them, and the screen's standard
// palette. The show builds and realizes palettes; the wallpaper files are
// written through them.
#include <cstdint>
#include <vector>

namespace orvanta {

// Entry flag: the entry is the picture's own colour and must not be merged
// with an equal system colour.
constexpr std::uint8_t kPcNoCollapse = 0x04;

struct PaletteEntry {
    std::uint8_t red = 0, green = 0, blue = 0, flags = 0;
    bool operator==(const PaletteEntry&) const = default;
};

constexpr int kDisplayPaletteSize = 256;

// The screen's 256-entry halftone palette: the 20 static colours at 0-9 and
// 246-255, the 6x6x6 cube (levels 0, 51, ..., 255; entry 10 + 36r + 6g + b)
// at 10-225 and 20 greys between the cube's greys at 226-245. Flags are 0.
std::vector<PaletteEntry> halftonePalette();

}  // namespace orvanta
