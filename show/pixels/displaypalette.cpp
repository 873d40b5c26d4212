#include "show/pixels/displaypalette.h"

#include "show/pixels/cquantizer.h"

#include <algorithm>

namespace orvanta {

std::vector<PaletteEntry> buildDisplayPalette(const WBitmap& bitmap, CQuantizer& quantizer,
                                              const std::vector<PaletteEntry>& systemPalette, int reservedColours) {
    quantizer.addBitmap(bitmap);
    // The table must hold as many entries as the quantizer may have leaves;
    // a full palette's worth is always enough for the show's 236.
    std::vector<RgbQuad> table(std::max<std::size_t>(kDisplayPaletteSize, quantizer.leafCount()));
    quantizer.fillColorTable(table.data());

    std::vector<PaletteEntry> palette(kDisplayPaletteSize);
    const int half = std::clamp(reservedColours, 0, kDisplayPaletteSize) / 2;
    auto system = [&](int i) {
        return i < static_cast<int>(systemPalette.size())
                   ? PaletteEntry{systemPalette[i].red, systemPalette[i].green, systemPalette[i].blue, 0}
                   : PaletteEntry{};
    };
    for (int i = 0; i < half; ++i) {
        palette[i] = system(i);
        palette[kDisplayPaletteSize - 1 - i] = system(kDisplayPaletteSize - 1 - i);
    }
    for (int j = 0; j <= kDisplayPaletteSize - 1 - 2 * half; ++j) {
        const RgbQuad& c = table[j];
        palette[half + j] = PaletteEntry{c.red, c.green, c.blue, kPcNoCollapse};
    }
    return palette;
}

std::vector<PaletteEntry> paletteFromColorTable(const std::vector<RgbQuad>& table, std::uint8_t flags) {
    std::vector<PaletteEntry> palette(kDisplayPaletteSize);
    for (std::size_t i = 0; i < table.size() && i < palette.size(); ++i)
        palette[i] = PaletteEntry{table[i].red, table[i].green, table[i].blue, flags};
    return palette;
}

std::vector<PaletteEntry> greyRampPalette(std::uint8_t flags) {
    std::vector<PaletteEntry> palette(kDisplayPaletteSize);
    for (int i = 0; i < kDisplayPaletteSize; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        palette[i] = PaletteEntry{v, v, v, flags};
    }
    return palette;
}

}  // namespace orvanta
