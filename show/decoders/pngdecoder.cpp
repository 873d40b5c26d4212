#include "show/decoders/pngdecoder.h"

#include <cstdio>
#include <memory>

#include <png.h>

#include "base/regularfile.h"

// libpng reports errors by jumping to the buffer set in png_jmpbuf. The two
// functions that call into libpng (readHeader and readRows) set it themselves
// and own nothing with a destructor; decodePng owns the structures, the file,
// the row buffer and the builder and releases them whatever happens.
//
// Rows are read one at a time and handed to a PictureBuilder, so a picture
// the show would shrink is never held whole. For a whole or corner picture
// libpng turns every row into B,G,R; for a reduced one it only strips 16-bit
// samples and alpha and leaves small depths packed, since the builder reads
// packed indexes and greys through a table (a one-bit row is summed by
// counting bits). Interlaced files are read pass by pass and their pixels
// placed where they belong.

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
    bool interlaced = false;
    DecodePlan plan;
    RowFormat format;
};

[[noreturn]] void pngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngWarning(png_structp, png_const_charp) {}

// The grey levels of a grey file's samples of the given depth.
std::vector<RgbQuad> greyTable(int bitDepth) {
    const int levels = 1 << std::min(bitDepth, 8);
    std::vector<RgbQuad> table(static_cast<std::size_t>(levels));
    for (int i = 0; i < levels; ++i) {
        const auto v = static_cast<std::uint8_t>(i * 255 / (levels - 1));
        table[static_cast<std::size_t>(i)] = {v, v, v, 0};
    }
    return table;
}

bool readHeader(PngSession& s, const DecodeRequest& request, PngColours* colours) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_init_io(s.png, s.file);
    png_set_user_limits(s.png, WBitmap::kMaxSide, WBitmap::kMaxSide);
    png_set_chunk_malloc_max(s.png, kChunkMemoryLimit);
    png_read_info(s.png, s.info);

    int bitDepth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(s.png, s.info, &s.width, &s.height, &bitDepth, &colourType, &interlace, nullptr, nullptr);
    if (!sourceSizeAllowed(s.width, s.height)) return false;
    s.interlaced = interlace != PNG_INTERLACE_NONE;
    s.plan = planDecode(s.width, s.height, request);
    const bool grey = colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA;
    std::vector<RgbQuad> palette;
    png_colorp entries = nullptr;
    int count = 0;
    if (colourType == PNG_COLOR_TYPE_PALETTE && bitDepth <= 8 && png_get_PLTE(s.png, s.info, &entries, &count) != 0) {
        for (int i = 0; i < count && i < 256; ++i)
            palette.push_back(RgbQuad{entries[i].blue, entries[i].green, entries[i].red, 0});
    }
    if (colours != nullptr) {
        colours->grey = grey;
        colours->palette = palette;
    }

    png_set_strip_16(s.png);
    png_set_strip_alpha(s.png);
    std::size_t rowBytes = std::size_t{s.width} * 3;
    if (s.plan.kind == DecodePlan::Kind::Reduced && (grey || colourType == PNG_COLOR_TYPE_PALETTE)) {
        // Samples stay as they are; transparency would only add an alpha
        // channel that is dropped again.
        s.format.bitCount = std::min(bitDepth, 8);
        s.format.table = grey ? greyTable(bitDepth) : palette;
        rowBytes = (std::size_t{s.width} * static_cast<std::size_t>(s.format.bitCount) + 7) / 8;
    } else {
        if (bitDepth < 8 || colourType == PNG_COLOR_TYPE_PALETTE || png_get_valid(s.png, s.info, PNG_INFO_tRNS))
            png_set_expand(s.png);
        png_set_bgr(s.png);
        if (grey) png_set_gray_to_rgb(s.png);
        s.format.bitCount = 24;
    }
    // The whole picture is deinterlaced by libpng into its own rows; the
    // other plans take each pass's pixels as they come.
    if (s.interlaced && s.plan.kind == DecodePlan::Kind::Whole) png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    return png_get_rowbytes(s.png, s.info) == rowBytes;
}

// A whole interlaced picture: libpng fills the picture's own rows a pass at
// a time.
DecodeStatus readInterlacedWhole(PngSession& s, WBitmap& out, DecodePump& pump) {
    if (setjmp(png_jmpbuf(s.png))) return DecodeStatus::Failed;
    for (int pass = 0; pass < PNG_INTERLACE_ADAM7_PASSES; ++pass)
        for (int y = 0; y < out.height(); ++y) {
            if (pump.due()) return DecodeStatus::Abandoned;
            png_read_row(s.png, out.row(y), nullptr);
        }
    png_read_end(s.png, s.endInfo);
    return DecodeStatus::Decoded;
}

DecodeStatus readRows(PngSession& s, PictureBuilder& builder, DecodePump& pump, png_bytep buffer) {
    if (setjmp(png_jmpbuf(s.png))) return DecodeStatus::Failed;
    const int height = static_cast<int>(s.height);
    if (!s.interlaced) {
        for (int y = 0; y < height; ++y) {
            // Rows below a corner are never needed: the rest of the file is left unread.
            if (!builder.wantsRow(y)) return DecodeStatus::Decoded;
            if (pump.due()) return DecodeStatus::Abandoned;
            png_read_row(s.png, buffer, nullptr);
            builder.putRows(y, 1, buffer);
        }
    } else {
        for (int pass = 0; pass < PNG_INTERLACE_ADAM7_PASSES; ++pass) {
            const int rows = static_cast<int>(PNG_PASS_ROWS(s.height, pass));
            const int columns = static_cast<int>(PNG_PASS_COLS(s.width, pass));
            if (rows == 0 || columns == 0) continue;  // libpng skips empty passes too
            for (int r = 0; r < rows; ++r) {
                if (pump.due()) return DecodeStatus::Abandoned;
                png_read_row(s.png, buffer, nullptr);
                builder.putPixels(static_cast<int>(PNG_ROW_FROM_PASS_ROW(r, pass)), PNG_PASS_START_COL(pass),
                                  PNG_PASS_COL_OFFSET(pass), buffer, columns);
            }
        }
    }
    png_read_end(s.png, s.endInfo);
    return DecodeStatus::Decoded;
}

}  // namespace

DecodeStatus decodePng(const std::string& path, const DecodeRequest& request, WBitmap& out, bool& reduced,
                       PngColours* colours) {
    out.reset();
    reduced = false;
    if (colours != nullptr) *colours = PngColours{};
    DecodePump pump(request.pumpEvents, request.pumpInterval);
    if (pump.now()) return DecodeStatus::Abandoned;
    PngSession s;
    s.file = fopenRegularFile(path);
    if (s.file == nullptr) return DecodeStatus::Failed;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (s.png != nullptr) s.info = png_create_info_struct(s.png);
    if (s.info != nullptr) s.endInfo = png_create_info_struct(s.png);

    DecodeStatus status = DecodeStatus::Failed;
    PictureBuilder builder;
    std::vector<png_byte> buffer;
    if (s.endInfo != nullptr && readHeader(s, request, colours)) {
        const int width = static_cast<int>(s.width), height = static_cast<int>(s.height);
        if (s.interlaced && s.plan.kind == DecodePlan::Kind::Whole) {
            if (out.create(width, height, 24))
                status = pump.now() ? DecodeStatus::Abandoned : readInterlacedWhole(s, out, pump);
        } else if (builder.start(width, height, s.format, s.plan, false)) {
            status = pump.now() ? DecodeStatus::Abandoned : DecodeStatus::Decoded;
            if (status == DecodeStatus::Decoded) {
                try {
                    buffer.resize(png_get_rowbytes(s.png, s.info));
                } catch (const std::bad_alloc&) {
                    status = DecodeStatus::Failed;
                }
            }
            if (status == DecodeStatus::Decoded) status = readRows(s, builder, pump, buffer.data());
            if (status == DecodeStatus::Decoded && !builder.finish(out)) status = DecodeStatus::Failed;
        }
    }
    png_destroy_read_struct(s.png != nullptr ? &s.png : nullptr, s.info != nullptr ? &s.info : nullptr,
                            s.endInfo != nullptr ? &s.endInfo : nullptr);
    std::fclose(s.file);
    if (status != DecodeStatus::Decoded) {
        out.reset();
        if (colours != nullptr) *colours = PngColours{};
        return status;
    }
    reduced = s.plan.kind == DecodePlan::Kind::Reduced;
    return status;
}

bool decodePng(const std::string& path, WBitmap& out, PngColours* colours) {
    bool reduced = false;
    return decodePng(path, DecodeRequest{}, out, reduced, colours) == DecodeStatus::Decoded;
}

}  // namespace orvanta
