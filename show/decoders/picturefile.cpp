#include "show/decoders/picturefile.h"

#include "base/WFilePath.h"
#include "base/regularfile.h"
#include "catalogue/pictureorder.h"
#include "show/decoders/bmpreader.h"
#include "show/decoders/exiforientation.h"
#include "show/decoders/gifdecoder.h"
#include "show/decoders/heifdecoder.h"
#include "show/decoders/jpegdecoder.h"
#include "show/decoders/jxldecoder.h"
#include "show/decoders/pngdecoder.h"
#include "show/decoders/rawdecoder.h"
#include "show/decoders/rotatebitmap.h"
#include "show/decoders/tiffdecoder.h"
#include "show/decoders/webpdecoder.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace orvanta {

namespace {

// The turns of the show's Exif rule, as single-precision constants.
constexpr float kHalfTurn = 3.1415930f;
constexpr float kThreeQuarterTurn = 4.7123890f;
constexpr float kQuarterTurn = 1.5707960f;
constexpr RgbQuad kBlack{};

std::vector<PaletteEntry> quantizedPalette(const WBitmap& bitmap, const LoadContext& context) {
    if (context.quantizer == nullptr) return paletteFromColorTable({}, 0);
    return buildDisplayPalette(bitmap, *context.quantizer, context.systemPalette, context.reservedColours);
}

DecodeRequest requestOf(const LoadContext& context) {
    DecodeRequest request = context.decode;
    request.quantize = context.paletteDisplay;
    return request;
}

LoadResult resultOf(DecodeStatus status) {
    switch (status) {
    case DecodeStatus::Decoded: return LoadResult::Loaded;
    case DecodeStatus::Abandoned: return LoadResult::Abandoned;
    case DecodeStatus::Failed: break;
    }
    return LoadResult::Failed;
}

LoadResult loadJpeg(const std::string& path, const LoadContext& context, LoadedPicture& out) {
    const LoadResult result = resultOf(decodeJpeg(path, requestOf(context), out.bitmap, out.reducedOnDecode));
    if (result != LoadResult::Loaded) return result;
    if (!context.windows95Family) {
        const int orientation = readExifOrientation(path);
        if (orientation > 1) {
            WBitmap turned = applyExifOrientation(out.bitmap, orientation);
            if (turned.isNull()) return LoadResult::Failed;
            out.bitmap = std::move(turned);
        }
    }
    if (context.paletteDisplay && out.bitmap.bitCount() == 8)
        out.displayPalette = paletteFromColorTable(out.bitmap.colorTable(), 0);
    return LoadResult::Loaded;
}

LoadResult loadPng(const std::string& path, const LoadContext& context, LoadedPicture& out) {
    PngColours colours;
    const LoadResult result = resultOf(decodePng(path, requestOf(context), out.bitmap, out.reducedOnDecode,
                                                 context.paletteDisplay ? &colours : nullptr));
    if (result != LoadResult::Loaded) return result;
    if (context.paletteDisplay) {
        if (!colours.palette.empty()) out.displayPalette = paletteFromColorTable(colours.palette, kPcNoCollapse);
        else if (colours.grey) out.displayPalette = greyRampPalette(kPcNoCollapse);
        else out.displayPalette = quantizedPalette(out.bitmap, context);
    }
    return LoadResult::Loaded;
}

LoadResult loadOther(const std::string& path, const LoadContext& context, LoadedPicture& out) {
    std::vector<RgbQuad> fileColours;
    const LoadResult result = resultOf(
        decodeBmp(path, requestOf(context), out.bitmap, out.reducedOnDecode, &fileColours));
    if (result != LoadResult::Loaded) return result;
    if (context.paletteDisplay) {
        // An 8-bit file shows through its own colour table, also when it was
        // reduced to 24 bits on the way.
        if (out.bitmap.bitCount() == 8) out.displayPalette = paletteFromColorTable(out.bitmap.colorTable(), 0);
        else if (!fileColours.empty()) out.displayPalette = paletteFromColorTable(fileColours, 0);
        else out.displayPalette = quantizedPalette(out.bitmap, context);
    }
    return LoadResult::Loaded;
}

// The decoders of the other formats report the orientation the file asks
// for (1 when the library has applied it already).
using OrientedDecoder = DecodeStatus (*)(const std::string&, const DecodeRequest&, WBitmap&, bool&, int&);

LoadResult loadWith(OrientedDecoder decode, const std::string& path, const LoadContext& context, LoadedPicture& out) {
    int orientation = 1;
    const LoadResult result = resultOf(decode(path, requestOf(context), out.bitmap, out.reducedOnDecode, orientation));
    if (result != LoadResult::Loaded) return result;
    if (orientation > 1 && !context.windows95Family) {
        WBitmap turned = applyExifOrientation(out.bitmap, orientation);
        if (turned.isNull()) return LoadResult::Failed;
        out.bitmap = std::move(turned);
    }
    if (context.paletteDisplay) out.displayPalette = quantizedPalette(out.bitmap, context);
    return LoadResult::Loaded;
}

bool startsWith(const std::uint8_t* head, std::size_t size, std::size_t at, const char* text, std::size_t n) {
    return size >= at + n && std::memcmp(head + at, text, n) == 0;
}

std::uint32_t be32At(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// An ISO box file whose first box is a file-type box naming an image brand
// (major or compatible): HEIF, HEIC or AVIF; "crx " is a camera RAW.
std::optional<PictureDecoder> boxFileDecoder(const std::uint8_t* head, std::size_t size) {
    if (!startsWith(head, size, 4, "ftyp", 4) || size < 16) return std::nullopt;
    const std::size_t end = std::min<std::size_t>(size, std::max<std::uint32_t>(be32At(head), 16));
    for (std::size_t at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) {
        const std::string_view brand(reinterpret_cast<const char*>(head + at), 4);
        if (brand == "crx ") return PictureDecoder::Raw;
        for (const char* image : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "avif", "avis"})
            if (brand == image) return PictureDecoder::Heif;
    }
    return std::nullopt;
}

}  // namespace

PictureDecoder decoderForPath(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (isJpegExtension(ext)) return PictureDecoder::Jpeg;
    if (ext == ".png") return PictureDecoder::Png;
    if (ext == ".heic" || ext == ".heif" || ext == ".avif") return PictureDecoder::Heif;
    if (ext == ".webp") return PictureDecoder::WebP;
    if (ext == ".tif" || ext == ".tiff") return PictureDecoder::Tiff;
    if (ext == ".gif") return PictureDecoder::Gif;
    if (ext == ".jxl") return PictureDecoder::Jxl;
    if (isRawExtension(ext)) return PictureDecoder::Raw;
    return PictureDecoder::Bmp;
}

PictureDecoder decoderForContents(const std::uint8_t* h, std::size_t n, const std::string& path) {
    if (startsWith(h, n, 0, "\xFF\xD8\xFF", 3)) return PictureDecoder::Jpeg;
    if (startsWith(h, n, 0, "\x89PNG\r\n\x1A\n", 8)) return PictureDecoder::Png;
    if (startsWith(h, n, 0, "GIF87a", 6) || startsWith(h, n, 0, "GIF89a", 6)) return PictureDecoder::Gif;
    if (startsWith(h, n, 0, "RIFF", 4) && startsWith(h, n, 8, "WEBP", 4)) return PictureDecoder::WebP;
    if (startsWith(h, n, 0, "\xFF\x0A", 2) || startsWith(h, n, 0, "\0\0\0\x0CJXL \r\n\x87\n", 12))
        return PictureDecoder::Jxl;
    if (const auto boxed = boxFileDecoder(h, n)) return *boxed;
    // Olympus, Panasonic and Fujifilm RAW files have signatures of their own;
    // most others are TIFF files, told apart by their names.
    if (startsWith(h, n, 0, "IIRO", 4) || startsWith(h, n, 0, "IIRS", 4) || startsWith(h, n, 0, "MMOR", 4) ||
        startsWith(h, n, 0, "IIU\0", 4) || startsWith(h, n, 0, "FUJIFILMCCD-RAW", 15))
        return PictureDecoder::Raw;
    if (startsWith(h, n, 0, "II*\0", 4) || startsWith(h, n, 0, "MM\0*", 4))
        return isRawExtension(lowerExtension(path)) ? PictureDecoder::Raw : PictureDecoder::Tiff;
    if (startsWith(h, n, 0, "BM", 2)) return PictureDecoder::Bmp;
    return decoderForPath(path);
}

PictureDecoder decoderForFile(const std::string& path) {
    const int fd = openRegularFile(path);
    if (fd < 0) return decoderForPath(path);
    std::uint8_t head[64];
    std::size_t size = 0;
    while (size < sizeof head) {
        const ssize_t got = ::read(fd, head + size, sizeof head - size);
        if (got <= 0) break;
        size += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return decoderForContents(head, size, path);
}

WBitmap applyExifOrientation(const WBitmap& bitmap, int orientation) {
    // 3, 6 and 8 are the plain turns; the mirrored values 2, 4, 5 and 7 are a
    // left-right flip followed by no turn, a half turn, a quarter turn
    // anticlockwise and a quarter turn clockwise.
    switch (orientation) {
    case 2: return mirrorBitmap(bitmap, true);
    case 3: return rotateBitmap(bitmap, kHalfTurn, kBlack);
    case 4: return mirrorBitmap(bitmap, false);
    case 5: return rotateBitmap(mirrorBitmap(bitmap, true), kQuarterTurn, kBlack);
    case 6: return rotateBitmap(bitmap, kThreeQuarterTurn, kBlack);
    case 7: return rotateBitmap(mirrorBitmap(bitmap, true), kThreeQuarterTurn, kBlack);
    case 8: return rotateBitmap(bitmap, kQuarterTurn, kBlack);
    default: return bitmap;
    }
}

LoadResult loadPictureFile(const std::string& path, const LoadContext& context, LoadedPicture& out) {
    // The previous picture goes first, so that two full-size pictures are
    // never held at once.
    out.bitmap.reset();
    out.reducedOnDecode = false;
    out.displayPalette.clear();
    LoadResult result = LoadResult::Failed;
    switch (decoderForFile(path)) {
    case PictureDecoder::Jpeg: result = loadJpeg(path, context, out); break;
    case PictureDecoder::Png: result = loadPng(path, context, out); break;
    case PictureDecoder::Bmp: result = loadOther(path, context, out); break;
    case PictureDecoder::Heif: result = loadWith(decodeHeif, path, context, out); break;
    case PictureDecoder::WebP: result = loadWith(decodeWebP, path, context, out); break;
    case PictureDecoder::Tiff: result = loadWith(decodeTiff, path, context, out); break;
    case PictureDecoder::Gif: result = loadWith(decodeGif, path, context, out); break;
    case PictureDecoder::Jxl: result = loadWith(decodeJxl, path, context, out); break;
    case PictureDecoder::Raw: result = loadWith(decodeRaw, path, context, out); break;
    }
    if (result != LoadResult::Loaded) {
        out.bitmap.reset();
        out.reducedOnDecode = false;
        out.displayPalette.clear();
    }
    return result;
}

}  // namespace orvanta
