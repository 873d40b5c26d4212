#include "show/pngdecoder.h"

#include <cstdio>
#include <memory>

#include <png.h>

#include "framework/regularfile.h"

// libpng reports errors by jumping to the buffer set in png_jmpbuf. The two
// functions that call into libpng (readHeader and readRows) set it themselves
// and own nothing with a destructor; decodePng owns the structures, the file,
// the row pointers and the bitmap and releases them whatever happens.

namespace orvanta {

namespace {

// Ancillary chunks (text, profiles) larger than this are refused by libpng
// rather than allocated.
constexpr png_alloc_size_t kChunkMemoryLimit = png_alloc_size_t{8} << 20;

struct PngSession {
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_infop endInfo = nullptr;
    std::FILE* file = nullptr;
    png_uint_32 width = 0, height = 0;
};

[[noreturn]] void pngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngWarning(png_structp, png_const_charp) {}

bool readHeader(PngSession& s, PngColours* colours) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_init_io(s.png, s.file);
    png_set_user_limits(s.png, WBitmap::kMaxSide, WBitmap::kMaxSide);
    png_set_chunk_malloc_max(s.png, kChunkMemoryLimit);
    png_read_info(s.png, s.info);

    int bitDepth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(s.png, s.info, &s.width, &s.height, &bitDepth, &colourType, &interlace, nullptr, nullptr);
    if (!WBitmap::sizeAllowed(s.width, s.height)) return false;
    const bool grey = colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA;
    if (colours != nullptr) {
        colours->grey = grey;
        png_colorp entries = nullptr;
        int count = 0;
        if (colourType == PNG_COLOR_TYPE_PALETTE && bitDepth <= 8 &&
            png_get_PLTE(s.png, s.info, &entries, &count) != 0) {
            for (int i = 0; i < count && i < 256; ++i)
                colours->palette.push_back(RgbQuad{entries[i].blue, entries[i].green, entries[i].red, 0});
        }
    }

    png_set_strip_16(s.png);
    png_set_strip_alpha(s.png);
    if (bitDepth < 8 || colourType == PNG_COLOR_TYPE_PALETTE || png_get_valid(s.png, s.info, PNG_INFO_tRNS))
        png_set_expand(s.png);
    png_set_bgr(s.png);
    if (grey) png_set_gray_to_rgb(s.png);
    if (interlace != PNG_INTERLACE_NONE) png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    return png_get_rowbytes(s.png, s.info) == std::size_t{s.width} * 3;
}

bool readRows(PngSession& s, png_bytepp rows) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_read_image(s.png, rows);
    png_read_end(s.png, s.endInfo);
    return true;
}

}  // namespace

bool decodePng(const std::string& path, WBitmap& out, PngColours* colours) {
    out.reset();
    if (colours != nullptr) *colours = PngColours{};
    PngSession s;
    s.file = fopenRegularFile(path);
    if (s.file == nullptr) return false;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (s.png != nullptr) s.info = png_create_info_struct(s.png);
    if (s.info != nullptr) s.endInfo = png_create_info_struct(s.png);

    bool ok = s.endInfo != nullptr && readHeader(s, colours) &&
              out.create(static_cast<int>(s.width), static_cast<int>(s.height), 24);
    if (ok) {
        std::vector<png_bytep> rows;
        try {
            rows.resize(s.height);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
        for (png_uint_32 y = 0; ok && y < s.height; ++y) rows[y] = out.row(static_cast<int>(y));
        ok = ok && readRows(s, rows.data());
    }
    png_destroy_read_struct(s.png != nullptr ? &s.png : nullptr, s.info != nullptr ? &s.info : nullptr,
                            s.endInfo != nullptr ? &s.endInfo : nullptr);
    std::fclose(s.file);
    if (!ok) {
        out.reset();
        if (colours != nullptr) *colours = PngColours{};
    }
    return ok;
}

}  // namespace orvanta
