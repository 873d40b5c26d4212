#include "base/palette.h"

#include <array>

namespace orvanta {

std::vector<PaletteEntry> halftonePalette() {
    static constexpr std::array<PaletteEntry, 20> kStatic = {{
        {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
        {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
        {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},
        {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
    }};
    std::vector<PaletteEntry> palette;
    palette.reserve(kDisplayPaletteSize);
    palette.insert(palette.end(), kStatic.begin(), kStatic.begin() + 10);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette.push_back({static_cast<std::uint8_t>(r * 51), static_cast<std::uint8_t>(g * 51),
                                   static_cast<std::uint8_t>(b * 51), 0});
    // Four greys in each of the five gaps between the cube's greys, at fifths
    // of the gap: none repeats a cube or static grey, and grey ramps (text
    // shadows, dark gradients) band less than with the cube alone.
    for (int gap = 0; gap < 5; ++gap)
        for (int k = 1; k <= 4; ++k) {
            const auto v = static_cast<std::uint8_t>(gap * 51 + (51 * k + 2) / 5);
            palette.push_back({v, v, v, 0});
        }
    palette.insert(palette.end(), kStatic.begin() + 10, kStatic.end());
    return palette;
}

}  // namespace orvanta
