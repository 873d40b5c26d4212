#pragma once
// The file-level picture loader: decoder chosen by the file's first bytes
// (by its extension when they say nothing), orientation applied, display
// palette built on palette displays.
#include "base/WBitmap.h"
#include "show/decoders/decodetarget.h"
#include "show/pixels/displaypalette.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvanta {

class CQuantizer;

struct LoadContext {
    // What every decoder is asked: the show rectangle and largest monitor,
    // how the show will fit the picture (ShowFitting::of(settings); with it
    // a PNG or BMP far larger than the screen is decoded straight into a
    // reduced copy or the corner the show can draw, without it whole), the
    // fast JPEG transform of previews, the event pump and the background of
    // transparent pixels. Its quantize is paletteDisplay's, whatever it holds.
    DecodeRequest decode;
    bool paletteDisplay = false;              // palette work only then
    bool windows95Family = false;             // always false on this platform; kept for the Exif rule
    CQuantizer* quantizer = nullptr;          // palette displays: the show's single quantizer
    std::vector<PaletteEntry> systemPalette;  // palette displays: the screen's current 256 entries
    int reservedColours = 20;                 // palette displays: the screen's reserved-colour count
};

struct LoadedPicture {
    WBitmap bitmap;
    bool reducedOnDecode = false;              // decoded smaller than the file holds (JPEG scale, PNG/BMP reduction)
    std::vector<PaletteEntry> displayPalette;  // 256 entries on palette displays, else empty
};

enum class LoadResult { Loaded, Failed, Abandoned };

enum class PictureDecoder { Jpeg, Png, Bmp, Heif, WebP, Tiff, Gif, Jxl, Raw };

// By the path's extension in any case (lowerExtension): ".jpg", ".jpeg",
// ".jpe", ".jif" -> Jpeg, ".png" -> Png, ".heic", ".heif", ".avif" -> Heif,
// ".webp" -> WebP, ".tif", ".tiff" -> Tiff, ".gif" -> Gif, ".jxl" -> Jxl,
// the camera RAW extensions -> Raw, anything else (no extension, or a name
// such as ".png" that only starts with a dot) -> Bmp.
PictureDecoder decoderForPath(const std::string& path);

// By the first bytes of a file (at least 32 of them where it has them):
// the JPEG, PNG, BMP, GIF, WebP, JPEG XL (bare or in its box container),
// HEIF/AVIF (ISO box file of an image brand) and TIFF signatures, and
// those of the camera RAW formats (a TIFF named as a RAW file is one). A
// phone's HEIC named .jpg is thus decoded as HEIF. Bytes that match
// nothing leave the choice to the extension.
PictureDecoder decoderForContents(const std::uint8_t* head, std::size_t size, const std::string& path);
// The same for a file (only a regular file is opened); the extension decides
// when the file cannot be read.
PictureDecoder decoderForFile(const std::string& path);

// The picture turned and mirrored so that a file with Exif orientation 1..8
// shows upright; 0, 1 and other values leave it as it is.
WBitmap applyExifOrientation(const WBitmap& bitmap, int orientation);

// Loads one picture file into out. Failed (out emptied) when the file cannot
// be read or decoded; Abandoned when pumpEvents reported the end of the run
// during the decode. A picture that fails leaves out's old picture gone.
LoadResult loadPictureFile(const std::string& path, const LoadContext& context, LoadedPicture& out);

}  // namespace orvanta
