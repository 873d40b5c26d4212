#pragma once
// What a decoder builds from the rows it decodes. A picture far larger than
// the screen is never held whole when the show would only shrink it or cut
// it: where the show scales it down, the rows are averaged into a copy at
// least twice the size the show draws (the show's own stretch then does the
// rest, so the screen shows the same); where the show draws pictures
// unscaled, only the corner that reaches the screen is kept.
#include "framework/WBitmap.h"
#include "settings/settings.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace orvanta {

// The picture-stretching settings, as far as decoding cares.
struct ShowFitting {
    bool stretch = false;       // Full Screen: stretched over the whole screen
    bool proportional = false;  // always scaled to fit
    bool shrinkOnly = false;    // Shrink Only or Tiled: scaled only when it does not fit
    static ShowFitting of(const Settings& settings);
};

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
    // Lets at most one pending event run; true when the run has ended, which
    // abandons the decode. Called between steps and at least every
    // pumpInterval during long loops.
    std::function<bool()> pumpEvents;
    std::chrono::milliseconds pumpInterval{10};
};

struct DecodePlan {
    enum class Kind {
        Whole,    // the picture as it is
        Corner,   // its top-left width x height (drawn unscaled from the corner)
        Reduced,  // averaged over boxes of stepX x stepY source pixels
    };
    Kind kind = Kind::Whole;
    int width = 0, height = 0;  // the picture built
    int stepX = 1, stepY = 1;
};

// The plan for a width x height source under the request's fitting.
DecodePlan planDecode(std::int64_t width, std::int64_t height, const DecodeRequest& request);

// The layout of the rows a decoder hands over: WBitmap's layouts, plus
// 2-bit indexed rows (Reduced plans only).
struct RowFormat {
    int bitCount = 24;                // 1, 2, 4, 8 indexed; 16, 32 masked; 24 B,G,R
    std::vector<RgbQuad> table;       // indexed rows; indexes past its end are black
    std::uint32_t masks[3] = {};      // 16 and 32 bits: red, green, blue
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
    void flushBox();
    void sumRow(const std::uint8_t* row);

    DecodePlan plan_;
    RowFormat format_;
    int sourceWidth_ = 0, sourceHeight_ = 0;
    bool bottomUp_ = false;
    bool started_ = false;
    WBitmap picture_;
    std::size_t copyBytes_ = 0;  // Whole and Corner: bytes of each row kept
    // Reduced: per built column and channel, the sums of the current box row
    // (rows handed over in order) or of every box (pixels in any order).
    std::vector<std::uint32_t> rowSums_, boxSums_, allSums_;
    std::vector<std::uint8_t> lastRow_;
    bool lastRowValid_ = false;
    std::vector<RgbQuad> colours16_;  // 16-bit pixel -> colour, built on first use
    int box_ = -1, rowsInBox_ = 0;
};

}  // namespace orvanta
