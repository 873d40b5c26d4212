#pragma once
// What the decoders built on a format library share: the rows the library
// gives (grey or RGB, with or without alpha, 8 bits per sample) turned
// into the show's B,G,R rows, alpha composed over the background colour,
// and built into the picture the show needs (whole, its visible corner, or
// area-averaged down to the size the show draws it at).
#include "base/WBitmap.h"
#include "show/decoders/decodepump.h"
#include "show/decoders/decodetarget.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orvanta {

// The start of every decode: the outputs cleared (no picture, not reduced,
// upright), the pump made and run once; nothing when the run has ended.
std::optional<DecodePump> beginDecode(const DecodeRequest& request, WBitmap& out, bool& reduced, int& orientation);

struct SampleLayout {
    int channels = 3;            // 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
    bool bgr = false;            // colour samples in B,G,R order
    bool premultiplied = false;  // colour samples already multiplied by alpha
};

// One row of width pixels in layout turned into B,G,R bytes.
void composeRow(const void* source, int width, const SampleLayout& layout, RgbQuad background, std::uint8_t* bgr);

// The plan for a width x height source that is shown turned by a quarter
// when quarterTurn is set (Exif orientations 5 to 8): planned for the turned
// picture, then given back in the source's own orientation. A turned picture
// is never cut to a corner (the corner it shows is another one): it is then
// planned whole.
DecodePlan planTurned(std::int64_t width, std::int64_t height, const DecodeRequest& request, bool quarterTurn);

// The Exif orientation (1..8) in a TIFF block ("II*\0" or "MM\0*" first,
// after an optional "Exif\0\0"), or 0 when there is none.
int tiffBlockOrientation(const std::uint8_t* data, std::size_t size);

// Collects the rows of a decoded picture into the planned picture.
class RgbPictureSink {
public:
    // False when the picture cannot be made.
    bool start(int width, int height, const DecodePlan& plan, RgbQuad background);
    bool wantsRow(int y) const { return builder_.wantsRow(y); }
    void putRow(int y, const void* source, const SampleLayout& layout);
    // The built picture; reduced when it is smaller than the source.
    bool finish(WBitmap& out, bool& reduced);

private:
    PictureBuilder builder_;
    DecodePlan plan_;
    RgbQuad background_;
    std::vector<std::uint8_t> row_;
};

// Runs work, a call into a library that cannot stop on its own, on a thread
// of its own while this thread lets events run every pump interval. When the
// run ends meanwhile, Abandoned is returned at once and the thread finishes
// on its own, owning everything it uses (work must hold its data by value or
// shared pointer). Otherwise the result of work: true Decoded, false Failed.
DecodeStatus runPumped(DecodePump& pump, std::function<bool()> work);

// The whole of a regular file read into bytes, a chunk at a time with the
// pump run between chunks. Failed for a file that cannot be read or is
// larger than maxBytes; Abandoned when the run ended meanwhile.
DecodeStatus readWholeFile(const std::string& path, DecodePump& pump, std::size_t maxBytes,
                           std::vector<std::uint8_t>& bytes);

}  // namespace orvanta
