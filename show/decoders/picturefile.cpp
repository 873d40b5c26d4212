#include "show/decoders/picturefile.h"

#include "base/WFilePath.h"
#include "catalogue/pictureorder.h"
#include "show/decoders/bmpreader.h"
#include "show/decoders/exiforientation.h"
#include "show/decoders/jpegdecoder.h"
#include "show/decoders/pngdecoder.h"
#include "show/decoders/rotatebitmap.h"

#include <algorithm>

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
    DecodeRequest request;
    request.screenWidth = context.screenWidth;
    request.screenHeight = context.screenHeight;
    request.largestScreenWidth = context.largestScreenWidth;
    request.largestScreenHeight = context.largestScreenHeight;
    request.fitting = context.fitting;
    request.quantize = context.paletteDisplay;
    request.fast = context.fast;
    request.pumpEvents = context.pumpEvents;
    request.pumpInterval = context.pumpInterval;
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

}  // namespace

PictureDecoder decoderForPath(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (isJpegExtension(ext)) return PictureDecoder::Jpeg;
    if (ext == ".png") return PictureDecoder::Png;
    return PictureDecoder::Bmp;
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
    switch (decoderForPath(path)) {
    case PictureDecoder::Jpeg: result = loadJpeg(path, context, out); break;
    case PictureDecoder::Png: result = loadPng(path, context, out); break;
    case PictureDecoder::Bmp: result = loadOther(path, context, out); break;
    }
    if (result != LoadResult::Loaded) {
        out.bitmap.reset();
        out.reducedOnDecode = false;
        out.displayPalette.clear();
    }
    return result;
}

}  // namespace orvanta
