#include "desktop/bitmapfile.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <unordered_map>

#include "base/atomicfile.h"

namespace orvanta {

namespace {

struct Layout {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    std::vector<RgbQuad> colours;  // written as they are: 256 entries at 8 bits, none at 24
};

void put16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void put32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// Writes the headers, the colour table and the rows (fillRow(y, row) fills the
// picture's row y, counted from the top, into a zeroed buffer of row size),
// into a temporary file that replaces path when everything was written.
bool writeBmp(const std::string& path, const Layout& layout,
              const std::function<void(int y, unsigned char* row)>& fillRow) {
    if (layout.width <= 0 || layout.height <= 0) return false;
    const std::size_t rowSize = bitmapRowSize(layout.width, layout.bitCount);
    const std::uint64_t imageSize = static_cast<std::uint64_t>(rowSize) * static_cast<std::uint64_t>(layout.height);
    const std::uint32_t offset = static_cast<std::uint32_t>(14 + 40 + 4 * layout.colours.size());
    if (rowSize == 0 || imageSize + offset > 0xFFFFFFFFull) return false;

    removeLeftoverBitmapTemporaries(path);
    unsigned char header[54] = {};
    header[0] = 'B';
    header[1] = 'M';
    put32(header + 2, static_cast<std::uint32_t>(imageSize + offset));
    put32(header + 10, offset);
    put32(header + 14, 40);
    put32(header + 18, static_cast<std::uint32_t>(layout.width));
    put32(header + 22, static_cast<std::uint32_t>(layout.height));  // positive: bottom row first
    put16(header + 26, 1);
    put16(header + 28, static_cast<std::uint16_t>(layout.bitCount));
    put32(header + 34, static_cast<std::uint32_t>(imageSize));
    // A link in the wallpaper's place is replaced, never written through.
    const ReplaceOptions options{0644, ModeRule::Exact, false, TemporaryNames::Suffixed};
    const auto write = [&](FileSink& file) {
        file.write(header, sizeof header);
        for (const RgbQuad& c : layout.colours) {
            const unsigned char quad[4] = {c.blue, c.green, c.red, 0};
            file.write(quad, 4);
        }
        std::vector<unsigned char> row(rowSize);
        for (int y = layout.height - 1; y >= 0; --y) {
            std::memset(row.data(), 0, row.size());
            fillRow(y, row.data());
            file.write(row.data(), row.size());
        }
    };
    return replaceFile(path, write, options) == 0;
}

std::vector<RgbQuad> tableOf(const std::vector<PaletteEntry>& palette) {
    std::vector<RgbQuad> table(256);
    for (std::size_t i = 0; i < palette.size() && i < table.size(); ++i)
        table[i] = RgbQuad{palette[i].blue, palette[i].green, palette[i].red, 0};
    return table;
}

std::vector<RgbQuad> tableOf(const QImage& indexed) {
    std::vector<RgbQuad> table(256);
    const QList<QRgb> colours = indexed.colorTable();
    for (qsizetype i = 0; i < colours.size() && i < 256; ++i)
        table[static_cast<std::size_t>(i)] = RgbQuad{static_cast<std::uint8_t>(qBlue(colours[i])),
                                                     static_cast<std::uint8_t>(qGreen(colours[i])),
                                                     static_cast<std::uint8_t>(qRed(colours[i])), 0};
    return table;
}

// Index of a colour in a palette: the first exact entry, else the nearest.
class PaletteIndex {
public:
    explicit PaletteIndex(const std::vector<PaletteEntry>& palette) : palette_(palette) {
        for (std::size_t i = palette.size(); i-- > 0;) cache_[keyOf(palette[i])] = static_cast<std::uint8_t>(i);
    }
    std::uint8_t operator()(QRgb colour) {
        const std::uint32_t key = colour & 0xFFFFFFu;
        if (const auto it = cache_.find(key); it != cache_.end()) return it->second;
        std::uint8_t best = 0;
        int bestDistance = -1;
        for (std::size_t i = 0; i < palette_.size(); ++i) {
            const int dr = qRed(colour) - palette_[i].red;
            const int dg = qGreen(colour) - palette_[i].green;
            const int db = qBlue(colour) - palette_[i].blue;
            const int d = dr * dr + dg * dg + db * db;
            if (bestDistance < 0 || d < bestDistance) {
                bestDistance = d;
                best = static_cast<std::uint8_t>(i);
            }
        }
        cache_[key] = best;
        return best;
    }

private:
    static std::uint32_t keyOf(const PaletteEntry& e) {
        return (std::uint32_t{e.red} << 16) | (std::uint32_t{e.green} << 8) | e.blue;
    }
    const std::vector<PaletteEntry>& palette_;
    std::unordered_map<std::uint32_t, std::uint8_t> cache_;
};

}  // namespace

int removeLeftoverBitmapTemporaries(const std::string& path) {
    const std::filesystem::path target(path);
    const std::string dir = target.has_parent_path() ? target.parent_path().string() : std::string(".");
    return removeStaleTemporaries(dir, temporaryPrefix(path, TemporaryNames::Suffixed), kBitmapTemporaryMinimumAge);
}

std::size_t bitmapRowSize(int width, int bitCount) {
    if (width <= 0 || bitCount <= 0) return 0;
    return static_cast<std::size_t>(((static_cast<std::uint64_t>(width) * bitCount + 31) & ~std::uint64_t{31}) / 8);
}

bool writeBitmapFormA(const std::string& path, const QImage& image, const std::vector<PaletteEntry>& palette) {
    if (image.isNull() || palette.empty()) return false;
    std::vector<PaletteEntry> entries(palette.begin(), palette.begin() + std::min<std::size_t>(palette.size(), 256));
    const QImage rgb = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull()) return false;
    PaletteIndex indexOf(entries);
    Layout layout{rgb.width(), rgb.height(), 8, tableOf(entries)};
    return writeBmp(path, layout, [&](int y, unsigned char* row) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) row[x] = indexOf(in[x]);
    });
}

bool writeBitmapFormB(const std::string& path, const QImage& image) {
    if (image.isNull()) return false;
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Grayscale8) {
        const QImage indexed = image.format() == QImage::Format_Indexed8
                                   ? image
                                   : image.convertToFormat(QImage::Format_Indexed8);
        Layout layout{indexed.width(), indexed.height(), 8, tableOf(indexed)};
        return writeBmp(path, layout, [&](int y, unsigned char* row) {
            std::memcpy(row, indexed.constScanLine(y), static_cast<std::size_t>(indexed.width()));
        });
    }
    const QImage rgb = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull()) return false;
    Layout layout{rgb.width(), rgb.height(), 24, {}};
    return writeBmp(path, layout, [&](int y, unsigned char* row) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x, row += 3) {
            row[0] = static_cast<unsigned char>(qBlue(in[x]));
            row[1] = static_cast<unsigned char>(qGreen(in[x]));
            row[2] = static_cast<unsigned char>(qRed(in[x]));
        }
    });
}

bool writeBitmapFormB(const std::string& path, const WBitmap& bitmap) {
    if (bitmap.isNull()) return false;
    if (bitmap.bitCount() == 8 || bitmap.bitCount() == 24) {
        std::vector<RgbQuad> colours = bitmap.colorTable();
        if (bitmap.bitCount() == 8) colours.resize(256);
        const std::size_t used = bitmapRowSize(bitmap.width(), bitmap.bitCount());
        Layout layout{bitmap.width(), bitmap.height(), bitmap.bitCount(), colours};
        return writeBmp(path, layout, [&](int y, unsigned char* row) {
            std::memcpy(row, bitmap.row(y), std::min(used, bitmap.stride()));
        });
    }
    return writeBitmapFormB(path, bitmap.toImage32());
}

}  // namespace orvanta
