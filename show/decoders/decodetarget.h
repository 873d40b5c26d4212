#pragma once
// What a decoder builds from the rows it decodes. A picture far larger than
// the screen is never held whole when the show would only shrink it or cut
// it: where the show scales it down to half its size or less, the rows are
// averaged straight into the size the show draws it at (the show's stretch
// of it is then a plain copy, and the screen shows what the stretch of the
// whole picture would have shown); where the show draws pictures unscaled,
// only the corner that reaches the screen is kept.
#include "base/WBitmap.h"
#include "show/pixels/fitting.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace orvanta {

// Largest picture the row-by-row decoders (PNG, BMP) take on, whatever they
// build from it: they read every pixel, so this bounds their time.
constexpr std::int64_t kMaxSourcePixels = std::int64_t{1} << 28;
bool sourceSizeAllowed(std::int64_t width, std::int64_t height);

// What every decoder is asked.
struct DecodeRequest {
    // The show rectangle. JPEG files at least twice its size on either side
    // are decoded at 1/2, 1/4 or 1/8 scale; 0 means no reduction.
    int screenWidth = 0, screenHeight = 0;
    // The largest monitor, where it is larger than the show rectangle (the
    // picture is drawn on every monitor); 0 means the show rectangle.
    int largestScreenWidth = 0, largestScreenHeight = 0;
    // How the show will fit the picture; unset: PNG and BMP are decoded whole.
    std::optional<ShowFitting> fitting;
    // JPEG only: quantize to 256 colours (palette displays).
    bool quantize = false;
    // JPEG only, for previews: the fast integer transform and, when
    // quantizing, no dithering.
    bool fast = false;
    // Lets at most one pending event run; true when the run has ended, which
    // abandons the decode. Called between steps and at least every
    // pumpInterval during long loops.
    std::function<bool()> pumpEvents;
    std::chrono::milliseconds pumpInterval{10};
    // What transparent pixels are composed over (formats decoded through
    // their own libraries).
    RgbQuad background{};
};

struct DecodePlan {
    enum class Kind {
        Whole,    // the picture as it is
        Corner,   // its top-left width x height (drawn unscaled from the corner)
        Reduced,  // the whole picture area-averaged down to width x height
    };
    Kind kind = Kind::Whole;
    int width = 0, height = 0;  // the picture built
};

// The plan for a width x height source under the request's fitting.
DecodePlan planDecode(std::int64_t width, std::int64_t height, const DecodeRequest& request);

// The layout of the rows a decoder hands over: WBitmap's layouts, plus
// 2-bit indexed rows (Reduced plans only).
struct RowFormat {
    int bitCount = 24;            // 1, 2, 4, 8 indexed; 16, 32 masked; 24 B,G,R
    std::vector<RgbQuad> table;   // indexed rows; indexes past its end are black
    std::uint32_t masks[3] = {};  // 16 and 32 bits: red, green, blue
    bool fileMasks = false;
};

// Builds the planned picture from rows handed over one or several at a time,
// in the order of the file: top-down or bottom-up, never going back.
class PictureBuilder {
public:
    PictureBuilder();
    ~PictureBuilder();
    PictureBuilder(const PictureBuilder&) = delete;
    PictureBuilder& operator=(const PictureBuilder&) = delete;

    // False when the picture cannot be made (size, depth, memory). Whole and
    // Corner keep the rows' own layout (2 bits is refused there); Reduced
    // builds 24-bit B,G,R.
    bool start(int sourceWidth, int sourceHeight, const RowFormat& format, const DecodePlan& plan, bool bottomUp);
    // Whether source row y (counted from the top) contributes at all.
    bool wantsRow(int y) const;
    // Source rows y .. y + count - 1 all hold row, which has at least the
    // bytes of one source row. Rows never handed over stay zero (black).
    void putRows(int y, int count, const std::uint8_t* row);
    // Interlaced sources: n pixels of source row y at x0, x0 + dx, ... in the
    // rows' layout, in any order of rows.
    void putPixels(int y, int x0, int dx, const std::uint8_t* pixels, int n);
    // Hands over the built picture; true when it was built.
    bool finish(WBitmap& out);

    const DecodePlan& plan() const { return plan_; }

private:
    // The source pixels one built column averages: x0 and x1 partly (weights
    // w0 and w1, in units of 1/built width of a source pixel), those between
    // them wholly (weight: the built width).
    struct Window {
        int x0, x1;
        std::uint32_t w0, w1;
    };
    void sumRow(const std::uint8_t* row);
    RgbQuad colourAt(const std::uint8_t* row, int x) const;
    void applyPending();
    void closeRow();

    DecodePlan plan_;
    RowFormat format_;
    int sourceWidth_ = 0, sourceHeight_ = 0;
    bool bottomUp_ = false;
    bool started_ = false;
    WBitmap picture_;
    std::size_t copyBytes_ = 0;  // Whole and Corner: bytes of each row kept
    // Reduced from rows in order: the weighted sums of one source row per
    // built column and channel, and of the built row being filled.
    std::vector<Window> windows_;
    std::vector<std::uint32_t> rowSums_;
    std::vector<std::uint64_t> rowAccumulator_;
    int openRow_ = -1;
    std::uint64_t openWeight_ = 0, pendingWeight_ = 0;
    std::vector<std::uint8_t> lastRow_;
    bool lastRowValid_ = false;
    std::vector<RgbQuad> colours16_;  // 16-bit pixel -> colour, built on first use
    // Reduced from pixels in any order: every built pixel's sums.
    std::vector<float> pixelSums_;
};

}  // namespace orvanta
